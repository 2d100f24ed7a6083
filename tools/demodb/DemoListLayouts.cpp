// The demo archive's lists: orders, customers and order rows.

#include "DemoLayoutScripts.h"

namespace demodb::layouts {

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

const char* const kOrderListWithReferences =
    R"vbs(' =======================================================================
' Elenco degli ordini con i loro riferimenti: cliente e località, listino,
' pagamento, vettore e porto; il totale degli ordini elencati a fine stampa.
Function RefText(ds, sRef, sCol)
    Dim r
    RefText = ""
    Set r = ds.GetReference(sRef)
    If Not r Is Nothing Then
        If Not r.Eof Then RefText = "" & r.ColValue(sCol)
    End If
End Function

Function PrintReportMask(ds, prn, bTotal)
    prn.SetFont 14, True, False, "DejaVu Sans"
    prn.TxtOut 10, 15, "Elenco ordini con riferimenti"
    prn.SetFont 9, False, False, ""
    prn.TxtOutR 12, 195, "Pagina " & (prn.ReportModuleCount + 1)
    prn.SetFont 8, True, False, ""
    prn.BoxOut 21, 15, 10, 180, False
    prn.TxtOut 22, 17, "Numero"
    prn.TxtOut 22, 43, "Data"
    prn.TxtOut 22, 64, "Cliente"
    prn.TxtOutR 22, 193, "Totale"
    prn.SetFont 8, False, True, ""
    prn.TxtOut 26, 64, "Località - Listino - Pagamento - Vettore e porto"
    prn.SetFont 10, True, False, ""
    If bTotal Then
        prn.LineOut 272, 15, 272, 195
        prn.TxtOut 275, 17, "Ordini elencati: " & prn.Nums("Ordini")
        prn.TxtOut 275, 120, "Totale generale"
        prn.TxtOutR 275, 193, FormatNumber(prn.Nums("Totale"), 2)
    Else
        prn.TxtOutR 275, 193, "segue..."
    End If
    PrintReportMask = True
End Function

Function PrintReportRow(dsRow, prn, nRow)
    Dim cli, town, place
    Set cli = dsRow.GetReference("Cliente")
    prn.SetFont 9, False, False, ""
    prn.TxtOut 1, 17, dsRow.ColValue("Numero")
    prn.TxtOut 1, 43, FormatDateTime(dsRow.ColValue("DataInserimento"), 2)
    prn.TxtOut 1, 64, RefText(dsRow, "Cliente", "Codice") & "  " & RefText(dsRow, "Cliente", "RagioneSociale"), 103
    prn.TxtOutR 1, 193, FormatNumber(dsRow.ColValue("ImportoTotale"), 2)
    place = ""
    If Not cli Is Nothing Then
        If Not cli.Eof Then
            Set town = cli.GetReference("Città")
            If Not town Is Nothing Then
                If Not town.Eof Then place = town.ColValue("Descrizione") & " (" & town.ColValue("Provincia") & ")"
            End If
        End If
    End If
    prn.SetFont 8, False, True, ""
    prn.TxtOut 5.5, 64, place & " - " & RefText(dsRow, "Listino", "Descrizione") & " - " & RefText(dsRow, "TipoPagamento", "Descrizione"), 129
    prn.TxtOut 9.5, 64, "Vettore: " & RefText(dsRow, "Vettore", "RagioneSociale") & " - Porto: " & RefText(dsRow, "TipoPorto", "Descrizione"), 129
    prn.LineOut 14, 15, 14, 195
    prn.Vars("Ordini") = prn.Nums("Ordini") + 1
    prn.Vars("Totale") = prn.Nums("Totale") + dsRow.ColValue("ImportoTotale")
    PrintReportRow = True
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

const char* const kCustomersByProvince =
    R"vbs(' =======================================================================
' Clienti per provincia: i clienti di ogni provincia con il loro numero.
Function ReportTitle()
    ReportTitle = "Clienti per provincia"
End Function

Function PrintDataInit(dsRow, prn)
    dsRow.SortOrder = "Comuni.Provincia,RagioneSociale"
    PrintDataInit = True
End Function

Sub PrintHeadings(prn, y)
    prn.TxtOut y, 17, "Codice"
    prn.TxtOut y, 35, "Ragione sociale"
    prn.TxtOut y, 105, "Località"
    prn.TxtOut y, 160, "Telefono"
End Sub

Function RowWanted(dsRow)
    RowWanted = True
End Function

Function RowGroup(dsRow, sTitle)
    Dim town
    RowGroup = ""
    Set town = dsRow.GetReference("Città")
    If Not town Is Nothing Then
        If Not town.Eof Then RowGroup = "" & town.ColValue("Provincia")
    End If
    If RowGroup = "" Then sTitle = "Provincia non indicata" Else sTitle = "Provincia di " & RowGroup
End Function

Function PrintDetail(dsRow, prn, y)
    Dim town
    prn.TxtOut y, 17, dsRow.ColValue("Codice")
    prn.TxtOut y, 35, dsRow.ColValue("RagioneSociale"), 68
    Set town = dsRow.GetReference("Città")
    If Not town Is Nothing Then
        If Not town.Eof Then prn.TxtOut y, 105, town.ColValue("CAP") & " " & town.ColValue("Descrizione"), 53
    End If
    prn.TxtOut y, 160, dsRow.ColValue("Telefono"), 35
    PrintDetail = 1
End Function

Function GroupTotalCaption(sGroup)
    GroupTotalCaption = "Clienti in " & sGroup & ":"
End Function

Function FigureText(n)
    FigureText = FormatNumber(n, 0)
End Function

Function CountCaption(prn)
    CountCaption = "Province: " & prn.Nums("Gruppi")
End Function

Function GrandTotalCaption()
    GrandTotalCaption = "Clienti in tutto:"
End Function
)vbs";

const char* const kOrderRowsByCustomer =
    R"vbs(' -----------------------------------------------------------------------
' Le righe d'ordine si raggruppano per cliente dell'ordine.
Dim ord

Function OrderOf(dsRow)
    Dim db, o
    Set db = dsRow.Database
    Set o = db.OpenDataSource("Ordini", "Numero=" & db.FormatStringForQuery(dsRow.ColValue("NumeroOrdine")))
    o.RowFirst
    Set OrderOf = o
End Function

' Una riga si stampa quando il suo ordine è tra quelli della stampa (OrderWanted).
Function RowWanted(dsRow)
    Set ord = OrderOf(dsRow)
    RowWanted = OrderWanted(ord)
End Function

Function RowGroup(dsRow, sTitle)
    Dim cli
    Set cli = ord.GetReference("Cliente")
    RowGroup = "" & cli.ColValue("Codice")
    sTitle = RowGroup & "  " & cli.ColValue("RagioneSociale")
End Function

Function RowText(dsRow)
    RowText = "" & dsRow.ColValue("Descrizione")
    If Left(dsRow.ColValue("Codice"), 2) = "##" Then
        If dsRow.ColValue("DescrizioneAggiuntiva") <> "" Then RowText = dsRow.ColValue("DescrizioneAggiuntiva")
    End If
End Function

Sub PrintOrderAndArticleHeadings(prn, y)
    prn.TxtOut y, 17, "Ordine"
    prn.TxtOut y, 40, "Data"
    prn.TxtOut y, 59, "Articolo"
    prn.TxtOut y, 81, "Descrizione"
End Sub

Sub PrintOrderAndArticle(dsRow, prn, y, nWrap)
    prn.TxtOut y, 17, ord.ColValue("Numero")
    prn.TxtOut y, 40, FormatDateTime(ord.ColValue("DataInserimento"), 2)
    If Left(dsRow.ColValue("Codice"), 2) <> "##" Then prn.TxtOut y, 59, dsRow.ColValue("Codice")
    prn.TxtOut y, 81, RowText(dsRow), nWrap
End Sub

Function GroupTotalCaption(sGroup)
    GroupTotalCaption = "Totale " & sGroup
End Function

Function FigureText(n)
    FigureText = FormatNumber(n, 2)
End Function

Function CountCaption(prn)
    CountCaption = "Righe: " & prn.Nums("Righe")
End Function

Function GrandTotalCaption()
    GrandTotalCaption = "Totale generale"
End Function
)vbs";

const char* const kApprovedOrderRows =
    R"vbs(' =======================================================================
' Dettaglio degli ordini confermati dalla sede, cliente per cliente.
Function ReportTitle()
    ReportTitle = "Dettaglio ordini confermati per cliente"
End Function

Sub PrintHeadings(prn, y)
    PrintOrderAndArticleHeadings prn, y
    prn.TxtOutR y, 148, "Quantità"
    prn.TxtOutR y, 166, "Prezzo"
    prn.TxtOutR y, 177, "Sc. %"
    prn.TxtOutR y, 193, "Importo"
End Sub

Function OrderWanted(ord)
    OrderWanted = True
End Function

Function PrintDetail(dsRow, prn, y)
    PrintOrderAndArticle dsRow, prn, y, 56
    prn.TxtOutR y, 148, FormatNumber(dsRow.ColValue("QuantitàOrdine"), 0)
    prn.TxtOutR y, 166, FormatNumber(dsRow.ColValue("PrezzoVendita"), 2)
    prn.TxtOutR y, 177, FormatNumber(dsRow.ColValue("PercentualeSconto"), 1)
    prn.TxtOutR y, 193, FormatNumber(dsRow.ColValue("ImportoImponibile"), 2)
    PrintDetail = dsRow.ColValue("ImportoImponibile")
End Function
)vbs";

const char* const kSentOrderRows =
    R"vbs(' =======================================================================
' Righe degli ordini già inviati alla sede, cliente per cliente, con la
' quantità evasa finora.
Function ReportTitle()
    ReportTitle = "Ordini inviati alla sede: righe per cliente"
End Function

Sub PrintHeadings(prn, y)
    PrintOrderAndArticleHeadings prn, y
    prn.TxtOutR y, 154, "Ordinata"
    prn.TxtOutR y, 170, "Evasa"
    prn.TxtOutR y, 193, "Importo"
End Sub

Function OrderWanted(ord)
    OrderWanted = ord.ColValue("InviatoSede")
End Function

Function PrintDetail(dsRow, prn, y)
    PrintOrderAndArticle dsRow, prn, y, 56
    prn.TxtOutR y, 154, FormatNumber(dsRow.ColValue("QuantitàOrdine"), 0)
    prn.TxtOutR y, 170, FormatNumber(dsRow.ColValue("QuantitàEvasa"), 0)
    prn.TxtOutR y, 193, FormatNumber(dsRow.ColValue("ImportoImponibile"), 2)
    PrintDetail = dsRow.ColValue("ImportoImponibile")
End Function
)vbs";

const char* const kRowsToShip =
    R"vbs(' =======================================================================
' Articoli ancora da spedire, cliente per cliente: la quantità che resta
' da evadere di ogni riga e il suo valore (gli ordini annullati no).
Function ReportTitle()
    ReportTitle = "Articoli da spedire per cliente"
End Function

Sub PrintHeadings(prn, y)
    PrintOrderAndArticleHeadings prn, y
    prn.TxtOutR y, 142, "Ordinata"
    prn.TxtOutR y, 153, "Evasa"
    prn.TxtOutR y, 174, "Da spedire"
    prn.TxtOutR y, 193, "Valore"
End Sub

Function OrderWanted(ord)
    OrderWanted = Not ord.ColValue("Annullato")
End Function

Function PrintDetail(dsRow, prn, y)
    Dim q, rest, value
    q = dsRow.ColValue("QuantitàOrdine")
    rest = q - dsRow.ColValue("QuantitàEvasa")
    value = 0
    If q <> 0 Then value = Round(dsRow.ColValue("ImportoImponibile") * rest / q, 2)
    PrintOrderAndArticle dsRow, prn, y, 47
    prn.TxtOutR y, 142, FormatNumber(q, 0)
    prn.TxtOutR y, 153, FormatNumber(dsRow.ColValue("QuantitàEvasa"), 0)
    prn.TxtOutR y, 174, FormatNumber(rest, 0)
    prn.TxtOutR y, 193, FormatNumber(value, 2)
    PrintDetail = value
End Function
)vbs";

const char* const kGroupedRows =
    R"vbs(' -----------------------------------------------------------------------
' Righe raggruppate: l'intestazione del gruppo (di nuovo in cima a ogni
' pagina), le righe, il totale di ogni gruppo e a fine stampa quello generale.
Sub PrintGroupHeading(prn, y, sMore)
    prn.SetFont 9, True, False, ""
    prn.TxtOut y + 0.5, 17, prn.Strs("Gruppo") & sMore, 176
End Sub

Sub PrintGroupTotal(prn, y)
    prn.SetFont 8, True, False, ""
    prn.LineOut y + 0.3, 150, y + 0.3, 195
    prn.TxtOutR y + 0.8, 148, GroupTotalCaption(prn.Strs("Gruppo"))
    prn.TxtOutR y + 0.8, 193, FigureText(prn.Nums("TotaleGruppo"))
End Sub

Function PrintReportMask(ds, prn, bTotal)
    Dim y
    prn.SetFont 14, True, False, "DejaVu Sans"
    prn.TxtOut 10, 15, ReportTitle()
    prn.SetFont 9, False, False, ""
    prn.TxtOutR 12, 195, "Pagina " & (prn.ReportModuleCount + 1)
    prn.SetFont 8, True, False, ""
    prn.BoxOut 22, 15, 7, 180, False
    PrintHeadings prn, 23.5
    If bTotal Then
        If prn.Nums("Gruppi") > 0 Then
            If prn.IgnoreNextNewRow Then y = prn.RowY Else y = prn.RowY + prn.RowDimCur
            PrintGroupTotal prn, y
        End If
        prn.SetFont 10, True, False, ""
        prn.LineOut 272, 15, 272, 195
        prn.TxtOut 275, 17, CountCaption(prn)
        prn.TxtOutR 275, 148, GrandTotalCaption()
        prn.TxtOutR 275, 193, FigureText(prn.Nums("Totale"))
    Else
        prn.SetFont 9, False, True, ""
        prn.TxtOutR 275, 193, "segue..."
    End If
    PrintReportMask = True
End Function

Function PrintReportRow(dsRow, prn, nRow)
    Dim key, title, y, h, figure
    If Not RowWanted(dsRow) Then
        ' Nulla da stampare: la riga che segue prende il suo posto.
        prn.IgnoreNextNewRow = True
        PrintReportRow = True
        Exit Function
    End If
    title = ""
    key = RowGroup(dsRow, title)
    y = 0
    If prn.Nums("Gruppi") = 0 Or key <> prn.Strs("Chiave") Then
        If prn.Nums("Gruppi") > 0 Then
            PrintGroupTotal prn, y
            y = y + 5
        End If
        prn.Vars("Gruppi") = prn.Nums("Gruppi") + 1
        prn.Vars("Chiave") = key
        prn.Vars("Gruppo") = title
        prn.Vars("TotaleGruppo") = 0
        PrintGroupHeading prn, y, ""
        y = y + 5
    ElseIf prn.ReportModuleIsEmpty Then
        PrintGroupHeading prn, y, " (segue)"
        y = y + 5
    End If
    prn.SetFont 8, False, False, ""
    figure = PrintDetail(dsRow, prn, y + 0.5)
    prn.Vars("TotaleGruppo") = prn.Nums("TotaleGruppo") + figure
    prn.Vars("Totale") = prn.Nums("Totale") + figure
    prn.Vars("Righe") = prn.Nums("Righe") + 1
    ' La riga è alta quanto ciò che vi è scritto (un testo lungo va a capo).
    h = prn.RowDimText + 1.5
    If h < y + 5 Then h = y + 5
    If h > prn.RowDim Then h = prn.RowDim
    prn.RowDimCur = h
    PrintReportRow = True
End Function
)vbs";

}  // namespace demodb::layouts
