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

// Every column with its field, in the order a row is written: the key, then
// as the editor's boxes follow each other. R is the record, const or not.
template <class R, class F>
void ReportLayoutRecord::eachColumn(R& r, F&& f) {
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

QString ReportLayoutRecord::rowDimRefusal(const QString& shown) {
    return QStringLiteral("Dimensione righe (mm) non valida: \"") + shown +
           QStringLiteral("\"\r\rOgni riga del prospetto deve essere alta almeno 0,1 mm.");
}

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
    return reports::ReadLayoutRecord<ReportLayoutRecord>(row);
}

void ReportLayoutRecord::writeTo(datalib::DataSource& row) const { reports::WriteLayoutRecord(*this, row); }

void ReportLayoutRecord::insertInto(datalib::Database& db) const { reports::InsertLayoutRecord(*this, db); }

QString ReportLayoutRecord::keyFilter(datalib::Database& db, const QString& table, const QString& reference,
                                      const QString& name) {
    return sourceFilter(db, table, reference) + QStringLiteral(" And ") + kNameColumn + QLatin1Char('=') +
           db.FormatStringForQuery(name);
}

std::shared_ptr<datalib::DataSource> ReportLayoutRecord::open(datalib::Database& db, const QString& table,
                                                              const QString& reference, const QString& name) {
    return db.OpenDataSource(kTableName, keyFilter(db, table, reference, name));
}

QString ReportLayoutRecord::sourceFilter(datalib::Database& db, const QString& table,
                                         const QString& reference) {
    return kSourceColumn + QLatin1Char('=') + db.FormatStringForQuery(table) + QStringLiteral(" And ") +
           kReferenceColumn + QLatin1Char('=') + db.FormatStringForQuery(reference);
}

}  // namespace reports
