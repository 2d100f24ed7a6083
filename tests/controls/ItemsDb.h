#pragma once
// The small articles table that the controls' tests work on, in a database
// file of its own.

#include "datalib/Definitions.h"
#include "support/AgentDatabase.h"

#include <memory>

namespace controlstest {

class Items : public datalib::itfDefTable, public datalib::itfSetData {
  public:
    QString TableName() const override { return QStringLiteral("Articoli"); }
    void DefineIdentity(datalib::TableIdentity& id) override { id.SetCaption(QStringLiteral("Articoli")); }
    void DefineStructure(datalib::ColumnCollection& c, datalib::KeyCollection& k,
                         datalib::ReferenceCollection&) override {
        c.Add("Codice", datalib::coltype::Code, 16);
        c.Add("Descrizione", datalib::coltype::Code, 64);
        c.Add("Prezzo", datalib::coltype::Money);
        c.Add("Disabilitato", datalib::coltype::Boolean);
        c.Add("Stato", datalib::coltype::Code, 1, 0, {}, -100, -100, -100, true, {}, "A|Attivo|S|Sospeso");
        k.Add("Codice", true);
    }
    void DefineDefaultData(datalib::itfSetData*& sink) override { sink = this; }
};

class Definition : public datalib::itfDefDatabase {
  public:
    void Define(datalib::TableRegistry& r) override { r.RegisterTable(std::make_shared<Items>()); }
};

// A temporary database with the table alone.
class ItemsDb : public testsupport::AgentDatabase {
  public:
    ItemsDb() : AgentDatabase(options()) {}

  private:
    static Options options() {
        static Definition definition;
        Options o;
        o.definition = &definition;
        o.withSink = false;
        return o;
    }
};

}  // namespace controlstest
