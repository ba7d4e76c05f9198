#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QMimeData;
class QWidget;

// The program's own drags of files carry their Windows paths in this type,
// CR LF between them, beside the local URLs other programs read.
inline const QString ZiloFilesMimeType = QStringLiteral("application/x-zilo-files");

// Makes a widget accept files dropped from other programs (the desktop, a file
// manager) and reports each one through OnDropFile, in order. Only local file
// URLs count, as Windows paths on the drive table's drives; other URLs, files
// on no drive and the program's own drags (which its windows handle
// themselves) are not shell drops and are left to the widget. Window thread
// only.
class TDropFile : public QObject
{
    Q_OBJECT

public:
    // owner: the widget that accepts drops until DropTarget names another.
    explicit TDropFile(QWidget *owner);
    ~TDropFile() override;

    bool EnableDrop() const { return m_enableDrop; }
    // False refuses drops but keeps the target hooked.
    void SetEnableDrop(bool value);
    QWidget *DropTarget() const { return m_dropTarget; }
    // Moves the hook to target (null: the owner).
    void SetDropTarget(QWidget *target);

    // The Windows paths of the shell drop that data holds, in order; empty
    // when it is the program's own drag or holds no local file on a drive.
    static QStringList DroppedFiles(const QMimeData *data);
    // The name after the path's last backslash and the extension after the
    // name's last point; each empty when there is none.
    static QString FileNameOf(const QString &fileWithPath);
    static QString ExtensionOf(const QString &fileName);

signals:
    void OnDropFile(TDropFile *Sender, const QString &FileWithPath, const QString &FileName, const QString &Extension);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void InitControl();
    void DestroyControl();
    void DropFiles(const QStringList &files);

    bool m_enableDrop = true;
    QPointer<QWidget> m_dropTarget;   // not owned
    QPointer<QWidget> m_hooked;       // the widget whose events are filtered
    bool m_dragTaken = false;         // the drag over the target is a shell drop
};
