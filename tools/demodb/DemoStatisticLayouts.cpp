// The demo archive's statistics of the customers.

#include "DemoLayoutScripts.h"

namespace demodb::layouts {

const char* const kCustomerGrowth =
    R"vbs(' =======================================================================
' Analisi della crescita: l'imponibile ordinato da ogni cliente negli ultimi
' 30 giorni confrontato con quello dei 30 giorni precedenti (ordini annullati
' esclusi); sono elencati i soli clienti con ordini nei due periodi.
Dim dFrom, dMiddle, dTo

Function Imponibile(dsRow, dStart, dEnd)
    Dim db, o
    Set db = dsRow.Database
    Set o = db.OpenDataSource("Ordini", "Clienti.Codice=" & db.FormatStringForQuery(dsRow.ColValue("Codice")) & _
        " AND NOT Annullato AND DataInserimento >= " & db.FormatStringForQuery(dStart) & _
        " AND DataInserimento < " & db.FormatStringForQuery(dEnd))
    Imponibile = o.CalculateColValue("ImportoImponibile", 0)
End Function

Function Growth(nNow, nBefore)
    If nBefore = 0 Then
        If nNow = 0 Then Growth = "" Else Growth = "nuovo"
    Else
        Growth = FormatNumber((nNow - nBefore) / nBefore * 100, 1) & " %"
    End If
End Function

Function PrintDataInit(dsRow, prn)
    dTo = Date + 1
    dMiddle = Date - 29
    dFrom = Date - 59
    PrintDataInit = True
End Function

Function PrintReportMask(ds, prn, bTotal)
    prn.SetFont 14, True, False, "DejaVu Sans"
    prn.TxtOut 10, 15, "Analisi crescita clienti"
    prn.SetFont 9, False, False, ""
    prn.TxtOutR 12, 195, "Pagina " & (prn.ReportModuleCount + 1)
    prn.TxtOut 17, 15, "Imponibile ordinato dal " & FormatDateTime(dMiddle, 2) & " al " & FormatDateTime(Date, 2) & _
        " rispetto al periodo dal " & FormatDateTime(dFrom, 2) & " al " & FormatDateTime(dMiddle - 1, 2)
    prn.SetFont 8, True, False, ""
    prn.BoxOut 23, 15, 7, 180, False
    prn.TxtOut 24.5, 17, "Codice"
    prn.TxtOut 24.5, 35, "Ragione sociale"
    prn.TxtOutR 24.5, 125, "Ultimi 30 giorni"
    prn.TxtOutR 24.5, 152, "30 giorni prima"
    prn.TxtOutR 24.5, 175, "Variazione"
    prn.TxtOutR 24.5, 193, "Var. %"
    If bTotal Then
        prn.SetFont 9, True, False, ""
        prn.LineOut 272, 15, 272, 195
        prn.TxtOut 275, 17, "Clienti: " & prn.Nums("Clienti")
        prn.TxtOutR 275, 125, FormatNumber(prn.Nums("Recenti"), 2)
        prn.TxtOutR 275, 152, FormatNumber(prn.Nums("Precedenti"), 2)
        prn.TxtOutR 275, 175, FormatNumber(prn.Nums("Recenti") - prn.Nums("Precedenti"), 2)
        prn.TxtOutR 275, 193, Growth(prn.Nums("Recenti"), prn.Nums("Precedenti"))
    Else
        prn.SetFont 9, False, True, ""
        prn.TxtOutR 275, 193, "segue..."
    End If
    PrintReportMask = True
End Function

Function PrintReportRow(dsRow, prn, nRow)
    Dim nNow, nBefore
    nNow = Imponibile(dsRow, dMiddle, dTo)
    nBefore = Imponibile(dsRow, dFrom, dMiddle)
    If nNow = 0 And nBefore = 0 Then
        ' Nessun ordine nei due periodi: la riga che segue prende il suo posto.
        prn.IgnoreNextNewRow = True
    Else
        prn.SetFont 8, False, False, ""
        prn.TxtOut 1, 17, dsRow.ColValue("Codice")
        prn.TxtOut 1, 35, dsRow.ColValue("RagioneSociale"), 68
        prn.TxtOutR 1, 125, FormatNumber(nNow, 2)
        prn.TxtOutR 1, 152, FormatNumber(nBefore, 2)
        prn.TxtOutR 1, 175, FormatNumber(nNow - nBefore, 2)
        prn.TxtOutR 1, 193, Growth(nNow, nBefore)
        prn.LineOut 5.5, 15, 5.5, 195
        prn.Vars("Clienti") = prn.Nums("Clienti") + 1
        prn.Vars("Recenti") = prn.Nums("Recenti") + nNow
        prn.Vars("Precedenti") = prn.Nums("Precedenti") + nBefore
    End If
    PrintReportRow = True
End Function
)vbs";

const char* const kCustomerYearSummary =
    R"vbs(' =======================================================================
' Consuntivo dell'anno per cliente: ordini dell'anno (annullati esclusi) con
' imponibile, sconti e provvigioni, confrontati con l'obiettivo dell'anno;
' sono elencati i clienti con ordini o con un obiettivo.
Function Orders(dsRow)
    Dim db
    Set db = dsRow.Database
    Set Orders = db.OpenDataSource("Ordini", "Clienti.Codice=" & db.FormatStringForQuery(dsRow.ColValue("Codice")) & _
        " AND NOT Annullato AND Year(DataInserimento) = " & Year(Date))
End Function

Function Goal(dsRow)
    Dim db, g
    Set db = dsRow.Database
    Set g = db.OpenDataSource("ObiettiviClienti", "Clienti.Codice=" & db.FormatStringForQuery(dsRow.ColValue("Codice")) & _
        " AND Anno = " & Year(Date))
    Goal = g.CalculateColValue("Importo", 0)
End Function

Function Reached(nDone, nGoal)
    If nGoal = 0 Then Reached = "" Else Reached = FormatNumber(nDone / nGoal * 100, 1) & " %"
End Function

Sub PrintFigures(prn, y, nOrders, nTaxable, nDiscounts, nCommissions, nGoal)
    prn.TxtOutR y, 90, FormatNumber(nOrders, 0)
    prn.TxtOutR y, 113, FormatNumber(nTaxable, 2)
    prn.TxtOutR y, 133, FormatNumber(nDiscounts, 2)
    prn.TxtOutR y, 153, FormatNumber(nCommissions, 2)
    prn.TxtOutR y, 177, FormatNumber(nGoal, 2)
    prn.TxtOutR y, 193, Reached(nTaxable, nGoal)
End Sub

Function PrintReportMask(ds, prn, bTotal)
    prn.SetFont 14, True, False, "DejaVu Sans"
    prn.TxtOut 10, 15, "Consuntivo clienti " & Year(Date)
    prn.SetFont 9, False, False, ""
    prn.TxtOutR 12, 195, "Pagina " & (prn.ReportModuleCount + 1)
    prn.TxtOut 17, 15, "Ordini dal 01/01/" & Year(Date) & " al " & FormatDateTime(Date, 2) & " e obiettivi dell'anno"
    prn.SetFont 8, True, False, ""
    prn.BoxOut 23, 15, 7, 180, False
    prn.TxtOut 24.5, 17, "Codice"
    prn.TxtOut 24.5, 33, "Ragione sociale"
    prn.TxtOutR 24.5, 90, "Ordini"
    prn.TxtOutR 24.5, 113, "Imponibile"
    prn.TxtOutR 24.5, 133, "Sconti"
    prn.TxtOutR 24.5, 153, "Provvigioni"
    prn.TxtOutR 24.5, 177, "Obiettivo"
    prn.TxtOutR 24.5, 193, "Ragg. %"
    If bTotal Then
        prn.SetFont 8, True, False, ""
        prn.LineOut 272, 15, 272, 195
        prn.TxtOut 275, 17, "Clienti: " & prn.Nums("Clienti")
        PrintFigures prn, 275, prn.Nums("Ordini"), prn.Nums("Imponibile"), prn.Nums("Sconti"), prn.Nums("Provvigioni"), prn.Nums("Obiettivo")
    Else
        prn.SetFont 9, False, True, ""
        prn.TxtOutR 275, 193, "segue..."
    End If
    PrintReportMask = True
End Function

Function PrintReportRow(dsRow, prn, nRow)
    Dim o, nOrders, nTaxable, nDiscounts, nCommissions, nGoal, h
    Set o = Orders(dsRow)
    nOrders = o.RowCount
    nGoal = Goal(dsRow)
    If nOrders = 0 And nGoal = 0 Then
        ' Né ordini né obiettivo: la riga che segue prende il suo posto.
        prn.IgnoreNextNewRow = True
    Else
        nTaxable = o.CalculateColValue("ImportoImponibile", 0)
        nDiscounts = o.CalculateColValue("ImportoSconti", 0)
        nCommissions = o.CalculateColValue("ImportoProvvigioni", 0)
        prn.SetFont 8, False, False, ""
        prn.TxtOut 1, 17, dsRow.ColValue("Codice")
        prn.TxtOut 1, 33, dsRow.ColValue("RagioneSociale"), 46
        PrintFigures prn, 1, nOrders, nTaxable, nDiscounts, nCommissions, nGoal
        ' Una ragione sociale lunga va a capo: la riga si allunga.
        h = prn.RowDimText + 1.5
        If h < 6 Then h = 6
        If h > prn.RowDim Then h = prn.RowDim
        prn.RowDimCur = h
        prn.LineOut h - 0.5, 15, h - 0.5, 195
        prn.Vars("Clienti") = prn.Nums("Clienti") + 1
        prn.Vars("Ordini") = prn.Nums("Ordini") + nOrders
        prn.Vars("Imponibile") = prn.Nums("Imponibile") + nTaxable
        prn.Vars("Sconti") = prn.Nums("Sconti") + nDiscounts
        prn.Vars("Provvigioni") = prn.Nums("Provvigioni") + nCommissions
        prn.Vars("Obiettivo") = prn.Nums("Obiettivo") + nGoal
    End If
    PrintReportRow = True
End Function
)vbs";

}  // namespace demodb::layouts
