#include "platform/MessageBox.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

QString& softwareNameStore() {
    static QString name = QStringLiteral("Zelt Order");
    return name;
}

ScriptedBoxes*& scripted() {
    static ScriptedBoxes* current = nullptr;
    return current;
}

struct ButtonSpec {
    int answer;
    QMessageBox::StandardButton button;
};

// The captions are Italian whatever the machine's language.
QString captionOf(int answer) {
    switch (answer) {
    case kAnswerCancel:
        return QStringLiteral("Annulla");
    case kAnswerAbort:
        return QStringLiteral("Interrompi");
    case kAnswerRetry:
        return QStringLiteral("Riprova");
    case kAnswerIgnore:
        return QStringLiteral("Ignora");
    case kAnswerYes:
        return QStringLiteral("Sì");
    case kAnswerNo:
        return QStringLiteral("No");
    default:
        return QStringLiteral("OK");
    }
}

std::vector<ButtonSpec> buttonsOf(int style) {
    switch (style & 7) {
    case kOkCancel:
        return {{kAnswerOk, QMessageBox::Ok}, {kAnswerCancel, QMessageBox::Cancel}};
    case kAbortRetryIgnore:
        return {{kAnswerAbort, QMessageBox::Abort},
                {kAnswerRetry, QMessageBox::Retry},
                {kAnswerIgnore, QMessageBox::Ignore}};
    case kYesNoCancel:
        return {{kAnswerYes, QMessageBox::Yes},
                {kAnswerNo, QMessageBox::No},
                {kAnswerCancel, QMessageBox::Cancel}};
    case kYesNo:
        return {{kAnswerYes, QMessageBox::Yes}, {kAnswerNo, QMessageBox::No}};
    case kRetryCancel:
        return {{kAnswerRetry, QMessageBox::Retry}, {kAnswerCancel, QMessageBox::Cancel}};
    default:
        return {{kAnswerOk, QMessageBox::Ok}};
    }
}

int defaultAnswer(const std::vector<ButtonSpec>& buttons, int style) {
    const size_t index = static_cast<size_t>((style >> 8) & 3);
    return buttons[index < buttons.size() ? index : 0].answer;
}

int escapeAnswer(const std::vector<ButtonSpec>& buttons) {
    for (const ButtonSpec& b : buttons)
        if (b.answer == kAnswerCancel) return kAnswerCancel;
    for (const ButtonSpec& b : buttons)
        if (b.answer == kAnswerNo) return kAnswerNo;
    return buttons.front().answer;
}

QMessageBox::Icon iconOf(int style) {
    switch (style & 0x70) {
    case kCritical:
        return QMessageBox::Critical;
    case kQuestion:
        return QMessageBox::Question;
    case kExclamation:
        return QMessageBox::Warning;
    case kInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QString titleOf(const QString& title) { return title.isEmpty() ? softwareName() : title; }

QWidget* ownerOf(QWidget* parent) {
    if (parent) return parent->window();
    return QApplication::activeWindow();
}

}  // namespace

QString softwareName() { return softwareNameStore(); }

void setSoftwareName(const QString& name) { softwareNameStore() = name; }

QString displayText(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

int messageBox(const QString& text, int style, const QString& title, QWidget* parent) {
    const std::vector<ButtonSpec> buttons = buttonsOf(style);
    const QString shownTitle = titleOf(title);

    if (ScriptedBoxes* s = scripted()) {
        int answer = defaultAnswer(buttons, style);
        if (!s->answers_.empty()) {
            answer = s->answers_.front();
            s->answers_.pop_front();
        }
        s->shown_.push_back({text, shownTitle, style, answer, std::nullopt, false});
        return answer;
    }

    QMessageBox box(iconOf(style), shownTitle, displayText(text), QMessageBox::NoButton,
                    ownerOf(parent));
    const int defAnswer = defaultAnswer(buttons, style);
    const int escAnswer = escapeAnswer(buttons);
    for (const ButtonSpec& b : buttons) {
        QPushButton* button = box.addButton(b.button);
        button->setText(captionOf(b.answer));
        if (b.answer == defAnswer) box.setDefaultButton(button);
        if (b.answer == escAnswer) box.setEscapeButton(button);
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const ButtonSpec& b : buttons)
        if (clicked && box.standardButton(clicked) == b.button) return b.answer;
    return escAnswer;
}

std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                const QString& defaultText, QWidget* parent) {
    const QString shownTitle = titleOf(title);
    if (ScriptedBoxes* s = scripted()) {
        std::optional<QString> result = defaultText;
        if (!s->inputs_.empty()) {
            result = s->inputs_.front();
            s->inputs_.pop_front();
        }
        s->shown_.push_back({prompt, shownTitle, 0, 0, result, true});
        return result;
    }

    QInputDialog dialog(ownerOf(parent));
    dialog.setWindowTitle(shownTitle);
    dialog.setLabelText(displayText(prompt));
    dialog.setTextValue(defaultText);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Annulla"));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

ScriptedBoxes::ScriptedBoxes() : previous_(scripted()) { scripted() = this; }

ScriptedBoxes::~ScriptedBoxes() { scripted() = previous_; }

void ScriptedBoxes::answer(int answer) { answers_.push_back(answer); }

void ScriptedBoxes::input(std::optional<QString> text) { inputs_.push_back(std::move(text)); }

QString ScriptedBoxes::lastText() const { return shown_.empty() ? QString() : shown_.back().text; }

}  // namespace platform
