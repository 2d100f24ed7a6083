#include "DemoLayouts.h"

#include "core/Variant.h"
#include "datalib/Database.h"
#include "labels/LabelLayoutRecord.h"
#include "reports/ReportLayoutRecord.h"

#include <QString>

namespace demodb {

namespace {

// Layout texts are stored with CR LF line ends, as the layout editor keeps them.
QString crlf(const char* text) {
    QString s = QString::fromUtf8(text);
    s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return s;
}

const char* const kOrderList = R"vbs(' =======================================================================
' Elenco degli ordini: una riga per ordine, intestazione e totale per pagina.
Function PrintReportMask(ds, prn, bTotal)
    prn.SetFont 14, True, False, "DejaVu Sans"
    prn.TxtOut 10, 15, "Elenco ordini"
    prn.SetFont 9, False, False, ""
    prn.TxtOutR 12, 195, "Pagina " & (prn.ReportModuleCount + 1)
    prn.SetFont 9, True, False, ""
    prn.BoxOut 22, 15, 7, 180, False
    prn.TxtOut 23.5, 17, "Numero"
    prn.TxtOut 23.5, 45, "Data"
    prn.TxtOut 23.5, 70, "Cliente"
    prn.TxtOutR 23.5, 193, "Totale"
    prn.SetFont 10, True, False, ""
    If bTotal Then
        prn.LineOut 272, 15, 272, 195
        prn.TxtOut 275, 120, "Totale generale"
        prn.TxtOutR 275, 193, FormatNumber(prn.Nums("Totale"), 2)
    Else
        prn.TxtOutR 275, 193, "segue..."
    End If
    PrintReportMask = True
End Function

Function PrintReportRow(dsRow, prn, nRow)
    prn.SetFont 9, False, False, ""
    prn.TxtOut 1, 17, dsRow.ColValue("Numero")
    prn.TxtOut 1, 45, FormatDateTime(dsRow.ColValue("DataInserimento"), 2)
    prn.TxtOut 1, 70, dsRow.GetReference("Cliente").ColValue("RagioneSociale"), 95
    prn.TxtOutR 1, 193, FormatNumber(dsRow.ColValue("ImportoTotale"), 2)
    prn.Vars("Totale") = prn.Nums("Totale") + dsRow.ColValue("ImportoTotale")
    PrintReportRow = True
End Function
)vbs";

const char* const kOrderProposal =
    R"vbs(' =======================================================================
' Proposta d'ordine: intestazione con il cliente e il numero in codice a barre,
' una riga per articolo (di una nota il solo testo), le note dell'ordine e i
' totali sull'ultima pagina.
Function PrintReportMask(ds, prn, bTotal)
    Dim cli, town
    prn.SetFont 16, True, False, "DejaVu Sans"
    prn.TxtOut 12, 15, "Proposta d'ordine"
    prn.SetFont 10, False, False, ""
    prn.TxtOut 22, 15, "Ordine n. " & ds.ColValue("Numero") & " del " & FormatDateTime(ds.ColValue("DataInserimento"), 2)
    prn.Barcode128bOut 12, 140, 12, 0.3, ds.ColValue("Numero")
    prn.SetFont 8, False, False, ""
    prn.TxtOut 25, 140, ds.ColValue("Numero")
    Set cli = ds.GetReference("Cliente")
    prn.BoxOut 35, 15, 32, 100, False
    prn.SetFont 8, False, True, ""
    prn.TxtOut 37, 18, "Spett.le"
    prn.SetFont 11, True, False, ""
    prn.TxtOut 41, 18, cli.ColValue("RagioneSociale"), 94
    prn.SetFont 10, False, False, ""
    prn.TxtOut 48, 18, cli.ColValue("Indirizzo"), 94
    Set town = cli.GetReference("Città")
    If Not town Is Nothing Then
        If Not town.Eof Then prn.TxtOut 53, 18, town.ColValue("CAP") & " " & town.ColValue("Descrizione") & " (" & town.ColValue("Provincia") & ")", 94
    End If
    prn.TxtOut 60, 18, "P. IVA " & cli.ColValue("PartitaIva")
    prn.SetFont 9, False, False, ""
    prn.TxtOut 72, 15, "Pagina " & (prn.ReportModuleCount + 1)
    prn.SetFont 9, True, False, ""
    prn.BoxOut 86, 15, 7, 180, True
    prn.Color = &HFFFFFF&
    prn.TxtOut 87.5, 17, "Codice"
    prn.TxtOut 87.5, 45, "Descrizione"
    prn.TxtOutR 87.5, 130, "Quantità"
    prn.TxtOutR 87.5, 152, "Prezzo"
    prn.TxtOutR 87.5, 168, "Sc. %"
    prn.TxtOutR 87.5, 193, "Importo"
    prn.Color = 0
    prn.SetFont 10, False, False, ""
    If bTotal Then
        prn.LineOut 252, 110, 252, 195
        prn.TxtOut 254, 112, "Sconti applicati"
        prn.TxtOutR 254, 193, FormatNumber(ds.ColValue("ImportoSconti"), 2)
        prn.TxtOut 259, 112, "Merce"
        prn.TxtOutR 259, 193, FormatNumber(ds.ColValue("ImportoMerce"), 2)
        prn.TxtOut 264, 112, "Spese"
        prn.TxtOutR 264, 193, FormatNumber(ds.ColValue("ImportoSpese"), 2)
        prn.TxtOut 269, 112, "IVA"
        prn.TxtOutR 269, 193, FormatNumber(ds.ColValue("ImportoImposta"), 2)
        prn.SetFont 11, True, False, ""
        prn.TxtOut 275, 112, "Totale ordine"
        prn.TxtOutR 275, 193, FormatNumber(ds.ColValue("ImportoTotale"), 2)
    Else
        prn.TxtOutR 256, 193, "segue..."
    End If
    PrintReportMask = True
End Function

Function PrintReportRow(dsRow, prn, nRow)
    Dim code, note
    code = dsRow.ColValue("Codice")
    note = dsRow.ColValue("DescrizioneAggiuntiva")
    If code = "##NOTA##" Then
        ' Una nota (anche quelle che aprono e chiudono una promozione): il suo testo.
        prn.SetFont 9, False, True, ""
        prn.TxtOut 1, 45, note, 148
    Else
        prn.SetFont 9, False, False, ""
        If Left(code, 2) = "##" Then
            ' Le altre righe speciali (servizi, riferimenti) si descrivono da sé.
            If note = "" Then note = dsRow.ColValue("Descrizione")
            prn.TxtOut 1, 45, note, 65
        Else
            prn.TxtOut 1, 17, code
            prn.TxtOut 1, 45, dsRow.ColValue("Descrizione"), 65
        End If
        prn.TxtOutR 1, 130, FormatNumber(dsRow.ColValue("QuantitàOrdine"), 0)
        prn.TxtOutR 1, 152, FormatNumber(dsRow.ColValue("PrezzoVendita"), 2)
        prn.TxtOutR 1, 168, FormatNumber(dsRow.ColValue("PercentualeSconto"), 1)
        prn.TxtOutR 1, 193, FormatNumber(dsRow.ColValue("ImportoImponibile"), 2)
    End If
    PrintReportRow = True
End Function

Function PrintNoteRow(sNoteRow, ds, prn, nRow)
    prn.SetFont 9, False, True, ""
    prn.TxtOut 1, 45, sNoteRow, 148
    PrintNoteRow = True
End Function
)vbs";

const char* const kCustomerList =
    R"vbs(' =======================================================================
' Elenco dei clienti in ordine di ragione sociale.
Function PrintDataInit(dsRow, prn)
    dsRow.SortOrder = "RagioneSociale"
    PrintDataInit = True
End Function

Function PrintReportMask(ds, prn, bTotal)
    prn.SetFont 14, True, False, "DejaVu Sans"
    prn.TxtOut 10, 15, "Clienti per ragione sociale"
    prn.SetFont 9, False, False, ""
    prn.TxtOutR 12, 195, "Pagina " & (prn.ReportModuleCount + 1)
    prn.SetFont 9, True, False, ""
    prn.BoxOut 22, 15, 7, 180, False
    prn.TxtOut 23.5, 17, "Codice"
    prn.TxtOut 23.5, 40, "Ragione sociale"
    prn.TxtOut 23.5, 120, "Partita IVA"
    prn.TxtOut 23.5, 155, "Telefono"
    PrintReportMask = True
End Function

Function PrintReportRow(dsRow, prn, nRow)
    prn.SetFont 9, False, False, ""
    prn.TxtOut 1, 17, dsRow.ColValue("Codice")
    prn.TxtOut 1, 40, dsRow.ColValue("RagioneSociale"), 78
    prn.TxtOut 1, 120, dsRow.ColValue("PartitaIva")
    prn.TxtOut 1, 155, dsRow.ColValue("Telefono"), 40
    prn.LineOut 6, 15, 6, 195
    PrintReportRow = True
End Function
)vbs";

struct Layout {
    const char* table;
    const char* reference;
    const char* name;
    float rowsTop;
    float rowsBottom;
    float rowDim;
    const char* text;
};

}  // namespace

int AddDemoReportLayouts(datalib::Database& db) {
    const Layout layouts[] = {
        {"Ordini", "", "Lista", 32, 268, 6, kOrderList},
        {"Ordini", "Righe", "PropostaOrdine", 95, 250, 6, kOrderProposal},
        {"Clienti", "", "ListaPerRagSoc", 32, 285, 6, kCustomerList},
    };
    for (const Layout& l : layouts) {
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
    return int(std::size(layouts));
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
    label.script = crlf(kCustomerLabel);
    label.copies = core::Variant(1);
    label.insertInto(db);
    return 1;
}

}  // namespace demodb
