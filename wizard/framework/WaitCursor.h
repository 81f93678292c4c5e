// The wait cursor over the whole application, on and off in pairs that may span calls
// (a probe turns it on when it starts and off when its answer comes back).
#pragma once

namespace wiz {

class WaitCursor {
public:
    WaitCursor() = default;
    ~WaitCursor() { Off(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void On();   // no effect when already on
    void Off();  // no effect when already off
    bool IsOn() const { return on_; }

private:
    bool on_ = false;
};

} // namespace wiz
