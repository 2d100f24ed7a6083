#include "datalib/ForeignSchema.h"

#include "datalib/Connection.h"
#include "datalib/Errors.h"

#include <QSet>

#include <vector>

namespace datalib {

namespace {

// The definitions of columns that the program writes (the data library's
// tables and its own), after the column's name, as normalised tokens.
const QSet<QString>& columnForms() {
    static const QSet<QString> forms{
        QStringLiteral("INTEGER PRIMARY KEY"),
        QStringLiteral("INTEGER NOT NULL DEFAULT 0"),
        QStringLiteral("INTEGER"),
        QStringLiteral("REAL"),
        QStringLiteral("TEXT"),
        QStringLiteral("BLOB NOT NULL"),
        QStringLiteral("INTEGER NOT NULL"),
        QStringLiteral("REAL NOT NULL"),
        QStringLiteral("TEXT NOT NULL"),
        QStringLiteral("TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("TEXT NOT NULL COLLATE NOCASE"),
        QStringLiteral("TEXT PRIMARY KEY COLLATE NOCASE"),
    };
    return forms;
}

struct Token {
    enum Kind { Word, Name, String, Number, Mark } kind;
    QString text;  // a quoted name or a string without its quotes
};

// The tokens of one statement as SQLite reads them; an unterminated quote
// or comment gives a mark that no form accepts.
std::vector<Token> tokensOf(const QString& sql) {
    std::vector<Token> out;
    const int n = int(sql.size());
    auto quoted = [&](int& i, QChar close, Token::Kind kind) {
        QString text;
        for (++i; i < n; ++i) {
            if (sql[i] != close) {
                text += sql[i];
            } else if (close != u']' && i + 1 < n && sql[i + 1] == close) {
                text += close;
                ++i;
            } else {
                out.push_back({kind, text});
                ++i;
                return;
            }
        }
        out.push_back({Token::Mark, QStringLiteral("?")});
    };
    for (int i = 0; i < n;) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n') ++i;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const int end = sql.indexOf(QStringLiteral("*/"), i + 2);
            if (end < 0) {
                out.push_back({Token::Mark, QStringLiteral("?")});
                break;
            }
            i = end + 2;
        } else if (c == u'\'') {
            quoted(i, u'\'', Token::String);
        } else if (c == u'"' || c == u'`') {
            quoted(i, c, Token::Name);
        } else if (c == u'[') {
            quoted(i, u']', Token::Name);
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && sql[i + 1].isDigit())) {
            const int start = i;
            while (i < n && (sql[i].isLetterOrNumber() || sql[i] == u'.')) ++i;
            out.push_back({Token::Number, sql.mid(start, i - start)});
        } else if (c.isLetter() || c == u'_' || c.unicode() > 127) {
            const int start = i;
            while (i < n &&
                   (sql[i].isLetterOrNumber() || sql[i] == u'_' || sql[i] == u'$' || sql[i].unicode() > 127))
                ++i;
            out.push_back({Token::Word, sql.mid(start, i - start)});
        } else {
            out.push_back({Token::Mark, QString(c)});
            ++i;
        }
    }
    return out;
}

QString formOf(const std::vector<Token>& tokens, size_t from, size_t to) {
    QStringList parts;
    for (size_t i = from; i < to; ++i) {
        const Token& t = tokens[i];
        if (t.kind == Token::String)
            parts << QLatin1Char('\'') + QString(t.text).replace(QLatin1Char('\''), QStringLiteral("''")) +
                         QLatin1Char('\'');
        else if (t.kind == Token::Name)
            parts << QLatin1Char('"') + t.text + QLatin1Char('"');
        else
            parts << t.text.toUpper();
    }
    return parts.join(QLatin1Char(' '));
}

bool isWord(const std::vector<Token>& t, size_t i, const char* word) {
    return i < t.size() && t[i].kind == Token::Word &&
           t[i].text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}
bool isMark(const std::vector<Token>& t, size_t i, char mark) {
    return i < t.size() && t[i].kind == Token::Mark && t[i].text == QLatin1Char(mark);
}
bool isName(const std::vector<Token>& t, size_t i) {
    return i < t.size() && (t[i].kind == Token::Word || t[i].kind == Token::Name);
}

// What a definition that is not the program's holds, as the agent is told.
QString whatIsIn(const std::vector<Token>& t, size_t from, size_t to, const QString& column) {
    for (size_t i = from; i < to; ++i) {
        if (isWord(t, i, "CHECK")) return QStringLiteral("un vincolo CHECK");
        if (isWord(t, i, "GENERATED") || isWord(t, i, "AS"))
            return QStringLiteral("una colonna calcolata (\"%1\")").arg(column);
        if (isWord(t, i, "DEFAULT") && isMark(t, i + 1, '('))
            return QStringLiteral("un valore predefinito calcolato (colonna \"%1\")").arg(column);
        if (isWord(t, i, "REFERENCES") || isWord(t, i, "FOREIGN"))
            return QStringLiteral("un vincolo di chiave esterna");
    }
    if (column.isEmpty()) return QStringLiteral("la definizione \"%1\"").arg(formOf(t, from, to));
    return QStringLiteral("la colonna \"%1\" definita come \"%2\"").arg(column, formOf(t, from, to));
}

// The end of the item that starts at `i` inside a parenthesis: the comma or
// closing parenthesis at its own depth.
size_t itemEnd(const std::vector<Token>& t, size_t i) {
    int depth = 0;
    for (; i < t.size(); ++i) {
        if (isMark(t, i, '(')) ++depth;
        if (isMark(t, i, ')')) {
            if (depth == 0) return i;
            --depth;
        }
        if (depth == 0 && isMark(t, i, ',')) return i;
    }
    return i;
}

// Empty when the table is of the program's forms, else what it holds.
QString tableProblem(const QString& table, const std::vector<Token>& t) {
    if (isWord(t, 1, "VIRTUAL")) return QStringLiteral("la tabella virtuale \"%1\"").arg(table);
    const QString in = QStringLiteral("nella tabella \"%1\" ").arg(table);
    if (!isWord(t, 0, "CREATE") || !isWord(t, 1, "TABLE") || !isName(t, 2) || !isMark(t, 3, '('))
        return in + whatIsIn(t, 0, t.size(), {});
    size_t i = 4;
    for (;;) {
        const size_t end = itemEnd(t, i);
        if (end >= t.size() || end == i) return in + whatIsIn(t, i, t.size(), {});
        if (isWord(t, i, "PRIMARY") && isWord(t, i + 1, "KEY") && isMark(t, i + 2, '(')) {
            // A key of several columns, as the program's own tables have.
            size_t j = i + 3;
            bool plain = isName(t, j);
            while (plain && isMark(t, j + 1, ',')) plain = isName(t, j += 2);
            if (!plain || !isMark(t, j + 1, ')') || j + 2 != end) return in + whatIsIn(t, i, end, {});
        } else if (!isName(t, i) || isWord(t, i, "CHECK") || isWord(t, i, "CONSTRAINT") ||
                   isWord(t, i, "UNIQUE") || isWord(t, i, "FOREIGN")) {
            return in + whatIsIn(t, i, end, {});
        } else if (!columnForms().contains(formOf(t, i + 1, end))) {
            return in + whatIsIn(t, i + 1, end, t[i].text);
        }
        i = end + 1;
        if (isMark(t, end, ')')) break;
    }
    // Nothing after the list: no WITHOUT ROWID, no STRICT.
    if (i < t.size() && !(isMark(t, i, ';') && i + 1 == t.size())) return in + whatIsIn(t, i, t.size(), {});
    return {};
}

QString indexProblem(const QString& table, const QString& index, const std::vector<Token>& t) {
    const QString in = QStringLiteral("nella tabella \"%1\" ").arg(table);
    size_t i = 1;
    if (isWord(t, i, "UNIQUE")) ++i;
    if (!isWord(t, 0, "CREATE") || !isWord(t, i, "INDEX") || !isName(t, i + 1) || !isWord(t, i + 2, "ON") ||
        !isName(t, i + 3) || !isMark(t, i + 4, '('))
        return in + QStringLiteral("l'indice \"%1\" definito come \"%2\"").arg(index, formOf(t, 0, t.size()));
    for (i += 5;;) {
        const size_t end = itemEnd(t, i);
        if (end >= t.size()) break;
        const bool plain =
            isName(t, i) && (end == i + 1 || (end == i + 3 && isWord(t, i + 1, "COLLATE") &&
                                              (isWord(t, i + 2, "NOCASE") || isWord(t, i + 2, "BINARY"))));
        if (!plain) return in + QStringLiteral("un indice su un'espressione (\"%1\")").arg(index);
        i = end + 1;
        if (isMark(t, end, ')')) break;
    }
    if (isWord(t, i, "WHERE")) return in + QStringLiteral("un indice parziale (\"%1\")").arg(index);
    if (i != t.size())
        return in + QStringLiteral("l'indice \"%1\" definito come \"%2\"").arg(index, formOf(t, 0, t.size()));
    return {};
}

}  // namespace

void CheckForeignSchema(Connection& conn, const QString& shownName) {
    struct Entry {
        QString type, name, table, sql;
        bool hasSql;
    };
    std::vector<Entry> entries;
    {
        Statement st = conn.prepare(
            QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master WHERE type IN ('table', "
                           "'index') ORDER BY rowid"));
        while (st.step()) entries.push_back({st.text(0), st.text(1), st.text(2), st.text(3), !st.isNull(3)});
    }
    for (const Entry& e : entries) {
        // SQLite's statistics go when the file is opened; an index that a
        // key of the table makes by itself has no text.
        if (e.name.startsWith(QLatin1String("sqlite_stat"), Qt::CaseInsensitive)) continue;
        if (e.type == QLatin1String("index") && !e.hasSql) continue;
        const std::vector<Token> tokens = tokensOf(e.sql);
        const QString problem = e.type == QLatin1String("table") ? tableProblem(e.name, tokens)
                                                                 : indexProblem(e.table, e.name, tokens);
        if (!problem.isEmpty())
            throw errors::make(errors::ForeignSchema,
                               QStringLiteral("L'archivio \"%1\" contiene %2, che il programma non crea: "
                                              "l'archivio non è stato usato e non è stato cambiato nulla.")
                                   .arg(shownName, problem));
    }
}

}  // namespace datalib
