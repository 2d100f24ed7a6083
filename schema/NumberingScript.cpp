#include "schema/NumberingScript.h"

#include "core/RaiseError.h"
#include "datalib/DataSource.h"
#include "datalib/ReadOnlyScript.h"
#include "script/Errors.h"
#include "script/ScriptControl.h"

#include <QElapsedTimer>

namespace schema {

namespace {
std::function<bool(qint64)>& poll() {
    static std::function<bool(qint64)> p;
    return p;
}
int& timeoutMs() {
    static int ms = kNumberingScriptTimeoutMs;
    return ms;
}
}  // namespace

QString NumberingScriptConstants() {
    return QStringLiteral(
        "' Simboli dei numeri da 1 a 31: 1-9, 0 per il 10, poi le lettere senza J, K, W, X e Y\r\n"
        "Const CONV_TABLE_NUMBERS = \"1234567890ABCDEFGHILMNOPQRSTUVZ\"\r\n"
        "' Costanti della libreria dati\r\n"
        "Const odbcMax = 2\r\n"
        "Const omcMatchNotEqual = 1\r\n"
        "Const oqoSimple = 0\r\n");
}

void setNumberingScriptPoll(std::function<bool(qint64)> p) { poll() = std::move(p); }
void setNumberingScriptTimeout(int ms) { timeoutMs() = ms > 0 ? ms : kNumberingScriptTimeoutMs; }

core::Variant RunNumberingScript(datalib::DataSource& ds, const std::function<QString()>& body,
                                 const QString& context, const QString& failureText,
                                 const QString& scriptName) {
    const datalib::ReadOnlyScript readOnly(QStringLiteral("Lo script di numerazione \"%1\"").arg(scriptName));
    script::ScriptControl control;
    control.setTimeout(timeoutMs());
    QElapsedTimer clock;
    clock.start();
    bool polled = false;
    if (poll())
        control.setPollCallback([&] {
            polled = true;
            if (poll() && poll()(clock.elapsed())) control.Cancel();
        });
    struct PollEnd {
        bool& polled;
        ~PollEnd() {
            if (polled && poll()) poll()(-1);
        }
    } pollEnd{polled};
    try {
        const QString text = body();
        control.setLanguage(QStringLiteral("vbscript"));
        control.AddCode(QStringLiteral("Function NewProgr(objDS)\r\n") + text +
                        QStringLiteral("\r\nEnd Function\r\n"));
        core::Variant argument(ds.shared_from_this());
        core::Variant* args[] = {&argument};
        return control.Run(QStringLiteral("NewProgr"), args);
    } catch (const core::AppError& error) {
        const bool aborted = error.number() == script::kErrScriptAborted;
        if (error.cancelled() && !aborted) throw;
        QString description = error.description();
        if (aborted)
            description =
                error.cancelled()
                    ? QStringLiteral(
                          "Lo script è stato interrotto dall'operatore: non è stato registrato nulla.")
                    : QStringLiteral(
                          "Lo script non è terminato entro %1 secondi ed è stato interrotto: "
                          "non è stato registrato nulla.")
                          .arg(timeoutMs() / 1000.0, 0, 'g', 3);
        QString message = failureText + QStringLiteral("\r\r") + description + QStringLiteral("\r");
        // The wrapping line comes first: the body's own lines start one further.
        if (control.Error().Number != 0)
            message += QStringLiteral("\rLinea VB: ") + QString::number(control.Error().Line - 1);
        core::RaiseGenericError(context, message);
    }
}

}  // namespace schema
