#include "startup/ui/frmPassword.h"

#include "core/Cp1252.h"
#include "platform/Paths.h"
#include "platform/ui/MessageBox.h"
#include "startup/Common.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "SignInFixture.h"

using startup::frmPassword;

namespace {

class PasswordWindow : public ::testing::Test {
  protected:
    void SetUp() override { platform::setDataDirOverride(dir.path()); }
    void TearDown() override { platform::setDataDirOverride(QString()); }

    // Prepares the window for a password given by the caller and shows it
    // without blocking.
    void showFor(const QString& password, bool change = false) {
        ASSERT_TRUE(window.Prepare(change, &password, false));
        window.show();
    }
    void type(QLineEdit* box, const QString& text) {
        box->clear();
        QTest::keyClicks(box, text);
    }
    bool accepted() const { return !window.isVisible() && window.result() == QDialog::Accepted; }

    QTemporaryDir dir;
    platform::ScriptedBoxes boxes;
    frmPassword window;
};

TEST_F(PasswordWindow, ComparesThePasswordWithLetterCase) {
    showFor(QStringLiteral("Segreto"));
    EXPECT_FALSE(window.newPasswordFrame()->isVisible());  // compact window
    type(window.txtPassword(), QStringLiteral("segreto"));
    window.cmdConfirm()->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.lastText().startsWith(QStringLiteral("La password non è corretta.")));
    EXPECT_TRUE(boxes.lastText().contains(QStringLiteral("maiuscole/minuscole")));
    EXPECT_TRUE(window.isVisible());  // another try
    EXPECT_FALSE(window.Valid());

    type(window.txtPassword(), QStringLiteral("Segreto"));
    window.cmdConfirm()->click();
    EXPECT_TRUE(accepted());
    EXPECT_TRUE(window.Valid());
    EXPECT_FALSE(window.Changed());
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST_F(PasswordWindow, BlanksAreNoPassword) {
    struct Case {
        const char* stored;
        const char* typed;
        bool valid;
    };
    const Case cases[] = {
        {"", "", true},    {"", "   ", true},  // blanks scramble to nothing
        {"   ", "", true},                     // a stored all-blank password is no password
        {"", "x", false},  {"a b", "a b", true}, {"a b", "ab", false},
    };
    for (const Case& c : cases) {
        frmPassword w;
        const QString stored = QString::fromLatin1(c.stored);
        w.Prepare(false, &stored, false);
        w.show();
        w.txtPassword()->setText(QString::fromLatin1(c.typed));
        w.cmdConfirm()->click();
        EXPECT_EQ(w.Valid(), c.valid) << c.stored << "|" << c.typed;
    }
}

TEST_F(PasswordWindow, ChangeNeedsMatchingConfirmation) {
    showFor(QStringLiteral("vecchia"), true);
    // Ready for a change: the current password shown and locked.
    EXPECT_TRUE(window.chkNew()->isChecked());
    EXPECT_FALSE(window.chkNew()->isEnabled());
    EXPECT_FALSE(window.txtPassword()->isEnabled());
    EXPECT_EQ(window.txtPassword()->text(), QStringLiteral("vecchia"));
    EXPECT_TRUE(window.newPasswordFrame()->isVisible());
    EXPECT_TRUE(window.txtNewPwd()->isEnabled());

    type(window.txtNewPwd(), QStringLiteral("Nuova1"));
    type(window.txtConfirmNewPwd(), QStringLiteral("nuova1"));
    window.cmdConfirm()->click();
    EXPECT_EQ(boxes.lastText(), QStringLiteral("La password di conferma non corrisponde..."));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.Changed());

    type(window.txtConfirmNewPwd(), QStringLiteral("Nuova1"));
    window.cmdConfirm()->click();
    EXPECT_TRUE(accepted());
    EXPECT_TRUE(window.Changed());
    EXPECT_EQ(window.Password(), QStringLiteral("Nuova1"));
    EXPECT_EQ(boxes.lastText(), QStringLiteral("La password e' stata modificata."));
}

TEST_F(PasswordWindow, EmptyNewPasswordShowsTheNote) {
    showFor(QStringLiteral("vecchia"), true);
    type(window.txtNewPwd(), QStringLiteral("  "));
    type(window.txtConfirmNewPwd(), QStringLiteral("  "));
    window.cmdConfirm()->click();
    EXPECT_TRUE(window.Changed());
    EXPECT_TRUE(boxes.lastText().endsWith(
        QStringLiteral("\r\rNOTA: Senza password sono disattivate tutte le restrizioni di accesso.")));
}

TEST_F(PasswordWindow, ChangeBoxEnablesTheNewPasswordBoxes) {
    showFor(QStringLiteral("x"));
    EXPECT_TRUE(window.chkNew()->isEnabled());
    EXPECT_FALSE(window.txtNewPwd()->isEnabled());
    window.chkNew()->click();
    EXPECT_TRUE(window.newPasswordFrame()->isVisible());
    EXPECT_TRUE(window.txtNewPwd()->isEnabled());
    EXPECT_TRUE(window.txtConfirmNewPwd()->isEnabled());
    window.chkNew()->click();
    EXPECT_FALSE(window.txtNewPwd()->isEnabled());
}

TEST_F(PasswordWindow, CancelRejectsTheDialog) {
    QString password = QStringLiteral("Segreto");
    bool change = false;
    signintest::whenModal<frmPassword>([](frmPassword* w) {
        ASSERT_NE(w, nullptr);
        w->txtPassword()->setText(QStringLiteral("Segreto"));  // even the right one typed
        w->cmdCancel()->click();
    });
    frmPassword w;
    EXPECT_FALSE(w.ValidatePassword(nullptr, change, &password));
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_EQ(password, QStringLiteral("Segreto"));

    signintest::whenModal<frmPassword>([](frmPassword* w) {
        ASSERT_NE(w, nullptr);
        QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_FALSE(w.ValidatePassword(nullptr, change, &password));
}

TEST_F(PasswordWindow, ProgramPasswordFile) {
    const QString path = frmPassword::PasswordFilePath();
    bool change = false;
    {
        // No file: nothing protects the program, no window shows.
        frmPassword w;
        EXPECT_FALSE(w.Prepare(false, nullptr, false));
        EXPECT_TRUE(w.ValidatePassword(nullptr, change));
    }
    {
        // A change writes the scrambled new password as the whole file.
        bool changing = true;
        signintest::whenModal<frmPassword>([](frmPassword* w) {
            ASSERT_NE(w, nullptr);
            w->txtNewPwd()->setText(QStringLiteral("Chiave9"));
            w->txtConfirmNewPwd()->setText(QStringLiteral("Chiave9"));
            w->cmdConfirm()->click();
        });
        frmPassword w;
        EXPECT_TRUE(w.ValidatePassword(nullptr, changing));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(),
                  core::cp1252::encode(startup::ScrambleString(QStringLiteral("Chiave9"), false)));
        EXPECT_FALSE(QFile::permissions(path) & QFileDevice::WriteOwner);
    }
    {
        // From now on the file's password is asked for.
        frmPassword w;
        ASSERT_TRUE(w.Prepare(false, nullptr, false));
        w.show();
        w.txtPassword()->setText(QStringLiteral("chiave9"));
        w.cmdConfirm()->click();
        EXPECT_FALSE(w.Valid());
        w.txtPassword()->setText(QStringLiteral("Chiave9"));
        w.cmdConfirm()->click();
        EXPECT_TRUE(w.Valid());
    }
}

}  // namespace
