#include "DemoArchive.h"
#include "DemoLayouts.h"

#include "DemoData.h"

#include "app/AllTableClasses.h"
#include "core/AppError.h"
#include "core/Clock.h"
#include "core/Money.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "schema/CustomerCodeScript.h"
#include "schema/DB.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"

#include <QElapsedTimer>
#include <QHash>
#include <map>

namespace demodb {

namespace {

using core::Currency;
using core::Date;
using core::Variant;
using Pairs = std::vector<Variant>;

const char* const kDateSymbols = "1234567890ABCDEFGHILMNOPQRSTUVZ";

Date addDays(Date d, int days) { return Date(d.serial() + days); }

QString dateText(Date d) { return d.toQDate().toString(QStringLiteral("dd/MM/yyyy")); }

struct ArticleInfo {
    QString code;
    Currency basePrice;
    double vat = 20;
    QString commissionType;
};

struct CustomerInfo {
    QString code;
    QString priceList;
    double discount = 0;
    QString bank;
    QString payment;
};

class Builder {
  public:
    Builder(datalib::Database& db, Generator& gen, long size,
            const std::function<void(const QString&)>& report)
        : db_(db), gen_(gen), size_(size), large_(size >= 100000), report_(report) {}

    DemoSummary run() {
        today_ = core::Clock::today();
        clock_.start();
        parameters();
        places();
        codeTables();
        agent();
        articles();
        priceLists();
        promotionsAndKits();
        customers();
        goalsAndRates();
        orders();
        reportLayouts();
        labelLayouts();
        return summary_;
    }

  private:
    // A data source kept open per table for the inserts (it selects no stored row).
    std::shared_ptr<datalib::DataSource> target(const QString& table) {
        auto it = targets_.find(table);
        if (it != targets_.end()) return it->second;
        auto ds = db_.OpenDataSource(table, QStringLiteral("OID = 0"));
        targets_.emplace(table, ds);
        return ds;
    }

    Variant insert(const QString& table, const Pairs& pairs) { return target(table)->InsertFromPairs(pairs); }

    void step(const QString& what, long rows) {
        report_(QStringLiteral("%1: %2 righe (%3 s)")
                    .arg(what)
                    .arg(rows)
                    .arg(clock_.elapsed() / 1000.0, 0, 'f', 1));
    }

    void progress(const QString& what, long done, long total) {
        if (large_ && done % std::max(20000L, total / 20) == 0)
            report_(QStringLiteral("  %1: %2 di %3").arg(what).arg(done).arg(total));
    }

    // ---- places and code tables ------------------------------------------------
    void places() {
        for (const char* nation : {"Francia", "Germania", "Svizzera", "Austria", "Spagna"})
            insert("Nazioni", {"Descrizione", nation});
        auto italia = db_.OpenDataSource("Nazioni", "Descrizione = 'Italia'");
        italia->RowFirst();
        const Variant italiaKey = italia->RowKey();

        auto existing = db_.OpenDataSource("Comuni");
        for (existing->RowFirst(); !existing->Eof(); existing->RowNext())
            townKeys_.insert(existing->ColValueStr("Descrizione"), existing->RowKey());
        for (const Town& town : Towns()) {
            if (townKeys_.contains(town.name)) continue;
            townKeys_.insert(town.name, insert("Comuni", {"Descrizione", town.name, "CAP", town.cap,
                                                          "Provincia", town.province, "Nazione", italiaKey}));
        }
        step("Comuni e nazioni", long(Towns().size()) + 5);
    }

    void codeTables() {
        const std::vector<std::pair<const char*, const char*>> payments = {
            {"RIBA30", "Ri.Ba. 30 gg d.f."},     {"RIBA60", "Ri.Ba. 60 gg d.f."},
            {"BB30", "Bonifico bancario 30 gg"}, {"RD", "Rimessa diretta"},
            {"CONTR", "Contrassegno"},
        };
        for (const auto& [code, text] : payments) {
            insert("TipiPagamento", {"Codice", code, "Descrizione", text});
            payments_ << code;
        }
        struct Bank {
            const char *code, *name, *branch, *abi, *cab, *town;
        };
        const Bank banks[] = {
            {"BPN01", "Banca Popolare del Nord", "Milano Centro", "05034", "01600", "Milano"},
            {"CRV01", "Cassa di Risparmio Veneta", "Verona Porta Nuova", "06225", "11700", "Verona"},
            {"BCE01", "Banca di Credito Emiliano", "Bologna San Felice", "03032", "02400", "Bologna"},
            {"BAT01", "Banca dell'Adriatico", "Ancona Centro", "05308", "02600", "Ancona"},
            {"CRT01", "Credito Toscano", "Firenze Novoli", "06160", "02800", "Firenze"},
        };
        for (const Bank& b : banks) {
            insert("Banche", {"Codice", b.code, "Nome", b.name, "Agenzia", b.branch, "ABI", b.abi, "CAB",
                              b.cab, "Città", townKeys_.value(b.town)});
            banks_ << b.code;
        }
        insert("TipiPorto", {"Codice", "FRA", "Descrizione", "Franco destino"});
        insert("TipiPorto", {"Codice", "ASS", "Descrizione", "Porto assegnato"});
        for (const auto& [code, text] :
             std::vector<std::pair<const char*, const char*>>{{"NORD", "Italia settentrionale"},
                                                              {"CENTRO", "Italia centrale"},
                                                              {"SUD", "Italia meridionale"},
                                                              {"ISOLE", "Sicilia e Sardegna"}})
            insert("ZoneGeografiche", {"Codice", code, "Descrizione", text});
        insert("Vettori", {"Codice", "TRR", "RagioneSociale", "Trasporti Rapidi Riuniti S.r.l."});
        insert("Vettori", {"Codice", "CEL", "RagioneSociale", "Corriere Espresso Lombardo S.p.A."});
        insert("Vettori", {"Codice", "AUB", "RagioneSociale", "Autotrasporti Bianchi & C. S.n.c."});
        insert("Fornitori",
               {"RagioneSociale", "Zelt Distribuzione S.p.A.", "Indirizzo", "Via dell'Industria, 12",
                "PartitaIVA", gen_.partitaIva(), "Predefinito", true, "Città", townKeys_.value("Milano")});
        insert("Fornitori", {"RagioneSociale", "Metalli Lombardi S.r.l.", "Indirizzo", "Via Volta, 4",
                             "PartitaIVA", gen_.partitaIva(), "Città", townKeys_.value("Brescia")});
        insert("Fornitori", {"RagioneSociale", "Colorificio Adriatico S.n.c.", "Indirizzo", "Via Marconi, 88",
                             "PartitaIVA", gen_.partitaIva(), "Città", townKeys_.value("Pescara")});
        insert("TipiDocumento", {"Codice", "DDT", "Descrizione", "Documento di trasporto"});
        insert("TipiDocumento", {"Codice", "FT", "Descrizione", "Fattura"});
        for (const Line& l : Lines()) insert("Linee", {"Codice", l.code, "Descrizione", l.description});
        for (const Category& c : Categories())
            insert("Categorie",
                   {"Codice", c.code, "Descrizione", c.description, "Complementi", c.complements});
        const std::vector<std::pair<const char*, const char*>> kinds = {{"STD", "Provvigione standard"},
                                                                        {"PRO", "Articoli in promozione"},
                                                                        {"RID", "Provvigione ridotta"}};
        for (const auto& [code, text] : kinds)
            insert("TipiProvvigione", {"Codice", code, "Descrizione", text});
        step("Tabelle di codici", 40);
    }

    void agent() {
        insert("Agenti", {"Codice", kDemoAgent, "RagioneSociale", "Agente dimostrativo", "Provvigione", 5.0,
                          "Indirizzo", "Via Roma, 1", "Città", townKeys_.value("Milano"), "PartitaIva",
                          gen_.partitaIva(), "Telefono", "02 5550100", "EMail", "demo@zeltorder.example"});
        insert("Agenti", {"Codice", "NORD", "RagioneSociale", "Agente area nord", "Provvigione", 4.0});
        auto demo = db_.OpenDataSource("Agenti", QStringLiteral("Codice = '%1'").arg(kDemoAgent));
        demo->RowFirst();
        demo->GetReference("PostazioniInstallate")
            ->InsertFromPairs({"Progressivo", kDemoWorkstation, "Descrizione", "Portatile dell'agente"});
        step("Agenti e postazioni", 3);
    }

    // ---- articles and prices ---------------------------------------------------------
    void articles() {
        const long count = size_ > 0 ? size_ : 2000;
        const std::vector<std::pair<QString, double>> vat = {{"IVA20", 20}, {"IVA10", 10}, {"IVA04", 4}};
        const QStringList kinds = {"STD", "STD", "STD", "RID", "PRO"};
        articles_.reserve(size_t(count));
        db_.BeginTrans();
        for (long i = 1; i <= count; ++i) {
            const Category& cat = gen_.pick(Categories());
            const Line& line = Lines().at(size_t(cat.line));
            QString details;
            const QString description =
                gen_.articleDescription(cat.line, &details) + QStringLiteral(" art. %1").arg(i);
            ArticleInfo a;
            a.code = QStringLiteral("%1%2").arg(QString::fromLatin1(line.code)).arg(i, 6, 10, QChar(u'0'));
            a.basePrice = core::roundMoney(gen_.number(50, 50000) / 100.0);
            const auto& [vatCode, vatRate] = gen_.chance(0.85) ? vat[0] : gen_.pick(vat);
            a.vat = vatRate;
            a.commissionType = kinds.at(gen_.number(0, int(kinds.size()) - 1));
            insert("Articoli", {"Codice",
                                a.code,
                                "Descrizione",
                                description,
                                "CodiceAggiuntivo",
                                gen_.ean13(),
                                "Dettagli",
                                details,
                                "PrezzoBase",
                                a.basePrice,
                                "Categoria",
                                cat.code,
                                "Linea",
                                line.code,
                                "IVA",
                                vatCode,
                                "TipoProvvigione",
                                a.commissionType,
                                "Disponibilità",
                                gen_.number(0, 500),
                                "DataInizioDisponibilità",
                                addDays(today_, -gen_.number(0, 400)),
                                "Disabilitato",
                                gen_.chance(0.02)});
            articles_.push_back(a);
            progress("Articoli", i, count);
        }
        db_.CommitTrans();
        summary_.articles = count;
        step("Articoli", count);
    }

    void priceLists() {
        insert("Listini", {"Codice", "ING", "Descrizione", "Listino ingrosso"});
        insert("Listini", {"Codice", "DET", "Descrizione", "Listino dettaglio"});
        db_.BeginTrans();
        long rows = 0;
        for (const ArticleInfo& a : articles_) {
            insert("ListiniArticoli", {"Articolo", a.code, "Listino", "ING", "PrezzoVendita",
                                       core::roundMoney(a.basePrice.toDouble() * 0.90)});
            insert("ListiniArticoli", {"Articolo", a.code, "Listino", "DET", "PrezzoVendita",
                                       core::roundMoney(a.basePrice.toDouble() * 1.25)});
            rows += 2;
            progress("Prezzi di listino", rows, long(articles_.size()) * 2);
        }
        db_.CommitTrans();
        summary_.prices = rows;
        step("Listini e prezzi", rows);
    }

    void promotionsAndKits() {
        struct Header {
            const char *code, *description;
            int startDays, endDays;
        };
        const Header promotions[] = {
            {"PRIM26", "Promozione di primavera", -10, 30},
            {"FERR3X2", "Ferramenta: tre al prezzo di due", -3, 60},
            {"LUCE", "Illuminazione LED sempre conveniente", -30, 0},  // no end date
        };
        for (const Header& h : promotions) {
            Pairs pairs = {"Codice",
                           h.code,
                           "Descrizione",
                           h.description,
                           "DataInizioPromozione",
                           addDays(today_, h.startDays)};
            if (h.endDays != 0) {
                pairs.push_back("DataFinePromozione");
                pairs.push_back(addDays(today_, h.endDays));
            }
            insert("Promozioni", pairs);
            auto header = db_.OpenDataSource("Promozioni", QStringLiteral("Codice = '%1'").arg(h.code));
            header->RowFirst();
            auto elements = header->GetReference("Elementi");
            const int n = gen_.number(2, 4);
            for (int i = 0; i < n; ++i) {
                const ArticleInfo& a = gen_.pick(articles_);
                const bool byPercent = gen_.chance(0.5);
                elements->InsertFromPairs(
                    {"Codice", a.code, "CodicePromozione", h.code, "QuantitàPromozione", gen_.number(1, 6),
                     "PercentualeSconto", byPercent ? double(gen_.number(5, 30)) : 0.0, "PrezzoVendita",
                     byPercent ? Currency() : core::roundMoney(a.basePrice.toDouble() * 0.8)});
            }
        }
        const Header kits[] = {
            {"KBAGNO", "Kit installazione bagno", 0, 0},
            {"KPITT", "Kit pittura pareti", 0, 0},
            {"KGIAR", "Kit irrigazione giardino", 0, 0},
        };
        for (const Header& h : kits) {
            insert("Kit", {"Codice", h.code, "Descrizione", h.description});
            auto header = db_.OpenDataSource("Kit", QStringLiteral("Codice = '%1'").arg(h.code));
            header->RowFirst();
            auto elements = header->GetReference("Elementi");
            const int n = gen_.number(2, 5);
            for (int i = 0; i < n; ++i) {
                const ArticleInfo& a = gen_.pick(articles_);
                elements->InsertFromPairs({"Codice", a.code, "CodiceKit", h.code, "QuantitàIndicata",
                                           gen_.number(1, 4), "PrezzoVendita",
                                           core::roundMoney(a.basePrice.toDouble() * 0.85)});
            }
        }
        step("Promozioni e kit", 6);
    }

    // ---- customers ----------------------------------------------------------------------
    void customers() {
        const long count = size_ > 0 ? size_ : 300;
        const std::vector<double> discounts = {0, 0, 0, 2, 3, 5, 10};
        customers_.reserve(size_t(count));
        db_.BeginTrans();
        long sites = 0;
        for (long i = 1; i <= count; ++i) {
            bool female = false;
            const QString firstName = gen_.firstName(female);
            const QString surname = gen_.surname();
            const Town& town = gen_.pick(Towns());
            const Town& birthplace = gen_.pick(Towns());
            CustomerInfo c;
            c.code = QStringLiteral("C%1").arg(i, 6, 10, QChar(u'0'));
            c.priceList = gen_.chance(0.6) ? QStringLiteral("DET") : QStringLiteral("ING");
            c.discount = gen_.pick(discounts);
            c.bank = banks_.at(gen_.number(0, int(banks_.size()) - 1));
            c.payment = payments_.at(gen_.number(0, int(payments_.size()) - 1));
            const Date since = addDays(today_, -gen_.number(30, 2000));
            insert("Clienti", {"Codice",
                               c.code,
                               "RagioneSociale",
                               gen_.companyName(surname),
                               "Indirizzo",
                               gen_.street(),
                               "Città",
                               townKeys_.value(town.name),
                               "PartitaIva",
                               gen_.partitaIva(),
                               "CodiceFiscale",
                               gen_.codiceFiscale(surname, firstName, female, birthplace),
                               "Telefono",
                               gen_.phone(),
                               "EMail",
                               QStringLiteral("info@%1.example").arg(c.code.toLower()),
                               "PercentualeSconto",
                               c.discount,
                               "DescrizioneSconto",
                               c.discount > 0 ? QStringLiteral("Sconto cliente abituale") : QString(),
                               "ListinoPredefinito",
                               c.priceList,
                               "BancaDiAppoggio",
                               c.bank,
                               "TipoPagamentoAbituale",
                               c.payment,
                               "Agente",
                               kDemoAgent,
                               "ConfermatoSede",
                               gen_.chance(0.9),
                               "AcquisitoSede",
                               true,
                               "DataInserimento",
                               since,
                               "DataModifica",
                               since,
                               "VersioneAggiornamento",
                               1.0});
            if (i % 4 == 0) {
                const Town& other = gen_.pick(Towns());
                insert("SediClienti",
                       {"Cliente", c.code, "Identificativo", QStringLiteral("Magazzino"), "Indirizzo",
                        gen_.street(), "Città", townKeys_.value(other.name), "Telefono", gen_.phone()});
                ++sites;
            }
            customers_.push_back(c);
            progress("Clienti", i, count);
        }
        db_.CommitTrans();
        summary_.customers = count;
        summary_.sites = sites;
        step("Clienti e sedi", count + sites);
    }

    void goalsAndRates() {
        const int year = today_.year();
        db_.BeginTrans();
        for (int month = 1; month <= 12; ++month)
            insert("ObiettiviAgenti", {"Agente", kDemoAgent, "Anno", year, "Mese", month, "Importo",
                                       core::roundMoney(double(gen_.number(40, 90)) * 1000)});
        const long withGoals = std::min<long>(long(customers_.size()), large_ ? 2000 : 60);
        for (long i = 0; i < withGoals; ++i)
            for (int month = 1; month <= 12; ++month)
                insert("ObiettiviClienti",
                       {"Cliente", customers_[size_t(i)].code, "Anno", year, "Mese", month, "Importo",
                        core::roundMoney(double(gen_.number(5, 60)) * 100)});
        for (const auto& [kind, rate] :
             std::vector<std::pair<const char*, double>>{{"STD", 5.0}, {"PRO", 3.0}, {"RID", 2.0}}) {
            insert("ProvvigioniAgenti", {"Agente", kDemoAgent, "Tipo", kind, "PercentualeProvvigione", rate});
            rates_.insert(kind, rate);
        }
        db_.CommitTrans();
        step("Obiettivi e provvigioni", 12 + withGoals * 12 + 3);
    }

    // ---- orders ---------------------------------------------------------------------------
    QString orderNumber(Date day) {
        const int yy = day.year() % 100;
        QString prefix = QString::fromLatin1(kDemoAgent) + QChar(kDateSymbols[(yy + 30) % 31]) +
                         QChar(kDateSymbols[day.month() - 1]) + QChar(kDateSymbols[day.day() - 1]) +
                         QString::number(kDemoWorkstation, 16).toUpper();
        const int n = dayCounters_[prefix]++;
        return prefix + QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
    }

    void orders() {
        const int count = large_ ? 500 : 12;
        const double defaultVat = 20;
        db_.BeginTrans();
        long rows = 0;
        for (int o = 0; o < count; ++o) {
            const CustomerInfo& c = gen_.pick(customers_);
            const Date day = addDays(today_, -gen_.number(1, 60));
            const Date at = Date(day.serial() + gen_.number(8 * 60, 18 * 60) / 1440.0);
            const bool sent = o < count * 2 / 3;
            const QString number = orderNumber(day);
            const Currency expenses =
                gen_.chance(0.3) ? core::roundMoney(double(gen_.number(5, 25))) : Currency();
            insert("Ordini", {"Numero",
                              number,
                              "Agente",
                              kDemoAgent,
                              "Cliente",
                              c.code,
                              "Listino",
                              c.priceList,
                              "BancaDiAppoggio",
                              c.bank,
                              "TipoPagamento",
                              c.payment,
                              "TipoPorto",
                              "FRA",
                              "Vettore",
                              "TRR",
                              "Completato",
                              true,
                              "InviatoSede",
                              sent,
                              "AcquisitoSede",
                              sent,
                              "Approvato",
                              sent && gen_.chance(0.5),
                              "Annullato",
                              !sent && o % 10 == 9,  // a few withdrawn before sending
                              "ImportoSpese",
                              expenses,
                              "DataInserimento",
                              at,
                              "DataModifica",
                              at,
                              "VersioneAggiornamento",
                              1.0});
            auto order = db_.OpenDataSource("Ordini", QStringLiteral("Numero = '%1'").arg(number));
            order->RowFirst();
            auto lines = order->GetReference("Righe");
            Currency merce, imposta, sconti, provvigioni;
            const int n = gen_.number(2, 8);
            for (int r = 1; r <= n; ++r) {
                const ArticleInfo& a = gen_.pick(articles_);
                const int q = gen_.number(1, 20);
                const Currency price =
                    core::roundMoney(a.basePrice.toDouble() * (c.priceList == "ING" ? 0.90 : 1.25));
                const Currency gross = price * q;
                const Currency discount = core::roundMoney(c.discount / 100 * gross.toDouble());
                const Currency taxable = gross - discount;
                const Currency vat = core::roundMoney(a.vat / 100 * taxable.toDouble());
                const double rate = rates_.value(a.commissionType, 0);
                const Currency commission = core::roundMoney(rate / 100 * taxable.toDouble());
                lines->InsertFromPairs({"Codice",
                                        a.code,
                                        "NumeroOrdine",
                                        number,
                                        "PosizioneRiga",
                                        r,
                                        "QuantitàOrdine",
                                        double(q),
                                        "QuantitàEvasa",
                                        0.0,
                                        "PrezzoVendita",
                                        price,
                                        "PercentualeSconto",
                                        c.discount,
                                        "ImportoSconto",
                                        discount,
                                        "ImportoImponibile",
                                        taxable,
                                        "ImportoIVA",
                                        vat,
                                        "ImportoTotale",
                                        taxable + vat,
                                        "PercentualeProvvigione",
                                        rate,
                                        "ImportoProvvigione",
                                        commission});
                merce += taxable;
                imposta += vat;
                sconti += discount;
                provvigioni += commission;
                ++rows;
            }
            const Currency expensesVat = core::roundMoney(defaultVat / 100 * expenses.toDouble());
            order->RowFirst();
            for (const auto& [column, value] : std::vector<std::pair<const char*, Currency>>{
                     {"ImportoMerce", merce},
                     {"ImportoImponibile", merce + expenses},
                     {"ImportoImposta", imposta + expensesVat},
                     {"ImportoSconti", sconti},
                     {"ImportoProvvigioni", provvigioni},
                     {"ImportoTotale", merce + expenses + imposta + expensesVat}})
                order->SetColValue(column, value);
            order->Save();
        }
        db_.CommitTrans();
        summary_.orders = count;
        summary_.orderRows = rows;
        step("Ordini completati e inviati", count + rows);
    }

    void reportLayouts() { step("Prospetti di stampa", AddDemoReportLayouts(db_)); }
    void labelLayouts() { step("Stampe etichette", AddDemoLabelLayouts(db_)); }

    void parameters() {
        db_.SetSysParam("CodiceAgente", kDemoAgent);
        db_.SetSysParam("CodicePostazione", QString::number(kDemoWorkstation));
        db_.SetSysParam("SoftwareName", "Zelt Order");
        db_.SetSysParam("RegisterName", "Archivio dimostrativo");
        db_.SetSysParam("BaseDescription", "BASE");
        db_.SetSysParam("VersioneAggiornamento", "1");
        db_.SetSysParam("VersioneUltimoAggiornamento", "1");
        db_.SetSysParam("DataAggiornamentoDatabase", dateText(today_));
        db_.SetSysParam("DataUltimoAccesso", dateText(today_));
        db_.SetSysParam("GiorniNotificaAggiornamento", "10");
        db_.SetSysParam("ObbligoAggiornamento", "15");
        db_.SetSysParamLong(schema::kCustomerCodeScriptParam, schema::DefaultCustomerCodeScript());
        step("Parametri", 12);
    }

    datalib::Database& db_;
    Generator& gen_;
    long size_;
    bool large_;
    std::function<void(const QString&)> report_;
    QElapsedTimer clock_;
    Date today_;
    DemoSummary summary_;
    std::map<QString, std::shared_ptr<datalib::DataSource>> targets_;
    QHash<QString, Variant> townKeys_;
    QStringList payments_;
    QStringList banks_;
    QHash<QString, double> rates_;
    std::vector<ArticleInfo> articles_;
    std::vector<CustomerInfo> customers_;
    QHash<QString, int> dayCounters_;
};

}  // namespace

DemoSummary BuildDemoArchive(const DemoOptions& options, const std::function<void(const QString&)>& report) {
    app::registerAllTableClasses();
    startup::runContext().codeAgente = QString::fromLatin1(kDemoAgent);
    startup::runContext().codePostazione = kDemoWorkstation;

    datalib::Engine engine;
    engine.Create(3, options.file, QString(), startup::DatabasePassword());
    engine.Open(3, options.file, QString(), startup::DatabasePassword());
    schema::DB definition;
    auto db = datalib::Application::OpenDatabase(engine, definition, QStringLiteral("zelt-demodb"), nullptr);

    Generator gen(options.seed);
    // The archive arrives as head office delivers it: rows are stored as they
    // come, with the codes, numbers and amounts given here.
    db->BeginUpdate();
    DemoSummary summary;
    try {
        summary = Builder(*db, gen, options.size, report).run();
    } catch (...) {
        db->EndUpdate();
        throw;
    }
    db->EndUpdate();
    db.reset();
    engine.Close();
    return summary;
}

}  // namespace demodb
