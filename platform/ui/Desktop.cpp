#include "platform/ui/Desktop.h"

#include "platform/Shell.h"
#include "platform/ui/MessageBox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QPrinterInfo>
#include <QRegularExpression>
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

namespace {

// The extension a filter names: "txt" for "Testo (*.txt)"; empty for "*.*".
QString suffixOf(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9_]+)"));
    const QRegularExpressionMatch m = pattern.match(filter);
    return m.hasMatch() ? m.captured(1) : QString();
}

}  // namespace

QString saveFileName(QWidget* parent, const QString& caption, const QString& fileName, const QString& filter,
                     bool askBeforeReplacing) {
    if (ScriptedFileDialogs* s = scriptedDialogs()) return s->next(fileName);
    QString proposed = fileName;
    for (;;) {
        QFileDialog dialog(parent, caption, proposed, filter);
        dialog.setObjectName(QStringLiteral("dlgSaveFile"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setDefaultSuffix(suffixOf(filter));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
        QString path = dialog.selectedFiles().constFirst();
        const QString suffix = suffixOf(dialog.selectedNameFilter());
        if (!suffix.isEmpty() && !path.endsWith(u'.' + suffix, Qt::CaseInsensitive)) path += u'.' + suffix;
        if (!askBeforeReplacing || !QFileInfo::exists(path)) return path;
        const int answer = messageBox(QStringLiteral("Il file ") + QDir::toNativeSeparators(path) +
                                          QStringLiteral(" esiste già.\r\rSostituirlo ?"),
                                      kYesNo | kExclamation | kDefaultButton2, QString(), parent);
        if (answer == kAnswerYes) return path;
        proposed = path;
    }
}

QString openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter) {
    if (ScriptedFileDialogs* s = scriptedDialogs()) return s->next(dir);
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

}  // namespace platform
