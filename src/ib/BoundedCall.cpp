#include "ib/BoundedCall.h"

#include "common/Messages.h"
#include "ib/CallWatchdog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace ib {

namespace {
struct Shared {
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    bool abandoned = false;
    QEventLoop* loop = nullptr;  // the waiting loop, while it waits
};

bool onApplicationThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}
}  // namespace

ENoAnswer::ENoAnswer()
    : Exception(QString::fromUtf8(msg::NoAnswerWithinBound).arg((CallWatchdog::bound().count() + 999) / 1000))
{
}

BoundedCall::Outcome BoundedCall::run(std::function<void()> work, std::function<void()> release)
{
    const auto shared = std::make_shared<Shared>();
    const auto bound = CallWatchdog::bound();
    const bool withLoop = onApplicationThread();
    std::optional<QEventLoop> loop;
    if (withLoop) {
        loop.emplace();
        shared->loop = &*loop;
    }

    std::thread([shared, work = std::move(work), release = std::move(release)] {
        try {
            work();
        } catch (...) {
        }
        std::unique_lock lock(shared->mutex);
        if (shared->abandoned) {
            lock.unlock();
            try {
                if (release)
                    release();
            } catch (...) {
            }
            return;
        }
        shared->done = true;
        shared->returned.notify_all();
        // posted to the waiting loop's thread; the loop is there until the waiter has seen done
        if (QEventLoop* waiting = shared->loop)
            QMetaObject::invokeMethod(waiting, [waiting] { waiting->quit(); }, Qt::QueuedConnection);
    }).detach();

    bool timedOut = false;
    if (withLoop) {
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &*loop, [&] {
            timedOut = true;
            loop->quit();
        });
        deadline.start(bound);
        bool done = false;
        {
            const std::lock_guard lock(shared->mutex);
            done = shared->done;
        }
        if (!done)
            loop->exec(QEventLoop::ExcludeUserInputEvents);
    } else {
        std::unique_lock lock(shared->mutex);
        timedOut = !shared->returned.wait_for(lock, bound, [&] { return shared->done; });
    }

    const std::lock_guard lock(shared->mutex);
    shared->loop = nullptr;
    if (shared->done)
        return Outcome::Returned;
    shared->abandoned = true;
    return timedOut ? Outcome::TimedOut : Outcome::Quit;
}

void BoundedCall::raise(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Returned: return;
    case Outcome::TimedOut: throw ENoAnswer();
    case Outcome::Quit: throw EAbort();
    }
}

}  // namespace ib
