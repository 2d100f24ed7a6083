#pragma once
// The translator of the query language, private to this folder: the tree of
// a filter, a sort list, a column list or an update statement turned into
// SQLite's SQL on one table, through the tables its names reach. Its work is
// spread by job:
//  - TranslateNames.cpp: tables, the paths from the own table to the table a
//    qualifier names, the scopes (aliases) they stand under, columns;
//  - TranslateExpressions.cpp: values, conditions, Like patterns, functions;
//  - TranslateAssembly.cpp: the joins, the semi-joins over the one-to-many
//    tables, the columns "*" stands for, unique column names;
//  - QueryTranslator.cpp: the SQL texts of a query and the entry points.

#include "datalib/query/QueryAst.h"
#include "datalib/query/QueryError.h"
#include "datalib/query/QueryTranslator.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

namespace datalib::query {

// A name as an SQL identifier in double quotes.
inline QString quoteIdent(const QString& name) {
    QString out;
    out.reserve(name.size() + 2);
    out += u'"';
    if (name.contains(u'"'))
        out += QString(name).replace(u'"', QStringLiteral("\"\""));
    else
        out += name;
    out += u'"';
    return out;
}

// "alias"."column" (aliases are ours and never hold a quote).
inline QString col(const QString& alias, const QString& column) {
    QString out;
    out.reserve(alias.size() + column.size() + 6);
    out += u'"';
    out += alias;
    out += QLatin1String("\".");
    out += quoteIdent(column);
    return out;
}

inline bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

inline const QString kOid = QStringLiteral("OID");

// How one table is reached from another.
struct Step {
    enum class Kind { Reference, Base, Parent, Collection, Reverse };
    Kind kind;
    const ReferenceDef* ref = nullptr;  // Reference, Parent, Collection, Reverse
    const TableDef* target = nullptr;
    bool many() const { return kind == Kind::Collection || kind == Kind::Reverse; }
};

// A table standing in the query under an alias.
struct Scope {
    const TableDef* table = nullptr;
    QString alias;
    int parent = -1;
    Step::Kind via = Step::Kind::Reference;
    const ReferenceDef* ref = nullptr;
    QString innerSide;  // this scope's column of the link to its parent
    QString outerSide;  // the parent's column of that link
    int semiRoot = -1;  // first one-to-many scope on the path (maybe itself), -1 for none
    QString joinOn() const { return innerSide + QStringLiteral(" = ") + outerSide; }
};

// The value type of an expression, as far as the translator needs it.
enum class VType { Unknown, Null, Bool, Number, Text, Date, DateTime };

struct Expr {
    QString sql;
    VType type = VType::Unknown;
    bool condition = false;  // already a truth value (comparison, AND ...)
    int columnType = -1;     // the declared type code when the expression is a column
    bool isColumn() const { return columnType >= 0; }
};

// The value type of a stored column of this type code.
VType typeOfColumn(int code);

class Translator {
  public:
    Translator(const TableDef& table, const TableLookup& lookup, TextKind kind, const QString& text)
        : lookup_(lookup), kind_(kind), text_(text) {
        Scope own;
        own.table = &table;
        own.alias = SqlQuery::ownAlias();
        scopes_.push_back(own);
    }

    void setText(TextKind kind, const QString& text) {
        kind_ = kind;
        text_ = text;
    }

    std::vector<SqlValue>& params() { return params_; }
    const std::vector<Scope>& scopes() const { return scopes_; }
    const TableDef& ownTable() const { return *scopes_[0].table; }

    // Scopes that the last translated piece used under a one-to-many step.
    QSet<int>& usedRoots() { return usedRoots_; }

    [[noreturn]] void fail(int pos, const QString& what) const { throw queryError(kind_, text_, pos, what); }

    QString bind(SqlValue v) {
        params_.push_back(std::move(v));
        return QStringLiteral("?%1").arg(params_.size());
    }

    // ---- Tables and names (TranslateNames.cpp) -------------------------

    const TableDef* table(const QString& name) const { return lookup_ ? lookup_(name) : nullptr; }

    std::vector<Step> neighbours(const TableDef* t) const;
    // A step through the reference of that name.
    static bool stepNamed(const Step& s, const QString& q);
    // The path of steps from table `from` to the table that the qualifier
    // names; empty optional when there is none.
    std::optional<std::vector<Step>> findPath(const TableDef* from, const QString& q) const;
    // The usual case, one step away, found without looking up every
    // neighbouring table: the same order as findPath's search.
    std::optional<Step> directStep(const TableDef* from, const QString& q) const;
    // A table that refers to `from` (the articles of a category).
    std::optional<Step> reverseStep(const TableDef* from, const QString& q) const;
    // The key column of `target` that a reference compares with.
    static QString refTargetColumn(const ReferenceDef& r) {
        return r.keyColumn.isEmpty() ? kOid : r.keyColumn;
    }
    // The scope a step from the scope `from` leads to, opened the first time.
    int stepScope(int from, const Step& s);

    struct ColumnHit {
        QString name;  // the stored column's name as declared
        int type = coltype::Text;
    };

    // A stored column of `t` itself (no base, no parent).
    std::optional<ColumnHit> ownColumn(const TableDef* t, const QString& name) const;

    void noteScope(int scope) {
        if (scopes_[size_t(scope)].semiRoot >= 0) usedRoots_.insert(scopes_[size_t(scope)].semiRoot);
    }

    // A bare column name seen from a scope: the table itself, then its base,
    // then its parents.
    std::optional<Expr> columnFrom(int scope, const QString& name);
    // A stored column of a scope, noting the one-to-many table it stands under.
    Expr columnExpr(int scope, const ColumnHit& hit);
    // The path from the own table to the table a name's first qualifier
    // names: the one a join condition of the filter tied it to, else the
    // nearest one.
    std::optional<std::vector<Step>> rootPath(const QString& q) const;
    // A join condition among the AND-ed parts of a filter,
    // "Clienti.Città=Comuni.OID", says through which reference the second
    // table is reached: its other names ("Comuni.Provincia") then speak of
    // that row. So a customer search's condition, written on the customers,
    // keeps its meaning on the order rows, where the nearest "Comuni" would
    // be the agent's town and the nearest "TipiPagamento" the order's own
    // payment type.
    void anchorJoins(const Node* root);
    // A name, qualified or not; raises when it names no table or column.
    Expr name(const Node& n);

    // ---- Values (TranslateExpressions.cpp) --------------------------------

    // A literal in the form `want` asks (a text read as a date for a date).
    Expr literal(const Node& n, VType want);
    static bool isLiteral(const Node& n);
    // An expression whose literals take the form that `want` asks.
    Expr value(const Node& n, VType want = VType::Unknown);
    // The pair of a comparison: a literal on one side takes the type of the
    // other side (a text against a date column is read as a date).
    std::pair<Expr, Expr> pair(const Node& l, const Node& r);
    // The expression as a truth value.
    QString truth(const Expr& e);
    // A node as an SQL condition.
    QString condition(const Node& n);
    // A Like pattern of the language as an SQLite pattern with "\" as escape.
    static QString likePattern(const QString& p);
    // A function of the language (LEFT, MID, IIF, NZ, DATE ...) in SQLite's terms.
    Expr call(const Node& n);

    // ---- Assembling (TranslateAssembly.cpp) -------------------------------

    // The LEFT JOINs of the scopes that stand under no one-to-many step.
    QString joinsOutside() const;
    // The semi-join over the one-to-many tables `roots` (and what hangs from
    // them), holding the conditions. With one such table it is
    // "outer IN (SELECT link ...)", which SQLite can run once for all rows
    // when the conditions do not look outside; else EXISTS.
    QString exists(const QSet<int>& rootSet, const QStringList& conditions) const;
    // The WHERE text of a filter tree. Its AND-ed parts that touch the same
    // one-to-many table go together into one semi-join, so that they speak of
    // the same row; a part that stands alone with such a table and is an OR
    // or a NOT is taken apart, so that "Articoli.Codice='X' OR Cliente='Y'"
    // also keeps the orders without rows of the customer, and
    // "NOT Articoli.Codice='X'" means the orders without that article.
    QString filterSql(const Node* root);
    // The one-to-many tables a piece of the filter reaches (nothing is kept
    // of its translation).
    QSet<int> rootsOf(const Node& n);
    // A part of the filter, translated without noting the one-to-many tables it reaches.
    QString plain(const Node& n);
    // The AND-ed parts of a filter, those sharing a one-to-many table in one semi-join.
    QString andSql(const Node& root);
    // An OR or a NOT taken apart, each side with its own semi-join.
    QString apart(const Node& n);
    // Raises when the last piece reached a table one-to-many (a column list or
    // a sort cannot show one of many rows).
    void refuseMany(int pos);

  private:
    const TableLookup& lookup_;
    TextKind kind_;
    QString text_;
    std::vector<Scope> scopes_;
    std::vector<SqlValue> params_;
    QSet<int> usedRoots_;
    std::vector<std::pair<QString, std::vector<Step>>> anchored_;  // qualifier -> path from the own table
};

// Every column that "*" stands for: row identifier, own columns, stored
// references and links, then those of the base table.
void expandStar(Translator& tr, QStringList& select, QStringList& names, QSet<QString>& seen);

// `wanted` when no column has that name yet, else `fallback`, then `fallback` numbered from 2.
QString uniqueName(const QString& wanted, const QString& fallback, const QStringList& names);

}  // namespace datalib::query
