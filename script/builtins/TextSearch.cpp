#include "script/builtins/TextSearch.h"

#include "core/RunCheck.h"

#include <algorithm>

namespace script::builtins {

namespace {

// Characters compared between two looks at the run's stop and time-out.
constexpr qsizetype kCheckEvery = 1 << 16;
// Up to this many characters compared in the worst case, Qt's search is quick enough.
constexpr qsizetype kQuickProduct = qsizetype(1) << 22;
// Needles up to this long always go to Qt: its worst case stays a few times the text.
constexpr qsizetype kShortNeedle = 8;

// The character at i as a text compare sees it: folded to one case, a
// surrogate pair folded as the one character it stands for (each half
// stays a half of the folded character).
char16_t foldedAt(QStringView s, qsizetype i) {
    const char16_t c = s[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
        const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, s[i + 1].unicode()));
        return QChar::requiresSurrogates(folded) ? QChar::highSurrogate(folded) : c;
    }
    if (QChar::isLowSurrogate(c) && i > 0 && QChar::isHighSurrogate(s[i - 1].unicode())) {
        const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(s[i - 1].unicode(), c));
        return QChar::requiresSurrogates(folded) ? QChar::lowSurrogate(folded) : c;
    }
    return QChar::toCaseFolded(c);
}

// For each prefix of the pattern, the length of its longest proper border
// (a prefix that is also its suffix).
std::vector<std::int32_t> bordersOf(const std::u16string& p) {
    std::vector<std::int32_t> border(p.size(), 0);
    std::int32_t k = 0;
    for (std::size_t q = 1; q < p.size(); ++q) {
        if ((q & std::size_t(kCheckEvery - 1)) == 0) core::checkRun();
        while (k > 0 && p[q] != p[std::size_t(k)]) k = border[std::size_t(k - 1)];
        if (p[q] == p[std::size_t(k)]) ++k;
        border[q] = k;
    }
    return border;
}

}  // namespace

TextFinder::TextFinder(QStringView needle, bool textCompare) : needle_(needle), textCompare_(textCompare) {}

bool TextFinder::quickEnough(qsizetype textLength) const {
    return needle_.size() <= kShortNeedle || textLength <= kQuickProduct / needle_.size();
}

void TextFinder::prepare(bool backward) const {
    std::u16string& pattern = backward ? backward_ : forward_;
    if (!pattern.empty()) return;
    pattern.resize(std::size_t(needle_.size()));
    for (qsizetype i = 0; i < needle_.size(); ++i)
        pattern[std::size_t(i)] = textCompare_ ? foldedAt(needle_, i) : needle_[i].unicode();
    if (backward) std::reverse(pattern.begin(), pattern.end());
    (backward ? backwardBorders_ : forwardBorders_) = bordersOf(pattern);
}

qsizetype TextFinder::indexIn(QStringView text, qsizetype from) const {
    const qsizetype m = needle_.size();
    const qsizetype n = text.size();
    from = std::max<qsizetype>(from, 0);
    if (m == 0) return from <= n ? from : -1;
    if (n - from < m) return -1;
    if (quickEnough(n - from))
        return text.indexOf(needle_, from, textCompare_ ? Qt::CaseInsensitive : Qt::CaseSensitive);
    prepare(false);
    const char16_t* p = forward_.data();
    const std::int32_t* border = forwardBorders_.data();
    qsizetype j = 0;  // characters of the needle matched so far
    for (qsizetype i = from; i < n;) {
        for (const qsizetype stop = std::min(n, i + kCheckEvery); i < stop; ++i) {
            const char16_t c = textCompare_ ? foldedAt(text, i) : text[i].unicode();
            while (j > 0 && c != p[j]) j = border[j - 1];
            if (c == p[j] && ++j == m) return i - m + 1;
        }
        core::checkRun();
    }
    return -1;
}

qsizetype TextFinder::lastIndexIn(QStringView text, qsizetype from) const {
    const qsizetype m = needle_.size();
    const qsizetype n = text.size();
    if (from < 0) return -1;
    from = std::min(from, n - m);
    if (m == 0) return std::min(from, n);
    if (from < 0) return -1;
    if (quickEnough(from + m))
        return text.lastIndexOf(needle_, from, textCompare_ ? Qt::CaseInsensitive : Qt::CaseSensitive);
    prepare(true);
    const char16_t* p = backward_.data();
    const std::int32_t* border = backwardBorders_.data();
    qsizetype j = 0;
    // From the last character the match may end on, towards the start.
    for (qsizetype i = from + m - 1; i >= 0;) {
        for (const qsizetype stop = std::max<qsizetype>(-1, i - kCheckEvery); i > stop; --i) {
            const char16_t c = textCompare_ ? foldedAt(text, i) : text[i].unicode();
            while (j > 0 && c != p[j]) j = border[j - 1];
            if (c == p[j] && ++j == m) return i;
        }
        core::checkRun();
    }
    return -1;
}

}  // namespace script::builtins
