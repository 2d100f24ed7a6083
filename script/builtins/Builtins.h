#pragma once
// The built-in functions and constants of the script language, looked up by
// name when a procedure is compiled.

#include "core/Variant.h"

#include <QStringView>
#include <cstddef>
#include <cstdint>

namespace script::builtins {

// The arguments of a built-in, in order; an omitted optional argument is
// simply absent (size() is smaller). Each is read where it lies: a value the
// call made for itself, or a variable or literal of the script, which a
// built-in only reads. A value of the call's own may be taken over instead
// of copied (take), its text cut in place (ownText).
class Args {
  public:
    // Bit i of `own` says that items[i] is the call's own value (past the
    // 32nd argument every one counts as the script's). Two words: the
    // arguments travel in registers.
    Args(core::Variant* const* items, std::size_t count, std::uint32_t own) noexcept
        : items_(items), count_(std::uint32_t(count)), own_(own) {}

    const core::Variant& operator[](std::size_t i) const noexcept { return *items_[i]; }
    std::size_t size() const noexcept { return count_; }
    bool empty() const noexcept { return count_ == 0; }

    // The value of argument i to keep: the call's own moved out, the
    // script's copied.
    core::Variant take(std::size_t i) const { return isOwn(i) ? std::move(*items_[i]) : *items_[i]; }
    // The text of argument i when it is the call's own and nothing else holds
    // its characters, for changing it in place; nullptr otherwise.
    QString* ownText(std::size_t i) const noexcept {
        if (!isOwn(i)) return nullptr;
        QString* text = items_[i]->textForWrite();
        return text && text->isDetached() ? text : nullptr;
    }

  private:
    bool isOwn(std::size_t i) const noexcept { return i < 32 && (own_ >> i & 1u); }
    core::Variant* const* items_;
    std::uint32_t count_;
    std::uint32_t own_;
};

// Errors are raised with script::raiseError.
using Fn = core::Variant (*)(Args args);

struct Info {
    const char* name;
    int minArgs;
    int maxArgs;
    Fn fn;
};

// The built-in function of that name in any letter case; nullptr if none.
const Info* find(QStringView name);

// The language constant of that name (vbCrLf, vbYesNo ...) in any letter
// case; nullptr if none.
const core::Variant* findConstant(QStringView name);

}  // namespace script::builtins
