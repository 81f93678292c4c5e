// Runs one blocking call (a router probe, one step of the run) on a worker thread and
// continues on the GUI thread when it returns, so the window keeps painting while the
// router takes its time. One call at a time; the caller keeps everything the call
// touches away from the GUI until the continuation runs.
#pragma once

#include <QEvent>
#include <QObject>

#include <functional>
#include <thread>

class QWidget;

namespace wiz {

class WorkerCall : public QObject {
public:
    explicit WorkerCall(QObject* parent = nullptr);
    // Waits for a call still running: the call may use objects the owner is about to free.
    ~WorkerCall() override;

    // Starts `work` on a new thread; `done` runs on this object's thread once `work`
    // returned. False (nothing started) while another call is in flight.
    bool Start(std::function<void()> work, std::function<void()> done);
    bool Busy() const { return busy_; }

private:
    void Finish();

    std::thread thread_;
    std::function<void()> done_;
    bool busy_ = false;
};

// Keys, clicks, shortcuts and wheel turns: what a window drops while its work runs.
bool IsUserInput(QEvent::Type type);

// Runs `work` on a worker thread and returns once it has, the wait cursor on meanwhile.
// An event loop of its own keeps `window` painting; the input meant for it (a close
// included) is dropped, so nothing in it starts while `work` runs.
void CallAndWait(QWidget* window, std::function<void()> work);

} // namespace wiz
