#include "core/AppError.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/MessageBox.h"
#include "startup/OSWinUtil.h"
#include "startup/RunContext.h"
#include "startup/ShowError.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/frmShowException.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>

using namespace startup;

namespace {

core::AppError genericError(const QString& message) {
    try {
        RaiseGenericError("Archivi", message);
    } catch (const core::AppError& e) {
        return e;
    }
    return core::AppError(0, "", "");
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(ErrorTextsTest, CodeAndDetails) {
    const long generic = core::kObjectErrorBase + 32755;
    EXPECT_EQ(ErrorCodeText(generic), "32755 (7FF3)");
    EXPECT_EQ(ErrorCodeText(5), "5 (5)");
    EXPECT_EQ(ErrorCodeText(core::kObjectErrorBase + 124), "124 (7C)");
    EXPECT_EQ(ErrorDetailsText(generic, "testo"), "CODICE: -2147188749 (80047FF3)\rtesto");
    EXPECT_EQ(ErrorDetailsText(5, "x"), "CODICE: 5 (5)\rx");
}

TEST(ShowErrorTest, BoxTextFollowsTheKindOfError) {
    platform::ScriptedBoxes boxes;
    const core::AppError generic = genericError("Operazione annullata.");
    const core::AppError other(5, "Zelt Order", "Chiamata non valida");
    const core::AppError library(core::kObjectErrorBase + 124, "Lib", "Riga bloccata");

    ShowError(generic, "Impossibile aggiungere l' Ordine");  // own description, not the message
    ShowError(other, "Impossibile modificare");              // the message
    ShowError(other);                                        // the description
    ShowError(library, "Impossibile modificare");            // own description
    ASSERT_EQ(boxes.shown().size(), 4u);
    EXPECT_EQ(boxes.shown()[0].text, generic.description() + "\r\rVisualizzare dettagli ?");
    EXPECT_EQ(boxes.shown()[1].text, "Impossibile modificare\r\rVisualizzare dettagli ?");
    EXPECT_EQ(boxes.shown()[2].text, "Chiamata non valida\r\rVisualizzare dettagli ?");
    EXPECT_EQ(boxes.shown()[3].text, "Riga bloccata\r\rVisualizzare dettagli ?");
    EXPECT_EQ(boxes.shown()[0].style, platform::kYesNo + platform::kCritical + platform::kDefaultButton2);
    EXPECT_EQ(boxes.shown()[0].title, platform::softwareName());
}

TEST(ShowErrorTest, InsideACatchShowsTheExceptionBeingHandled) {
    platform::ScriptedBoxes boxes;
    try {
        throw core::AppError(13, "VBScript", "Tipo non corrispondente");
    } catch (...) {
        ShowError();
    }
    try {
        throw std::runtime_error("boom");
    } catch (...) {
        ShowError("Stampa fallita");
    }
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, "Tipo non corrispondente\r\rVisualizzare dettagli ?");
    EXPECT_EQ(boxes.shown()[1].text, "Stampa fallita\r\rVisualizzare dettagli ?");
}

// Yes opens the details window, modal, with the code and the details.
TEST(ShowErrorTest, YesOpensTheDetailsWindow) {
    InstallErrorWindow();
    platform::ScriptedBoxes boxes;
    boxes.answer(platform::kAnswerYes);
    QString caption, code, details;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<frmShowException*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        caption = w->windowTitle();
        code = w->lblCode()->text();
        details = w->txtMsg()->toPlainText();
        modal = w->isModal();
        w->cmdEsc()->click();
    });
    ShowError(genericError("Indirizzo mancante"));
    EXPECT_TRUE(modal);
    EXPECT_EQ(caption, "Visualizzazione Errore");
    EXPECT_EQ(code, "32755 (7FF3)");
    EXPECT_EQ(details,
              "CODICE: -2147188749 (80047FF3)\nCODICE: 32755\n\nCONTESTO: Archivi\nIndirizzo "
              "mancante");
}

// Outside a catch block there is no error: the message alone, nothing to
// ask, no details window with a code of nothing.
TEST(ShowErrorTest, WithoutAnErrorOnlyTheMessage) {
    InstallErrorWindow();
    platform::ScriptedBoxes boxes;
    boxes.answer(platform::kAnswerYes);
    ShowError("Esiste già il fornitore predefinito.");
    ShowErrorMessage("Il fornitore predefinito è Alfa S.r.l.");
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, "Esiste già il fornitore predefinito.");
    EXPECT_EQ(boxes.shown()[1].text, "Il fornitore predefinito è Alfa S.r.l.");
    EXPECT_EQ(boxes.shown()[0].style, platform::kOkOnly + platform::kExclamation);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(ShowErrorTest, NoOpensNothing) {
    platform::ScriptedBoxes boxes;
    ShowError(genericError("x"));  // default button: No
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(boxes.shown().size(), 1u);
}

class ErrorWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setDataDirOverride(dir_.filePath("data"));
        platform::setOpenHandler([this](const QUrl& u) {
            opened_.push_back(u);
            return true;
        });
        window_.SetException("32755 (7FF3)", "CODICE: -2147188749 (80047FF3)\r<b>A & B</b> 50%\r#1");
    }
    void TearDown() override {
        platform::setOpenHandler(nullptr);
        platform::setDataDirOverride(QString());
    }

    QTemporaryDir dir_;
    std::vector<QUrl> opened_;
    frmShowException window_;
    const QString details_ = "CODICE: -2147188749 (80047FF3)\r\n<b>A & B</b> 50%\r\n#1";
};

TEST_F(ErrorWindowTest, LineEndsOfTheDetails) {
    EXPECT_EQ(window_.TextReport(), "Error: 32755 (7FF3)" + details_ + "\r\n");
    // A text that already holds CR LF is kept as it is (a bare CR stays bare).
    window_.SetException("5 (5)", "a\r\nb\rc");
    EXPECT_EQ(window_.TextReport(), "Error: 5 (5)a\r\nb\rc\r\n");
    EXPECT_EQ(window_.txtMsg()->toPlainText(), "a\nb\nc");
    EXPECT_EQ(window_.cmdSupport()->toolTip(),
              "Spedisce il messaggio di errore al supporto tramite posta elettronica");
}

TEST_F(ErrorWindowTest, SaveWritesLastErrorTxt) {
    platform::ScriptedFileDialogs dialogs;
    const QString target = dir_.filePath("saved.txt");
    dialogs.answer(target);
    window_.cmdSave()->click();
    ASSERT_EQ(dialogs.proposed().size(), 1u);
    EXPECT_EQ(dialogs.proposed()[0], platform::dataFile("LastError.txt"));
    EXPECT_EQ(readFile(target), ("Error: 32755 (7FF3)" + details_ + "\r\n").toUtf8());
}

TEST_F(ErrorWindowTest, SaveOverAnExistingFileAsksFirst) {
    platform::ScriptedFileDialogs dialogs;
    platform::ScriptedBoxes boxes;
    const QString target = dir_.filePath("old.txt");
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old");
    f.close();

    dialogs.answer(target);  // refused: default No
    window_.cmdSave()->click();
    EXPECT_EQ(readFile(target), "old");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Il file esiste già...\r\rVuoi sostituirlo ?");
    EXPECT_EQ(boxes.shown()[0].title, "ATTENZIONE");

    dialogs.answer(target);
    boxes.answer(platform::kAnswerYes);
    window_.cmdSave()->click();
    EXPECT_TRUE(readFile(target).startsWith("Error: 32755 (7FF3)"));

    window_.cmdSave()->click();  // cancelled dialog: nothing happens
    EXPECT_EQ(boxes.shown().size(), 2u);
}

TEST_F(ErrorWindowTest, SaveFailureIsShownAndTheWindowStays) {
    platform::ScriptedFileDialogs dialogs;
    platform::ScriptedBoxes boxes;
    dialogs.answer(dir_.filePath("no/such/folder/x.txt"));
    window_.cmdSave()->click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, "ERRORE");
    EXPECT_EQ(boxes.shown()[0].style, platform::kOkOnly);
    EXPECT_TRUE(boxes.shown()[0].text.startsWith("Impossibile scrivere il file"));
}

TEST_F(ErrorWindowTest, BrowserWritesEscapedErrorHtmAndOpensIt) {
    window_.cmdBrowser()->click();
    const QString path = platform::dataFile("Error.htm");
    const QString html = QString::fromUtf8(readFile(path));
    EXPECT_TRUE(
        html.contains("<pre>CODICE: -2147188749 (80047FF3)\r\n&lt;b&gt;A &amp; B&lt;/b&gt; "
                      "50%\r\n#1</pre>"))
        << html.toStdString();
    EXPECT_FALSE(html.contains("<b>"));
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], QUrl::fromLocalFile(path));

    // Replaced each time.
    window_.SetException("5 (5)", "second");
    window_.cmdBrowser()->click();
    EXPECT_TRUE(QString::fromUtf8(readFile(path)).contains("<pre>second</pre>"));
}

TEST_F(ErrorWindowTest, SupportLinkEncodesTheWholeBody) {
    window_.cmdSupport()->click();
    ASSERT_EQ(opened_.size(), 1u);
    const QUrl url = opened_[0];
    EXPECT_EQ(url.scheme(), "mailto");
    EXPECT_EQ(url.path(), runContext().supportAddress);
    const QString encoded = QString::fromLatin1(url.toEncoded());
    EXPECT_TRUE(encoded.contains("?subject=Application%20Error&body=Error%3A%2032755%20%287FF3%29"))
        << encoded.toStdString();
    // "&", "%", "#" and the line ends are encoded, so the body arrives whole.
    EXPECT_TRUE(encoded.contains("%3Cb%3EA%20%26%20B%3C%2Fb%3E%2050%25%0D%0A%231"));
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), "Error: 32755 (7FF3)" + details_);
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "Application Error");
}

}  // namespace
