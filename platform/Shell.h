#pragma once
// Opening documents and links with the desktop's own programs (browser, mail
// client, viewers) and the default printer's name. The desktop itself is
// reached through what the windows install at start (platform/ui/Desktop.h);
// without it no document opens and there is no default printer.

#include <QString>
#include <QUrl>

#include <functional>

namespace platform {

// The URL for a target: a text with a scheme ("mailto:...", "http://...")
// is taken as an already encoded link, anything else as a local file.
QUrl urlForTarget(const QString& target);

// Hands the target to the desktop. True when the desktop accepted it.
bool openDocument(const QString& target);

// Test seam: while set, openDocument hands its URL here instead of the desktop.
using OpenHandler = std::function<bool(const QUrl&)>;
void setOpenHandler(OpenHandler handler);

// What the windows give the engine of the desktop.
struct Desktop {
    std::function<bool(const QUrl&)> openUrl;
    std::function<QString()> defaultPrinterName;
};
void installDesktop(Desktop desktop);

// The name of the default printer; empty when there is none. A printer chosen
// in a printer dialog of the program (setChosenPrinterName) takes the place of
// the system's default for the rest of the run.
QString defaultPrinterName();
void setChosenPrinterName(const QString& name);

}  // namespace platform
