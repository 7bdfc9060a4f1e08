#include "stages/WorkerThread.h"

#include <QEventLoop>
#include <QThread>
#include <exception>
#include <memory>

void RunOnWorkerThread(const std::function<void()> &work)
{
    std::exception_ptr thrown;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            work();
        } catch (...) {
            thrown = std::current_exception();
        }
    }));
    QEventLoop loop;
    // Queued to this thread: it arrives after every report the work sent before it ended.
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker->start();
    loop.exec();
    worker->wait();
    if (thrown)
        std::rethrow_exception(thrown);
}
