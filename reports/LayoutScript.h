#pragma once
// The one contract between the program and the VBScript procedures of the
// report and label layouts: how a layout's text is compiled, which
// procedures are called with which arguments, what their result means, the
// default texts of new layouts, and the messages shown when a layout fails.
//
// Every procedure returns a Boolean: True goes on, False (or nothing
// assigned) stops the run. A procedure call may run for 30 seconds at most;
// the progress window's stop reaches a running procedure.

#include "core/Variant.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace script {
class ScriptControl;
}

namespace reports {

// What the procedures' runners need of a page object.
class LayoutPage {
  public:
    virtual ~LayoutPage() = default;
    // The layout's stored instructions.
    virtual QString VBScript() const = 0;
    // Row-relative coordinates on or off.
    virtual void setRowPrinting(bool on) = 0;
    // Moves to the next detail row.
    virtual void NewReportRow() = 0;
};

// Milliseconds a procedure call may take.
inline constexpr int kLayoutTimeoutMs = 30000;

// One compiled layout: the script control of a report pass or a label run.
class LayoutScript {
  public:
    LayoutScript();
    ~LayoutScript();
    script::ScriptControl& control() { return *control_; }

    // Called about every 50 ms while a procedure runs (windows keep painting);
    // returning true stops the running procedure.
    void setPoll(std::function<bool()> poll);
    // A procedure failed (script error, time-out, stop, missing procedure, a
    // page object or data set handed back as Nothing or as a non-object):
    // the run must deliver nothing.
    bool failed() const { return failed_; }
    // The failure was the user's stop.
    bool stopped() const { return stopped_; }

    // Runs a procedure with references to the caller's variables. The
    // arguments at objectArgs (bit i: argument i) must still hold objects
    // when the procedure returns. A failure shows prefix + the error and
    // gives false.
    bool run(const QString& procedure, std::span<core::Variant* const> args, unsigned objectArgs,
             const QString& prefix);
    // A failure found by the caller: shows prefix + the description, gives false.
    bool fail(const QString& prefix, const QString& description);

  private:
    std::unique_ptr<script::ScriptControl> control_;
    std::function<bool()> poll_;
    bool failed_ = false;
    bool stopped_ = false;
};

// Reports. The text is the given one, else prn's VBScript; with note rows and
// no "PrintNoteRow(" in it, the default note-row procedure is added. A text
// that does not compile shows its message and gives nothing.
std::unique_ptr<LayoutScript> CreateReportScript(core::Variant& prn, const QString& text, bool noteRows);
bool RunPrintDataInit(core::Variant& dsRow, core::Variant& prn, LayoutScript& script);
bool RunPrintReportRow(core::Variant& dsRow, core::Variant& prn, LayoutScript& script, std::int32_t nRow);
bool RunPrintReportMask(core::Variant& ds, core::Variant& prn, LayoutScript& script, bool bTotal);
bool RunPrintNoteRow(core::Variant& sNoteRow, core::Variant& ds, core::Variant& prn, LayoutScript& script,
                     std::int32_t nRow);

// Labels.
std::unique_ptr<LayoutScript> CreateLabelScript(const QString& text);
bool RunLabelScript(core::Variant& ds, core::Variant& prn, LayoutScript& script);
// Compiles the text, runs PrintLabel once and lets the control go (the label
// preview). failed, when given, tells a failure from a False result.
bool RunLabelScriptCode(core::Variant& ds, core::Variant& prn, const QString& code, bool* failed = nullptr);

// The default texts of new layouts (lines end with CR LF).
QString DefaultReportMaskText();
QString DefaultReportRowText();
QString DefaultReportDataInitText();
QString DefaultReportNoteRowText();
// Mask, row and data-initialisation texts, then the note-row text when the
// layout is for data with note rows.
QString DefaultReportText(bool noteRows);
QString DefaultLabelText();

// The text of a layout error's box: prefix, two CRs, the description, a CR
// and, for a script error, a CR and "Linea VB: " line ", colonna " column.
QString LayoutErrorText(const QString& prefix, const QString& description, long number, int line, int column);

}  // namespace reports
