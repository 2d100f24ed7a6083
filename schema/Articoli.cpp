// Articles, with the four reserved articles whose code begins with "##".

#include "schema/TableClasses.h"

#include "core/Clock.h"
#include "startup/RunContext.h"

namespace schema {

namespace {

bool isReserved(const QString& code) { return code.startsWith(QLatin1String("##")); }

class Articoli : public TableClass {
  public:
    Articoli() : TableClass("Articoli") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetCaption("Articoli");
        id.SetVersion(2.4);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("Descrizione", coltype::Code, 127, 0, {}, NA, NA, NA, true, "Descrizione dell'articolo");
        c.Add("Codice", coltype::Code, 32, 0, {}, NA, NA, NA, true, "Codice dell'articolo");
        c.Add("CodiceAggiuntivo", coltype::Code, 32, 0, {}, NA, 1, NA, true,
              "Codice aggiuntivo dell'articolo");
        c.Add("Dettagli", coltype::Code, 255, 0, {}, NA, NA, NA, true,
              "Descrizione estesa e dettagliata dell'articolo");
        c.Add("PrezzoBase", coltype::Money, 0, 0, {}, NA, NA, NA, true,
              "Prezzo base netto per l'articolo (IVA esclusa)");
        c.Add("DataInizioDisponibilità", coltype::Date, 0, 0, {}, NA, NA, NA, true,
              "Data prevista di inizio disponibilità per l'articolo", {}, "Date");
        c.Add("Disponibilità", coltype::Integer, 0, 0, {}, NA, NA, NA, true,
              "Quantità disponibile prevista per l'articolo", {}, "Quantità");
        c.Add("ImpegnatoClienti", coltype::Integer, 0, 0, {}, NA, NA, NA, true,
              "Quantità impegnata dai clienti", {}, "Quantità");
        c.Add("InProduzione", coltype::Integer, 0, 0, {}, NA, NA, NA, true, "Quantità in produzione", {},
              "Quantità");
        c.Add("Disabilitato", coltype::Boolean, 0, 0, {}, NA, NA, NA, true,
              "Identifica gli articoli inattivi", {}, "Stato");
        c.Add("Note", coltype::Code, 255, 0, {}, NA, NA, NA, true, "Note aggiuntive");
        AddVersioneAggiornamento(c, 15, "Stato");
        AddInviatoSede(c, NA, "Stato");
        AddAcquisitoSede(c, NA, "Stato");
        AddDataInserimento(c, "Date");
        AddDataModifica(c, "Date");
        r.Add("Categoria", "Categorie", false, false, "Codice", "Descrizione,Complementi", NA, NA, NA,
              "Categoria merceologica di appartenenza");
        r.Add("Linea", "Linee", false, false, "Codice", "Descrizione");
        r.Add("TipoProvvigione", "TipiProvvigione", false, false, "Codice", "Descrizione,Inattivo");
        r.Add("IVA", "CodiciIva", false, false, "Codice", "Descrizione");
        k.Add("Codice", true);
        k.Add("Descrizione", false);
        AddAuditKeys(k);
        k.SetColumnList(
            "Codice,Descrizione,Categoria,Linea,TipoProvvigione,IVA,CodiceAggiuntivo,"
            "DataInizioDisponibilità,Disponibilità,ImpegnatoClienti,InProduzione,Dettagli,Note");
    }

    void OnUpdatedTableStruct(DataSource& ds, double, double, bool& created) override {
        if (!created) return;
        const std::pair<const char*, const char*> reserved[] = {
            {"##NOTA##", "NOTA AGGIUNTIVA"},
            {"##RIFER##", "RIFERIMENTO"},
            {"##DESCR##", "DESCRITTIVA"},
            {"##SERV##", "SERVIZIO"},
        };
        for (const auto& [code, description] : reserved)
            InsertRow(ds, {{"Codice", code},
                           {"Descrizione", description},
                           {"Categoria", ""},
                           {"Linea", ""},
                           {"PrezzoBase", core::Currency()}});
    }

    void OnNewRow(DataSource& ds) override {
        Set(ds, "CodiceAggiuntivo", QString());
        Set(ds, "Dettagli", QString());
        Set(ds, "Disponibilità", 0);
        Set(ds, "ImpegnatoClienti", 0);
        Set(ds, "InProduzione", 0);
        Set(ds, "DataInizioDisponibilità", core::Clock::today());
        Set(ds, "Note", QString());
        SetRef(ds, "IVA", startup::runContext().defaultCodiceIva);
        SetRef(ds, "TipoProvvigione", QString());
        StampNewRow(ds, true);
    }

    void OnUpdateRow(DataSource& ds) override { StampChangedRow(ds); }

    void OnUpdateField(DataSource& ds, const QString& column) override { ProtectExchangeFlags(ds, column); }

    void OnDeleteRow(DataSource& ds) override {
        if (isReserved(Str(ds, "Codice"))) Refuse(ds, msg::NoDelete);
    }

    void OnBeforeUpdateField(DataSource& ds, const QString& column) override {
        if (column.compare(QLatin1String("Codice"), Qt::CaseInsensitive) != 0) return;
        const bool isNew = IsNewRow(ds);
        if (!isNew)
            Confirm(ds, 1,
                    "La variazione del Codice interno potrebbe causare problemi nell'identificazione di "
                    "eventuali "
                    "movimentazioni già effettuate per questo Articolo, continuare ?");
        // The reserved code stays, also after another column of the row was
        // edited first; only a new row and head office's update may write it.
        if (isReserved(Str(ds, "Codice")) && !isNew && DbState(ds) != StateApplyingUpdate)
            Refuse(ds, msg::NoChange);
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newArticoli() { return std::make_shared<Articoli>(); }

}  // namespace schema
