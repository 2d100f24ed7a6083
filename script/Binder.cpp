// The binder of the script engine: once code is added, each name of the
// module is tied to what it stands for (a frame slot, a global, a field or a
// member of Me, a built-in, a language constant, Err), the locals of each
// procedure are counted and the constants' values worked out, so that
// running a statement looks up no name it can know beforehand.

#include "script/Interpreter.h"

#include "core/AppError.h"
#include "core/RunCheck.h"
#include "script/Errors.h"
#include "script/InterpreterFrames.h"
#include "script/Lexer.h"
#include "script/builtins/Builtins.h"

#include <QSet>

namespace script {

using core::CallKind;
using core::Variant;

namespace {

// Runs fn; an error it raises gets the place of e in the text.
template <class Fn>
Variant atPosition(const Expr* e, Fn&& fn) {
    try {
        return fn();
    } catch (core::AppError& err) {
        if (err.line() == 0) err.setPosition(e->line, e->column);
        throw;
    }
}

// Visits every statement of a block and of the blocks inside it.
template <class Fn>
void forEachStmt(Block& b, Fn&& fn) {
    for (auto& sp : b) {
        Stmt& st = *sp;
        fn(st);
        switch (st.kind) {
            case SK::If: {
                auto& s = static_cast<IfStmt&>(st);
                for (auto& br : s.branches) forEachStmt(br.second, fn);
                forEachStmt(s.elseBlock, fn);
                break;
            }
            case SK::Select:
                for (auto& c : static_cast<SelectStmt&>(st).cases) forEachStmt(c.body, fn);
                break;
            case SK::For:
                forEachStmt(static_cast<ForStmt&>(st).body, fn);
                break;
            case SK::ForEach:
                forEachStmt(static_cast<ForEachStmt&>(st).body, fn);
                break;
            case SK::Do:
                forEachStmt(static_cast<DoStmt&>(st).body, fn);
                break;
            case SK::With:
                forEachStmt(static_cast<WithStmt&>(st).body, fn);
                break;
            default:
                break;
        }
    }
}

// Reading the bound expression never runs script code, whatever the script
// level defines later: literals, locals, fields, constants and built-ins
// over them.
bool alwaysPlain(const Expr* e) {
    switch (e->kind) {
        case EK::Literal:
            return true;
        case EK::Paren:
            return alwaysPlain(static_cast<const ParenExpr*>(e)->inner.get());
        case EK::Name: {
            const Ref r = static_cast<const NameExpr*>(e)->ref;
            return r == Ref::Local || r == Ref::Field || r == Ref::Constant;
        }
        case EK::Call: {
            const auto* c = static_cast<const CallExpr*>(e);
            if (c->callee->kind != EK::Name ||
                static_cast<const NameExpr*>(c->callee.get())->ref != Ref::Builtin)
                return false;
            for (const auto& a : c->args)
                if (a && !alwaysPlain(a.get())) return false;
            return true;
        }
        default:
            return false;
    }
}

// A call whose callee may be a procedure of the script (a script-level name)
// and whose arguments all go straight into the callee's slots: none may be
// an array element, which is written back after the call.
Shape scriptCallShape(const CallExpr& c) {
    if (c.callee->kind != EK::Name) return Shape::General;
    const Ref r = static_cast<const NameExpr*>(c.callee.get())->ref;
    if (r != Ref::Global && r != Ref::Dynamic) return Shape::General;
    for (const auto& a : c.args)
        if (a && a->kind == EK::Call) return Shape::General;
    return Shape::ScriptCall;
}

// A call of a built-in: its count of arguments checked, and from which
// argument on its variables may be read in place, where the arguments after
// them are known now to run no script code.
void setBuiltinCall(CallExpr& c) {
    c.shape = Shape::BuiltinCall;
    c.builtin = static_cast<const NameExpr*>(c.callee.get())->builtin;
    const std::size_t n = c.args.size();
    c.argumentsFit = int(n) >= c.builtin->minArgs && (c.builtin->maxArgs < 0 || int(n) <= c.builtin->maxArgs);
    std::size_t from = n;
    while (from > 0) {
        const Expr* a = c.args[from - 1].get();
        if (a && a->kind == EK::Name) {
            const Ref r = static_cast<const NameExpr*>(a)->ref;
            if (r == Ref::Global || r == Ref::Dynamic) return;  // decided when the call runs
            if (r != Ref::Local && r != Ref::Field && r != Ref::Constant) break;
        } else if (a && a->kind != EK::Literal) {
            break;
        }
        --from;
    }
    if (from > 0) --from;  // the last one that may run code runs after nothing
    if (from < CallExpr::kInPlaceWhenRun) c.inPlaceFrom = std::uint8_t(from);
}

// local + 1, n < 2: a local of the procedure and a whole-number literal
// under an arithmetic or comparison operator that the run works out on the
// numbers themselves when the local holds an Integer or a Long. f(x) + g(y):
// two sides that the run works out in turn.
void setOperatorShape(BinaryExpr& b) {
    const auto readInPlace = [](const Expr* e) { return e->kind == EK::Literal || e->kind == EK::Name; };
    if (b.op != Op::Is && b.left->kind != EK::Binary && !readInPlace(b.left.get()) &&
        !readInPlace(b.right.get())) {
        b.shape = Shape::BothEvaluated;
        return;
    }
    switch (b.op) {
        case Op::Add:
        case Op::Sub:
        case Op::Mul:
        case Op::Eq:
        case Op::Ne:
        case Op::Lt:
        case Op::Gt:
        case Op::Le:
        case Op::Ge:
            break;
        default:
            return;
    }
    if (b.left->kind != EK::Name || b.right->kind != EK::Literal) return;
    const auto& local = *static_cast<const NameExpr*>(b.left.get());
    if (local.ref != Ref::Local) return;
    const Variant& literal = static_cast<const LiteralExpr*>(b.right.get())->value;
    if (literal.kind() != core::VType::Integer && literal.kind() != core::VType::Long) return;
    b.shape = Shape::LocalWithWhole;
    b.localSlot = local.index;
    b.wholeIsInteger = literal.kind() == core::VType::Integer;
    b.whole = b.wholeIsInteger ? literal.integerValue() : literal.longValue();
}

}  // namespace

GlobalSlot* Interpreter::globalSlot(const QString& name, bool create) {
    const QString key = name.toLower();
    auto it = globalIndex_.constFind(key);
    if (it != globalIndex_.constEnd()) return it.value();
    if (!create) return nullptr;
    globals_.emplace_back();
    GlobalSlot* g = &globals_.back();
    g->name = name;
    globalIndex_.insert(key, g);
    return g;
}

// ---- binding ----------------------------------------------------------------

void Interpreter::bindModule(Module& m) {
    // What this module declares at script level is put in place first, so
    // that procedures may use names declared further down. On a compile error
    // the script level is put back as it was.
    std::vector<std::pair<GlobalSlot*, GlobalSlot>> saved;
    QSet<QString> declared;
    auto declare = [&](const QString& name, int line, int column) {
        const QString key = name.toLower();
        if (declared.contains(key)) raiseAt(1041, line, column);
        declared.insert(key);
        GlobalSlot* g = globalSlot(name, true);
        saved.emplace_back(g, *g);
        return g;
    };
    try {
        for (auto& c : m.classes) {
            GlobalSlot* g = declare(c->name, 0, 0);
            g->kind = GlobalSlot::Class;
            g->cls = c.get();
            g->proc = nullptr;
            g->value = Variant();
        }
        QSet<QString> procNames;
        for (auto& p : m.procs) {
            // A second procedure of the same name takes the place of the first.
            const QString key = p->name.toLower();
            GlobalSlot* g =
                procNames.contains(key) ? globalSlot(p->name, false) : declare(p->name, p->line, p->column);
            procNames.insert(key);
            g->kind = GlobalSlot::Proc;
            g->proc = p.get();
            g->cls = nullptr;
            g->value = Variant();
        }
        Scope top;
        top.proc = m.topLevel.get();
        top.topLevel = true;
        top.explicitMode = m.optionExplicit;
        for (auto& c : m.consts) {
            c.result = constValue(c.value.get(), top);
            GlobalSlot* g = declare(c.name, c.line, c.column);
            g->kind = GlobalSlot::Constant;
            g->value = c.result;
            g->proc = nullptr;
            g->cls = nullptr;
        }
        forEachStmt(m.topLevel->body, [&](Stmt& st) {
            if (st.kind != SK::Dim) return;
            // ReDim declares a name not declared yet, also under Option Explicit.
            const bool redim = static_cast<DimStmt&>(st).redim;
            for (auto& item : static_cast<DimStmt&>(st).items) {
                const QString key = item.name->name.toLower();
                if (declared.contains(key)) {
                    if (redim) continue;
                    raiseAt(1041, item.name->line, item.name->column);
                }
                if (redim) {
                    const GlobalSlot* known = globalSlot(item.name->name, false);
                    if (known && known->kind != GlobalSlot::Undefined) continue;
                }
                declared.insert(key);
                GlobalSlot* g = globalSlot(item.name->name, true);
                if (g->kind == GlobalSlot::Variable) continue;  // kept from an earlier text
                saved.emplace_back(g, *g);
                g->kind = GlobalSlot::Variable;
                g->proc = nullptr;
                g->cls = nullptr;
                g->value = Variant();
            }
        });
        for (auto& c : m.classes) {
            ClassDef& cls = *c;
            for (std::size_t i = 0; i < cls.members.size(); ++i)
                cls.memberIndex.insert(cls.members[i].name.toLower(), int(i));
            Scope cs;
            cs.proc = m.topLevel.get();
            cs.topLevel = true;
            for (auto& d : cls.fieldDims) {
                if (!d.isArray) {
                    cls.fieldInit.emplace_back();
                    continue;
                }
                if (d.bounds.empty()) {
                    cls.fieldInit.emplace_back(core::VariantArray());
                    continue;
                }
                std::vector<core::ArrayBound> bounds;
                for (auto& b : d.bounds) {
                    const Variant upper = constValue(b.get(), cs);
                    atPosition(b.get(), [&] {
                        bounds.push_back(dimBound(upper));
                        return Variant();
                    });
                }
                core::VariantArray a(std::move(bounds));
                a.setFixed(true);
                cls.fieldInit.emplace_back(std::move(a));
            }
            for (auto& p : cls.procs) bindProcedure(*p, &cls, m.optionExplicit);
        }
        for (auto& p : m.procs) bindProcedure(*p, nullptr, m.optionExplicit);
        bindProcedure(*m.topLevel, nullptr, m.optionExplicit);
    } catch (...) {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) *it->first = it->second;
        throw;
    }
}

void Interpreter::bindProcedure(Procedure& p, ClassDef* cls, bool explicitMode) {
    Scope s;
    s.proc = &p;
    s.cls = cls;
    s.topLevel = p.kind == ProcKind::TopLevel;
    s.explicitMode = explicitMode;
    p.firstParamSlot = 1;
    for (const Param& prm : p.params) {
        const QString key = prm.name.toLower();
        if (s.locals.contains(key)) raiseAt(1041, p.line, p.column);
        s.locals.insert(key, s.nextSlot++);
    }
    for (auto& c : p.consts) {
        const QString key = c.name.toLower();
        if (s.locals.contains(key) || s.consts.contains(key)) raiseAt(1041, c.line, c.column);
        c.result = constValue(c.value.get(), s);
        s.consts.insert(key, &c.result);
    }
    if (!s.topLevel) declareLocals(p.body, s);
    bindBlock(p.body, s);
    p.slotCount = s.nextSlot;
}

void Interpreter::declareLocals(Block& b, Scope& s) {
    forEachStmt(b, [&](Stmt& st) {
        if (st.kind != SK::Dim) return;
        const bool redim = static_cast<DimStmt&>(st).redim;
        for (auto& item : static_cast<DimStmt&>(st).items) {
            const QString key = item.name->name.toLower();
            if (redim) {
                // ReDim of a name that nothing declares makes it a local.
                if (s.locals.contains(key) || s.consts.contains(key)) continue;
                if (s.cls && s.cls->memberIndex.contains(key)) continue;
                const GlobalSlot* known = globalSlot(item.name->name, false);
                if (known && known->kind != GlobalSlot::Undefined) continue;
                s.locals.insert(key, s.nextSlot++);
                continue;
            }
            if (s.locals.contains(key) || s.consts.contains(key))
                raiseAt(1041, item.name->line, item.name->column);
            s.locals.insert(key, s.nextSlot++);
        }
    });
}

Variant Interpreter::constValue(Expr* e, Scope& s) {
    switch (e->kind) {
        case EK::Literal:
            return static_cast<LiteralExpr*>(e)->value;
        case EK::Paren:
            return constValue(static_cast<ParenExpr*>(e)->inner.get(), s);
        case EK::Unary: {
            auto* u = static_cast<UnaryExpr*>(e);
            const Variant v = constValue(u->operand.get(), s);
            return atPosition(e, [&] { return applyBinary(u->op, v, Variant(), {}); });
        }
        case EK::Binary: {
            const auto run = operatorRun(static_cast<BinaryExpr*>(e));
            core::CompareOptions o;
            o.leftLiteral = o.rightLiteral = true;
            Variant value = constValue(run.front()->left.get(), s);
            for (BinaryExpr* b : run) {
                if (b->op == Op::Is) raiseAt(1045, b->line, b->column);
                const Variant r = constValue(b->right.get(), s);
                value = atPosition(b, [&] { return applyBinary(b->op, value, r, o); });
            }
            return value;
        }
        case EK::Name: {
            auto* n = static_cast<NameExpr*>(e);
            bindName(*n, s, false);
            if (n->ref == Ref::Constant) return *n->constant;
            break;
        }
        default:
            break;
    }
    raiseAt(1045, e->line, e->column);
}

void Interpreter::bindBlock(Block& b, Scope& s) {
    std::size_t done = 0;
    for (auto& st : b) {
        bindStmt(*st, s);
        if (++done % 4096 == 0) core::checkRun();  // a long text stops with the run
    }
}

void Interpreter::bindStmt(Stmt& st, Scope& s) {
    switch (st.kind) {
        case SK::Assign: {
            auto& a = static_cast<AssignStmt&>(st);
            bindExpr(a.target.get(), s);
            bindExpr(a.value.get(), s);
            break;
        }
        case SK::CallStmt:
            bindExpr(static_cast<CallStmt&>(st).call.get(), s, true);
            break;
        case SK::Dim:
            for (auto& item : static_cast<DimStmt&>(st).items) {
                bindName(*item.name, s, false);
                for (auto& b : item.bounds) bindExpr(b.get(), s);
            }
            break;
        case SK::Erase:
            for (auto& n : static_cast<EraseStmt&>(st).names) bindName(*n, s, false);
            break;
        case SK::If: {
            auto& i = static_cast<IfStmt&>(st);
            for (auto& br : i.branches) {
                bindExpr(br.first.get(), s);
                bindBlock(br.second, s);
            }
            bindBlock(i.elseBlock, s);
            break;
        }
        case SK::Select: {
            auto& sel = static_cast<SelectStmt&>(st);
            bindExpr(sel.subject.get(), s);
            for (auto& c : sel.cases) {
                for (auto& v : c.values) bindExpr(v.get(), s);
                bindBlock(c.body, s);
            }
            break;
        }
        case SK::For: {
            auto& f = static_cast<ForStmt&>(st);
            bindExpr(f.var.get(), s);
            bindExpr(f.from.get(), s);
            bindExpr(f.to.get(), s);
            if (f.step) bindExpr(f.step.get(), s);
            ++s.forDepth;
            bindBlock(f.body, s);
            --s.forDepth;
            break;
        }
        case SK::ForEach: {
            auto& f = static_cast<ForEachStmt&>(st);
            bindExpr(f.var.get(), s);
            bindExpr(f.collection.get(), s);
            ++s.forDepth;
            bindBlock(f.body, s);
            --s.forDepth;
            break;
        }
        case SK::Do: {
            auto& d = static_cast<DoStmt&>(st);
            if (d.preCond) bindExpr(d.preCond.get(), s);
            if (d.postCond) bindExpr(d.postCond.get(), s);
            // Exit Do inside While ... Wend leaves the nearest Do around it.
            const int saved = s.doDepth;
            if (!d.isWhile) ++s.doDepth;
            bindBlock(d.body, s);
            s.doDepth = saved;
            break;
        }
        case SK::Exit: {
            auto& x = static_cast<ExitStmt&>(st);
            bool ok = false;
            switch (x.what) {
                case ExitKind::Do:
                    ok = s.doDepth > 0;
                    break;
                case ExitKind::For:
                    ok = s.forDepth > 0;
                    break;
                case ExitKind::Sub:
                    ok = s.proc->kind == ProcKind::Sub;
                    break;
                case ExitKind::Function:
                    ok = s.proc->kind == ProcKind::Function;
                    break;
                case ExitKind::Property:
                    ok = s.proc->kind == ProcKind::PropertyGet || s.proc->kind == ProcKind::PropertyLet ||
                         s.proc->kind == ProcKind::PropertySet;
                    break;
            }
            if (!ok) raiseAt(1039, st.line, st.column);
            break;
        }
        case SK::With: {
            auto& w = static_cast<WithStmt&>(st);
            bindExpr(w.object.get(), s);
            w.slot = s.nextSlot++;
            s.withSlots.push_back(w.slot);
            bindBlock(w.body, s);
            s.withSlots.pop_back();
            break;
        }
        case SK::OnError:
        case SK::Nop:
            break;
    }
}

void Interpreter::bindExpr(Expr* e, Scope& s, bool callTarget) {
    switch (e->kind) {
        case EK::Literal:
            break;
        case EK::Name:
            bindName(*static_cast<NameExpr*>(e), s, callTarget);
            break;
        case EK::Paren:
            bindExpr(static_cast<ParenExpr*>(e)->inner.get(), s, callTarget);
            break;
        case EK::Member: {
            auto* m = static_cast<MemberExpr*>(e);
            if (m->object) {
                bindExpr(m->object.get(), s);
            } else {
                if (s.withSlots.empty()) raiseAt(505, e->line, e->column);
                m->withSlot = s.withSlots.back();
            }
            break;
        }
        case EK::Call: {
            auto* c = static_cast<CallExpr*>(e);
            bindExpr(c->callee.get(), s, true);
            for (auto& a : c->args)
                if (a) bindExpr(a.get(), s);
            c->shape = scriptCallShape(*c);
            if (c->shape == Shape::ScriptCall) c->global = static_cast<NameExpr*>(c->callee.get())->global;
            if (c->callee->kind == EK::Name && static_cast<NameExpr*>(c->callee.get())->ref == Ref::Builtin)
                setBuiltinCall(*c);
            break;
        }
        case EK::Me:
            if (!s.cls) raiseAt(1037, e->line, e->column);
            break;
        case EK::New: {
            auto* n = static_cast<NewExpr*>(e);
            n->global = globalSlot(n->className, true);
            break;
        }
        case EK::Unary:
            bindExpr(static_cast<UnaryExpr*>(e)->operand.get(), s);
            break;
        case EK::Binary: {
            const auto run = operatorRun(static_cast<BinaryExpr*>(e));
            bindExpr(run.front()->left.get(), s);
            for (BinaryExpr* b : run) {
                bindExpr(b->right.get(), s);
                b->rightAlwaysPlain = alwaysPlain(b->right.get());
                setOperatorShape(*b);
            }
            break;
        }
    }
}

void Interpreter::bindName(NameExpr& n, Scope& s, bool callTarget) {
    n.explicitMode = s.explicitMode;
    const QString key = n.name.toLower();
    const ProcKind pk = s.proc->kind;
    if (!callTarget && (pk == ProcKind::Function || pk == ProcKind::PropertyGet) &&
        key == s.proc->name.toLower()) {
        n.ref = Ref::Local;  // the function's own name holds its result
        n.index = 0;
        return;
    }
    if (auto it = s.locals.constFind(key); it != s.locals.constEnd()) {
        n.ref = Ref::Local;
        n.index = it.value();
        return;
    }
    if (auto it = s.consts.constFind(key); it != s.consts.constEnd()) {
        n.ref = Ref::Constant;
        n.constant = it.value();
        return;
    }
    if (s.cls) {
        if (auto it = s.cls->memberIndex.constFind(key); it != s.cls->memberIndex.constEnd()) {
            const ClassMember& m = s.cls->members[it.value()];
            n.ref = m.field >= 0 ? Ref::Field : Ref::MeMember;
            n.index = m.field >= 0 ? m.field : it.value();
            return;
        }
    }
    GlobalSlot* g = globalSlot(n.name, false);
    if (g && g->kind != GlobalSlot::Undefined) {
        if (g->kind == GlobalSlot::Constant) {
            n.ref = Ref::Constant;
            n.constant = &g->value;
        } else {
            n.ref = Ref::Global;
            n.global = g;
        }
        return;
    }
    if (key == QLatin1String("err")) {
        n.ref = Ref::Err;
        return;
    }
    if (const builtins::Info* b = builtins::find(n.name)) {
        n.ref = Ref::Builtin;
        n.builtin = b;
        return;
    }
    if (const Variant* c = builtins::findConstant(n.name)) {
        n.ref = Ref::Constant;
        n.constant = c;
        return;
    }
    n.global = globalSlot(n.name, true);
    if (s.topLevel) {
        n.ref = Ref::Global;
        return;
    }
    // Not declared anywhere: a variable of the procedure, unless the script
    // level defines the name by the time it runs.
    n.ref = Ref::Dynamic;
    auto it = s.dynamics.constFind(key);
    if (it != s.dynamics.constEnd()) {
        n.index = it.value();
    } else {
        n.index = s.nextSlot++;
        s.dynamics.insert(key, n.index);
    }
}
}  // namespace script
