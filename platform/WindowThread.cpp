#include "WindowThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <exception>

bool IsWindowThread()
{
    const QCoreApplication *application = QCoreApplication::instance();
    return !application || QThread::currentThread() == application->thread();
}

void CallOnWindowThread(const std::function<void()> &call)
{
    if (IsWindowThread()) {
        call();
        return;
    }
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&call, &failure] {
            try {
                call();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
}
