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

// Elements that start a line of their own.
bool isBlock(QStringView name) {
    return closesParagraph(name) || oneOf(name, {"li", "dt", "dd", "tr", "br", "caption"});
}

// The lengths a page may give, at the screen's 96 pixels an inch: a margin
// of a few metres makes a page of a few words thousands of sheets long, and
// Qt's layout, whose lengths are fixed-point numbers, never ends on a
// document some kilometres long.
constexpr double kMaxLengthPx = 1000;
constexpr double kMaxFontPx = 100;
// How long a page may be laid out, estimated (1000 sheets of A4), and the
// width of its text on an A4 sheet with 2 cm margins.
constexpr double kMaxHeightPx = 1000 * 1123;
constexpr double kTextWidthPx = 643;
constexpr double kDefaultFontPx = 16;

// Properties whose lengths add to a page's height.
bool isVertical(QStringView property) {
    return oneOf(property, {"margin", "margin-top", "margin-bottom", "padding", "padding-top",
                            "padding-bottom", "height", "min-height", "line-height", "border", "border-width",
                            "border-top", "border-bottom", "border-top-width", "border-bottom-width"});
}

// A length in pixels; a number without a unit counts as pixels, or as a
// multiple of the font for a line height.
double toPixels(double number, QStringView unit, QStringView property, double fontPx) {
    if (unit.isEmpty()) return oneOf(property, {"line-height"}) ? number * fontPx : number;
    if (unit == QLatin1String("%"))
        return oneOf(property, {"font-size", "line-height"}) ? number * fontPx / 100 : number;
    struct Unit {
        const char* name;
        double px;
    } static const units[] = {{"px", 1},         {"pt", 96.0 / 72}, {"pc", 16},        {"in", 96},
                              {"cm", 96 / 2.54}, {"mm", 96 / 25.4}, {"q", 96 / 101.6}, {"em", 0},
                              {"rem", 0},        {"ex", -1},        {"ch", -1}};
    for (const Unit& u : units)
        if (unit.compare(QLatin1String(u.name), Qt::CaseInsensitive) == 0)
            return number * (u.px > 0 ? u.px : u.px == 0 ? fontPx : fontPx / 2);
    return 0;  // no length (a name, a time, an angle)
}

// Calls f(property, pixels) for each length of CSS declarations ("a: 1px 2em;
// b: 3"), rules of a style sheet included. Colours, quoted texts and
// addresses hold no lengths.
template <class F>
void eachLength(QStringView css, double fontPx, F&& f) {
    const qsizetype n = css.size();
    qsizetype start = 0;  // of the current declaration
    QString property;
    for (qsizetype i = 0; i < n;) {
        const QChar c = css[i];
        if (c == QLatin1Char(';') || c == QLatin1Char('{') || c == QLatin1Char('}')) {
            property.clear();
            start = ++i;
        } else if (c == QLatin1Char(':') && property.isEmpty()) {
            property = css.mid(start, i - start).trimmed().toString().toLower();
            ++i;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const qsizetype end = css.indexOf(c, i + 1);
            i = end < 0 ? n : end + 1;
        } else if (c == QLatin1Char('(') && i >= 3 &&
                   css.mid(i - 3, 3).compare(QLatin1String("url"), Qt::CaseInsensitive) == 0) {
            const qsizetype end = css.indexOf(QLatin1Char(')'), i);
            i = end < 0 ? n : end + 1;
        } else if (c == QLatin1Char('#') || (c.isLetter() && property.isEmpty())) {
            ++i;
            while (i < n && (css[i].isLetterOrNumber() || css[i] == QLatin1Char('-'))) ++i;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && css[i + 1].isDigit())) {
            qsizetype end = i;
            while (end < n && (css[end].isDigit() || css[end] == QLatin1Char('.'))) ++end;
            const double number = css.mid(i, end - i).toDouble();
            qsizetype unitEnd = end;
            while (unitEnd < n && (css[unitEnd].isLetter() || css[unitEnd] == QLatin1Char('%'))) ++unitEnd;
            if (!property.isEmpty())
                f(QStringView(property), toPixels(number, css.mid(end, unitEnd - end), property, fontPx));
            i = unitEnd;
        } else if (c.isLetter()) {
            while (i < n && (css[i].isLetterOrNumber() || css[i] == QLatin1Char('-'))) ++i;
        } else {
            ++i;
        }
    }
}

// Calls f(name, value) for each attribute of a tag's text after its name.
template <class F>
void eachAttribute(QStringView tag, F&& f) {
    const qsizetype n = tag.size();
    for (qsizetype i = 0; i < n;) {
        if (!isNameChar(tag[i])) {
            ++i;
            continue;
        }
        const qsizetype nameStart = i;
        while (i < n && isNameChar(tag[i])) ++i;
        const QStringView name = tag.mid(nameStart, i - nameStart);
        while (i < n && tag[i].isSpace()) ++i;
        if (i >= n || tag[i] != QLatin1Char('=')) {
            f(name, QStringView());
            continue;
        }
        ++i;
        while (i < n && tag[i].isSpace()) ++i;
        qsizetype valueStart = i;
        qsizetype valueEnd = i;
        if (i < n && (tag[i] == QLatin1Char('"') || tag[i] == QLatin1Char('\''))) {
            const qsizetype end = tag.indexOf(tag[i], i + 1);
            valueStart = i + 1;
            valueEnd = end < 0 ? n : end;
            i = end < 0 ? n : end + 1;
        } else {
            while (i < n && !tag[i].isSpace() && tag[i] != QLatin1Char('>')) ++i;
            valueEnd = i;
        }
        f(name, tag.mid(valueStart, valueEnd - valueStart));
    }
}

// Text costs the layout about as much as one element every 30 characters.
constexpr double kCharactersPerUnit = 30;

// Where a page's scan stands: the open elements, the work counted and the
// height the page is estimated to take.
class Scan {
  public:
    explicit Scan(const HtmlPageLimits& limits) : limits_(limits) {}

    double cost() const { return cost_; }
    double height() const { return height_; }
    int deepest() const { return deepest_; }
    int deepestTables() const { return deepestTables_; }
    bool outOfScale() const { return outOfScale_; }
    bool overLimits() const {
        return deepest_ > limits_.maxDepth || deepestTables_ > limits_.maxTableDepth ||
               cost_ > limits_.maxCost || outOfScale_ || height_ > kMaxHeightPx;
    }

    void text(qsizetype characters) {
        cost_ += weight() * double(characters) / kCharactersPerUnit;
        // Lines of the text's size across the sheet's width.
        const double font = std::max(fontPx(), sheetFontPx_);
        height_ += double(characters) * font * 0.6 * font * 1.2 / kTextWidthPx;
    }

    // A style sheet of the page: its lengths are bounded as an element's,
    // and every element is taken to carry its vertical ones.
    void styleSheet(QStringView css) {
        eachLength(css, kDefaultFontPx, [&](QStringView property, double px) {
            measure(property, px);
            if (isVertical(property)) sheetVerticalPx_ += std::abs(px);
            if (property == QLatin1String("font-size")) sheetFontPx_ = std::max(sheetFontPx_, std::abs(px));
        });
    }

    void open(const QString& name, QStringView attributes) {
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
        const double font = elementFontPx(name, attributes);
        open_.push_back({name, font});
        if (isTable(name)) ++tables_;
        deepest_ = std::max(deepest_, int(open_.size()));
        deepestTables_ = std::max(deepestTables_, tables_);
        height_ += sheetVerticalPx_ + (isBlock(name) ? font * 1.2 : 0);
        eachAttribute(attributes, [&](QStringView attribute, QStringView value) {
            if (attribute.compare(QLatin1String("style"), Qt::CaseInsensitive) == 0) {
                eachLength(value, font, [&](QStringView property, double px) {
                    measure(property, px);
                    if (isVertical(property)) height_ += std::abs(px);
                });
            } else if (oneOf(attribute, {"width", "height", "cellpadding", "cellspacing", "border", "hspace",
                                         "vspace"})) {
                const double px = std::abs(value.trimmed().toString().remove(QLatin1Char('%')).toDouble());
                measure(QStringView(), px);
                if (!oneOf(attribute, {"width", "hspace"})) height_ += 2 * px;
            }
        });
    }

    // An end tag closes its element and whatever is left open inside it;
    // one that closes nothing open is no markup.
    void close(QStringView name) {
        for (qsizetype i = open_.size() - 1; i >= 0; --i)
            if (open_[i].name.compare(name, Qt::CaseInsensitive) == 0) {
                popTo(i);
                return;
            }
    }

  private:
    struct Open {
        QString name;
        double fontPx;
    };

    static bool isTable(QStringView name) {
        return name.compare(QLatin1String("table"), Qt::CaseInsensitive) == 0;
    }

    double weight() const { return std::ldexp(1.0, std::min(tables_, 60)); }
    double fontPx() const { return open_.isEmpty() ? kDefaultFontPx : open_.back().fontPx; }

    void measure(QStringView property, double px) {
        const double limit = property == QLatin1String("font-size") ? kMaxFontPx : kMaxLengthPx;
        if (!(std::abs(px) <= limit)) outOfScale_ = true;
    }

    // The size of an element's text: its own, its style's, or its parent's.
    double elementFontPx(QStringView name, QStringView attributes) {
        static const std::pair<const char*, double> headings[] = {{"h1", 32}, {"h2", 24},   {"h3", 18.7},
                                                                  {"h4", 16}, {"h5", 13.3}, {"h6", 10.7}};
        double font = fontPx();
        for (const auto& [heading, px] : headings)
            if (name == QLatin1String(heading)) font = px;
        eachAttribute(attributes, [&](QStringView attribute, QStringView value) {
            if (attribute.compare(QLatin1String("style"), Qt::CaseInsensitive) == 0)
                eachLength(value, fontPx(), [&](QStringView property, double px) {
                    if (property == QLatin1String("font-size")) font = std::abs(px);
                });
            else if (name == QLatin1String("font") &&
                     attribute.compare(QLatin1String("size"), Qt::CaseInsensitive) == 0)
                font = std::max(font, 48.0);
        });
        return font;
    }

    void closeOpen(std::initializer_list<const char*> names, std::initializer_list<const char*> boundaries) {
        for (qsizetype i = open_.size() - 1; i >= 0; --i) {
            if (oneOf(open_[i].name, names)) {
                popTo(i);
                return;
            }
            if (oneOf(open_[i].name, boundaries)) return;
        }
    }

    void popTo(qsizetype index) {
        while (open_.size() > index) {
            if (isTable(open_.back().name)) --tables_;
            open_.pop_back();
        }
    }

    const HtmlPageLimits& limits_;
    QVarLengthArray<Open, 64> open_;
    int tables_ = 0;
    int deepest_ = 0;
    int deepestTables_ = 0;
    double cost_ = 0;
    double height_ = 0;
    bool outOfScale_ = false;
    double sheetVerticalPx_ = 0;
    double sheetFontPx_ = 0;
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
        scan.open(element,
                  html.mid(nameStart + name.size(), std::max<qsizetype>(0, at - nameStart - name.size())));
        if (isRawText(element)) {
            const qsizetype end = html.indexOf(QLatin1String("</") + element, i, Qt::CaseInsensitive);
            const qsizetype textEnd = end < 0 ? n : end;
            if (element == QLatin1String("style")) scan.styleSheet(html.mid(i, textEnd - i));
            i = textEnd;
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
    if (scan.outOfScale())
        return page + QStringLiteral("ha misure fuori scala (oltre %1 pixel, caratteri oltre %2 pixel)")
                          .arg(kMaxLengthPx)
                          .arg(kMaxFontPx);
    if (scan.cost() > limits.maxCost)
        return page + QStringLiteral("è troppo complessa da impaginare (troppe tabelle, celle o testo)");
    if (scan.height() > kMaxHeightPx)
        return page + QStringLiteral("è troppo lunga da impaginare (oltre 1000 fogli)");
    return QString();
}

}  // namespace startup
