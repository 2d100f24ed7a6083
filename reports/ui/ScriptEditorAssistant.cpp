#include "reports/ui/ScriptEditorAssistant.h"

#include "platform/ui/GuardedApplication.h"

#include <QColorDialog>
#include <QCursor>
#include <QEvent>
#include <QFontDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace reports {

namespace {

ScriptEditorAssistant::FontChooser& fontChooser() {
    static ScriptEditorAssistant::FontChooser chooser;
    return chooser;
}

ScriptEditorAssistant::ColorChooser& colorChooser() {
    static ScriptEditorAssistant::ColorChooser chooser;
    return chooser;
}

ScriptEditorAssistant::MenuPopper& menuPopper() {
    static ScriptEditorAssistant::MenuPopper popper;
    return popper;
}

std::optional<QFont> chooseFont(QWidget* parent) {
    if (fontChooser()) return fontChooser()(parent);
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, parent);
    return ok ? std::optional<QFont>(font) : std::nullopt;
}

std::optional<QColor> chooseColor(QWidget* parent) {
    if (colorChooser()) return colorChooser()(parent);
    const QColor color = QColorDialog::getColor(Qt::black, parent);
    return color.isValid() ? std::optional<QColor>(color) : std::nullopt;
}

}  // namespace

ScriptEditorAssistant::ScriptEditorAssistant(QPlainTextEdit* box, QLabel* lblLine, QWidget* popupAnchor,
                                             DataVarRule rule, QObject* parent)
    : QObject(parent), box_(box), lblLine_(lblLine), anchor_(popupAnchor), rule_(std::move(rule)) {
    box_->setLineWrapMode(QPlainTextEdit::NoWrap);
    timer_.setSingleShot(true);
    timer_.setInterval(10);
    platform::connectGuarded(&timer_, &QTimer::timeout, this, &ScriptEditorAssistant::onTick);
    platform::connectGuarded(box_, &QPlainTextEdit::textChanged, this, &ScriptEditorAssistant::onTextChanged);
    platform::connectGuarded(box_, &QPlainTextEdit::cursorPositionChanged, this,
                             &ScriptEditorAssistant::ShowScriptPosition);
    box_->installEventFilter(this);
}

void ScriptEditorAssistant::setFontChooser(FontChooser chooser) { fontChooser() = std::move(chooser); }
void ScriptEditorAssistant::setColorChooser(ColorChooser chooser) { colorChooser() = std::move(chooser); }

void ScriptEditorAssistant::setMenuPopper(MenuPopper popper) { menuPopper() = std::move(popper); }

void ScriptEditorAssistant::PopMenu(QMenu* menu, const QPoint& at) {
    if (!menu) return;
    if (menuPopper())
        menuPopper()(menu, at);
    else
        menu->exec(at);
}

void ScriptEditorAssistant::setAction(const QString& tag, std::function<void()> action) {
    actions_.insert(tag, std::move(action));
}

void ScriptEditorAssistant::Queue(const QString& tag) {
    tag_ = tag;
    timer_.start();
}

QString ScriptEditorAssistant::GetScriptDataVarName() const {
    return rule_ ? rule_(box_->toPlainText(), caret()) : QString();
}

int ScriptEditorAssistant::caret() const { return box_->textCursor().position(); }

void ScriptEditorAssistant::InsertAtCaret(const QString& script, int caretOffset) {
    // The box keeps one character per line end; scripts are stored with CR LF.
    const auto boxText = [](QString s) { return s.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); };
    const QString text = boxText(script);
    if (caretOffset >= 0) caretOffset = int(boxText(script.left(caretOffset)).size());
    QTextCursor cursor = box_->textCursor();
    const int at = cursor.position();
    cursor.clearSelection();
    inserting_ = true;  // an insert opens no menu of its own
    cursor.insertText(text);
    inserting_ = false;
    cursor.setPosition(at + int(caretOffset < 0 ? text.size() : caretOffset));
    box_->setTextCursor(cursor);
    box_->setFocus();
    emit modified();
}

void ScriptEditorAssistant::onTextChanged() {
    emit modified();
    if (!inserting_)
        RunTriggers();
    else
        ShowScriptPosition();
}

void ScriptEditorAssistant::RunTriggers() {
    const QString text = box_->toPlainText();
    const int p = caret();
    switch (DetectScriptTrigger(text, p, GetScriptDataVarName())) {
        case ScriptTrigger::OutputMenu:
            if (onOutputMenu) onOutputMenu();
            break;
        case ScriptTrigger::DataMenu:
            if (onDataMenu) onDataMenu();
            break;
        case ScriptTrigger::ReferenceMenu:
            if (onReferenceMenu)
                onReferenceMenu();
            else
                Queue(QStringLiteral("PopUpReferenceMenù"));
            break;
        case ScriptTrigger::FieldMenu:
            if (onFieldMenu)
                onFieldMenu();
            else
                Queue(QStringLiteral("PopUpTableMenù"));
            break;
        case ScriptTrigger::FontDialog:
            if (const auto font = chooseFont(box_->window())) {
                const double size = font->pointSizeF() > 0 ? font->pointSizeF() : font->pointSize();
                InsertAtCaret(
                    FontInsertText(size, font->bold(), font->italic(), font->family(), font->underline()));
            }
            break;
        case ScriptTrigger::ColorDialog:
            if (const auto color = chooseColor(box_->window())) {
                const unsigned value =
                    unsigned(color->red()) | unsigned(color->green()) << 8 | unsigned(color->blue()) << 16;
                InsertAtCaret(ColorInsertText(value));
            }
            break;
        case ScriptTrigger::None:
            break;
    }
    ShowScriptPosition();
}

void ScriptEditorAssistant::onTick() {
    if (busy_) {
        timer_.start();  // the queued action runs once the current one is over
        return;
    }
    busy_ = true;
    const QString tag = tag_;
    timer_.stop();
    tag_.clear();
    try {
        if (const auto it = actions_.constFind(tag); it != actions_.constEnd() && *it) (*it)();
    } catch (...) {
        // A failing action ends quietly; what it inserted stays.
    }
    busy_ = false;
}

QPoint ScriptEditorAssistant::popupPosition() const {
    QWidget* active = box_->window() ? box_->window()->focusWidget() : nullptr;
    if (active == box_ || !anchor_) return box_->mapToGlobal(QPoint(box_->width() / 2, box_->height() / 2));
    return QPoint(QCursor::pos().x(), anchor_->mapToGlobal(QPoint(0, 0)).y());
}

void ScriptEditorAssistant::PopupMenuAtCaret(QMenu* menu) { PopMenu(menu, popupPosition()); }

int ScriptEditorAssistant::GetScriptLineCount() const { return box_->document()->blockCount(); }

int ScriptEditorAssistant::GetScriptCaretLine() const { return box_->textCursor().blockNumber(); }

void ScriptEditorAssistant::ShowScriptPosition() {
    if (lblLine_) lblLine_->setText(ScriptLineDisplay(GetScriptCaretLine(), GetScriptLineCount()));
}

bool ScriptEditorAssistant::eventFilter(QObject* watched, QEvent* event) {
    if (watched == box_ &&
        (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease))
        ShowScriptPosition();
    return QObject::eventFilter(watched, event);
}

}  // namespace reports
