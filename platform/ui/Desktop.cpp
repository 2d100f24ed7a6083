#include "platform/ui/Desktop.h"

#include "platform/Shell.h"
#include "platform/ui/MessageBox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QPrinterInfo>
#include <QTranslator>

namespace platform {

namespace {

ScriptedFileDialogs*& scriptedDialogs() {
    static ScriptedFileDialogs* current = nullptr;
    return current;
}

}  // namespace

void installDesktopServices() {
    installMessageBoxes();
    installDesktop({[](const QUrl& url) { return QDesktopServices::openUrl(url); },
                    [] { return QPrinterInfo::defaultPrinterName(); }});
}

bool installToolkitTranslation() {
    static QTranslator* translator = nullptr;
    if (translator) return true;
    auto* t = new QTranslator(QCoreApplication::instance());
    if (!t->load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(t)) {
        delete t;
        return false;
    }
    translator = t;
    return true;
}

ScriptedFileDialogs::ScriptedFileDialogs() : previous_(scriptedDialogs()) { scriptedDialogs() = this; }

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

QString openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter) {
    if (ScriptedFileDialogs* s = scriptedDialogs()) return s->next(dir);
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

}  // namespace platform
