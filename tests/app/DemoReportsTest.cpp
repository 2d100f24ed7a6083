// Every predefined report and statistic of the tree on the demo archive, as
// the agent runs it: the node clicked in the real main window, its search
// window confirmed as it comes, "ANTEPRIMA" chosen, the real preview shown
// and printed from there into a PDF, whose figures are read back with poppler
// and compared with the archive's own.

#include "StartupFixture.h"

#include "../reports/ui/PdfProbe.h"

#include "controls/MubCommand.h"
#include "controls/SearchDialogs.h"
#include "controls/ViewUtility.h"
#include "core/Date.h"
#include "mainwindow/MainBrowser.h"
#include "mainwindow/NavigationTree.h"
#include "mainwindow/PredefinedReports.h"
#include "mainwindow/SearchWindow.h"
#include "mainwindow/frmMain.h"
#include "platform/ui/Printers.h"
#include "reports/ui/frmCustomReportPreview.h"
#include "reports/ui/modCustomReport.h"
#include "startup/ui/clsOSTNA.h"
#include "tools/demodb/DemoArchive.h"

#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

using mainwindow::frmMain;

// Figures as the layouts write them (FormatNumber in Italian).
QString money(double v) { return QLocale(QLocale::Italian).toString(v, 'f', 2); }
QString whole(double v) { return QLocale(QLocale::Italian).toString(v, 'f', 0); }
QString percent(double now, double before) {
    if (before == 0) return now == 0 ? QString() : QStringLiteral("nuovo");
    return QLocale(QLocale::Italian).toString((now - before) / before * 100, 'f', 1) + QStringLiteral(" %");
}

// The PDF's text as lines: the words of one baseline, left to right.
QStringList textLines(const QString& pdf) {
    std::vector<pdfprobe::Word> words = pdfprobe::words(pdf);
    std::sort(words.begin(), words.end(), [](const pdfprobe::Word& a, const pdfprobe::Word& b) {
        if (a.page != b.page) return a.page < b.page;
        if (std::abs(a.box.bottom() - b.box.bottom()) > 0.8) return a.box.bottom() < b.box.bottom();
        return a.box.left() < b.box.left();
    });
    QStringList lines;
    const pdfprobe::Word* previous = nullptr;
    for (const pdfprobe::Word& w : words) {
        if (previous && previous->page == w.page && std::abs(previous->box.bottom() - w.box.bottom()) <= 0.8)
            lines.last() += QLatin1Char(' ') + w.text;
        else
            lines << w.text;
        previous = &w;
    }
    return lines;
}

// What the archive holds, read once.
struct Order {
    QString number, customer;
    bool sent = false, approved = false, cancelled = false;
    QDate day;
    double total = 0, taxable = 0, discounts = 0, commissions = 0;
};
struct Row {
    QString order, code;
    double quantity = 0, shipped = 0, taxable = 0;
};
struct Archive {
    std::vector<Order> orders;
    std::vector<Row> rows;
    QMap<QString, QString> names;      // customer code → name
    QMap<QString, QString> provinces;  // customer code → province
    QMap<QString, double> goals;       // customer code → this year's goal

    explicit Archive(datalib::Database& db) {
        auto o = db.OpenDataSource("Ordini");
        for (o->RowFirst(); !o->Eof(); o->RowNext())
            orders.push_back({o->ColValueStr("Numero"), o->RefKey("Cliente").toString(),
                              o->ColValueBool("InviatoSede"), o->ColValueBool("Approvato"),
                              o->ColValueBool("Annullato"), o->ColValue("DataInserimento").toDate().toQDate(),
                              o->ColValueNum("ImportoTotale"), o->ColValueNum("ImportoImponibile"),
                              o->ColValueNum("ImportoSconti"), o->ColValueNum("ImportoProvvigioni")});
        auto r = db.OpenDataSource("RigheOrdini");
        for (r->RowFirst(); !r->Eof(); r->RowNext())
            rows.push_back({r->ColValueStr("NumeroOrdine"), r->ColValueStr("Codice"),
                            r->ColValueNum("QuantitàOrdine"), r->ColValueNum("QuantitàEvasa"),
                            r->ColValueNum("ImportoImponibile")});
        auto c = db.OpenDataSource("Clienti", "Codice <> ''");
        for (c->RowFirst(); !c->Eof(); c->RowNext()) {
            const QString code = c->ColValueStr("Codice");
            names[code] = c->ColValueStr("RagioneSociale").simplified();
            provinces[code] = c->GetReference("Città")->ColValueStr("Provincia");
        }
        auto g =
            db.OpenDataSource("ObiettiviClienti", "Anno = " + QString::number(QDate::currentDate().year()));
        for (g->RowFirst(); !g->Eof(); g->RowNext())
            goals[g->RefKey("Cliente").toString()] += g->ColValueNum("Importo");
    }
    const Order& orderOf(const Row& row) const {
        return *std::find_if(orders.begin(), orders.end(),
                             [&](const Order& o) { return o.number == row.order; });
    }
};

class DemoReports : public apptest::StartupEnv {
  protected:
    void SetUp() override {
        StartupEnv::SetUp();
        startup::clsOSTNA::setAvailabilityOverride(false);
        frmMain::SetAutomaticActivation(false);
        demodb::DemoOptions options;
        options.file = work("ZeltOrder_DEMO");
        demodb::BuildDemoArchive(options, [](const QString&) {});
        startup::runContext().codeAgente = "DEMO";
        startup::runContext().codePostazione = 1;

        platform::Printers::setPdfFileAsker([this] { return std::optional<QString>(pdf()); });
        platform::Printers::setPrinterChooser([this](const QString&, int copies) {
            return std::optional<platform::Printers::Choice>(
                platform::Printers::Choice{platform::Printers::pdfPrinterName(), pdf(), copies});
        });
        // The agent confirms the search windows as they come, picks the
        // newest order where one is asked for, and chooses the preview.
        controls::setSearchDialogHook([](QDialog& d) {
            if (auto* search = qobject_cast<mainwindow::SearchWindow*>(&d)) {
                search->cmdOk()->click();
            } else if (auto* list = qobject_cast<controls::PickListDialog*>(&d)) {
                list->ChooseRow(0);
                return true;
            } else if (qobject_cast<mainwindow::frmPrinterFunctions*>(&d)) {
                d.findChild<controls::MubCommand*>("cmdPreview")->click();
            } else {
                ADD_FAILURE() << "unexpected window " << d.objectName().toStdString();
            }
            return d.result() == QDialog::Accepted;
        });
        // The real preview, printed as a whole from its own print button.
        reports::setPreviewShower([this](reports::frmCustomReportPreview& preview, QWidget* owner) {
            QTimer::singleShot(0, &preview, [this, &preview] {
                if (!QTest::qWaitFor([&] { return preview.isVisible(); }, 5000)) return;
                previewPages = preview.PageCount();
                previewLabel = preview.Widgets().lblTotPage->text();
                preview.Widgets().chkPrintImage->click();
            });
            return preview.ShowPreview(owner);
        });
    }
    void TearDown() override {
        reports::setPreviewShower({});
        controls::setSearchDialogHook({});
        platform::Printers::setPrinterChooser({});
        platform::Printers::setPdfFileAsker({});
        startup::clsOSTNA::setAvailabilityOverride(std::nullopt);
        frmMain::SetAutomaticActivation(true);
        StartupEnv::TearDown();
    }
    QString pdf() const { return dir.filePath("stampa.pdf"); }

    int previewPages = 0;
    QString previewLabel;
};

TEST_F(DemoReports, EveryPredefinedReportAndStatisticShowsTheArchivesFigures) {
    platform::ScriptedBoxes boxes;
    frmMain window;
    window.show();
    window.Form_Activate();
    ASSERT_TRUE(window.IsInitialised()) << boxes.lastText().toStdString();
    const Archive a(*startup::runContext().database);
    const QDate today = QDate::currentDate();

    // Phrases that must be lines of the printout, and numbers that must be absent.
    using Expect = std::function<void(QStringList & lines, QStringList & absent)>;
    const auto orderList = [&](std::function<bool(const Order&)> listed) -> Expect {
        return [&a, listed](QStringList& lines, QStringList& absent) {
            double total = 0;
            for (const Order& o : a.orders) {
                if (!listed(o)) {
                    absent << o.number;
                    continue;
                }
                total += o.total;
                lines << o.number + " " + o.day.toString("dd/MM/yyyy") + " " + a.names[o.customer] + " " +
                             money(o.total);
            }
            lines << "Totale generale " + money(total);
        };
    };
    // Order rows by customer: each customer's total, the count and the grand total.
    const auto rowsByCustomer = [&](std::function<bool(const Row&, const Order&)> listed,
                                    std::function<double(const Row&)> figure) -> Expect {
        return [&a, listed, figure](QStringList& lines, QStringList&) {
            QMap<QString, double> byCustomer;
            double total = 0;
            int count = 0;
            for (const Row& r : a.rows) {
                const Order& o = a.orderOf(r);
                if (!listed(r, o)) continue;
                byCustomer[o.customer] += figure(r);
                total += figure(r);
                ++count;
            }
            for (auto it = byCustomer.cbegin(); it != byCustomer.cend(); ++it)
                lines << "Totale " + it.key() + " " + a.names[it.key()] + " " + money(it.value());
            lines << "Righe: " + QString::number(count) + " Totale generale " + money(total);
        };
    };
    const auto document = [&](bool approved, const char* title) -> Expect {
        return [&a, approved, title](QStringList& lines, QStringList&) {
            const Order* newest = nullptr;
            for (const Order& o : a.orders)
                if (o.approved == approved && (!newest || o.number > newest->number)) newest = &o;
            ASSERT_TRUE(newest);
            lines << QString::fromUtf8(title)
                  << "Ordine n. " + newest->number + " del " + newest->day.toString("dd/MM/yyyy")
                  << "Totale ordine " + money(newest->total);
            for (const Row& r : a.rows)
                if (r.order == newest->number) lines << r.code;
        };
    };

    struct Case {
        const char* node;
        Expect expect;
    };
    const Case cases[] = {
        {"Elenco", orderList([](const Order&) { return true; })},
        {"Non Spediti", orderList([](const Order& o) { return !o.sent; })},
        {"Non Confermati", orderList([](const Order& o) { return o.sent && !o.approved && !o.cancelled; })},
        {"Confermati", orderList([](const Order& o) { return o.sent && o.approved && !o.cancelled; })},
        {"Annullati", orderList([](const Order& o) { return o.cancelled; })},
        {"Elenco con Riferimenti",
         [&](QStringList& lines, QStringList&) {
             double total = 0;
             for (const Order& o : a.orders) {
                 total += o.total;
                 lines << o.number + " " + o.day.toString("dd/MM/yyyy") + " " + o.customer + " " +
                              a.names[o.customer] + " " + money(o.total);
             }
             lines << "Vettore: Trasporti Rapidi Riuniti S.r.l. - Porto: Franco destino"
                   << "Ordini elencati: " + QString::number(a.orders.size()) + " Totale generale " +
                          money(total);
         }},
        {"Dettagli (per Cliente)", rowsByCustomer([](const Row&, const Order& o) { return o.approved; },
                                                  [](const Row& r) { return r.taxable; })},
        {"Spediti (per Cliente)", rowsByCustomer([](const Row&, const Order& o) { return o.sent; },
                                                 [](const Row& r) { return r.taxable; })},
        {"Articoli Da Spedire (per Cliente)",
         rowsByCustomer([](const Row& r, const Order& o) { return r.quantity > r.shipped && !o.cancelled; },
                        [](const Row& r) {
                            return std::round(r.taxable * (r.quantity - r.shipped) / r.quantity * 100) / 100;
                        })},
        {"Proposta d'Ordine", document(false, "Proposta d'ordine")},
        {"Conferma d'Ordine", document(true, "Conferma d'ordine")},
        {"Clienti per Rag.Soc.",
         [&](QStringList& lines, QStringList&) {
             for (auto it = a.names.cbegin(); it != a.names.cend(); ++it) lines << it.key();
         }},
        {"Clienti per Provincia",
         [&](QStringList& lines, QStringList&) {
             QMap<QString, int> counts;
             for (const QString& p : a.provinces) ++counts[p];
             for (auto it = counts.cbegin(); it != counts.cend(); ++it)
                 lines << "Clienti in Provincia di " + it.key() + ": " + QString::number(it.value());
             lines << "Province: " + QString::number(counts.size()) +
                          " Clienti in tutto: " + QString::number(a.names.size());
         }},
        {"Analisi Crescita",
         [&](QStringList& lines, QStringList& absent) {
             QMap<QString, std::pair<double, double>> growth;  // last 30 days, the 30 before
             for (const Order& o : a.orders) {
                 if (o.cancelled) continue;
                 const qint64 age = o.day.daysTo(today);
                 if (age <= 29)
                     growth[o.customer].first += o.taxable;
                 else if (age <= 59)
                     growth[o.customer].second += o.taxable;
             }
             double now = 0, before = 0;
             for (auto it = growth.cbegin(); it != growth.cend(); ++it) {
                 const auto [n, b] = it.value();
                 now += n;
                 before += b;
                 lines << it.key() + " " + a.names[it.key()] + " " + money(n) + " " + money(b) + " " +
                              money(n - b) + " " + percent(n, b);
             }
             for (auto it = a.names.cbegin(); it != a.names.cend(); ++it)
                 if (!growth.contains(it.key())) absent << it.key();
             lines << "Clienti: " + QString::number(growth.size()) + " " + money(now) + " " + money(before) +
                          " " + money(now - before) + " " + percent(now, before);
         }},
        {"Consuntivo Clienti",
         [&](QStringList& lines, QStringList&) {
             struct Sum {
                 int orders = 0;
                 double taxable = 0, discounts = 0, commissions = 0;
             };
             QMap<QString, Sum> sums;
             for (const Order& o : a.orders) {
                 if (o.cancelled || o.day.year() != today.year()) continue;
                 Sum& s = sums[o.customer];
                 ++s.orders;
                 s.taxable += o.taxable;
                 s.discounts += o.discounts;
                 s.commissions += o.commissions;
             }
             for (auto it = a.goals.cbegin(); it != a.goals.cend(); ++it) sums[it.key()];
             Sum all;
             double goals = 0;
             for (auto it = sums.cbegin(); it != sums.cend(); ++it) {
                 all.orders += it->orders;
                 all.taxable += it->taxable;
                 all.discounts += it->discounts;
                 all.commissions += it->commissions;
                 goals += a.goals.value(it.key());
             }
             const auto reached = [](double done, double goal) {
                 return goal == 0
                            ? QString()
                            : " " + QLocale(QLocale::Italian).toString(done / goal * 100, 'f', 1) + " %";
             };
             lines << "Clienti: " + QString::number(sums.size()) + " " + whole(all.orders) + " " +
                          money(all.taxable) + " " + money(all.discounts) + " " + money(all.commissions) +
                          " " + money(goals) + reached(all.taxable, goals);
         }},
    };

    QTreeWidget* tree = window.Browser()->Widgets().tvTreeView;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        QFile::remove(pdf());
        previewPages = 0;
        tree->setCurrentItem(mainwindow::NodeByKey(tree, QString::fromUtf8(c.node)));
        EXPECT_TRUE(boxes.shown().empty()) << boxes.lastText().toStdString();  // no "Report non trovato/i"
        boxes.clear();
        ASSERT_TRUE(QFile::exists(pdf()));
        EXPECT_GT(previewPages, 0);
        EXPECT_EQ(previewLabel, "di " + QString::number(previewPages));
        EXPECT_EQ(pdfprobe::pageCount(pdf()), previewPages);  // the print is the preview's pages

        QStringList expected, absent;
        c.expect(expected, absent);
        ASSERT_FALSE(expected.isEmpty());
        const QStringList lines = textLines(pdf());
        const QString text = lines.join('\n');
        for (const QString& e : expected)
            EXPECT_TRUE(
                std::any_of(lines.cbegin(), lines.cend(), [&](const QString& l) { return l.contains(e); }))
                << "missing: " << e.toStdString() << "\n"
                << text.left(3000).toStdString();
        for (const QString& word : absent)
            EXPECT_FALSE(text.contains(QRegularExpression("\\b" + word + "\\b")))
                << "listed: " << word.toStdString();
    }
    window.close();
}

}  // namespace
