// Text functions of the language.

#include "core/Cp1252.h"
#include "core/RunCheck.h"
#include "core/ValueError.h"
#include "script/builtins/Groups.h"
#include "script/builtins/TextSearch.h"

#include <algorithm>
#include <climits>

namespace script::builtins {

using core::Variant;
using core::VariantArray;
using core::VType;

namespace {

// Parts, elements or replacements made between two looks at the run's stop
// and time-out: a call may make millions of them.
constexpr std::size_t kCheckEvery = 4096;

inline void checkEvery(std::size_t done) {
    if (done % kCheckEvery == 0) core::checkRun();
}

// The text of an argument without copying a text held (the copy of a
// shared text costs an atomic count): the held one, or the conversion kept
// in holder.
const QString& textOf(const Variant& v, QString& holder) {
    if (v.isString()) return v.stringValue();
    holder = v.toString();
    return holder;
}

// A count or length argument: negative is error 5.
qsizetype lengthArg(Args a, std::size_t i) {
    const std::int32_t n = wholeArg(a[i]);
    if (n < 0) raiseError(core::kErrInvalidCall);
    return n;
}

// A one-dimensional array argument (error 13 otherwise, 94 for Null).
const VariantArray& listArg(const Variant& v) {
    if (v.isNull()) raiseError(core::kErrInvalidNull);
    if (!v.isArray() || v.arrayValue().dimensions() != 1) raiseError(core::kErrTypeMismatch);
    return v.arrayValue();
}

Variant stringArray(std::vector<Variant>& parts) {
    VariantArray array({core::ArrayBound{0, std::int32_t(parts.size())}}, VType::String);
    std::move(parts.begin(), parts.end(), array.elements().begin());
    return Variant(std::move(array));
}

Variant fnLen(Args a) {
    if (a[0].isNull()) return Variant::null();
    QString holder;
    return Variant(std::int32_t(textOf(a[0], holder).size()));
}

// Whether a part of n characters may keep the room of a text of that
// capacity: not when it would keep much more than it uses.
bool keepsTheRoom(qsizetype capacity, qsizetype n) { return capacity - n <= std::max<qsizetype>(n, 32); }

// The part of argument 0's text s (a text itself) that starts at `from` and holds n
// characters (both within s). A text of the call's own is cut in place
// instead of copied; a text the script holds shares its characters with the
// part (one more owner of them, nothing copied); unless the part would keep
// much more room than it uses (a few characters of a long text are copied,
// so that the long one goes).
//
// A shared part ends where its text goes on, not at a 0, as a text made by
// QString::fromRawData does: it is read by its size, as every reader of a
// text here reads it. A change to either text copies it first (Qt writes
// only into characters no one else owns), so neither sees the other's.
Variant partOf(Args a, const QString& s, qsizetype from, qsizetype n) {
    if (from == 0 && n == s.size()) return a.take(0);
    if (QString* own = a.ownText(0); own && keepsTheRoom(own->capacity(), n)) {
        // Its start and its end move over its characters, nothing is copied.
        QString::DataPointer& d = own->data_ptr();
        d.ptr += from;
        d.size = n;
        d.ptr[n] = u'\0';
        return a.take(0);
    }
    if (n > 0 && s.data_ptr().isMutable() && keepsTheRoom(s.capacity(), n)) {
        QString::DataPointer part = s.data_ptr();  // one more owner
        part.ptr += from;
        part.size = n;
        return Variant(QString(std::move(part)));
    }
    return Variant(s.mid(from, n));
}

Variant fnLeft(Args a) {
    if (a[0].isNull()) return Variant::null();
    QString holder;
    const QString& s = textOf(a[0], holder);
    const qsizetype n = std::min(lengthArg(a, 1), s.size());
    if (!a[0].isString()) return Variant(s.left(n));
    return partOf(a, s, 0, n);
}

Variant fnRight(Args a) {
    if (a[0].isNull()) return Variant::null();
    QString holder;
    const QString& s = textOf(a[0], holder);
    const qsizetype n = std::min(lengthArg(a, 1), s.size());
    if (!a[0].isString()) return Variant(s.right(n));
    return partOf(a, s, s.size() - n, n);
}

Variant fnMid(Args a) {
    const std::int32_t start = wholeArg(a[1]);
    if (start <= 0) raiseError(core::kErrInvalidCall);
    const qsizetype length = given(a, 2) ? lengthArg(a, 2) : -1;
    if (a[0].isNull()) return Variant::null();
    QString holder;
    const QString& s = textOf(a[0], holder);
    if (start > s.size()) return Variant(QString(""));
    const qsizetype from = start - 1;
    const qsizetype n = length < 0 ? s.size() - from : std::min(length, s.size() - from);
    if (!a[0].isString()) return Variant(s.mid(from, n));
    return partOf(a, s, from, n);
}

// InStr([start,] string1, string2[, compare])
Variant fnInStr(Args a) {
    std::size_t i = 0;
    std::int32_t start = 1;
    if (a.size() >= 3) {
        start = a[0].toLong();
        if (start < 1) raiseError(core::kErrInvalidCall);
        i = 1;
    }
    const bool text = textCompareArg(a, i + 2);
    if (a[i].isNull() || a[i + 1].isNull()) return Variant::null();
    const QString s = a[i].toString();
    const QString find = a[i + 1].toString();
    if (s.isEmpty() || start > s.size()) return Variant(std::int32_t(0));
    if (find.isEmpty()) return Variant(start);
    return Variant(std::int32_t(TextFinder(find, text).indexIn(s, start - 1) + 1));
}

// InStrRev(string1, string2[, start[, compare]])
Variant fnInStrRev(Args a) {
    const std::int32_t start = wholeArg(a, 2, -1);
    if (start == 0 || start < -1) raiseError(core::kErrInvalidCall);
    const bool text = textCompareArg(a, 3);
    if (a[0].isNull() || a[1].isNull()) return Variant::null();
    const QString s = a[0].toString();
    const QString find = a[1].toString();
    const qsizetype end = start == -1 ? s.size() : start;
    if (s.isEmpty() || end > s.size()) return Variant(std::int32_t(0));
    if (find.isEmpty()) return Variant(std::int32_t(end));
    const qsizetype from = end - find.size();
    if (from < 0) return Variant(std::int32_t(0));
    return Variant(std::int32_t(TextFinder(find, text).lastIndexIn(s, from) + 1));
}

Variant fnLCase(Args a) { return a[0].isNull() ? Variant::null() : Variant(a[0].toString().toLower()); }

Variant fnUCase(Args a) { return a[0].isNull() ? Variant::null() : Variant(a[0].toString().toUpper()); }

// The language trims blanks only, not tabs or line breaks.
QString trimmed(const QString& s, bool left, bool right) {
    qsizetype from = 0;
    qsizetype to = s.size();
    if (left)
        while (from < to && s[from] == u' ') ++from;
    if (right)
        while (to > from && s[to - 1] == u' ') --to;
    return s.mid(from, to - from);
}

Variant fnLTrim(Args a) {
    return a[0].isNull() ? Variant::null() : Variant(trimmed(a[0].toString(), true, false));
}

Variant fnRTrim(Args a) {
    return a[0].isNull() ? Variant::null() : Variant(trimmed(a[0].toString(), false, true));
}

Variant fnTrim(Args a) {
    return a[0].isNull() ? Variant::null() : Variant(trimmed(a[0].toString(), true, true));
}

// A length of a text to make: error 7 past the longest text.
qsizetype madeLength(Args a, std::size_t i) {
    const qsizetype n = lengthArg(a, i);
    core::checkTextLength(n);
    return n;
}

Variant fnSpace(Args a) { return Variant(QString(madeLength(a, 0), u' ')); }

// String(number, character): a character code (taken modulo 256) or the
// first character of a text.
Variant fnString(Args a) {
    const qsizetype n = madeLength(a, 0);
    if (a[1].isNull()) return Variant::null();
    QChar c;
    if (a[1].isString()) {
        const QString s = a[1].stringValue();
        if (s.isEmpty()) raiseError(core::kErrInvalidCall);
        c = s[0];
    } else {
        const std::int32_t code = a[1].toLong();
        c = QChar(core::cp1252::toUnicode((unsigned char)(((code % 256) + 256) % 256)));
    }
    return Variant(QString(n, c));
}

// Replace(expression, find, replacewith[, start[, count[, compare]]]): the
// result begins at start, as the language's does.
Variant fnReplace(Args a) {
    if (a[0].isNull()) raiseError(core::kErrInvalidNull);
    const std::int32_t start = wholeArg(a, 3, 1);
    const std::int32_t count = wholeArg(a, 4, -1);
    if (start < 1 || count < -1) raiseError(core::kErrInvalidCall);
    const bool text = textCompareArg(a, 5);
    const QString find = a[1].toString();
    const QString with = a[2].toString();
    const QString s = a[0].toString();
    if (start > s.size()) return Variant(QString(""));
    const QString rest = s.mid(start - 1);
    if (find.isEmpty() || count == 0) return Variant(rest);
    QString out;
    qsizetype pos = 0;
    std::int32_t done = 0;
    const TextFinder finder(find, text);
    while (count == -1 || done < count) {
        const qsizetype at = finder.indexIn(rest, pos);
        if (at < 0) break;
        core::checkTextLength(out.size() + (at - pos) + with.size());
        out += QStringView(rest).mid(pos, at - pos);
        out += with;
        pos = at + find.size();
        checkEvery(std::size_t(++done));
    }
    core::checkTextLength(out.size() + (rest.size() - pos));
    out += QStringView(rest).mid(pos);
    return Variant(out);
}

// Split(expression[, delimiter[, count[, compare]]])
Variant fnSplit(Args a) {
    if (a[0].isNull()) raiseError(core::kErrInvalidNull);
    const QString s = a[0].toString();
    const QString delimiter = given(a, 1) ? a[1].toString() : QStringLiteral(" ");
    const std::int32_t count = wholeArg(a, 2, -1);
    if (count < -1) raiseError(core::kErrInvalidCall);
    const bool text = textCompareArg(a, 3);
    std::vector<Variant> parts;
    if (s.isEmpty() || count == 0) return stringArray(parts);
    if (delimiter.isEmpty()) {
        parts.emplace_back(s);
        return stringArray(parts);
    }
    qsizetype pos = 0;
    const TextFinder finder(delimiter, text);
    while (count == -1 || qsizetype(parts.size()) < qsizetype(count) - 1) {
        const qsizetype at = finder.indexIn(s, pos);
        if (at < 0) break;
        parts.emplace_back(s.mid(pos, at - pos));
        pos = at + delimiter.size();
        checkEvery(parts.size());
    }
    parts.emplace_back(s.mid(pos));
    return stringArray(parts);
}

Variant fnJoin(Args a) {
    const VariantArray& list = listArg(a[0]);
    const QString delimiter = given(a, 1) ? a[1].toString() : QStringLiteral(" ");
    QString out;
    bool first = true;
    std::size_t done = 0;
    for (const Variant& e : list.elements()) {
        checkEvery(++done);
        const QString part = e.toString();
        core::checkTextLength(out.size() + (first ? 0 : delimiter.size()) + part.size());
        if (!first) out += delimiter;
        out += part;
        first = false;
    }
    return Variant(out);
}

Variant fnStrComp(Args a) {
    const bool text = textCompareArg(a, 2);
    if (a[0].isNull() || a[1].isNull()) return Variant::null();
    const int c =
        QString::compare(a[0].toString(), a[1].toString(), text ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return Variant(std::int16_t(c < 0 ? -1 : c > 0 ? 1 : 0));
}

Variant fnStrReverse(Args a) {
    const QString s = a[0].toString();
    QString out(s.size(), Qt::Uninitialized);
    std::reverse_copy(s.cbegin(), s.cend(), out.begin());
    return Variant(out);
}

QChar firstChar(const Variant& v) {
    const QString s = v.toString();
    if (s.isEmpty()) raiseError(core::kErrInvalidCall);
    return s[0];
}

// Asc: the character's code in the Windows ("ANSI") code page of an
// Italian installation.
Variant fnAsc(Args a) { return Variant(std::int16_t(core::cp1252::fromUnicode(firstChar(a[0]).unicode()))); }

Variant fnAscW(Args a) { return Variant(std::int16_t(firstChar(a[0]).unicode())); }

Variant fnChr(Args a) {
    const std::int32_t code = a[0].toLong();
    if (code < 0 || code > 255) raiseError(core::kErrInvalidCall);
    return Variant(QString(QChar(core::cp1252::toUnicode((unsigned char)code))));
}

Variant fnChrW(Args a) {
    std::int32_t code = a[0].toLong();
    if (code < -32768 || code > 65535) raiseError(core::kErrInvalidCall);
    if (code < 0) code += 65536;
    return Variant(QString(QChar(char16_t(code))));
}

// Filter(list, value[, include[, compare]]): the elements that contain (or,
// with include False, do not contain) the value.
Variant fnFilter(Args a) {
    const VariantArray& list = listArg(a[0]);
    if (a[1].isNull()) raiseError(core::kErrInvalidNull);
    const QString value = a[1].toString();
    const bool include = given(a, 2) ? a[2].toBool() : true;
    const bool text = textCompareArg(a, 3);
    std::vector<Variant> out;
    const TextFinder finder(value, text);
    std::size_t done = 0;
    for (const Variant& e : list.elements()) {
        checkEvery(++done);
        QString s = e.toString();
        if ((finder.indexIn(s, 0) >= 0) == include) out.emplace_back(std::move(s));
    }
    return stringArray(out);
}

const Info kFunctions[] = {
    {"Len", 1, 1, fnLen},       {"Left", 2, 2, fnLeft},       {"Right", 2, 2, fnRight},
    {"Mid", 2, 3, fnMid},       {"InStr", 2, 4, fnInStr},     {"InStrRev", 2, 4, fnInStrRev},
    {"LCase", 1, 1, fnLCase},   {"UCase", 1, 1, fnUCase},     {"LTrim", 1, 1, fnLTrim},
    {"RTrim", 1, 1, fnRTrim},   {"Trim", 1, 1, fnTrim},       {"Space", 1, 1, fnSpace},
    {"String", 2, 2, fnString}, {"Replace", 3, 6, fnReplace}, {"Split", 1, 4, fnSplit},
    {"Join", 1, 2, fnJoin},     {"StrComp", 2, 3, fnStrComp}, {"StrReverse", 1, 1, fnStrReverse},
    {"Asc", 1, 1, fnAsc},       {"AscW", 1, 1, fnAscW},       {"Chr", 1, 1, fnChr},
    {"ChrW", 1, 1, fnChrW},     {"Filter", 2, 4, fnFilter},
};

}  // namespace

std::span<const Info> stringFunctions() { return kFunctions; }

}  // namespace script::builtins
