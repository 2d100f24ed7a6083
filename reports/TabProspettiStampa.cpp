// The report layouts: one row per report of a source table, with its sheet
// geometry, printer choice and VBScript instructions.

#include "reports/TabProspettiStampa.h"

#include "core/AppError.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "schema/TableClass.h"
#include "schema/TableClassRegistry.h"

namespace reports {

namespace {

using namespace schema;

class TabProspettiStampa : public TableClass {
  public:
    TabProspettiStampa() : TableClass("TabProspettiStampa") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetCaption("Impostazioni Prospetti Stampa");
        id.SetFirstOption(1);
        id.SetFirstOption(15);
        id.SetVersion(1.5);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        c.Add("NomeTabellaOrigine", coltype::Text, 64);
        c.Add("NomeReference", coltype::Text, 64);
        c.Add("NomeProspetto", coltype::Text, 64);
        c.Add("NomeGruppo", coltype::Text, 64);
        c.Add("NomeStampante", coltype::Text, 64);
        c.Add("RichiediSelezioneStampante", coltype::Boolean);
        c.Add("NumeroColonne", coltype::Integer, 0, 0, {}, NA, NA, NA, true,
              "Numero di moduli (colonne) contenuti in ogni foglio (copie multiple)");
        c.Add("AltezzaModulo", coltype::Single, 0, 0, {}, NA, NA, NA, true,
              "Altezza del modulo espresso in millimetri");
        c.Add("LarghezzaModulo", coltype::Single, 0, 0, {}, NA, NA, NA, true,
              "Larghezza del modulo espresso in millimetri");
        c.Add("MargineSuperiore", coltype::Single, 0, 0, {}, NA, NA, NA, true,
              "Margine superiore del foglio espresso in millimetri");
        c.Add("MargineSinistro", coltype::Single, 0, 0, {}, NA, NA, NA, true,
              "Margine sinistro del foglio espresso in millimetri");
        c.Add(
            "MargineSuperioreRighe", coltype::Single, 0, 0, {}, NA, NA, NA, true,
            "Margine superiore di inizio righe dettaglio rispetto all'inizio modulo espresso in millimetri");
        c.Add("MargineInferioreRighe", coltype::Single, 0, 0, {}, NA, NA, NA, true,
              "Margine inferiore di fine righe dettaglio rispetto all'inizio modulo espresso in millimetri");
        c.Add("AltezzaRigheDettaglio", coltype::Single, 0, 0, {}, NA, NA, NA, true,
              "Altezza di ogni riga di dettaglio espressa in millimetri");
        c.Add("ImmagineSfondo", coltype::TextNoSize, 0, 0, {}, NA, NA, NA, true,
              "Nome completo del file contenente l'immmagine di sfondo (carta intestata)");
        c.Add("MargineInferioreSfondo", coltype::Single, 0, 0, {}, NA, NA, NA, true,
              "Bordo inferiore per l'immagine di sfondo espresso in millimetri");
        c.Add("OrientamentoOrizzontale", coltype::Boolean, 0, 0, {}, NA, NA, NA, true,
              "Orienta i moduli orizzontalmente (ruota di 90 gradi)");
        c.Add("IstruzioniStampa", coltype::LongText, 0, 0, {}, NA, NA, NA, true,
              "Codice di stampa in linguaggio VB Script");
        k.Add("NomeTabellaOrigine", true, "Report").AddColumn("NomeReference").AddColumn("NomeProspetto");
    }

    void OnNewRow(DataSource& ds) override {
        Set(ds, "NomeReference", QString());
        Set(ds, "NomeGruppo", QString());
        Set(ds, "NumeroColonne", 1);
        Set(ds, "AltezzaModulo", 0.0);
        Set(ds, "LarghezzaModulo", 0.0);
        Set(ds, "MargineSuperiore", 0.0);
        Set(ds, "MargineSinistro", 0.0);
        Set(ds, "ImmagineSfondo", QString());
        Set(ds, "MargineInferioreSfondo", 0.0);
        Set(ds, "OrientamentoOrizzontale", false);
        Set(ds, "RichiediSelezioneStampante", false);
    }

    void OnUpdatedTableStruct(DataSource& ds, double, double prev, bool& created) override {
        if (created || prev >= 1.3) return;
        // Layouts of the former table move here. The old table is dropped
        // only once its rows were copied; a file without it stays as it is.
        auto db = ds.Database();
        try {
            db->Execute(
                QStringLiteral("INSERT INTO TabProspettiStampa SELECT * FROM ImpostazioniProspettiStampa"));
        } catch (const core::AppError&) {
            return;
        }
        try {
            db->Execute(QStringLiteral("DROP TABLE ImpostazioniProspettiStampa"));
        } catch (const core::AppError&) {
        }
    }
};

}  // namespace

void registerTableClasses() {
    schema::RegisterTableClass("TabProspettiStampa", [] {
        return std::shared_ptr<datalib::itfDefTable>(std::make_shared<TabProspettiStampa>());
    });
}

}  // namespace reports
