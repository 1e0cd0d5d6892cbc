#include "model/TimeId.h"

#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

namespace kavrel {

std::uint32_t TimeIdGenerator::next(int hour, int minute, int second, int millisecond)
{
    constexpr std::uint32_t Mask = 0xFFFFFF;
    std::uint32_t id = formula(hour, minute, second, millisecond);
    // Every 24-bit value but 0 can be given once; past that ids must repeat.
    if (m_given.size() >= Mask)
        m_given.clear();
    while (id == 0 || m_given.contains(id))
        id = (id + 1) & Mask;
    m_given.insert(id);
    return id;
}

std::uint32_t MakeTimeId()
{
    static std::mutex mutex;
    static TimeIdGenerator generator;

    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const int millisecond
        = int(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    const std::lock_guard lock(mutex);
    return generator.next(local.tm_hour, local.tm_min, local.tm_sec, millisecond);
}

} // namespace kavrel
