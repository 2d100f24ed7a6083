#include "DemoLayouts.h"

#include "DemoLayoutScripts.h"

#include "core/Variant.h"
#include "datalib/Database.h"
#include "labels/LabelLayoutRecord.h"
#include "reports/ReportLayoutRecord.h"

#include <QString>

namespace demodb {

namespace {

// Layout texts are stored with CR LF line ends, as the layout editor keeps them.
QString crlf(QString s) {
    s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return s;
}

struct Layout {
    const char* table;
    const char* reference;
    const char* name;  // also the group: the tree's nodes print a group each
    float rowsTop;
    float rowsBottom;
    float rowDim;
    QString text;
};

}  // namespace

int AddDemoReportLayouts(datalib::Database& db) {
    using namespace layouts;
    const auto grouped = [](const char* own, const char* shared = nullptr) {
        return QString::fromUtf8(own) + (shared ? QString::fromUtf8(shared) : QString()) +
               QString::fromUtf8(kGroupedRows);
    };
    const Layout all[] = {
        {"Ordini", "", "Lista", 32, 268, 6, QString::fromUtf8(kOrderList)},
        {"Ordini", "", "ListaConRiferimenti", 33, 268, 15, QString::fromUtf8(kOrderListWithReferences)},
        {"Ordini", "Righe", "PropostaOrdine", 95, 250, 6, QString::fromUtf8(kOrderDocument)},
        {"Clienti", "", "ListaPerRagSoc", 32, 285, 6, QString::fromUtf8(kCustomerList)},
        {"Clienti", "", "ListaPerProvincia", 32, 268, 18, grouped(kCustomersByProvince)},
        {"RigheOrdini", "", "DettaglioOrdini", 32, 268, 18,
         grouped(kApprovedOrderRows, kOrderRowsByCustomer)},
        {"RigheOrdini", "", "OrdiniSpediti", 32, 268, 18, grouped(kSentOrderRows, kOrderRowsByCustomer)},
        {"RigheOrdini", "", "ArticoliDaSpedire", 32, 268, 18, grouped(kRowsToShip, kOrderRowsByCustomer)},
        {"Clienti", "", "AnalisiCrescita", 33, 268, 6, QString::fromUtf8(kCustomerGrowth)},
        {"Clienti", "", "ConsuntivoClienti", 33, 268, 9, QString::fromUtf8(kCustomerYearSummary)},
    };
    for (const Layout& l : all) {
        reports::ReportLayoutRecord r;
        r.sourceTable = QString::fromUtf8(l.table);
        r.reference = QString::fromUtf8(l.reference);
        r.name = QString::fromUtf8(l.name);
        r.group = r.name;  // the group the main window's list sections print
        r.columns = core::Variant(1);
        r.height = r.width = r.top = r.left = r.bottomImageBorder = core::Variant(0.0);
        r.rowsTop = core::Variant(double(l.rowsTop));
        r.rowsBottom = core::Variant(double(l.rowsBottom));
        r.rowsDim = core::Variant(double(l.rowDim));
        r.script = crlf(l.text);
        r.insertInto(db);
    }
    return int(std::size(all));
}

}  // namespace demodb

namespace demodb {

namespace {

// The customer's address label: name, street, town and a Code 128 of the code.
const char* const kCustomerLabel = R"vbs(Function PrintLabel(ds, prn)
  prn.SetFont 10, True, False, "DejaVu Sans"
  prn.TxtOut 4, 4, ds.ColValue("RagioneSociale"), 62
  prn.SetFont 9, False, False, "DejaVu Sans"
  prn.TxtOut 14, 4, ds.ColValue("Indirizzo"), 62
  Set town = ds.GetReference("Città")
  If Not town Is Nothing Then
    If Not town.Eof Then prn.TxtOut 19, 4, town.ColValue("CAP") & " " & town.ColValue("Descrizione") & " (" & town.ColValue("Provincia") & ")", 62
  End If
  prn.Barcode128bOut 25, 4, 8, 0.3, ds.ColValue("Codice")
  PrintLabel = True
End Function
)vbs";

}  // namespace

int AddDemoLabelLayouts(datalib::Database& db) {
    // 3 x 8 labels of 70 x 37 mm on A4.
    labels::LabelLayoutRecord label;
    label.sourceTable = QStringLiteral("Clienti");
    label.columns = core::Variant(3);
    label.height = core::Variant(37.0);
    label.width = core::Variant(70.0);
    label.top = label.left = core::Variant(0.0);
    label.script = crlf(QString::fromUtf8(kCustomerLabel));
    label.copies = core::Variant(1);
    label.insertInto(db);
    return 1;
}

}  // namespace demodb
