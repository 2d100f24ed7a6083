// The demo archive's order document: proposal or confirmation.

#include "DemoLayoutScripts.h"

namespace demodb::layouts {

const char* const kOrderDocument =
    R"vbs(' =======================================================================
' Documento d'ordine: la proposta d'ordine, o la conferma d'ordine quando la
' sede l'ha approvato; intestazione con il cliente e il numero in codice a
' barre, una riga per articolo (di una nota il solo testo), le note
' dell'ordine e i totali sull'ultima pagina.
Function RefText(ds, sRef, sCol)
    Dim r
    RefText = ""
    Set r = ds.GetReference(sRef)
    If Not r Is Nothing Then
        If Not r.Eof Then RefText = "" & r.ColValue(sCol)
    End If
End Function

Function DeliveryText(ds)
    DeliveryText = "da concordare"
    If Not IsNull(ds.ColValue("DataPrevistaConsegna")) Then DeliveryText = FormatDateTime(ds.ColValue("DataPrevistaConsegna"), 2)
    If Not IsNull(ds.ColValue("DataConfermaConsegna")) Then DeliveryText = FormatDateTime(ds.ColValue("DataConfermaConsegna"), 2)
End Function

Function PrintReportMask(ds, prn, bTotal)
    Dim cli, town, confirmed
    confirmed = ds.ColValue("Approvato")
    prn.SetFont 16, True, False, "DejaVu Sans"
    If confirmed Then
        prn.TxtOut 12, 15, "Conferma d'ordine"
    Else
        prn.TxtOut 12, 15, "Proposta d'ordine"
    End If
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
    ' Le condizioni dell'ordine; la conferma dice anche il numero della sede e la consegna.
    prn.SetFont 9, False, False, ""
    prn.TxtOut 37, 122, "Pagamento: " & RefText(ds, "TipoPagamento", "Descrizione"), 73
    prn.TxtOut 42, 122, "Vettore: " & RefText(ds, "Vettore", "RagioneSociale"), 73
    prn.TxtOut 47, 122, "Porto: " & RefText(ds, "TipoPorto", "Descrizione"), 73
    If confirmed Then
        prn.SetFont 9, True, False, ""
        If ds.ColValue("NumeroSede") <> "" Then prn.TxtOut 54, 122, "Confermato dalla sede con il n. " & ds.ColValue("NumeroSede"), 73
        prn.TxtOut 59, 122, "Consegna: " & DeliveryText(ds), 73
    End If
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

}  // namespace demodb::layouts
