#pragma once
// Short makers of values for the tables of cases.

#include "core/AppError.h"
#include "core/Variant.h"

#include <functional>

namespace coretest {

inline core::Variant I(int v) { return core::Variant(std::int16_t(v)); }
inline core::Variant L(int v) { return core::Variant(std::int32_t(v)); }
inline core::Variant B(int v) { return core::Variant(std::uint8_t(v)); }
inline core::Variant C(double v) { return core::Variant(core::Currency::fromDouble(v)); }
inline core::Variant S(const char* v) { return core::Variant(QString::fromUtf8(v)); }

// The number of the AppError that f raises, 0 when it raises none.
inline int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const core::AppError& e) {
        return int(e.number());
    }
    return 0;
}

}  // namespace coretest
