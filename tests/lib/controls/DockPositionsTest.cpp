#include <lib/controls/DockPositions.h>

#include <lib/controls/AlignLayout.h>
#include <lib/controls/Dock.h>
#include <lib/controls/ToolbarButton.h>
#include <platform/Exception.h>
#include <platform/RegIniFile.h>

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <climits>
#include <map>

namespace {

// Shows a form and lets the window system report it on the screen, as
// floating toolbars wait for that before they show.
void showOnScreen(QWidget &form)
{
    form.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(form.windowHandle()->isExposed());
}

const QString Key = QStringLiteral("Software\\Zilo Test\\Browser 1");

// A form with a top dock "Top" that allows dragging, a bottom dock "Fixed"
// that does not, and toolbars "Main" (3 buttons), "Tools" (2) and "View" (1),
// docked in "Top" in rows 0, 0 and 1.
struct Form
{
    Form()
    {
        window.resize(500, 300);
        new TAlignLayout(&window);
        top = new TDock(&window, dpTop);
        top->setObjectName("Top");
        fixed = new TDock(&window, dpBottom);
        fixed->setObjectName("Fixed");
        fixed->SetAllowDrag(false);
        main = addToolbar("Main", 3);
        tools = addToolbar("Tools", 2);
        view = addToolbar("View", 1);
        main->SetDockedTo(top);
        tools->SetDockedTo(top);
        view->SetDockRow(1);
        view->SetDockedTo(top);
    }

    TDockToolbar *addToolbar(const QString &name, int buttons)
    {
        auto *toolbar = new TDockToolbar(&window);
        toolbar->setObjectName(name);
        for (int i = 0; i < buttons; ++i)
            new TToolbarButton(toolbar);
        return toolbar;
    }

    QWidget window;
    TDock *top;
    TDock *fixed;
    TDockToolbar *main;
    TDockToolbar *tools;
    TDockToolbar *view;
};

} // namespace

TEST(DockPositions, SaveAndLoadOverTheRegistry)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint floatPos = area.topLeft() + QPoint(120, 90);
    {
        Form form;
        form.tools->SetFloatRightX(60);
        form.tools->SetFloatPos(floatPos);
        form.tools->SetDockedTo(nullptr);
        form.main->SetDockPos(30);
        form.view->SetDockedTo(form.fixed);
        form.view->hide();
        SaveToolbarPositionsToRegistry(&form.window, Key);
    }
    const TRegIniFile store(Key);
    EXPECT_EQ(store.ReadString("Tools", "DockedTo", ""), "nil");
    EXPECT_EQ(store.ReadInteger("Tools", "FloatLeft", 0), floatPos.x());
    EXPECT_EQ(store.ReadString("Main", "DockedTo", ""), "Top");
    EXPECT_EQ(store.ReadInteger("Main", "DockPos", 0), 30);
    // Without AllowDrag only "Visible" is saved.
    EXPECT_EQ(store.ReadInteger("View", "Visible", -1), 0);
    EXPECT_FALSE(store.ValueExists("View", "DockedTo"));
    EXPECT_FALSE(store.ValueExists("View", "DockRow"));

    Form form;
    LoadToolbarPositionsFromRegistry(&form.window, Key);
    EXPECT_EQ(form.main->DockedTo(), form.top);
    EXPECT_EQ(form.main->geometry().topLeft(), QPoint(30, 0));
    EXPECT_EQ(form.tools->DockedTo(), nullptr);
    EXPECT_EQ(form.tools->FloatRightX(), 60);
    EXPECT_EQ(form.tools->FloatParent()->pos(), floatPos);
    // "View" keeps the place it has, hidden as saved.
    EXPECT_EQ(form.view->DockedTo(), form.top);
    EXPECT_TRUE(form.view->isHidden());
}

namespace {

// A store in memory, read by the same procedures a caller passes.
struct Store
{
    std::map<std::pair<QString, QString>, QString> values;

    TPositionReadInt readInt()
    {
        return [this](const QString &section, const QString &name, int32_t defaultValue) {
            const auto found = values.find({section, name});
            return found == values.end() ? defaultValue : found->second.toInt();
        };
    }
    TPositionReadString readString()
    {
        return [this](const QString &section, const QString &name, const QString &defaultValue) {
            const auto found = values.find({section, name});
            return found == values.end() ? defaultValue : found->second;
        };
    }
};

} // namespace

TEST(DockPositions, AnUnknownDockLeavesTheToolbarWhereItIs)
{
    Form form;
    Store store;
    store.values = {{{"Main", "DockedTo"}, "Gone"}, {{"Main", "DockRow"}, "4"}, {{"Main", "DockPos"}, "200"},
                    {{"Tools", "DockedTo"}, "Fixed"}, {{"Tools", "DockPos"}, "300"},
                    {{"View", "DockedTo"}, ""}};
    const QRect main = form.main->geometry();
    const QRect tools = form.tools->geometry();
    const QRect view = form.view->geometry();
    LoadToolbarPositions(&form.window, store.readInt(), store.readString());
    EXPECT_EQ(form.main->DockedTo(), form.top);
    EXPECT_EQ(form.main->geometry(), main);
    // A dock that does not allow dragging takes no toolbar from the store.
    EXPECT_EQ(form.tools->DockedTo(), form.top);
    EXPECT_EQ(form.tools->geometry(), tools);
    EXPECT_EQ(form.view->geometry(), view);
}

TEST(DockPositions, StoredRowsKeepTheirOrderOnly)
{
    Form form;
    Store store;
    store.values = {{{"Main", "DockedTo"}, "Top"}, {{"Main", "DockRow"}, QString::number(INT_MAX)},
                    {{"Tools", "DockedTo"}, "Top"}, {{"Tools", "DockRow"}, "-9"}, {{"Tools", "DockPos"}, "-1"},
                    {{"View", "DockedTo"}, "Top"}, {{"View", "DockRow"}, "-9"}, {{"View", "DockPos"}, "0"}};
    LoadToolbarPositions(&form.window, store.readInt(), store.readString());
    EXPECT_EQ(form.tools->DockRow(), 0);
    EXPECT_EQ(form.view->DockRow(), 0);
    EXPECT_EQ(form.main->DockRow(), 1);
    // "At the end" lands after the row's placed toolbar.
    EXPECT_EQ(form.view->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(form.tools->geometry().topLeft(), QPoint(form.view->width(), 0));
    EXPECT_EQ(form.main->geometry().topLeft(), QPoint(0, 26));
    EXPECT_EQ(form.top->height(), 52);
}

TEST(DockPositions, AFloatTakesItsCornerOnlyAndComesBackOnScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    Form form;
    Store store;
    store.values = {{{"Main", "DockedTo"}, "nil"}, {{"Main", "FloatLeft"}, "90000"}, {{"Main", "FloatTop"}, "-70000"},
                    {{"Main", "FloatRight"}, "90001"}, {{"Main", "FloatBottom"}, "-10"}, {{"Main", "FloatRightX"}, "-50"},
                    {{"Tools", "DockedTo"}, "nil"}, {{"Tools", "FloatLeft"}, QString::number(area.left() + 10)},
                    {{"Tools", "FloatTop"}, QString::number(area.top() + 20)}, {{"Tools", "FloatRight"}, "5"}, {{"Tools", "FloatBottom"}, "5"}};
    LoadToolbarPositions(&form.window, store.readInt(), store.readString());
    showOnScreen(form.window);
    TFloatParent *window = form.main->FloatParent();
    EXPECT_EQ(form.main->FloatRightX(), 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(area.contains(window->geometry()));
    EXPECT_EQ(window->geometry().topRight(), QPoint(area.right(), area.top()));
    // The size comes from the controls, never from the stored rectangle.
    EXPECT_EQ(window->size(), TFloatParent::SizeFor(form.main->LayoutSize(toFloating, nullptr, 0)));
    EXPECT_EQ(form.tools->FloatParent()->geometry(),
              QRect(area.topLeft() + QPoint(10, 20), TFloatParent::SizeFor(form.tools->LayoutSize(toFloating, nullptr, 0))));
}

TEST(DockPositions, NamesAreRequiredAndAFailedSaveKeepsNothing)
{
    auto message = [](auto call) {
        try {
            call();
        } catch (const Exception &error) {
            return error.Message();
        }
        return QString();
    };
    {
        Form form;
        form.top->setObjectName("");
        EXPECT_EQ(message([&] { SaveToolbarPositionsToRegistry(&form.window, Key); }), "DockTo's Name property not set");
        form.top->setObjectName("Top");
        form.tools->setObjectName("");
        EXPECT_EQ(message([&] { SaveToolbarPositionsToRegistry(&form.window, Key); }), "Name property not set");
        EXPECT_EQ(message([&] { LoadToolbarPositionsFromRegistry(&form.window, Key); }), "Name property not set");
        // The docks were unlocked all the same.
        form.view->SetDockRow(0);
        EXPECT_EQ(form.top->height(), 26);
    }
    const TRegIniFile store(Key);
    EXPECT_FALSE(store.ValueExists("Main", "Visible"));
}
