// The objects the language itself makes: an instance of a class of the
// script (its members, its Class_Terminate) and the Err object.

#include "script/Interpreter.h"

#include "core/AppError.h"
#include "script/Errors.h"
#include "script/Objects.h"

namespace script {

using core::CallKind;
using core::Variant;

// ---- the language's objects -------------------------------------------------

ClassInstance::ClassInstance(Interpreter* interp, const ClassDef* def, std::shared_ptr<EngineLife> life,
                             std::shared_ptr<const void> code)
    : born_(interp->terminateChain_),
      interp_(interp),
      def_(def),
      life_(std::move(life)),
      code_(std::move(code)) {
    life_->instances.insert(this);
}

ClassInstance::~ClassInstance() {
    life_->instances.remove(this);
    if (terminated_ || !life_->alive || !def_->terminate || interp_->isAborting()) return;
    // The last reference went in the middle of some change (an assignment,
    // an Erase, a dictionary's Remove ...): a terminate run now could change
    // the very variable, array or dictionary being changed. The fields move
    // to a twin, whose terminate the engine runs after the statement.
    try {
        auto twin = std::make_shared<ClassInstance>(interp_, def_, life_, code_);
        twin->fields = std::move(fields);
        twin->terminated_ = true;
        twin->born_ = born_;
        interp_->deferTerminate(std::move(twin));
    } catch (...) {
        // Out of memory: the instance goes without its terminate.
    }
}

Variant ClassInstance::invoke(const QString& name, CallKind kind, std::span<Variant* const> args) {
    if (!life_->alive) raiseError(core::kErrInternal);
    int idx = def_->defaultMember;
    if (!name.isEmpty()) {
        auto it = def_->memberIndex.constFind(name.toLower());
        idx = it == def_->memberIndex.constEnd() ? -1 : it.value();
    }
    if (idx < 0) raiseError(core::kErrMemberNotFound);
    return invokeMember(idx, kind, args, false);
}

Variant ClassInstance::invokeMember(int index, CallKind kind, std::span<Variant* const> args,
                                    bool allowPrivate) {
    const ClassMember& m = def_->members[std::size_t(index)];
    if (!allowPrivate && !m.isPublic) raiseError(core::kErrMemberNotFound);
    const bool isLet = kind == CallKind::PropertyLet || kind == CallKind::PropertySet;
    if (m.field >= 0) {
        Variant& f = fields[std::size_t(m.field)];
        if (!isLet) return args.empty() ? f : interp_->indexOrDefault(f, args, kind);
        if (args.empty()) raiseError(core::kErrWrongArguments);
        Variant& value = *args.back();
        const auto index_args = args.first(args.size() - 1);
        if (index_args.empty()) {
            if (kind == CallKind::PropertySet && !value.isObject()) raiseError(core::kErrObjectRequired);
            f = kind == CallKind::PropertySet ? value : value.resolved();
            return Variant();
        }
        if (f.isArray()) {
            const auto idx = interp_->indices(index_args);
            f.arrayForWrite().at(std::span<const std::int32_t>(idx)) = value;
            return Variant();
        }
        if (f.isObject()) return interp_->invokeOn(f, QString(), kind, args);
        raiseError(core::kErrTypeMismatch);
    }
    const Procedure* p = kind == CallKind::PropertyLet   ? m.let
                         : kind == CallKind::PropertySet ? m.set
                                                         : m.get;
    if (!p) raiseError(isLet ? 450 : 438);
    if (!isLet && args.size() > p->params.size() && p->params.empty()) {
        // obj.Items(3) where Items returns an array or an object.
        const Variant v = interp_->callProcedure(p, this, {});
        return interp_->indexOrDefault(v, args, kind);
    }
    return interp_->callProcedure(p, this, args);
}

void ErrObject::clear() {
    number_ = 0;
    description_.clear();
    source_.clear();
}

void ErrObject::set(const core::AppError& e) {
    number_ = e.number();
    description_ = e.description();
    source_ = e.source();
}

Variant ErrObject::invoke(const QString& name, CallKind kind, std::span<Variant* const> args) {
    const QString n = name.toLower();
    const bool isLet = kind == CallKind::PropertyLet;
    auto arg = [&](std::size_t i) -> const Variant* {
        return i < args.size() && !args[i]->isMissing() ? args[i] : nullptr;
    };
    if (n.isEmpty() || n == QLatin1String("number")) {
        if (isLet) {
            number_ = args.back()->resolved().toLong();
            return Variant();
        }
        return Variant(std::int32_t(number_));
    }
    if (n == QLatin1String("description")) {
        if (isLet) {
            description_ = args.back()->resolved().toString();
            return Variant();
        }
        return Variant(description_);
    }
    if (n == QLatin1String("source")) {
        if (isLet) {
            source_ = args.back()->resolved().toString();
            return Variant();
        }
        return Variant(source_);
    }
    if (n == QLatin1String("helpfile")) return isLet ? Variant() : Variant(QString());
    if (n == QLatin1String("helpcontext")) return isLet ? Variant() : Variant(std::int32_t(0));
    if (n == QLatin1String("clear")) {
        clear();
        return Variant();
    }
    if (n == QLatin1String("raise")) {
        if (!arg(0) || args.size() > 5) raiseError(core::kErrWrongArguments);
        const long number = arg(0)->resolved().toLong();
        if (number == 0) raiseError(core::kErrInvalidCall);
        const QString source = arg(1) ? arg(1)->resolved().toString() : errorSource();
        const QString description = arg(2) ? arg(2)->resolved().toString() : errorDescription(int(number));
        throw core::AppError(number, source, description);
    }
    raiseError(core::kErrMemberNotFound);
}

}  // namespace script
