#include "script/Lexer.h"

#include "core/AppError.h"
#include "core/RunCheck.h"
#include "script/Errors.h"

#include <QHash>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace script {

void raiseAt(int number, int line, int column) {
    core::AppError e(number, errorSource(), errorDescription(number));
    e.setPosition(line, column);
    throw e;
}

namespace {

const QHash<QString, Kw>& keywords() {
    static const QHash<QString, Kw> k = {
        {"and", Kw::And},
        {"byref", Kw::ByRef},
        {"byval", Kw::ByVal},
        {"call", Kw::Call},
        {"case", Kw::Case},
        {"class", Kw::Class},
        {"const", Kw::Const},
        {"default", Kw::Default},
        {"dim", Kw::Dim},
        {"do", Kw::Do},
        {"each", Kw::Each},
        {"else", Kw::Else},
        {"elseif", Kw::ElseIf},
        {"empty", Kw::Empty},
        {"end", Kw::End},
        {"eqv", Kw::Eqv},
        {"erase", Kw::Erase},
        {"error", Kw::Error},
        {"exit", Kw::Exit},
        {"explicit", Kw::Explicit},
        {"false", Kw::False},
        {"for", Kw::For},
        {"function", Kw::Function},
        {"get", Kw::Get},
        {"goto", Kw::GoTo},
        {"if", Kw::If},
        {"imp", Kw::Imp},
        {"in", Kw::In},
        {"is", Kw::Is},
        {"let", Kw::Let},
        {"loop", Kw::Loop},
        {"me", Kw::Me},
        {"mod", Kw::Mod},
        {"new", Kw::New},
        {"next", Kw::Next},
        {"not", Kw::Not},
        {"nothing", Kw::Nothing},
        {"null", Kw::Null},
        {"on", Kw::On},
        {"option", Kw::Option},
        {"or", Kw::Or},
        {"preserve", Kw::Preserve},
        {"private", Kw::Private},
        {"property", Kw::Property},
        {"public", Kw::Public},
        {"redim", Kw::ReDim},
        {"resume", Kw::Resume},
        {"select", Kw::Select},
        {"set", Kw::Set},
        {"step", Kw::Step},
        {"sub", Kw::Sub},
        {"then", Kw::Then},
        {"to", Kw::To},
        {"true", Kw::True},
        {"until", Kw::Until},
        {"wend", Kw::Wend},
        {"while", Kw::While},
        {"with", Kw::With},
        {"xor", Kw::Xor},
    };
    return k;
}

bool isIdentChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

class Lexer {
  public:
    explicit Lexer(const QString& text) : s_(text) {}

    std::vector<Token> run() {
        bool space = true;
        while (pos_ < s_.size()) {
            const QChar c = s_[pos_];
            if (c == u' ' || c == u'\t' || c == QChar(0xA0) || c == QChar(0xFEFF)) {
                ++pos_;
                space = true;
                continue;
            }
            if (c == u'\r' || c == u'\n') {
                push(Tok::Newline, pos_);
                newline();
                space = true;
                continue;
            }
            if (c == u'\'') {
                skipToLineEnd();
                continue;
            }
            const int start = pos_;
            if (c == u'_' && restOfLineBlank(pos_ + 1)) {
                // Line continuation: the statement goes on on the next line.
                skipToLineEnd();
                if (pos_ < s_.size()) newline();
                space = true;
                continue;
            }
            if (c.isLetter()) {
                while (pos_ < s_.size() && isIdentChar(s_[pos_])) ++pos_;
                const QString word = s_.mid(start, pos_ - start);
                const QString lower = word.toLower();
                const bool afterDot =
                    !toks_.empty() && toks_.back().type == Tok::Op && toks_.back().text == QLatin1String(".");
                if (lower == QLatin1String("rem") && !afterDot) {
                    skipToLineEnd();
                    continue;
                }
                Token& t = push(Tok::Name, start, space);
                t.text = word;
                t.kw = keywords().value(lower, Kw::None);
            } else if (c == u'[') {
                const int close = s_.indexOf(u']', pos_ + 1);
                const int eol = lineEnd(pos_);
                if (close < 0 || close > eol) raiseAt(1032, line_, col(start));
                Token& t = push(Tok::Name, start, space);
                t.text = s_.mid(pos_ + 1, close - pos_ - 1);
                pos_ = close + 1;
            } else if (c.isDigit() ||
                       (c == u'.' && pos_ + 1 < s_.size() && s_[pos_ + 1].isDigit() && !afterOperand())) {
                number(start, space);
            } else if (isRadixStart()) {
                radixNumber(start, space);
            } else if (c == u'"') {
                string(start, space);
            } else if (c == u'#') {
                const int close = s_.indexOf(u'#', pos_ + 1);
                if (close < 0 || close > lineEnd(pos_)) raiseAt(1032, line_, col(start));
                Token& t = push(Tok::Date, start, space);
                t.text = s_.mid(pos_ + 1, close - pos_ - 1).trimmed();
                pos_ = close + 1;
            } else if (c == u':') {
                push(Tok::Colon, start, space);
                ++pos_;
            } else {
                op(start, space);
            }
            space = false;
        }
        push(Tok::Newline, pos_);
        push(Tok::End, pos_);
        return std::move(toks_);
    }

  private:
    const QString& s_;
    int pos_ = 0;
    int line_ = 1;
    int lineStart_ = 0;
    std::vector<Token> toks_;

    int col(int at) const { return at - lineStart_ + 1; }

    Token& push(Tok type, int at, bool space = true) {
        // A text of millions of tokens stops with the run.
        if ((toks_.size() & 0xFFFF) == 0xFFFF) core::checkRun();
        Token t;
        t.type = type;
        t.line = line_;
        t.column = col(at);
        t.spaceBefore = space;
        toks_.push_back(std::move(t));
        return toks_.back();
    }

    void newline() {
        if (s_[pos_] == u'\r' && pos_ + 1 < s_.size() && s_[pos_ + 1] == u'\n') ++pos_;
        ++pos_;
        ++line_;
        lineStart_ = pos_;
    }

    int lineEnd(int from) const {
        int p = from;
        while (p < s_.size() && s_[p] != u'\r' && s_[p] != u'\n') ++p;
        return p;
    }

    void skipToLineEnd() { pos_ = lineEnd(pos_); }

    // "&H1F" and "&O17" are numbers only when a digit of their base follows;
    // otherwise the "&" joins texts: "x" &hi is "x" & hi.
    bool isRadixStart() const {
        if (s_[pos_] != u'&' || pos_ + 2 >= s_.size()) return false;
        const QChar r = s_[pos_ + 1];
        const int d = hexDigit(s_[pos_ + 2]);
        if (r == u'H' || r == u'h') return d >= 0;
        if (r == u'O' || r == u'o') return d >= 0 && d < 8;
        return false;
    }

    bool restOfLineBlank(int from) const {
        for (int p = from; p < s_.size(); ++p) {
            const QChar c = s_[p];
            if (c == u'\r' || c == u'\n') return true;
            if (c != u' ' && c != u'\t') return false;
        }
        return true;
    }

    // A '.' right after a name or ')' is member access, not a number.
    bool afterOperand() const {
        if (toks_.empty()) return false;
        const Token& t = toks_.back();
        if (t.type == Tok::Name) return t.kw == Kw::None || !isReserved(t.kw) || t.kw == Kw::Me;
        return t.type == Tok::Op && t.text == QLatin1String(")");
    }

    void number(int start, bool space) {
        bool isDouble = false;
        while (pos_ < s_.size() && s_[pos_].isDigit()) ++pos_;
        if (pos_ < s_.size() && s_[pos_] == u'.') {
            isDouble = true;
            ++pos_;
            while (pos_ < s_.size() && s_[pos_].isDigit()) ++pos_;
        }
        if (pos_ < s_.size() && (s_[pos_] == u'e' || s_[pos_] == u'E')) {
            int p = pos_ + 1;
            if (p < s_.size() && (s_[p] == u'+' || s_[p] == u'-')) ++p;
            if (p < s_.size() && s_[p].isDigit()) {
                isDouble = true;
                pos_ = p;
                while (pos_ < s_.size() && s_[pos_].isDigit()) ++pos_;
            }
        }
        if (pos_ < s_.size() && isIdentChar(s_[pos_])) raiseAt(1025, line_, col(pos_));
        const QString text = s_.mid(start, pos_ - start);
        bool ok = false;
        double d = text.toDouble(&ok);  // C locale: '.' is the decimal point here
        if (!ok) {
            // Too small to be held (1e-400) reads as 0; too large is refused.
            const QByteArray latin = text.toLatin1();
            char* end = nullptr;
            d = std::strtod(latin.constData(), &end);
            ok = end == latin.constData() + latin.size() && std::isfinite(d);
        }
        if (!ok || !std::isfinite(d)) raiseAt(1031, line_, col(start));
        if (!isDouble && d <= 2147483647.0) {
            Token& t = push(Tok::Integer, start, space);
            t.intValue = text.toLongLong();
            t.intType = t.intValue <= 32767 ? 2 : 3;
            t.text = text;
            return;
        }
        Token& t = push(Tok::Double, start, space);
        t.dblValue = d;
        t.text = text;
    }

    void radixNumber(int start, bool space) {
        const bool hex = s_[pos_ + 1] == u'H' || s_[pos_ + 1] == u'h';
        pos_ += 2;
        const int base = hex ? 16 : 8;
        std::uint64_t v = 0;
        int digits = 0;
        while (pos_ < s_.size()) {
            const int d = hexDigit(s_[pos_]);
            if (d < 0 || d >= base) break;
            v = v * base + d;
            if (v > 0xFFFFFFFFull) raiseAt(1031, line_, col(start));
            ++pos_;
            ++digits;
        }
        if (digits == 0) raiseAt(1031, line_, col(start));
        const int suffix = longSuffixAt(pos_);
        const bool forceLong = suffix >= 0;
        const int end = pos_;
        if (forceLong) pos_ = suffix + 1;
        Token& t = push(Tok::Integer, start, space);
        t.text = s_.mid(start, end - start);
        // Up to 16 bits the digits are an Integer with its sign bit (&HFFFF
        // is -1). With "&" they are a Long of 32 bits with its sign bit
        // (&HFFFF& is 65535, &HFFFFFFFF& is -1), still an Integer when the
        // value fits one (&H10& is 16, &HFFFFFFFE& is -2).
        if (!forceLong && v <= 0xFFFF) {
            t.intValue = static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
            t.intType = 2;
        } else {
            t.intValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
            t.intType = forceLong && t.intValue >= INT16_MIN && t.intValue <= INT16_MAX ? 2 : 3;
        }
    }

    // Where the "&" that makes a hex or octal number a Long stands: right
    // after the digits, or after blanks when nothing that could be joined
    // follows it (&HFFFE &) is the number, &H10 & "x" joins two texts).
    // -1 when there is none.
    int longSuffixAt(int p) const {
        if (p < s_.size() && s_[p] == u'&') return p;
        int q = p;
        while (q < s_.size() && (s_[q] == u' ' || s_[q] == u'\t')) ++q;
        if (q == p || q >= s_.size() || s_[q] != u'&') return -1;
        int r = q + 1;
        while (r < s_.size() && (s_[r] == u' ' || s_[r] == u'\t')) ++r;
        if (r >= s_.size()) return q;
        const QChar c = s_[r];
        const bool nothingToJoin =
            c == u')' || c == u',' || c == u':' || c == u'\'' || c == u'\r' || c == u'\n';
        return nothingToJoin ? q : -1;
    }

    void string(int start, bool space) {
        QString out;
        ++pos_;
        for (;;) {
            if (pos_ >= s_.size() || s_[pos_] == u'\r' || s_[pos_] == u'\n') raiseAt(1033, line_, col(start));
            if (s_[pos_] == u'"') {
                if (pos_ + 1 < s_.size() && s_[pos_ + 1] == u'"') {
                    out += u'"';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            out += s_[pos_++];
        }
        Token& t = push(Tok::String, start, space);
        t.text = out;
    }

    void op(int start, bool space) {
        const QChar c = s_[pos_];
        const QChar n = pos_ + 1 < s_.size() ? s_[pos_ + 1] : QChar();
        QString text;
        if (c == u'<' && (n == u'>' || n == u'=')) {
            text = QString(c) + n;
        } else if (c == u'>' && n == u'=') {
            text = QStringLiteral(">=");
        } else if (c == u'=' && (n == u'>' || n == u'<')) {
            text = n == u'>' ? QStringLiteral(">=") : QStringLiteral("<=");  // => and =<
        } else if (c == u'>' && n == u'<') {
            text = QStringLiteral("<>");  // ><
        } else if (QStringLiteral("+-*/\\^&=<>(),.").contains(c)) {
            text = QString(c);
        } else {
            raiseAt(1032, line_, col(start));
        }
        Token& t = push(Tok::Op, start, space);
        t.text = text;
        pos_ += text.size();
    }
};

}  // namespace

bool isReserved(Kw kw) {
    switch (kw) {
        case Kw::None:
        case Kw::Default:
        case Kw::Error:
        case Kw::Explicit:
        case Kw::Get:
        case Kw::Let:
        case Kw::Preserve:
        case Kw::Property:
        case Kw::Resume:
        case Kw::Step:
        case Kw::GoTo:
            return false;
        default:
            return true;
    }
}

std::vector<Token> tokenize(const QString& text) { return Lexer(text).run(); }

}  // namespace script
