// The label layouts: at most one row per source table, with the label sheet
// geometry, the printer choice and the VBScript that draws one label.

#include "labels/TabStampaEtichette.h"

#include "schema/TableClass.h"
#include "schema/TableClassRegistry.h"

namespace labels {

namespace {

using namespace schema;

class TabStampaEtichette : public TableClass {
  public:
    TabStampaEtichette() : TableClass("TabStampaEtichette") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetCaption("Impostazioni Stampa Etichette");
        id.SetFirstOption(1);
        id.SetFirstOption(255);
        id.SetVersion(1.5);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        c.Add("NomeTabellaOrigine", coltype::Text, 64);
        c.Add("NomeStampante", coltype::Text, 64);
        c.Add("RichiediSelezioneStampante", coltype::Boolean);
        c.Add("NumeroColonne", coltype::Integer, 0, 0, {}, NA, NA, NA, true,
              "Numero di colonne delle etichette per ogni riga");
        c.Add("AltezzaEtichetta", coltype::Single, 0, 0, {}, NA, NA, NA, true,
              "Altezza di ogni etichetta espressa in millimetri");
        c.Add("LarghezzaEtichetta", coltype::Single, 0, 0, {}, NA, NA, NA, true,
              "Larghezza di ogni etichetta espressa in millimetri");
        c.Add("MargineSuperiore", coltype::Single, 0, 0, {}, NA, NA, NA, true,
              "Margine superiore del foglio di inizio etichette espresso in millimetri");
        c.Add("MargineSinistro", coltype::Single, 0, 0, {}, NA, NA, NA, true,
              "Margine sinistro del foglio di inizio etichette espresso in millimetri");
        c.Add("IstruzioniStampa", coltype::LongText, 0, 0, {}, NA, NA, NA, true,
              "Codice di stampa in linguaggio VB Script");
        c.Add("OrientamentoOrizzontale", coltype::Boolean, 0, 0, {}, NA, NA, NA, true,
              "Orienta i moduli orizzontalmente (ruota di 90 gradi)");
        c.Add("AbilitaPosizionamento", coltype::Boolean, 0, 0, {}, NA, NA, NA, true,
              "Richiede all'utente il numero di eventuali etichette da saltare");
        c.Add("NumeroCopie", coltype::Integer);
        k.Add("NomeTabellaOrigine", true);
    }

    void OnNewRow(DataSource& ds) override {
        Set(ds, "OrientamentoOrizzontale", false);
        Set(ds, "AbilitaPosizionamento", true);
        Set(ds, "RichiediSelezioneStampante", false);
        Set(ds, "NumeroCopie", 1);
    }
};

}  // namespace

void registerTableClasses() {
    schema::RegisterTableClass("TabStampaEtichette", [] {
        return std::shared_ptr<datalib::itfDefTable>(std::make_shared<TabStampaEtichette>());
    });
}

}  // namespace labels
