// Calls of the script engine: the arguments (by reference or as values, and
// array elements written back), built-in functions, members of objects and
// their default members, assignment (Let and Set) and New.

#include "script/Interpreter.h"

#include "core/AppError.h"
#include "script/Errors.h"
#include "script/InterpreterFrames.h"
#include "script/Objects.h"

#include <algorithm>
#include <bit>
#include <new>

namespace script {

using core::CallKind;
using core::Variant;

// ---- running: calls ----------------------------------------------------------

Interpreter::Args::~Args() {
    if (taken) engine.releaseRoom(valuesMark, refsMark);
}

void Interpreter::releaseFrame(SlotStack<FrameSlot>::Mark mark) { slots_.release(mark); }

void Interpreter::releaseRoom(SlotStack<Variant>::Mark values, SlotStack<Variant*>::Mark refs) {
    values_.release(values);
    refs_.release(refs);
}

void Interpreter::evalArgs(const std::vector<ExprP>& args, Args& out, std::size_t extra) {
    out.valuesMark = values_.mark();
    out.refsMark = refs_.mark();
    out.taken = true;
    out.temps = values_.take(args.size());
    out.ptrs = refs_.take(args.size() + extra);
    auto temp = [&out](Variant v) {
        Variant* p = &out.temps[out.tempCount++];
        *p = std::move(v);
        out.add(p);
    };
    for (const auto& a : args) {
        if (!a) {
            temp(Variant::missing());
            continue;
        }
        if (Variant* r = refOf(a.get())) {
            out.add(r);
            continue;
        }
        if (a->kind == EK::Call) {
            const auto* c = static_cast<const CallExpr*>(a.get());
            const Variant* array = c->callee->kind == EK::Name ? refOf(c->callee.get()) : nullptr;
            if (array && array->isArray() && !c->args.empty() &&
                std::all_of(c->args.begin(), c->args.end(), [](const ExprP& i) { return bool(i); })) {
                WriteBack wb;
                wb.array = static_cast<const NameExpr*>(c->callee.get());
                for (const auto& i : c->args) wb.index.push_back(evalScalar(i.get()).toLong());
                // The index expressions may have run code: look the array up again.
                array = refOf(c->callee.get());
                if (!array || !array->isArray()) raiseError(core::kErrTypeMismatch);
                wb.original = array->arrayValue().at(std::span<const std::int32_t>(wb.index));
                wb.temp = out.tempCount;
                temp(wb.original);
                out.back.push_back(std::move(wb));
                continue;
            }
        }
        temp(eval(a.get()));
    }
}

std::vector<std::int32_t> Interpreter::indices(std::span<Variant* const> args) const {
    std::vector<std::int32_t> idx;
    idx.reserve(args.size());
    for (Variant* a : args) idx.push_back(a->resolved().toLong());
    return idx;
}

namespace {

// Evaluating the argument runs no script code: a literal or a variable.
inline bool readsNoCode(const Expr* e) {
    return !e || e->kind == EK::Literal ||
           (e->kind == EK::Name && nameReadsNoCode(*static_cast<const NameExpr*>(e)));
}

}  // namespace

// An argument of a built-in read where it lies: a literal, or a local or
// script-level variable that holds neither an object nor an array (reading
// those can run script code, which could change the variable meanwhile).
inline const Variant* Interpreter::builtinArgInPlace(const Expr* e) const {
    const Variant* v;
    if (e->kind == EK::Literal) {
        v = &static_cast<const LiteralExpr*>(e)->value;
    } else if (e->kind == EK::Name) {
        const auto& n = *static_cast<const NameExpr*>(e);
        if (n.ref == Ref::Local)
            v = var(n.index);
        else if (n.ref == Ref::Constant)
            v = n.constant;
        else if (n.ref == Ref::Global && n.global->kind == GlobalSlot::Variable)
            v = &n.global->value;
        else
            return nullptr;
    } else {
        return nullptr;
    }
    return v->isObject() || v->isArray() ? nullptr : v;
}

namespace {

// The values a built-in call makes for itself (the results of its argument
// expressions), made in place and gone with the call: on the thread's stack
// for a few, on the slot stack for more.
class FewValues {
  public:
    static constexpr std::size_t kSize = 4;
    FewValues() = default;
    FewValues(const FewValues&) = delete;
    FewValues& operator=(const FewValues&) = delete;
    ~FewValues() {
        for (std::uint32_t m = made_; m != 0; m &= m - 1) at(std::size_t(std::countr_zero(m)))->~Variant();
    }
    Variant* put(std::size_t i, Variant&& v) {
        Variant* p = new (at(i)) Variant(std::move(v));
        made_ |= std::uint32_t(1) << i;
        return p;
    }

  private:
    Variant* at(std::size_t i) { return std::launder(reinterpret_cast<Variant*>(raw_)) + i; }
    alignas(Variant) unsigned char raw_[kSize * sizeof(Variant)];
    std::uint32_t made_ = 0;
};

class ManyValues {
  public:
    ManyValues(SlotStack<Variant>& stack, std::size_t n) : values_(stack.take(n)) {}
    Variant* put(std::size_t i, Variant&& v) {
        values_[i] = std::move(v);
        return &values_[i];
    }

  private:
    Variant* values_;  // Empty when taken; cleared when the stack's room is given back
};

}  // namespace

// The arguments into `values` or read where they lie, then the built-in.
template <class Values>
Variant Interpreter::runBuiltin(const builtins::Info* info, const std::vector<ExprP>& args, Values& values,
                                Variant** items, std::size_t inPlaceFrom) {
    const std::size_t n = args.size();
    if (inPlaceFrom == CallExpr::kInPlaceWhenRun) {
        // A variable is read in place when nothing evaluated after it can
        // change it: every argument after it is a literal or a variable.
        inPlaceFrom = n;
        while (inPlaceFrom > 0 && readsNoCode(args[inPlaceFrom - 1].get())) --inPlaceFrom;
        if (inPlaceFrom > 0) --inPlaceFrom;  // the last one that may run code runs after nothing
    }
    std::uint32_t own = 0;
    bool runsCode = false;  // an argument is an object or an array
    for (std::size_t i = 0; i < n; ++i) {
        const Expr* e = args[i].get();
        if (!e) {
            items[i] = values.put(i, Variant::missing());
        } else if (const Variant* v = i >= inPlaceFrom ? builtinArgInPlace(e) : nullptr) {
            items[i] = const_cast<Variant*>(v);  // only read: Args gives it out as const
            continue;
        } else {
            items[i] = values.put(i, eval(e));
            runsCode = runsCode || items[i]->isObject() || items[i]->isArray();
        }
        if (i < 32) own |= std::uint32_t(1) << i;
    }
    // Reading an object or an array's elements may run script code (a
    // default member): then every argument is a value of the call's own.
    if (runsCode) {
        for (std::size_t i = 0; i < n; ++i) {
            if (i < 32 && (own >> i & 1u)) continue;
            items[i] = values.put(i, Variant(*items[i]));
            if (i < 32) own |= std::uint32_t(1) << i;
        }
    }
    // Optional arguments left out at the end are simply absent.
    std::size_t count = n;
    while (count > 0 && int(count) > info->minArgs && items[count - 1]->isMissing()) --count;
    Variant made = info->fn(builtins::Args(items, count, own));
    if (made.isObject()) trackMade(made);
    return made;
}

[[gnu::aligned(64)]] Variant Interpreter::callBuiltin(const builtins::Info* info,
                                                      const std::vector<ExprP>& args) {
    const std::size_t n = args.size();
    if (int(n) < info->minArgs || (info->maxArgs >= 0 && int(n) > info->maxArgs))
        raiseError(core::kErrWrongArguments);
    return runBuiltinCall(info, args, CallExpr::kInPlaceWhenRun);
}

[[gnu::aligned(64)]] Variant Interpreter::callBuiltin(const CallExpr& c) {
    if (!c.argumentsFit) raiseError(core::kErrWrongArguments);
    return runBuiltinCall(c.builtin, c.args, c.inPlaceFrom);
}

[[gnu::aligned(64)]] inline Variant Interpreter::runBuiltinCall(const builtins::Info* info,
                                                                const std::vector<ExprP>& args,
                                                                std::size_t inPlaceFrom) {
    const std::size_t n = args.size();
    if (n == 1 && args[0]) {
        // The most frequent call (Len, CStr, UCase ...): one argument, in
        // place or a value of the call's own.
        Variant value;
        Variant* item = const_cast<Variant*>(builtinArgInPlace(args[0].get()));  // only read
        std::uint32_t own = 0;
        if (!item) {
            value = eval(args[0].get());
            item = &value;
            own = 1;
        }
        const std::size_t count = info->minArgs == 0 && item->isMissing() ? 0 : 1;
        Variant made = info->fn(builtins::Args(&item, count, own));
        if (made.isObject()) trackMade(made);
        return made;
    }
    if (n <= FewValues::kSize) {
        FewValues values;
        Variant* items[FewValues::kSize];
        return runBuiltin(info, args, values, items, inPlaceFrom);
    }
    // Given back (cleared) when the call is done.
    struct Room {
        Interpreter& engine;
        SlotStack<Variant>::Mark values;
        SlotStack<Variant*>::Mark refs;
        ~Room() { engine.releaseRoom(values, refs); }
    } room{*this, values_.mark(), refs_.mark()};
    ManyValues values(values_, n);
    return runBuiltin(info, args, values, refs_.take(n), inPlaceFrom);
}

Variant Interpreter::objectOf(const Expr* e) {
    const auto* m = static_cast<const MemberExpr*>(e);
    return m->object ? eval(m->object.get()) : *var(m->withSlot);
}

Variant Interpreter::invokeOn(const Variant& target, const QString& name, CallKind kind,
                              std::span<Variant* const> args) {
    if (!target.isObject()) raiseError(core::kErrObjectRequired);
    const std::shared_ptr<core::Object> obj = target.objectValue();
    if (!obj) raiseError(core::kErrObjectNotSet);
    if (frame_ && frame_->me && obj.get() == frame_->me) {
        auto it = frame_->me->def()->memberIndex.constFind(name.toLower());
        const int idx = name.isEmpty() ? frame_->me->def()->defaultMember
                                       : (it == frame_->me->def()->memberIndex.constEnd() ? -1 : it.value());
        if (idx < 0) raiseError(core::kErrMemberNotFound);
        return frame_->me->invokeMember(idx, kind, args, true);
    }
    return obj->invoke(name, kind, args);
}

Variant Interpreter::indexOrDefault(const Variant& value, std::span<Variant* const> args, CallKind kind) {
    if (value.isArray()) {
        if (args.empty()) return value;
        const auto idx = indices(args);
        return value.arrayValue().at(std::span<const std::int32_t>(idx));
    }
    if (value.isObject()) return invokeOn(value, QString(), kind, args);
    if (args.empty()) return value;
    raiseError(core::kErrTypeMismatch);
}

Variant Interpreter::evalCall(const Expr* callee, const std::vector<ExprP>& args, CallKind kind) {
    Args a(*this);
    Variant result = evalCallArgs(callee, args, kind, a);
    if (!a.back.empty()) writeBack(a);
    return result;
}

void Interpreter::writeBack(Args& a) {
    for (WriteBack& wb : a.back) {
        const Variant& now = a.temps[wb.temp];
        if (now.identical(wb.original)) continue;
        Variant* v = refOf(wb.array);
        if (!v || !v->isArray()) continue;
        try {
            v->arrayForWrite().at(std::span<const std::int32_t>(wb.index)) = now;
        } catch (const core::AppError&) {
            // The callee made the array smaller: the element is gone.
        }
    }
}

Variant Interpreter::evalCallArgs(const Expr* callee, const std::vector<ExprP>& args, CallKind kind,
                                  Args& a) {
    switch (callee->kind) {
        case EK::Name: {
            const auto& n = *static_cast<const NameExpr*>(callee);
            switch (n.ref) {
                case Ref::Builtin:
                    return callBuiltin(n.builtin, args);
                case Ref::MeMember:
                    evalArgs(args, a);
                    return frame_->me->invokeMember(n.index, kind, a.list(), true);
                case Ref::Global:
                case Ref::Dynamic: {
                    GlobalSlot* g = n.global;
                    if (g->kind == GlobalSlot::Proc) {
                        if (passesDirectly(g->proc, args)) return callDirect(g->proc, args);
                        evalArgs(args, a);
                        return callProcedure(g->proc, nullptr, a.list());
                    }
                    if (g->kind == GlobalSlot::Class) raiseError(core::kErrTypeMismatch);
                    if (g->kind == GlobalSlot::Undefined) {
                        const Variant v =
                            n.ref == Ref::Dynamic && !n.explicitMode ? *var(n.index) : Variant();
                        if (!v.isArray() && !v.isObject()) {
                            if (n.explicitMode && args.empty()) raiseError(core::kErrUndefinedVariable);
                            raiseError(core::kErrUndefinedProcedure,
                                       errorDescription(core::kErrUndefinedProcedure) +
                                           QStringLiteral(": '") + n.name + QLatin1Char('\''));
                        }
                    }
                    break;
                }
                default:
                    break;
            }
            if (args.empty() && kind == CallKind::Method) {
                // A name alone as a statement: only a procedure, an object or a built-in can run.
                const Variant v = evalName(n);
                if (!v.isObject()) raiseError(core::kErrTypeMismatch);
                return invokeOn(v, QString(), kind, {});
            }
            const Variant v = evalName(n);
            evalArgs(args, a);
            return indexOrDefault(v, a.list(), kind);
        }
        case EK::Member: {
            const auto* m = static_cast<const MemberExpr*>(callee);
            const Variant obj = objectOf(m);
            evalArgs(args, a);
            return invokeOn(obj, m->name, kind, a.list());
        }
        case EK::Paren: {
            // (f)(x) calls f with x, (a)(0) indexes a; only a procedure that
            // takes nothing runs first and has its result indexed.
            const Expr* inner = callee;
            while (inner->kind == EK::Paren) inner = static_cast<const ParenExpr*>(inner)->inner.get();
            bool runsFirst = false;
            if (inner->kind == EK::Name) {
                const auto& n = *static_cast<const NameExpr*>(inner);
                runsFirst = (n.ref == Ref::Global || n.ref == Ref::Dynamic) &&
                            n.global->kind == GlobalSlot::Proc && n.global->proc->params.empty() &&
                            !args.empty();
            }
            if (!runsFirst && (inner->kind == EK::Name || inner->kind == EK::Member))
                return evalCallArgs(inner, args, kind, a);
            const Variant v = eval(callee);
            evalArgs(args, a);
            return indexOrDefault(v, a.list(), kind);
        }
        default: {
            const Variant v = eval(callee);
            evalArgs(args, a);
            return indexOrDefault(v, a.list(), kind);
        }
    }
}

void Interpreter::assign(const Expr* target, Variant value, bool isSet) {
    if (isSet && !value.isObject()) raiseError(core::kErrObjectRequired);
    const CallKind kind = isSet ? CallKind::PropertySet : CallKind::PropertyLet;
    switch (target->kind) {
        case EK::Name: {
            const auto& n = *static_cast<const NameExpr*>(target);
            if (n.ref == Ref::MeMember) {
                Variant* p = &value;
                frame_->me->invokeMember(n.index, kind, std::span<Variant* const>(&p, 1), true);
                return;
            }
            *variableRef(n, true) = std::move(value);
            return;
        }
        case EK::Member: {
            const auto* m = static_cast<const MemberExpr*>(target);
            const Variant obj = objectOf(m);
            Variant* p = &value;
            invokeOn(obj, m->name, kind, std::span<Variant* const>(&p, 1));
            return;
        }
        case EK::Call: {
            const auto* c = static_cast<const CallExpr*>(target);
            Args a(*this);
            const Expr* callee = c->callee.get();
            if (callee->kind == EK::Name) {
                const auto& n = *static_cast<const NameExpr*>(callee);
                if (n.ref == Ref::MeMember) {
                    evalArgs(c->args, a, 1);
                    a.add(&value);
                    frame_->me->invokeMember(n.index, kind, a.list(), true);
                    return;
                }
                Variant* v = refOf(callee);
                if (!v) raiseError(core::kErrIllegalAssignment);
                if (v->isArray()) {
                    evalArgs(c->args, a);
                    const auto idx = indices(a.list());
                    v->arrayForWrite().at(std::span<const std::int32_t>(idx)) = std::move(value);
                    return;
                }
                if (!v->isObject()) raiseError(core::kErrTypeMismatch);
                const Variant obj = *v;
                evalArgs(c->args, a, 1);
                a.add(&value);
                invokeOn(obj, QString(), kind, a.list());
                return;
            }
            if (callee->kind == EK::Member) {
                const auto* m = static_cast<const MemberExpr*>(callee);
                const Variant obj = objectOf(m);
                evalArgs(c->args, a, 1);
                a.add(&value);
                invokeOn(obj, m->name, kind, a.list());
                return;
            }
            raiseError(core::kErrIllegalAssignment);
        }
        default:
            raiseError(core::kErrIllegalAssignment);
    }
}

Variant Interpreter::newInstance(const ClassDef* cls) {
    auto inst = std::make_shared<ClassInstance>(this, cls, life_, modules_);
    inst->fields = cls->fieldInit;
    if (cls->initialize) callProcedure(cls->initialize, inst.get(), {});
    return Variant(std::move(inst));
}
}  // namespace script
