#include "script/Interpreter.h"

#include "core/AppError.h"
#include "core/Prompt.h"
#include "script/Errors.h"
#include "script/InterpreterFrames.h"
#include "script/Objects.h"
#include "script/Parser.h"

#include <pthread.h>

namespace script {

using core::CallKind;
using core::Variant;

namespace {

// Calls with less stack than kStackReserve left end with "out of stack
// space" instead of overflowing the thread's stack.
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

}  // namespace

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

}  // namespace script
