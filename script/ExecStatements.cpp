// The running of statements: a procedure's frame and call, blocks and
// statements with the error handling of On Error, the loops (For, For Each,
// Do and While), Dim and ReDim, and the statement form of a call.

#include "script/Interpreter.h"

#include "core/AppError.h"
#include "script/Errors.h"
#include "script/InterpreterFrames.h"
#include "script/Objects.h"

#include <algorithm>

namespace script {

using core::CallKind;
using core::Variant;

namespace {

// The start, end or step of a For loop: a text counts as the number it holds.
Variant loopNumber(const Variant& v) { return v.isString() ? Variant(v.toDouble()) : v; }

bool isWhole(const Variant& v) { return v.kind() == core::VType::Integer || v.kind() == core::VType::Long; }

std::int64_t wholeValue(const Variant& v) {
    return v.kind() == core::VType::Integer ? v.integerValue() : v.longValue();
}

// Integer + Integer stays Integer, with Long it is Long; what overflows goes
// to the next wider kind, as the language's + does.
Variant wholeSum(const Variant& a, const Variant& b, std::int64_t sum) {
    const bool bothInteger = a.kind() == core::VType::Integer && b.kind() == core::VType::Integer;
    if (bothInteger && sum >= INT16_MIN && sum <= INT16_MAX) return Variant(std::int16_t(sum));
    if (sum >= INT32_MIN && sum <= INT32_MAX) return Variant(std::int32_t(sum));
    return Variant(double(sum));
}

// Any exception as the error the script sees.
core::AppError asAppError(std::exception_ptr p) {
    try {
        std::rethrow_exception(p);
    } catch (const core::AppError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return core::AppError(core::kErrOutOfMemory, errorSource(), errorDescription(core::kErrOutOfMemory));
    } catch (const std::exception& e) {
        return core::AppError(core::kErrAutomation, errorSource(), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return core::AppError(core::kErrInternal, errorSource(), errorDescription(core::kErrInternal));
    }
}

}  // namespace

// ---- running: statements ----------------------------------------------------

namespace {
struct FrameGuard {
    Frame*& current;
    FrameSlot*& currentCells;
    Frame* saved;
    FrameSlot* savedCells;
    int& depth;
    FrameGuard(Frame*& cur, FrameSlot*& cells, Frame* next, int& d)
        : current(cur), currentCells(cells), saved(cur), savedCells(cells), depth(d) {
        current = next;
        currentCells = next->cells;
        ++depth;
    }
    ~FrameGuard() {
        current = saved;
        currentCells = savedCells;
        --depth;
    }
};
}  // namespace

[[gnu::always_inline]] inline Variant Interpreter::runFrame(const Procedure* proc, ClassInstance* me,
                                                            FrameSlot* cells) {
    const char marker = 0;
    if (depth_ >= kMaxDepth || reinterpret_cast<std::uintptr_t>(&marker) < stackLimit_)
        raiseError(core::kErrOutOfStack);
    tick();
    Frame f;
    f.proc = proc;
    f.me = me;
    f.cells = cells;
    {
        FrameGuard guard(frame_, cells_, &f, depth_);
        execBlock(proc->body);
    }
    if (proc->kind == ProcKind::Function || proc->kind == ProcKind::PropertyGet)
        return std::move(cells[0].value);
    return Variant();
}

Variant Interpreter::callProcedure(const Procedure* proc, ClassInstance* me, std::span<Variant* const> args) {
    if (args.size() != proc->params.size()) raiseError(core::kErrWrongArguments);
    // The slots live on the engine's slot stack, cleared from the first to
    // the last when the call ends.
    FrameRoom room(*this);
    FrameSlot* cells = takeFrame(proc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        FrameSlot& slot = cells[std::size_t(proc->firstParamSlot) + i];
        if (proc->params[i].byVal)
            slot.value = *args[i];
        else
            slot.ref = args[i];
    }
    return runFrame(proc, me, cells);
}

[[gnu::aligned(64)]] Variant Interpreter::callDirect(const Procedure* proc, const std::vector<ExprP>& args) {
    FrameRoom room(*this);
    FrameSlot* cells = takeFrame(proc);
    // Each argument straight into its parameter's slot: a variable by
    // reference, any other value as the slot's own.
    bool copyLater = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        FrameSlot& slot = cells[std::size_t(proc->firstParamSlot) + i];
        const Expr* a = args[i].get();
        if (!a) {
            slot.value = Variant::missing();
        } else if (a->kind == EK::Binary) {
            const auto& b = *static_cast<const BinaryExpr*>(a);
            if (b.shape == Shape::LocalWithWhole && wholeWithLiteral(b, *var(b.localSlot), slot.value))
                continue;
            slot.value = evalBinary(b);
        } else if (Variant* r = refOf(a)) {
            slot.ref = r;
            copyLater = copyLater || proc->params[i].byVal;
        } else {
            slot.value = eval(a);
        }
    }
    // A variable given ByVal is copied once every argument is evaluated.
    if (copyLater) {
        for (std::size_t i = 0; i < args.size(); ++i) {
            FrameSlot& slot = cells[std::size_t(proc->firstParamSlot) + i];
            if (!proc->params[i].byVal || slot.ref == &slot.value) continue;
            slot.value = *slot.ref;
            slot.ref = &slot.value;
        }
    }
    return runFrame(proc, nullptr, cells);
}

// Out of the way of execBlock, whose frame every nested call repeats.
void Interpreter::statementFailed(const Stmt& st, std::exception_ptr error) {
    core::AppError e = asAppError(error);
    if (e.line() == 0) e.setPosition(st.line, st.column);
    if (!frame_->resumeNext || aborting_) throw e;
    recordError(e);
}

// Inlined into execBlock: a statement in a block, an If's branch included,
// costs no call of its own.
[[gnu::always_inline]] inline Interpreter::Flow Interpreter::execStmt(const Stmt& st) {
    switch (st.kind) {
        case SK::Assign: {
            const auto& a = static_cast<const AssignStmt&>(st);
            const Expr* value = a.value.get();
            // s = s & ...: appended in place when it can be.
            if (value->kind == EK::Binary && static_cast<const BinaryExpr*>(value)->op == Op::Concat &&
                tryAppend(a))
                return Flow::Normal;
            const Expr* target = a.target.get();
            if (!a.isSet && target->kind == EK::Name) {
                // A variable, the common case: written directly.
                const auto& n = *static_cast<const NameExpr*>(target);
                if (n.ref == Ref::Local) {
                    if (value->kind == EK::Name && static_cast<const NameExpr*>(value)->ref == Ref::Local) {
                        // One local into another (Fib = n): copied without a value between.
                        const Variant& from = *var(static_cast<const NameExpr*>(value)->index);
                        if (!from.isObject()) {
                            *var(n.index) = from;
                            return Flow::Normal;
                        }
                    }
                    Variant v = evalScalar(value);
                    *var(n.index) = std::move(v);
                    return Flow::Normal;
                }
                if (n.ref == Ref::Global) {
                    Variant v = evalScalar(value);
                    if (n.global->kind == GlobalSlot::Variable)
                        n.global->value = std::move(v);
                    else
                        assign(target, std::move(v), false);
                    return Flow::Normal;
                }
            }
            assign(target, a.isSet ? eval(value) : evalScalar(value), a.isSet);
            return Flow::Normal;
        }
        case SK::If: {
            const auto& i = static_cast<const IfStmt&>(st);
            for (const auto& br : i.branches)
                if (condition(br.first.get())) return execBlock(br.second);
            return execBlock(i.elseBlock);
        }
        default:
            return execOtherStmt(st);
    }
}

[[gnu::aligned(64)]] Interpreter::Flow Interpreter::execBlock(const Block& b) {
    for (const auto& sp : b) {
        const Stmt& st = *sp;
        Flow flow;
        try {
            flow = execStmt(st);
        } catch (...) {
            statementFailed(st, std::current_exception());
            if (terminatesDue_) [[unlikely]]
                runTerminatesAfter(st.line, st.column);
            continue;
        }
        // The statement is done: the instances it let go of are terminated.
        if (terminatesDue_) [[unlikely]]
            runTerminatesAfter(st.line, st.column);
        if (flow != Flow::Normal) return flow;
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::execOtherStmt(const Stmt& st) {
    switch (st.kind) {
        case SK::Assign:
        case SK::If:
            return execStmt(st);
        case SK::CallStmt:
            execCallStmt(static_cast<const CallStmt&>(st));
            return Flow::Normal;
        case SK::Dim:
            execDim(static_cast<const DimStmt&>(st));
            return Flow::Normal;
        case SK::Erase:
            for (const auto& n : static_cast<const EraseStmt&>(st).names) {
                Variant* v = variableRef(*n, true);
                if (!v->isArray()) raiseError(core::kErrTypeMismatch);
                v->arrayForWrite().erase();
            }
            return Flow::Normal;
        case SK::Select: {
            const auto& sel = static_cast<const SelectStmt&>(st);
            const Variant subject = evalScalar(sel.subject.get());
            core::CompareOptions o;
            o.leftLiteral = isLiteral(sel.subject.get());
            for (const auto& c : sel.cases) {
                if (c.values.empty()) return execBlock(c.body);
                for (const auto& v : c.values) {
                    o.rightLiteral = isLiteral(v.get());
                    if (core::eq(subject, evalScalar(v.get()), o).isTrue()) return execBlock(c.body);
                }
            }
            return Flow::Normal;
        }
        case SK::For:
            return execFor(static_cast<const ForStmt&>(st));
        case SK::ForEach:
            return execForEach(static_cast<const ForEachStmt&>(st));
        case SK::Do:
            return execDo(static_cast<const DoStmt&>(st));
        case SK::Exit:
            switch (static_cast<const ExitStmt&>(st).what) {
                case ExitKind::Do:
                    return Flow::ExitDo;
                case ExitKind::For:
                    return Flow::ExitFor;
                default:
                    err_->clear();
                    return Flow::ExitProc;
            }
        case SK::With: {
            const auto& w = static_cast<const WithStmt&>(st);
            Variant* slot = var(w.slot);
            *slot = eval(w.object.get());
            struct Clear {
                Variant* v;
                ~Clear() { *v = Variant(); }
            } clear{slot};
            return execBlock(w.body);
        }
        case SK::OnError:
            frame_->resumeNext = static_cast<const OnErrorStmt&>(st).resumeNext;
            err_->clear();
            return Flow::Normal;
        case SK::Nop:
            return Flow::Normal;
    }
    return Flow::Normal;
}

[[gnu::aligned(64)]] Interpreter::Flow Interpreter::execFor(const ForStmt& st) {
    Variant* var = variableRef(*static_cast<const NameExpr*>(st.var.get()), true);
    const Variant from = evalScalar(st.from.get());
    const Variant to0 = evalScalar(st.to.get());
    const Variant step0 = st.step ? evalScalar(st.step.get()) : Variant(std::int16_t(1));
    if (from.isNull() || to0.isNull() || step0.isNull()) raiseError(core::kErrInvalidNull);
    const Variant to = loopNumber(to0);
    const Variant step = loopNumber(step0);
    const auto sign = core::compare(step, Variant(std::int16_t(0)));
    if (!sign) raiseError(core::kErrInvalidNull);
    if (!core::isNumeric(from) || !core::isNumeric(to) || !core::isNumeric(step))
        raiseError(core::kErrTypeMismatch);
    const bool down = *sign < 0;
    const bool wholeStep = isWhole(step);
    const bool wholeEnd = isWhole(to);
    const std::int64_t stepValue = wholeStep ? wholeValue(step) : 0;
    const std::int64_t endValue = wholeEnd ? wholeValue(to) : 0;
    *var = loopNumber(from);
    for (;;) {
        int c;
        if (wholeEnd && isWhole(*var)) {
            const std::int64_t x = wholeValue(*var);
            c = x < endValue ? -1 : x > endValue ? 1 : 0;
        } else {
            const auto cmp = core::compare(*var, to);
            if (!cmp) raiseError(core::kErrInvalidNull);
            c = *cmp;
        }
        if (down ? c < 0 : c > 0) break;
        const Flow f = execBlock(st.body);
        if (f == Flow::ExitFor) break;
        if (f != Flow::Normal) return f;
        tick();
        if (wholeStep && isWhole(*var))
            *var = wholeSum(*var, step, wholeValue(*var) + stepValue);
        else
            *var = core::add(*var, step);
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::execForEach(const ForEachStmt& st) {
    Variant* var = variableRef(*static_cast<const NameExpr*>(st.var.get()), true);
    const Variant coll = eval(st.collection.get());
    if (coll.isArray()) {
        // The loop holds the array as it was: a change the body makes to the
        // variable copies the array first (copies never see each other's
        // changes), so its elements are visited where they lie.
        const std::vector<Variant>& items = coll.arrayValue().elements();
        for (std::size_t i = 0; i < items.size(); ++i) {
            *var = items[i];
            const Flow f = execBlock(st.body);
            if (f == Flow::ExitFor) break;
            if (f != Flow::Normal) return f;
            tick();
        }
        return Flow::Normal;
    }
    if (!coll.isObject()) raiseError(core::kErrNotCollection);
    if (coll.isNothing()) raiseError(core::kErrObjectNotSet);
    std::vector<Variant> items = coll.objectValue()->enumerate();
    for (auto& item : items) {
        *var = std::move(item);
        const Flow f = execBlock(st.body);
        if (f == Flow::ExitFor) break;
        if (f != Flow::Normal) return f;
        tick();
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::execDo(const DoStmt& st) {
    for (;;) {
        if (st.preCond) {
            const bool t = condition(st.preCond.get());
            if (st.preUntil == t) break;
        }
        const Flow f = execBlock(st.body);
        if (f == Flow::ExitDo && !st.isWhile) break;
        if (f != Flow::Normal) return f;
        if (st.postCond) {
            const bool t = condition(st.postCond.get());
            if (st.postUntil == t) break;
        }
        tick();
    }
    return Flow::Normal;
}

void Interpreter::execDim(const DimStmt& st) {
    for (const auto& item : st.items) {
        if (!item.isArray) continue;
        Variant* v = variableRef(*item.name, true);
        if (item.bounds.empty()) {
            *v = Variant(core::VariantArray());
            continue;
        }
        if (st.redim && v->isArray() && v->arrayValue().isFixed()) raiseError(core::kErrFixedArray);
        std::vector<core::ArrayBound> bounds;
        for (const auto& b : item.bounds) bounds.push_back(dimBound(evalScalar(b.get())));
        if (!st.redim) {
            core::VariantArray a(std::move(bounds));
            a.setFixed(true);
            *v = Variant(std::move(a));
        } else if (v->isArray()) {
            v->arrayForWrite().redim(std::move(bounds), st.preserve);
        } else {
            *v = Variant(core::VariantArray(std::move(bounds)));
        }
    }
}

void Interpreter::execCallStmt(const CallStmt& st) {
    const Expr* e = st.call.get();
    switch (e->kind) {
        case EK::Call: {
            const auto* c = static_cast<const CallExpr*>(e);
            evalCall(c->callee.get(), c->args, CallKind::Method);
            return;
        }
        case EK::Name:
        case EK::Member: {
            static const std::vector<ExprP> none;
            evalCall(e, none, CallKind::Method);
            return;
        }
        default:
            raiseError(core::kErrTypeMismatch);
    }
}
}  // namespace script
