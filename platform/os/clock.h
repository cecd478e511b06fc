#pragma once
// Monotonic time and sleeping.

#include <cstdint>

namespace os {

// Milliseconds since an arbitrary fixed point (the system start), never going back.
std::uint64_t TickCount64();

// The low 32 bits of TickCount64, wrapping after about 49.7 days like the Windows tick count;
// waits written against it must handle the wrap.
std::uint32_t TickCount();

// Sleeps at least ms milliseconds (resumes after signals).
void SleepMs(std::uint32_t ms);

} // namespace os
