#include "reports/ReportLayoutRecord.h"

#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "reports/LayoutRow.h"
#include "reports/LayoutScript.h"

#include <vector>

namespace reports {

const QString ReportLayoutRecord::kTableName = QStringLiteral("TabProspettiStampa");
const QString ReportLayoutRecord::kSourceColumn = QStringLiteral("NomeTabellaOrigine");
const QString ReportLayoutRecord::kReferenceColumn = QStringLiteral("NomeReference");
const QString ReportLayoutRecord::kNameColumn = QStringLiteral("NomeProspetto");
const QString ReportLayoutRecord::kGroupColumn = QStringLiteral("NomeGruppo");

namespace {

// Every column with its field, in the order a row is written: the key, then
// as the editor's boxes follow each other. R is the record, const or not.
template <class R, class F>
void eachColumn(R& r, F&& f) {
    using Record = ReportLayoutRecord;
    f(Record::kSourceColumn, r.sourceTable);
    f(Record::kReferenceColumn, r.reference);
    f(Record::kNameColumn, r.name);
    f(QStringLiteral("NumeroColonne"), r.columns);
    f(QStringLiteral("AltezzaModulo"), r.height);
    f(QStringLiteral("LarghezzaModulo"), r.width);
    f(QStringLiteral("MargineSuperiore"), r.top);
    f(QStringLiteral("MargineSinistro"), r.left);
    f(QStringLiteral("AltezzaRigheDettaglio"), r.rowsDim);
    f(QStringLiteral("MargineSuperioreRighe"), r.rowsTop);
    f(QStringLiteral("MargineInferioreRighe"), r.rowsBottom);
    f(QStringLiteral("ImmagineSfondo"), r.backImage);
    f(QStringLiteral("MargineInferioreSfondo"), r.bottomImageBorder);
    f(QStringLiteral("NomeStampante"), r.printer);
    f(QStringLiteral("IstruzioniStampa"), r.script);
    f(Record::kGroupColumn, r.group);
    f(QStringLiteral("OrientamentoOrizzontale"), r.horizontal);
    f(QStringLiteral("RichiediSelezioneStampante"), r.askPrinter);
}

}  // namespace

ReportLayoutRecord ReportLayoutRecord::newLayout(bool noteRows) {
    ReportLayoutRecord r;
    r.columns = core::Variant(1);
    r.height = core::Variant(0);
    r.width = core::Variant(0);
    r.top = core::Variant(5);
    r.left = core::Variant(5);
    r.rowsDim = core::Variant(6);
    r.rowsTop = core::Variant(40);
    r.rowsBottom = core::Variant(240);
    r.bottomImageBorder = core::Variant(0);
    r.script = DefaultReportText(noteRows);
    return r;
}

ReportLayoutRecord ReportLayoutRecord::readFrom(const datalib::DataSource& row) {
    ReportLayoutRecord r;
    eachColumn(r,
               [&row](const QString& column, auto& field) { reports::ReadLayoutField(row, column, field); });
    return r;
}

void ReportLayoutRecord::writeTo(datalib::DataSource& row) const {
    eachColumn(*this, [&row](const QString& column, const auto& field) {
        row.SetColValue(column, core::Variant(field));
    });
}

void ReportLayoutRecord::insertInto(datalib::Database& db) const {
    std::vector<core::Variant> pairs;
    eachColumn(*this, [&pairs](const QString& column, const auto& field) {
        reports::AddLayoutPair(pairs, column, field);
    });
    db.OpenDataSource(kTableName, QStringLiteral("OID = 0"))->InsertFromPairs(pairs);
}

QString ReportLayoutRecord::keyFilter(datalib::Database& db, const QString& table, const QString& reference,
                                      const QString& name) {
    return sourceFilter(db, table, reference) + QStringLiteral(" And ") + kNameColumn + QLatin1Char('=') +
           db.FormatStringForQuery(name);
}

QString ReportLayoutRecord::sourceFilter(datalib::Database& db, const QString& table,
                                         const QString& reference) {
    return kSourceColumn + QLatin1Char('=') + db.FormatStringForQuery(table) + QStringLiteral(" And ") +
           kReferenceColumn + QLatin1Char('=') + db.FormatStringForQuery(reference);
}

}  // namespace reports
