#include "script/ScriptControl.h"

#include "core/AppError.h"
#include "script/Errors.h"

namespace script {

ScriptControl::ScriptControl()
    : language_(QStringLiteral("VBScript")), interp_(std::make_unique<Interpreter>()) {}

ScriptControl::~ScriptControl() = default;

void ScriptControl::setLanguage(const QString& language) {
    if (language.compare(QLatin1String("vbscript"), Qt::CaseInsensitive) != 0)
        raiseError(core::kErrInvalidCall, QStringLiteral("Linguaggio di script non supportato: ") + language);
    language_ = language;
}

void ScriptControl::setTimeout(int ms) {
    timeout_ = ms;
    interp_->setTimeout(ms > 0 ? ms : 0);
}

template <class Fn>
auto ScriptControl::guarded(Fn&& fn) -> decltype(fn()) {
    error_.Clear();
    try {
        return fn();
    } catch (const core::AppError& e) {
        error_.Number = e.number();
        error_.Description = e.description();
        error_.Source = e.source();
        error_.Line = e.line();
        error_.Column = e.column();
        throw;
    }
}

void ScriptControl::AddCode(const QString& text) {
    guarded([&] { interp_->addCode(text); });
}

void ScriptControl::AddObject(const QString& name, std::shared_ptr<core::Object> object) {
    interp_->addObject(name, std::move(object));
}

core::Variant ScriptControl::Run(const QString& name, std::span<core::Variant* const> args) {
    return guarded([&] { return interp_->run(name, args); });
}

core::Variant ScriptControl::Run(const QString& name, std::vector<core::Variant>& args) {
    std::vector<core::Variant*> ptrs;
    ptrs.reserve(args.size());
    for (auto& a : args) ptrs.push_back(&a);
    return Run(name, std::span<core::Variant* const>(ptrs));
}

core::Variant ScriptControl::Run(const QString& name) { return Run(name, std::span<core::Variant* const>()); }

bool ScriptControl::HasProcedure(const QString& name) const { return interp_->hasProcedure(name); }

void ScriptControl::Reset() {
    // The code of a running call cannot go away under it (a host object that
    // resets the control from inside the script).
    if (interp_->isRunning())
        raiseError(core::kErrInvalidCall,
                   QStringLiteral("Impossibile reimpostare lo script mentre è in esecuzione"));
    interp_ = std::make_unique<Interpreter>();
    interp_->setTimeout(timeout_ > 0 ? timeout_ : 0);
    interp_->setCancelFlag(cancelFlag_);
    interp_->setPollCallback(poll_);
    error_.Clear();
}

void ScriptControl::Cancel() { interp_->cancel(); }

void ScriptControl::setCancelFlag(const std::atomic<bool>* flag) {
    cancelFlag_ = flag;
    interp_->setCancelFlag(flag);
}

void ScriptControl::setPollCallback(std::function<void()> poll) {
    poll_ = poll;
    interp_->setPollCallback(std::move(poll));
}

}  // namespace script
