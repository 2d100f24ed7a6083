#include "startup/ui/frmSearchText.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using startup::frmSearchText;

namespace {

class SearchText : public ::testing::Test {
  protected:
    void SetUp() override { frmSearchText::ForgetLastSearch(); }
    void TearDown() override { frmSearchText::ForgetLastSearch(); }
};

TEST_F(SearchText, FirstSearchOfAField) {
    frmSearchText dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Cerca in"));
    EXPECT_EQ(dialog.chkInternal()->text(), QStringLiteral(" [F2] &Intern."));
    EXPECT_EQ(dialog.chkInternal()->toolTip(), QStringLiteral("Cerca anche all'interno delle stringhe"));
    dialog.Prepare(QStringLiteral("RagioneSociale"), true, false);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.lblFieldName()->text(), QStringLiteral("RagioneSociale"));
    EXPECT_TRUE(dialog.cmdOk()->isDefault());
    EXPECT_TRUE(dialog.cmdNext()->isHidden());

    // The substring box is offered from two characters on; F2 ticks it.
    QTest::keyClicks(dialog.txtSearch(), QStringLiteral("r"));
    EXPECT_FALSE(dialog.chkInternal()->isEnabled());
    QTest::keyClicks(dialog.txtSearch(), QStringLiteral("os"));
    EXPECT_TRUE(dialog.chkInternal()->isEnabled());
    QTest::keyClick(dialog.txtSearch(), Qt::Key_F2);
    EXPECT_TRUE(dialog.chkInternal()->isChecked());
    QTest::keyClick(dialog.txtSearch(), Qt::Key_F3);  // no find-next offered: nothing
    EXPECT_TRUE(dialog.isVisible());

    QTest::mouseClick(dialog.cmdOk(), Qt::LeftButton);
    EXPECT_TRUE(dialog.Confirmed());
    EXPECT_EQ(dialog.SearchText(), QStringLiteral("ros"));
    EXPECT_TRUE(dialog.Substring());
    EXPECT_FALSE(dialog.FindNext());
    EXPECT_EQ(frmSearchText::LastFieldName(), QStringLiteral("RagioneSociale"));
    EXPECT_EQ(frmSearchText::LastSearchText(), QStringLiteral("ros"));
}

TEST_F(SearchText, SameFieldAgainOffersTheLastTextAndFindNext) {
    {
        frmSearchText first;
        first.Prepare(QStringLiteral("Codice"), true, true);
        first.show();
        QTest::keyClicks(first.txtSearch(), QStringLiteral("A01"));
        QTest::mouseClick(first.cmdOk(), Qt::LeftButton);
    }
    frmSearchText dialog;
    dialog.Prepare(QStringLiteral("Codice"), true, true);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.txtSearch()->text(), QStringLiteral("A01"));
    EXPECT_TRUE(dialog.cmdNext()->isDefault());
    EXPECT_EQ(dialog.txtSearch()->selectedText(), QStringLiteral("A01"));

    // F3 is the find-next button.
    QTest::keyClick(dialog.txtSearch(), Qt::Key_F3);
    EXPECT_TRUE(dialog.Confirmed());
    EXPECT_TRUE(dialog.FindNext());
    EXPECT_EQ(dialog.SearchText(), QStringLiteral("A01"));

    // Typing makes the plain search the default again.
    dialog.Prepare(QStringLiteral("Codice"), true, true);
    dialog.show();
    EXPECT_TRUE(dialog.cmdNext()->isDefault());
    QTest::keyClicks(dialog.txtSearch(), QStringLiteral("2"));
    EXPECT_TRUE(dialog.cmdOk()->isDefault());
    EXPECT_FALSE(dialog.cmdNext()->isDefault());
}

TEST_F(SearchText, EscapeCancelsAndSubstringCanBeWithheld) {
    frmSearchText dialog;
    QTimer::singleShot(0, &dialog, [&dialog] {
        EXPECT_TRUE(dialog.chkInternal()->isHidden());
        QTest::keyClicks(dialog.txtSearch(), QStringLiteral("xyz"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QWidget owner;
    EXPECT_FALSE(dialog.GetSelection(&owner, QStringLiteral("Note"), false, false));
    EXPECT_FALSE(dialog.Confirmed());
    EXPECT_TRUE(frmSearchText::LastFieldName().isEmpty());
}

TEST_F(SearchText, ATickedBoxNoLongerOfferedDoesNotCount) {
    frmSearchText dialog;
    dialog.Prepare(QStringLiteral("Citta"), true, false);
    dialog.show();
    QTest::keyClicks(dialog.txtSearch(), QStringLiteral("mi"));
    dialog.chkInternal()->setChecked(true);
    QTest::keyClick(dialog.txtSearch(), Qt::Key_Backspace);
    EXPECT_FALSE(dialog.chkInternal()->isEnabled());
    QTest::mouseClick(dialog.cmdOk(), Qt::LeftButton);
    EXPECT_FALSE(dialog.Substring());
    EXPECT_EQ(dialog.SearchText(), QStringLiteral("m"));
}

}  // namespace
