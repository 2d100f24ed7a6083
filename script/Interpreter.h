#pragma once
// The engine behind ScriptControl: compiles texts into modules, resolves
// their names to slots and runs them by walking the tree.

#include "core/AppError.h"
#include "core/Object.h"
#include "core/RunCheck.h"
#include "core/Variant.h"
#include "script/Ast.h"
#include "script/SlotStack.h"

#include <QElapsedTimer>
#include <QHash>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <span>

namespace script {

// Everything a script reaches by name: data sources, page objects,
// dictionaries and the instances of the script's own classes.
using HostObject = core::Object;

// A name of the script level: a variable, a constant, a procedure or a class.
struct GlobalSlot {
    enum Kind : std::uint8_t { Undefined, Variable, Constant, Proc, Class };
    QString name;
    Kind kind = Undefined;
    core::Variant value;
    Procedure* proc = nullptr;
    ClassDef* cls = nullptr;
};

// A slot of a running procedure: its own value, and where the variable it
// stands for lives (that value, or the caller's variable given by reference).
struct FrameSlot {
    core::Variant value;
    core::Variant* ref = nullptr;
    // Given back to the slot stack, a slot is cleared when its value is not
    // Empty; `ref` is set again by every call that takes it.
    bool isEmpty() const { return value.isEmpty(); }
};

class ClassInstance;
class ErrObject;
struct EngineLife;
struct Frame;
struct Scope;

class Interpreter {
  public:
    Interpreter();
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // Compiles the text and runs its statements outside procedures.
    void addCode(const QString& text);
    // Makes an object reachable by name from every procedure.
    void addObject(const QString& name, std::shared_ptr<core::Object> object);
    // Calls a procedure by name; the arguments are the caller's variables.
    core::Variant run(const QString& name, std::span<core::Variant* const> args);
    bool hasProcedure(const QString& name) const;

    // Milliseconds a call may run (0 or less: no limit).
    void setTimeout(int ms) { timeoutMs_ = ms; }
    int timeout() const { return timeoutMs_; }
    void setCancelFlag(const std::atomic<bool>* flag) { externalCancel_ = flag; }
    void cancel() { cancel_ = true; }
    void setPollCallback(std::function<void()> poll) { poll_ = std::move(poll); }

    // Calls from the instances of the script's classes.
    core::Variant callProcedure(const Procedure* proc, ClassInstance* me,
                                std::span<core::Variant* const> args);
    bool isAborting() const { return aborting_; }
    bool isRunning() const { return runDepth_ > 0; }
    // The Class_Terminate of an instance whose last reference went: it runs
    // once the statement under way has finished (at the latest when the
    // run ends), so that nothing it does touches a change half made. One let
    // go of between calls runs at the start of the next call, or when the
    // engine goes.
    void deferTerminate(std::shared_ptr<ClassInstance> twin);

  private:
    friend class ClassInstance;
    enum class Flow : std::uint8_t { Normal, ExitDo, ExitFor, ExitProc };

    // ---- binding (Binder.cpp) ----
    GlobalSlot* globalSlot(const QString& name, bool create);  // the script-level name, made on request
    void bindModule(Module& m);                                // declares a text's names, binds its code
    void bindProcedure(Procedure& p, ClassDef* cls, bool explicitMode);  // slots of one procedure
    void bindBlock(Block& b, Scope& s);                                  // every statement of a block
    void bindStmt(Stmt& st, Scope& s);                                   // one statement and its parts
    void bindExpr(Expr* e, Scope& s, bool callTarget = false);           // the names of an expression
    void bindName(NameExpr& n, Scope& s, bool callTarget);               // where a name lives
    void declareLocals(Block& b, Scope& s);                              // the Dim of a procedure
    core::Variant constValue(Expr* e, Scope& s);                         // a Const's value, at bind time

    // ---- statements (ExecStatements.cpp) ----
    Flow execBlock(const Block& b);  // statements in order, On Error Resume Next applied
    // The error of a statement: raised on, or kept in Err under On Error Resume Next.
    [[gnu::noinline, gnu::cold]] void statementFailed(const Stmt& st, std::exception_ptr error);
    Flow execStmt(const Stmt& st);                         // one statement: an assignment or an If here,
    [[gnu::noinline]] Flow execOtherStmt(const Stmt& st);  // the others, out of the way of its frame
    Flow execFor(const ForStmt& st);                       // For ... Next
    Flow execForEach(const ForEachStmt& st);               // For Each ... Next
    Flow execDo(const DoStmt& st);                         // Do ... Loop, While ... Wend
    void execDim(const DimStmt& st);                       // Dim and ReDim of arrays
    void execCallStmt(const CallStmt& st);                 // a call whose result is dropped

    // ---- expressions (EvalExpressions.cpp) ----
    core::Variant eval(const Expr* e);                         // the value of an expression
    [[gnu::noinline]] core::Variant evalOther(const Expr* e);  // Me, New and the unary operators
    // The value of an expression; a call of a function of the script goes
    // straight into it.
    core::Variant evalValue(const Expr* e) {
        if (e->shape == Shape::ScriptCall) {
            const auto* c = static_cast<const CallExpr*>(e);
            const GlobalSlot* g = c->global;
            if (g->kind == GlobalSlot::Proc && g->proc->params.size() == c->args.size())
                return callDirect(g->proc, c->args);
        }
        return eval(e);
    }
    // The value with an object's default member taken.
    core::Variant evalScalar(const Expr* e) {
        // An operator's value is never an object (its operands' default members were taken).
        if (e->kind == EK::Binary) return evalBinary(*static_cast<const BinaryExpr*>(e));
        core::Variant v = evalValue(e);
        if (v.isObject()) return v.resolved();
        return v;
    }
    // The value of an If or a loop's condition: a comparison of a local with a
    // whole number worked out on the numbers, else the expression's value
    // (Null counts as False). Defined in InterpreterFrames.h.
    inline bool condition(const Expr* e);
    // The value of an operand without copying it when it is a plain variable.
    const core::Variant& operand(const Expr* e, core::Variant& holder);
    // A literal, or a local or script-level variable that holds no object: the value itself; else none.
    inline const core::Variant* directOperand(const Expr* e) const;
    bool tryAppend(const AssignStmt& a);            // s = s & ... in place
    bool isPlainOperand(const Expr* e) const;       // reading it runs no script code
    core::Variant evalName(const NameExpr& n);      // a name read as a value
    core::Variant evalBinary(const BinaryExpr& b);  // an operator, or a run of them
    // The operator on its two operands' values.
    inline core::Variant applyOperator(const BinaryExpr& b, const core::Variant& left,
                                       const core::Variant& right);
    [[gnu::noinline]] core::Variant evalOperatorRun(const BinaryExpr& b);  // a run: a + b + c ...
    core::Variant* variableRef(const NameExpr& n, bool forWrite);          // the variable of a name, or 501
    core::Variant* refOf(const Expr* e);  // the variable an expression names, or none

    // ---- calls (Calls.cpp) ----
    // A call, an index or a default member, with array elements written back.
    core::Variant evalCall(const Expr* callee, const std::vector<ExprP>& args, core::CallKind kind);
    // A member of an object (Me's own members private ones included).
    core::Variant invokeOn(const core::Variant& target, const QString& name, core::CallKind kind,
                           std::span<core::Variant* const> args);
    // An array element or an object's default member.
    core::Variant indexOrDefault(const core::Variant& value, std::span<core::Variant* const> args,
                                 core::CallKind kind);
    core::Variant callBuiltin(const builtins::Info* info, const std::vector<ExprP>& args);  // by value
    core::Variant callBuiltin(const CallExpr& c);  // as the binder found it (Shape::BuiltinCall)
    // Its arguments counted: in place or evaluated, then the call.
    core::Variant runBuiltinCall(const builtins::Info* info, const std::vector<ExprP>& args,
                                 std::size_t inPlaceFrom);
    template <class Values>  // its arguments evaluated, then the call
    core::Variant runBuiltin(const builtins::Info* info, const std::vector<ExprP>& args, Values& values,
                             core::Variant** items, std::size_t inPlaceFrom);
    const core::Variant* builtinArgInPlace(const Expr* e) const;  // an argument read where it lies, or none
    core::Variant newInstance(const ClassDef* cls);               // New, with Class_Initialize
    void assign(const Expr* target, core::Variant value, bool isSet);  // = and Set
    core::Variant objectOf(const Expr* e);                             // the object of a member (or With's)

    // An array element passed to a by-reference parameter: the callee works
    // on a copy, which goes back into the array after the call.
    struct WriteBack {
        const NameExpr* array;
        std::vector<std::int32_t> index;
        std::size_t temp;
        core::Variant original;
    };
    // The arguments of one call: values and pointers on the engine's slot
    // stacks, taken once for every argument (and `extra` more pointers)
    // before the first is evaluated, and given back when the call is done.
    struct Args {
        explicit Args(Interpreter& engine) : engine(engine) {}
        ~Args();
        Args(const Args&) = delete;
        Args& operator=(const Args&) = delete;
        void add(core::Variant* p) { ptrs[count++] = p; }
        std::span<core::Variant* const> list() const { return {ptrs, count}; }

        Interpreter& engine;
        bool taken = false;
        SlotStack<core::Variant>::Mark valuesMark;
        SlotStack<core::Variant*>::Mark refsMark;
        core::Variant* temps = nullptr;
        std::size_t tempCount = 0;
        core::Variant** ptrs = nullptr;
        std::size_t count = 0;
        std::vector<WriteBack> back;
    };
    // The arguments of a call, then the call itself.
    core::Variant evalCallArgs(const Expr* callee, const std::vector<ExprP>& args, core::CallKind kind,
                               Args& a);
    void writeBack(Args& a);  // the changed array elements back into their arrays
    // Each argument as a variable (by reference) or a temporary value.
    void evalArgs(const std::vector<ExprP>& args, Args& out, std::size_t extra = 0);
    std::vector<std::int32_t> indices(std::span<core::Variant* const> args) const;  // as array indices

    // ---- run control (Interpreter.cpp) ----
    void tick() {
        if ((++ticks_ & 63u) == 0) slowCheck();
    }
    void slowCheck();                           // stop, time-out and event polling
    void startRun();                            // the clock and the flags of an outermost run
    [[noreturn]] void abort(bool cancelled);    // ends the run with the stop or time-out error
    void recordError(const core::AppError& e);  // into Err
    // The deferred terminates, in the order their instances went; errors in
    // them have nowhere to go, only a stop or a time-out goes on.
    void runDeferredTerminates();
    // The same after a statement (or at the end of a procedure) at this
    // place: a stop or a time-out raised outside the terminates' own
    // statements (before the first of them) is raised at the statement
    // that let go of the instances.
    [[gnu::noinline, gnu::cold]] void runTerminatesAfter(int line, int column);
    void runTerminatesOutsideACall();
    // Runs an outermost call, then the terminates its end made due.
    template <class Call>
    core::Variant finishCall(const Procedure* proc, Call&& call);
    // At the end of the engine: the dictionaries the script made that only
    // hold one another (Set d(d) = d) are emptied, so that they go.
    void breakDictionaryCycles();
    void trackMade(const core::Variant& made);  // a dictionary that a built-in made

    // The room of one frame on the frames' slot stack, given back when it ends.
    struct FrameRoom {
        explicit FrameRoom(Interpreter& e) : engine(e), mark(e.slots_.mark()) {}
        ~FrameRoom() { engine.releaseFrame(mark); }
        FrameRoom(const FrameRoom&) = delete;
        FrameRoom& operator=(const FrameRoom&) = delete;
        Interpreter& engine;
        SlotStack<FrameSlot>::Mark mark;
    };
    // The slots of a procedure's frame, each standing for its own value.
    FrameSlot* takeFrame(const Procedure* proc) {
        const std::size_t count = std::size_t(std::max(proc->slotCount, 1));
        FrameSlot* cells = slots_.take(count);
        for (std::size_t i = 0; i < count; ++i) cells[i].ref = &cells[i].value;
        return cells;
    }
    // A call of a procedure of the script whose arguments go straight into
    // its slots (no array element among them, as many as it takes).
    static bool passesDirectly(const Procedure* proc, const std::vector<ExprP>& args) {
        if (args.size() != proc->params.size()) return false;  // error 450, after the arguments
        for (const auto& a : args)
            if (a && a->kind == EK::Call) return false;  // maybe an array element, written back
        return true;
    }
    core::Variant callDirect(const Procedure* proc, const std::vector<ExprP>& args);
    // Runs a procedure on its prepared slots.
    core::Variant runFrame(const Procedure* proc, ClassInstance* me, FrameSlot* cells);
    // Gives back the room taken since the marks (not inlined: it would
    // grow the frame of every call on the thread's stack).
    [[gnu::noinline]] void releaseRoom(SlotStack<core::Variant>::Mark values,
                                       SlotStack<core::Variant*>::Mark refs);
    [[gnu::noinline]] void releaseFrame(SlotStack<FrameSlot>::Mark mark);
    SlotStack<FrameSlot> slots_;       // slots of frames
    SlotStack<core::Variant> values_;  // argument values
    SlotStack<core::Variant*> refs_;   // where the arguments live
    std::deque<GlobalSlot> globals_;
    QHash<QString, GlobalSlot*> globalIndex_;
    // Shared with the instances of the script's classes, which may outlive
    // the engine in the hands of the program.
    using Modules = std::vector<std::unique_ptr<Module>>;
    std::shared_ptr<Modules> modules_;
    std::shared_ptr<ErrObject> err_;
    core::Variant errValue_;
    Frame* frame_ = nullptr;
    FrameSlot* cells_ = nullptr;  // the slots of frame_, read by every local
    // The variable of slot i of the running procedure.
    core::Variant* var(int i) const { return cells_[i].ref; }
    bool terminatesDue_ = false;  // pendingTerminates_ holds some (read at every statement)
    int depth_ = 0;
    int runDepth_ = 0;
    std::uintptr_t stackLimit_ = 0;  // the lowest address a call may reach (0: not known)

    int timeoutMs_ = 0;
    QElapsedTimer timer_;
    qint64 waitAtStart_ = 0;  // the user's waiting time (core::userWaitMs) when the run began
    qint64 lastPoll_ = 0;
    unsigned ticks_ = 0;
    std::atomic<bool> cancel_{false};
    const std::atomic<bool>* externalCancel_ = nullptr;
    std::function<void()> poll_;
    bool aborting_ = false;
    std::shared_ptr<EngineLife> life_;
    // The stop and the time-out also inside a long member of the program.
    struct CallCheck : core::RunCheck {
        Interpreter* engine;
        explicit CallCheck(Interpreter* e) : engine(e) {}
        void check() override { engine->slowCheck(); }
    } callCheck_{this};
    std::deque<std::shared_ptr<ClassInstance>> pendingTerminates_;
    int terminateChain_ = 0;  // the chain of the terminate running (0: none)
    std::vector<std::weak_ptr<core::Object>> madeDictionaries_;
};

}  // namespace script
