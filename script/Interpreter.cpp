// The script engine as a whole: construction and end, the objects the
// program adds, adding code, running a procedure, the deferred
// Class_Terminate calls, the stop and the time-out, the recorded error.

#include "script/Interpreter.h"

#include "core/AppError.h"
#include "core/Prompt.h"
#include "script/Errors.h"
#include "script/InterpreterFrames.h"
#include "script/Objects.h"
#include "script/Parser.h"
#include "script/StackLimit.h"
#include "script/builtins/Dictionary.h"

#include <unordered_map>
#include <unordered_set>

namespace script {

using core::CallKind;
using core::Variant;

// ---- Interpreter ------------------------------------------------------------

Interpreter::Interpreter()
    : modules_(std::make_shared<Modules>()),
      err_(std::make_shared<ErrObject>()),
      errValue_(err_),
      life_(std::make_shared<EngineLife>()) {
    // The texts of the errors are made once for the program: made now, before
    // memory can run out, the description of "out of memory" needs none.
    (void)errorDescription(core::kErrOutOfMemory);
}

Interpreter::~Interpreter() {
    // Terminates still due (instances the program let go of after the last
    // call) run while the engine is whole.
    runTerminatesOutsideACall();
    life_->alive = false;
    pendingTerminates_.clear();
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
    // What the script's names hold goes now, so that what is left of the
    // dictionaries the script made is held by the program or by one another.
    for (GlobalSlot& g : globals_) {
        const Variant gone = std::move(g.value);
    }
    try {
        breakDictionaryCycles();
    } catch (...) {
        // Out of memory for the search: those cycles stay, the program goes on.
    }
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
    stackLimit_ = reinterpret_cast<std::uintptr_t>(stackLimit());
    aborting_ = false;
    cancel_ = false;
    ticks_ = 0;
    lastPoll_ = 0;
    waitAtStart_ = core::userWaitMs();
    timer_.start();
}

void Interpreter::addCode(const QString& text) {
    runTerminatesOutsideACall();
    startRun();
    RunGuard guard(runDepth_);
    core::RunCheckScope check(&callCheck_);
    auto parsed = parse(text);
    Module* m = parsed.get();
    modules_->push_back(std::move(parsed));
    bindModule(*m);
    finishCall(m->topLevel.get(), [&] { return callProcedure(m->topLevel.get(), nullptr, {}); });
}

Variant Interpreter::run(const QString& name, std::span<Variant* const> args) {
    auto it = globalIndex_.constFind(name.toLower());
    if (it == globalIndex_.constEnd() || it.value()->kind != GlobalSlot::Proc)
        raiseError(core::kErrUndefinedProcedure);
    runTerminatesOutsideACall();
    startRun();
    RunGuard guard(runDepth_);
    core::RunCheckScope check(&callCheck_);
    const Procedure* proc = it.value()->proc;
    return finishCall(proc, [&] { return callProcedure(proc, nullptr, args); });
}

template <class Call>
Variant Interpreter::finishCall(const Procedure* proc, Call&& call) {
    Variant result;
    try {
        result = call();
    } catch (...) {
        // The call's own error is the one that goes on; a stopped run runs
        // no terminate (runDeferredTerminates drops them).
        try {
            runDeferredTerminates();
        } catch (...) {
        }
        throw;
    }
    // The locals of the call went when it returned: at its end, the line of
    // its last statement (of its heading when it has none).
    if (!pendingTerminates_.empty()) {
        const Stmt* last = proc->body.empty() ? nullptr : proc->body.back().get();
        runTerminatesAfter(last ? last->line : proc->line, last ? last->column : proc->column);
    }
    return result;
}

void Interpreter::runTerminatesAfter(int line, int column) {
    try {
        runDeferredTerminates();
    } catch (core::AppError& e) {
        if (e.line() == 0) e.setPosition(line, column);
        throw;
    }
}

void Interpreter::deferTerminate(std::shared_ptr<ClassInstance> twin) {
    // Only instances a terminate made lengthen the chain: a list of
    // instances that hold one another, made by the script, ends link by link
    // in chains of one.
    twin->chain_ = twin->born_ + 1;
    pendingTerminates_.push_back(std::move(twin));
    terminatesDue_ = true;
}

void Interpreter::runDeferredTerminates() {
    while (!pendingTerminates_.empty()) {
        if (aborting_ || !life_->alive) {
            // A stopped run runs no more script code: the twins go as they are
            // (and, the run stopping, queue nothing more).
            std::deque<std::shared_ptr<ClassInstance>> dropped;
            dropped.swap(pendingTerminates_);
            dropped.clear();
            continue;
        }
        std::shared_ptr<ClassInstance> twin = std::move(pendingTerminates_.front());
        pendingTerminates_.pop_front();
        struct Chain {
            int& current;
            int outer;
            Chain(int& c, int inner) : current(c), outer(c) { current = inner; }
            ~Chain() { current = outer; }
        } chain(terminateChain_, twin->chain_);
        // A terminate that makes and drops an instance of its own class would
        // go on for ever: past the depth of calls the chain ends, as a
        // recursion would with "out of stack space".
        if (twin->chain_ > kMaxDepth) continue;
        try {
            callProcedure(twin->def()->terminate, twin.get(), {});
        } catch (const core::AppError&) {
            if (aborting_) throw;
        } catch (const std::bad_alloc&) {
        }
        twin.reset();  // what it held may queue terminates of its own
    }
    terminatesDue_ = false;
}

void Interpreter::runTerminatesOutsideACall() {
    if (pendingTerminates_.empty() || runDepth_ > 0) return;
    startRun();
    RunGuard guard(runDepth_);
    core::RunCheckScope check(&callCheck_);
    try {
        runDeferredTerminates();
    } catch (...) {
        // Stopped or out of time: the rest go without their terminates, and
        // the call that follows starts afresh.
        runDeferredTerminates();
    }
}

void Interpreter::trackMade(const Variant& made) {
    if (!made.isObject() || !dynamic_cast<const builtins::Dictionary*>(made.objectValue().get())) return;
    if (madeDictionaries_.size() >= 64 && madeDictionaries_.size() == madeDictionaries_.capacity())
        std::erase_if(madeDictionaries_, [](const std::weak_ptr<core::Object>& w) { return w.expired(); });
    madeDictionaries_.push_back(made.objectValue());
}

namespace {
// Every object a value holds, in arrays too: arrays inside arrays from a list
// (they may nest deeper than the stack goes), each one looked into once
// (copies of an array share it, so a few nested copies may stand for
// millions of places).
template <class Fn>
void eachObject(const Variant& v, Fn& fn) {
    std::vector<const core::VariantArray*> arrays;
    std::unordered_set<const core::VariantArray*> seen;
    const auto take = [&](const Variant& x) {
        if (x.isObject()) {
            if (const core::Object* o = x.objectValue().get()) fn(o);
        } else if (x.isArray() && seen.insert(&x.arrayValue()).second) {
            arrays.push_back(&x.arrayValue());
        }
    };
    take(v);
    while (!arrays.empty()) {
        const core::VariantArray* a = arrays.back();
        arrays.pop_back();
        for (const Variant& e : a->elements()) take(e);
    }
}
}  // namespace

void Interpreter::breakDictionaryCycles() {
    std::vector<std::shared_ptr<builtins::Dictionary>> live;
    for (const auto& w : madeDictionaries_)
        if (auto o = w.lock()) live.push_back(std::static_pointer_cast<builtins::Dictionary>(std::move(o)));
    madeDictionaries_.clear();
    if (live.empty()) return;
    std::unordered_map<const core::Object*, std::size_t> index;
    for (std::size_t i = 0; i < live.size(); ++i) index.emplace(live[i].get(), i);
    // Which of them each one holds, and how many references come from them.
    std::vector<std::vector<std::size_t>> holds(live.size());
    std::vector<long> heldByThem(live.size(), 0);
    for (std::size_t i = 0; i < live.size(); ++i) {
        auto note = [&](const core::Object* o) {
            const auto it = index.find(o);
            if (it == index.end()) return;
            holds[i].push_back(it->second);
            ++heldByThem[it->second];
        };
        live[i]->forEachValue([&](const Variant& v) { eachObject(v, note); });
    }
    // Kept: one that something else holds (the program), and all it reaches.
    std::vector<bool> kept(live.size(), false);
    std::vector<std::size_t> todo;
    for (std::size_t i = 0; i < live.size(); ++i)
        if (live[i].use_count() - 1 > heldByThem[i]) {
            kept[i] = true;
            todo.push_back(i);
        }
    while (!todo.empty()) {
        const std::size_t i = todo.back();
        todo.pop_back();
        for (const std::size_t j : holds[i])
            if (!kept[j]) {
                kept[j] = true;
                todo.push_back(j);
            }
    }
    for (std::size_t i = 0; i < live.size(); ++i)
        if (!kept[i]) live[i]->removeAll();
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

}  // namespace script
