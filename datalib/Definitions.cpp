#include "datalib/Definitions.h"

#include "datalib/Errors.h"

namespace datalib {

namespace coltype {
bool isKnown(int type) {
    switch (type) {
        case Text:
        case WebText:
        case TextNoSize:
        case EMail:
        case Code:
        case LongText:
        case Integer:
        case Boolean:
        case Single:
        case Number:
        case Date:
        case DateTime:
        case Money:
            return true;
        default:
            return false;
    }
}
bool isText(int type) {
    return type == Text || type == WebText || type == TextNoSize || type == EMail || type == Code ||
           type == LongText;
}
bool isNumeric(int type) { return type == Integer || type == Single || type == Number || type == Money; }
}  // namespace coltype

std::vector<std::pair<QString, QString>> ColumnDef::valuePairs() const {
    std::vector<std::pair<QString, QString>> out;
    if (valueList.isEmpty() || valueList.compare(QLatin1String("MONTH"), Qt::CaseInsensitive) == 0)
        return out;
    const QStringList parts = valueList.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) out.emplace_back(parts[i], parts[i + 1]);
    return out;
}

static bool validName(const QString& name) {
    if (name.trimmed().isEmpty() || name != name.trimmed()) return false;
    for (QChar c : name)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_'))) return false;
    return true;
}

ColumnDef& ColumnCollection::Add(const QString& name, int type, int length, int size2, const QString& format,
                                 int attrA, int attrB, int attrC, bool flag, const QString& description,
                                 const QString& valueList, const QString& group) {
    if (!validName(name) || name.compare(QLatin1String("OID"), Qt::CaseInsensitive) == 0)
        throw errors::definition(table_, QStringLiteral("nome di colonna non valido \"%1\"").arg(name));
    if (find(name))
        throw errors::definition(table_, QStringLiteral("colonna \"%1\" dichiarata due volte").arg(name));
    if (!coltype::isKnown(type))
        throw errors::definition(
            table_, QStringLiteral("tipo %1 sconosciuto per la colonna \"%2\"").arg(type).arg(name));
    auto c = std::make_unique<ColumnDef>();
    c->name = name;
    c->type = type;
    c->length = length;
    c->size2 = size2;
    c->format = format;
    c->attrA = attrA;
    c->attrB = attrB;
    c->attrC = attrC;
    c->flag = flag;
    c->description = description;
    c->valueList = valueList;
    c->group = group;
    items_.push_back(std::move(c));
    return *items_.back();
}

const ColumnDef* ColumnCollection::find(const QString& name) const {
    for (const auto& c : items_)
        if (c->name.compare(name, Qt::CaseInsensitive) == 0) return c.get();
    return nullptr;
}

QStringList ReferenceDef::shownColumnList() const {
    QStringList out;
    for (const QString& s : shownColumns.split(QLatin1Char(','), Qt::SkipEmptyParts)) out << s.trimmed();
    return out;
}

ReferenceDef& ReferenceCollection::Add(const QString& name, const QString& table, bool collection, bool owned,
                                       const QString& keyColumn, const QString& shownColumns, int attrA,
                                       int attrB, int attrC, const QString& description, int fixed, bool flag,
                                       const QString& group) {
    if (!validName(name) || name.compare(QLatin1String("OID"), Qt::CaseInsensitive) == 0)
        throw errors::definition(table_, QStringLiteral("nome di riferimento non valido \"%1\"").arg(name));
    if (find(name))
        throw errors::definition(table_, QStringLiteral("riferimento \"%1\" dichiarato due volte").arg(name));
    if (table.trimmed().isEmpty())
        throw errors::definition(table_,
                                 QStringLiteral("il riferimento \"%1\" non indica la tabella").arg(name));
    auto r = std::make_unique<ReferenceDef>();
    r->name = name;
    r->table = table;
    r->collection = collection;
    r->owned = owned;
    r->keyColumn = keyColumn;
    r->shownColumns = shownColumns;
    r->attrA = attrA;
    r->attrB = attrB;
    r->attrC = attrC;
    r->description = description;
    r->fixed = fixed;
    r->flag = flag;
    r->group = group;
    r->ownerTable = table_;
    items_.push_back(std::move(r));
    return *items_.back();
}

const ReferenceDef* ReferenceCollection::find(const QString& name) const {
    for (const auto& r : items_)
        if (r->name.compare(name, Qt::CaseInsensitive) == 0) return r.get();
    return nullptr;
}

KeyDef& KeyCollection::Add(const QString& column, bool unique, const QString& name) {
    items_.push_back(std::make_unique<KeyDef>(name, unique, column));
    return *items_.back();
}

const KeyDef* KeyCollection::identifyingKey() const {
    for (const auto& k : items_)
        if (k->unique()) return k.get();
    return nullptr;
}

TableDef::TableDef(QString name) : name_(std::move(name)) {
    columns.setTableName(name_);
    references.setTableName(name_);
}

QString TableDef::keyFieldName() const {
    if (const KeyDef* k = keys.identifyingKey()) {
        const QString first = k->parts().value(0);
        if (const ColumnDef* c = findColumn(first)) return c->name;
    }
    if (base) return base->keyFieldName();
    return QStringLiteral("OID");
}

const ColumnDef* TableDef::findColumn(const QString& name, const TableDef** owner) const {
    for (const TableDef* t = this; t; t = t->base) {
        if (const ColumnDef* c = t->columns.find(name)) {
            if (owner) *owner = t;
            return c;
        }
    }
    return nullptr;
}

const ReferenceDef* TableDef::findReference(const QString& name, const TableDef** owner) const {
    for (const TableDef* t = this; t; t = t->base) {
        if (const ReferenceDef* r = t->references.find(name)) {
            if (owner) *owner = t;
            return r;
        }
    }
    return nullptr;
}

}  // namespace datalib
