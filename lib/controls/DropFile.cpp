#include "DropFile.h"

#include <platform/HostPath.h>

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

// Keeps the widget's own wish to take drops (a window may take the program's
// own drags itself) apart from ours.
static const char *const OwnAcceptDropsProperty = "ziloOwnAcceptDrops";

TDropFile::TDropFile(QWidget *owner)
    : QObject(owner)
{
    InitControl();
    SetEnableDrop(m_enableDrop);
}

TDropFile::~TDropFile()
{
    DestroyControl();
}

void TDropFile::InitControl()
{
    if (!m_dropTarget)
        m_dropTarget = qobject_cast<QWidget *>(parent());
    m_hooked = m_dropTarget;
    if (!m_hooked)
        return;
    m_hooked->setProperty(OwnAcceptDropsProperty, m_hooked->acceptDrops());
    m_hooked->installEventFilter(this);
}

void TDropFile::DestroyControl()
{
    if (!m_hooked)
        return;
    m_hooked->removeEventFilter(this);
    m_hooked->setAcceptDrops(m_hooked->property(OwnAcceptDropsProperty).toBool());
    m_hooked->setProperty(OwnAcceptDropsProperty, QVariant());
    m_hooked = nullptr;
}

void TDropFile::SetEnableDrop(bool value)
{
    m_enableDrop = value;
    if (m_hooked)
        m_hooked->setAcceptDrops(value || m_hooked->property(OwnAcceptDropsProperty).toBool());
}

void TDropFile::SetDropTarget(QWidget *target)
{
    DestroyControl();
    m_dropTarget = target;
    InitControl();
    SetEnableDrop(m_enableDrop);
}

// A file URL names a file of this machine when it has no host, or this one.
// A host that does not parse (one with a backslash) leaves the URL invalid
// and its host empty: such a URL names nothing.
static bool isOnThisMachine(const QUrl &url)
{
    return url.isValid() && url.isLocalFile()
        && (url.host().isEmpty() || url.host().compare(u"localhost", Qt::CaseInsensitive) == 0);
}

QStringList TDropFile::DroppedFiles(const QMimeData *data)
{
    if (!data || data->hasFormat(ZiloFilesMimeType))
        return {};
    QStringList files;
    for (const QUrl &url : data->urls()) {
        if (!isOnThisMachine(url))
            continue;
        const std::string windowsPath = WindowsPathFromHost(url.path(QUrl::FullyDecoded).toStdString());
        if (!windowsPath.empty())
            files << QString::fromStdString(windowsPath);
    }
    return files;
}

QString TDropFile::FileNameOf(const QString &fileWithPath)
{
    const qsizetype slash = fileWithPath.lastIndexOf(u'\\');
    return slash < 0 ? QString() : fileWithPath.mid(slash + 1);
}

QString TDropFile::ExtensionOf(const QString &fileName)
{
    const qsizetype point = fileName.lastIndexOf(u'.');
    return point < 0 ? QString() : fileName.mid(point + 1);
}

void TDropFile::DropFiles(const QStringList &files)
{
    QWidget *window = m_hooked->window();
    window->raise();
    window->activateWindow();
    for (const QString &file : files) {
        const QString name = FileNameOf(file);
        emit OnDropFile(this, file, name, ExtensionOf(name));
    }
}

bool TDropFile::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_hooked || !m_enableDrop)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
        // Decided once a drag: the files are mapped again only when they drop.
        m_dragTaken = !DroppedFiles(static_cast<QDropEvent *>(event)->mimeData()).isEmpty();
        [[fallthrough]];
    case QEvent::DragMove:
        if (!m_dragTaken)
            break;
        static_cast<QDropEvent *>(event)->acceptProposedAction();
        return true;
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList files = DroppedFiles(drop->mimeData());
        if (files.isEmpty())
            break;
        drop->acceptProposedAction();
        DropFiles(files);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
