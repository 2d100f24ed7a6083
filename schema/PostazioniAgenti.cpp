// The installed workstations of an agent, created only from within the agent.

#include "schema/TableClasses.h"

#include "core/Clock.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"

namespace schema {

namespace {

class PostazioniAgenti : public TableClass {
  public:
    PostazioniAgenti() : TableClass("PostazioniAgenti") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.2);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        c.Add("CodiceAgente", coltype::Text, 16, 0, {}, 15, NA, NA, true, "Codice dell'Agente");
        c.Add("Progressivo", coltype::Integer, 0, 0, {}, 15);
        c.Add("Descrizione", coltype::Text, 64);
        c.Add("DataAttivazione", coltype::Date, 0, 0, {}, 1);
        c.Add("Disabilitato", coltype::Boolean, 0, 0, {}, NA, NA, NA, true,
              "Identifica se la postazione è inattiva");
        c.Add("Note", coltype::Code, 255);
        k.Add("CodiceAgente", true, "InxPostazione").AddColumn("Progressivo");
        k.Add("Descrizione", false);
    }

    void OnNewRow(DataSource& ds) override {
        std::shared_ptr<DataSource> agent = ds.Parent();
        const bool underAgent = agent && agent->RowValid();
        if (!underAgent && DbState(ds) != StateApplyingUpdate) {
            Refuse(ds, "Puoi inserire la postazione solo all'interno dell'Agente");
            return;
        }
        QString agentCode;
        if (underAgent) {
            agentCode = agent->ColValueStr("Codice");
            Set(ds, "CodiceAgente", agentCode);
        }
        Set(ds, "DataAttivazione", core::Clock::today());
        Set(ds, "Disabilitato", false);
        Set(ds, "Note", QString());
        if (!underAgent) return;
        // The next free number among this agent's workstations (0 for the first).
        auto stations = ds.GetDataSource(
            ds.tableDef().name(), 0,
            QStringLiteral("CodiceAgente=") + ds.Database()->FormatStringForQuery(agentCode));
        const std::int32_t next =
            stations->DataEmpty()
                ? 0
                : std::int32_t(stations->CalculateColValue("Progressivo", 2).toDouble()) + 1;
        Set(ds, "Progressivo", next);
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newPostazioniAgenti() { return std::make_shared<PostazioniAgenti>(); }

}  // namespace schema
