#include "app/jobs/worker_thread.h"

#include <QEventLoop>
#include <QThread>
#include <exception>
#include <memory>

namespace brenlow {

void runOnWorkerThread(const std::function<void()>& work) {
    std::exception_ptr failure;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    // Queued to the loop: a worker that ends before exec() still ends it.
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace brenlow
