#pragma once
// A small agent archive for the order rules: agent A001 on workstation 3,
// three VAT rates, an active and an inactive commission type, a price list,
// two customers (one with price list, bank, payment type and a 5 % discount),
// five articles and a promotion with one element of each kind. The clock is
// fixed on 8 August 2026; message boxes are answered by the test.

#include "SchemaTestDb.h"

#include "core/Clock.h"
#include "core/Currency.h"
#include "core/Prompt.h"

#include <gtest/gtest.h>

#include <QString>
#include <memory>

// Texts in failure messages as text.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace orderstest {

using datalib::DataSource;
using schematest::kNoRefusal;
using schematest::refusal;
using schematest::SchemaTestDb;

// The header totals that the rows add up, and what each must equal.
struct Totals {
    core::Currency merce, imponibile, imposta, sconti, provvigioni, totale, spese;
    bool operator==(const Totals&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Totals& t) {
    return os << "merce " << t.merce.toDouble() << " imponibile " << t.imponibile.toDouble() << " imposta "
              << t.imposta.toDouble() << " sconti " << t.sconti.toDouble() << " provvigioni "
              << t.provvigioni.toDouble() << " totale " << t.totale.toDouble() << " spese "
              << t.spese.toDouble();
}

inline core::Currency money(DataSource& ds, const char* column) {
    const core::Variant v = ds.ColValue(QString::fromUtf8(column));
    return v.isEmptyOrNull() ? core::Currency() : v.toCurrency();
}

inline core::Currency cents(double v) { return core::Currency::fromDouble(v); }

class OrdersTest : public ::testing::Test {
  protected:
    explicit OrdersTest(const QString& agent = QStringLiteral("A001")) { build(agent); }

    void build(const QString& agent) {
        t.reset();
        t = std::make_unique<SchemaTestDb>(agent);
        auto& db = t->db();
        db.SetSysParam("CodicePostazione", "3");
        if (!agent.isEmpty()) t->insert("Agenti", {{"Codice", agent}, {"RagioneSociale", "Agente di prova"}});
        t->insert("TipiProvvigione", {{"Codice", "STD"}, {"Descrizione", "Standard"}});
        t->insert("TipiProvvigione", {{"Codice", "OFF"}, {"Descrizione", "Sospesa"}, {"Inattivo", true}});
        if (!agent.isEmpty()) {
            t->insert("ProvvigioniAgenti",
                      {{"Agente", agent}, {"Tipo", "STD"}, {"PercentualeProvvigione", 5.0}});
            t->insert("ProvvigioniAgenti",
                      {{"Agente", agent}, {"Tipo", "OFF"}, {"PercentualeProvvigione", 7.0}});
        }
        t->insert("Listini", {{"Codice", "L1"}, {"Descrizione", "Listino rivenditori"}});
        t->insert("Banche", {{"Codice", "B1"}, {"Nome", "Banca"}, {"Agenzia", "Centro"}});
        t->insert("TipiPagamento", {{"Codice", "RB"}, {"Descrizione", "Ri.Ba."}});
        t->insert("Clienti", {{"Codice", "C1"},
                              {"RagioneSociale", "Ferramenta Rossi"},
                              {"ListinoPredefinito", "L1"},
                              {"BancaDiAppoggio", "B1"},
                              {"TipoPagamentoAbituale", "RB"},
                              {"PercentualeSconto", 5.0}});
        t->insert("Clienti", {{"Codice", "C2"}, {"RagioneSociale", "Bianchi Casa"}});
        article("ART1", "Vite", 10.0, "IVA20", "STD");
        article("ART2", "Dado", 20.0, "IVA10", "OFF");
        article("ART3", "Rondella", 4.0, "", "");
        article("ART4", "Chiodo", 12.34, "IVA20", "STD");
        article("ART5", "Tassello", 6.0, "IVA20", "STD");
        t->insert("ListiniArticoli", {{"Listino", "L1"}, {"Articolo", "ART2"}, {"PrezzoVendita", cents(18)}});
        t->insert("ListiniArticoli",
                  {{"Listino", "L1"}, {"Articolo", "ART5"}, {"PrezzoVendita", cents(5.5)}});
        t->insert("Promozioni", {{"Codice", "PR1"}, {"Descrizione", "Promozione di prova"}});
        // Elements: ART1 at a discount, ART2 at a price, ART5 with neither.
        element("ART1", 15, 0);
        element("ART2", 0, 8);
        element("ART5", 0, 0);
    }

    void article(const char* code, const char* name, double price, const char* vat, const char* commission) {
        t->insert("Articoli", {{"Codice", code},
                               {"Descrizione", name},
                               {"PrezzoBase", cents(price)},
                               {"IVA", vat},
                               {"TipoProvvigione", commission}});
    }

    void element(const char* code, double discount, double price) {
        auto elements = t->row("Promozioni", "Codice = 'PR1'")->GetReference("Elementi");
        elements->InsertFromPairs({"Codice", code, "QuantitàPromozione", 2});
        elements->RowLast();
        // The fixed price after the percentage: a percentage clears it.
        elements->SetColValue("PercentualeSconto", discount);
        elements->SetColValue("PrezzoVendita", cents(price));
        elements->Save();
    }

    // A new order for the customer; returns a data source standing on it.
    std::shared_ptr<DataSource> newOrder(const char* customer = "C1") {
        const core::Variant key = t->insert("Ordini", {{"Cliente", customer}, {"Completato", false}});
        return orderByKey(key);
    }

    std::shared_ptr<DataSource> orderByKey(const core::Variant& key) {
        auto order = t->open("Ordini");
        EXPECT_TRUE(order->MoveToKey(key));
        return order;
    }

    // Adds a row to the order from name/value pairs; returns the rows standing on it.
    std::shared_ptr<DataSource> addRow(DataSource& order, std::vector<core::Variant> pairs) {
        auto rows = order.GetReference("Righe");
        const core::Variant key = rows->InsertFromPairs(pairs);
        EXPECT_TRUE(rows->MoveToKey(key));
        return rows;
    }

    static Totals totalsOf(DataSource& order) {
        return {money(order, "ImportoMerce"),       money(order, "ImportoImponibile"),
                money(order, "ImportoImposta"),     money(order, "ImportoSconti"),
                money(order, "ImportoProvvigioni"), money(order, "ImportoTotale"),
                money(order, "ImportoSpese")};
    }

    // The totals of the order as stored, read afresh.
    Totals storedTotals(const core::Variant& key) {
        auto order = orderByKey(key);
        return totalsOf(*order);
    }

    // What the totals must be: the sums of the stored rows, the expenses and
    // their VAT at the default code (20 %).
    Totals recalculated(const core::Variant& key) {
        auto order = orderByKey(key);
        Totals r;
        r.spese = money(*order, "ImportoSpese");
        auto rows = order->GetReference("Righe");
        core::Currency iva;
        for (rows->RowFirst(); !rows->Eof(); rows->RowNext()) {
            r.merce += money(*rows, "ImportoImponibile");
            iva += money(*rows, "ImportoIVA");
            r.sconti += money(*rows, "ImportoSconto");
            r.provvigioni += money(*rows, "ImportoProvvigione");
        }
        r.imponibile = r.merce + r.spese;
        r.imposta = iva + t->db().Round(cents(r.spese.toDouble() * 0.2));
        r.totale = r.imponibile + r.imposta;
        return r;
    }

    core::FixedClock clock{2026, 8, 8, 10, 30, 0};
    core::ScriptedBoxes boxes;
    std::unique_ptr<SchemaTestDb> t;
};

}  // namespace orderstest
