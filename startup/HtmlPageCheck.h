#pragma once
// A quick look at an HTML page before the text layout is asked to show or
// print it. Qt lays a table out again for each table around it, so the work
// doubles with each level of tables (a page of tables nested 20 deep takes
// minutes, 4 000 deep overflows the stack), and it grows with the cells and
// the text of the page. A page that would ask too much is refused before it
// reaches the layout, which cannot be stopped once it has started.

#include <QString>
#include <QStringView>

namespace startup {

struct HtmlPageLimits {
    int maxDepth = 100;      // elements inside one another
    int maxTableDepth = 10;  // tables inside one another
    double maxCost = 32000;  // the layout's work, see htmlPageCost
};

// The layout's work a page asks for, in units of about an element's: each
// element and each 30 characters of text count 1, twice as much for each
// table they lie in. 32 000 units take Qt one to three seconds to lay out
// and print on an agent's machine.
double htmlPageCost(QStringView html);

// Empty when the page may be laid out; otherwise the Italian reason, naming
// the page as shownName.
QString htmlPageRefusal(QStringView html, const QString& shownName, const HtmlPageLimits& limits = {});

}  // namespace startup
