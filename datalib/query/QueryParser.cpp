// Lexer and recursive-descent parser of the query language.
//
// Precedence, lowest first: OR; AND; NOT; comparisons (= <> < > <= >=, LIKE,
// IS NULL, IN, BETWEEN); + -; * /; unary minus; literals, names, calls and
// parentheses. Keywords and names are read in any letter case.

#include "datalib/query/QueryAst.h"
#include "datalib/query/QueryError.h"

#include <QChar>

namespace datalib::query {

namespace {

struct Token {
    enum class Type { End, Ident, Number, String, Date, Op };
    Type type = Type::End;
    QString text;  // identifier as written, string value, date text, operator
    int pos = 1;   // 1-based
    double number = 0.0;
};

bool isIdentStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isIdentPart(QChar c) { return c.isLetterOrNumber() || c == u'_' || c.isMark(); }

class Lexer {
  public:
    Lexer(const QString& text, TextKind kind) : text_(text), kind_(kind) {}

    std::vector<Token> run() {
        std::vector<Token> out;
        const int n = int(text_.size());
        int i = 0;
        while (true) {
            while (i < n && text_[i].isSpace()) ++i;
            Token t;
            t.pos = i + 1;
            if (i >= n) {
                out.push_back(t);
                return out;
            }
            const QChar c = text_[i];
            if (isIdentStart(c)) {
                int j = i + 1;
                while (j < n && isIdentPart(text_[j])) ++j;
                t.type = Token::Type::Ident;
                t.text = text_.mid(i, j - i);
                i = j;
            } else if (c.isDigit() || (c == u'.' && i + 1 < n && text_[i + 1].isDigit())) {
                int j = i;
                while (j < n && text_[j].isDigit()) ++j;
                if (j < n && text_[j] == u'.') {
                    ++j;
                    while (j < n && text_[j].isDigit()) ++j;
                }
                if (j < n && (text_[j] == u'e' || text_[j] == u'E')) {
                    int k = j + 1;
                    if (k < n && (text_[k] == u'+' || text_[k] == u'-')) ++k;
                    if (k < n && text_[k].isDigit()) {
                        while (k < n && text_[k].isDigit()) ++k;
                        j = k;
                    }
                }
                if (j < n && isIdentStart(text_[j]))
                    throw queryError(kind_, text_, j + 1, QStringLiteral("numero non valido"));
                bool ok = false;
                t.type = Token::Type::Number;
                t.text = text_.mid(i, j - i);
                t.number = t.text.toDouble(&ok);
                if (!ok) throw queryError(kind_, text_, t.pos, QStringLiteral("numero non valido"));
                i = j;
            } else if (c == u'\'' || c == u'"') {
                QString value;
                int j = i + 1;
                while (true) {
                    if (j >= n)
                        throw queryError(kind_, text_, t.pos,
                                         QStringLiteral("testo tra virgolette non chiuso"));
                    if (text_[j] == c) {
                        if (j + 1 < n && text_[j + 1] == c) {  // doubled quote
                            value += c;
                            j += 2;
                            continue;
                        }
                        ++j;
                        break;
                    }
                    value += text_[j++];
                }
                t.type = Token::Type::String;
                t.text = value;
                i = j;
            } else if (c == u'#') {
                const int close = int(text_.indexOf(u'#', i + 1));
                if (close < 0) throw queryError(kind_, text_, t.pos, QStringLiteral("data tra # non chiusa"));
                t.type = Token::Type::Date;
                t.text = text_.mid(i + 1, close - i - 1).trimmed();
                i = close + 1;
            } else {
                static const QString two[] = {QStringLiteral("<>"), QStringLiteral("<="),
                                              QStringLiteral(">="), QStringLiteral("!=")};
                QString op;
                for (const QString& o : two)
                    if (text_.mid(i, 2) == o) op = o;
                if (op.isEmpty() && QStringLiteral("=<>+-*/(),.").contains(c)) op = QString(c);
                if (op.isEmpty())
                    throw queryError(kind_, text_, t.pos,
                                     QStringLiteral("carattere non ammesso '%1'").arg(c));
                i += int(op.size());
                t.type = Token::Type::Op;
                t.text = op == QStringLiteral("!=") ? QStringLiteral("<>") : op;
            }
            out.push_back(t);
        }
    }

  private:
    const QString& text_;
    TextKind kind_;
};

const QStringList& reservedWords() {
    static const QStringList words = {
        QStringLiteral("AND"),   QStringLiteral("OR"),       QStringLiteral("NOT"),
        QStringLiteral("LIKE"),  QStringLiteral("IS"),       QStringLiteral("NULL"),
        QStringLiteral("IN"),    QStringLiteral("BETWEEN"),  QStringLiteral("TRUE"),
        QStringLiteral("FALSE"), QStringLiteral("AS"),       QStringLiteral("ASC"),
        QStringLiteral("DESC"),  QStringLiteral("DISTINCT"), QStringLiteral("DISTINCTROW"),
        QStringLiteral("SET"),   QStringLiteral("WHERE")};
    return words;
}

class Parser {
  public:
    Parser(const QString& text, TextKind kind)
        : text_(text), kind_(kind), tokens_(checkedTokens(text, kind)) {}

    bool atEnd() const { return cur().type == Token::Type::End; }

    NodePtr parseExpression() { return parseOr(); }

    void expectEnd(const QString& what = QString()) {
        if (!atEnd())
            fail(cur().pos,
                 what.isEmpty() ? QStringLiteral("testo inatteso '%1'").arg(describe(cur())) : what);
    }

    std::vector<SortTerm> sortList() {
        std::vector<SortTerm> terms;
        if (atEnd()) return terms;
        while (true) {
            if (int(terms.size()) == kMaxSortTerms)
                fail(cur().pos,
                     QStringLiteral("più di %1 campi nell'ordinamento (il limite è %1)").arg(kMaxSortTerms));
            SortTerm term;
            term.expr = parseAdditive();
            if (isKeyword(cur(), "DESC")) {
                term.descending = true;
                ++at_;
            } else if (isKeyword(cur(), "ASC")) {
                ++at_;
            }
            terms.push_back(std::move(term));
            if (isOp(cur(), ",")) {
                ++at_;
                continue;
            }
            expectEnd();
            return terms;
        }
    }

    ColumnList columnList() {
        ColumnList list;
        if (isKeyword(cur(), "DISTINCT") || isKeyword(cur(), "DISTINCTROW")) {
            list.distinct = true;
            ++at_;
        }
        if (atEnd()) {
            if (list.distinct) fail(cur().pos, QStringLiteral("manca l'elenco dei campi"));
            return list;
        }
        while (true) {
            ColumnTerm term;
            const int start = cur().pos;
            if (isOp(cur(), "*")) {
                term.star = true;
                term.text = QStringLiteral("*");
                ++at_;
            } else {
                term.expr = parseOr();
                const int end = cur().pos;
                term.text = text_.mid(start - 1, end - start).trimmed();
                if (isKeyword(cur(), "AS")) {
                    ++at_;
                    if (cur().type != Token::Type::Ident || isReserved(cur()))
                        fail(cur().pos, QStringLiteral("manca il nome della colonna dopo AS"));
                    term.alias = cur().text;
                    ++at_;
                }
            }
            list.terms.push_back(std::move(term));
            if (isOp(cur(), ",")) {
                ++at_;
                continue;
            }
            expectEnd();
            return list;
        }
    }

    UpdateStatement update() {
        UpdateStatement st;
        if (!isKeyword(cur(), "UPDATE"))
            fail(cur().pos, QStringLiteral("è ammessa soltanto l'istruzione UPDATE"));
        ++at_;
        if (cur().type != Token::Type::Ident || isReserved(cur()))
            fail(cur().pos, QStringLiteral("manca il nome della tabella"));
        st.table = cur().text;
        st.tablePos = cur().pos;
        ++at_;
        if (!isKeyword(cur(), "SET")) fail(cur().pos, QStringLiteral("manca SET"));
        ++at_;
        while (true) {
            if (cur().type != Token::Type::Ident || isReserved(cur()))
                fail(cur().pos, QStringLiteral("manca il nome del campo"));
            const QString column = cur().text;
            const int pos = cur().pos;
            ++at_;
            if (!isOp(cur(), "=")) fail(cur().pos, QStringLiteral("manca '='"));
            ++at_;
            st.assignments.emplace_back(column, parseAdditive());
            st.assignmentPos.push_back(pos);
            if (isOp(cur(), ",")) {
                ++at_;
                continue;
            }
            break;
        }
        if (isKeyword(cur(), "WHERE")) {
            ++at_;
            st.where = parseOr();
        }
        expectEnd();
        return st;
    }

  private:
    [[noreturn]] void fail(int pos, const QString& what) const { throw queryError(kind_, text_, pos, what); }

    // Sets the depth of a node built from its arguments; a tree deeper than
    // SQLite can take is refused here.
    NodePtr done(NodePtr node) {
        int deepest = 0;
        for (const NodePtr& a : node->args) deepest = std::max(deepest, a->depth);
        node->depth = deepest + 1;
        if (node->depth > kMaxExpressionDepth) tooDeep(node->pos);
        return node;
    }
    [[noreturn]] void tooDeep(int pos) const {
        fail(pos,
             QStringLiteral("espressione troppo complessa (più di %1 livelli)").arg(kMaxExpressionDepth));
    }
    // Counts the nesting of the recursive descent (parentheses, NOT, signs),
    // so that no text can exhaust the stack.
    struct Nest {
        Parser& p;
        explicit Nest(Parser& parser, int pos) : p(parser) {
            if (++p.nesting_ > kMaxExpressionDepth) p.tooDeep(pos);
        }
        ~Nest() { --p.nesting_; }
    };

    const Token& cur() const { return tokens_[size_t(at_)]; }
    const Token& peek(int ahead = 1) const {
        const size_t i = std::min(size_t(at_ + ahead), tokens_.size() - 1);
        return tokens_[i];
    }

    static bool isKeyword(const Token& t, const char* word) {
        return t.type == Token::Type::Ident && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    static bool isOp(const Token& t, const char* op) {
        return t.type == Token::Type::Op && t.text == QLatin1String(op);
    }
    static bool isReserved(const Token& t) {
        return t.type == Token::Type::Ident && reservedWords().contains(t.text, Qt::CaseInsensitive);
    }
    static QString describe(const Token& t) {
        switch (t.type) {
            case Token::Type::End:
                return QStringLiteral("fine del testo");
            case Token::Type::String:
                return QStringLiteral("'") + t.text + QStringLiteral("'");
            case Token::Type::Date:
                return QStringLiteral("#") + t.text + QStringLiteral("#");
            default:
                return t.text;
        }
    }

    // One level of left-associative binary operators: operands from `next`,
    // joined while `match` holds for the current token.
    template <class Match>
    NodePtr binaryLevel(Node::Kind kind, Match match, NodePtr (Parser::*next)()) {
        NodePtr left = (this->*next)();
        while (match(cur())) {
            auto node = std::make_unique<Node>(kind, cur().pos);
            node->text = cur().text;
            ++at_;
            node->args.push_back(std::move(left));
            node->args.push_back((this->*next)());
            left = done(std::move(node));
        }
        return left;
    }

    NodePtr parseOr() {
        return binaryLevel(
            Node::Kind::Or, [](const Token& t) { return isKeyword(t, "OR"); }, &Parser::parseAnd);
    }

    NodePtr parseAnd() {
        return binaryLevel(
            Node::Kind::And, [](const Token& t) { return isKeyword(t, "AND"); }, &Parser::parseNot);
    }

    NodePtr parseNot() {
        if (isKeyword(cur(), "NOT")) {
            Nest nest(*this, cur().pos);
            auto node = std::make_unique<Node>(Node::Kind::Not, cur().pos);
            ++at_;
            node->args.push_back(parseNot());
            return done(std::move(node));
        }
        return parseComparison();
    }

    NodePtr parseComparison() {
        NodePtr left = parseAdditive();
        const Token& t = cur();
        if (t.type == Token::Type::Op && (t.text == u"=" || t.text == u"<>" || t.text == u"<" ||
                                          t.text == u">" || t.text == u"<=" || t.text == u">=")) {
            auto node = std::make_unique<Node>(Node::Kind::Compare, t.pos);
            node->text = t.text;
            ++at_;
            node->args.push_back(std::move(left));
            node->args.push_back(parseAdditive());
            return done(std::move(node));
        }
        bool negated = false;
        int pos = t.pos;
        if (isKeyword(t, "NOT") &&
            (isKeyword(peek(), "LIKE") || isKeyword(peek(), "IN") || isKeyword(peek(), "BETWEEN"))) {
            negated = true;
            ++at_;
        }
        if (isKeyword(cur(), "LIKE")) {
            auto node = std::make_unique<Node>(Node::Kind::Like, pos);
            node->negated = negated;
            ++at_;
            node->args.push_back(std::move(left));
            node->args.push_back(parseAdditive());
            return done(std::move(node));
        }
        if (isKeyword(cur(), "IN")) {
            auto node = std::make_unique<Node>(Node::Kind::In, pos);
            node->negated = negated;
            ++at_;
            if (!isOp(cur(), "(")) fail(cur().pos, QStringLiteral("manca '(' dopo IN"));
            ++at_;
            node->args.push_back(std::move(left));
            while (true) {
                if (int(node->args.size()) > kMaxListValues)
                    fail(cur().pos, QStringLiteral("più di %1 valori nell'elenco di IN (il limite è %1)")
                                        .arg(QStringLiteral("1.000")));
                node->args.push_back(parseAdditive());
                if (isOp(cur(), ",")) {
                    ++at_;
                    continue;
                }
                if (!isOp(cur(), ")"))
                    fail(cur().pos, QStringLiteral("manca ')' alla fine dell'elenco di IN"));
                ++at_;
                break;
            }
            return done(std::move(node));
        }
        if (isKeyword(cur(), "BETWEEN")) {
            auto node = std::make_unique<Node>(Node::Kind::Between, pos);
            node->negated = negated;
            ++at_;
            node->args.push_back(std::move(left));
            node->args.push_back(parseAdditive());
            if (!isKeyword(cur(), "AND")) fail(cur().pos, QStringLiteral("manca AND dopo BETWEEN"));
            ++at_;
            node->args.push_back(parseAdditive());
            return done(std::move(node));
        }
        if (isKeyword(cur(), "IS")) {
            auto node = std::make_unique<Node>(Node::Kind::IsNull, cur().pos);
            ++at_;
            if (isKeyword(cur(), "NOT")) {
                node->negated = true;
                ++at_;
            }
            if (!isKeyword(cur(), "NULL")) fail(cur().pos, QStringLiteral("manca NULL dopo IS"));
            ++at_;
            node->args.push_back(std::move(left));
            return done(std::move(node));
        }
        return left;
    }

    NodePtr parseAdditive() {
        return binaryLevel(
            Node::Kind::Arith, [](const Token& t) { return isOp(t, "+") || isOp(t, "-"); },
            &Parser::parseMultiplicative);
    }

    NodePtr parseMultiplicative() {
        return binaryLevel(
            Node::Kind::Arith, [](const Token& t) { return isOp(t, "*") || isOp(t, "/"); },
            &Parser::parseUnary);
    }

    NodePtr parseUnary() {
        if (isOp(cur(), "-") || isOp(cur(), "+")) return signed_();
        return parsePrimary();
    }

    NodePtr signed_() {
        Nest nest(*this, cur().pos);
        if (isOp(cur(), "-")) {
            auto node = std::make_unique<Node>(Node::Kind::Negate, cur().pos);
            ++at_;
            node->args.push_back(parseUnary());
            return done(std::move(node));
        }
        if (isOp(cur(), "+")) {
            ++at_;
            return parseUnary();
        }
        return parsePrimary();
    }

    NodePtr parsePrimary() {
        const Token t = cur();
        switch (t.type) {
            case Token::Type::End:
                fail(t.pos, QStringLiteral("il testo finisce prima del previsto"));
            case Token::Type::Number: {
                auto node = std::make_unique<Node>(Node::Kind::Number, t.pos);
                node->number = t.number;
                node->text = t.text;
                ++at_;
                return done(std::move(node));
            }
            case Token::Type::String: {
                auto node = std::make_unique<Node>(Node::Kind::String, t.pos);
                node->text = t.text;
                ++at_;
                return done(std::move(node));
            }
            case Token::Type::Date: {
                auto node = std::make_unique<Node>(Node::Kind::Date, t.pos);
                node->text = t.text;
                ++at_;
                return done(std::move(node));
            }
            case Token::Type::Op:
                if (t.text == u"(") {
                    Nest nest(*this, t.pos);
                    ++at_;
                    NodePtr inner = parseOr();
                    if (!isOp(cur(), ")"))
                        fail(
                            cur().pos,
                            QStringLiteral("manca ')' per la parentesi aperta alla posizione %1").arg(t.pos));
                    ++at_;
                    return inner;
                }
                if (t.text == u")") fail(t.pos, QStringLiteral("parentesi chiusa senza parentesi aperta"));
                fail(t.pos, QStringLiteral("manca un valore prima di '%1'").arg(t.text));
            case Token::Type::Ident:
                break;
        }
        if (isKeyword(t, "NULL")) {
            ++at_;
            return std::make_unique<Node>(Node::Kind::Null, t.pos);
        }
        if (isKeyword(t, "TRUE") || isKeyword(t, "FALSE")) {
            auto node = std::make_unique<Node>(Node::Kind::Bool, t.pos);
            node->number = isKeyword(t, "TRUE") ? 1.0 : 0.0;
            ++at_;
            return done(std::move(node));
        }
        if (isReserved(t)) fail(t.pos, QStringLiteral("manca un valore prima di '%1'").arg(t.text));
        ++at_;
        if (isOp(cur(), "(")) {
            Nest nest(*this, t.pos);
            auto node = std::make_unique<Node>(Node::Kind::Call, t.pos);
            node->text = t.text;
            ++at_;
            if (isOp(cur(), ")")) {
                ++at_;
                return done(std::move(node));
            }
            while (true) {
                node->args.push_back(parseOr());
                if (isOp(cur(), ",")) {
                    ++at_;
                    continue;
                }
                if (!isOp(cur(), ")"))
                    fail(cur().pos, QStringLiteral("manca ')' per la funzione %1").arg(t.text));
                ++at_;
                return done(std::move(node));
            }
        }
        auto node = std::make_unique<Node>(Node::Kind::Name, t.pos);
        node->path << t.text;
        while (isOp(cur(), ".")) {
            ++at_;
            if (cur().type != Token::Type::Ident) fail(cur().pos, QStringLiteral("manca un nome dopo '.'"));
            node->path << cur().text;
            ++at_;
        }
        node->text = node->path.join(u'.');
        return done(std::move(node));
    }

    static std::vector<Token> checkedTokens(const QString& text, TextKind kind) {
        if (text.size() > kMaxTextLength) throw tooLongError(kind, int(text.size()), kMaxTextLength);
        return Lexer(text, kind).run();
    }

    const QString& text_;
    TextKind kind_;
    std::vector<Token> tokens_;
    int at_ = 0;
    int nesting_ = 0;
};

}  // namespace

NodePtr parseFilter(const QString& text) {
    Parser p(text, TextKind::Filter);
    if (p.atEnd()) return nullptr;
    NodePtr root = p.parseExpression();
    p.expectEnd();
    return root;
}

std::vector<SortTerm> parseSort(const QString& text) {
    Parser p(text, TextKind::Sort);
    return p.sortList();
}

ColumnList parseColumns(const QString& text) {
    Parser p(text, TextKind::Columns);
    return p.columnList();
}

UpdateStatement parseUpdate(const QString& text) {
    Parser p(text, TextKind::Statement);
    return p.update();
}

}  // namespace datalib::query
