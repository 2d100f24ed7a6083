#include "startup/ui/frmMessage.h"

#include "platform/ui/MessageBox.h"
#include "startup/ui/modZeltFormUtility.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

using startup::frmMessage;

namespace {

class MessageWindow : public ::testing::Test {
  protected:
    void TearDown() override {
        frmMessage::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    frmMessage* msg() { return frmMessage::instance(); }
};

// An owner window with a command the operator could start again.
struct OwnerWindow {
    QWidget window;
    QPushButton* command = new QPushButton(QStringLiteral("Comando"), &window);
    int runs = 0;
    OwnerWindow() {
        QObject::connect(command, &QPushButton::clicked, [this] { ++runs; });
        window.resize(400, 300);
        window.show();
    }
};

TEST(MessageCounter, TextOfValueAndMaximum) {
    struct Case {
        long value, maximum;
        const char* text;
    };
    const Case cases[] = {
        {37, 120, "37 / 120"},      {1, 1, "1 / 1"}, {5000, 9999, "5000 / 9999"},  // still a count at 9999
        {2500, 10000, "25 / 100%"},  // a percentage just above it
        {250, 10000, "2 / 100%"},    // 2.5: halves to the even number
        {350, 10000, "4 / 100%"},    // 3.5
        {0, 100000, "0 / 100%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frmMessage::CounterText(c.value, c.maximum), QString::fromLatin1(c.text))
            << c.value << "/" << c.maximum;
}

TEST_F(MessageWindow, LoadsWithoutBarAndShowsTheMessage) {
    msg()->ShowMsg(QStringLiteral("Elaborazione in corso...\rAttendere"));
    EXPECT_TRUE(msg()->isVisible());
    EXPECT_EQ(msg()->lblMessage()->text(), QStringLiteral("Elaborazione in corso...\nAttendere"));
    EXPECT_TRUE(msg()->pbNotify()->isHidden());
    EXPECT_TRUE(msg()->shpNotify()->isHidden());
    EXPECT_TRUE(msg()->cmdStop()->isHidden());
    EXPECT_EQ(msg()->cmdStop()->toolTip(), QStringLiteral("Interrompe l'esecuzione"));
    EXPECT_EQ(msg()->imgHourglass()->toolTip(), QStringLiteral("Attendere..."));
    EXPECT_EQ(msg()->MaxProgress(), 0);
    EXPECT_FALSE(msg()->Stopped());
}

TEST_F(MessageWindow, TotalZeroGivesOneStepThatFillsTheBar) {
    msg()->ShowMsg(QStringLiteral("Copia"));
    msg()->StartProgress(0, false);
    EXPECT_EQ(msg()->MaxProgress(), 1);
    EXPECT_EQ(msg()->pbNotify()->value(), 0);
    EXPECT_TRUE(msg()->lblCount()->text().isEmpty());
    EXPECT_TRUE(msg()->shpNotify()->isVisible());

    EXPECT_TRUE(msg()->Progress());
    EXPECT_EQ(msg()->lblCount()->text(), QStringLiteral("1 / 1"));
    // A step on a full bar keeps it full and still answers.
    EXPECT_TRUE(msg()->Progress());
    EXPECT_EQ(msg()->pbNotify()->value(), 1);
    EXPECT_EQ(msg()->lblCount()->text(), QStringLiteral("1 / 1"));

    msg()->EndProgress();
    EXPECT_EQ(msg()->MaxProgress(), 0);
    EXPECT_TRUE(msg()->shpNotify()->isHidden());
}

TEST_F(MessageWindow, PositionsBeyondTheMaximumAndNoCount) {
    msg()->ShowMsg(QStringLiteral("Importazione"));
    msg()->StartProgress(120, false);
    msg()->Progress(37);
    EXPECT_EQ(msg()->lblCount()->text(), QStringLiteral("37 / 120"));
    msg()->Progress(121);  // beyond: value unchanged, counter rewritten with it
    EXPECT_EQ(msg()->pbNotify()->value(), 37);
    EXPECT_EQ(msg()->lblCount()->text(), QStringLiteral("37 / 120"));
    msg()->Progress();
    EXPECT_EQ(msg()->lblCount()->text(), QStringLiteral("38 / 120"));

    EXPECT_TRUE(msg()->cmdStop()->isHidden());
    EXPECT_TRUE(msg()->Progress(99, true));  // no count: only the stop button appears
    EXPECT_TRUE(msg()->cmdStop()->isVisible());
    EXPECT_EQ(msg()->pbNotify()->value(), 38);
    EXPECT_EQ(msg()->lblCount()->text(), QStringLiteral("38 / 120"));

    msg()->StartProgress(40000, true);
    msg()->Progress(10000);
    EXPECT_EQ(msg()->lblCount()->text(), QStringLiteral("25 / 100%"));
}

TEST_F(MessageWindow, StopThroughTheButtonWhileAnOperationPolls) {
    OwnerWindow owner;
    platform::ScriptedBoxes boxes;
    msg()->ShowMsg(QStringLiteral("Invio ordini"), &owner.window);
    msg()->StartProgress(10, true);
    EXPECT_TRUE(msg()->cmdStop()->isVisible());

    // "No": nothing changes.
    boxes.answer(platform::kAnswerNo);
    QTimer::singleShot(0, msg()->cmdStop(), [this] { QTest::mouseClick(msg()->cmdStop(), Qt::LeftButton); });
    EXPECT_TRUE(msg()->Progress());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("Confermi l'interruzione ?"));
    EXPECT_EQ(boxes.shown()[0].style, platform::kYesNo | platform::kQuestion | platform::kDefaultButton1);

    // "Yes": the operation sees the stop at its poll, the window stays up.
    boxes.answer(platform::kAnswerYes);
    QTimer::singleShot(0, msg()->cmdStop(), [this] { QTest::mouseClick(msg()->cmdStop(), Qt::LeftButton); });
    EXPECT_FALSE(msg()->Progress());
    EXPECT_TRUE(msg()->Stopped());
    EXPECT_FALSE(msg()->Progress());
    EXPECT_TRUE(msg()->isVisible());
    bool stopped = false;
    msg()->OnStopped(stopped);
    EXPECT_TRUE(stopped);

    // A second confirmed stop (Esc this time) takes the window away and gives
    // the owner back, but the operation can still poll it safely.
    boxes.answer(platform::kAnswerYes);
    QPointer<frmMessage> window = msg();
    QTimer::singleShot(0, window, [window] { QTest::keyClick(window, Qt::Key_Escape); });
    EXPECT_FALSE(window->Progress());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(window.isNull());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(frmMessage::IsLoaded());  // unloaded: the next message loads a new window
    EXPECT_TRUE(owner.window.isEnabled());
    EXPECT_FALSE(window->Progress());

    // The next message comes in a new window; the program's unload at the
    // end of the operation deletes the old one.
    EXPECT_NE(msg(), window.data());
    EXPECT_FALSE(msg()->Stopped());
    frmMessage::Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(MessageWindow, OwnerIsDisabledSoItsCommandCannotRunAgain) {
    OwnerWindow owner;
    msg()->ShowMsg(QStringLiteral("Stampa in corso"), &owner.window);
    EXPECT_FALSE(owner.window.isEnabled());
    msg()->StartProgress(3, true);
    QTimer::singleShot(0, owner.command, [&owner] { QTest::mouseClick(owner.command, Qt::LeftButton); });
    EXPECT_TRUE(msg()->Progress());
    EXPECT_EQ(owner.runs, 0);

    frmMessage::Unload();
    EXPECT_FALSE(frmMessage::IsLoaded());
    EXPECT_TRUE(owner.window.isEnabled());
    QTest::mouseClick(owner.command, Qt::LeftButton);
    EXPECT_EQ(owner.runs, 1);
}

TEST_F(MessageWindow, FocusGoesBackWhereItWas) {
    OwnerWindow main;
    QWidget order;
    order.show();
    order.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&order));
    msg()->ShowMsg(QStringLiteral("Stampa"), &main.window);
    frmMessage::Unload();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&order));

    // When that window has gone meanwhile, the owner gets it.
    order.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&order));
    msg()->ShowMsg(QStringLiteral("Stampa"), &main.window);
    order.close();
    frmMessage::Unload();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&main.window));
}

TEST_F(MessageWindow, ChangingOwnerGivesThePreviousOneItsStateBack) {
    OwnerWindow first;
    OwnerWindow second;
    QWidget alreadyDisabled;
    alreadyDisabled.setEnabled(false);
    alreadyDisabled.show();

    msg()->ShowMsg(QStringLiteral("Uno"), &first.window);
    msg()->ShowMsg(QStringLiteral("Due"), &first.window);  // same owner: only the text
    EXPECT_EQ(msg()->owner(), &first.window);
    EXPECT_EQ(msg()->lblMessage()->text(), QStringLiteral("Due"));

    msg()->ShowMsg(QStringLiteral("Tre"), second.command);  // a control stands for its window
    EXPECT_EQ(msg()->owner(), &second.window);
    EXPECT_TRUE(first.window.isEnabled());
    EXPECT_FALSE(second.window.isEnabled());

    msg()->ShowMsg(QStringLiteral("Quattro"), &alreadyDisabled);
    EXPECT_TRUE(second.window.isEnabled());
    frmMessage::Unload();
    EXPECT_FALSE(alreadyDisabled.isEnabled());  // its own state, not "enabled"

    // No owner: an unowned window that disables nothing.
    msg()->ShowMsg(QStringLiteral("Cinque"));
    EXPECT_EQ(msg()->owner(), nullptr);
    EXPECT_TRUE(first.window.isEnabled());
    EXPECT_TRUE(second.window.isEnabled());
}

TEST_F(MessageWindow, PositionOnlyWhenItBecomesVisible) {
    const long topTwips = startup::PixelsToTwips(120);
    const long leftTwips = startup::PixelsToTwips(90);
    msg()->ShowMsg(QStringLiteral("Posizione"), nullptr, topTwips, leftTwips);
    EXPECT_EQ(msg()->pos(), QPoint(90, 120));
    msg()->ShowMsg(QStringLiteral("Ancora"), nullptr, startup::PixelsToTwips(10), startup::PixelsToTwips(10));
    EXPECT_EQ(msg()->pos(), QPoint(90, 120));
    // -1 keeps the coordinate the window takes by itself (centred).
    frmMessage::Unload();
    msg()->ShowMsg(QStringLiteral("Centro"));
    const QPoint centred = msg()->pos();
    frmMessage::Unload();
    msg()->ShowMsg(QStringLiteral("Centro"), nullptr, -1, leftTwips);
    EXPECT_EQ(msg()->pos(), QPoint(90, centred.y()));
}

TEST_F(MessageWindow, FullBarEndsWhenTheWindowAppearsAgain) {
    msg()->StartProgress(2, true);
    msg()->Progress(2);
    msg()->ShowMsg(QStringLiteral("Fine"));
    EXPECT_EQ(msg()->MaxProgress(), 0);
    EXPECT_TRUE(msg()->cmdStop()->isHidden());
}

TEST_F(MessageWindow, NotShownOverAModalWindowOfSomeoneElse) {
    OwnerWindow owner;
    QDialog modal;
    modal.setModal(true);
    modal.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &modal);
    msg()->ShowMsg(QStringLiteral("Bloccato"), &owner.window);
    EXPECT_FALSE(msg()->isVisible());
    EXPECT_EQ(msg()->owner(), nullptr);
    EXPECT_TRUE(owner.window.isEnabled());

    // Owned by the modal window itself it shows, and its stop button works.
    platform::ScriptedBoxes boxes;
    boxes.answer(platform::kAnswerYes);
    msg()->ShowMsg(QStringLiteral("Riparazione"), &modal);
    EXPECT_TRUE(msg()->isVisible());
    EXPECT_FALSE(modal.isEnabled());
    msg()->StartProgress(3, true);
    QTimer::singleShot(0, msg()->cmdStop(), [this] { QTest::mouseClick(msg()->cmdStop(), Qt::LeftButton); });
    EXPECT_FALSE(msg()->Progress());
    frmMessage::Unload();
    EXPECT_TRUE(modal.isEnabled());
}

TEST_F(MessageWindow, ProgressInterfaceOfTheDataLibrary) {
    datalib::itfProgress& sink = *msg();
    msg()->ShowMsg(QStringLiteral("Controllo tabelle"));
    sink.OnStart(50, false);
    EXPECT_TRUE(msg()->cmdStop()->isVisible());  // always offered
    EXPECT_EQ(msg()->MaxProgress(), 50);
    bool goOn = false;
    sink.OnProgress(20, goOn);
    EXPECT_TRUE(goOn);
    EXPECT_EQ(msg()->lblCount()->text(), QStringLiteral("20 / 50"));
    bool stopped = true;
    sink.OnStopped(stopped);
    EXPECT_FALSE(stopped);
    sink.OnEnd();
    EXPECT_EQ(msg()->MaxProgress(), 0);
}

TEST_F(MessageWindow, UnloadedDuringAPollEndsTheOperation) {
    msg()->ShowMsg(QStringLiteral("Chiusura"));
    msg()->StartProgress(3, true);
    QPointer<frmMessage> window = msg();
    QTimer::singleShot(0, [] { frmMessage::Unload(); });
    EXPECT_FALSE(window->Progress());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(frmMessage::IsLoaded());
}

TEST_F(MessageWindow, HourglassCyclesThroughItsPictures) {
    const int frames = msg()->HourglassFrameCount();
    ASSERT_GT(frames, 1);
    EXPECT_EQ(msg()->HourglassFrame(), 0);
    QTest::qWait(450);
    EXPECT_GE(msg()->HourglassFrame(), 1);
    EXPECT_LE(msg()->HourglassFrame(), frames);
}

}  // namespace
