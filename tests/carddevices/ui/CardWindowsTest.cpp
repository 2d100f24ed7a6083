// The card window and the options window through their widgets, the card
// window on the device simulator.

#include "../CardDeviceSimulator.h"

#include "carddevices/MagneticDevParam.h"
#include "carddevices/modMagneticDev.h"
#include "carddevices/ui/frmMagneticDev.h"
#include "carddevices/ui/frmMagneticOptions.h"
#include "controls/MubCommand.h"
#include "core/Prompt.h"
#include "platform/SettingsStore.h"
#include "startup/ui/MainWindowLink.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace carddevices;
using cardsim::bytes;
using cardsim::CardDeviceSimulator;
using platform::SettingsStore;

namespace {

const QByteArray kReset = bytes({0x1B, 'a'});
const QByteArray kRead = bytes({0x1B, 'r'});
const QByteArray kFailure = bytes({0x1B, 0x85});

class CardWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SettingsStore::setRootDir(dir_.path());
        SettingsStore::save("Zelt Order", "MagneticDevParam", "COM2", sim_.slaveName());
        magneticDevParams() = {kDeviceMsr106, 2, "9600,n,8,1"};
    }
    void TearDown() override {
        CreateMagneticDevice(true);
        magneticDevParams() = {};
        SettingsStore::setRootDir(QString());
    }

    // Runs the script once the window is up, while ReadCode or WriteCode
    // holds it modal; the script ends by closing the window (or waits for it
    // to close itself).
    void whileOpen(frmMagneticDev& w, std::function<void()> script) {
        QTimer::singleShot(0, &w, [&w, script] {
            EXPECT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }, 2000));
            QTest::qWait(50);  // the window starts its operation
            script();
            if (!QTest::qWaitFor([&] { return !w.isVisible(); }, 5000)) {
                ADD_FAILURE() << "the card window did not close";
                w.reject();
            }
        });
    }
    bool commandsArrive(QList<QByteArray> expected, int ms = 3000) {
        const bool ok = QTest::qWaitFor([&] { return sim_.commands() == expected; }, ms);
        EXPECT_EQ(sim_.commands(), expected);
        return ok;
    }

    QTemporaryDir dir_;
    CardDeviceSimulator sim_;
    core::ScriptedBoxes boxes_;
};

TEST_F(CardWindowTest, ReadsTheCodeAfterThePrefix) {
    sim_.setHoldReads(true);
    sim_.setCard("AB1234");
    frmMagneticDev w;
    whileOpen(w, [&] {
        EXPECT_EQ(w.windowTitle(), "Carta Magnetica");
        EXPECT_EQ(w.lblMsg->text(), "Lettura del Codice dalla Carta...\nPrefisso: AB");
        EXPECT_FALSE(w.txtKeyCode->isVisible());
        EXPECT_FALSE(w.lblTryAgain->isVisible());
        ASSERT_TRUE(sim_.waitForHeldRead());
        sim_.swipe();
    });
    EXPECT_EQ(w.ReadCode(nullptr, "AB", false), "1234");
    EXPECT_EQ(sim_.commands(), QList<QByteArray>({kReset, kRead, kReset}));  // the close resets
    EXPECT_EQ(CurrentMagneticDevice(), nullptr);
    EXPECT_TRUE(boxes_.shown().empty());
}

// A card without the prefix, and a read the device fails, both ask for
// another swipe: beep, "Riprovare...", reset and a new read.
TEST_F(CardWindowTest, BadCardAndFailedReadAreRetried) {
    sim_.setHoldReads(true);
    sim_.setCard("XY1234");
    frmMagneticDev w;
    whileOpen(w, [&] {
        ASSERT_TRUE(sim_.waitForHeldRead());
        sim_.swipe();
        commandsArrive({kReset, kRead, kReset, kRead});
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.lblTryAgain->isVisible(); }, 1000));
        EXPECT_EQ(w.lblTryAgain->text(), "Riprovare...");

        sim_.clearLog();
        sim_.setCard("AB5678");
        sim_.pushStatus('r', '3');
        ASSERT_TRUE(sim_.waitForHeldRead());
        sim_.swipe();
        commandsArrive({kFailure, kReset, kRead});
        EXPECT_TRUE(w.isVisible());

        ASSERT_TRUE(sim_.waitForHeldRead());
        sim_.swipe();
    });
    EXPECT_EQ(w.ReadCode(nullptr, "ab", false), "5678");
}

// Annulla after a read the device failed: the read gives "", never the
// failed read's text.
TEST_F(CardWindowTest, CancelAfterAFailedReadGivesNoCode) {
    sim_.setHoldReads(true);
    sim_.setCard("AB5678");
    sim_.pushStatus('r', '3');
    frmMagneticDev w;
    whileOpen(w, [&] {
        ASSERT_TRUE(sim_.waitForHeldRead());
        sim_.swipe();
        commandsArrive({kReset, kRead, kFailure, kReset, kRead});
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.lblTryAgain->isVisible(); }, 1000));
        QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
    });
    EXPECT_EQ(w.ReadCode(nullptr, "AB", false), QString());
    EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(CardWindowTest, WritesPrefixCodeAndSecondFieldAndRewritesAFailure) {
    sim_.pushStatus('w', '1');
    frmMagneticDev w;
    whileOpen(w, [&] {
        EXPECT_EQ(w.lblMsg->text(), "Scrittura del Codice nella Carta...\n\nCODICE: < 1234 >");
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.lblTryAgain->isVisible(); }, 3000));
    });
    EXPECT_TRUE(w.WriteCode(nullptr, "1234", "AB", "X", false, 0));
    EXPECT_EQ(sim_.card(), "AB1234 X");
    const QByteArray write = bytes({0x1B, 'w', 0x1B, 's', 0x1B, 0x01}) + "AB1234 X" +
                             bytes({0x1B, 0x02, '1', 0x1B, 0x03, '1', '?', 0x1C});
    EXPECT_EQ(sim_.commands(), QList<QByteArray>({kReset, write, kFailure, kReset, write, kReset}));
}

// The 206 HL sets the device up before the operation and codes track 1 itself.
TEST_F(CardWindowTest, Msr206WritesThenReadsTheCode) {
    magneticDevParams().type = kDeviceMsr206LowCoercivity;
    frmMagneticDev writer;
    whileOpen(writer, [] {});
    EXPECT_TRUE(writer.WriteCode(nullptr, "1234", "AB", "X", false, 0));
    ASSERT_GE(sim_.commands().size(), 4);
    EXPECT_EQ(sim_.commands()[1], bytes({0x1B, 'y'}));
    EXPECT_EQ(sim_.commands()[2], bytes({0x1B, 'o', 8, 8, 8}));
    EXPECT_EQ(sim_.commands()[3].left(2), bytes({0x1B, 'n'}));

    sim_.setHoldReads(true);
    frmMagneticDev reader;
    whileOpen(reader, [&] {
        ASSERT_TRUE(sim_.waitForHeldRead());
        sim_.swipe();
    });
    EXPECT_EQ(reader.ReadCode(nullptr, "AB", false), "1234");
    EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(CardWindowTest, WriteRefusals) {
    // An operator below the level asked for (no database: level 0).
    frmMagneticDev w;
    EXPECT_FALSE(w.WriteCode(nullptr, "1234", "", "", false, startup::kAdministratorLevel));
    ASSERT_EQ(boxes_.shown().size(), 1u);
    EXPECT_EQ(boxes_.shown()[0].text, "Utente non abilitato.");
    EXPECT_EQ(boxes_.shown()[0].style, core::kInformation);
    EXPECT_FALSE(w.isVisible());

    magneticDevParams().type = kDeviceKeyboardEmulation;
    frmMagneticDev k;
    EXPECT_FALSE(k.WriteCode(nullptr, "1234", "", "", false, 0));
    EXPECT_EQ(boxes_.lastText(),
              "La scrittura delle carte con dispositivo Emulazione Tastiera non è supportata.");
    EXPECT_TRUE(sim_.received().isEmpty());
}

TEST_F(CardWindowTest, KeyboardEmulation) {
    magneticDevParams().type = kDeviceKeyboardEmulation;
    const struct {
        const char* typed;
        const char* prefix;
        bool reverse;
        const char* code;
    } cases[] = {
        {"1234", "", false, "1234"},
        {"%AB1234?", "AB", false, "1234"},
        {"%4321BA?", "AB", true, "1234"},
        {"", "", false, ""},
    };
    for (const auto& c : cases) {
        frmMagneticDev w;
        whileOpen(w, [&] {
            EXPECT_TRUE(w.txtKeyCode->isVisible());
            // The reader types wherever the focus is: into the code box.
            w.cmdCancel->setFocus();
            QTest::keyClicks(w.cmdCancel, c.typed);
            EXPECT_EQ(w.txtKeyCode->text(), c.typed);
            QTest::keyClick(w.txtKeyCode, Qt::Key_Return);
        });
        EXPECT_EQ(w.ReadCode(nullptr, c.prefix, c.reverse), c.code) << c.typed;
    }

    // A code without the prefix: the box is emptied for another try.
    frmMagneticDev w;
    whileOpen(w, [&] {
        QTest::keyClicks(w.txtKeyCode, "XY99");
        QTest::keyClick(w.txtKeyCode, Qt::Key_Return);
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.lblTryAgain->isVisible());
        EXPECT_EQ(w.txtKeyCode->text(), "");
        QTest::keyClicks(w.txtKeyCode, "AB77");
        QTest::keyClick(&w, Qt::Key_Enter);  // Enter seen by the window
    });
    EXPECT_EQ(w.ReadCode(nullptr, "AB", false), "77");
    EXPECT_TRUE(sim_.received().isEmpty());
}

TEST_F(CardWindowTest, WithADeviceEnterOnAnEmptyWindowDoesNothing) {
    sim_.setHoldReads(true);
    frmMagneticDev w;
    whileOpen(w, [&] {
        ASSERT_TRUE(sim_.waitForHeldRead());
        EXPECT_FALSE(w.txtKeyCode->isVisible());
        QTest::keyClick(&w, Qt::Key_Return);
        QTest::qWait(600);
        EXPECT_TRUE(w.isVisible());
        QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
    });
    EXPECT_EQ(w.ReadCode(nullptr, "", false), "");
    EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(CardWindowTest, UnpluggedDeviceClosesTheWindowWithTheError) {
    sim_.setHoldReads(true);
    frmMagneticDev w;
    whileOpen(w, [&] {
        ASSERT_TRUE(sim_.waitForHeldRead());
        sim_.unplug();
    });
    EXPECT_EQ(w.ReadCode(nullptr, "AB", false), "");
    ASSERT_EQ(boxes_.shown().size(), 1u);
    const QString text = boxes_.shown()[0].text;
    EXPECT_TRUE(text.startsWith("Inizializzazione gestore Carta fallito!\r\rErrore: ")) << text.toStdString();
    EXPECT_TRUE(text.contains("COM2")) << text.toStdString();
    EXPECT_EQ(boxes_.shown()[0].style, core::kCritical);
    EXPECT_EQ(CurrentMagneticDevice(), nullptr);
}

TEST_F(CardWindowTest, PortThatCannotOpenFailsTheStart) {
    SettingsStore::save("Zelt Order", "MagneticDevParam", "COM2", "/dev/zelt-no-such-port");
    frmMagneticDev w;
    whileOpen(w, [] {});
    EXPECT_FALSE(w.WriteCode(nullptr, "1", "", "", false, 0));
    EXPECT_TRUE(boxes_.lastText().startsWith("Inizializzazione gestore Carta fallito!\r\rErrore: "));
}

TEST_F(CardWindowTest, BadPortSettingsAreShownByReadCode) {
    magneticDevParams().comPortParam = "9600,x,9,3";
    frmMagneticDev w;
    EXPECT_EQ(w.ReadCode(nullptr, "", false), "");
    EXPECT_TRUE(boxes_.lastText().contains("\"9600,x,9,3\"")) << boxes_.lastText().toStdString();
    EXPECT_FALSE(w.isVisible());
}

// Cancel while the 206 HL waits for its set-up: the wait ends at once, no
// time-out is reported, the device is released after its call returned.
TEST_F(CardWindowTest, CancelDuringTheSessionSetUp) {
    magneticDevParams().type = kDeviceMsr206LowCoercivity;
    sim_.setSilent('y', true);
    frmMagneticDev w;
    QElapsedTimer t;
    // The session start waits inside the window's start: act from a timer.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (sim_.commands().size() < 2 || !w.isVisible()) return;
        poll.stop();
        t.start();
        QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
    });
    poll.start();
    EXPECT_EQ(w.ReadCode(nullptr, "", false), "");
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_TRUE(boxes_.shown().empty());
    EXPECT_EQ(CurrentMagneticDevice(), nullptr);
    EXPECT_EQ(sim_.commands(), QList<QByteArray>({kReset, bytes({0x1B, 'y'}), kReset}));
}

TEST_F(CardWindowTest, UnknownModelWaitsForCancel) {
    magneticDevParams().type = 5;
    frmMagneticDev w;
    whileOpen(w, [&] {
        QTest::qWait(600);
        EXPECT_TRUE(w.isVisible());
        QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
    });
    EXPECT_EQ(w.ReadCode(nullptr, "", false), "");
    EXPECT_TRUE(sim_.received().isEmpty());
}

// ---- Options window ------------------------------------------------------------------

class MagneticOptionsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SettingsStore::setRootDir(dir_.path());
        magneticDevParams() = {kDeviceMsr106, 1, "9600,n,8,1"};
        SaveMagneticDevParam();
    }
    void TearDown() override {
        magneticDevParams() = {};
        SettingsStore::setRootDir(QString());
    }
    static QString stored(const char* key) {
        return SettingsStore::get("Zelt Order", "MagneticDevParam", key);
    }
    QTemporaryDir dir_;
};

TEST_F(MagneticOptionsTest, ListsFollowTheModelAndOkStores) {
    frmMagneticOptions w;
    w.show();
    EXPECT_EQ(w.windowTitle(), "Impostazioni");
    EXPECT_EQ(w.cmbDevType->currentText(), "MSR 106 Series");
    EXPECT_EQ(w.cboCOMPort->currentText(), "COM1");
    EXPECT_EQ(w.txtCOMParam->currentText(), "9600,n,8,1");
    EXPECT_TRUE(w.txtCOMParam->isEnabled());

    w.cmbDevType->setCurrentIndex(w.cmbDevType->findText("Emulazione Tastiera"));
    EXPECT_EQ(w.cboCOMPort->currentText(), "[nessuno]");
    EXPECT_FALSE(w.cboCOMPort->isEnabled());
    EXPECT_FALSE(w.txtCOMParam->isEnabled());
    QTest::mouseClick(w.cmdOK, Qt::LeftButton);
    EXPECT_TRUE(w.Confirmed());
    EXPECT_EQ(stored("Type"), "9999");
    EXPECT_EQ(stored("COMPortNumber"), "0");

    frmMagneticOptions again;
    again.show();
    EXPECT_FALSE(again.cboCOMPort->isEnabled());
    again.cmbDevType->setCurrentIndex(0);
    EXPECT_TRUE(again.cboCOMPort->isEnabled());
    EXPECT_FALSE(again.txtCOMParam->isEnabled());
    again.cboCOMPort->setCurrentIndex(again.cboCOMPort->findText("COM2"));
    EXPECT_TRUE(again.txtCOMParam->isEnabled());
    again.txtCOMParam->setEditText("9600,e,7,1");
    QTest::mouseClick(again.cmdOK, Qt::LeftButton);
    EXPECT_EQ(stored("Type"), "0");
    EXPECT_EQ(stored("COMPortNumber"), "2");
    EXPECT_EQ(stored("COMPortParam"), "9600,e,7,1");
    EXPECT_EQ(magneticDevParams().comPortNumber, 2);
}

TEST_F(MagneticOptionsTest, EsciChangesNothingAndTheMainWindowIsEnabledAgain) {
    QWidget main;
    main.setEnabled(false);
    startup::mainWindowLink().window = &main;
    {
        frmMagneticOptions w;
        w.show();
        w.cmbDevType->setCurrentIndex(2);
        w.cboCOMPort->setCurrentIndex(5);
        w.txtCOMParam->setEditText("1200,o,7,2");
        QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
        EXPECT_FALSE(w.Confirmed());
    }
    startup::mainWindowLink().window = nullptr;
    EXPECT_TRUE(main.isEnabled());
    EXPECT_EQ(stored("Type"), "0");
    EXPECT_EQ(stored("COMPortNumber"), "1");
    EXPECT_EQ(stored("COMPortParam"), "9600,n,8,1");
    EXPECT_EQ(magneticDevParams().type, kDeviceMsr106);
}

TEST_F(MagneticOptionsTest, StoredValuesTheListsCannotShow) {
    magneticDevParams() = {77, 12, "free text"};
    SaveMagneticDevParam();
    frmMagneticOptions w;
    w.show();
    EXPECT_EQ(w.cmbDevType->currentIndex(), -1);
    EXPECT_EQ(w.cboCOMPort->currentIndex(), -1);
    EXPECT_TRUE(w.cboCOMPort->isEnabled());
    EXPECT_EQ(w.txtCOMParam->currentText(), "free text");
    // Only what the operator chooses is stored.
    w.cboCOMPort->setCurrentIndex(3);
    QTest::mouseClick(w.cmdOK, Qt::LeftButton);
    EXPECT_EQ(stored("Type"), "77");
    EXPECT_EQ(stored("COMPortNumber"), "3");
    EXPECT_EQ(stored("COMPortParam"), "free text");
}

}  // namespace
