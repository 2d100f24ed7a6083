#include "script/builtins/Builtins.h"

#include "core/AppError.h"
#include "script/builtins/Groups.h"

#include <QHash>

namespace script::builtins {

using core::Variant;

namespace {

QHash<QString, const Info*> buildFunctions() {
    QHash<QString, const Info*> all;
    for (auto group : {stringFunctions(), conversionFunctions(), dateFunctions(), formatFunctions(),
                       interactionFunctions()})
        for (const Info& info : group) all.insert(QString::fromLatin1(info.name).toLower(), &info);
    return all;
}

const QHash<QString, const Info*>& functions() {
    static const QHash<QString, const Info*> all = buildFunctions();
    return all;
}

QHash<QString, Variant> buildConstants() {
    QHash<QString, Variant> c;
    auto text = [&c](const char* name, const QString& value) {
        c.insert(QString::fromLatin1(name).toLower(), Variant(value));
    };
    auto number = [&c](const char* name, std::int32_t value) {
        c.insert(QString::fromLatin1(name).toLower(), Variant(value));
    };
    // Strings.
    text("vbCr", QStringLiteral("\r"));
    text("vbLf", QStringLiteral("\n"));
    text("vbCrLf", QStringLiteral("\r\n"));
    text("vbNewLine", QStringLiteral("\r\n"));
    text("vbTab", QStringLiteral("\t"));
    text("vbFormFeed", QStringLiteral("\f"));
    text("vbVerticalTab", QStringLiteral("\v"));
    text("vbNullChar", QString(QChar(0)));
    text("vbNullString", QString());
    // Tristate.
    number("vbTrue", -1);
    number("vbFalse", 0);
    number("vbUseDefault", -2);
    // MsgBox buttons, icons, default buttons and answers.
    number("vbOKOnly", 0);
    number("vbOKCancel", 1);
    number("vbAbortRetryIgnore", 2);
    number("vbYesNoCancel", 3);
    number("vbYesNo", 4);
    number("vbRetryCancel", 5);
    number("vbCritical", 16);
    number("vbQuestion", 32);
    number("vbExclamation", 48);
    number("vbInformation", 64);
    number("vbDefaultButton1", 0);
    number("vbDefaultButton2", 256);
    number("vbDefaultButton3", 512);
    number("vbDefaultButton4", 768);
    number("vbApplicationModal", 0);
    number("vbSystemModal", 4096);
    number("vbOK", 1);
    number("vbCancel", 2);
    number("vbAbort", 3);
    number("vbRetry", 4);
    number("vbIgnore", 5);
    number("vbYes", 6);
    number("vbNo", 7);
    // Comparison.
    number("vbBinaryCompare", 0);
    number("vbTextCompare", 1);
    // Dates.
    number("vbGeneralDate", 0);
    number("vbLongDate", 1);
    number("vbShortDate", 2);
    number("vbLongTime", 3);
    number("vbShortTime", 4);
    number("vbUseSystemDayOfWeek", 0);
    number("vbSunday", 1);
    number("vbMonday", 2);
    number("vbTuesday", 3);
    number("vbWednesday", 4);
    number("vbThursday", 5);
    number("vbFriday", 6);
    number("vbSaturday", 7);
    number("vbUseSystem", 0);
    number("vbFirstJan1", 1);
    number("vbFirstFourDays", 2);
    number("vbFirstFullWeek", 3);
    // VarType.
    number("vbEmpty", 0);
    number("vbNull", 1);
    number("vbInteger", 2);
    number("vbLong", 3);
    number("vbSingle", 4);
    number("vbDouble", 5);
    number("vbCurrency", 6);
    number("vbDate", 7);
    number("vbString", 8);
    number("vbObject", 9);
    number("vbError", 10);
    number("vbBoolean", 11);
    number("vbVariant", 12);
    number("vbDataObject", 13);
    number("vbDecimal", 14);
    number("vbByte", 17);
    number("vbArray", 8192);
    // Colours (RGB values, red in the low byte).
    number("vbBlack", 0x000000);
    number("vbRed", 0x0000FF);
    number("vbGreen", 0x00FF00);
    number("vbYellow", 0x00FFFF);
    number("vbBlue", 0xFF0000);
    number("vbMagenta", 0xFF00FF);
    number("vbCyan", 0xFFFF00);
    number("vbWhite", 0xFFFFFF);
    number("vbObjectError", std::int32_t(core::kObjectErrorBase));
    return c;
}

const QHash<QString, Variant>& constants() {
    static const QHash<QString, Variant> all = buildConstants();
    return all;
}

}  // namespace

const Info* find(QStringView name) { return functions().value(name.toString().toLower(), nullptr); }

const core::Variant* findConstant(QStringView name) {
    const auto& all = constants();
    const auto it = all.constFind(name.toString().toLower());
    return it == all.constEnd() ? nullptr : &it.value();
}

}  // namespace script::builtins
