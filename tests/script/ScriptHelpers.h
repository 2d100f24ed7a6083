#pragma once
// Small helpers of the script tests: run a snippet, describe a value.

#include "core/AppError.h"
#include "core/Variant.h"
#include "script/ScriptControl.h"

#include <QString>

namespace scripttest {

// The value as "TypeName:text" ("Integer:3", "String:a", "Null:", "Empty:").
inline QString describe(const core::Variant& v) {
    QString text;
    if (!v.isNull() && !v.isObject() && !v.isArray()) text = v.toString();
    return v.typeName() + QLatin1Char(':') + text;
}

// Runs the statements as the body of a function T and returns its result.
inline core::Variant runBody(const QString& body) {
    script::ScriptControl sc;
    sc.AddCode(QStringLiteral("Function T()\r\n") + body + QStringLiteral("\r\nEnd Function\r\n"));
    return sc.Run(QStringLiteral("T"));
}

inline core::Variant evalExpr(const QString& expr) { return runBody(QStringLiteral("T = ") + expr); }

// Compiles the script and runs one of its procedures.
inline core::Variant runScript(const QString& text, const QString& proc = QStringLiteral("Main")) {
    script::ScriptControl sc;
    sc.AddCode(text);
    return sc.Run(proc);
}

// The error that running the body raises (number 0 when none).
inline core::AppError errorOf(const QString& text, const QString& proc = QStringLiteral("Main")) {
    try {
        runScript(text, proc);
    } catch (const core::AppError& e) {
        return e;
    }
    return core::AppError(0, QString(), QString());
}

}  // namespace scripttest
