#include "wizard/framework/WorkerCall.h"

#include "wizard/framework/WaitCursor.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QWidget>

namespace wiz {

namespace {

// Drops the keys, clicks and closes meant for one window for as long as it lives.
class InputBlock : public QObject {
public:
    explicit InputBlock(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
    ~InputBlock() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!window_ || !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != window_)
            return false;
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return IsUserInput(event->type());
    }

private:
    QWidget* window_;
};

} // namespace

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel: return true;
    default: return false;
    }
}

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

void CallAndWait(QWidget* window, std::function<void()> work) {
    WaitCursor cursor;
    cursor.On();
    InputBlock block(window ? window->window() : nullptr);
    QEventLoop loop;
    WorkerCall call;
    call.Start(std::move(work), [&loop] { loop.quit(); });
    loop.exec();
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
