#include "platform/os/clock.h"

#include <cerrno>
#include <ctime>

namespace os {

std::uint64_t TickCount64() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

std::uint32_t TickCount() {
    return static_cast<std::uint32_t>(TickCount64() & 0xFFFFFFFFu);
}

void SleepMs(std::uint32_t ms) {
    timespec req{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    timespec rem{};
    while (::nanosleep(&req, &rem) != 0 && errno == EINTR)
        req = rem;
}

} // namespace os
