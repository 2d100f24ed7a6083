#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace platform {

namespace {

// What a title bar takes beside its title: the window's icon, its three
// buttons and the margins between them.
constexpr int kTitleBarRoom = 140;

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

QMessageBox::StandardButton buttonOf(int answer) {
    switch (answer) {
        case kAnswerCancel:
            return QMessageBox::Cancel;
        case kAnswerAbort:
            return QMessageBox::Abort;
        case kAnswerRetry:
            return QMessageBox::Retry;
        case kAnswerIgnore:
            return QMessageBox::Ignore;
        case kAnswerYes:
            return QMessageBox::Yes;
        case kAnswerNo:
            return QMessageBox::No;
        default:
            return QMessageBox::Ok;
    }
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

// The window the next box belongs to, while a window's own call runs.
QPointer<QWidget>& requestedParent() {
    static QPointer<QWidget> parent;
    return parent;
}

// True when `window` belongs to `owner` (a window opened over it).
bool ownedBy(QWidget* window, QWidget* owner) {
    for (QWidget* p = window->parentWidget(); p; p = p->parentWidget())
        if (p->window() == owner) return true;
    return false;
}

// The window a box belongs to: the window the user works in (the modal one
// when one is up, else the active one), so that a box raised for another
// window (the main window, as the data library's notification sink) never
// brings that one to the front. The window of the innermost owner given wins
// only where it stands over the active one (shown, not yet activated) or no
// window is active.
QWidget* owner() {
    QWidget* active = QApplication::activeModalWidget();
    if (!active) active = QApplication::activeWindow();
    QWidget* requested = requestedParent() ? requestedParent()->window() : nullptr;
    if (requested && requested->isVisible() && (!active || ownedBy(requested, active))) return requested;
    return active ? active : requested;
}

// The title bar shows the box's title beside the window manager's icon and
// buttons: a box with a short text is made wide enough for the whole title.
int widthForTitle(const QWidget& box, const QString& title) {
    QFont bold = box.font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(title) + kTitleBarRoom;
}

void fitTitle(QMessageBox& box, const QString& title) {
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(widthForTitle(box, title), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

// After the answer the window the box belonged to is the active one again.
void reactivate(const QPointer<QWidget>& window) {
    if (!window || !window->isVisible()) return;
    window->raise();
    window->activateWindow();
}

class BoxPrompt : public core::Prompt {
  public:
    int message(const QString& text, int style, const QString& title) override {
        const QPointer<QWidget> parent = owner();
        QMessageBox box(iconOf(style), title, displayText(text), QMessageBox::NoButton, parent);
        fitTitle(box, title);
        const int defAnswer = core::defaultAnswer(style);
        const int escAnswer = core::escapeAnswer(style);
        const std::vector<int> answers = core::answersOf(style);
        for (int a : answers) {
            QPushButton* button = box.addButton(buttonOf(a));
            button->setText(captionOf(a));
            if (a == defAnswer) box.setDefaultButton(button);
            if (a == escAnswer) box.setEscapeButton(button);
        }
        box.exec();
        reactivate(parent);
        QAbstractButton* clicked = box.clickedButton();
        for (int a : answers)
            if (clicked && box.standardButton(clicked) == buttonOf(a)) return a;
        return escAnswer;
    }

    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override {
        const QPointer<QWidget> parent = owner();
        QInputDialog dialog(parent);
        dialog.setWindowTitle(title);
        dialog.setLabelText(displayText(prompt));
        dialog.setTextValue(defaultText);
        dialog.setOkButtonText(QStringLiteral("OK"));
        dialog.setCancelButtonText(QStringLiteral("Annulla"));
        // The dialog takes its size from its controls: its prompt is as wide as the title.
        if (auto* label = dialog.findChild<QLabel*>()) label->setMinimumWidth(widthForTitle(dialog, title));
        const int result = dialog.exec();
        reactivate(parent);
        if (result != QDialog::Accepted) return std::nullopt;
        return dialog.textValue();
    }
};

BoxPrompt& boxes() {
    static BoxPrompt prompt;
    return prompt;
}

// Runs a window's request through the installed prompt (the boxes when none
// is installed), with the window as the owner of the box.
template <class F>
auto withParent(QWidget* parent, F&& ask) {
    BoxOwner scope(parent);
    if (!core::currentPrompt()) core::installPrompt(&boxes());
    return ask();
}

}  // namespace

BoxOwner::BoxOwner(QWidget* owner) : saved_(requestedParent()) {
    if (owner) requestedParent() = owner;
}

BoxOwner::~BoxOwner() { requestedParent() = saved_; }

QWidget* BoxOwner::current() { return owner(); }

void installMessageBoxes() { core::installPrompt(&boxes()); }

int messageBox(const QString& text, int style, const QString& title, QWidget* parent) {
    return withParent(parent, [&] { return core::messageBox(text, style, title); });
}

std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText,
                                QWidget* parent) {
    return withParent(parent, [&] { return core::inputBox(prompt, title, defaultText); });
}

}  // namespace platform
