// Selections and their dialog, the pick list and the browse window, through
// the real widgets and data library.

#include "CommandsFixture.h"

#include "controls/DataGridModel.h"
#include "controls/DataPanel.h"
#include "controls/MubShortSearch.h"
#include "controls/SelectionDialog.h"
#include "core/AppError.h"
#include "datalib/FieldMatch.h"
#include "datalib/SelectionCriteria.h"
#include "labels/LabelLayoutRecord.h"
#include "mainwindow/NavigationTree.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTreeWidget>

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

// The label settings opened from their table's view and closed untouched ask
// nothing, though their script's lines end in CR LF and their sizes carry
// decimals; a change typed is still asked about.
TEST_F(CommandsTest, LabelSettingsClosedUntouchedAskNothing) {
    db->SetAccessLevel(1);
    labels::LabelLayoutRecord label;
    label.sourceTable = QStringLiteral("Clienti");
    label.columns = core::Variant(3);
    label.height = core::Variant(37.5);
    label.width = core::Variant(70.25);
    label.top = label.left = core::Variant(0.0);
    label.script = QStringLiteral("Function PrintLabel(ds, prn)\r\n  PrintLabel = True\r\nEnd Function\r\n");
    label.copies = core::Variant(1);
    label.insertInto(*db);
    show();
    openView("TabStampaEtichette");
    controls::DataGrid* grid = browser->Widgets().dgView;
    ASSERT_GE(grid->model()->rowCount(), 1);

    const auto openAndClose = [&](const std::function<void(controls::RowEditor&)>& edit) {
        controls::setSearchDialogHook([&](QDialog& d) {
            auto& e = dynamic_cast<controls::RowEditor&>(d);
            e.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&e));
            edit(e);
            QTest::mouseClick(e.cmdClose(), Qt::LeftButton);
            return false;
        });
        const int column = grid->gridModel()->columnOf("NomeTabellaOrigine");
        QModelIndex row;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            if (grid->model()->index(r, column).data().toString() == "Clienti")
                row = grid->model()->index(r, column);
        ASSERT_TRUE(row.isValid());
        grid->scrollTo(row);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(row).center());
        controls::setSearchDialogHook([](QDialog&) { return false; });
    };
    platform::ScriptedBoxes boxes;
    openAndClose([](controls::RowEditor&) {});
    EXPECT_TRUE(boxes.shown().empty()) << boxes.lastText().toStdString();

    boxes.answer(platform::kAnswerYes);  // close without saving
    openAndClose([](controls::RowEditor& e) {
        auto* script = qobject_cast<QPlainTextEdit*>(e.panel()->Editor("IstruzioniStampa"));
        ASSERT_NE(script, nullptr);
        script->setFocus();
        QTest::keyClicks(script, "'");
    });
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.lastText().startsWith("I dati modificati non sono stati salvati"));
    const auto stored = [&] {
        return db->OpenDataSource("TabStampaEtichette", "NomeTabellaOrigine = 'Clienti'")
            ->ColValueStr("IstruzioniStampa");
    };
    EXPECT_EQ(stored(), label.script);

    // A line typed into the script and saved: its lines still end in CR LF.
    boxes.clear();
    controls::setSearchDialogHook([&](QDialog& d) {
        auto& e = dynamic_cast<controls::RowEditor&>(d);
        e.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&e));
        auto* script = qobject_cast<QPlainTextEdit*>(e.panel()->Editor("IstruzioniStampa"));
        script->setFocus();
        script->moveCursor(QTextCursor::End);
        QTest::keyClicks(script, "' fine");
        QTest::mouseClick(e.cmdSave(), Qt::LeftButton);
        return e.result() == QDialog::Accepted;
    });
    commands->ViewEditData(false);
    controls::setSearchDialogHook([](QDialog&) { return false; });
    EXPECT_TRUE(boxes.shown().empty()) << boxes.lastText().toStdString();
    EXPECT_EQ(stored(), label.script + "' fine");
}
