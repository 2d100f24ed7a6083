#include "platform/Shell.h"

namespace platform {

namespace {

OpenHandler& openHandler() {
    static OpenHandler handler;
    return handler;
}

Desktop& desktop() {
    static Desktop installed;
    return installed;
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
    return desktop().openUrl ? desktop().openUrl(url) : false;
}

void setOpenHandler(OpenHandler handler) { openHandler() = std::move(handler); }

QString defaultPrinterName() {
    if (!chosenPrinter().isEmpty()) return chosenPrinter();
    return desktop().defaultPrinterName ? desktop().defaultPrinterName() : QString();
}

void installDesktop(Desktop installed) { desktop() = std::move(installed); }

void setChosenPrinterName(const QString& name) { chosenPrinter() = name; }

}  // namespace platform
