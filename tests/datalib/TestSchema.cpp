#include "TestSchema.h"

#include "datalib/Errors.h"

#include <QFile>

using namespace datalib;

namespace dltest {

TestDb::TestDb(Log& log, double articleVersion) {
    categorie = std::make_shared<TestTable>(QStringLiteral("Categorie"), log);
    categorie->identity = [](TableIdentity& id) {
        id.SetCaption(QStringLiteral("Categorie articoli"));
        id.SetVersion(1.0);
        id.SetFirstOption(1);
    };
    categorie->structure = [](ColumnCollection& c, KeyCollection& k, ReferenceCollection&) {
        c.Add(QStringLiteral("Codice"), coltype::Code, 16);
        c.Add(QStringLiteral("Descrizione"), coltype::Text, 64, 0, {}, -100, -100, -100, true,
              QStringLiteral("Descrizione della categoria"), {}, QStringLiteral("Generale"));
        c.Add(QStringLiteral("Complementi"), coltype::Boolean);
        c.Add(QStringLiteral("Livello"), coltype::Integer, 0, 0, QStringLiteral("0000"), -100, -100, -100,
              true, {}, QStringLiteral("-1|Interrogazione|0|Solo Ordini|1|Amministrazione"));
        k.Add(QStringLiteral("Codice"), true);
        k.Add(QStringLiteral("Descrizione"), false, QStringLiteral("inxDescr"));
    };
    categorie->behaviours[QStringLiteral("OnUpdatedTableStruct")] = [](DataSource& ds, const QString& created,
                                                                       DataSource*) {
        if (!created.isEmpty())
            ds.InsertFromPairs({QStringLiteral("Codice"), QString(), QStringLiteral("Descrizione"), QString(),
                                QStringLiteral("NonDichiarata"), QStringLiteral("x")});
    };

    articoli = std::make_shared<TestTable>(QStringLiteral("Articoli"), log);
    articoli->identity = [articleVersion](TableIdentity& id) { id.SetVersion(articleVersion); };
    articoli->structure = [articleVersion](ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) {
        c.Add(QStringLiteral("Codice"), coltype::Code, 16);
        c.Add(QStringLiteral("Descrizione"), coltype::Text, 64);
        c.Add(QStringLiteral("PrezzoBase"), coltype::Money);
        c.Add(QStringLiteral("Disabilitato"), coltype::Boolean);
        c.Add(QStringLiteral("DataInserimento"), coltype::DateTime);
        if (articleVersion >= 2) c.Add(QStringLiteral("Note"), coltype::Text, 255);
        r.Add(QStringLiteral("Categoria"), QStringLiteral("Categorie"), false, false,
              QStringLiteral("Codice"), QStringLiteral("Descrizione"));
        k.Add(QStringLiteral("Codice"), true);
        k.Add(QStringLiteral("Descrizione"), false);
    };

    righe = std::make_shared<TestTable>(QStringLiteral("RigheOrdini"), log);
    righe->identity = [](TableIdentity& id) {
        id.SetBaseTable(QStringLiteral("Articoli"));
        id.SetFirstOption(0);
        id.SetFirstOption(1);
        id.SetVersion(2.1);
    };
    righe->structure = [](ColumnCollection& c, KeyCollection& k, ReferenceCollection&) {
        c.Add(QStringLiteral("NumeroOrdine"), coltype::Code, 32);
        c.Add(QStringLiteral("PosizioneRiga"), coltype::Integer);
        c.Add(QStringLiteral("QuantitàOrdine"), coltype::Number);
        c.Add(QStringLiteral("PrezzoVendita"), coltype::Money);
        c.Add(QStringLiteral("ImportoImponibile"), coltype::Money);
        k.Add(QStringLiteral("NumeroOrdine"), true, QStringLiteral("inxRighe"))
            .AddColumn(QStringLiteral("PosizioneRiga"));
    };

    ordini = std::make_shared<TestTable>(QStringLiteral("Ordini"), log);
    ordini->identity = [](TableIdentity& id) {
        id.SetVersion(4.2);
        id.SetCaption(QStringLiteral("Ordini"));
    };
    ordini->structure = [](ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) {
        c.Add(QStringLiteral("Numero"), coltype::Code, 16);
        c.Add(QStringLiteral("Completato"), coltype::Boolean);
        c.Add(QStringLiteral("NonModificabile"), coltype::Boolean);
        c.Add(QStringLiteral("ImportoImponibile"), coltype::Money);
        c.Add(QStringLiteral("Note"), coltype::Text, 255);
        c.Add(QStringLiteral("DataRichiestaConsegna"), coltype::Date);
        r.Add(QStringLiteral("Categoria"), QStringLiteral("Categorie"), false, false,
              QStringLiteral("Codice"));
        r.Add(QStringLiteral("Righe"), QStringLiteral("RigheOrdini"), true, true, QStringLiteral("Codice"),
              QStringLiteral("Descrizione,QuantitàOrdine"));
        k.Add(QStringLiteral("Numero"), true, QStringLiteral("InxOrdini"));
        k.SetColumnList(QStringLiteral("Numero,Righe"));
    };
}

void TestDb::Define(TableRegistry& reg) {
    reg.RegisterTable(categorie);
    reg.RegisterTable(articoli);
    reg.RegisterTable(righe);
    reg.RegisterTable(ordini);
    if (extra) extra(reg);
}

int errorCode(const std::function<void()>& f) {
    try {
        f();
    } catch (const core::AppError& e) {
        return errors::code(e);
    }
    return 0;
}

void Fixture::open(double articleVersion, const QString& password) {
    close();
    def = std::make_unique<TestDb>(log, articleVersion);
    if (!QFile::exists(path())) engine.Create(3, path(), QString(), password);
    engine.Open(3, path(), QString(), password);
    db = Application::OpenDatabase(engine, *def, QStringLiteral("zelt"), &sink);
}

void Fixture::close() {
    db.reset();
    engine.Close();
}

}  // namespace dltest
