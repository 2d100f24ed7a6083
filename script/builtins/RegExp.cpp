#include "script/builtins/RegExp.h"

#include "core/ObjectBinding.h"
#include "core/RunCheck.h"
#include "core/ValueError.h"
#include "script/Errors.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace script::builtins {

using core::CallArgs;
using core::Variant;

namespace {

// What one Execute may gather: matches, and characters they hold (their
// values and groups); past either, error 7 ("Memoria esaurita").
constexpr std::size_t kMaxMatches = std::size_t(1) << 18;
constexpr qsizetype kMaxMatchedCharacters = qsizetype(1) << 25;
// Matches found between two looks at the run's stop and time-out.
constexpr std::size_t kCheckEvery = 256;

// The engine gave up on a match (its limit of steps or of memory for one
// search): no answer, so no wrong one.
[[noreturn]] void matchFailed() {
    raiseError(core::kErrCannotPerform,
               QStringLiteral("Espressione regolare troppo onerosa da valutare su questo testo: "
                              "la ricerca è stata interrotta"));
}

// Whether a search of every match stopped because the engine gave up
// rather than because there were no more: the attempt that followed the
// last match (none: the first one) is made again. After an empty match
// the engine tried a non-empty one at the same place, then went on from
// the next character.
bool stoppedOnFailure(const QRegularExpression& re, const QString& text,
                      const std::optional<QRegularExpressionMatch>& last) {
    if (!last) return !re.match(text).isValid();
    const qsizetype end = last->capturedEnd();
    if (last->capturedLength() > 0) return !re.match(text, end).isValid();
    if (!re.match(text, end, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption)
             .isValid())
        return true;
    qsizetype next = end + 1;
    if (next < text.size() && text[next].isLowSurrogate()) ++next;
    return next <= text.size() && !re.match(text, next).isValid();
}

// A read-only list with Count, Item (the default member) and For Each.
class ReadOnlyList : public core::Object {
  public:
    ReadOnlyList(QString type, std::vector<Variant> items)
        : type_(std::move(type)), items_(std::move(items)) {}
    QString typeName() const override { return type_; }
    std::vector<Variant> enumerate() override { return items_; }
    Variant invoke(const QString& name, core::CallKind kind, std::span<Variant* const> args) override {
        using L = ReadOnlyList;
        static const core::MemberTable table =
            core::MemberTable::of<L>()
                .property("Count",
                          [](L& l, const CallArgs&) { return Variant(std::int32_t(l.items_.size())); })
                .property(
                    "Item", [](L& l, const CallArgs& a) { return l.item(a.whole(0)); }, {}, 1, 1)
                .defaultMember("Item")
                .build();
        return table.invoke(*this, name, kind, args);
    }

    Variant item(std::int32_t i) const {
        if (i < 0 || std::size_t(i) >= items_.size()) raiseError(core::kErrInvalidCall);
        return items_[std::size_t(i)];
    }

  private:
    QString type_;
    std::vector<Variant> items_;
};

class Match : public core::Object {
  public:
    explicit Match(const QRegularExpressionMatch& m) {
        firstIndex_ = std::int32_t(m.capturedStart());
        value_ = m.captured();
        std::vector<Variant> subs;
        for (int i = 1; i <= m.lastCapturedIndex(); ++i)
            subs.push_back(m.capturedStart(i) < 0 ? Variant() : Variant(m.captured(i)));
        // Groups after the last one that took part in the match are Empty too.
        for (int i = m.lastCapturedIndex() + 1; i <= m.regularExpression().captureCount(); ++i)
            subs.emplace_back();
        subMatches_ = std::make_shared<ReadOnlyList>(QStringLiteral("ISubMatches"), std::move(subs));
    }
    QString typeName() const override { return QStringLiteral("IMatch2"); }
    Variant invoke(const QString& name, core::CallKind kind, std::span<Variant* const> args) override {
        using M = Match;
        static const core::MemberTable table =
            core::MemberTable::of<M>()
                .property("FirstIndex", [](M& m, const CallArgs&) { return Variant(m.firstIndex_); })
                .property("Length",
                          [](M& m, const CallArgs&) { return Variant(std::int32_t(m.value_.size())); })
                .property("Value", [](M& m, const CallArgs&) { return Variant(m.value_); })
                // m.SubMatches(0) is the first group.
                .property(
                    "SubMatches",
                    [](M& m, const CallArgs& a) {
                        return a.given(0) ? m.subMatches_->item(a.whole(0)) : Variant(m.subMatches_);
                    },
                    {}, 0, 1)
                .defaultMember("Value")
                .build();
        return table.invoke(*this, name, kind, args);
    }

  private:
    std::int32_t firstIndex_ = 0;
    QString value_;
    std::shared_ptr<ReadOnlyList> subMatches_;
};

// The language writes a character by its code as \uFFFF; the library reads \x{FFFF}.
QString libraryPattern(const QString& pattern) {
    QString out;
    out.reserve(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'\\' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == u'u' && i + 5 < pattern.size()) {
                bool ok = false;
                pattern.mid(i + 2, 4).toUInt(&ok, 16);
                if (ok) {
                    out += QStringLiteral("\\x{") + pattern.mid(i + 2, 4) + u'}';
                    i += 5;
                    continue;
                }
            }
            out += c;
            out += pattern[++i];
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace

const QRegularExpression& RegExp::compiled() const {
    const int options = (ignoreCase ? 1 : 0) | (multiLine ? 2 : 0);
    if (pattern != compiledFrom_ || options != compiledOptions_) {
        QRegularExpression::PatternOptions o;
        if (ignoreCase) o |= QRegularExpression::CaseInsensitiveOption;
        if (multiLine) o |= QRegularExpression::MultilineOption;
        re_ = QRegularExpression(libraryPattern(pattern), o);
        compiledFrom_ = pattern;
        compiledOptions_ = options;
    }
    if (!re_.isValid()) raiseError(core::kErrRegExpSyntax);
    return re_;
}

bool RegExp::test(const QString& text) const {
    const QRegularExpressionMatch m = compiled().match(text);
    if (!m.isValid()) matchFailed();
    return m.hasMatch();
}

QString RegExp::replace(const QString& text, const QString& with) const {
    const QRegularExpression& re = compiled();
    QString out;
    qsizetype last = 0;
    auto expand = [&](const QRegularExpressionMatch& m) {
        for (qsizetype i = 0; i < with.size(); ++i) {
            // $' and $` copy the text for each time they are written.
            core::checkTextLength(out.size());
            const QChar c = with[i];
            if (c != u'$' || i + 1 == with.size()) {
                out += c;
                continue;
            }
            const QChar n = with[i + 1];
            if (n == u'$') {
                out += u'$';
                ++i;
            } else if (n == u'&') {
                out += m.captured();
                ++i;
            } else if (n == u'`') {
                out += text.left(m.capturedStart());
                ++i;
            } else if (n == u'\'') {
                out += text.mid(m.capturedEnd());
                ++i;
            } else if (n.isDigit()) {
                // Two digits when that group exists, else one; a group that
                // does not exist stays as written.
                int group = n.digitValue();
                qsizetype used = 1;
                if (i + 2 < with.size() && with[i + 2].isDigit()) {
                    const int two = group * 10 + with[i + 2].digitValue();
                    if (two >= 1 && two <= re.captureCount()) {
                        group = two;
                        used = 2;
                    }
                }
                if (group >= 1 && group <= re.captureCount()) {
                    out += m.captured(group);
                    i += used;
                } else {
                    out += c;
                }
            } else {
                out += c;
            }
        }
    };
    auto it = re.globalMatch(text);
    std::optional<QRegularExpressionMatch> previous;
    std::size_t found = 0;
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (++found % kCheckEvery == 0) core::checkRun();
        out += text.mid(last, m.capturedStart() - last);
        expand(m);
        core::checkTextLength(out.size());
        last = m.capturedEnd();
        previous = m;
        if (!global) break;
    }
    if ((global || !previous) && stoppedOnFailure(re, text, previous)) matchFailed();
    core::checkTextLength(out.size() + text.size() - last);
    out += text.mid(last);
    return out;
}

Variant RegExp::execute(const QString& text) const {
    const QRegularExpression& re = compiled();
    std::vector<Variant> matches;
    std::optional<QRegularExpressionMatch> previous;
    qsizetype held = 0;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (matches.size() % kCheckEvery == 0) core::checkRun();
        for (int g = 0; g <= m.lastCapturedIndex(); ++g) held += std::max<qsizetype>(m.capturedLength(g), 0);
        if (matches.size() >= kMaxMatches || held > kMaxMatchedCharacters) raiseError(core::kErrOutOfMemory);
        matches.emplace_back(std::make_shared<Match>(m));
        previous = m;
        if (!global) break;
    }
    if ((global || !previous) && stoppedOnFailure(re, text, previous)) matchFailed();
    return Variant(std::make_shared<ReadOnlyList>(QStringLiteral("IMatchCollection2"), std::move(matches)));
}

Variant RegExp::invoke(const QString& name, core::CallKind kind, std::span<Variant* const> args) {
    using R = RegExp;
    static const core::MemberTable table =
        core::MemberTable::of<R>()
            .property(
                "Pattern", [](R& r, const CallArgs&) { return Variant(r.pattern); },
                [](R& r, const CallArgs&, const Variant& v) { r.pattern = v.toString(); })
            .property(
                "IgnoreCase", [](R& r, const CallArgs&) { return Variant(r.ignoreCase); },
                [](R& r, const CallArgs&, const Variant& v) { r.ignoreCase = v.toBool(); })
            .property(
                "Global", [](R& r, const CallArgs&) { return Variant(r.global); },
                [](R& r, const CallArgs&, const Variant& v) { r.global = v.toBool(); })
            .property(
                "MultiLine", [](R& r, const CallArgs&) { return Variant(r.multiLine); },
                [](R& r, const CallArgs&, const Variant& v) { r.multiLine = v.toBool(); })
            .method("Test", 1, 1, [](R& r, const CallArgs& a) { return Variant(r.test(a.string(0))); })
            .method("Replace", 2, 2,
                    [](R& r, const CallArgs& a) { return Variant(r.replace(a.string(0), a.string(1))); })
            .method("Execute", 1, 1, [](R& r, const CallArgs& a) { return r.execute(a.string(0)); })
            .build();
    return table.invoke(*this, name, kind, args);
}

}  // namespace script::builtins
