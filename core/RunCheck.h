#pragma once
// Work that one call of a script starts inside a member of the program (a
// long text drawn line by line, many pages) asks now and then whether the
// run must stop. The script engine installs its check while it runs a call;
// the check throws the run's stop or time-out error, which ends the call as
// it would between two statements.
//
//   for (...) { core::checkRun(); drawOneLine(); }

namespace core {

// The number of the error a check throws when the run must stop (its time
// limit or the user's stop; the error's cancelled() flag tells the stop).
inline constexpr long kErrRunStopped = -2147467260L;  // 0x80004004

class RunCheck {
  public:
    virtual ~RunCheck() = default;
    // Throws when the run must stop; returns otherwise.
    virtual void check() = 0;
};

// Installs a check for its lifetime; the one before comes back after.
class RunCheckScope {
  public:
    explicit RunCheckScope(RunCheck* check);
    ~RunCheckScope();
    RunCheckScope(const RunCheckScope&) = delete;
    RunCheckScope& operator=(const RunCheckScope&) = delete;

  private:
    RunCheck* previous_;
};

// Runs the installed check; nothing when no script runs.
void checkRun();

}  // namespace core
