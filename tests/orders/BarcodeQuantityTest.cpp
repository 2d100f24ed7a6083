// The scanner's text reduced to its code, the barcode filter script, the
// quantity the agent types and the opening note of a promotion.

#include "core/Prompt.h"
#include "orders/BarcodeReader.h"
#include "orders/OrderEntry.h"

#include <gtest/gtest.h>

namespace {

TEST(CleanBarcodeInput, KeepsTheTextBeforeTheFirstLineBreak) {
    struct Case {
        const char16_t* text;
        const char16_t* code;
    } cases[] = {
        {u"ABC\r", u"ABC"},
        {u"ABC\n", u"ABC"},
        {u"AB\nCD", u"AB"},
        {u"AB\r\nCD\r", u"AB"},
        {u"ABC", u""},
        {u"\r", u""},
        {u"", u""},
        {u"8001234567890\r", u"8001234567890"},
        {u"L'ART 1\r", u"L'ART 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(orders::CleanBarcodeInput(QString::fromUtf16(c.text)), QString::fromUtf16(c.code))
            << QString::fromUtf16(c.text).toStdString();
}

TEST(ApplyBarCodeFilter, WithoutScriptEveryCodePasses) {
    ASSERT_TRUE(orders::BarCodeFilterScript().isEmpty());
    for (const char* code : {"ABC", "", "##NOTA##", "8001234567890"})
        EXPECT_EQ(orders::ApplyBarCodeFilter(QString::fromLatin1(code)), QString::fromLatin1(code));
}

TEST(ApplyBarCodeFilter, AGivenScriptFiltersOnceAndAFailingOneSaysSo) {
    core::ScriptedBoxes boxes;
    const QString strip =
        QStringLiteral("Function BarCodeFilter(c)\r\n BarCodeFilter = Mid(c, 3)\r\nEnd Function");
    EXPECT_EQ(orders::ApplyBarCodeFilter(QStringLiteral("01ART7"), strip), QStringLiteral("ART7"));
    // The given script was for that call only.
    EXPECT_EQ(orders::ApplyBarCodeFilter(QStringLiteral("01ART7")), QStringLiteral("01ART7"));
    EXPECT_TRUE(boxes.shown().empty());

    const QString failing =
        QStringLiteral("Function BarCodeFilter(c)\r\n x = 1\r\n BarCodeFilter = 1 / 0\r\nEnd Function");
    EXPECT_EQ(orders::ApplyBarCodeFilter(QStringLiteral("ABC"), failing), QString());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(
        boxes.lastText().startsWith(QStringLiteral("Errore in esecuzione del filtro codici a barre: \r\r")));
    EXPECT_TRUE(boxes.lastText().contains(QStringLiteral("Linea VB: 3"))) << boxes.lastText().toStdString();
    EXPECT_EQ(boxes.shown().back().style & 0xF0, core::kCritical);

    // A script that never ends is stopped, not waited for.
    EXPECT_EQ(
        orders::ApplyBarCodeFilter(QStringLiteral("ABC"),
                                   QStringLiteral("Function BarCodeFilter(c)\r\nDo\r\nLoop\r\nEnd Function")),
        QString());
    EXPECT_EQ(boxes.shown().size(), 2u);
}

TEST(ApplyBarCodeFilter, TheProgramScriptIsCompiledOnceAndKept) {
    orders::SetBarCodeFilterScript(QStringLiteral(
        "Dim n\r\nFunction BarCodeFilter(c)\r\n n = n + 1\r\n BarCodeFilter = c & n\r\nEnd Function"));
    EXPECT_EQ(orders::CleanBarcodeInput(QStringLiteral("A\r")), QStringLiteral("A1"));
    EXPECT_EQ(orders::CleanBarcodeInput(QStringLiteral("A\r")), QStringLiteral("A2"));
    orders::SetBarCodeFilterScript(QString());
    EXPECT_EQ(orders::CleanBarcodeInput(QStringLiteral("A\r")), QStringLiteral("A"));
}

TEST(ParseQuantity, SignDigitsAndOneDecimalComma) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"3", 3},
        {" 12 ", 12},
        {"0", 0},
        {"-4", -4},
        {"+7", 7},
        {"2,5", 2},  // halves to even
        {"3,5", 4},
        {"2,51", 3},
        {",4", 0},
        {"7,", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"1.5", std::nullopt},  // the point is no decimal separator here, nor a thousands one
        {"1.000", std::nullopt},
        {"1,2,3", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"1e3", std::nullopt},
        {"5 pz", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(orders::ParseQuantity(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(OpeningNote, FitsTheNoteColumn) {
    EXPECT_EQ(orders::OpeningNoteText(QStringLiteral("Primavera"), QStringLiteral("PRIM26")),
              QStringLiteral(" * Primavera - PRIM26"));
    const QString longText(127, QLatin1Char('x'));
    const QString note = orders::OpeningNoteText(longText, QStringLiteral("CODICE16CARATTER"));
    EXPECT_EQ(note.size(), 64);
    EXPECT_TRUE(note.startsWith(QStringLiteral(" * xxx")));
    EXPECT_TRUE(note.endsWith(QStringLiteral(" - CODICE16CARATTER")));
}

}  // namespace
