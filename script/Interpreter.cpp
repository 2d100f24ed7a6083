#include "script/Interpreter.h"

#include "core/AppError.h"
#include "core/Prompt.h"
#include "script/Errors.h"
#include "script/Lexer.h"
#include "script/Objects.h"
#include "script/Parser.h"
#include "script/builtins/RegExp.h"

#include <QSet>

#include <algorithm>

#include <pthread.h>

namespace script {

using core::CallKind;
using core::Variant;

namespace {

// Calls nested deeper than this, or with less stack than kStackReserve left,
// end with "out of stack space" instead of overflowing the thread's stack.
constexpr int kMaxDepth = 5000;
constexpr std::size_t kStackReserve = 256 * 1024;

// The lowest address the current thread's stack may use, plus the reserve.
// Asking costs a read of the whole memory map on the main thread, so each
// thread asks once and keeps the answer: its stack stays where it is.
const char* stackLimit() {
    struct Limit {
        const char* address = nullptr;
        Limit() {
            pthread_attr_t attr;
            if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
            void* addr = nullptr;
            std::size_t size = 0;
            const int rc = pthread_attr_getstack(&attr, &addr, &size);
            pthread_attr_destroy(&attr);
            if (rc == 0 && size > kStackReserve) address = static_cast<const char*>(addr) + kStackReserve;
        }
    };
    thread_local const Limit limit;
    return limit.address;
}

bool isLiteral(const Expr* e) {
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

Variant applyBinary(Op op, const Variant& a, const Variant& b, const core::CompareOptions& o) {
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

// The bound of a dimension declared as (upper): 0 to upper.
core::ArrayBound dimBound(const Variant& upperValue) {
    const std::int64_t upper = upperValue.toLong();
    if (upper < -1) raiseError(9);
    if (upper >= INT32_MAX) raiseError(7);  // more elements than an array can hold
    return {0, std::int32_t(upper + 1)};
}

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

// Any exception as the error the script sees.
core::AppError asAppError(std::exception_ptr p) {
    try {
        std::rethrow_exception(p);
    } catch (const core::AppError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return core::AppError(7, errorSource(), errorDescription(7));
    } catch (const std::exception& e) {
        return core::AppError(440, errorSource(), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return core::AppError(51, errorSource(), errorDescription(51));
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

}  // namespace

// ---- frames and scopes ------------------------------------------------------

struct Frame {
    const Procedure* proc = nullptr;
    ClassInstance* me = nullptr;
    Variant** vars = nullptr;
    bool resumeNext = false;
};

struct Scope {
    Procedure* proc = nullptr;
    ClassDef* cls = nullptr;
    bool topLevel = false;
    bool explicitMode = false;
    QHash<QString, int> locals;
    QHash<QString, int> dynamics;
    QHash<QString, const Variant*> consts;
    int nextSlot = 1;
    std::vector<int> withSlots;
    int doDepth = 0;
    int forDepth = 0;
};

// ---- Interpreter ------------------------------------------------------------

Interpreter::Interpreter()
    : modules_(std::make_shared<Modules>()),
      err_(std::make_shared<ErrObject>()),
      errValue_(err_),
      life_(std::make_shared<EngineLife>()) {}

Interpreter::~Interpreter() {
    life_->alive = false;
    // Instances that refer to one another (Set a.o = a) would keep each
    // other, and the compiled code, alive for ever: let go of what they hold.
    // With the engine gone no Class_Terminate runs any more.
    while (!life_->instances.isEmpty()) {
        ClassInstance* inst = *life_->instances.constBegin();
        life_->instances.remove(inst);
        const std::shared_ptr<core::Object> keep = inst->weak_from_this().lock();
        if (!keep) continue;
        std::vector<Variant> held = std::move(inst->fields);
        inst->fields.clear();
        held.clear();  // may end other instances, which leave the list themselves
    }
}

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

void Interpreter::addObject(const QString& name, std::shared_ptr<core::Object> object) {
    GlobalSlot* g = globalSlot(name, true);
    g->kind = GlobalSlot::Variable;
    g->value = Variant(std::move(object));
    g->proc = nullptr;
    g->cls = nullptr;
}

bool Interpreter::hasProcedure(const QString& name) const {
    auto it = globalIndex_.constFind(name.toLower());
    return it != globalIndex_.constEnd() && it.value()->kind == GlobalSlot::Proc;
}

namespace {
struct RunGuard {
    int& depth;
    explicit RunGuard(int& d) : depth(d) { ++depth; }
    ~RunGuard() { --depth; }
};
}  // namespace

void Interpreter::startRun() {
    if (runDepth_ > 0) return;
    stackLimit_ = stackLimit();
    aborting_ = false;
    cancel_ = false;
    ticks_ = 0;
    lastPoll_ = 0;
    waitAtStart_ = core::userWaitMs();
    timer_.start();
}

void Interpreter::addCode(const QString& text) {
    startRun();
    RunGuard guard(runDepth_);
    auto parsed = parse(text);
    Module* m = parsed.get();
    modules_->push_back(std::move(parsed));
    bindModule(*m);
    callProcedure(m->topLevel.get(), nullptr, {});
}

Variant Interpreter::run(const QString& name, std::span<Variant* const> args) {
    auto it = globalIndex_.constFind(name.toLower());
    if (it == globalIndex_.constEnd() || it.value()->kind != GlobalSlot::Proc) raiseError(35);
    startRun();
    RunGuard guard(runDepth_);
    return callProcedure(it.value()->proc, nullptr, args);
}

void Interpreter::runTerminate(const Procedure* proc, ClassInstance* me) {
    startRun();
    RunGuard guard(runDepth_);
    callProcedure(proc, me, {});
}

void Interpreter::slowCheck() {
    if (runDepth_ == 0) return;  // a Class_Terminate outside any run
    if (cancel_ || (externalCancel_ && externalCancel_->load())) abort(true);
    if (!timer_.isValid()) return;
    const qint64 elapsed = timer_.elapsed();
    // Time spent in a message or input box is the user's, not the script's.
    if (timeoutMs_ > 0 && elapsed - (core::userWaitMs() - waitAtStart_) > timeoutMs_) abort(false);
    if (poll_ && elapsed - lastPoll_ >= 50) {
        lastPoll_ = elapsed;
        poll_();
        if (cancel_ || (externalCancel_ && externalCancel_->load())) abort(true);
    }
}

void Interpreter::abort(bool cancelled) {
    aborting_ = true;
    throw core::AppError(kErrScriptAborted, errorSource(),
                         cancelled ? QStringLiteral("Esecuzione dello script interrotta")
                                   : QStringLiteral("Tempo massimo di esecuzione dello script superato"),
                         cancelled);
}

void Interpreter::recordError(const core::AppError& e) { err_->set(e); }

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
    for (auto& st : b) bindStmt(*st, s);
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
            for (BinaryExpr* b : run) bindExpr(b->right.get(), s);
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

// ---- running: statements ----------------------------------------------------

namespace {
struct FrameGuard {
    Frame*& current;
    Frame* saved;
    int& depth;
    FrameGuard(Frame*& cur, Frame* next, int& d) : current(cur), saved(cur), depth(d) {
        current = next;
        ++depth;
    }
    ~FrameGuard() {
        current = saved;
        --depth;
    }
};
}  // namespace

Variant Interpreter::callProcedure(const Procedure* proc, ClassInstance* me, std::span<Variant* const> args) {
    if (args.size() != proc->params.size()) raiseError(450);
    const char marker = 0;
    if (depth_ >= kMaxDepth || (stackLimit_ && &marker < stackLimit_)) raiseError(28);
    tick();
    std::vector<Variant> storage(std::size_t(std::max(proc->slotCount, 1)));
    std::vector<Variant*> vars(storage.size());
    for (std::size_t i = 0; i < storage.size(); ++i) vars[i] = &storage[i];
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::size_t slot = std::size_t(proc->firstParamSlot) + i;
        if (proc->params[i].byVal)
            storage[slot] = *args[i];
        else
            vars[slot] = args[i];
    }
    Frame f;
    f.proc = proc;
    f.me = me;
    f.vars = vars.data();
    {
        FrameGuard guard(frame_, &f, depth_);
        execBlock(proc->body);
    }
    if (proc->kind == ProcKind::Function || proc->kind == ProcKind::PropertyGet) return std::move(storage[0]);
    return Variant();
}

Interpreter::Flow Interpreter::execBlock(const Block& b) {
    for (const auto& sp : b) {
        const Stmt& st = *sp;
        Flow flow;
        try {
            flow = execStmt(st);
        } catch (...) {
            core::AppError e = asAppError(std::current_exception());
            if (e.line() == 0) e.setPosition(st.line, st.column);
            if (!frame_->resumeNext || aborting_) throw e;
            recordError(e);
            continue;
        }
        if (flow != Flow::Normal) return flow;
    }
    return Flow::Normal;
}

Interpreter::Flow Interpreter::execStmt(const Stmt& st) {
    switch (st.kind) {
        case SK::Assign: {
            const auto& a = static_cast<const AssignStmt&>(st);
            if (tryAppend(a)) return Flow::Normal;
            assign(a.target.get(), a.isSet ? eval(a.value.get()) : evalScalar(a.value.get()), a.isSet);
            return Flow::Normal;
        }
        case SK::CallStmt:
            execCallStmt(static_cast<const CallStmt&>(st));
            return Flow::Normal;
        case SK::Dim:
            execDim(static_cast<const DimStmt&>(st));
            return Flow::Normal;
        case SK::Erase:
            for (const auto& n : static_cast<const EraseStmt&>(st).names) {
                Variant* v = variableRef(*n, true);
                if (!v->isArray()) raiseError(13);
                v->arrayForWrite().erase();
            }
            return Flow::Normal;
        case SK::If: {
            const auto& i = static_cast<const IfStmt&>(st);
            for (const auto& br : i.branches)
                if (evalScalar(br.first.get()).isTrue()) return execBlock(br.second);
            return execBlock(i.elseBlock);
        }
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
            Variant* slot = frame_->vars[w.slot];
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

Interpreter::Flow Interpreter::execFor(const ForStmt& st) {
    Variant* var = variableRef(*static_cast<const NameExpr*>(st.var.get()), true);
    const Variant from = evalScalar(st.from.get());
    const Variant to0 = evalScalar(st.to.get());
    const Variant step0 = st.step ? evalScalar(st.step.get()) : Variant(std::int16_t(1));
    if (from.isNull() || to0.isNull() || step0.isNull()) raiseError(94);
    const Variant to = loopNumber(to0);
    const Variant step = loopNumber(step0);
    const auto sign = core::compare(step, Variant(std::int16_t(0)));
    if (!sign) raiseError(94);
    if (!core::isNumeric(from) || !core::isNumeric(to) || !core::isNumeric(step)) raiseError(13);
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
            if (!cmp) raiseError(94);
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
    std::vector<Variant> items;
    if (coll.isArray()) {
        items = coll.arrayValue().elements();
    } else if (coll.isObject()) {
        if (coll.isNothing()) raiseError(91);
        items = coll.objectValue()->enumerate();
    } else {
        raiseError(451);
    }
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
            const bool t = evalScalar(st.preCond.get()).isTrue();
            if (st.preUntil == t) break;
        }
        const Flow f = execBlock(st.body);
        if (f == Flow::ExitDo && !st.isWhile) break;
        if (f != Flow::Normal) return f;
        if (st.postCond) {
            const bool t = evalScalar(st.postCond.get()).isTrue();
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
        if (st.redim && v->isArray() && v->arrayValue().isFixed()) raiseError(10);
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
            raiseError(13);
    }
}

// ---- running: expressions ---------------------------------------------------

Variant Interpreter::eval(const Expr* e) {
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
            return evalCall(c->callee.get(), c->args, CallKind::PropertyGet);
        }
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
                raiseError(506);
            }
            return newInstance(n->global->cls);
        }
        case EK::Unary: {
            const auto* u = static_cast<const UnaryExpr*>(e);
            const Variant v = evalScalar(u->operand.get());
            return u->op == Op::Neg ? core::neg(v) : core::opNot(v);
        }
        case EK::Binary:
            return evalBinary(*static_cast<const BinaryExpr*>(e));
    }
    return Variant();
}

const Variant& Interpreter::operand(const Expr* e, Variant& holder) {
    const Variant* p = nullptr;
    if (e->kind == EK::Literal) {
        p = &static_cast<const LiteralExpr*>(e)->value;
    } else if (e->kind == EK::Name) {
        const auto& n = *static_cast<const NameExpr*>(e);
        switch (n.ref) {
            case Ref::Local:
                p = frame_->vars[n.index];
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
                    p = frame_->vars[n.index];
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
        case EK::Name: {
            const auto& n = *static_cast<const NameExpr*>(e);
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
    for (int i = count - 1; i >= 0; --i) tail += core::concat(empty, evalScalar(parts[i])).stringValue();
    QString text = var->stringValue();
    *var = Variant();  // text is now the only holder of the characters
    text += tail;
    *var = Variant(std::move(text));
    return true;
}

Variant Interpreter::evalBinary(const BinaryExpr& b) {
    if (b.left->kind == EK::Binary) {
        // A run of operators, from the innermost one outwards.
        const auto run = operatorRun(&b);
        Variant value = evalBinary(*run.front());
        for (std::size_t i = 1; i < run.size(); ++i) {
            const BinaryExpr& x = *run[i];
            if (x.op == Op::Is) {
                value = Variant(core::sameObject(value, eval(x.right.get())));
                continue;
            }
            Variant holder;
            const Variant& right = operand(x.right.get(), holder);
            core::CompareOptions o;
            if (x.op >= Op::Eq && x.op <= Op::Ge) o.rightLiteral = isLiteral(x.right.get());
            value = applyBinary(x.op, value, right, o);
        }
        return value;
    }
    if (b.op == Op::Is) return Variant(core::sameObject(eval(b.left.get()), eval(b.right.get())));
    Variant leftHolder, rightHolder;
    // The left side is read in place only when reading the right side runs no code.
    const Variant& left = isPlainOperand(b.right.get()) ? operand(b.left.get(), leftHolder)
                                                        : (leftHolder = evalScalar(b.left.get()));
    const Variant& right = operand(b.right.get(), rightHolder);
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
            return *frame_->vars[n.index];
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
                    raiseError(13);
                case GlobalSlot::Undefined:
                    if (n.explicitMode) raiseError(500);
                    return n.ref == Ref::Dynamic ? *frame_->vars[n.index] : Variant();
            }
            break;
        }
        case Ref::Unbound:
            break;
    }
    raiseError(51);
}

Variant* Interpreter::refOf(const Expr* e) {
    if (e->kind != EK::Name) return nullptr;
    const auto& n = *static_cast<const NameExpr*>(e);
    switch (n.ref) {
        case Ref::Local:
            return frame_->vars[n.index];
        case Ref::Field:
            return &frame_->me->fields[std::size_t(n.index)];
        case Ref::Global:
        case Ref::Dynamic: {
            GlobalSlot* g = n.global;
            if (g->kind == GlobalSlot::Variable) return &g->value;
            if (g->kind != GlobalSlot::Undefined) return nullptr;
            if (n.explicitMode) raiseError(500);
            if (n.ref == Ref::Dynamic) return frame_->vars[n.index];
            g->kind = GlobalSlot::Variable;
            return &g->value;
        }
        default:
            return nullptr;
    }
}

Variant* Interpreter::variableRef(const NameExpr& n, bool) {
    Variant* v = refOf(&n);
    if (!v) raiseError(501);
    return v;
}

void Interpreter::evalArgs(const std::vector<ExprP>& args, Args& out, std::size_t extra) {
    out.temps.reserve(args.size() + extra);
    out.ptrs.reserve(args.size() + extra);
    for (const auto& a : args) {
        if (!a) {
            out.temps.push_back(Variant::missing());
            out.ptrs.push_back(&out.temps.back());
            continue;
        }
        if (Variant* r = refOf(a.get())) {
            out.ptrs.push_back(r);
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
                if (!array || !array->isArray()) raiseError(13);
                wb.original = array->arrayValue().at(std::span<const std::int32_t>(wb.index));
                out.temps.push_back(wb.original);
                out.ptrs.push_back(&out.temps.back());
                wb.temp = out.temps.size() - 1;
                out.back.push_back(std::move(wb));
                continue;
            }
        }
        out.temps.push_back(eval(a.get()));
        out.ptrs.push_back(&out.temps.back());
    }
}

std::vector<std::int32_t> Interpreter::indices(std::span<Variant* const> args) const {
    std::vector<std::int32_t> idx;
    idx.reserve(args.size());
    for (Variant* a : args) idx.push_back(a->resolved().toLong());
    return idx;
}

Variant Interpreter::callBuiltin(const builtins::Info* info, const std::vector<ExprP>& args) {
    const int n = int(args.size());
    if (n < info->minArgs || (info->maxArgs >= 0 && n > info->maxArgs)) raiseError(450);
    std::vector<Variant> values;
    values.reserve(args.size());
    for (const auto& a : args) values.push_back(a ? eval(a.get()) : Variant::missing());
    // Optional arguments left out at the end are simply absent.
    while (!values.empty() && int(values.size()) > info->minArgs && values.back().isMissing())
        values.pop_back();
    return info->fn(values);
}

Variant Interpreter::objectOf(const Expr* e) {
    const auto* m = static_cast<const MemberExpr*>(e);
    return m->object ? eval(m->object.get()) : *frame_->vars[m->withSlot];
}

Variant Interpreter::invokeOn(const Variant& target, const QString& name, CallKind kind,
                              std::span<Variant* const> args) {
    if (!target.isObject()) raiseError(424);
    const std::shared_ptr<core::Object> obj = target.objectValue();
    if (!obj) raiseError(91);
    if (frame_ && frame_->me && obj.get() == frame_->me) {
        auto it = frame_->me->def()->memberIndex.constFind(name.toLower());
        const int idx = name.isEmpty() ? frame_->me->def()->defaultMember
                                       : (it == frame_->me->def()->memberIndex.constEnd() ? -1 : it.value());
        if (idx < 0) raiseError(438);
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
    raiseError(13);
}

Variant Interpreter::evalCall(const Expr* callee, const std::vector<ExprP>& args, CallKind kind) {
    Args a;
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
                    return frame_->me->invokeMember(n.index, kind, a.ptrs, true);
                case Ref::Global:
                case Ref::Dynamic: {
                    GlobalSlot* g = n.global;
                    if (g->kind == GlobalSlot::Proc) {
                        evalArgs(args, a);
                        return callProcedure(g->proc, nullptr, a.ptrs);
                    }
                    if (g->kind == GlobalSlot::Class) raiseError(13);
                    if (g->kind == GlobalSlot::Undefined) {
                        const Variant v =
                            n.ref == Ref::Dynamic && !n.explicitMode ? *frame_->vars[n.index] : Variant();
                        if (!v.isArray() && !v.isObject()) {
                            if (n.explicitMode && args.empty()) raiseError(500);
                            raiseError(35, errorDescription(35) + QStringLiteral(": '") + n.name +
                                               QLatin1Char('\''));
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
                if (!v.isObject()) raiseError(13);
                return invokeOn(v, QString(), kind, {});
            }
            const Variant v = evalName(n);
            evalArgs(args, a);
            return indexOrDefault(v, a.ptrs, kind);
        }
        case EK::Member: {
            const auto* m = static_cast<const MemberExpr*>(callee);
            const Variant obj = objectOf(m);
            evalArgs(args, a);
            return invokeOn(obj, m->name, kind, a.ptrs);
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
            return indexOrDefault(v, a.ptrs, kind);
        }
        default: {
            const Variant v = eval(callee);
            evalArgs(args, a);
            return indexOrDefault(v, a.ptrs, kind);
        }
    }
}

void Interpreter::assign(const Expr* target, Variant value, bool isSet) {
    if (isSet && !value.isObject()) raiseError(424);
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
            Args a;
            const Expr* callee = c->callee.get();
            if (callee->kind == EK::Name) {
                const auto& n = *static_cast<const NameExpr*>(callee);
                if (n.ref == Ref::MeMember) {
                    evalArgs(c->args, a, 1);
                    a.ptrs.push_back(&value);
                    frame_->me->invokeMember(n.index, kind, a.ptrs, true);
                    return;
                }
                Variant* v = refOf(callee);
                if (!v) raiseError(501);
                if (v->isArray()) {
                    evalArgs(c->args, a);
                    const auto idx = indices(a.ptrs);
                    v->arrayForWrite().at(std::span<const std::int32_t>(idx)) = std::move(value);
                    return;
                }
                if (!v->isObject()) raiseError(13);
                const Variant obj = *v;
                evalArgs(c->args, a, 1);
                a.ptrs.push_back(&value);
                invokeOn(obj, QString(), kind, a.ptrs);
                return;
            }
            if (callee->kind == EK::Member) {
                const auto* m = static_cast<const MemberExpr*>(callee);
                const Variant obj = objectOf(m);
                evalArgs(c->args, a, 1);
                a.ptrs.push_back(&value);
                invokeOn(obj, m->name, kind, a.ptrs);
                return;
            }
            raiseError(501);
        }
        default:
            raiseError(501);
    }
}

Variant Interpreter::newInstance(const ClassDef* cls) {
    auto inst = std::make_shared<ClassInstance>(this, cls, life_, modules_);
    inst->fields = cls->fieldInit;
    if (cls->initialize) callProcedure(cls->initialize, inst.get(), {});
    return Variant(std::move(inst));
}

// ---- the language's objects -------------------------------------------------

ClassInstance::ClassInstance(Interpreter* interp, const ClassDef* def, std::shared_ptr<EngineLife> life,
                             std::shared_ptr<const void> code)
    : interp_(interp), def_(def), life_(std::move(life)), code_(std::move(code)) {
    life_->instances.insert(this);
}

ClassInstance::~ClassInstance() {
    life_->instances.remove(this);
    if (!life_->alive || !def_->terminate || interp_->isAborting()) return;
    try {
        interp_->runTerminate(def_->terminate, this);
    } catch (...) {
        // An error while the object goes away has nowhere to go.
    }
}

Variant ClassInstance::invoke(const QString& name, CallKind kind, std::span<Variant* const> args) {
    if (!life_->alive) raiseError(51);
    int idx = def_->defaultMember;
    if (!name.isEmpty()) {
        auto it = def_->memberIndex.constFind(name.toLower());
        idx = it == def_->memberIndex.constEnd() ? -1 : it.value();
    }
    if (idx < 0) raiseError(438);
    return invokeMember(idx, kind, args, false);
}

Variant ClassInstance::invokeMember(int index, CallKind kind, std::span<Variant* const> args,
                                    bool allowPrivate) {
    const ClassMember& m = def_->members[std::size_t(index)];
    if (!allowPrivate && !m.isPublic) raiseError(438);
    const bool isLet = kind == CallKind::PropertyLet || kind == CallKind::PropertySet;
    if (m.field >= 0) {
        Variant& f = fields[std::size_t(m.field)];
        if (!isLet) return args.empty() ? f : interp_->indexOrDefault(f, args, kind);
        if (args.empty()) raiseError(450);
        Variant& value = *args.back();
        const auto index_args = args.first(args.size() - 1);
        if (index_args.empty()) {
            if (kind == CallKind::PropertySet && !value.isObject()) raiseError(424);
            f = kind == CallKind::PropertySet ? value : value.resolved();
            return Variant();
        }
        if (f.isArray()) {
            const auto idx = interp_->indices(index_args);
            f.arrayForWrite().at(std::span<const std::int32_t>(idx)) = value;
            return Variant();
        }
        if (f.isObject()) return interp_->invokeOn(f, QString(), kind, args);
        raiseError(13);
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
        if (!arg(0) || args.size() > 5) raiseError(450);
        const long number = arg(0)->resolved().toLong();
        if (number == 0) raiseError(5);
        const QString source = arg(1) ? arg(1)->resolved().toString() : errorSource();
        const QString description = arg(2) ? arg(2)->resolved().toString() : errorDescription(int(number));
        throw core::AppError(number, source, description);
    }
    raiseError(438);
}

}  // namespace script
