// Sign-in through the real windows on a temporary agent database.

#include "startup/ui/UserLogin.h"

#include "platform/ui/MessageBox.h"
#include "startup/Common.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/frmPassword.h"
#include "startup/ui/frmSelectOper.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "SignInFixture.h"

using namespace signintest;
using startup::frmPassword;
using startup::frmSelectOper;

namespace {

class SignIn : public ::testing::Test {
  protected:
    void SetUp() override {
        f.open();
        startup::mainWindowLink().setAppTitle = [this](bool shortForm) { titles.push_back(shortForm); };
    }
    QString scrambled(const QString& plain) { return startup::ScrambleString(plain, false); }

    SignInDb f;
    platform::ScriptedBoxes boxes;
    std::vector<bool> titles;
};

TEST_F(SignIn, OperatorWithoutPasswordEntersWithoutWindow) {
    bool modalSeen = false;
    whenModal<QDialog>(
        [&](QDialog* w) {
            modalSeen = w != nullptr;
            if (w) w->reject();
        },
        5);
    EXPECT_TRUE(startup::SignInAtStart());
    QTest::qWait(100);  // the watch for a window has run out
    EXPECT_FALSE(modalSeen);
    EXPECT_EQ(startup::signedOperator().name, QStringLiteral("Operatore"));
    EXPECT_EQ(f.db->OperatorName(), QStringLiteral("Operatore"));
    EXPECT_EQ(f.engine->User(), QStringLiteral("Operatore"));
    EXPECT_EQ(f.db->AccessLevel(), 0);
    EXPECT_EQ(titles, std::vector<bool>{false});  // the long caption
    EXPECT_TRUE(boxes.shown().empty());
    // The daily operator still writes data.
    EXPECT_NO_THROW(f.addUser(QStringLiteral("Nuovo"), 0));
}

TEST_F(SignIn, OperatorWithPasswordIsAskedForIt) {
    f.setUserValue(QStringLiteral("Operatore"), QStringLiteral("Password"),
                   scrambled(QStringLiteral("Ordini24")));
    whenModal<frmPassword>([](frmPassword* w) {
        ASSERT_NE(w, nullptr);
        EXPECT_FALSE(w->chkNew()->isChecked());
        w->txtPassword()->setText(QStringLiteral("ordini24"));
        w->cmdConfirm()->click();  // refused: the case differs
        w->txtPassword()->setText(QStringLiteral("Ordini24"));
        w->cmdConfirm()->click();
    });
    EXPECT_TRUE(startup::SignInAtStart());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.lastText().startsWith(QStringLiteral("La password non è corretta.")));
}

TEST_F(SignIn, CancelledPasswordSignsNobodyIn) {
    f.setUserValue(QStringLiteral("Operatore"), QStringLiteral("Password"), scrambled(QStringLiteral("x")));
    f.db->SetAccessLevel(-1);
    whenModal<frmPassword>([](frmPassword* w) {
        ASSERT_NE(w, nullptr);
        w->cmdCancel()->click();
    });
    EXPECT_FALSE(startup::SignInAtStart());
    EXPECT_EQ(f.db->AccessLevel(), -1);  // nothing applied
}

TEST_F(SignIn, AdministratorChosenFromTheListGetsLevelOne) {
    // "Amministratore" has no password: chosen from the list, the password
    // window still shows and an empty password passes.
    whenModal<frmSelectOper>([](frmSelectOper* w) {
        ASSERT_NE(w, nullptr);
        ASSERT_EQ(w->CmbOperatore()->count(), 2);
        EXPECT_EQ(w->CmbOperatore()->itemText(0), QStringLiteral("Amministratore"));  // sorted by name
        EXPECT_EQ(w->CmbOperatore()->currentText(), QStringLiteral("Operatore"));     // the signed-in one
        w->CmbOperatore()->setCurrentIndex(0);
        whenModal<frmPassword>([](frmPassword* p) {
            ASSERT_NE(p, nullptr);
            p->cmdConfirm()->click();
        });
        w->cmdConfirm()->click();
    });
    startup::signedOperator().name = QStringLiteral("Operatore");
    EXPECT_TRUE(startup::ChangeOperator());
    EXPECT_EQ(startup::signedOperator().name, QStringLiteral("Amministratore"));
    EXPECT_EQ(f.db->AccessLevel(), 1);
    EXPECT_EQ(startup::CurrentAccessLevel(), 1);
}

TEST_F(SignIn, UnknownNamedOperatorFallsBackToTheList) {
    whenModal<frmSelectOper>([](frmSelectOper* w) {
        ASSERT_NE(w, nullptr);
        w->cmdCancel()->click();
    });
    bool login = true, change = false;
    EXPECT_FALSE(startup::UserLogin(login, QStringLiteral("Mario"), change));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.lastText(),
              QStringLiteral("L'Utente <Mario> specificato nei parametri non è configurato."));
    EXPECT_TRUE(startup::signedOperator().name.isEmpty());
}

TEST_F(SignIn, NullLevelCountsAsZero) {
    f.addUser(QStringLiteral("Ospite"), core::Variant::null());
    f.setUserValue(QStringLiteral("Ospite"), QStringLiteral("LivelloAccesso"), core::Variant::null());
    f.db->SetAccessLevel(1);
    bool login = true, change = false;
    EXPECT_TRUE(startup::UserLogin(login, QStringLiteral("Ospite"), change));
    EXPECT_EQ(f.db->AccessLevel(), 0);
}

TEST_F(SignIn, PasswordChangeIsStoredScrambled) {
    ASSERT_TRUE(startup::SignInAtStart());
    whenModal<frmPassword>([](frmPassword* w) {
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->chkNew()->isChecked());
        EXPECT_FALSE(w->txtPassword()->isEnabled());
        w->txtNewPwd()->setText(QStringLiteral("Nuova7"));
        w->txtConfirmNewPwd()->setText(QStringLiteral("Nuova7"));
        w->cmdConfirm()->click();
    });
    EXPECT_TRUE(startup::ChangePassword());
    EXPECT_EQ(f.userValue(QStringLiteral("Operatore"), QStringLiteral("Password")).toString(),
              scrambled(QStringLiteral("Nuova7")));
    EXPECT_EQ(boxes.lastText(), QStringLiteral("La password e' stata modificata."));
    EXPECT_EQ(titles, std::vector<bool>{false});  // a change of password changes no caption
}

TEST_F(SignIn, EmptyOperatorsTableFailsTheSignIn) {
    f.deleteAllUsers();
    whenModal<frmSelectOper>([](frmSelectOper* w) {
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->CmbOperatore()->count(), 0);
        w->cmdConfirm()->click();
    });
    EXPECT_FALSE(startup::ChangeOperator());
}

}  // namespace
