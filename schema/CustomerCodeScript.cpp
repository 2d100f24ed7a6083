#include "schema/CustomerCodeScript.h"

#include "schema/NumberingScript.h"

namespace schema {

QString DefaultCustomerCodeScript() {
    return QStringLiteral(
               "' Codice di un nuovo cliente: il prefisso \"NEW\", il codice dell'agente (al piu' 4\r\n"
               "' caratteri), anno, mese e giorno di oggi (un simbolo ciascuno) e un progressivo\r\n"
               "' esadecimale di 3 cifre (da 000 a FFF) per agente e giorno.\r\n"
               "Dim sPref, sBase, sDay, sCand, vMax, objAgente, objCodici, nProgr, nYear\r\n") +
           NumberingScriptConstants() +
           QStringLiteral(
               "Const odbsCheckUpdating = 2\r\n"
               "NewProgr = \"\"\r\n"
               "' Mentre si applicano i dati della sede i clienti arrivano con il loro codice\r\n"
               "If objDS.Database.State = odbsCheckUpdating Then Exit Function\r\n"
               "sPref = \"NEW\"\r\n"
               "Set objAgente = objDS.GetReference(\"Agente\")\r\n"
               "If objAgente.DataEmpty Then Exit Function\r\n"
               "sBase = sPref & Left(objAgente.ColValueStr(\"Codice\"), 4)\r\n"
               "' Dopo l'anno 31 i simboli ricominciano dal primo (il 2032 come il 2001)\r\n"
               "nYear = Year(Date) Mod 100\r\n"
               "sDay = sBase & Mid(CONV_TABLE_NUMBERS, ((nYear + 30) Mod 31) + 1, 1) & _\r\n"
               "    Mid(CONV_TABLE_NUMBERS, Month(Date), 1) & Mid(CONV_TABLE_NUMBERS, Day(Date), 1)\r\n"
               "sCand = sDay & \"000\"\r\n"
               "' Il codice piu' alto gia' dato oggi ai clienti dell'agente (escluso questo cliente)\r\n"
               "Set objCodici = objDS.GetDataSource(objDS.Table.Name, oqoSimple, \"Left(Codice,\" & "
               "Len(sDay) & \")= \" & _\r\n"
               "    objDS.Database.FormatStringForQuery(sDay) & \" AND \" & objDS.RowOIDQueryString(, , "
               "omcMatchNotEqual))\r\n"
               "vMax = objCodici.CalculateColValue(\"Codice\", odbcMax)\r\n"
               "If Not IsNull(vMax) And Not IsEmpty(vMax) Then\r\n"
               "    If CStr(vMax) >= sCand Then\r\n"
               "        nProgr = CLng(\"&H\" & Mid(vMax, Len(sDay) + 1)) + 1\r\n"
               "        If nProgr > &HFFF Then\r\n"
               "            Err.Raise vbObjectError + 1, \"NewProgr\", \"Raggiunto il numero massimo di "
               "nuovi clienti \" & _\r\n"
               "                \"(4096) per l'agente in questa giornata: il codice \" & sDay & \"FFF e' "
               "gia' stato assegnato.\"\r\n"
               "        End If\r\n"
               "        sCand = sDay & Right(\"000\" & Hex(nProgr), 3)\r\n"
               "    End If\r\n"
               "End If\r\n"
               "NewProgr = sCand\r\n");
}

}  // namespace schema
