// The row helpers of the table classes, over the data library's DataSource.

#include "schema/TableClass.h"

#include "core/AppError.h"
#include "core/Clock.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "startup/RunContext.h"
#include "startup/ShowError.h"

namespace schema {

core::Variant TableClass::Value(DataSource& ds, const QString& column) { return ds.ColValue(column); }

QString TableClass::Str(DataSource& ds, const QString& column) { return ds.ColValueStr(column); }

bool TableClass::Flag(DataSource& ds, const QString& column) {
    // A missing column or an empty value is False.
    const core::Variant v = ds.ColValue(column);
    if (v.isEmptyOrNull()) return false;
    try {
        return v.toBool();
    } catch (const core::AppError&) {
        return false;
    }
}

double TableClass::Num(DataSource& ds, const QString& column) { return ds.ColValueNum(column); }

void TableClass::Set(DataSource& ds, const QString& column, const core::Variant& value) {
    ds.SetColValue(column, value);
}

void TableClass::SetRef(DataSource& ds, const QString& reference, const core::Variant& key) {
    ds.SetReference(reference, key);
}

bool TableClass::IsNewRow(DataSource& ds) { return ds.IsNew(); }

bool TableClass::IsAdding(DataSource& ds) { return ds.IsNew(); }

bool TableClass::HeldChange(DataSource& ds) { return ds.HeldChange(); }

bool TableClass::HoldsChanges(DataSource& ds) { return ds.IsChanged(); }

int TableClass::DbState(DataSource& ds) { return ds.Database()->State(); }

void TableClass::Refuse(DataSource& ds, const QString& message) { ds.CancelWithMessage(message, 0); }

void TableClass::RefuseSilently(DataSource& ds) { ds.Cancel(); }

bool TableClass::Confirm(DataSource& ds, int kind, const QString& question) {
    if (ds.Confirm(question, kind, true)) return true;
    RefuseSilently(ds);
    return false;
}

void TableClass::MarkColumn(DataSource& ds, const QString& column) { ds.MarkColumn(column); }

void TableClass::ShowMessage(const QString& message) { startup::ShowErrorMessage(message); }

core::Variant TableClass::RowLinkKey(DataSource& ds, const QString& table, const QString& column,
                                     const QString& value) {
    auto db = ds.Database();
    auto rows = db->OpenDataSource(table, column + QStringLiteral(" = ") + db->FormatStringForQuery(value));
    if (rows->DataEmpty()) return core::Variant::null();
    rows->RowFirst();
    return rows->RowKey();
}

void TableClass::InsertRow(DataSource& ds,
                           std::initializer_list<std::pair<const char*, core::Variant>> pairs) {
    std::vector<core::Variant> flat;
    flat.reserve(pairs.size() * 2);
    for (const auto& [name, value] : pairs) {
        flat.emplace_back(QString::fromUtf8(name));
        flat.push_back(value);
    }
    ds.InsertFromPairs(flat);
}

double TableClass::CurrentUpdateVersion(DataSource& ds) {
    const QString text =
        ds.GetSysParam(QStringLiteral("VersioneAggiornamento"), QStringLiteral("0")).trimmed();
    if (text.isEmpty()) return 0;
    try {
        return core::Variant(text).toDouble();
    } catch (const core::AppError&) {
        return 0;
    }
}

void TableClass::StampNewRow(DataSource& ds, bool exchangeFlags) {
    const core::Date now = core::Clock::now();
    Set(ds, "DataInserimento", now);
    Set(ds, "DataModifica", now);
    if (exchangeFlags) {
        Set(ds, "InviatoSede", false);
        Set(ds, "AcquisitoSede", false);
    }
    Set(ds, "VersioneAggiornamento", CurrentUpdateVersion(ds));
}

void TableClass::StampChangedRow(DataSource& ds) {
    if (!HoldsChanges(ds)) return;
    Set(ds, "DataModifica", core::Clock::now());
    Set(ds, "VersioneAggiornamento", CurrentUpdateVersion(ds));
}

bool TableClass::IsExchangeFlag(const QString& column) {
    for (const char* flag : {"InviatoSede", "AcquisitoSede", "ConfermatoSede"})
        if (column.compare(QLatin1String(flag), Qt::CaseInsensitive) == 0) return true;
    return false;
}

void TableClass::ProtectExchangeFlags(DataSource& ds, const QString& column) {
    if (!IsExchangeFlag(column) || startup::runContext().codeAgente.isEmpty()) return;
    if (ds.IsNew() && (ds.LibraryWriting() || !Flag(ds, column))) return;
    Refuse(ds, QStringLiteral("Il campo %1 è impostato soltanto dallo scambio dati con la sede: "
                              "modifica non consentita.")
                   .arg(column));
}

void TableClass::ProtectEmptyRowChange(DataSource& ds, const QString& guard, bool withHeldChange) {
    if (!Str(ds, guard).isEmpty() || IsNewRow(ds)) return;
    if (withHeldChange && HeldChange(ds)) return;
    Refuse(ds, msg::NoChange);
}

void TableClass::ProtectEmptyRowDelete(DataSource& ds, const QString& guard) {
    if (Str(ds, guard).isEmpty()) Refuse(ds, msg::NoDelete);
}

void CodeTableClass::OnUpdatedTableStruct(DataSource& ds, double, double, bool& created) {
    if (!created) return;
    if (descriptive_.isEmpty())
        ds.InsertFromPairs({guard_, QString()});
    else
        ds.InsertFromPairs({guard_, QString(), descriptive_, QString()});
}

void CodeTableClass::OnDeleteRow(DataSource& ds) { ProtectEmptyRowDelete(ds, guard_); }

void CodeTableClass::OnBeforeUpdateField(DataSource& ds, const QString&) {
    ProtectEmptyRowChange(ds, guard_, withHeldChange_);
}

}  // namespace schema
