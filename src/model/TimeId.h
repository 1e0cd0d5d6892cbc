#pragma once

#include <cstdint>
#include <unordered_set>

namespace kavrel {

// Ids of profiles and macros: ((hour mod 16) * 4096 + minute * 64 + second)
// * 256 + (millisecond mod 256), 24 bits. Within one run an id is never 0
// and never given twice: a value already given (or 0) steps on to the next
// free one. Across runs and days ids may repeat; lookups take the first match.
class TimeIdGenerator {
public:
    std::uint32_t next(int hour, int minute, int second, int millisecond);

    static constexpr std::uint32_t formula(int hour, int minute, int second, int millisecond)
    {
        return ((std::uint32_t(hour % 16) * 4096 + std::uint32_t(minute) * 64 + std::uint32_t(second)) * 256
                   + std::uint32_t(millisecond % 256))
            & 0xFFFFFF;
    }

private:
    std::unordered_set<std::uint32_t> m_given;
};

// Waits 20 ms (two calls in a row never read the same millisecond), reads
// the local time and returns the next id of the process-wide generator.
// Safe to call from any thread.
std::uint32_t MakeTimeId();

} // namespace kavrel
