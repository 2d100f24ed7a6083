// The evaluation of expressions: the operands read in place where they can,
// the operators, the in-place append of an & run, names, and the variables
// an expression stands for when it is assigned or passed by reference.

#include "script/Interpreter.h"

#include "core/AppError.h"
#include "core/ValueError.h"
#include "script/Errors.h"
#include "script/InterpreterFrames.h"
#include "script/Objects.h"
#include "script/builtins/RegExp.h"

#include <cmath>
#include <iterator>
#include <vector>

namespace script {

using core::CallKind;
using core::Variant;

namespace {

bool isWholeKind(core::VType t) { return t == core::VType::Integer || t == core::VType::Long; }

// The operators on Integer, Long and Double operands, the counters and sums
// of loops, without the general promotion: the same results as core's
// operators (Integer and Long widen on overflow, a comparison of numbers
// ignores the literal options). False: the general way decides.
[[gnu::always_inline]] inline bool numericFast(Op op, const Variant& a, const Variant& b, Variant& out) {
    const core::VType ta = a.kind(), tb = b.kind();
    const bool wa = isWholeKind(ta), wb = isWholeKind(tb);
    if (wa && wb) {
        const std::int64_t x = ta == core::VType::Integer ? a.integerValue() : a.longValue();
        const std::int64_t y = tb == core::VType::Integer ? b.integerValue() : b.longValue();
        std::int64_t r;
        switch (op) {
            case Op::Add:
                r = x + y;
                break;
            case Op::Sub:
                r = x - y;
                break;
            case Op::Mul:
                r = x * y;
                break;
            case Op::Eq:
                out = Variant(x == y);
                return true;
            case Op::Ne:
                out = Variant(x != y);
                return true;
            case Op::Lt:
                out = Variant(x < y);
                return true;
            case Op::Gt:
                out = Variant(x > y);
                return true;
            case Op::Le:
                out = Variant(x <= y);
                return true;
            case Op::Ge:
                out = Variant(x >= y);
                return true;
            default:
                return false;
        }
        if (ta == core::VType::Integer && tb == core::VType::Integer && r >= INT16_MIN && r <= INT16_MAX)
            out = Variant(std::int16_t(r));
        else if (r >= INT32_MIN && r <= INT32_MAX)
            out = Variant(std::int32_t(r));
        else
            out = Variant(double(r));
        return true;
    }
    const bool da = ta == core::VType::Double, db = tb == core::VType::Double;
    if (!((da && (db || wb)) || (db && wa))) return false;
    const double x = da ? a.doubleValue() : ta == core::VType::Integer ? a.integerValue() : a.longValue();
    const double y = db ? b.doubleValue() : tb == core::VType::Integer ? b.integerValue() : b.longValue();
    double r;
    switch (op) {
        case Op::Add:
            r = x + y;
            break;
        case Op::Sub:
            r = x - y;
            break;
        case Op::Mul:
            r = x * y;
            break;
        case Op::Eq:
            out = Variant(!(x < y) && !(x > y));
            return true;
        case Op::Ne:
            out = Variant(x < y || x > y);
            return true;
        case Op::Lt:
            out = Variant(x < y);
            return true;
        case Op::Gt:
            out = Variant(x > y);
            return true;
        case Op::Le:
            out = Variant(!(x > y));
            return true;
        case Op::Ge:
            out = Variant(!(x < y));
            return true;
        default:
            return false;
    }
    if (!std::isfinite(r)) return false;  // the overflow error comes from the general way
    out = Variant(r);
    return true;
}

}  // namespace

Variant applyBinary(Op op, const Variant& a, const Variant& b, const core::CompareOptions& o) {
    if (Variant fast; numericFast(op, a, b, fast)) return fast;
    switch (op) {
        case Op::Pow:
            return core::pow(a, b);
        case Op::Mul:
            return core::mul(a, b);
        case Op::Div:
            return core::div(a, b);
        case Op::IntDiv:
            return core::intDiv(a, b);
        case Op::Mod:
            return core::mod(a, b);
        case Op::Add:
            return core::add(a, b);
        case Op::Sub:
            return core::sub(a, b);
        case Op::Concat:
            return core::concat(a, b);
        case Op::Eq:
            return core::eq(a, b, o);
        case Op::Ne:
            return core::ne(a, b, o);
        case Op::Lt:
            return core::lt(a, b, o);
        case Op::Gt:
            return core::gt(a, b, o);
        case Op::Le:
            return core::le(a, b, o);
        case Op::Ge:
            return core::ge(a, b, o);
        case Op::Is:
            return Variant(core::sameObject(a, b));
        case Op::And:
            return core::opAnd(a, b);
        case Op::Or:
            return core::opOr(a, b);
        case Op::Xor:
            return core::opXor(a, b);
        case Op::Eqv:
            return core::opEqv(a, b);
        case Op::Imp:
            return core::opImp(a, b);
        case Op::Neg:
            return core::neg(a);
        case Op::Not:
            return core::opNot(a);
    }
    return Variant();
}

// ---- running: expressions ---------------------------------------------------

inline const Variant* Interpreter::directOperand(const Expr* e) const {
    if (e->kind == EK::Literal) return &static_cast<const LiteralExpr*>(e)->value;
    if (e->kind != EK::Name) return nullptr;
    const auto& n = *static_cast<const NameExpr*>(e);
    const Variant* v;
    if (n.ref == Ref::Local)
        v = var(n.index);
    else if (n.ref == Ref::Global && n.global->kind == GlobalSlot::Variable)
        v = &n.global->value;
    else
        return nullptr;
    return v->isObject() ? nullptr : v;
}

[[gnu::aligned(64)]] Variant Interpreter::eval(const Expr* e) {
    switch (e->kind) {
        case EK::Literal:
            return static_cast<const LiteralExpr*>(e)->value;
        case EK::Name:
            return evalName(*static_cast<const NameExpr*>(e));
        case EK::Paren:
            return eval(static_cast<const ParenExpr*>(e)->inner.get());
        case EK::Member: {
            static const std::vector<ExprP> none;
            return evalCall(e, none, CallKind::PropertyGet);
        }
        case EK::Call: {
            const auto* c = static_cast<const CallExpr*>(e);
            // A built-in, or a function of the script called with plain
            // arguments: straight into it.
            if (c->shape == Shape::ScriptCall) {
                const GlobalSlot* g = c->global;
                if (g->kind == GlobalSlot::Proc && g->proc->params.size() == c->args.size())
                    return callDirect(g->proc, c->args);
            } else if (c->shape == Shape::BuiltinCall) {
                return callBuiltin(*c);
            }
            return evalCall(c->callee.get(), c->args, CallKind::PropertyGet);
        }
        case EK::Binary:
            return evalBinary(*static_cast<const BinaryExpr*>(e));
        default:
            return evalOther(e);
    }
}

Variant Interpreter::evalOther(const Expr* e) {
    switch (e->kind) {
        case EK::Me: {
            auto self = frame_->me ? frame_->me->weak_from_this().lock() : nullptr;
            return Variant(std::move(self));
        }
        case EK::New: {
            const auto* n = static_cast<const NewExpr*>(e);
            if (n->global->kind != GlobalSlot::Class) {
                // The language's own class, unless the script defines one of that name.
                if (n->className.compare(QLatin1String("RegExp"), Qt::CaseInsensitive) == 0)
                    return Variant(std::make_shared<builtins::RegExp>());
                raiseError(core::kErrUndefinedClass);
            }
            return newInstance(n->global->cls);
        }
        case EK::Unary: {
            const auto* u = static_cast<const UnaryExpr*>(e);
            const Variant v = evalScalar(u->operand.get());
            return u->op == Op::Neg ? core::neg(v) : core::opNot(v);
        }
        default:
            return Variant();
    }
}

[[gnu::aligned(64)]] const Variant& Interpreter::operand(const Expr* e, Variant& holder) {
    const Variant* p = nullptr;
    if (e->kind == EK::Literal) {
        p = &static_cast<const LiteralExpr*>(e)->value;
    } else if (e->kind == EK::Name) {
        const auto& n = *static_cast<const NameExpr*>(e);
        switch (n.ref) {
            case Ref::Local:
                p = var(n.index);
                break;
            case Ref::Field:
                p = &frame_->me->fields[std::size_t(n.index)];
                break;
            case Ref::Constant:
                p = n.constant;
                break;
            case Ref::Global:
            case Ref::Dynamic:
                if (n.global->kind == GlobalSlot::Variable || n.global->kind == GlobalSlot::Constant)
                    p = &n.global->value;
                else if (n.ref == Ref::Dynamic && n.global->kind == GlobalSlot::Undefined && !n.explicitMode)
                    p = var(n.index);
                break;
            default:
                break;
        }
    }
    if (p && !p->isObject()) return *p;
    holder = evalScalar(e);
    return holder;
}

// Literals and variables: reading them runs no script code.
bool Interpreter::isPlainOperand(const Expr* e) const {
    switch (e->kind) {
        case EK::Literal:
            return true;
        case EK::Paren:
            return isPlainOperand(static_cast<const ParenExpr*>(e)->inner.get());
        case EK::Name:
            return nameReadsNoCode(*static_cast<const NameExpr*>(e));
        case EK::Call: {
            // A built-in over plain operands (Chr(13), Left(x, 2) ...).
            const auto* c = static_cast<const CallExpr*>(e);
            if (c->callee->kind != EK::Name ||
                static_cast<const NameExpr*>(c->callee.get())->ref != Ref::Builtin)
                return false;
            for (const auto& a : c->args)
                if (a && !isPlainOperand(a.get())) return false;
            return true;
        }
        default:
            return false;
    }
}

// s = s & a & b ... appends to s in place instead of copying the whole text
// at every step, when nothing on the right can change s meanwhile.
bool Interpreter::tryAppend(const AssignStmt& a) {
    if (a.isSet || a.target->kind != EK::Name || a.value->kind != EK::Binary) return false;
    const auto& target = *static_cast<const NameExpr*>(a.target.get());
    const Expr* e = a.value.get();
    const Expr* parts[8];
    int count = 0;
    while (e->kind == EK::Binary && static_cast<const BinaryExpr*>(e)->op == Op::Concat) {
        if (count == 8) return false;
        parts[count++] = static_cast<const BinaryExpr*>(e)->right.get();
        e = static_cast<const BinaryExpr*>(e)->left.get();
    }
    if (count == 0 || e->kind != EK::Name) return false;
    const auto& first = *static_cast<const NameExpr*>(e);
    if (first.ref != target.ref || first.index != target.index || first.global != target.global) return false;
    if (target.ref != Ref::Local && target.ref != Ref::Field && target.ref != Ref::Global &&
        target.ref != Ref::Dynamic)
        return false;
    for (int i = 0; i < count; ++i)
        if (!isPlainOperand(parts[i])) return false;
    Variant* var = refOf(&target);
    if (!var || !var->isString()) return false;
    QString tail;
    const Variant empty{QString()};
    for (int i = count - 1; i >= 0; --i) {
        tail += core::concat(empty, evalScalar(parts[i])).stringValue();
        core::checkTextLength(var->stringValue().size() + tail.size());
    }
    QString text = var->stringValue();
    *var = Variant();  // text is now the only holder of the characters
    text += tail;
    *var = Variant(std::move(text));
    return true;
}

Variant Interpreter::evalOperatorRun(const BinaryExpr& b) {
    // The nodes from the innermost operator outwards: a short run on the
    // thread's stack, a long one on the heap.
    std::size_t n = 1;
    for (const Expr* e = b.left.get(); e->kind == EK::Binary;
         e = static_cast<const BinaryExpr*>(e)->left.get())
        ++n;
    const BinaryExpr* small[16] = {};
    std::vector<const BinaryExpr*> large;
    const BinaryExpr** run = small;
    if (n > std::size(small)) {
        large.resize(n);
        run = large.data();
    }
    // The cast to the next node is made only while there is one: the
    // leftmost operand is no operator.
    const BinaryExpr* e = &b;
    for (std::size_t k = n; k-- > 0;) {
        run[k] = e;
        if (k > 0) e = static_cast<const BinaryExpr*>(e->left.get());
    }
    Variant value = evalBinary(*run[0]);
    for (std::size_t i = 1; i < n; ++i) {
        const BinaryExpr& x = *run[i];
        if (x.op == Op::Is) {
            value = Variant(core::sameObject(value, eval(x.right.get())));
            continue;
        }
        Variant holder;
        const Variant& right = operand(x.right.get(), holder);
        if (x.op == Op::Concat) {
            value = core::concatTakingLeft(std::move(value), right);  // a & b & c grows one text
            continue;
        }
        core::CompareOptions o;
        if (x.op >= Op::Eq && x.op <= Op::Ge) o.rightLiteral = isLiteral(x.right.get());
        value = applyBinary(x.op, value, right, o);
    }
    return value;
}

namespace {

// & of two operands, a side made for this join (held in its holder: a
// call's result) taking the other's text. Out of the way of the numbers'
// operators.
[[gnu::noinline]] Variant join(const Variant& left, Variant& leftHolder, const Variant& right,
                               Variant& rightHolder) {
    if (&left == &leftHolder) return core::concatTakingLeft(std::move(leftHolder), right);
    if (&right == &rightHolder) return core::concatTakingRight(left, std::move(rightHolder));
    return core::concat(left, right);
}

}  // namespace

[[gnu::aligned(64)]] Variant Interpreter::evalBinary(const BinaryExpr& b) {
    if (b.shape == Shape::LocalWithWhole) {
        if (Variant fast; wholeWithLiteral(b, *var(b.localSlot), fast)) return fast;
    }
    if (b.shape == Shape::BothEvaluated) {
        Variant left = evalScalar(b.left.get());
        const Variant right = evalScalar(b.right.get());
        if (b.op == Op::Concat) return core::concatTakingLeft(std::move(left), right);
        return applyOperator(b, left, right);
    }
    if (b.left->kind == EK::Binary) return evalOperatorRun(b);
    if (b.op == Op::Is) return Variant(core::sameObject(eval(b.left.get()), eval(b.right.get())));
    // Two literals or locals holding numbers (n - 1, i < 10): read in place.
    if (const Variant* l = directOperand(b.left.get())) {
        if (const Variant* r = directOperand(b.right.get())) {
            if (Variant fast; numericFast(b.op, *l, *r, fast)) return fast;
        }
    }
    Variant leftHolder, rightHolder;
    // The left side is read in place only when reading the right side runs no code.
    const Variant& left = b.rightAlwaysPlain || isPlainOperand(b.right.get())
                              ? operand(b.left.get(), leftHolder)
                              : (leftHolder = evalScalar(b.left.get()));
    const Variant& right = operand(b.right.get(), rightHolder);
    if (b.op == Op::Concat) return join(left, leftHolder, right, rightHolder);
    return applyOperator(b, left, right);
}

Variant Interpreter::applyOperator(const BinaryExpr& b, const Variant& left, const Variant& right) {
    if (Variant fast; numericFast(b.op, left, right, fast)) return fast;
    core::CompareOptions o;
    if (b.op >= Op::Eq && b.op <= Op::Ge) {
        o.leftLiteral = isLiteral(b.left.get());
        o.rightLiteral = isLiteral(b.right.get());
    }
    return applyBinary(b.op, left, right, o);
}

Variant Interpreter::evalName(const NameExpr& n) {
    switch (n.ref) {
        case Ref::Local:
            return *var(n.index);
        case Ref::Field:
            return frame_->me->fields[std::size_t(n.index)];
        case Ref::Constant:
            return *n.constant;
        case Ref::Err:
            return errValue_;
        case Ref::Builtin: {
            static const std::vector<ExprP> none;
            return callBuiltin(n.builtin, none);
        }
        case Ref::MeMember:
            return frame_->me->invokeMember(n.index, CallKind::PropertyGet, {}, true);
        case Ref::Global:
        case Ref::Dynamic: {
            GlobalSlot* g = n.global;
            switch (g->kind) {
                case GlobalSlot::Variable:
                case GlobalSlot::Constant:
                    return g->value;
                case GlobalSlot::Proc:
                    return callProcedure(g->proc, nullptr, {});
                case GlobalSlot::Class:
                    raiseError(core::kErrTypeMismatch);
                case GlobalSlot::Undefined:
                    if (n.explicitMode) raiseError(core::kErrUndefinedVariable);
                    return n.ref == Ref::Dynamic ? *var(n.index) : Variant();
            }
            break;
        }
        case Ref::Unbound:
            break;
    }
    raiseError(core::kErrInternal);
}

Variant* Interpreter::refOf(const Expr* e) {
    if (e->kind != EK::Name) return nullptr;
    const auto& n = *static_cast<const NameExpr*>(e);
    switch (n.ref) {
        case Ref::Local:
            return var(n.index);
        case Ref::Field:
            return &frame_->me->fields[std::size_t(n.index)];
        case Ref::Global:
        case Ref::Dynamic: {
            GlobalSlot* g = n.global;
            if (g->kind == GlobalSlot::Variable) return &g->value;
            if (g->kind != GlobalSlot::Undefined) return nullptr;
            if (n.explicitMode) raiseError(core::kErrUndefinedVariable);
            if (n.ref == Ref::Dynamic) return var(n.index);
            g->kind = GlobalSlot::Variable;
            return &g->value;
        }
        default:
            return nullptr;
    }
}

Variant* Interpreter::variableRef(const NameExpr& n, bool) {
    Variant* v = refOf(&n);
    if (!v) raiseError(core::kErrIllegalAssignment);
    return v;
}
}  // namespace script
