#pragma once
// A small schema in the shape of the program's tables and an SQLite database
// laid out as the data library stores them, for the query-language tests and
// benchmark. Header-only so that the benchmark can use it too.

#include "datalib/Definitions.h"
#include "datalib/query/QueryTranslator.h"

#include <sqlite3.h>

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace querytest {

using datalib::TableDef;
using datalib::query::SqlValue;
namespace ct = datalib::coltype;

using Row = std::vector<std::pair<QString, SqlValue>>;

class Schema {
  public:
    Schema() {
        TableDef& comuni = add("Comuni");
        comuni.columns.Add("Codice", ct::Code, 16);
        comuni.columns.Add("Descrizione", ct::Text, 64);
        comuni.columns.Add("Provincia", ct::Code, 2);

        TableDef& pag = add("TipiPagamento");
        pag.columns.Add("Codice", ct::Code, 16);
        pag.columns.Add("Descrizione", ct::Text, 64);
        pag.columns.Add("Predefinito", ct::Boolean);

        TableDef& agenti = add("Agenti");
        agenti.columns.Add("Codice", ct::Code, 16);
        agenti.columns.Add("RagioneSociale", ct::Code, 64);
        agenti.references.Add("PostazioniInstallate", "PostazioniAgenti", true, true, "Codice");

        TableDef& post = add("PostazioniAgenti");
        post.columns.Add("CodiceAgente", ct::Text, 16);
        post.columns.Add("Progressivo", ct::Integer);

        TableDef& listini = add("Listini");
        listini.columns.Add("Codice", ct::Code, 16);
        listini.columns.Add("Descrizione", ct::Text, 64);

        TableDef& clienti = add("Clienti");
        clienti.columns.Add("Codice", ct::Code, 16);
        clienti.columns.Add("RagioneSociale", ct::Code, 64);
        clienti.columns.Add("Provincia", ct::Code, 2);
        clienti.columns.Add("Inattivo", ct::Boolean);
        clienti.columns.Add("ConfermatoSede", ct::Boolean);
        clienti.references.Add("Agente", "Agenti", false, false, "Codice");
        clienti.references.Add("Città", "Comuni");
        clienti.references.Add("TipoPagamentoAbituale", "TipiPagamento", false, false, "Codice");

        TableDef& linee = add("Linee");
        linee.columns.Add("Codice", ct::Code, 16);
        linee.columns.Add("Descrizione", ct::Text, 64);
        linee.columns.Add("Disabilitato", ct::Boolean);

        TableDef& cat = add("Categorie");
        cat.columns.Add("Codice", ct::Code, 16);
        cat.columns.Add("Descrizione", ct::Text, 64);
        cat.columns.Add("Complementi", ct::Boolean);
        cat.columns.Add("Disabilitato", ct::Boolean);

        TableDef& tipi = add("TipiProvvigione");
        tipi.columns.Add("Codice", ct::Code, 16);
        tipi.columns.Add("Descrizione", ct::Text, 64);
        tipi.columns.Add("Inattivo", ct::Boolean);

        TableDef& art = add("Articoli");
        art.columns.Add("Codice", ct::Code, 16);
        art.columns.Add("CodiceAggiuntivo", ct::Code, 16);
        art.columns.Add("Descrizione", ct::Text, 127);
        art.columns.Add("PrezzoBase", ct::Money);
        art.columns.Add("Disabilitato", ct::Boolean);
        art.references.Add("Categoria", "Categorie", false, false, "Codice");
        art.references.Add("Linea", "Linee", false, false, "Codice");
        art.references.Add("TipoProvvigione", "TipiProvvigione", false, false, "Codice");

        TableDef& promo = add("Promozioni");
        promo.columns.Add("Codice", ct::Code, 16);
        promo.columns.Add("Descrizione", ct::Text, 127);
        promo.columns.Add("DataInizioPromozione", ct::Date);
        promo.columns.Add("DataFinePromozione", ct::Date);
        promo.columns.Add("Disabilitato", ct::Boolean);
        promo.references.Add("Elementi", "PromozioniArticoli", true, true, "Codice");

        TableDef& pa = add("PromozioniArticoli", "Articoli");
        pa.columns.Add("CodicePromozione", ct::Code, 16);
        pa.columns.Add("PercentualeSconto", ct::Number);

        TableDef& ordini = add("Ordini");
        ordini.columns.Add("Numero", ct::Code, 16);
        ordini.columns.Add("NumeroSede", ct::Code, 16);
        ordini.columns.Add("Approvato", ct::Boolean);
        ordini.columns.Add("Annullato", ct::Boolean);
        ordini.columns.Add("Completato", ct::Boolean);
        ordini.columns.Add("NonModificabile", ct::Boolean);
        ordini.columns.Add("InviatoSede", ct::Boolean);
        ordini.columns.Add("DataInserimento", ct::DateTime);
        ordini.columns.Add("DataModifica", ct::DateTime);
        ordini.references.Add("Agente", "Agenti", false, false, "Codice");
        ordini.references.Add("Cliente", "Clienti", false, false, "Codice");
        ordini.references.Add("Listino", "Listini", false, false, "Codice");
        ordini.references.Add("Righe", "RigheOrdini", true, true, "Codice");

        TableDef& righe = add("RigheOrdini", "Articoli");
        righe.columns.Add("NumeroOrdine", ct::Code, 32);
        righe.columns.Add("PosizioneRiga", ct::Integer);
        righe.columns.Add("QuantitàOrdine", ct::Number);
        righe.columns.Add("QuantitàEvasa", ct::Number);
        righe.columns.Add("ImportoImponibile", ct::Money);
        righe.columns.Add("ImportoSconto", ct::Money);
        righe.columns.Add("DescrizioneAggiuntiva", ct::Text, 64);
        righe.references.Add("Promozione", "Promozioni", false, false, "Codice");

        TableDef& prov = add("ProvvigioniAgenti");
        prov.columns.Add("PercentualeProvvigione", ct::Number);
        prov.references.Add("Agente", "Agenti", false, false, "Codice");
        prov.references.Add("Tipo", "TipiProvvigione", false, false, "Codice");

        TableDef& prosp = add("TabProspettiStampa");
        prosp.columns.Add("NomeTabellaOrigine", ct::Code, 64);
        prosp.columns.Add("NomeReference", ct::Code, 64);
        prosp.columns.Add("NomeProspetto", ct::Code, 64);
        prosp.columns.Add("NomeGruppo", ct::Code, 64);

        // What the library does once every table is defined.
        for (auto& [key, t] : tables_) {
            if (auto b = bases_.find(key); b != bases_.end()) t->base = get(b->second);
            for (int i = 0; i < t->references.Count(); ++i) {
                const auto& r = t->references.Item(i);
                if (r.collection) tables_.at(r.table.toUpper())->parents.push_back(&r);
            }
        }
    }

    const TableDef* get(const QString& name) const {
        auto it = tables_.find(name.toUpper());
        return it == tables_.end() ? nullptr : it->second.get();
    }
    const TableDef& operator[](const QString& name) const {
        const TableDef* t = get(name);
        if (!t) throw std::runtime_error("no table " + name.toStdString());
        return *t;
    }
    datalib::query::TableLookup lookup() const {
        return [this](const QString& name) { return get(name); };
    }

    // CREATE TABLE statements in the library's layout.
    QStringList ddl() const {
        QStringList out;
        for (const auto& [key, t] : tables_) {
            QStringList cols{QStringLiteral("\"OID\" INTEGER PRIMARY KEY")};
            for (int i = 0; i < t->columns.Count(); ++i) {
                const auto& c = t->columns.Item(i);
                QString type = QStringLiteral("TEXT");
                if (c.type == ct::Boolean)
                    type = QStringLiteral("INTEGER NOT NULL DEFAULT 0");
                else if (c.type == ct::Integer)
                    type = QStringLiteral("INTEGER");
                else if (ct::isNumeric(c.type))
                    type = QStringLiteral("REAL");
                cols << QStringLiteral("\"%1\" %2").arg(c.name, type);
            }
            for (int i = 0; i < t->references.Count(); ++i) {
                const auto& r = t->references.Item(i);
                if (!r.collection)
                    cols << QStringLiteral("\"%1\" %2")
                                .arg(r.name, r.keyColumn.isEmpty() ? "INTEGER" : "TEXT");
            }
            if (t->base) cols << QStringLiteral("\"%1\" INTEGER").arg(t->baseLinkColumn());
            for (const auto* p : t->parents)
                cols << QStringLiteral("\"%1\" INTEGER").arg(p->parentLinkColumn());
            out << QStringLiteral("CREATE TABLE \"%1\" (%2)").arg(t->name(), cols.join(", "));
            // The indexes the library keeps: identifying codes and the links.
            QStringList indexed;
            if (t->columns.find("Codice")) indexed << QStringLiteral("Codice");
            if (t->base) indexed << t->baseLinkColumn();
            for (const auto* p : t->parents) indexed << p->parentLinkColumn();
            for (const QString& c : indexed)
                out << QStringLiteral("CREATE INDEX \"%1_%2\" ON \"%1\" (\"%2\")").arg(t->name(), c);
        }
        return out;
    }

  private:
    TableDef& add(const QString& name, const QString& base = {}) {
        auto t = std::make_unique<TableDef>(name);
        TableDef& ref = *t;
        tables_[name.toUpper()] = std::move(t);
        if (!base.isEmpty()) bases_[name.toUpper()] = base;
        return ref;
    }

    std::map<QString, std::unique_ptr<TableDef>> tables_;
    std::map<QString, QString> bases_;
};

// An in-memory SQLite database with the schema's tables.
class Db {
  public:
    explicit Db(const Schema& schema, const QString& file = QStringLiteral(":memory:")) {
        if (sqlite3_open(file.toUtf8().constData(), &db_) != SQLITE_OK) throw std::runtime_error("open");
        exec("PRAGMA journal_mode=MEMORY");
        for (const QString& s : schema.ddl()) exec(s);
    }
    ~Db() { sqlite3_close(db_); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    sqlite3* handle() const { return db_; }

    void exec(const QString& sql) {
        char* err = nullptr;
        if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::string m = err ? err : "?";
            sqlite3_free(err);
            throw std::runtime_error(m + " in " + sql.toStdString());
        }
    }

    qint64 insert(const QString& table, const Row& row) {
        QStringList names;
        QStringList marks;
        std::vector<SqlValue> values;
        for (const auto& [n, v] : row) {
            names << QStringLiteral("\"%1\"").arg(n);
            marks << QStringLiteral("?%1").arg(values.size() + 1);
            values.push_back(v);
        }
        const QString sql = QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                                .arg(table, names.join(","), marks.join(","));
        sqlite3_stmt* st = prepare(sql);
        datalib::bindSqlValues(st, values);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) throw std::runtime_error(std::string("insert: ") + sqlite3_errmsg(db_));
        return sqlite3_last_insert_rowid(db_);
    }

    sqlite3_stmt* prepare(const QString& sql) const {
        sqlite3_stmt* st = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in " + sql.toStdString());
        return st;
    }

    // Runs a translated query; each row as the texts of its columns.
    std::vector<QStringList> run(const datalib::query::SqlQuery& q) const {
        sqlite3_stmt* st = prepare(q.sql());
        datalib::bindSqlValues(st, q.params);
        std::vector<QStringList> rows;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            QStringList r;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                const unsigned char* t = sqlite3_column_text(st, i);
                r << (t ? QString::fromUtf8(reinterpret_cast<const char*>(t)) : QStringLiteral("<null>"));
            }
            rows.push_back(r);
        }
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) throw std::runtime_error(std::string("step: ") + sqlite3_errmsg(db_));
        return rows;
    }

    qint64 count(const QString& table) const {
        sqlite3_stmt* st = prepare(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table));
        sqlite3_step(st);
        const qint64 n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return n;
    }

  private:
    sqlite3* db_ = nullptr;
};

}  // namespace querytest
