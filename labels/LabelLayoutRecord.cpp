#include "labels/LabelLayoutRecord.h"

#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "labels/LabelLayoutFile.h"
#include "reports/LayoutRow.h"

#include <vector>

namespace labels {

const QString LabelLayoutRecord::kTableName = QStringLiteral("TabStampaEtichette");
const QString LabelLayoutRecord::kSourceColumn = QStringLiteral("NomeTabellaOrigine");

// The label layout's columns.
template <class R, class F>
void LabelLayoutRecord::eachColumn(R& r, F&& f) {
    f(LabelLayoutRecord::kSourceColumn, r.sourceTable);
    f(QStringLiteral("NumeroColonne"), r.columns);
    f(QStringLiteral("IstruzioniStampa"), r.script);
    f(QStringLiteral("LarghezzaEtichetta"), r.width);
    f(QStringLiteral("AltezzaEtichetta"), r.height);
    f(QStringLiteral("MargineSuperiore"), r.top);
    f(QStringLiteral("MargineSinistro"), r.left);
    f(QStringLiteral("NomeStampante"), r.printer);
    f(QStringLiteral("OrientamentoOrizzontale"), r.horizontal);
    f(QStringLiteral("AbilitaPosizionamento"), r.enableAlignment);
    f(QStringLiteral("RichiediSelezioneStampante"), r.askPrinter);
    f(QStringLiteral("NumeroCopie"), r.copies);
}

LabelLayoutRecord LabelLayoutRecord::newLayout() {
    LabelLayoutRecord r;
    r.columns = core::Variant(2);
    r.height = core::Variant(32.5);
    r.width = core::Variant(88);
    r.top = core::Variant(0);
    r.left = core::Variant(0);
    r.copies = core::Variant(1);
    r.script = DefaultLabelScript();
    return r;
}

LabelLayoutRecord LabelLayoutRecord::readFrom(const datalib::DataSource& row) {
    return reports::ReadLayoutRecord<LabelLayoutRecord>(row);
}

void LabelLayoutRecord::writeTo(datalib::DataSource& row) const { reports::WriteLayoutRecord(*this, row); }

void LabelLayoutRecord::insertInto(datalib::Database& db) const { reports::InsertLayoutRecord(*this, db); }

QString LabelLayoutRecord::sourceFilter(datalib::Database& db, const QString& table) {
    return kSourceColumn + QLatin1Char('=') + db.FormatStringForQuery(table);
}

}  // namespace labels
