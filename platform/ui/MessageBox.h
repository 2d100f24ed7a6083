#pragma once
// The one way the program shows a message box or asks for a line of text.
// Every box is titled with the software name unless the caller gives a title;
// texts may break lines with CR, CR LF or LF.
//
// Style and answer values are the classic MsgBox numbers, so that scripts and
// program code speak the same language: buttons + icon + default button.

#include <QString>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace platform {

// Buttons.
inline constexpr int kOkOnly = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kAbortRetryIgnore = 2;
inline constexpr int kYesNoCancel = 3;
inline constexpr int kYesNo = 4;
inline constexpr int kRetryCancel = 5;
// Icons.
inline constexpr int kCritical = 16;
inline constexpr int kQuestion = 32;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;
// Default button (first button when none is given).
inline constexpr int kDefaultButton1 = 0;
inline constexpr int kDefaultButton2 = 256;
inline constexpr int kDefaultButton3 = 512;

// Answers.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerAbort = 3;
inline constexpr int kAnswerRetry = 4;
inline constexpr int kAnswerIgnore = 5;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// Title of every box that gives none: the software name of the run
// ("Zelt Order" until the database names it otherwise).
QString softwareName();
void setSoftwareName(const QString& name);

// Shows a modal box and returns the answer (one of kAnswer*). An empty title
// means the software name. Closing the box with Esc or its close button gives
// Cancel when the box has a Cancel button, else No for Yes/No boxes, else OK.
int messageBox(const QString& text, int style = kOkOnly, const QString& title = QString(),
               QWidget* parent = nullptr);

// Asks for one line of text. Returns the text, or nothing when cancelled.
std::optional<QString> inputBox(const QString& prompt, const QString& title = QString(),
                                const QString& defaultText = QString(), QWidget* parent = nullptr);

// Text of a box as shown on screen: CR LF and lone CR become LF.
QString displayText(const QString& text);

// Test seam. While a ScriptedBoxes object lives, no box is shown: each box
// takes the next queued answer (when the queue is empty: its default button,
// or the default text for input boxes) and is logged with its texts.
class ScriptedBoxes {
public:
    struct Shown {
        QString text;   // as passed by the caller
        QString title;  // the title actually used
        int style = 0;
        int answer = 0;                // message boxes
        std::optional<QString> input;  // input boxes: the text given back
        bool isInput = false;
    };

    ScriptedBoxes();
    ~ScriptedBoxes();
    ScriptedBoxes(const ScriptedBoxes&) = delete;
    ScriptedBoxes& operator=(const ScriptedBoxes&) = delete;

    // Queues the answer of the next message box.
    void answer(int answer);
    // Queues the result of the next input box (nothing = cancelled).
    void input(std::optional<QString> text);

    const std::vector<Shown>& shown() const { return shown_; }
    // The text of the last box shown (empty when none was).
    QString lastText() const;
    void clear() { shown_.clear(); }

private:
    friend int messageBox(const QString&, int, const QString&, QWidget*);
    friend std::optional<QString> inputBox(const QString&, const QString&, const QString&,
                                           QWidget*);
    std::deque<int> answers_;
    std::deque<std::optional<QString>> inputs_;
    std::vector<Shown> shown_;
    ScriptedBoxes* previous_ = nullptr;
};

}  // namespace platform
