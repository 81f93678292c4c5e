#include "platform/Thread.h"

#include <atomic>
#include <system_error>
#include <thread>

namespace platform {

struct Thread::State {
    std::atomic<uint32_t> exitCode{StillActive};
};

Thread::~Thread() = default;

bool Thread::Start(std::function<uint32_t()> proc) {
    if (state_ != nullptr || !proc)
        return false;
    auto state = std::make_shared<State>();
    try {
        std::thread t([state, proc = std::move(proc)] {
            uint32_t code = proc();
            // A procedure that returns the still-active value would look alive for ever.
            state->exitCode = (code == StillActive) ? 1 : code;
        });
        t.detach();
    } catch (const std::system_error&) {
        return false;
    }
    state_ = std::move(state);
    return true;
}

uint32_t Thread::ExitCode() const {
    return state_ == nullptr ? StillActive : state_->exitCode.load();
}

} // namespace platform
