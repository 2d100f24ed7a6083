// Declarations of the columns and keys that many tables share.

#include "schema/TableClass.h"

namespace schema {

namespace {
const char* const kDescVersione = "Indica la versione dell'elemento legata all'aggiornamento dell'archivio";
}

void TableClass::AddVersioneAggiornamento(ColumnCollection& cols, int attrA, const QString& group) {
    cols.Add("VersioneAggiornamento", coltype::Number, 0, 0, {}, attrA, NA, NA, true, kDescVersione, {},
             group);
}

void TableClass::AddDataInserimento(ColumnCollection& cols, const QString& group) {
    cols.Add("DataInserimento", coltype::DateTime, 0, 0, {}, 15, NA, NA, true, "Data di inserimento", {},
             group);
}

void TableClass::AddDataModifica(ColumnCollection& cols, const QString& group) {
    cols.Add("DataModifica", coltype::DateTime, 0, 0, {}, 15, NA, NA, true, "Data dell'ultima modifica", {},
             group);
}

void TableClass::AddAuditColumns(ColumnCollection& cols) {
    AddVersioneAggiornamento(cols);
    AddDataInserimento(cols);
    AddDataModifica(cols);
}

void TableClass::AddInviatoSede(ColumnCollection& cols, int attrB, const QString& group) {
    cols.Add("InviatoSede", coltype::Boolean, 0, 0, {}, 1, attrB, NA, true,
             "Indica se è stato inviato alla sede", {}, group);
}

void TableClass::AddAcquisitoSede(ColumnCollection& cols, int attrB, const QString& group) {
    cols.Add("AcquisitoSede", coltype::Boolean, 0, 0, {}, 1, attrB, NA, true,
             "Indica se è stato acquisito dalla sede", {}, group);
}

void TableClass::AddAuditKeys(KeyCollection& keys) {
    keys.Add("DataInserimento", false);
    keys.Add("DataModifica", false);
    keys.Add("VersioneAggiornamento", false);
}

void TableClass::AddCodeAndDescription(ColumnCollection& cols, int descriptionType, int descriptionLength,
                                       const QString& description) {
    cols.Add("Codice", coltype::Code, 16);
    cols.Add("Descrizione", descriptionType, descriptionLength, 0, {}, NA, NA, NA, true, description);
}

void TableClass::AddCodeKeys(KeyCollection& keys) {
    keys.Add("Codice", true);
    keys.Add("Descrizione", false);
}

}  // namespace schema
