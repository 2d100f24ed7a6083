// Selections and their dialog, the pick list and the browse window, through
// the real widgets and data library.

#include "CommandsFixture.h"

#include "controls/DataPanel.h"
#include "controls/MubShortSearch.h"
#include "controls/SelectionDialog.h"
#include "core/AppError.h"
#include "datalib/FieldMatch.h"
#include "datalib/SelectionCriteria.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using mwtest::CommandsTest;

namespace {

QStringList codesOf(const std::shared_ptr<datalib::DataSource>& ds) {
    QStringList out;
    for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) out << ds->ColValueStr("Codice");
    out.sort();
    return out;
}

}  // namespace

TEST_F(CommandsTest, SelectionCriteriaBuildBoundConditions) {
    addAgent("A1");
    addAgent("A2");
    addCustomer("C1", "D'Angelo", "A1");
    addCustomer("C2", "Bianchi", "A2");
    addCustomer("C3", "D'Angelo Due", "A2");
    datalib::SelectionCriteria sel(db, db->Tables("Clienti")->definition());
    EXPECT_TRUE(sel.IsEmpty());
    sel.AddFieldCriterion("RagioneSociale", datalib::MatchBeginsWith, core::Variant(QString("D'Angelo")));
    sel.AddFieldCriterion("Agente", datalib::MatchEqual, core::Variant(QString("A2")));
    EXPECT_EQ(codesOf(db->OpenDataSource("Clienti", sel.CombinedText())), QStringList{"C3"});
    // The free condition joins the rows; each part alone on request.
    sel.SetConditionText("Codice <> 'C3'");
    EXPECT_TRUE(db->OpenDataSource("Clienti", sel.CombinedText())->DataEmpty());
    EXPECT_EQ(sel.CombinedText(false, true), "Codice <> 'C3'");
    EXPECT_FALSE(sel.CombinedText(true, false).contains("C3"));
    EXPECT_TRUE(sel.TestColumn("Agente"));
    EXPECT_TRUE(sel.TestColumn("codice"));
    EXPECT_FALSE(sel.TestColumn("DataInserimento"));

    // Refused rows leave the selection as it was.
    const auto count = sel.Criteria().size();
    EXPECT_THROW(sel.AddFieldCriterion("Inesistente", 0, core::Variant(QString("x"))), core::AppError);
    EXPECT_THROW(sel.AddFieldCriterion("DataInserimento", 0, core::Variant(QString("31/02/2024"))),
                 core::AppError);
    EXPECT_THROW(
        sel.AddFieldCriterion("PercentualeSconto", datalib::MatchContains, core::Variant(QString("5"))),
        core::AppError);
    EXPECT_EQ(sel.Criteria().size(), count);
    sel.SetConditionText("Codice = = 'x'");
    EXPECT_THROW(sel.Check(), core::AppError);
    sel.ResetCriteria();
    EXPECT_TRUE(sel.Criteria().empty());
}

TEST_F(CommandsTest, SelectionDialogStaysOpenOnWhatCannotBeRead) {
    addAgent("A1");
    addCustomer("C1", "Rossi", "A1");
    datalib::SelectionCriteria sel(db, db->Tables("Clienti")->definition());
    sel.SetName("Clienti");
    platform::ScriptedBoxes boxes;
    int tries = 0;
    controls::setSearchDialogHook([&](QDialog& d) {
        auto& dialog = dynamic_cast<controls::SelectionDialog&>(d);
        EXPECT_EQ(dialog.windowTitle(), "Selezioni predefinite");
        dialog.rows()->SetRow(0, "RagioneSociale", 5, "Ros");  // "inizia con"
        dialog.txtCondition()->setPlainText("Codice = = ");
        dialog.accept();
        ++tries;
        EXPECT_EQ(dialog.result(), QDialog::Rejected);  // still open
        EXPECT_FALSE(boxes.lastText().isEmpty());
        dialog.rows()->SetRow(1, "DataInserimento", 0, "31/02/2024");
        dialog.txtCondition()->setPlainText("Codice <> ''");
        dialog.accept();
        ++tries;
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        dialog.rows()->SetRow(1, QString(), 0, QString());
        dialog.accept();
        return dialog.result() == QDialog::Accepted;
    });
    ASSERT_TRUE(controls::ViewUtility::SelectionDialog(sel, &window, true, false, true,
                                                       "Selezioni predefinite", 0, 0));
    EXPECT_EQ(tries, 2);
    EXPECT_EQ(sel.Name(), "Clienti");
    EXPECT_EQ(sel.Criteria().size(), 1u);
    EXPECT_EQ(sel.ConditionText(), "Codice <> ''");
    EXPECT_EQ(codesOf(db->OpenDataSource("Clienti", sel.CombinedText())), QStringList{"C1"});

    // Cancelled: the selection keeps what it had.
    controls::setSearchDialogHook([](QDialog& d) {
        dynamic_cast<controls::SelectionDialog&>(d).txtCondition()->setPlainText("Codice = 'X'");
        return false;
    });
    EXPECT_FALSE(controls::ViewUtility::SelectionDialog(sel, &window));
    EXPECT_EQ(sel.ConditionText(), "Codice <> ''");
}

TEST_F(CommandsTest, PickListLeavesTheRowChosenAndBrowseOpensThePanel) {
    addAgent("A1");
    addAgent("A2");
    auto agents = db->OpenDataSource("Agenti", "Codice <> ''", "Codice");
    controls::setSearchDialogHook([](QDialog& d) {
        auto& list = dynamic_cast<controls::PickListDialog&>(d);
        EXPECT_EQ(list.grid()->model()->columnCount(), 2);  // the columns asked for
        list.ChooseRow(1);
        list.accept();
        return list.result() == QDialog::Accepted;
    });
    EXPECT_EQ(
        controls::ViewObject(agents, &window).PickList({}, "Codice,RagioneSociale", "Codice").toString(),
        "A2");
    EXPECT_EQ(agents->ColValueStr("Codice"), "A2");
    controls::setSearchDialogHook([](QDialog&) { return false; });
    EXPECT_TRUE(controls::ViewObject(agents, &window).PickList().isEmpty());

    // The browse window: Enter on a row opens the row editor on it.
    auto* browse = controls::ViewObject(agents, &window).Browse();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(browse));
    QString opened;
    controls::setSearchDialogHook([&](QDialog& d) {
        opened = dynamic_cast<controls::RowEditor&>(d).panel()->dataSource()->ColValueStr("Codice");
        return false;
    });
    browse->grid()->setFocus();
    browse->grid()->setCurrentIndex(browse->grid()->model()->index(0, 0));
    QTest::keyClick(browse->grid(), Qt::Key_Return);
    EXPECT_EQ(opened, "A1");
    delete browse;
}
