#pragma once
// The script control: compiles VBScript texts and runs their procedures by
// name, with objects of the program reachable from the script.
//
//   script::ScriptControl sc;
//   sc.setLanguage("vbscript");
//   sc.AddCode(text);                        // compile errors: AppError with line and column
//   std::vector<core::Variant> args{ds, prn};
//   core::Variant ok = sc.Run("PrintLabel", args);  // args may come back changed
//
// Failures are thrown as core::AppError with the language's error number, an
// Italian description and the script line; Error() keeps the last one.

#include "core/Object.h"
#include "core/Variant.h"
#include "script/Interpreter.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace script {

class ScriptControl {
  public:
    // Timeout value that lets a script run as long as it takes.
    static constexpr int kNoTimeout = -1;

    struct ErrorInfo {
        long Number = 0;
        QString Description;
        QString Source;
        int Line = 0;  // 1-based line of the text given to AddCode; 0 when unknown
        int Column = 0;
        void Clear() { *this = ErrorInfo(); }
    };

    ScriptControl();
    ~ScriptControl();
    ScriptControl(const ScriptControl&) = delete;
    ScriptControl& operator=(const ScriptControl&) = delete;

    // Only "vbscript" (any letter case) is known; another name raises error 5.
    const QString& Language() const { return language_; }
    void setLanguage(const QString& language);

    // Milliseconds a call of AddCode or Run may take before it is stopped with
    // an error; kNoTimeout (the default) or 0 for no limit. Checked at every
    // loop turn and procedure call.
    int Timeout() const { return timeout_; }
    void setTimeout(int ms);

    // Compiles the text (added to what was compiled before) and runs its
    // statements outside procedures.
    void AddCode(const QString& text);
    // Makes an object reachable from the script under that name.
    void AddObject(const QString& name, std::shared_ptr<core::Object> object);
    // Calls the procedure with the given arguments. Each argument is a
    // reference to the caller's variable: a value the script assigns to a
    // parameter declared ByRef (the default) comes back there.
    core::Variant Run(const QString& name, std::span<core::Variant* const> args);
    core::Variant Run(const QString& name, std::vector<core::Variant>& args);
    core::Variant Run(const QString& name);
    bool HasProcedure(const QString& name) const;

    // The last failure (Number 0 when the last call succeeded).
    const ErrorInfo& Error() const { return error_; }

    // Forgets the compiled code and the added objects (error 5 while a call
    // of this control is running).
    void Reset();

    // Stops the running script at its next loop turn or call (the call ends
    // with an error whose cancelled() is true). Safe from any thread.
    void Cancel();
    // A flag of the caller's that stops the script the same way when set.
    void setCancelFlag(const std::atomic<bool>* flag);
    // Called about every 50 ms while a script runs, so that a window can keep
    // painting and offer its stop button.
    void setPollCallback(std::function<void()> poll);

  private:
    template <class Fn>
    auto guarded(Fn&& fn) -> decltype(fn());

    QString language_;
    int timeout_ = kNoTimeout;
    ErrorInfo error_;
    std::unique_ptr<Interpreter> interp_;
    const std::atomic<bool>* cancelFlag_ = nullptr;
    std::function<void()> poll_;
};

}  // namespace script
