#include "platform/Time.h"

#include "platform/Hooks.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace platform {

long ScaledMs(long ms) {
    if (ms <= 0)
        return 0;
    double scaled = std::llround(static_cast<double>(ms) * GetHooks().timeScale);
    return scaled < 0 ? 0 : static_cast<long>(scaled);
}

void Sleep(long ms) {
    long scaled = ScaledMs(ms);
    if (scaled > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(scaled));
}

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace platform
