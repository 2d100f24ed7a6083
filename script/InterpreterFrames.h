#pragma once
// What the parts of the engine share and nothing outside the folder sees:
// the frame of a running procedure, the binder's scope and the small
// helpers both the binder and the run use.

#include "core/Variant.h"
#include "script/Ast.h"
#include "script/Errors.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

namespace script {

class ClassInstance;

// Calls nested deeper than this end with "out of stack space" (see also the
// stack limit in Interpreter.cpp).
constexpr int kMaxDepth = 5000;

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

// ---- frames and scopes ------------------------------------------------------

// ---- frames and scopes ------------------------------------------------------

struct Frame {
    const Procedure* proc = nullptr;
    ClassInstance* me = nullptr;
    core::Variant** vars = nullptr;
    bool resumeNext = false;
};

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
