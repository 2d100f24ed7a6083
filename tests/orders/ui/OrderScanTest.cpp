// Scans through the real order window, at a reader's pace: a quick run is a
// scan only with at least four characters before its Enter; the codes of a
// burst that comes while a box of the window is open wait for the box to
// close; the codes a burst brings that match no article are named in one
// message at its end.

#include "OrderWindowFixture.h"

#include "controls/SearchDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>

using namespace ordertest;
using orders::ui::frmOrder;

namespace {

// The real quantity prompt, into which `typed` is typed at `gapMs` a key
// once it has the focus; every prompt shown is counted.
struct TypedPrompts {
    TypedPrompts() {
        controls::setSearchDialogHook([this](QDialog& d) {
            auto* q = qobject_cast<orders::ui::frmSetQantity*>(&d);
            if (!q) return false;
            ++shown;
            QTimer::singleShot(0, q, [this, q] {
                if (!QTest::qWaitFor([q] { return QApplication::focusWidget() == q->txtQuantity(); })) return;
                QTest::qWait(50);  // the agent reads the prompt first
                typeAsReader(typed, gapMs);
            });
            return q->exec() == QDialog::Accepted;
        });
    }
    ~TypedPrompts() { controls::setSearchDialogHook({}); }
    QString typed;
    int gapMs = 10;
    int shown = 0;
};

QMessageBox* openBox() { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }

}  // namespace

// A quantity or a multiplier typed at a keypad's pace (keys 10 ms apart) is
// typing, in the prompt and in the code box: the Enter confirms it; four
// characters and more before the Enter are a reader's code.
TEST_F(OrderWindowTest, AQuickRunIsAScanOnlyWithFourCharactersBeforeItsEnter) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->Widgets().chkRequest_Quantita->isChecked());
    activate(w);
    TypedPrompts prompts;

    // The quantity of a row.
    prompts.typed = QStringLiteral("12\r");
    w->AddElementByCode(QStringLiteral("ART1"));
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART1x12"));
    EXPECT_EQ(prompts.shown, 1);

    // The multiplier of a promotion: added twice.
    w->Widgets().optPromozioni->click();
    ASSERT_EQ(w->Widgets().cboSelPromoKit->count(), 1);
    boxes->answer(core::kAnswerYes);
    prompts.typed = QStringLiteral("2\r");
    w->cmdAddPromoKit_Click();
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART1x12 ##NOTA## ART1x4 ART2x2 ART3x6 ##NOTA##"));

    // The code box: three characters and Enter are typing, looked up at once
    // (and the prompt asked at once); four are a reader's code, looked up
    // once the keys stop.
    struct Case {
        const char* typed;
        bool atOnce;
        const char* rows;
    } cases[] = {{"ABC\r", true, " ABCx3"}, {"ART4\r", false, " ART4x3"}};
    QString rows = rowCodes(*w->Rows());
    prompts.typed = QStringLiteral("3\r");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        activate(w);
        w->Widgets().txtCode_Articolo->setFocus();
        typeAsReader(QString::fromLatin1(c.typed), 10);
        rows += QString::fromLatin1(c.rows);
        EXPECT_EQ(rowCodes(*w->Rows()) == rows, c.atOnce) << rowCodes(*w->Rows()).toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return rowCodes(*w->Rows()) == rows; }))
            << rowCodes(*w->Rows()).toStdString();
    }
    for (const QString& m : data->sink.messages)
        EXPECT_FALSE(m.contains(QStringLiteral("non trovato"))) << m.toStdString();
    EXPECT_EQ(w->Widgets().txtCode_Articolo->text(), QString());
}

// A code not found inside a burst does not stop it: the codes after it go in
// too, and one message at the burst's end names every code not found.
TEST_F(OrderWindowTest, CodesNotFoundInABurstAreNamedInOneMessageAtItsEnd) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    activate(w);
    w->Widgets().chkRequest_Quantita->click();
    ASSERT_FALSE(w->Widgets().chkRequest_Quantita->isChecked());
    w->Widgets().txtCode_Articolo->setFocus();
    const QString searched =
        QStringLiteral("\r\rRicerca effettuata per CODICE, CODICE AGGIUNTIVO e DESCRIZIONE");
    struct Case {
        const char* burst;
        const char* rows;
        QString message;
    } cases[] = {
        {"ART1\r8999999999999\rART2\rART3\r", "ART1x1 ART2x1 ART3x1",
         QStringLiteral("Articolo 8999999999999 non trovato") + searched},
        {"ZZZZ\rART1\rYYYY\r", "ART1x2 ART2x1 ART3x1",
         QStringLiteral("Articoli non trovati:\r\rZZZZ\rYYYY") + searched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.burst);
        data->sink.messages.clear();
        typeAsReader(QString::fromLatin1(c.burst), 3);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !data->sink.messages.isEmpty(); }));
        EXPECT_EQ(rowCodes(*w->Rows()), QString::fromLatin1(c.rows));
        QTest::qWait(150);
        EXPECT_EQ(data->sink.messages, QStringList{c.message});
        EXPECT_EQ(w->Widgets().txtCode_Articolo->text(), QString());
    }
}

// While a box of the order window is open, a burst never goes into the box
// nor closes it: its codes wait and are added, in their order, once the agent
// has answered the box.
TEST_F(OrderWindowTest, ABurstWhileABoxIsOpenWaitsForTheBoxToClose) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    activate(w);
    w->Widgets().chkRequest_Quantita->click();
    boxes.reset();  // the real boxes
    // The box is answered from inside its own loop, as the agent does.
    QString boxText, rowsWhileOpen;
    bool stayedOpen = false;
    int polls = 0;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QMessageBox* box = openBox();
        if (!box) return;
        if (!box->isAncestorOf(QApplication::focusWidget())) {
            if (++polls > 400) {  // never had the focus: closed, and the test fails
                poll.stop();
                box->defaultButton()->click();
            }
            return;
        }
        poll.stop();
        boxText = box->text();
        typeAsReader(QStringLiteral("ART2\rZZZZ\rART3\r"), 3);
        QTest::qWait(250);  // longer than the keys' quiet time
        stayedOpen = openBox() == box && box->isVisible();
        rowsWhileOpen = rowCodes(*w->Rows());
        // The agent's own Enter answers the box at once.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    poll.start();
    w->Widgets().txtCode_Articolo->setFocus();
    typeAsReader(QStringLiteral("ART1\rDIS1\r"), 3);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return rowCodes(*w->Rows()) == QStringLiteral("ART1x1 ART2x1 ART3x1");
    })) << rowCodes(*w->Rows()).toStdString();
    EXPECT_EQ(boxText, QStringLiteral("L'articolo selezionato è disabilitato."));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(rowsWhileOpen, QStringLiteral("ART1x1"));
    EXPECT_EQ(openBox(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return data->sink.messages.size() == 1 &&
               data->sink.messages.first().startsWith(QStringLiteral("Articolo ZZZZ non trovato"));
    })) << data->sink.messages.join(QLatin1Char('|')).toStdString();
    boxes = std::make_unique<core::ScriptedBoxes>();
}

// With "Richiedi quantità" on, no scan of a burst is lost and no scanned code
// ever becomes a quantity.
TEST_F(OrderWindowTest, ScansInABurstWithTheQuantityPromptOnAreNeverLost) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->Widgets().chkRequest_Quantita->isChecked());
    activate(w);
    w->Widgets().txtCode_Articolo->setFocus();

    // Three codes in one burst: three rows; the prompt comes once the keys
    // stop, for the last one; the others keep the default.
    player->quantities = {QStringLiteral("4")};
    typeAsReader(QStringLiteral("ART1\rART2\rART3\r"));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return rowCodes(*w->Rows()) == QStringLiteral("ART1x1 ART2x1 ART3x4");
    })) << rowCodes(*w->Rows()).toStdString();
    EXPECT_EQ(player->quantityPrompts, 1);
    EXPECT_EQ(w->Widgets().txtCode_Articolo->text(), QString());

    // A burst typed into the open prompt (a numeric additional code and a
    // code) neither goes into it nor closes it: the agent's own quantity
    // still counts, and the codes are added after it, the prompt asked for
    // the last one.
    int prompts = 0;
    bool stayedOpen = false;
    QString textAfterBurst;
    controls::setSearchDialogHook([&](QDialog& d) {
        auto* q = qobject_cast<orders::ui::frmSetQantity*>(&d);
        if (!q) return false;
        if (++prompts == 1) {
            QTimer::singleShot(0, q, [&, q] {
                if (!QTest::qWaitFor([q] { return QApplication::focusWidget() == q->txtQuantity(); })) return;
                typeAsReader(QStringLiteral("8004\rDUP2\r"), 3);
                QTest::qWait(250);  // longer than the keys' quiet time
                stayedOpen = q->isVisible();
                textAfterBurst = q->txtQuantity()->text();
                QTest::keyClick(q->txtQuantity(), Qt::Key_2);
                QTest::qWait(60);
                QTest::keyClick(q->txtQuantity(), Qt::Key_Return);
            });
            return q->exec() == QDialog::Accepted;
        }
        q->txtQuantity()->setText(QStringLiteral("5"));
        q->cmdConfirm()->click();
        return q->result() == QDialog::Accepted;
    });
    w->AddElementByCode(QStringLiteral("ABC"));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(textAfterBurst, QStringLiteral("1"));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return rowCodes(*w->Rows()) == QStringLiteral("ART1x1 ART2x1 ART3x4 ABCx2 ART4x1 DUP2x5");
    })) << rowCodes(*w->Rows()).toStdString();
    EXPECT_EQ(prompts, 2);
    for (const auto& shown : boxes->shown())
        EXPECT_FALSE(shown.text.startsWith(QStringLiteral("Valore incorretto"))) << shown.text.toStdString();

    // Ctrl+A and a digit at once in the prompt are the agent's own typing,
    // not a burst: the quantity is the digit and nothing goes to the code box.
    controls::setSearchDialogHook([](QDialog& d) {
        auto* q = qobject_cast<orders::ui::frmSetQantity*>(&d);
        if (!q) return false;
        QTimer::singleShot(0, q, [q] {
            if (!QTest::qWaitFor([q] { return QApplication::focusWidget() == q->txtQuantity(); })) return;
            QTest::keyClick(q->txtQuantity(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(q->txtQuantity(), Qt::Key_7);
            QTest::qWait(60);
            QTest::keyClick(q->txtQuantity(), Qt::Key_Return);
        });
        return q->exec() == QDialog::Accepted;
    });
    w->AddElementByCode(QStringLiteral("DUP1"));
    QTest::qWait(200);
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART1x1 ART2x1 ART3x4 ABCx2 ART4x1 DUP2x5 DUP1x7"));
    EXPECT_EQ(w->Widgets().txtCode_Articolo->text(), QString());
}
