#include "platform/ui/Desktop.h"

#include "platform/ui/Printers.h"

#include <gtest/gtest.h>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

using namespace platform;

TEST(ShellTest, ScriptedFileDialogs) {
    ScriptedFileDialogs dialogs;
    dialogs.answer("/tmp/a.txt");
    EXPECT_EQ(saveFileName(nullptr, "Salva", "/x/LastError.txt", "Testo (*.txt)"), "/tmp/a.txt");
    EXPECT_EQ(saveFileName(nullptr, "Salva", "/x/LastError.txt", "Testo (*.txt)"), "");
    ASSERT_EQ(dialogs.proposed().size(), 2u);
    EXPECT_EQ(dialogs.proposed()[0], "/x/LastError.txt");
}

// The toolkit's dialogs speak Italian once the start-up's translator is in;
// the program's own printer list keeps its PDF entry's name.
TEST(ToolkitTranslation, StandardButtonsAndThePrinterDialogSpeakItalian) {
    ASSERT_TRUE(installToolkitTranslation());
    EXPECT_TRUE(installToolkitTranslation());  // a second call changes nothing
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                         QDialogButtonBox::No);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "Annulla");
    EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text(), "&Sì");
    EXPECT_EQ(box.button(QDialogButtonBox::No)->text(), "&No");

    QPrinter printer;
    QPrintDialog dialog(&printer);
    QStringList texts;
    for (const QPushButton* b : dialog.findChildren<QPushButton*>()) texts << b->text();
    EXPECT_EQ(texts.join('|'), "P&roprietà|Stam&pa|Annulla|&Opzioni >>");
    EXPECT_EQ(Printers::pdfPrinterName(), "Stampa su file PDF");
}
