#pragma once
// Today and now come from here, so that tests can fix the date and time.

#include "core/Date.h"

#include <QDateTime>
#include <optional>

namespace core {

class Clock {
  public:
    // The current local date and time (the fixed one while set).
    static QDateTime nowDateTime();
    static Date now();    // date and time, to the second
    static Date today();  // date only
    static Date time();   // time of day only

    // Fixes the clock (std::nullopt returns to the system clock). Prefer
    // FixedClock, which puts the previous state back.
    static void setFixed(std::optional<QDateTime> fixed);
    static std::optional<QDateTime> fixed();
};

// Fixes the clock for its lifetime and then restores what was there before.
class FixedClock {
  public:
    explicit FixedClock(const QDateTime& at);
    FixedClock(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    ~FixedClock();
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;

    // Moves the fixed time on (or sets it anew) while the guard lives.
    void set(const QDateTime& at);

  private:
    std::optional<QDateTime> previous_;
};

}  // namespace core
