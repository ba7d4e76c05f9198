// Runs the program's application object with event handlers that throw, as a
// test cannot in its own process (which has an application object already).
// Prints each message box the program would show as "TYPE<tab>CAPTION<tab>TEXT"
// (new lines in the text as \n), then "went on" once the loop has run on past
// the throws and past the close of its only window, and exits with the loop's
// status. Started by ApplicationTest; not a test itself.

#include <lib/Application.h>
#include <lib/ProductInfo.h>
#include <platform/Exception.h>
#include <platform/MessageBox.h>

#include <QEvent>
#include <QWidget>

#include <cstdio>
#include <stdexcept>

namespace {

enum Step { ThrowException = QEvent::User, ThrowStandard, CloseLastWindow, NextTurn, Report };

class Thrower : public QObject
{
public:
    bool event(QEvent *event) override
    {
        switch (int(event->type())) {
        case ThrowException:
            throw Exception("Cannot read\nC:\\Pics\\a.jpg");
        case ThrowStandard:
            throw std::runtime_error("vector too long");
        case CloseLastWindow:
            m_window.show();
            m_window.close();
            // A quit that the close queued ends the loop at the end of the
            // next turn, so the report comes a turn later.
            QCoreApplication::postEvent(this, new QEvent(QEvent::Type(NextTurn)));
            return true;
        case NextTurn:
            QCoreApplication::postEvent(this, new QEvent(QEvent::Type(Report)));
            return true;
        case Report:
            std::printf("went on\n");
            QCoreApplication::exit(0);
            return true;
        default:
            return QObject::event(event);
        }
    }

private:
    QWidget m_window;
};

} // namespace

int main(int argc, char **argv)
{
    TApplication application(argc, argv);
    QCoreApplication::setApplicationName(ProductName);
    SetMessageBoxResponder([](const QString &text, const QString &caption, UINT type) {
        QString line = text;
        line.replace(u'\n', QStringLiteral("\\n"));
        std::printf("%u\t%s\t%s\n", type, caption.toUtf8().constData(), line.toUtf8().constData());
        std::fflush(stdout);
        return DefaultMessageBoxAnswer(type);
    });
    Thrower thrower;
    for (const Step step : {ThrowException, ThrowStandard, CloseLastWindow})
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::Type(step)));
    return application.exec();
}
