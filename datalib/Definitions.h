#pragma once
// The definition objects that the table classes fill while the database is
// defined: identity, columns, references and keys of one table. The library
// keeps every value declared here; the grid, the edit panels and the layout
// editors read them later.
//
// How a definition becomes an SQLite table (fixed; stored files rely on it):
// - The SQLite table is named as the table (`Clienti`, `RigheOrdini`).
// - Every table has the row identifier column "OID", INTEGER PRIMARY KEY.
// - Every declared column is an SQLite column of the same name. Texts (type
//   codes 0, 2, 3, 6, 7, 8) are TEXT; whole numbers (11) INTEGER; yes/no (14)
//   INTEGER NOT NULL DEFAULT 0 holding 0 or 1; numbers (15, 16) and money
//   amounts (20) REAL; dates (17) TEXT "yyyy-MM-dd"; dates with time (19)
//   TEXT "yyyy-MM-dd HH:mm:ss". Column names match in any letter case.
// - An ordinary reference is a column named after the reference. When the
//   reference names a key column of the referenced table, it holds that
//   column's value of the referenced row (`Cliente` holds the customer's
//   `Codice`; "" is the protected empty row). When it names none (the
//   library's own row link, as `Città` or `Nazione`), it is an INTEGER holding
//   the referenced row's OID.
// - A collection reference `R` of table P over child table C (`Righe` of
//   `Ordini` over `RigheOrdini`) is not a column of P: each child row holds
//   its parent row's OID in the INTEGER column "OID_P_R" of C
//   (`RigheOrdini.OID_Ordini_Righe`), see parentLinkColumn().
// - A table based on another (`RigheOrdini` on `Articoli`) holds its base
//   row's OID in the INTEGER column "OID_<base>" (`RigheOrdini.OID_Articoli`),
//   see baseLinkColumn(); the base table's columns and references are read
//   through that link and are not stored in the based table.
// - Index names are the table's name, "_" and the declared name (two element
//   tables declare the same name); unnamed keys get "<table>_<columns>".

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace datalib {

class itfDefTable;
class itfSetData;

// Type codes of columns.
namespace coltype {
inline constexpr int Text = 0;        // free text with a length
inline constexpr int WebText = 2;     // a web address (one column of Fornitori)
inline constexpr int TextNoSize = 3;  // text without declared size
inline constexpr int EMail = 6;       // e-mail and web addresses
inline constexpr int Code = 7;        // codes, names and short texts
inline constexpr int LongText = 8;    // long text
inline constexpr int Integer = 11;    // whole number
inline constexpr int Boolean = 14;    // yes/no
inline constexpr int Single = 15;     // single-precision number
inline constexpr int Number = 16;     // number with decimals
inline constexpr int Date = 17;       // date
inline constexpr int DateTime = 19;   // date with time
inline constexpr int Money = 20;      // money amount (currency)

bool isKnown(int type);
bool isText(int type);
bool isNumeric(int type);  // 11, 15, 16, 20
}  // namespace coltype

// One declared column, with the twelve arguments of the add-column operation.
struct ColumnDef {
    QString name;
    int type = coltype::Text;
    int length = 0;
    int size2 = 0;
    QString format;  // display format ("0000"), empty for none
    int attrA = -100;
    int attrB = -100;
    int attrC = -100;
    bool flag = true;
    QString description;  // empty for none
    QString valueList;    // "MONTH" or "value|label|value|label", empty for none
    QString group;        // empty for none

    bool isBoolean() const { return type == coltype::Boolean; }
    bool isDate() const { return type == coltype::Date || type == coltype::DateTime; }
    bool isMoney() const { return type == coltype::Money; }
    bool isText() const { return coltype::isText(type); }
    // Pairs of the value list ("1|Amministrazione" gives {"1","Amministrazione"}),
    // empty for "MONTH" and for none.
    std::vector<std::pair<QString, QString>> valuePairs() const;
};

class ColumnCollection {
  public:
    // The add-column operation: name, type code, length, second size, display
    // format, attributes A, B and C, flag, description, value list, group.
    // Refuses (AppError) an empty or repeated name and an unknown type code.
    ColumnDef& Add(const QString& name, int type, int length = 0, int size2 = 0, const QString& format = {},
                   int attrA = -100, int attrB = -100, int attrC = -100, bool flag = true,
                   const QString& description = {}, const QString& valueList = {}, const QString& group = {});

    int Count() const { return static_cast<int>(items_.size()); }
    const ColumnDef& Item(int index) const { return *items_.at(static_cast<size_t>(index)); }
    // By name in any letter case; nullptr when the table has no such column.
    const ColumnDef* find(const QString& name) const;
    bool Exist(const QString& name) const { return find(name) != nullptr; }

    void setTableName(const QString& table) { table_ = table; }

  private:
    QString table_;
    std::vector<std::unique_ptr<ColumnDef>> items_;
};

// One declared reference, with the thirteen arguments of the add-reference
// operation. The first flag marks a collection (the child rows of the
// referenced table that belong to this row: `Righe`, `Elementi`,
// `Documenti`, `PostazioniInstallate`); the second one marks child rows that
// are deleted with their parent.
struct ReferenceDef {
    QString name;
    QString table;  // the referenced (or, for a collection, the child) table
    bool collection = false;
    bool owned = false;
    QString keyColumn;     // key column of the referenced table; empty for the own row link
    QString shownColumns;  // names joined by ","
    int attrA = -100;
    int attrB = -100;
    int attrC = -100;
    QString description;
    int fixed = -2;
    bool flag = true;
    QString group;

    QString ownerTable;  // the table that declared the reference

    QStringList shownColumnList() const;
    // True for an ordinary reference stored as the referenced row's OID.
    bool byRowLink() const { return !collection && keyColumn.isEmpty(); }
    // For a collection: the column of the child table that holds the parent's OID.
    QString parentLinkColumn() const { return parentLinkColumn(ownerTable, name); }
    static QString parentLinkColumn(const QString& parentTable, const QString& reference) {
        return QStringLiteral("OID_") + parentTable + QLatin1Char('_') + reference;
    }
};

class ReferenceCollection {
  public:
    // The add-reference operation: name, referenced table, collection flag,
    // owned flag, key column, shown columns, attributes A, B and C,
    // description, the fixed -2, flag, group.
    ReferenceDef& Add(const QString& name, const QString& table, bool collection = false, bool owned = false,
                      const QString& keyColumn = {}, const QString& shownColumns = {}, int attrA = -100,
                      int attrB = -100, int attrC = -100, const QString& description = {}, int fixed = -2,
                      bool flag = true, const QString& group = {});

    int Count() const { return static_cast<int>(items_.size()); }
    const ReferenceDef& Item(int index) const { return *items_.at(static_cast<size_t>(index)); }
    const ReferenceDef* find(const QString& name) const;  // any letter case
    bool Exist(const QString& name) const { return find(name) != nullptr; }

    void setTableName(const QString& table) { table_ = table; }

  private:
    QString table_;
    std::vector<std::unique_ptr<ReferenceDef>> items_;
};

// One key. A composite key is completed with further columns and references.
class KeyDef {
  public:
    KeyDef(QString name, bool unique, QString firstColumn) : name_(std::move(name)), unique_(unique) {
        parts_.push_back(std::move(firstColumn));
    }

    // The key's first column operation: one more column.
    KeyDef& AddColumn(const QString& column) {
        parts_.push_back(column);
        return *this;
    }
    // The key's second column operation: one more reference (its stored column).
    KeyDef& AddReference(const QString& reference) {
        parts_.push_back(reference);
        return *this;
    }
    // The key's argument-less operation; nothing further to do here.
    KeyDef& Complete() { return *this; }

    const QString& name() const { return name_; }
    bool unique() const { return unique_; }
    // Columns and references of the key in order, as declared.
    const QStringList& parts() const { return parts_; }

  private:
    QString name_;
    bool unique_;
    QStringList parts_;
};

class KeyCollection {
  public:
    // The add-key operation: first column, unique flag, name (empty for none).
    KeyDef& Add(const QString& column, bool unique, const QString& name = {});
    // The column-list operation: names of columns and references joined by ",".
    void SetColumnList(const QString& list) { columnList_ = list; }

    int Count() const { return static_cast<int>(items_.size()); }
    const KeyDef& Item(int index) const { return *items_.at(static_cast<size_t>(index)); }
    const QString& columnList() const { return columnList_; }
    // The first unique key, or nullptr.
    const KeyDef* identifyingKey() const;

  private:
    std::vector<std::unique_ptr<KeyDef>> items_;
    QString columnList_;
};

// The identity object handed to DefineIdentity; operations in slot order.
class TableIdentity {
  public:
    void SetCaption(const QString& caption) { caption_ = caption; }
    void SetVersion(double version) {
        version_ = version;
        hasVersion_ = true;
    }
    void SetFirstOption(int value) { firstOptions_.push_back(value); }
    void SetSecondOption(int value) { secondOption_ = value; }
    void SetThirdOption(int value) { thirdOption_ = value; }
    // The table this one is based on ("Articoli" for the order rows).
    void SetBaseTable(const QString& table) { baseTable_ = table; }

    const QString& caption() const { return caption_; }
    // The declared structure version, or the library's default 1.0.
    double version() const { return hasVersion_ ? version_ : 1.0; }
    bool hasVersion() const { return hasVersion_; }
    const std::vector<int>& firstOptions() const { return firstOptions_; }
    int secondOption() const { return secondOption_; }
    int thirdOption() const { return thirdOption_; }
    const QString& baseTable() const { return baseTable_; }

  private:
    QString caption_;
    double version_ = 1.0;
    bool hasVersion_ = false;
    std::vector<int> firstOptions_;
    int secondOption_ = 0;
    int thirdOption_ = 0;
    QString baseTable_;
};

// Everything the library knows of one table once it is defined.
class TableDef {
  public:
    explicit TableDef(QString name);

    const QString& name() const { return name_; }
    // The caption, or the table's name when its class gave none.
    QString caption() const { return identity.caption().isEmpty() ? name_ : identity.caption(); }

    TableIdentity identity;
    ColumnCollection columns;
    ReferenceCollection references;
    KeyCollection keys;

    // Filled when the whole database is defined.
    const TableDef* base = nullptr;            // the base table, or nullptr
    std::vector<const ReferenceDef*> parents;  // collections of other tables over this one
    itfSetData* hooks = nullptr;               // the table class's event sink
    std::shared_ptr<itfDefTable> tableClass;   // keeps the table class alive

    // The column of a based table that holds its base row's OID.
    QString baseLinkColumn() const { return base ? QStringLiteral("OID_") + base->name() : QString(); }
    // The key column: the first column of the identifying key, else "OID".
    QString keyFieldName() const;
    // A column of this table or, for a based table, of its base (own first).
    const ColumnDef* findColumn(const QString& name, const TableDef** owner = nullptr) const;
    const ReferenceDef* findReference(const QString& name, const TableDef** owner = nullptr) const;

  private:
    QString name_;
};

// The registration object handed to itfDefDatabase::Define: the table classes
// are registered one by one, in order.
class TableRegistry {
  public:
    virtual ~TableRegistry() = default;
    // Asks the class for identity, structure and event sink, and keeps the
    // definition. A definition the library refuses raises AppError naming the
    // table; nothing of that table is kept.
    virtual void RegisterTable(std::shared_ptr<itfDefTable> table) = 0;
};

}  // namespace datalib
