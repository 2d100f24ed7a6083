#include "platform/ui/MessageBox.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace platform;

namespace {

TEST(MessageBoxTest, ScriptedAnswersAndLog) {
    ScriptedBoxes boxes;
    boxes.answer(kAnswerYes);
    EXPECT_EQ(messageBox("Confermi ?", kYesNo + kQuestion + kDefaultButton2), kAnswerYes);
    // Queue empty: the default button answers.
    EXPECT_EQ(messageBox("Sicuro ?", kYesNo + kDefaultButton2), kAnswerNo);
    EXPECT_EQ(messageBox("Procedo ?", kYesNo), kAnswerYes);
    EXPECT_EQ(messageBox("Fatto", kOkOnly, "ERRORE"), kAnswerOk);

    ASSERT_EQ(boxes.shown().size(), 4u);
    EXPECT_EQ(boxes.shown()[0].text, "Confermi ?");
    EXPECT_EQ(boxes.shown()[0].title, "Zelt Order");
    EXPECT_EQ(boxes.shown()[0].style, kYesNo + kQuestion + kDefaultButton2);
    EXPECT_EQ(boxes.shown()[3].title, "ERRORE");
    EXPECT_EQ(boxes.lastText(), "Fatto");
}

TEST(MessageBoxTest, TitleFollowsTheSoftwareName) {
    ScriptedBoxes boxes;
    setSoftwareName("Ordini Rossi");
    messageBox("x");
    setSoftwareName("Zelt Order");
    messageBox("y");
    EXPECT_EQ(boxes.shown()[0].title, "Ordini Rossi");
    EXPECT_EQ(boxes.shown()[1].title, "Zelt Order");
}

TEST(MessageBoxTest, InputBoxAnswers) {
    ScriptedBoxes boxes;
    boxes.input(QString("12"));
    boxes.input(std::nullopt);
    EXPECT_EQ(inputBox("Quantità", "", "1"), std::optional<QString>("12"));
    EXPECT_EQ(inputBox("Quantità", "", "1"), std::nullopt);
    EXPECT_EQ(inputBox("Quantità", "", "1"), std::optional<QString>("1"));
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_TRUE(boxes.shown()[0].isInput);
}

TEST(MessageBoxTest, NestedSeamsRestoreTheOuterOne) {
    ScriptedBoxes outer;
    {
        ScriptedBoxes inner;
        messageBox("inner");
        EXPECT_EQ(inner.shown().size(), 1u);
    }
    messageBox("outer");
    ASSERT_EQ(outer.shown().size(), 1u);
    EXPECT_EQ(outer.shown()[0].text, "outer");
}

TEST(MessageBoxTest, DisplayTextTurnsCarriageReturnsIntoLineBreaks) {
    EXPECT_EQ(displayText("a\r\rb\r\nc\nd"), "a\n\nb\nc\nd");
}

// The real box: Italian captions, the chosen default button, the icon and the
// carriage returns shown as line breaks.
TEST(MessageBoxTest, RealBoxShowsItalianButtonsAndDefault) {
    QStringList captions;
    QString defaultCaption, text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons()) captions << b->text();
        defaultCaption = box->defaultButton()->text();
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        box->defaultButton()->click();
    });
    const int answer = messageBox("Riga uno\r\rRiga due ?", kYesNo + kCritical + kDefaultButton2);
    EXPECT_EQ(answer, kAnswerNo);
    captions.sort();
    EXPECT_EQ(captions, QStringList({"No", "Sì"}));
    EXPECT_EQ(defaultCaption, "No");
    EXPECT_EQ(text, "Riga uno\n\nRiga due ?");
    EXPECT_EQ(title, "Zelt Order");
    EXPECT_EQ(icon, QMessageBox::Critical);
}

// A box with a short text is still as wide as its whole title and the
// title bar's icon and buttons beside it; so is the input box.
TEST(MessageBoxTest, AShortBoxHoldsItsWholeTitle) {
    for (const QString& title :
         {QString("Zelt Order"), QString("Zelt Order - Agenzia Nord-Est di Treviso")}) {
        SCOPED_TRACE(title.toStdString());
        int width = 0, needed = 0;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            QFont bold = box->font();
            bold.setBold(true);
            needed = QFontMetrics(bold).horizontalAdvance(title) + 140;
            width = box->width();
            if (auto* message = qobject_cast<QMessageBox*>(box))
                message->defaultButton()->click();
            else
                qobject_cast<QDialog*>(box)->reject();
        });
        messageBox("Utente non abilitato", kOkOnly, title);
        EXPECT_GE(width, needed);
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            width = box->width();
            qobject_cast<QDialog*>(box)->reject();
        });
        inputBox("Quantità", title, "1");
        EXPECT_GE(width, needed);
    }
}

TEST(MessageBoxTest, EscapeOnYesNoAnswersNo) {
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->reject();
    });
    EXPECT_EQ(messageBox("Esci ?", kYesNo), kAnswerNo);
}

}  // namespace
