// Windows to look at the caption bar and the file drop target as a user would:
// a wide window with every text part and the gradient, one like it left
// inactive, a narrow one (the caption part alone) and one with the gradient off.
// The active window lists the files dropped on it; scripts/looks/caption.actions finds
// it by its title, "Acme Zilo C:\Pictures".

#include <lib/controls/DropFile.h>
#include <lib/controls/GradientCaption.h>

#include <platform/SystemMetrics.h>

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include <memory>
#include <vector>

namespace {

struct DemoWindow
{
    std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
    TGradientCaption *caption;
    QLabel *label;
};

// A form dressed as the program dresses its windows, with a note of what to see.
DemoWindow makeWindow(const QString &caption, const QString &note, QRect geometry, bool allParts)
{
    DemoWindow window;
    window.form->setWindowTitle(caption);
    window.caption = new TGradientCaption(window.form.get());
    TGradientCaption *bar = window.caption;
    bar->SetColorLeftActive(SysColour(COLOR_ACTIVECAPTION));
    bar->SetColorLeftInActive(SysColour(COLOR_INACTIVECAPTION));
    bar->SetColorRightActive(Qt::black);
    bar->SetColorRightInActive(Qt::black);
    bar->SetEnabled(geAlways);
    bar->SetNumColors(256);
    bar->CompanyText().SetCaption(QStringLiteral("Acme"));
    bar->CompanyText().SetFontKind(fkSystemBI);
    bar->CompanyText().SetColorActive(SysColour(COLOR_ACTIVECAPTION).lighter(170));
    bar->AppNameText().SetCaption(QStringLiteral("Zilo"));
    bar->AppNameText().SetFontKind(fkSystemB);
    bar->CompanyText().SetVisible(allParts);
    bar->AppNameText().SetVisible(allParts);

    auto *layout = new QVBoxLayout(window.form.get());
    window.label = new QLabel(note, window.form.get());
    window.label->setWordWrap(true);
    layout->addWidget(window.label);
    window.form->setGeometry(geometry);
    return window;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    std::vector<DemoWindow> windows;
    windows.push_back(makeWindow(QStringLiteral("C:\\Pictures\\Holidays 2026"),
                                 QStringLiteral("Inactive, every part, gradient on."), QRect(40, 30, 560, 130), true));
    windows.push_back(makeWindow(QStringLiteral("C:\\Pictures\\A folder with a long name for a narrow window"),
                                 QStringLiteral("Narrow: the caption part alone."), QRect(640, 30, 240, 130), true));
    windows.push_back(makeWindow(QStringLiteral("C:\\Pictures\\Flat"), QStringLiteral("Gradient off."),
                                 QRect(640, 200, 340, 130), false));
    windows.back().caption->SetEnabled(geNever);
    windows.push_back(makeWindow(QStringLiteral("C:\\Pictures"),
                                 QStringLiteral("Active, every part, gradient on. Drop files here."),
                                 QRect(40, 200, 560, 220), true));
    DemoWindow &dropWindow = windows.back();
    auto *drop = new TDropFile(dropWindow.form.get());
    QLabel *dropped = dropWindow.label;
    QObject::connect(drop, &TDropFile::OnDropFile, dropped,
                     [dropped](TDropFile *, const QString &path, const QString &, const QString &extension) {
                         dropped->setText(dropped->text() + u'\n' + path + QStringLiteral("  [") + extension + u']');
                     });

    for (DemoWindow &window : windows)
        window.form->show();
    dropWindow.form->activateWindow();
    return application.exec();
}
