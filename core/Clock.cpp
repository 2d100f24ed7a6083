#include "core/Clock.h"

#include <mutex>

namespace core {

namespace {
std::mutex& clockMutex() {
    static std::mutex m;
    return m;
}
std::optional<QDateTime>& fixedTime() {
    static std::optional<QDateTime> t;
    return t;
}
}  // namespace

QDateTime Clock::nowDateTime() {
    {
        std::lock_guard lock(clockMutex());
        if (fixedTime()) return *fixedTime();
    }
    return QDateTime::currentDateTime();
}

Date Clock::now() { return Date::fromQDateTime(nowDateTime()); }

Date Clock::today() { return Date::fromQDate(nowDateTime().date()); }

Date Clock::time() { return now().timePart(); }

void Clock::setFixed(std::optional<QDateTime> fixed) {
    std::lock_guard lock(clockMutex());
    fixedTime() = std::move(fixed);
}

std::optional<QDateTime> Clock::fixed() {
    std::lock_guard lock(clockMutex());
    return fixedTime();
}

FixedClock::FixedClock(const QDateTime& at) : previous_(Clock::fixed()) { Clock::setFixed(at); }

FixedClock::FixedClock(int year, int month, int day, int hour, int minute, int second)
    : FixedClock(QDateTime(QDate(year, month, day), QTime(hour, minute, second))) {}

FixedClock::~FixedClock() { Clock::setFixed(previous_); }

void FixedClock::set(const QDateTime& at) { Clock::setFixed(at); }

}  // namespace core
