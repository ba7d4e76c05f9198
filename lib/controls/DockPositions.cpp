#include "DockPositions.h"

#include "Dock.h"
#include <platform/Exception.h>
#include <platform/RegIniFile.h>

#include <QList>

#include <algorithm>

// The form's toolbars in the order they were made, wherever they are now.
static QList<TDockToolbar *> toolbarsOf(QWidget *form)
{
    QList<TDockToolbar *> toolbars = form->findChildren<TDockToolbar *>();
    std::sort(toolbars.begin(), toolbars.end(),
              [](const TDockToolbar *a, const TDockToolbar *b) { return a->CreationOrder() < b->CreationOrder(); });
    return toolbars;
}

static QString sectionOf(const TDockToolbar *toolbar)
{
    if (toolbar->objectName().isEmpty())
        throw Exception("Name property not set");
    return toolbar->objectName();
}

void SaveToolbarPositions(QWidget *form, const TPositionWriteInt &writeInt, const TPositionWriteString &writeString)
{
    for (TDockToolbar *toolbar : toolbarsOf(form)) {
        const QString section = sectionOf(toolbar);
        writeInt(section, "Visible", toolbar->isHidden() ? 0 : 1);
        const TDock *dock = toolbar->DockedTo();
        if (dock && !dock->AllowDrag())
            continue;
        if (dock && dock->objectName().isEmpty())
            throw Exception("DockTo's Name property not set");
        const QSize floatSize = toolbar->LayoutSize(toFloating, nullptr, toolbar->FloatRightX());
        const QPoint floatPos = toolbar->FloatPos();
        writeString(section, "DockedTo", dock ? dock->objectName() : QStringLiteral("nil"));
        writeInt(section, "DockRow", toolbar->DockRow());
        writeInt(section, "DockPos", toolbar->DockPos());
        writeInt(section, "FloatLeft", floatPos.x());
        writeInt(section, "FloatTop", floatPos.y());
        writeInt(section, "FloatRight", floatPos.x() + floatSize.width());
        writeInt(section, "FloatBottom", floatPos.y() + floatSize.height());
        writeInt(section, "FloatRightX", toolbar->FloatRightX());
    }
}

// Holds every dock of a form from arranging until the loading is done, even
// when it fails part-way.
class ArrangeLock
{
public:
    explicit ArrangeLock(QWidget *form) : m_docks(form->findChildren<TDock *>())
    {
        for (TDock *dock : m_docks)
            dock->BeginArrange();
    }
    ~ArrangeLock()
    {
        for (TDock *dock : m_docks)
            dock->EndArrange();
    }
    ArrangeLock(const ArrangeLock &) = delete;
    ArrangeLock &operator=(const ArrangeLock &) = delete;

private:
    QList<TDock *> m_docks;
};

static TDock *dockNamed(QWidget *form, const QString &name)
{
    for (TDock *dock : form->findChildren<TDock *>()) {
        if (dock->objectName() == name)
            return dock;
    }
    return nullptr;
}

static void loadPlace(TDockToolbar *toolbar, const QString &section, const TPositionReadInt &readInt)
{
    toolbar->SetDockRow(readInt(section, "DockRow", toolbar->DockRow()));
    toolbar->SetDockPos(readInt(section, "DockPos", toolbar->DockPos()));
    // The floating size follows from the controls; only the corner is the user's.
    toolbar->SetFloatRightX(readInt(section, "FloatRightX", toolbar->FloatRightX()));
    toolbar->SetFloatPos({readInt(section, "FloatLeft", toolbar->FloatPos().x()), readInt(section, "FloatTop", toolbar->FloatPos().y())});
}

void LoadToolbarPositions(QWidget *form, const TPositionReadInt &readInt, const TPositionReadString &readString)
{
    ArrangeLock lock(form);
    for (TDockToolbar *toolbar : toolbarsOf(form)) {
        const QString section = sectionOf(toolbar);
        toolbar->setVisible(readInt(section, "Visible", toolbar->isHidden() ? 0 : 1) != 0);
        const QString dockName = readString(section, "DockedTo", QString());
        if (dockName.isEmpty())
            continue;
        if (dockName == QLatin1String("nil")) {
            loadPlace(toolbar, section, readInt);
            toolbar->SetDockedTo(nullptr);
            const QSize window = TFloatParent::SizeFor(toolbar->LayoutSize(toFloating, nullptr, toolbar->FloatRightX()));
            toolbar->SetFloatPos(KeepOnWorkArea(QRect(toolbar->FloatPos(), window)).topLeft());
            continue;
        }
        TDock *dock = dockNamed(form, dockName);
        if (!dock || !dock->AllowDrag())
            continue;
        loadPlace(toolbar, section, readInt);
        toolbar->SetDockedTo(dock);
    }
}

void SaveToolbarPositionsToRegistry(QWidget *form, const QString &keyPath)
{
    TRegIniFile store(keyPath);
    RegistryTransaction transaction(store);
    SaveToolbarPositions(
        form, [&](const QString &section, const QString &name, int32_t value) { store.WriteInteger(section, name, value); },
        [&](const QString &section, const QString &name, const QString &value) { store.WriteString(section, name, value); });
    transaction.Commit();
}

void LoadToolbarPositionsFromRegistry(QWidget *form, const QString &keyPath)
{
    const TRegIniFile store(keyPath);
    LoadToolbarPositions(
        form, [&](const QString &section, const QString &name, int32_t defaultValue) { return store.ReadInteger(section, name, defaultValue); },
        [&](const QString &section, const QString &name, const QString &defaultValue) { return store.ReadString(section, name, defaultValue); });
}
