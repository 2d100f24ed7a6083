#pragma once
// What the parts of the engine share and nothing outside the folder sees:
// the frame of a running procedure, the binder's scope and the small
// helpers both the binder and the run use.

#include "core/Variant.h"
#include "script/Ast.h"
#include "script/Errors.h"
#include "script/Interpreter.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

namespace script {

class ClassInstance;

// The functions every step of a running script passes through (eval,
// operand, evalBinary, the built-in calls, execBlock, execFor, callDirect)
// are defined [[gnu::aligned(64)]]: each starts on a cache line of its own,
// so that its placement does not move with the code linked before it (a
// move of 32 bytes alone made a loop of built-in calls 5-10 % slower).

// Calls nested deeper than this end with "out of stack space" (see also the
// stack limit in Interpreter.cpp).
constexpr int kMaxDepth = 5000;

// Reading the name runs no script code: a local, a field, a constant or a
// script-level variable (not a procedure or a class, which a bare name calls).
inline bool nameReadsNoCode(const NameExpr& n) {
    switch (n.ref) {
        case Ref::Local:
        case Ref::Field:
        case Ref::Constant:
            return true;
        case Ref::Global:
        case Ref::Dynamic:
            return n.global->kind != GlobalSlot::Proc && n.global->kind != GlobalSlot::Class;
        default:
            return false;
    }
}

inline bool isLiteral(const Expr* e) {
    switch (e->kind) {
        case EK::Literal:
            return true;
        case EK::Name:
            return static_cast<const NameExpr*>(e)->ref == Ref::Constant;
        case EK::Paren:
            return isLiteral(static_cast<const ParenExpr*>(e)->inner.get());
        case EK::Unary:
            return isLiteral(static_cast<const UnaryExpr*>(e)->operand.get());
        default:
            return false;
    }
}

// The value of a binary (or, with an Empty right side, unary) operator.
core::Variant applyBinary(Op op, const core::Variant& a, const core::Variant& b,
                          const core::CompareOptions& o);

// The bound of a dimension declared as (upper): 0 to upper.
inline core::ArrayBound dimBound(const core::Variant& upperValue) {
    const std::int64_t upper = upperValue.toLong();
    if (upper < -1) raiseError(core::kErrSubscript);
    if (upper >= INT32_MAX) raiseError(core::kErrOutOfMemory);  // more elements than an array can hold
    return {0, std::int32_t(upper + 1)};
}

// ---- the short way of a local and a whole-number literal --------------------

// The local's value as a whole number when it holds an Integer or a Long.
[[gnu::always_inline]] inline bool wholeValueOf(const core::Variant& v, std::int64_t& x) {
    if (v.kind() == core::VType::Integer) {
        x = v.integerValue();
        return true;
    }
    if (v.kind() == core::VType::Long) {
        x = v.longValue();
        return true;
    }
    return false;
}

// The comparison of a Shape::LocalWithWhole node over the local's whole
// value: 1 true, 0 false, -1 when the operator is not a comparison.
[[gnu::always_inline]] inline int wholeComparison(Op op, std::int64_t x, std::int64_t y) {
    switch (op) {
        case Op::Eq:
            return x == y;
        case Op::Ne:
            return x != y;
        case Op::Lt:
            return x < y;
        case Op::Gt:
            return x > y;
        case Op::Le:
            return x <= y;
        case Op::Ge:
            return x >= y;
        default:
            return -1;
    }
}

// The value of a Shape::LocalWithWhole node when the local holds an Integer
// or a Long: the result of the language's operator (Integer + Integer stays
// Integer, with a Long it is a Long, what overflows widens). False: the
// general way decides.
[[gnu::always_inline]] inline bool wholeWithLiteral(const BinaryExpr& b, const core::Variant& l,
                                                    core::Variant& out) {
    std::int64_t x;
    if (!wholeValueOf(l, x)) return false;
    const std::int64_t y = b.whole;
    std::int64_t r;
    switch (b.op) {
        case Op::Add:
            r = x + y;
            break;
        case Op::Sub:
            r = x - y;
            break;
        case Op::Mul:
            r = x * y;
            break;
        default: {
            const int c = wholeComparison(b.op, x, y);
            if (c < 0) return false;
            out = core::Variant(c != 0);
            return true;
        }
    }
    if (b.wholeIsInteger && l.kind() == core::VType::Integer && r >= INT16_MIN && r <= INT16_MAX)
        out = core::Variant(std::int16_t(r));
    else if (r >= INT32_MIN && r <= INT32_MAX)
        out = core::Variant(std::int32_t(r));
    else
        out = core::Variant(double(r));
    return true;
}

// ---- frames and scopes ------------------------------------------------------

struct Frame {
    const Procedure* proc = nullptr;
    ClassInstance* me = nullptr;
    FrameSlot* cells = nullptr;
    bool resumeNext = false;
};

inline bool Interpreter::condition(const Expr* e) {
    if (e->shape == Shape::LocalWithWhole) {
        const auto& b = *static_cast<const BinaryExpr*>(e);
        if (std::int64_t x; wholeValueOf(*var(b.localSlot), x)) {
            const int c = wholeComparison(b.op, x, b.whole);
            if (c >= 0) return c != 0;
        }
    }
    const core::Variant c = evalScalar(e);
    return c.kind() == core::VType::Boolean ? c.boolValue() : c.isTrue();
}

struct Scope {
    Procedure* proc = nullptr;
    ClassDef* cls = nullptr;
    bool topLevel = false;
    bool explicitMode = false;
    QHash<QString, int> locals;
    QHash<QString, int> dynamics;
    QHash<QString, const core::Variant*> consts;
    int nextSlot = 1;
    std::vector<int> withSlots;
    int doDepth = 0;
    int forDepth = 0;
};

}  // namespace script
