// The look at an HTML page before the viewer lays it out: pages of real
// shapes pass, pages that would take the layout minutes or overflow its
// stack are refused with a reason naming them.

#include "startup/HtmlPageCheck.h"

#include <gtest/gtest.h>

#include <functional>

using startup::htmlPageCost;
using startup::htmlPageRefusal;

namespace {

QString repeat(const QString& s, int n) { return s.repeated(n); }

// Tables inside one another, `breadth` cells a level.
QString tableTree(int depth, int breadth) {
    if (depth == 0) return QStringLiteral("x");
    QString s = QStringLiteral("<table><tr>");
    for (int i = 0; i < breadth; ++i) s += QStringLiteral("<td>") + tableTree(depth - 1, breadth) + "</td>";
    return s + QStringLiteral("</tr></table>");
}

QString priceList(int rows, bool closed) {
    QString s = QStringLiteral(
        "<html><head><title>Listino</title><style>td { padding: 2px }</style></head>"
        "<body><h1>Listino</h1><table border=\"1\">");
    for (int i = 0; i < rows; ++i)
        s += closed
                 ? QStringLiteral("<tr><td>A%1</td><td>Vite &gt; 5 mm</td><td align='right'>12,50</td></tr>")
                       .arg(i)
                 : QStringLiteral("<tr><td>A%1<td>Vite<td>12,50").arg(i);
    return s + QStringLiteral("</table></body></html>");
}

}  // namespace

TEST(HtmlPageCheck, PagesOfRealShapesPass) {
    const QString pages[] = {
        priceList(1000, true),
        // Cells, rows, items and paragraphs left open close themselves.
        priceList(1000, false),
        repeat(QStringLiteral("<p>Condizioni di vendita"), 500) + repeat(QStringLiteral("<li>voce"), 500),
        QStringLiteral("<ul>") + repeat(QStringLiteral("<li>voce<ul><li>sotto</ul>"), 300) + "</ul>",
        // Markup in comments, scripts, quoted attributes and a lone "<" is no markup.
        repeat(QStringLiteral("<!-- <table><table> --><script>if (a < b) '<table>';</script>"
                              "<a title=\"<table>\" href='x>y'>1 < 2</a><br/><img src=\"a.png\">"),
               200),
        // Lengths of real pages: colours, addresses and percentages are no lengths.
        QStringLiteral("<style>h1 { font-size: 24pt; margin: 1em 0 } td { padding: 2px }</style>"
                       "<table width=\"100%\" cellpadding=\"4\" border=\"1\"><tr><td style=\"color:#101010; "
                       "background: url(sfondo2000.png)\">1</td></tr></table>") +
            repeat(QStringLiteral("<p style=\"margin-top: 900px\">x</p>"), 900),
        // Tables inside tables as far as the limit.
        tableTree(10, 1),
        tableTree(3, 6),
        QString(),
    };
    for (const QString& page : pages)
        EXPECT_EQ(htmlPageRefusal(page, QStringLiteral("p.html")), QString()) << page.left(120).toStdString();
}

TEST(HtmlPageCheck, PagesTooDeepOrTooCostlyAreRefused) {
    struct Case {
        const char* what;
        QString page;
        const char* reason;
    } cases[] = {
        // 128 KB: overflows the layout's stack.
        {"tables 4000 deep", repeat(QStringLiteral("<table><tr><td>"), 4000) + "x",
         "le sue tabelle sono annidate oltre 10 livelli"},
        {"tables 11 deep", tableTree(11, 1), "le sue tabelle sono annidate oltre 10 livelli"},
        {"cells left open 11 deep", repeat(QStringLiteral("<table><tr><td>"), 11),
         "le sue tabelle sono annidate oltre 10 livelli"},
        {"divs 4000 deep", repeat(QStringLiteral("<div>x"), 4000),
         "i suoi elementi sono annidati oltre 100 livelli"},
        {"bold 101 deep", repeat(QStringLiteral("<b>"), 101),
         "i suoi elementi sono annidati oltre 100 livelli"},
        // 58 KB of tables seven deep, three cells a level: 11 s in the layout.
        {"tree 7 x 3", tableTree(7, 3), "è troppo complessa da impaginare"},
        {"tree 4 x 10", tableTree(4, 10), "è troppo complessa da impaginare"},
        {"price list of 20 000 rows", priceList(20000, true), "è troppo complessa da impaginare"},
        {"20 MB of text", QString(20 * 1024 * 1024, QLatin1Char('a')), "è troppo complessa da impaginare"},
        // Lengths that make a page of a few words thousands of sheets long
        // (Qt's layout never ends on it) or its letters a metre high.
        {"a margin of 100 000 pixels", QStringLiteral("<p style=\"margin-top:100000px\">x</p>"),
         "ha misure fuori scala"},
        {"a margin in centimetres", QStringLiteral("<p style='margin: 0 0 30cm 0'>x</p>"),
         "ha misure fuori scala"},
        {"a negative margin", QStringLiteral("<div style=\"margin-bottom: -5000px\">x</div>"),
         "ha misure fuori scala"},
        {"letters of 3000 points", QStringLiteral("<p style=\"font-size:3000pt\">w w w</p>"),
         "ha misure fuori scala"},
        {"a style sheet's margin",
         QStringLiteral("<style>p { color: #123456; margin-top: 2000px }</style><p>x"),
         "ha misure fuori scala"},
        {"a picture 100 000 pixels high", QStringLiteral("<img src=\"a.png\" height=\"100000\">"),
         "ha misure fuori scala"},
        {"1 300 paragraphs of 900 pixels",
         QStringLiteral("<style>p { margin-top: 900px }</style>") + repeat(QStringLiteral("<p>x</p>"), 1300),
         "è troppo lunga da impaginare (oltre 1000 fogli)"},
        {"a large text in large letters",
         QStringLiteral("<p style=\"font-size:90px\">") + repeat(QStringLiteral("parola "), 20000),
         "è troppo lunga da impaginare"},
    };
    for (const Case& c : cases) {
        const QString reason = htmlPageRefusal(c.page, QStringLiteral("../pagine/listino.html"));
        EXPECT_TRUE(
            reason.startsWith(QStringLiteral("La pagina ../pagine/listino.html non viene mostrata: ")))
            << c.what << ": " << reason.toStdString();
        EXPECT_TRUE(reason.contains(QString::fromUtf8(c.reason))) << c.what << ": " << reason.toStdString();
    }
}

// The work counted doubles with each table around it, and grows with the
// cells and the text alike.
TEST(HtmlPageCheck, TheCostDoublesWithEachTableAround) {
    EXPECT_DOUBLE_EQ(htmlPageCost(QStringLiteral("<p>")), 1);
    EXPECT_DOUBLE_EQ(htmlPageCost(QString(60, QLatin1Char('a'))), 2);
    EXPECT_DOUBLE_EQ(htmlPageCost(QStringLiteral("<table><td>")), 1 + 2);
    EXPECT_DOUBLE_EQ(htmlPageCost(QStringLiteral("<table><td><table><td>") + QString(30, QLatin1Char('a'))),
                     1 + 2 + 2 + 4 + 4);
    // Closed tables count no more.
    EXPECT_DOUBLE_EQ(htmlPageCost(QStringLiteral("<table><td></table><p>")), 1 + 2 + 1);
}
