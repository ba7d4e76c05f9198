// A window dressed as the program dresses its windows, to look at the chrome
// as a user would: a caption bar, docks on all four sides with toolbars in two
// rows and one toolbar floating, and a left panel with a history combo box
// above the folder tree of a small computer made in a scratch folder.
// On start it prints, one a line, the places worth dragging ("name x y", in
// the window's pixels), for scripts/looks/docks.actions to drive it with.

#include "DemoComputer.h"

#include <lib/controls/AlignLayout.h>
#include <lib/controls/DirectoryTreeView.h>
#include <lib/controls/Dock.h>
#include <lib/controls/GradientCaption.h>
#include <lib/controls/HistoryComboBox.h>
#include <lib/controls/ToolbarButton.h>

#include <platform/SystemMetrics.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>

namespace {

const QColor Key(0, 128, 128);   // the glyphs' transparent colour, in their bottom-left pixel

// A 16 by 16 glyph drawn by paint over the key colour.
QImage glyph(const std::function<void(QPainter &)> &paint)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Key);
    QPainter canvas(&image);
    paint(canvas);
    return image;
}

QImage shapeGlyph(int shape, const QColor &colour)
{
    return glyph([&](QPainter &canvas) {
        canvas.setPen(Qt::black);
        canvas.setBrush(colour);
        switch (shape % 4) {
        case 0: canvas.drawRect(2, 2, 11, 11); break;
        case 1: canvas.drawEllipse(2, 2, 11, 11); break;
        case 2: canvas.drawPolygon(QPolygon({QPoint(8, 1), QPoint(14, 13), QPoint(1, 13)})); break;
        default:
            canvas.drawRect(1, 5, 13, 5);
            canvas.drawRect(5, 1, 5, 13);
            break;
        }
    });
}

TDockToolbar *toolbar(QWidget *window, const QString &name, TDock *dock, int row)
{
    auto *bar = new TDockToolbar(window);
    bar->setObjectName(name);
    bar->SetCaption(name);
    bar->SetDockRow(row);
    bar->SetDockedTo(dock);
    return bar;
}

TToolbarButton *button(TDockToolbar *bar, int shape, const QColor &colour)
{
    auto *control = new TToolbarButton(bar);
    control->SetGlyph(shapeGlyph(shape, colour));
    return control;
}

void printPlace(const char *name, const QWidget *widget, QPoint at, const QWidget *window)
{
    const QPoint place = widget->mapTo(window, at);
    std::printf("%s %d %d\n", name, place.x(), place.y());
}

void dressCaption(QWidget *window)
{
    auto *bar = new TGradientCaption(window);
    bar->SetColorLeftActive(SysColour(COLOR_ACTIVECAPTION));
    bar->SetColorLeftInActive(SysColour(COLOR_INACTIVECAPTION));
    bar->SetColorRightActive(Qt::black);
    bar->SetColorRightInActive(Qt::black);
    bar->SetEnabled(geAlways);
    bar->AppNameText().SetCaption(QStringLiteral("Zilo"));
    bar->AppNameText().SetFontKind(fkSystemB);
}

// The folders panel at the left of the client area: recent folders above the tree.
QWidget *foldersPanel(QWidget *window)
{
    auto *panel = new QWidget(window);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(2, 2, 2, 2);
    auto *history = new THistoryComboBox(panel);
    for (const char *entry : {"E:\\Scans", "C:\\Pictures\\2002", "C:\\Pictures\\2001"})
        history->AddToHistory(QString::fromUtf8(entry), false);
    auto *tree = new TDirectoryTreeView(panel);
    column->addWidget(history);
    column->addWidget(tree);
    QObject::connect(tree, &TDirectoryTreeView::OnDirOpened, history,
                     [history](const QString &path, QTreeWidgetItem *) { history->AddToHistory(path, true); });
    tree->SetDirectory(QStringLiteral("C:\\Pictures\\2001\\January"));
    panel->resize(220, panel->height());
    return panel;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    MakeDemoComputer(QDir(scratch.path()).canonicalPath().toStdString());
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Docks"));
    window.resize(900, 600);
    dressCaption(&window);
    auto *layout = new TAlignLayout(&window);

    auto *top = new TDock(&window, dpTop);
    top->setObjectName("Top");
    top->SetBoundLines(blTop | blBottom);
    auto *bottom = new TDock(&window, dpBottom);
    bottom->setObjectName("Bottom");
    auto *left = new TDock(&window, dpLeft);
    left->setObjectName("Left");
    auto *right = new TDock(&window, dpRight);
    right->setObjectName("Right");
    right->SetFixAlign(true);

    layout->addWidget(foldersPanel(&window), alLeft);
    auto *client = new QLabel(QStringLiteral("Thumbnails"), &window);
    client->setAlignment(Qt::AlignCenter);
    client->setAutoFillBackground(true);
    client->setBackgroundRole(QPalette::Base);
    layout->addWidget(client, alClient);

    const QColor colours[] = {QColor(220, 60, 50), QColor(60, 140, 220), QColor(240, 200, 40), QColor(70, 170, 80)};

    TDockToolbar *standard = toolbar(&window, "Standard", top, 0);
    for (int i = 0; i < 3; ++i)
        button(standard, i, colours[i]);
    new TToolbarSep(standard);
    for (int i = 3; i < 6; ++i)
        button(standard, i, colours[i % 4]);
    button(standard, 0, colours[0])->setEnabled(false);

    TDockToolbar *view = toolbar(&window, "View", top, 0);
    for (int i = 0; i < 3; ++i) {
        TToolbarButton *choice = button(view, i + 1, colours[(i + 1) % 4]);
        choice->SetGroupIndex(1);
        choice->SetDown(i == 0);
    }
    auto *sortMenu = new QMenu(&window);
    sortMenu->addAction(QStringLiteral("By name"));
    sortMenu->addAction(QStringLiteral("By date"));
    TToolbarButton *sort = button(view, 3, colours[1]);
    sort->resize(34, 22);
    sort->SetDropdownMenu(sortMenu);

    TDockToolbar *folders = toolbar(&window, "Folders", top, 1);
    for (const char *caption : {"Back", "Forward", "Up"}) {
        TToolbarButton *text = button(folders, 2, colours[2]);
        text->SetCaption(QString::fromLatin1(caption));
        text->resize(text->fontMetrics().horizontalAdvance(text->Caption()) + 34, 22);
    }

    TDockToolbar *tools = toolbar(&window, "Tools", left, 0);
    for (int i = 0; i < 4; ++i)
        button(tools, i, colours[(i + 2) % 4]);

    TDockToolbar *status = toolbar(&window, "Status", bottom, 0);
    for (const char *caption : {"Basket", "Batch"}) {
        TToolbarButton *text = button(status, 1, colours[3]);
        text->SetDisplayMode(dmTextOnly);
        text->SetCaption(QString::fromLatin1(caption));
        text->resize(text->fontMetrics().horizontalAdvance(text->Caption()) + 16, 22);
    }

    TDockToolbar *palette = new TDockToolbar(&window);
    palette->setObjectName("Palette");
    palette->SetCaption(QStringLiteral("Palette"));
    palette->SetDefaultDock(right);
    for (int i = 0; i < 6; ++i)
        button(palette, i, colours[i % 4]);
    palette->SetFloatRightX(80);

    window.show();
    palette->SetFloatPos(window.mapToGlobal(QPoint(640, 360)));

    // Where View can be grabbed now: by its handle when docked (in the
    // window's pixels), by its title when floating (on the screen).
    auto printView = [&] {
        if (view->DockedTo()) {
            const bool vertical = view->DockedTo()->isVertical();
            printPlace("viewHandle", view, vertical ? QPoint(view->width() / 2, 6) : QPoint(6, view->height() / 2), &window);
        } else {
            const QPoint title = view->FloatParent()->mapToGlobal(QPoint(20, 9));
            std::printf("viewTitle %d %d\n", title.x(), title.y());
        }
        std::fflush(stdout);
    };
    QObject::connect(view, &TDockToolbar::OnDockChanged, &window, printView);
    printView();
    printPlace("rightDock", right, QPoint(0, 200), &window);
    printPlace("client", client, QPoint(client->width() / 3, client->height() / 2), &window);
    printPlace("bottomDock", bottom, QPoint(300, 4), &window);
    std::fflush(stdout);
    return application.exec();
}
