#pragma once
// The query language of the data library, turned into SQLite statements.
//
// Filters, sort lists and column lists are texts in a dialect of the classic
// desktop-database SQL expressions ("Not InviatoSede  And Completato",
// "Categoria.Complementi=True AND Left(Articoli.Codice,2)<>'##'",
// "Ordini.Cliente,Ordini.NumeroSede,PosizioneRiga", "DISTINCT Provincia").
// They are parsed into a syntax tree, every name is resolved against the table
// definitions, and SQL is generated with every value as a bound parameter: no
// text of a filter ever reaches SQLite as SQL. A text that cannot be read
// raises core::AppError (an Italian message naming the position) and nothing
// is changed.
//
// Names. An unqualified name is a column (or an ordinary reference, or "OID")
// of the data set's own table, else of its base table, else of its parent
// table. A qualified name "Q.Column" (or "Q1.Q2.Column") reaches another
// table: Q is the own table's name, a reference name ("Categoria", "Tipo"),
// the base or parent table's name ("Articoli", "Ordini"), or the name of a
// referenced table ("Agenti", "Comuni"). Tables reached many-to-one are
// joined along their path (LEFT JOIN, aliased "j1", "j2", ... in order of
// first use; the own table is "t0"). A condition on a table reached
// one-to-many (an order's rows, seen from the order; the articles of a
// category, seen from the category) becomes a semi-join ("t0"."OID" IN
// (SELECT ...) for child rows, EXISTS otherwise), so that no row appears
// twice; the AND-ed parts of the filter that touch the same one-to-many table
// share one semi-join (they speak of the same row), and an OR or NOT over
// such a table applies to the existence of a matching row
// ("NOT Articoli.Codice='X'": the orders without that article).
//
// Values. Strings in single or double quotes (quotes inside doubled), numbers
// with "." as decimal point, True, False, Null, dates between "#" in the form
// that QueryLiteral writes ("#2004-03-05#", "#2004-03-05 14:30:00#"; the
// Italian "#05/03/2004#" is read too). A text compared with a date column is
// read as a date. Dates are stored as the texts "yyyy-MM-dd" (type 17) and
// "yyyy-MM-dd HH:mm:ss" (type 19), see Definitions.h, and are bound so.
//
// Semantics worth knowing: a bare Boolean column is a condition; a bare
// non-Boolean column means "is set" (not Null and not ""); "= Null" is
// IS NULL and "<> Null" IS NOT NULL; Like takes "*" and "%" for any text, "?"
// for one character and "[x]" for a literal x, and ignores ASCII letter
// case; other comparisons of texts are exact. Sorts put texts in order
// without regard to ASCII letter case and end with the row identifier, so that the
// order is stable. An expression nested deeper than SQLite accepts is refused.

#include "core/Variant.h"
#include "datalib/Definitions.h"
#include "datalib/FieldMatch.h"
#include "datalib/SqlValue.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <variant>
#include <vector>

namespace datalib::query {

// Finds a table's definition by name (any letter case); nullptr when the
// database has no such table.
using TableLookup = std::function<const TableDef*(const QString& name)>;

using datalib::SqlValue;

// A date in its stored form: "yyyy-MM-dd", or "yyyy-MM-dd HH:mm:ss" with the time.
QString storedDateText(const core::Date& date, bool withTime);

// One translated query. Parameters are numbered "?1".."?n" in the SQL, so the
// fragments can be put together in any order.
struct SqlQuery {
    bool distinct = false;
    QString select;   // the select list (without SELECT and DISTINCT)
    QString from;     // the own table "t0" and the joins the query needs
    QString where;    // the condition, empty for none
    QString orderBy;  // empty for none
    // The same order for a filtered list of row identifiers: its terms keep
    // SQLite from ordering through an index (see keysetSql).
    QString filteredOrderBy;
    std::vector<SqlValue> params;
    // Names of the result columns in order. Unless the list is DISTINCT the
    // first one is "OID", the row identifier of the own table.
    QStringList columnNames;

    // The alias of the data set's own table in every fragment.
    static QString ownAlias() { return QStringLiteral("t0"); }

    // AND-s a condition of the caller's own (SQL with "?" placeholders, which
    // are renumbered here) onto the WHERE clause, e.g. the parent link of a
    // child data source: "t0"."OID_Ordini_Righe" = ?.
    void andWhere(const QString& sql, const std::vector<SqlValue>& values);

    // The whole SELECT statement.
    QString sql() const;
    // The whole rows in the order of keysetSql.
    QString orderedSql() const;
    // The keyset: the own table's "OID" of the rows, in the query's order.
    QString keysetSql() const;
    // The same keys in the same order, through an index that gives the
    // order where there is one: the first keys come at once, but a filtered
    // selection is slower to read to its end than with keysetSql.
    QString streamedKeysetSql() const;
    // SELECT COUNT(*) over the same rows.
    QString countSql() const;
};

// Translates the filter, sort and column-list texts of a data source on
// `table` (each may be empty: all rows; no order but the row identifier; the
// default columns "*"). "*" is "OID", the table's own columns and stored
// references with the link columns, then the columns and references of its
// base table; named columns that are already listed are not repeated.
SqlQuery translateQuery(const TableDef& table, const TableLookup& lookup, const QString& filter,
                        const QString& sort = {}, const QString& columns = {});

// Checks a filter text alone on `table`; raises AppError when it cannot be read.
void checkFilter(const TableDef& table, const TableLookup& lookup, const QString& filter);

// The one statement the program runs directly, in the same language:
// "UPDATE Ordini SET Completato=True, NonModificabile=True" (optionally
// "WHERE <filter>" on columns of that table). Anything but UPDATE is refused.
struct SqlStatement {
    QString sql;
    std::vector<SqlValue> params;
};
SqlStatement translateStatement(const QString& text, const TableLookup& lookup);

// ---- Condition texts (the library's condition builders) ------------------
// Each returns a condition in the query language, qualified with the table's
// name, with the value written as a literal by QueryLiteral, so that the text
// can be joined to other conditions and handed to a filter; the translator
// then binds the value as a parameter, and an apostrophe in a name stays a
// plain character.

// Comparison codes of BuildFieldCondition.
using datalib::FieldMatch;
using datalib::MatchBeginsWith;
using datalib::MatchContains;
using datalib::MatchEqual;
using datalib::MatchGreaterEqual;
using datalib::MatchLessEqual;
using datalib::MatchNotEqual;
using datalib::MatchRange;

// The condition on `column` (a column or ordinary reference of the table or
// of its base, any letter case) for `value`, a typed value or the text the
// operator typed (read as Italian for number and date columns). On a
// date-and-time column a value without time stands for its whole day: code 0
// selects the day, code 3 and the end of code 6 include it. Code 6 on a text
// column with two whole numbers compares them as numbers. Unknown column, an
// unknown code or a value that does not fit the column: AppError.
QString BuildFieldCondition(const TableDef& table, const QString& column, const core::Variant& value,
                            int code, const core::Variant& value2 = {},
                            const QString& wildcard = QStringLiteral("%"));

// The equality condition on a column's current value (code 0).
QString EqualityCondition(const TableDef& table, const QString& column, const core::Variant& value);

// "Table.OID=n" (code 0) or "Table.OID<>n" (code 1), the condition that picks
// out (or leaves out) one row.
QString RowOIDQueryString(const TableDef& table, qint64 oid, int code);

// The condition that joins a table to the table of one of its references:
// "Clienti.Città=Comuni.OID", "Ordini.Cliente=Clienti.Codice", and for a
// collection "Ordini.OID=RigheOrdini.OID_Ordini_Righe". Together with a
// condition on the other table ("Comuni.Provincia='MI'") it selects the rows
// whose referenced row matches.
QString JoinCondition(const TableDef& table, const ReferenceDef& reference);

// A value as a literal of the query language (the database's
// FormatStringForQuery): 'text' with quotes doubled, numbers with ".",
// True/False, Null for Empty and Null, dates as #yyyy-MM-dd# or
// #yyyy-MM-dd HH:mm:ss# when they carry a time.
QString QueryLiteral(const core::Variant& value);

}  // namespace datalib::query
