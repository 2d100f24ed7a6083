// The program's operators; "Amministratore" can be neither renamed,
// demoted nor deleted.

#include "schema/TableClasses.h"

namespace schema {

namespace {

const char* const kAdmin = "Amministratore";

class Utenti : public TableClass {
  public:
    Utenti() : TableClass("Utenti") {}

    void DefineIdentity(TableIdentity& id) override { id.SetFirstOption(1); }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        c.Add("Nome", coltype::Code, 64, 0, {}, 1, NA, NA, true, "Nome o identificativo dell'utente");
        c.Add("Password", coltype::Code, 32, 0, {}, NA, 1, NA, true);
        c.Add("LivelloAccesso", coltype::Integer, 0, 0, {}, 1, NA, NA, true, {},
              "-1|Interrogazione|0|Solo Ordini|1|Amministrazione");
        k.Add("Nome", true);
    }

    void OnUpdatedTableStruct(DataSource& ds, double, double, bool& created) override {
        if (!created) return;
        // The standard users start without password: no question while the
        // table is being created.
        creating_ = true;
        try {
            InsertRow(ds, {{"Nome", kAdmin}, {"LivelloAccesso", 1}});
            InsertRow(ds, {{"Nome", "Operatore"}});
        } catch (...) {
            creating_ = false;
            throw;
        }
        creating_ = false;
    }

    void OnNewRow(DataSource& ds) override {
        Set(ds, "Password", QString());
        Set(ds, "LivelloAccesso", 0);
    }

    void OnBeforeUpdateField(DataSource& ds, const QString& column) override {
        if (IsNewRow(ds)) return;
        if (column.compare(QLatin1String("LivelloAccesso"), Qt::CaseInsensitive) != 0 &&
            column.compare(QLatin1String("Nome"), Qt::CaseInsensitive) != 0)
            return;
        if (Str(ds, "Nome") == QLatin1String(kAdmin))
            Refuse(ds, QStringLiteral("Non è possibile modificare l'utente ") + kAdmin);
    }

    void OnDeleteRow(DataSource& ds) override {
        if (Str(ds, "Nome") == QLatin1String(kAdmin))
            Refuse(ds, QStringLiteral("Non è possibile eliminare l'utente ") + kAdmin);
    }

    void OnUpdateRow(DataSource& ds) override {
        const QString name = Str(ds, "Nome");
        const double level = Num(ds, "LivelloAccesso");
        if (!IsNewRow(ds) && name == QLatin1String(kAdmin) && level < 1)
            Refuse(ds, QStringLiteral("Non è possibile impostare l'utente ") + kAdmin +
                           " con un differente livello di accesso");
        if (!creating_ && (IsAdding(ds) || name.toUpper() != QString(kAdmin).toUpper()) && level == 1 &&
            Str(ds, "Password").isEmpty())
            Confirm(ds, 2,
                    "ATTENZIONE: Password non impostata.\r\r"
                    "Gli utenti abilitati all'amministrazione devono avere una password di sicurezza.\r\r"
                    "Continuare senza ?");
    }

  private:
    bool creating_ = false;
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newUtenti() { return std::make_shared<Utenti>(); }

}  // namespace schema
