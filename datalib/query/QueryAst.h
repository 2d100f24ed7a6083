#pragma once
// The syntax tree of the query language: filters, sort lists and column lists
// as the program and head office's scripts write them.

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace datalib::query {

struct Node;
using NodePtr = std::unique_ptr<Node>;

struct Node {
    enum class Kind {
        Null,    // Null
        Bool,    // True, False
        Number,  // 12, 3.5
        String,  // 'text', "text"
        Date,    // #2004-03-05#
        Name,    // Codice, Articoli.Codice, Categoria.Complementi
        Not,     // NOT a
        Negate,  // -a
        And,
        Or,
        Arith,    // + - * /   (op)
        Compare,  // = <> < > <= >=   (op)
        Like,     // a [NOT] LIKE b
        IsNull,   // a IS [NOT] NULL
        In,       // a [NOT] IN (b, c, ...)
        Between,  // a [NOT] BETWEEN b AND c
        Call,     // Left(a, 2)   (text = function name as written)
    };

    Kind kind;
    int pos = 0;       // 1-based position in the text
    QString text;      // literal text, function name, operator
    QStringList path;  // Name: the dotted parts
    double number = 0.0;
    bool negated = false;  // NOT LIKE, IS NOT NULL, NOT IN, NOT BETWEEN
    int depth = 1;         // levels of the tree from here down
    std::vector<NodePtr> args;

    Node(Kind k, int p) : kind(k), pos(p) {}
};

// One term of a sort list.
struct SortTerm {
    NodePtr expr;
    bool descending = false;
};

// One entry of a column list: "*" or an expression with an optional alias.
struct ColumnTerm {
    bool star = false;
    NodePtr expr;
    QString alias;
    QString text;  // the entry as written (for a name, the dotted text)
};

struct ColumnList {
    bool distinct = false;  // DISTINCT or DISTINCTROW
    std::vector<ColumnTerm> terms;
};

// UPDATE table SET column = value, ... [WHERE filter]
struct UpdateStatement {
    QString table;
    int tablePos = 0;
    std::vector<std::pair<QString, NodePtr>> assignments;
    std::vector<int> assignmentPos;
    NodePtr where;  // may be empty
};

// The deepest expression accepted: SQLite refuses expression trees deeper
// than 1000, and one level here can take a few levels there.
inline constexpr int kMaxExpressionDepth = 120;
// Other limits of what a text may ask of SQLite, so that no typed filter or
// sort keeps it working for seconds or fails it obscurely: the length of a
// text, the values in one IN list, the terms of one sort.
inline constexpr int kMaxTextLength = 64 * 1024;
inline constexpr int kMaxListValues = 1000;
inline constexpr int kMaxSortTerms = 64;

// Parsers. Every one raises core::AppError with an Italian message that names
// the position of the fault; an empty (or blank) filter gives an empty pointer.
NodePtr parseFilter(const QString& text);
std::vector<SortTerm> parseSort(const QString& text);
ColumnList parseColumns(const QString& text);
UpdateStatement parseUpdate(const QString& text);

}  // namespace datalib::query
