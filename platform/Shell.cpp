#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QPrinterInfo>

namespace platform {

namespace {

OpenHandler& openHandler() {
    static OpenHandler handler;
    return handler;
}

ScriptedFileDialogs*& scriptedDialogs() {
    static ScriptedFileDialogs* current = nullptr;
    return current;
}

QString& chosenPrinter() {
    static QString name;
    return name;
}

}  // namespace

QUrl urlForTarget(const QString& target) {
    // A scheme is at least two letters, so that a drive letter ("C:") is not one.
    const int colon = target.indexOf(QLatin1Char(':'));
    if (colon >= 2) {
        const QString scheme = target.left(colon);
        bool schemeLike = scheme.at(0).isLetter();
        for (QChar c : scheme)
            if (!(c.isLetterOrNumber() || c == QLatin1Char('+') || c == QLatin1Char('-') ||
                  c == QLatin1Char('.')))
                schemeLike = false;
        if (schemeLike) return QUrl::fromEncoded(target.toUtf8(), QUrl::StrictMode);
    }
    return QUrl::fromLocalFile(target);
}

bool openDocument(const QString& target) {
    if (target.isEmpty()) return false;
    const QUrl url = urlForTarget(target);
    if (!url.isValid()) return false;
    if (openHandler()) return openHandler()(url);
    return QDesktopServices::openUrl(url);
}

void setOpenHandler(OpenHandler handler) { openHandler() = std::move(handler); }

ScriptedFileDialogs::ScriptedFileDialogs() : previous_(scriptedDialogs()) {
    scriptedDialogs() = this;
}

ScriptedFileDialogs::~ScriptedFileDialogs() { scriptedDialogs() = previous_; }

QString ScriptedFileDialogs::next(const QString& proposed) {
    proposed_.push_back(proposed);
    if (answers_.empty()) return QString();
    QString a = answers_.front();
    answers_.pop_front();
    return a;
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& fileName,
                     const QString& filter) {
    if (ScriptedFileDialogs* s = scriptedDialogs()) return s->next(fileName);
    return QFileDialog::getSaveFileName(parent, caption, fileName, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter) {
    if (ScriptedFileDialogs* s = scriptedDialogs()) return s->next(dir);
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString defaultPrinterName() {
    if (!chosenPrinter().isEmpty()) return chosenPrinter();
    return QPrinterInfo::defaultPrinterName();
}

void setChosenPrinterName(const QString& name) { chosenPrinter() = name; }

}  // namespace platform
