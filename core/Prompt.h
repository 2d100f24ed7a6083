#pragma once
// How the engine tells the user something or asks a question, without knowing
// about windows: a message with buttons and an icon gives back the button
// pressed; a request for a line of text gives back the text or nothing.
//
// The program installs its message boxes at start; tests install scripted
// answers (ScriptedBoxes). With nothing installed, a message takes its default
// button and a request for text is cancelled.
//
// Style and answer values are the classic MsgBox numbers, so that scripts and
// program code speak the same language: buttons + icon + default button.

#include <QString>

#include <deque>
#include <optional>
#include <vector>

namespace core {

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

// Title of every message that gives none: the software name of the run
// ("Zelt Order" until the database names it otherwise).
QString softwareName();
void setSoftwareName(const QString& name);

// Text of a message as shown on screen: CR LF and lone CR become LF.
QString displayText(const QString& text);

// The answers a style offers, in the order of its buttons.
std::vector<int> answersOf(int style);
// The answer of the style's default button.
int defaultAnswer(int style);
// The answer that closing the message without a button gives: Cancel when
// there is one, else No for Yes/No, else the first button.
int escapeAnswer(int style);

// The user's side of the engine. Titles reach it already resolved (never empty).
class Prompt {
  public:
    virtual ~Prompt() = default;
    virtual int message(const QString& text, int style, const QString& title) = 0;
    virtual std::optional<QString> input(const QString& prompt, const QString& title,
                                         const QString& defaultText) = 0;
};

// The prompt in use (null when none is installed) and its installation;
// installPrompt gives back the one it replaces.
Prompt* currentPrompt();
Prompt* installPrompt(Prompt* prompt);

// Shows a message and returns the answer (one of kAnswer*). An empty title
// means the software name.
int messageBox(const QString& text, int style = kOkOnly, const QString& title = QString());
// Asks for one line of text: the text, or nothing when cancelled.
std::optional<QString> inputBox(const QString& prompt, const QString& title = QString(),
                                const QString& defaultText = QString());

// Milliseconds this thread has spent so far waiting for the user inside
// messageBox, inputBox and the windows below; time limits of scripts leave
// that time out.
qint64 userWaitMs();

// Counts its lifetime as the user's: a window the user reads or answers in
// the middle of a script's call (a preview shown by a layout). Inside
// another one it adds nothing of its own.
class UserWaitScope {
  public:
    UserWaitScope();
    ~UserWaitScope();
    UserWaitScope(const UserWaitScope&) = delete;
    UserWaitScope& operator=(const UserWaitScope&) = delete;
};

// Test seam: while a ScriptedBoxes object lives it is the prompt. Each message
// takes the next queued answer (when the queue is empty: its default button;
// input requests: the default text) and is logged with its texts.
class ScriptedBoxes : public Prompt {
  public:
    struct Shown {
        QString text;   // as passed by the caller
        QString title;  // the title actually used
        int style = 0;
        int answer = 0;                // messages
        std::optional<QString> input;  // input requests: the text given back
        bool isInput = false;
    };

    ScriptedBoxes();
    ~ScriptedBoxes() override;
    ScriptedBoxes(const ScriptedBoxes&) = delete;
    ScriptedBoxes& operator=(const ScriptedBoxes&) = delete;

    // Queues the answer of the next message.
    void answer(int answer);
    // Queues the result of the next input request (nothing = cancelled).
    void input(std::optional<QString> text);

    const std::vector<Shown>& shown() const { return shown_; }
    // The text of the last message shown (empty when none was).
    QString lastText() const;
    void clear() { shown_.clear(); }

    int message(const QString& text, int style, const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;

  private:
    std::deque<int> answers_;
    std::deque<std::optional<QString>> inputs_;
    std::vector<Shown> shown_;
    Prompt* previous_ = nullptr;
};

}  // namespace core
