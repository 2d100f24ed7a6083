#include "startup/HtmlPageCheck.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <limits>

namespace startup {

namespace {

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char(':') || c == QLatin1Char('_');
}

bool oneOf(QStringView name, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) {
        return name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0;
    });
}

// Elements that hold nothing, so never anything inside them.
bool isVoid(QStringView name) {
    return oneOf(name, {"area", "base", "basefont", "br", "col", "embed", "frame", "hr", "img", "input",
                        "isindex", "keygen", "link", "meta", "param", "source", "track", "wbr"});
}

// Elements whose text is not markup: their end is looked for as text.
bool isRawText(QStringView name) { return oneOf(name, {"script", "style", "title", "textarea", "xmp"}); }

// Elements that close an open paragraph where they start.
bool closesParagraph(QStringView name) {
    return oneOf(name, {"p", "div", "table", "ul", "ol", "dl", "h1", "h2", "h3", "h4", "h5", "h6", "pre",
                        "blockquote", "address", "center", "form", "hr"});
}

// Text costs the layout about as much as one element every 30 characters.
constexpr double kCharactersPerUnit = 30;

// Where a page's scan stands: the open elements and the work counted.
class Scan {
  public:
    explicit Scan(const HtmlPageLimits& limits) : limits_(limits) {}

    double cost() const { return cost_; }
    int deepest() const { return deepest_; }
    int deepestTables() const { return deepestTables_; }
    bool overLimits() const {
        return deepest_ > limits_.maxDepth || deepestTables_ > limits_.maxTableDepth ||
               cost_ > limits_.maxCost;
    }

    void text(qsizetype characters) { cost_ += weight() * double(characters) / kCharactersPerUnit; }

    void open(const QString& name) {
        cost_ += weight();
        // What a start tag closes by itself, as browsers read a page whose
        // cells, rows, items and paragraphs are left open.
        if (closesParagraph(name)) closeOpen({"p"}, {"table", "td", "th", "li", "div", "blockquote"});
        if (oneOf(name, {"li"})) closeOpen({"li"}, {"ul", "ol", "table", "td", "th"});
        if (oneOf(name, {"dt", "dd"})) closeOpen({"dt", "dd"}, {"dl", "table", "td", "th"});
        if (oneOf(name, {"tr"})) closeOpen({"tr"}, {"table"});
        if (oneOf(name, {"td", "th"})) closeOpen({"td", "th"}, {"tr", "table"});
        if (oneOf(name, {"thead", "tbody", "tfoot"})) closeOpen({"thead", "tbody", "tfoot"}, {"table"});
        if (oneOf(name, {"option"})) closeOpen({"option"}, {"select"});
        open_.push_back(name);
        if (isTable(name)) ++tables_;
        deepest_ = std::max(deepest_, int(open_.size()));
        deepestTables_ = std::max(deepestTables_, tables_);
    }

    // An end tag closes its element and whatever is left open inside it;
    // one that closes nothing open is no markup.
    void close(QStringView name) {
        for (qsizetype i = open_.size() - 1; i >= 0; --i)
            if (open_[i].compare(name, Qt::CaseInsensitive) == 0) {
                popTo(i);
                return;
            }
    }

  private:
    static bool isTable(QStringView name) {
        return name.compare(QLatin1String("table"), Qt::CaseInsensitive) == 0;
    }

    double weight() const { return std::ldexp(1.0, std::min(tables_, 60)); }

    void closeOpen(std::initializer_list<const char*> names, std::initializer_list<const char*> boundaries) {
        for (qsizetype i = open_.size() - 1; i >= 0; --i) {
            if (oneOf(open_[i], names)) {
                popTo(i);
                return;
            }
            if (oneOf(open_[i], boundaries)) return;
        }
    }

    void popTo(qsizetype index) {
        while (open_.size() > index) {
            if (isTable(open_.back())) --tables_;
            open_.pop_back();
        }
    }

    const HtmlPageLimits& limits_;
    QVarLengthArray<QString, 64> open_;
    int tables_ = 0;
    int deepest_ = 0;
    int deepestTables_ = 0;
    double cost_ = 0;
};

// Reads the page's tags and text into the scan; stops as soon as a limit is
// passed, so a page of any size is looked at in one quick pass.
void scanPage(QStringView html, Scan& scan) {
    const qsizetype n = html.size();
    qsizetype i = 0;
    while (i < n && !scan.overLimits()) {
        if (html[i] != QLatin1Char('<')) {
            qsizetype next = html.indexOf(QLatin1Char('<'), i);
            if (next < 0) next = n;
            scan.text(next - i);
            i = next;
            continue;
        }
        if (html.mid(i).startsWith(QLatin1String("<!--"))) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), i + 4);
            i = end < 0 ? n : end + 3;
            continue;
        }
        const bool closing = i + 1 < n && html[i + 1] == QLatin1Char('/');
        qsizetype at = i + (closing ? 2 : 1);
        const qsizetype nameStart = at;
        while (at < n && isNameChar(html[at])) ++at;
        const QStringView name = html.mid(nameStart, at - nameStart);
        if (name.isEmpty() || !html[nameStart].isLetter()) {
            if (closing ||
                (i + 1 < n && (html[i + 1] == QLatin1Char('!') || html[i + 1] == QLatin1Char('?')))) {
                const qsizetype end = html.indexOf(QLatin1Char('>'), i);
                i = end < 0 ? n : end + 1;
            } else {
                scan.text(1);  // a "<" of the text
                i += 1;
            }
            continue;
        }
        // The rest of the tag: attributes, their quoted values, a final "/".
        QChar quote;
        bool selfClosing = false;
        while (at < n) {
            const QChar c = html[at];
            if (!quote.isNull()) {
                if (c == quote) quote = QChar();
            } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                quote = c;
            } else if (c == QLatin1Char('>')) {
                break;
            }
            selfClosing = c == QLatin1Char('/');
            ++at;
        }
        i = at < n ? at + 1 : n;
        if (closing) {
            scan.close(name);
            continue;
        }
        const QString element = name.toString().toLower();
        scan.open(element);
        if (isRawText(element)) {
            const qsizetype end = html.indexOf(QLatin1String("</") + element, i, Qt::CaseInsensitive);
            i = end < 0 ? n : end;
            continue;
        }
        if (selfClosing || isVoid(element)) scan.close(element);
    }
}

}  // namespace

double htmlPageCost(QStringView html) {
    HtmlPageLimits unbounded;
    unbounded.maxDepth = std::numeric_limits<int>::max();
    unbounded.maxTableDepth = std::numeric_limits<int>::max();
    unbounded.maxCost = std::numeric_limits<double>::infinity();
    Scan scan(unbounded);
    scanPage(html, scan);
    return scan.cost();
}

QString htmlPageRefusal(QStringView html, const QString& shownName, const HtmlPageLimits& limits) {
    Scan scan(limits);
    scanPage(html, scan);
    const QString page = QStringLiteral("La pagina ") + shownName + QStringLiteral(" non viene mostrata: ");
    if (scan.deepest() > limits.maxDepth)
        return page + QStringLiteral("i suoi elementi sono annidati oltre %1 livelli").arg(limits.maxDepth);
    if (scan.deepestTables() > limits.maxTableDepth)
        return page +
               QStringLiteral("le sue tabelle sono annidate oltre %1 livelli").arg(limits.maxTableDepth);
    if (scan.cost() > limits.maxCost)
        return page + QStringLiteral("è troppo complessa da impaginare (troppe tabelle, celle o testo)");
    return QString();
}

}  // namespace startup
