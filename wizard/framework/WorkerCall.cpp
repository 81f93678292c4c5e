#include "wizard/framework/WorkerCall.h"

#include <QMetaObject>

namespace wiz {

WorkerCall::WorkerCall(QObject* parent) : QObject(parent) {}

WorkerCall::~WorkerCall() {
    if (thread_.joinable())
        thread_.join();
}

bool WorkerCall::Start(std::function<void()> work, std::function<void()> done) {
    if (busy_) return false;
    if (thread_.joinable())
        thread_.join();
    busy_ = true;
    done_ = std::move(done);
    thread_ = std::thread([this, work = std::move(work)] {
        try {
            work();
        } catch (...) {
            // The caller's `work` reports its own failures; nothing may escape a thread.
        }
        // Queued to this object: dropped by Qt if the object is gone first, and the
        // destructor joins before that can happen.
        QMetaObject::invokeMethod(this, [this] { Finish(); }, Qt::QueuedConnection);
    });
    return true;
}

void WorkerCall::Finish() {
    if (thread_.joinable())
        thread_.join();
    busy_ = false;
    std::function<void()> done = std::move(done_);
    done_ = nullptr;
    if (done) done();
}

} // namespace wiz
