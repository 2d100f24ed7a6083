#include "core/Prompt.h"

#include <QElapsedTimer>

namespace core {

namespace {

QString& softwareNameStore() {
    static QString name = QStringLiteral("Zelt Order");
    return name;
}

Prompt*& installed() {
    static Prompt* current = nullptr;
    return current;
}

QString titleOf(const QString& title) { return title.isEmpty() ? softwareName() : title; }

}  // namespace

QString softwareName() { return softwareNameStore(); }

void setSoftwareName(const QString& name) { softwareNameStore() = name; }

QString displayText(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

std::vector<int> answersOf(int style) {
    switch (style & 7) {
        case kOkCancel:
            return {kAnswerOk, kAnswerCancel};
        case kAbortRetryIgnore:
            return {kAnswerAbort, kAnswerRetry, kAnswerIgnore};
        case kYesNoCancel:
            return {kAnswerYes, kAnswerNo, kAnswerCancel};
        case kYesNo:
            return {kAnswerYes, kAnswerNo};
        case kRetryCancel:
            return {kAnswerRetry, kAnswerCancel};
        default:
            return {kAnswerOk};
    }
}

int defaultAnswer(int style) {
    const std::vector<int> answers = answersOf(style);
    const size_t index = static_cast<size_t>((style >> 8) & 3);
    return answers[index < answers.size() ? index : 0];
}

int escapeAnswer(int style) {
    const std::vector<int> answers = answersOf(style);
    for (int a : answers)
        if (a == kAnswerCancel) return kAnswerCancel;
    for (int a : answers)
        if (a == kAnswerNo) return kAnswerNo;
    return answers.front();
}

Prompt* currentPrompt() { return installed(); }

Prompt* installPrompt(Prompt* prompt) {
    Prompt* previous = installed();
    installed() = prompt;
    return previous;
}

namespace {
// The user's waiting time of this thread: what the ended waits took, and
// since when the one under way (the outermost) has lasted.
thread_local qint64 waitedMs = 0;
thread_local int openWaits = 0;
thread_local QElapsedTimer openWait;
}  // namespace

UserWaitScope::UserWaitScope() {
    if (openWaits++ == 0) openWait.start();
}

UserWaitScope::~UserWaitScope() {
    if (--openWaits == 0) waitedMs += openWait.elapsed();
}

qint64 userWaitMs() { return waitedMs + (openWaits > 0 ? openWait.elapsed() : 0); }

int messageBox(const QString& text, int style, const QString& title) {
    if (Prompt* p = installed()) {
        UserWaitScope wait;
        return p->message(text, style, titleOf(title));
    }
    return defaultAnswer(style);
}

std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    if (Prompt* p = installed()) {
        UserWaitScope wait;
        return p->input(prompt, titleOf(title), defaultText);
    }
    return std::nullopt;
}

ScriptedBoxes::ScriptedBoxes() : previous_(installPrompt(this)) {}

ScriptedBoxes::~ScriptedBoxes() { installPrompt(previous_); }

void ScriptedBoxes::answer(int answer) { answers_.push_back(answer); }

void ScriptedBoxes::input(std::optional<QString> text) { inputs_.push_back(std::move(text)); }

QString ScriptedBoxes::lastText() const { return shown_.empty() ? QString() : shown_.back().text; }

int ScriptedBoxes::message(const QString& text, int style, const QString& title) {
    int answer = defaultAnswer(style);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    shown_.push_back({text, title, style, answer, std::nullopt, false});
    return answer;
}

std::optional<QString> ScriptedBoxes::input(const QString& prompt, const QString& title,
                                            const QString& defaultText) {
    std::optional<QString> result = defaultText;
    if (!inputs_.empty()) {
        result = inputs_.front();
        inputs_.pop_front();
    }
    shown_.push_back({prompt, title, 0, 0, result, true});
    return result;
}

}  // namespace core
