#pragma once
// The desktop as the windows reach it: the common file dialogs, and the
// installation of the message boxes, the desktop's programs and the printers
// as what the engine uses (core/Prompt.h, platform/Shell.h).

#include <QString>

#include <deque>
#include <vector>

class QWidget;

namespace platform {

// Installs the message boxes as the engine's prompt and the desktop's
// programs and printers as its desktop. The program calls it at start.
void installDesktopServices();

// Makes the toolkit's own dialogs and buttons (printer and file dialogs,
// standard buttons) speak Italian: Qt's translation "qtbase_it" from Qt's
// translations folder. False when that file is missing. Called at start,
// after the application object exists.
bool installToolkitTranslation();

// The save-file dialog; empty when cancelled. A name typed without the
// extension the filter names ("Testo (*.txt)") gets it, also when the name
// has a dot of its own ("Ordini 12.11.2026" is "Ordini 12.11.2026.txt").
// With askBeforeReplacing an existing file is replaced only when the
// operator says so (No opens the dialog again); otherwise the caller asks.
QString saveFileName(QWidget* parent, const QString& caption, const QString& fileName, const QString& filter,
                     bool askBeforeReplacing = false);
// The open-file dialog; empty when cancelled.
QString openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter);

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

}  // namespace platform
