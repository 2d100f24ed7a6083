#pragma once
// The order window over a fresh agent database in a temporary folder: every
// table class of the program, an agent, customers, a bank, lines,
// categories, articles, a promotion valid today and a kit. Boxes are
// scripted; the modal dialogs (pick lists, quantity prompt) are played by
// queued answers.

#include "app/AllTableClasses.h"
#include "controls/DataGrid.h"
#include "controls/MubCommand.h"
#include "controls/SearchDialogs.h"
#include "controls/ViewUtility.h"
#include "core/Clock.h"
#include "core/ItalianText.h"
#include "core/Prompt.h"
#include "core/Variant.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "orders/ui/frmOrder.h"
#include "orders/ui/frmSetQantity.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "startup/RunContext.h"
#include "support/AgentDatabase.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

// Texts in the failure messages as text.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace ordertest {

// The library's notices and questions: recorded; questions answered from a
// queue (Yes when it is empty).
using Sink = testsupport::RecordingSink;

inline core::Variant V(const char* s) { return core::Variant(QString::fromUtf8(s)); }

// Opens (or creates) the agent database of a test in dir and makes it the run's.
class OrderDatabase {
  public:
    explicit OrderDatabase(const QString& file, bool create)
        : data_(options(file, create)), sink(data_.sink()) {
        startup::runContext().engine = data_.enginePtr();
        startup::runContext().database = data_.dbPtr();
    }
    ~OrderDatabase() {
        startup::runContext().database.reset();
        startup::runContext().engine.reset();
    }
    datalib::Database& db() { return data_.db(); }
    datalib::Engine& engine() { return data_.engine(); }

  private:
    static testsupport::AgentDatabase::Options options(const QString& file, bool create) {
        app::registerAllTableClasses();
        testsupport::AgentDatabase::Options o;
        o.file = file;
        o.create = create;
        return o;
    }
    testsupport::AgentDatabase data_;

  public:
    Sink& sink;
};

// Master data of the tests, written as head office would (no agent checks).
inline void FillMasterData(datalib::Database& db) {
    auto& rc = startup::runContext();
    const QString agent = rc.codeAgente;
    rc.codeAgente.clear();
    auto ins = [&](const char* table, std::vector<core::Variant> pairs) {
        return db.OpenDataSource(QString::fromLatin1(table))->InsertFromPairs(pairs);
    };
    const core::Date today = core::Clock::today();
    db.SetSysParam(QStringLiteral("DataAggiornamentoDatabase"), core::italian::formatDateOnly(today));
    db.SetSysParam(QStringLiteral("DataUltimoAccesso"), core::italian::formatDateOnly(today));
    db.SetSysParam(QStringLiteral("CodicePostazione"), QStringLiteral("1"));
    ins("Agenti", {V("Codice"), V("A001"), V("RagioneSociale"), V("Mario Rossi")});
    ins("Banche", {V("Codice"), V("B1"), V("Nome"), V("Banca del Borgo")});
    ins("Clienti", {V("Codice"), V("C1"), V("RagioneSociale"), V("Ferramenta Bianchi")});
    ins("Clienti", {V("Codice"), V("C2"), V("RagioneSociale"), V("Colorificio dell'Orso")});
    ins("Linee", {V("Codice"), V("L1"), V("Descrizione"), V("Utensili")});
    ins("Linee", {V("Codice"), V("L2"), V("Descrizione"), V("Vernici")});
    ins("Categorie",
        {V("Codice"), V("CAT1"), V("Descrizione"), V("Martelli"), V("Complementi"), core::Variant(false)});
    ins("Categorie",
        {V("Codice"), V("CAT2"), V("Descrizione"), V("Accessori"), V("Complementi"), core::Variant(true)});
    ins("Categorie", {V("Codice"), V("CAT3"), V("Descrizione"), V("Fuori catalogo"), V("Disabilitato"),
                      core::Variant(true)});
    struct Art {
        const char *code, *extra, *description, *category, *line;
        double price;
        bool disabled;
    } articles[] = {
        {"ART1", "8001", "Martello da carpentiere", "CAT1", "L1", 10.0, false},
        {"ART2", "8002", "Mazzetta", "CAT1", "L1", 20.0, false},
        {"ART3", "8003", "Manico di ricambio", "CAT2", "L1", 5.0, false},
        {"ART4", "8004", "Pennello piatto", "CAT2", "L2", 3.0, false},
        {"DIS1", "8009", "Martello vecchio", "CAT1", "L1", 8.0, true},
        {"DUP1", "DUPL", "Chiave inglese piccola", "CAT1", "L1", 7.0, false},
        {"DUP2", "DUPL", "Chiave inglese grande", "CAT1", "L1", 9.0, false},
        {"ABC", "", "Articolo da scanner", "CAT1", "L1", 1.0, false},
        {"L'ART", "", "Articolo con apostrofo", "CAT1", "L1", 2.0, false},
    };
    for (const Art& a : articles)
        ins("Articoli",
            {V("Codice"), V(a.code), V("CodiceAggiuntivo"), V(a.extra), V("Descrizione"), V(a.description),
             V("Categoria"), V(a.category), V("Linea"), V(a.line), V("PrezzoBase"), core::Variant(a.price),
             V("Disabilitato"), core::Variant(a.disabled)});

    ins("Promozioni", {V("Codice"), V("PRIM"), V("Descrizione"), V("Promozione di primavera"),
                       V("DataInizioPromozione"), core::Variant(today)});
    ins("Promozioni", {V("Codice"), V("FUTURA"), V("Descrizione"), V("Non ancora valida"),
                       V("DataInizioPromozione"), core::Variant(core::Date(today.serial() + 1))});
    {
        auto header = db.OpenDataSource(QStringLiteral("Promozioni"), QStringLiteral("Codice='PRIM'"));
        header->RowFirst();
        auto elements = header->GetReference(QStringLiteral("Elementi"));
        for (auto [code, qty, price] :
             {std::tuple{"ART1", 2.0, 0.0}, {"ART2", 1.0, 15.0}, {"ART3", 3.0, 0.0}})
            elements->InsertFromPairs({V("Codice"), V(code), V("CodicePromozione"), V("PRIM"),
                                       V("QuantitàPromozione"), core::Variant(qty), V("PrezzoVendita"),
                                       core::Variant(core::Currency::fromDouble(price))});
    }
    ins("Kit", {V("Codice"), V("KIT1"), V("Descrizione"), V("Kit martelli")});
    {
        auto header = db.OpenDataSource(QStringLiteral("Kit"), QStringLiteral("Codice='KIT1'"));
        header->RowFirst();
        auto elements = header->GetReference(QStringLiteral("Elementi"));
        for (auto [code, qty, price] : {std::tuple{"ART1", 1.0, 9.0}, {"ART4", 2.0, 2.5}})
            elements->InsertFromPairs({V("Codice"), V(code), V("CodiceKit"), V("KIT1"), V("QuantitàIndicata"),
                                       core::Variant(qty), V("PrezzoVendita"),
                                       core::Variant(core::Currency::fromDouble(price))});
    }
    rc.codeAgente = agent;
}

// Plays the modal dialogs: the quantity prompt takes the next queued text
// (nothing: cancelled); any other dialog is handed to `dialog` (default:
// closed without a choice).
class DialogPlayer {
  public:
    DialogPlayer() {
        controls::setSearchDialogHook([this](QDialog& d) { return play(d); });
    }
    ~DialogPlayer() { controls::setSearchDialogHook({}); }
    std::deque<std::optional<QString>> quantities;
    std::function<bool(QDialog&)> dialog;
    int quantityPrompts = 0;
    QStringList promptInitialValues;

  private:
    bool play(QDialog& d) {
        if (auto* q = qobject_cast<orders::ui::frmSetQantity*>(&d)) {
            ++quantityPrompts;
            promptInitialValues << q->txtQuantity()->text();
            std::optional<QString> answer;
            if (!quantities.empty()) {
                answer = quantities.front();
                quantities.pop_front();
            }
            if (!answer) {
                q->reject();
                return false;
            }
            q->txtQuantity()->setText(*answer);
            q->cmdConfirm()->click();
            return q->result() == QDialog::Accepted;
        }
        return dialog ? dialog(d) : false;
    }
};

// Chooses in a pick list the row whose column holds the value (with no
// value: the first row where the column is not empty); false when none.
inline bool ChooseIn(QDialog& d, const QString& column, const QString& value) {
    auto* pick = qobject_cast<controls::PickListDialog*>(&d);
    if (!pick) return false;
    auto ds = pick->grid()->dataSource();
    if (!ds) return false;
    for (long i = 0; i < ds->RowCount(); ++i) {
        ds->MoveTo(i);
        const QString v = ds->ColValueStr(column);
        if (value.isEmpty() ? !v.isEmpty() : v == value) {
            pick->ChooseRow(i);
            pick->accept();
            return pick->result() == QDialog::Accepted;
        }
    }
    return false;
}

// The rows as "code x quantity" (notes by their code alone).
inline QString rowCodes(datalib::DataSource& rows) {
    QStringList codes;
    for (rows.RowFirst(); !rows.Eof(); rows.RowNext()) {
        const QString code = rows.ColValueStr(QStringLiteral("Codice"));
        codes << (code.startsWith(QStringLiteral("##"))
                      ? code
                      : code + QLatin1Char('x') +
                            QString::number(rows.ColValueNum(QStringLiteral("QuantitàOrdine"))));
    }
    return codes.join(QLatin1Char(' '));
}

// Types as a barcode reader does (or a keypad with rollover): a key every
// gapMs milliseconds, each to the widget that has the focus when it comes.
// Each key carries its time as the window system stamps it, so the pace
// holds on a busy machine too; the first key of each call comes long after
// the last key of the one before.
inline void typeAsReader(const QString& text, int gapMs = 5) {
    static QElapsedTimer clock;
    static quint64 stamp = 0;
    if (!clock.isValid()) clock.start();
    stamp = std::max<quint64>(stamp + 1000, 1000000 + quint64(clock.elapsed()));
    for (QChar ch : text) {
        QWidget* target = QApplication::focusWidget();
        if (!target) {
            ADD_FAILURE() << "no widget has the focus for " << QString(ch).toStdString();
            return;
        }
        const bool enter = ch == QLatin1Char('\r');
        const int key = enter ? int(Qt::Key_Return) : int(ch.toUpper().unicode());
        const QString typed = enter ? QStringLiteral("\r") : QString(ch);
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier, typed);
            event.setTimestamp(stamp);
            QApplication::sendEvent(target, &event);
            if (QApplication::focusWidget() != target) break;  // the key closed its window
        }
        stamp += quint64(gapMs);
        QTest::qWait(gapMs);
    }
}

class OrderWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        platform::SettingsStore::setRootDir(dir.filePath("config"));
        platform::setDataDirOverride(dir.filePath("data"));
        startup::runContext().codeAgente = QStringLiteral("A001");
        data = std::make_unique<OrderDatabase>(dir.filePath("ZeltOrder_A001"), true);
        FillMasterData(data->db());
        boxes = std::make_unique<core::ScriptedBoxes>();
        owner.resize(400, 300);
        owner.show();
    }
    void TearDown() override {
        if (auto* w = orders::ui::frmOrder::Instance()) {
            delete w;
        }
        player.reset();
        boxes.reset();
        data.reset();
        startup::runContext().codeAgente.clear();
        platform::SettingsStore::setRootDir(QString());
        platform::setDataDirOverride(QString());
    }

    // Chooses the customer (or, with nothing, cancels the choice) in the next
    // pick list; then the window starts its order.
    orders::ui::frmOrder* startOrder(const char* customer = "C1");
    // The next pick list chooses the row whose `column` equals `value`.
    void pickNext(const QString& column, const QString& value) {
        player->dialog = [column, value](QDialog& d) { return ChooseIn(d, column, value); };
    }

    long count(const char* table, const QString& filter = {}) {
        return data->db().OpenDataSource(QString::fromLatin1(table), filter)->RowCount();
    }
    void activate(QWidget* w) {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }

    QTemporaryDir dir;
    std::unique_ptr<OrderDatabase> data;
    std::unique_ptr<core::ScriptedBoxes> boxes;
    std::unique_ptr<DialogPlayer> player = std::make_unique<DialogPlayer>();
    QWidget owner;
};

}  // namespace ordertest
