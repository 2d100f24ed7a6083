#include "startup/ShowError.h"

#include "core/LanguageErrors.h"
#include "core/Prompt.h"
#include "startup/OSWinUtil.h"

#include <exception>
#include <new>

namespace startup {

namespace {

// The data library's own number for a refused or failed operation.
constexpr long kLibraryErrorNumber = 124;

ErrorDetailsViewer& detailsViewer() {
    static ErrorDetailsViewer viewer;
    return viewer;
}

QString hex32(long number) {
    return QString::number(static_cast<quint32>(static_cast<qint64>(number)), 16).toUpper();
}

}  // namespace

QString ErrorCodeText(long number) {
    const long long app = static_cast<long long>(number) - core::kObjectErrorBase;
    const long long limit = -static_cast<long long>(core::kObjectErrorBase);
    const long long shown = (app < 0 ? -app : app) < limit ? app : number;
    return QString::number(shown) + QStringLiteral(" (") + hex32(static_cast<long>(shown)) + QLatin1Char(')');
}

QString ErrorDetailsText(long number, const QString& description) {
    return QStringLiteral("CODICE: ") + QString::number(number) + QStringLiteral(" (") + hex32(number) +
           QStringLiteral(")\r") + description;
}

QString ErrorBoxText(const core::AppError& error, const QString& message) {
    const long app = error.number() - core::kObjectErrorBase;
    if (app == kGenericErrorNumber || app == kLibraryErrorNumber) return error.description();
    return message.isEmpty() ? error.description() : message;
}

core::AppError CurrentError() {
    const std::exception_ptr current = std::current_exception();
    if (!current) return core::AppError(0, QString(), QString());
    try {
        std::rethrow_exception(current);
    } catch (const core::AppError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return core::AppError(core::kErrOutOfMemory, QStringLiteral("Zelt Order"),
                              QStringLiteral("Memoria esaurita"));
    } catch (const std::exception& e) {
        return core::AppError(core::kErrInternal, QStringLiteral("Zelt Order"),
                              QStringLiteral("Errore interno: ") + QString::fromUtf8(e.what()));
    } catch (...) {
        return core::AppError(core::kErrInternal, QStringLiteral("Zelt Order"),
                              QStringLiteral("Errore interno"));
    }
}

void SetErrorDetailsViewer(ErrorDetailsViewer viewer) { detailsViewer() = std::move(viewer); }

void ShowError(const core::AppError& error, const QString& message) {
    const QString text = ErrorBoxText(error, message) + QStringLiteral("\r\rVisualizzare dettagli ?");
    const int answer = core::messageBox(text, core::kYesNo + core::kCritical + core::kDefaultButton2);
    if (answer != core::kAnswerYes || !detailsViewer()) return;
    detailsViewer()(ErrorCodeText(error.number()), ErrorDetailsText(error.number(), error.description()));
}

void ShowError(const QString& message) {
    if (!std::current_exception()) {
        ShowErrorMessage(message);
        return;
    }
    ShowError(CurrentError(), message);
}

void ShowErrorMessage(const QString& message) {
    core::messageBox(message, core::kOkOnly + core::kExclamation);
}

}  // namespace startup
