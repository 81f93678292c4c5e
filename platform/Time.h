// Waits, scaled by QLWIZ_TIME_SCALE so that tests run the real timing faster.
#pragma once

namespace platform {

// `ms` multiplied by the time scale, rounded, never negative.
long ScaledMs(long ms);

// Sleeps for ScaledMs(ms).
void Sleep(long ms);

// Milliseconds from a fixed point in the past (monotonic), for measuring waits.
long long NowMs();

} // namespace platform
