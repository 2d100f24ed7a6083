#pragma once
// Opening documents and links with the desktop's own programs (browser, mail
// client, viewers), and the common file dialogs.

#include <QString>
#include <QUrl>

#include <deque>
#include <functional>
#include <vector>

class QWidget;

namespace platform {

// The URL for a target: a text with a scheme ("mailto:...", "http://...")
// is taken as an already encoded link, anything else as a local file.
QUrl urlForTarget(const QString& target);

// Hands the target to the desktop. True when the desktop accepted it.
bool openDocument(const QString& target);

// Test seam: while set, openDocument hands its URL here instead of the desktop.
using OpenHandler = std::function<bool(const QUrl&)>;
void setOpenHandler(OpenHandler handler);

// The save-file dialog; empty when cancelled. The caller asks before
// replacing an existing file.
QString saveFileName(QWidget* parent, const QString& caption, const QString& fileName,
                     const QString& filter);
// The open-file dialog; empty when cancelled.
QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter);

// Test seam: while one lives, file dialogs are not shown; each takes the next
// queued answer ("" = cancelled) and logs the file name it proposed.
class ScriptedFileDialogs {
public:
    ScriptedFileDialogs();
    ~ScriptedFileDialogs();
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    void answer(const QString& path) { answers_.push_back(path); }
    const std::vector<QString>& proposed() const { return proposed_; }

    QString next(const QString& proposed);

private:
    std::deque<QString> answers_;
    std::vector<QString> proposed_;
    ScriptedFileDialogs* previous_ = nullptr;
};

// The name of the default printer; empty when there is none. A printer chosen
// in a printer dialog of the program (setChosenPrinterName) takes the place of
// the system's default for the rest of the run.
QString defaultPrinterName();
void setChosenPrinterName(const QString& name);

}  // namespace platform
