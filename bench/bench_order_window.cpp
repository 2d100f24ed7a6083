// The order window on the large demo archive (made by `zelt-demodb --scale`),
// offscreen: opening a confirmed order of 200 rows for editing until its
// grid shows it, adding a kit of 20 components (the question and the
// multiplier answered by script), adding an article by its additional code,
// and a burst of ten codes typed by a reader into an open order of 200 rows
// with the quantity prompt on; a reader's burst of 50 codes into an order of
// 300 rows, timed from its last key; and the customer choice of a new order
// over the 100 000 customers finding a typed code. The archive is read from
// ZELT_SCALE_ARCHIVE (default:
// demo-scale/ZeltOrder_DEMO under the current folder) and copied first, so
// that it is left as it was.

#include "BenchMain.h"
#include "app/AllTableClasses.h"
#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/MubCommand.h"
#include "controls/MubShortSearch.h"
#include "controls/SearchDialogs.h"
#include "controls/ViewUtility.h"
#include "core/Clock.h"
#include "core/ItalianText.h"
#include "core/Prompt.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "orders/ui/frmOrder.h"
#include "orders/ui/frmSetQantity.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "schema/DB.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

using core::Variant;

struct NullSink : datalib::itfNotifyEvent {
    void OnEvent(int&, int, QString&) override {}
    void OnInternalMessage(int, QString&) override {}
    void OnQueryMessage(int, int, QString&, bool& answer) override { answer = false; }
};

Variant S(const char* s) { return Variant(QString::fromUtf8(s)); }

struct Fixture {
    QTemporaryDir dir;
    NullSink sink;
    std::shared_ptr<datalib::Engine> engine = std::make_shared<datalib::Engine>();
    std::shared_ptr<datalib::Database> db;
    core::ScriptedBoxes boxes;
    QWidget owner;
    QStringList codes;       // article codes of the archive
    QString additionalCode;  // an article's CodiceAggiuntivo
    Variant bigOrder;        // key of the confirmed 200-row order
    bool ok = false;

    Fixture() {
        QString file = qEnvironmentVariable("ZELT_SCALE_ARCHIVE");
        if (file.isEmpty()) file = QStringLiteral("demo-scale/ZeltOrder_DEMO");
        if (!QFile::exists(file)) {
            std::fprintf(stderr, "Archivio %s mancante: zelt-demodb --scale demo-scale\n", qPrintable(file));
            return;
        }
        const QString copy = dir.filePath(QStringLiteral("ZeltOrder_DEMO"));
        if (!QFile::copy(file, copy)) return;
        platform::SettingsStore::setRootDir(dir.filePath(QStringLiteral("config")));
        platform::setDataDirOverride(dir.filePath(QStringLiteral("data")));
        app::registerAllTableClasses();
        engine->Open(3, copy, QString(), startup::DatabasePassword());
        schema::DB definition;
        db = datalib::Application::OpenDatabase(*engine, definition, QStringLiteral("zeltorder"), &sink);
        auto& rc = startup::runContext();
        rc.engine = engine;
        rc.database = db;
        rc.codeAgente = QStringLiteral("DEMO");
        const QString today = core::italian::formatDateOnly(core::Clock::today());
        db->SetSysParam(QStringLiteral("DataAggiornamentoDatabase"), today);
        db->SetSysParam(QStringLiteral("DataUltimoAccesso"), today);

        auto articles = db->OpenDataSource(QStringLiteral("Articoli"),
                                           QStringLiteral("NOT Disabilitato AND CodiceAggiuntivo AND "
                                                          "Left(Codice,2)<>'##'"),
                                           QStringLiteral("Codice"));
        articles->RowFirst();
        additionalCode = articles->ColValueStr(QStringLiteral("CodiceAggiuntivo"));
        for (int i = 0; i < 600 && !articles->Eof(); ++i, articles->RowNext())
            codes << articles->ColValueStr(QStringLiteral("Codice"));
        if (codes.size() < 220) return;

        // The kit of 20 components, as head office would send it.
        rc.codeAgente.clear();
        db->OpenDataSource(QStringLiteral("Kit"))
            ->InsertFromPairs({S("Codice"), S("KBENCH"), S("Descrizione"), S("Kit di venti componenti")});
        auto kit = db->OpenDataSource(QStringLiteral("Kit"), QStringLiteral("Codice='KBENCH'"));
        kit->RowFirst();
        auto elements = kit->GetReference(QStringLiteral("Elementi"));
        for (int i = 0; i < 20; ++i)
            elements->InsertFromPairs({S("Codice"), Variant(codes.at(200 + i)), S("CodiceKit"), S("KBENCH"),
                                       S("QuantitàIndicata"), Variant(2.0), S("PrezzoVendita"),
                                       Variant(core::Currency::fromDouble(3.5))});
        rc.codeAgente = QStringLiteral("DEMO");

        // The confirmed order of 200 rows.
        auto customers = db->OpenDataSource(QStringLiteral("Clienti"), QStringLiteral("Codice<>''"));
        customers->RowFirst();
        engine->BeginTrans();
        auto orders = db->OpenDataSource(QStringLiteral("Ordini"));
        bigOrder = orders->InsertFromPairs({S("Cliente"), customers->ColValue(QStringLiteral("Codice")),
                                            S("Agente"), S("DEMO"), S("Completato"), Variant(false)});
        orders->MoveToKey(bigOrder);
        auto rows = orders->GetReference(QStringLiteral("Righe"));
        for (int i = 0; i < 200; ++i)
            rows->InsertFromPairs(
                {S("QuantitàOrdine"), Variant(1.0 + i % 5), S("Codice"), Variant(codes.at(i))});
        orders->SetColValue(QStringLiteral("Completato"), true);
        orders->Save();
        engine->CommitTrans();
        owner.show();
        ok = true;
    }
    ~Fixture() {
        if (auto* w = orders::ui::frmOrder::Instance()) delete w;
        auto& rc = startup::runContext();
        rc.database.reset();
        rc.engine.reset();
        db.reset();
        engine->Close();
    }
};

std::unique_ptr<Fixture>& fixtureHolder() {
    static std::unique_ptr<Fixture> f;
    return f;
}

Fixture& fixture() {
    if (!fixtureHolder()) {
        fixtureHolder() = std::make_unique<Fixture>();
        benchsupport::atShutdown([] { fixtureHolder().reset(); });
    }
    return *fixtureHolder();
}

// A new order of the first customer, open in the window.
orders::ui::frmOrder* newOrder(Fixture& f) {
    controls::setSearchDialogHook([](QDialog& d) {
        // The customer choice: the first customer offered.
        auto* pick = qobject_cast<controls::PickListDialog*>(&d);
        if (!pick) return false;
        auto ds = pick->grid()->dataSource();
        long i = 0;
        for (ds->MoveTo(0); i < ds->RowCount() && ds->ColValueStr(QStringLiteral("Codice")).isEmpty();
             ds->MoveTo(++i)) {
        }
        pick->ChooseRow(i);
        pick->accept();
        return pick->result() == QDialog::Accepted;
    });
    auto* w = orders::ui::frmOrder::NewOrder(&f.owner);
    w->Form_Activate();
    return orders::ui::frmOrder::Instance();
}

// Cancels the open order with its rows and closes the window.
void dropOrder(Fixture& f, orders::ui::frmOrder* w) {
    f.boxes.answer(core::kAnswerYes);  // "VUOI ANNULLARE L'INTERO ORDINE ?"
    f.boxes.answer(core::kAnswerNo);   // no new order
    w->cmdCancel_Click();
    QCoreApplication::processEvents();
    controls::setSearchDialogHook({});
}

// A new order open in the window, or nullptr with the benchmark skipped.
orders::ui::frmOrder* startedOrder(benchmark::State& state, Fixture& f) {
    if (!f.ok) {
        state.SkipWithError("archivio mancante");
        return nullptr;
    }
    orders::ui::frmOrder* w = newOrder(f);
    if (!w) state.SkipWithError("ordine non avviato");
    return w;
}

void BM_EditOrderOf200Rows(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    auto view = f.db->OpenDataSource(QStringLiteral("Ordini"));
    view->MoveToKey(f.bigOrder);
    for (auto _ : state) {
        auto* w = orders::ui::frmOrder::Edit_Ordine(&f.owner, view);
        // Until the grid has shown the rows.
        benchmark::DoNotOptimize(w->Widgets().dgRighe->grab());
        state.PauseTiming();
        if (w->Rows()->RowCount() != 200) state.SkipWithError("righe mancanti");
        w->cmdCancel_Click();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditOrderOf200Rows)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_AddKitOf20Components(benchmark::State& state) {
    Fixture& f = fixture();
    orders::ui::frmOrder* w = startedOrder(state, f);
    if (!w) return;
    w->Widgets().optKit->click();
    w->Widgets().cboSelPromoKit->setCurrentIndex(
        w->Widgets().cboSelPromoKit->findData(QStringLiteral("KBENCH")));
    controls::setSearchDialogHook([](QDialog& d) {
        if (auto* q = qobject_cast<orders::ui::frmSetQantity*>(&d)) {
            q->txtQuantity()->setText(QStringLiteral("1"));
            q->cmdConfirm()->click();
            return true;
        }
        return false;
    });
    long rows = 0;
    for (auto _ : state) {
        f.boxes.answer(core::kAnswerYes);
        w->cmdAddPromoKit_Click();
        state.PauseTiming();
        rows = w->Rows()->RowCount();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(rows);
    dropOrder(f, w);
}
BENCHMARK(BM_AddKitOf20Components)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_LookUpByAdditionalCode(benchmark::State& state) {
    Fixture& f = fixture();
    orders::ui::frmOrder* w = startedOrder(state, f);
    if (!w) return;
    for (auto _ : state) {
        w->Widgets().txtCode_Articolo->setText(f.additionalCode);
        w->cmdAddRow_Click();
    }
    state.counters["rows"] = double(w->Rows()->RowCount());
    dropOrder(f, w);
}
BENCHMARK(BM_LookUpByAdditionalCode)->Unit(benchmark::kMillisecond)->Iterations(50);

// Ten codes typed by a reader in one burst (each with its Enter, keys as
// fast as they come) into an open order of 200 rows, with "Richiedi
// quantità" on (the prompt, asked for the last code, answered at once),
// until the ten rows are in the grid. The time is given per code
// ("s_a_code"); it includes the pause that tells the end of the burst.
void BM_ScanBurstOf10IntoAnOrderOf200Rows(benchmark::State& state) {
    Fixture& f = fixture();
    orders::ui::frmOrder* w = startedOrder(state, f);
    if (!w) return;
    for (int i = 0; i < 200; ++i) w->AddElementByCode(f.codes.at(i), 1 + i % 5, {}, {}, true);
    w->Refresh_Articoli();
    w->Widgets().chkRequest_Quantita->setChecked(true);
    w->activateWindow();
    QCoreApplication::processEvents();
    controls::setSearchDialogHook([](QDialog& d) {
        auto* q = qobject_cast<orders::ui::frmSetQantity*>(&d);
        if (!q) return false;
        q->txtQuantity()->setText(QStringLiteral("1"));
        q->cmdConfirm()->click();
        return q->result() == QDialog::Accepted;
    });
    // Codes not in the order yet: each burst adds ten rows.
    int next = 200;
    for (auto _ : state) {
        const long expected = w->Rows()->RowCount() + 10;
        QLineEdit* box = w->Widgets().txtCode_Articolo;
        box->setFocus();
        for (int i = 0; i < 10; ++i) {
            QTest::keyClicks(box, f.codes.at(next++));
            QTest::keyClick(box, Qt::Key_Return);
        }
        QElapsedTimer waited;
        waited.start();
        while (w->Rows()->RowCount() < expected && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (w->Rows()->RowCount() != expected) state.SkipWithError("codici persi");
    }
    state.counters["rows"] = double(w->Rows()->RowCount());
    state.counters["s_a_code"] = benchmark::Counter(
        double(state.iterations()) * 10, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    dropOrder(f, w);
}
BENCHMARK(BM_ScanBurstOf10IntoAnOrderOf200Rows)->Unit(benchmark::kMillisecond)->Iterations(8);

// The keys of a reader as the window system brings them: typed from a
// thread of their own at a key every 3 ms, whatever the program is doing
// meanwhile, each stamped with the time it was typed, and handed to the
// widget that has the focus when the program comes to it.
class ReaderKeys : public QObject {
  public:
    // Types the codes, each with its Enter; returns once the last key is typed.
    void type(const QStringList& codes) {
        QElapsedTimer clock;
        clock.start();
        auto next = std::chrono::steady_clock::now();
        for (const QString& code : codes) {
            for (QChar ch : code + QLatin1Char('\r')) {
                std::this_thread::sleep_until(next);
                next += std::chrono::milliseconds(3);
                const bool enter = ch == QLatin1Char('\r');
                const int key = enter ? int(Qt::Key_Return) : int(ch.toUpper().unicode());
                const QString text = enter ? QStringLiteral("\r") : QString(ch);
                for (QEvent::Type t : {QEvent::KeyPress, QEvent::KeyRelease}) {
                    auto* e = new QKeyEvent(t, key, Qt::NoModifier, text);
                    e->setTimestamp(ulong(clock.elapsed()) + 1);
                    QCoreApplication::postEvent(this, e);
                }
            }
        }
        lastKey_ = std::chrono::steady_clock::now();
    }
    std::chrono::steady_clock::time_point lastKey() const { return lastKey_; }

  protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return QObject::event(e);
        const auto* k = static_cast<QKeyEvent*>(e);
        if (QWidget* target = QApplication::focusWidget()) {
            QKeyEvent delivered(k->type(), k->key(), k->modifiers(), k->text());
            delivered.setTimestamp(k->timestamp());
            QApplication::sendEvent(target, &delivered);
        }
        return true;
    }

  private:
    std::chrono::steady_clock::time_point lastKey_;
};

// A reader's burst of 50 codes (a shelf scanned without looking at the
// screen) into an open order of 300 rows, with "Richiedi quantità" off
// (argument 0) and on (1: the prompt comes for the last code and is
// answered at once). The time is from the burst's last key until its fifty
// rows are in the grid, given per code (ms_a_code); the typing itself
// (about 1.4 s) is not counted.
void BM_ScanBurstOf50IntoAnOrderOf300Rows(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok || f.codes.size() < 300 + 50 * 6) return state.SkipWithError("archivio mancante");
    const bool prompt = state.range(0) != 0;
    orders::ui::frmOrder* w = startedOrder(state, f);
    if (!w) return;
    for (int i = 0; i < 300; ++i) w->AddElementByCode(f.codes.at(i), 1 + i % 5, {}, {}, true);
    w->Refresh_Articoli();
    w->Widgets().chkRequest_Quantita->setChecked(prompt);
    w->activateWindow();
    QCoreApplication::processEvents();
    controls::setSearchDialogHook([](QDialog& d) {
        auto* q = qobject_cast<orders::ui::frmSetQantity*>(&d);
        if (!q) return false;
        q->txtQuantity()->setText(QStringLiteral("1"));
        q->cmdConfirm()->click();
        return q->result() == QDialog::Accepted;
    });
    ReaderKeys keys;
    int next = 300;
    double worst = 0, total = 0;
    for (auto _ : state) {
        const long expected = w->Rows()->RowCount() + 50;
        const QStringList burst = f.codes.mid(next, 50);
        next += 50;
        w->Widgets().txtCode_Articolo->setFocus();
        QCoreApplication::processEvents();
        std::thread reader([&] { keys.type(burst); });
        QElapsedTimer waited;
        waited.start();
        while (w->Rows()->RowCount() < expected && waited.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        const auto done = std::chrono::steady_clock::now();
        reader.join();
        if (w->Rows()->RowCount() != expected) state.SkipWithError("codici persi");
        const double after = std::max(0.0, std::chrono::duration<double>(done - keys.lastKey()).count());
        worst = std::max(worst, after);
        total += after;
        state.SetIterationTime(after);
    }
    state.counters["rows"] = double(w->Rows()->RowCount());
    state.counters["ms_a_code"] = total * 1000 / (double(state.iterations()) * 50);
    state.counters["worst_ms_a_code"] = worst * 1000 / 50;
    dropOrder(f, w);
}
BENCHMARK(BM_ScanBurstOf50IntoAnOrderOf300Rows)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

// "Selezione Cliente" over the 100 000 customers of the archive, as the new
// order opens it: from its opening until a customer's code typed in the
// search text and Enter have put it on that customer (the code of a
// customer far down the list).
void BM_CustomerChoiceFindsATypedCode(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    auto customers = f.db->OpenDataSource(QStringLiteral("Clienti"), {}, QStringLiteral("Codice DESC"));
    customers->RowFirst();
    customers->RowNext();
    const QString code = customers->ColValueStr(QStringLiteral("Codice"));
    auto orders = f.db->OpenDataSource(QStringLiteral("Ordini"));
    bool found = true;
    controls::setSearchDialogHook([&](QDialog& d) {
        auto* pick = qobject_cast<controls::PickListDialog*>(&d);
        if (!pick) return false;
        QLineEdit* text = pick->search()->textBox();
        QTest::keyClicks(text, code);
        QTest::keyClick(text, Qt::Key_Return);
        found = found && pick->grid()->dataSource()->ColValueStr(QStringLiteral("Codice")) == code;
        return false;
    });
    for (auto _ : state) {
        auto choice = orders->SelectReference(QStringLiteral("Cliente"));
        controls::ViewUtility::View(choice, &f.owner)
            .PickList(QStringLiteral("Selezione Cliente"), QString(), QStringLiteral("Codice"), true);
    }
    controls::setSearchDialogHook({});
    if (!found) state.SkipWithError("cliente non trovato");
}
BENCHMARK(BM_CustomerChoiceFindsATypedCode)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
