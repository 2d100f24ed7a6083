#include "orders/BarcodeReader.h"

#include "core/AppError.h"
#include "core/Prompt.h"
#include "core/Variant.h"
#include "script/ScriptControl.h"

#include <memory>
#include <vector>

namespace orders {

namespace {

QString& filterScript() {
    static QString text;
    return text;
}

// The compiled program filter, kept between calls.
std::unique_ptr<script::ScriptControl>& heldFilter() {
    static std::unique_ptr<script::ScriptControl> engine;
    return engine;
}

std::unique_ptr<script::ScriptControl> compile(const QString& text) {
    // The filter sees nothing of the program: no object is added, and a
    // script that loops is stopped by the timeout.
    auto sc = std::make_unique<script::ScriptControl>();
    sc->setLanguage(QStringLiteral("vbscript"));
    sc->setTimeout(kBarCodeFilterTimeoutMs);
    sc->AddCode(text);
    return sc;
}

void reportFailure(const core::AppError& e) {
    const int line = e.line();
    QString text = QStringLiteral("Errore in esecuzione del filtro codici a barre: \r\r") + e.description() +
                   QStringLiteral("\r");
    if (e.number() != 0 && line > 0) text += QStringLiteral("\rLinea VB: ") + QString::number(line);
    core::messageBox(text, core::kOkOnly | core::kCritical);
}

}  // namespace

QString CleanBarcodeInput(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) return ApplyBarCodeFilter(text.left(i));
    }
    return ApplyBarCodeFilter(QString());
}

QString ApplyBarCodeFilter(const QString& code, const QString& script) {
    std::unique_ptr<script::ScriptControl> once;
    script::ScriptControl* engine = nullptr;
    try {
        if (!script.isEmpty() || !heldFilter()) {
            const QString& text = script.isEmpty() ? filterScript() : script;
            if (text.isEmpty()) return code;
            if (script.isEmpty()) {
                heldFilter() = compile(text);
                engine = heldFilter().get();
            } else {
                once = compile(text);
                engine = once.get();
            }
        } else {
            engine = heldFilter().get();
        }
        std::vector<core::Variant> args{core::Variant(code)};
        return engine->Run(QStringLiteral("BarCodeFilter"), args).toString();
    } catch (const core::AppError& e) {
        reportFailure(e);
        return QString();
    }
}

void SetBarCodeFilterScript(const QString& text) {
    filterScript() = text;
    heldFilter().reset();
}

const QString& BarCodeFilterScript() { return filterScript(); }

}  // namespace orders
