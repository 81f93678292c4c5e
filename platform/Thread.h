// A worker thread whose exit code can be read at any time without waiting, like a
// Windows thread handle: 259 (still active) while it runs. Destroying the object never
// waits for the thread; the thread keeps its own state and finishes on its own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class Thread {
public:
    static constexpr uint32_t StillActive = 259;

    Thread() = default;
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts `proc` on a new thread. False when a thread was already started or the
    // system could not create one. `proc` must own everything it uses.
    bool Start(std::function<uint32_t()> proc);

    bool Started() const { return state_ != nullptr; }
    // The exit code, or StillActive while the thread runs (also before Start).
    uint32_t ExitCode() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace platform
