#include "startup/ui/frmSelectOper.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "SignInFixture.h"

using startup::frmSelectOper;

namespace {

TEST(OperatorList, ChoosesANameOrNothing) {
    signintest::SignInDb f;
    f.open();
    f.addUser(QStringLiteral("Bruno"), 0);

    struct Case {
        const char* preselect;
        const char* shown;  // the combo's text after the load
        int pick;           // -1: confirm as it stands
        bool confirm;
        const char* chosen;  // the name handed back
    };
    const Case cases[] = {
        {"Operatore", "Operatore", -1, true, "Operatore"},
        {"Bruno", "Bruno", 0, true, "Amministratore"},
        {"", "", -1, true, ""},  // nothing chosen: nothing signed in
        {"Nessuno", "", 1, true, "Bruno"},
        {"Operatore", "Operatore", -1, false, ""},  // cancelled
    };
    for (const Case& c : cases) {
        frmSelectOper w(nullptr, f.db);
        w.m_strTableName = QStringLiteral("Utenti");
        w.m_strOperatore = QString::fromLatin1(c.preselect);
        w.Load();
        w.show();
        EXPECT_TRUE(w.m_strOperatore.isEmpty());
        ASSERT_EQ(w.CmbOperatore()->count(), 3);
        EXPECT_EQ(w.CmbOperatore()->currentText(), QString::fromLatin1(c.shown)) << c.preselect;
        if (c.pick >= 0) w.CmbOperatore()->setCurrentIndex(c.pick);
        (c.confirm ? w.cmdConfirm() : w.cmdCancel())->click();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(w.m_strOperatore, QString::fromLatin1(c.chosen)) << c.preselect;
        EXPECT_EQ(w.result(), *c.chosen ? QDialog::Accepted : QDialog::Rejected) << c.preselect;
        EXPECT_EQ(w.m_vntOID_Operatore.isEmptyOrNull(), !*c.chosen) << c.preselect;
    }
}

TEST(OperatorList, EscRejects) {
    signintest::SignInDb f;
    f.open();
    frmSelectOper w(nullptr, f.db);
    w.m_strTableName = QStringLiteral("Utenti");
    w.m_strOperatore = QStringLiteral("Operatore");
    w.Load();
    w.show();
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_TRUE(w.m_strOperatore.isEmpty());
}

}  // namespace
