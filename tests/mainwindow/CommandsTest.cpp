// The main window's commands through the real toolbar, menus, edit panel
// and data library.

#include "CommandsFixture.h"

#include "controls/DataPanel.h"
#include "controls/MubShortSearch.h"
#include "platform/Shell.h"
#include "startup/RunContext.h"
#include "startup/ui/frmAbout.h"
#include "startup/ui/frmMessage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

using namespace mainwindow;
using mwtest::CommandsTest;

namespace {

// Plays the operator in the next dialogs, one function each; a dialog with
// no function left is cancelled.
struct Operator {
    std::vector<std::function<bool(QDialog&)>> steps;
    int seen = 0;
    Operator() {
        controls::setSearchDialogHook([this](QDialog& d) {
            if (size_t(seen) >= steps.size()) return false;
            return steps[size_t(seen++)](d);
        });
    }
    ~Operator() { controls::setSearchDialogHook({}); }
};

QLineEdit* line(controls::RowEditor& e, const char* field) {
    return qobject_cast<QLineEdit*>(e.panel()->Editor(QLatin1String(field)));
}

// Types into a field and leaves it.
void type(controls::RowEditor& e, const char* field, const QString& text) {
    QLineEdit* edit = line(e, field);
    ASSERT_TRUE(edit) << field;
    edit->setText(text);
    e.panel()->CommitField(QLatin1String(field));
}

}  // namespace

TEST_F(CommandsTest, ToolbarKeysInOrderAndTheViewCommandsFollowTheGrid) {
    QStringList keys, captions;
    for (QAction* a : commands->tbToolBar()->actions())
        if (!a->property("Key").toString().isEmpty()) {
            keys << a->property("Key").toString();
            captions << a->text();
        }
    EXPECT_EQ(keys, (QStringList{"New", "Properties", "Delete", "Filter", "Find", "Refresh", "Order", "Print",
                                 "Adjourn", "Send", "Exit"}));
    EXPECT_EQ(captions, (QStringList{"Nuovo", "Modifica", "Elimina", "Filtra", "Cerca", "Rileggi Dati",
                                     "Nuovo Ordine", "Stampa", "Aggiornamenti", "Invia ordini", "Esci"}));
    EXPECT_EQ(commands->Key("Filter")->toolTip(), "Filtra per selezionare una parte di dati");

    show();
    openView("Clienti");
    for (const char* key : {"New", "Properties", "Delete", "Filter", "Find", "Refresh", "Print"})
        EXPECT_TRUE(commands->Key(key)->isEnabled()) << key;
    EXPECT_TRUE(commands->Menu("mnuFileNew")->isEnabled());
    // Commands of other parts stay disabled until they are wired.
    EXPECT_FALSE(commands->Key("Adjourn")->isEnabled());
    EXPECT_FALSE(commands->Menu("mnuNewOrder")->isEnabled());
    commands->receiveUpdates = [] {};
    commands->UpdateWiredCommands();
    EXPECT_TRUE(commands->Key("Adjourn")->isEnabled());

    // A heading: no grid, no view commands.
    browser->Widgets().tvTreeView->setCurrentItem(NodeAt(browser->Widgets().tvTreeView, 4));
    browser->RefreshDetailView();
    for (const char* key : {"New", "Properties", "Delete", "Filter", "Find", "Refresh", "Print"})
        EXPECT_FALSE(commands->Key(key)->isEnabled()) << key;
    EXPECT_FALSE(commands->Menu("mnuFileDelete")->isEnabled());

    // The print settings are the administrator's.
    EXPECT_FALSE(commands->Menu("mnuOrderPrintSetting")->isVisible());
    db->SetAccessLevel(1);
    browser->RefreshDetailView();
    EXPECT_TRUE(commands->Menu("mnuOrderPrintSetting")->isVisible());
}

TEST_F(CommandsTest, NewRowIsShownAndACancelInsertsNothing) {
    addAgent("A1");
    openView("Agenti");
    show();
    const long before = rows("Agenti");
    {
        Operator op;
        op.steps.push_back([](QDialog& d) {
            auto& e = dynamic_cast<controls::RowEditor&>(d);
            type(e, "Codice", "A9");
            type(e, "RagioneSociale", "Nuovo agente");
            d.reject();  // typed changes: the question, answered Yes
            return false;
        });
        platform::ScriptedBoxes boxes;
        boxes.answer(platform::kAnswerYes);
        commands->mnuFileNew_Click();
        EXPECT_EQ(rows("Agenti"), before);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].style & platform::kDefaultButton2, platform::kDefaultButton2);
    }
    {
        Operator op;
        op.steps.push_back([](QDialog& d) {
            auto& e = dynamic_cast<controls::RowEditor&>(d);
            type(e, "Codice", "A9");
            type(e, "RagioneSociale", "Nuovo agente");
            d.accept();
            return d.result() == QDialog::Accepted;
        });
        commands->mnuFileNew_Click();
    }
    EXPECT_EQ(rows("Agenti"), before + 1);
    auto ds = browser->CurrentDataSource();
    EXPECT_EQ(ds->ColValueStr("Codice"), "A9");  // the view stands on the new row
    EXPECT_EQ(browser->Widgets().dgView->Bookmark(), ds->OID());
}

TEST_F(CommandsTest, BadValuesAndARefusalKeepEveryEntry) {
    addAgent("A1");
    startup::runContext().codeAgente = "A1";  // the agent's checks of the tax codes apply
    openView("Clienti");
    show();
    const long before = rows("Clienti");
    platform::ScriptedBoxes boxes;
    Operator op;
    op.steps.push_back([&](QDialog& d) {
        auto& e = dynamic_cast<controls::RowEditor&>(d);
        type(e, "RagioneSociale", "D'Angelo & figli");
        // A date that does not exist and an unknown code: named, kept, not written.
        type(e, "DataInserimento", "31/02/2024");
        EXPECT_EQ(line(e, "DataInserimento")->text(), "31/02/2024");
        EXPECT_TRUE(boxes.lastText().contains("\"Data Inserimento\"")) << boxes.lastText().toStdString();
        type(e, "ListinoPredefinito", "NONCE");
        EXPECT_TRUE(boxes.lastText().contains("\"Listino Predefinito\""));
        EXPECT_EQ(e.panel()->FieldsInError(), (QStringList{"DataInserimento", "ListinoPredefinito"}));
        // Saving with fields in error is refused before the database is asked.
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Rejected);
        type(e, "DataInserimento", "28/02/2024");
        type(e, "ListinoPredefinito", "");
        EXPECT_TRUE(e.panel()->FieldsInError().isEmpty());
        // A wrong VAT number: the table class refuses the save, once.
        type(e, "PartitaIVA", "12345678901");
        boxes.clear();
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Rejected);
        EXPECT_TRUE(boxes.shown().empty());  // shown once, by the library
        EXPECT_EQ(notices.shown, QStringList{"La Partita IVA non è valida"});
        EXPECT_EQ(line(e, "RagioneSociale")->text(), "D'Angelo & figli");
        EXPECT_EQ(line(e, "PartitaIVA")->text(), "12345678901");
        EXPECT_EQ(line(e, "DataInserimento")->text(), "28/02/2024");
        boxes.answer(platform::kAnswerYes);
        d.reject();
        return false;
    });
    commands->mnuFileNew_Click();
    startup::runContext().codeAgente.clear();
    EXPECT_EQ(op.seen, 1);
    EXPECT_EQ(rows("Clienti"), before);  // nothing half-saved
}

TEST_F(CommandsTest, ViewEditDataSendsOpenOrdersToTheOrderWindow) {
    addAgent("A1");
    addCustomer("C1", "Rossi", "A1");
    db->BeginUpdate();
    struct Flags {
        bool completed, locked;
    } const orders[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const Flags& f : orders)
        insert("Ordini", {v("Cliente"), v("C1"), v("Agente"), v("A1"), v("Completato"),
                          core::Variant(f.completed), v("NonModificabile"), core::Variant(f.locked)});
    db->EndUpdate();
    std::vector<qint64> toOrderWindow;
    commands->editOrder = [&](QWidget*, const std::shared_ptr<datalib::DataSource>& ds) {
        toOrderWindow.push_back(ds->OID());
    };
    openView("Ordini");
    show();
    auto ds = browser->CurrentDataSource();
    ASSERT_EQ(ds->RowCount(), 4);
    int panels = 0;
    Operator op;
    for (int i = 0; i < 8; ++i)
        op.steps.push_back([&](QDialog& d) {
            ++panels;
            EXPECT_TRUE(dynamic_cast<controls::RowEditor*>(&d));
            return false;
        });
    std::vector<qint64> expected;
    for (int row = 0; row < 4; ++row) {
        gridRow(row);
        if (!(ds->ColValueBool("Completato") && ds->ColValueBool("NonModificabile")))
            expected.push_back(ds->OID());
        commands->ViewEditData(false);
    }
    EXPECT_EQ(toOrderWindow, expected);
    EXPECT_EQ(panels, 1);  // the completed, locked order
    gridRow(3);
    commands->ViewEditData(true);  // forced: the order window
    EXPECT_EQ(toOrderWindow.size(), expected.size() + 1);

    // Consult-only operator: the panel, read-only.
    db->SetAccessLevel(-1);
    op.steps.insert(op.steps.begin() + op.seen, [&](QDialog& d) {
        auto& e = dynamic_cast<controls::RowEditor&>(d);
        EXPECT_TRUE(e.panel()->IsReadOnly());
        EXPECT_FALSE(e.cmdSave()->isVisible());
        return false;
    });
    gridRow(0);
    commands->ViewEditData(false);
    EXPECT_EQ(toOrderWindow.size(), expected.size() + 1);
}

TEST_F(CommandsTest, DeleteOneManyStoppedRefusedAndConsultOnly) {
    const auto supplier = [this](const char* code, bool preferred) {
        insert("Fornitori", {v("RagioneSociale"), v(code)});
        if (preferred) {
            auto ds = db->OpenDataSource("Fornitori", QStringLiteral("RagioneSociale = '%1'").arg(code));
            ds->SetColValue("Predefinito", true);
            ds->Save();
        }
    };
    for (const char* code : {"F1", "F2", "F3", "F4", "F5", "F6"}) supplier(code, QByteArray(code) == "F4");
    openView("Fornitori");
    show();
    const auto codes = [this] {
        QStringList out;
        auto ds = db->OpenDataSource("Fornitori", "RagioneSociale <> ''", "RagioneSociale");
        for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) out << ds->ColValueStr("RagioneSociale");
        return out;
    };
    controls::DataGrid* grid = browser->Widgets().dgView;
    const auto rowOf = [this](const char* code) {
        auto ds = browser->CurrentDataSource();
        ds->FindFirst(QStringLiteral("RagioneSociale = '%1'").arg(code));
        return int(ds->Position());
    };
    const auto select = [&](std::initializer_list<const char*> list) {
        grid->clearSelection();
        for (const char* code : list)
            grid->selectionModel()->select(grid->model()->index(rowOf(code), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        grid->selectionModel()->setCurrentIndex(grid->model()->index(rowOf(*list.begin()), 0),
                                                QItemSelectionModel::NoUpdate);
    };

    platform::ScriptedBoxes boxes;
    // One row; a Cancel first deletes nothing.
    select({"F1"});
    boxes.answer(platform::kAnswerCancel);
    commands->mnuFileDelete_Click();
    EXPECT_EQ(codes().size(), 6);
    select({"F1"});
    boxes.answer(platform::kAnswerOk);
    commands->mnuFileDelete_Click();
    EXPECT_EQ(codes(), (QStringList{"F2", "F3", "F4", "F5", "F6"}));

    // Several rows, one refused by the table class: the loop ends after its
    // message, the rows before it are gone, those after it stay.
    select({"F3", "F4", "F5"});
    boxes.clear();
    boxes.answer(platform::kAnswerOk);
    commands->mnuFileDelete_Click();
    EXPECT_EQ(codes(), (QStringList{"F2", "F4", "F5", "F6"}));
    EXPECT_EQ(boxes.shown().size(), 1u);  // the question only
    EXPECT_EQ(notices.shown, QStringList{"Il fornitore predefinito non può essere cancellato."});

    // Stopped after the first row: "Operazione interrotta", the rest stays.
    select({"F2", "F5", "F6"});
    boxes.clear();
    boxes.answer(platform::kAnswerOk);   // confirm the deletion
    boxes.answer(platform::kAnswerYes);  // confirm the stop
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        auto* message = startup::frmMessage::instance();
        // Stopped while the second row is on its way.
        if (message->MaxProgress() > 0 && message->pbNotify()->value() >= 2) {
            stopper.stop();
            message->cmdStop()->click();
        }
    });
    stopper.start(0);
    commands->mnuFileDelete_Click();
    stopper.stop();
    EXPECT_EQ(boxes.lastText(), "Operazione interrotta");
    EXPECT_EQ(codes(), (QStringList{"F4", "F5", "F6"}));
    EXPECT_FALSE(startup::frmMessage::IsLoaded());

    // A consult-only operator may not delete.
    db->SetAccessLevel(-1);
    const QStringList left = codes();
    select({"F4"});
    boxes.clear();
    commands->mnuFileDelete_Click();
    EXPECT_EQ(boxes.lastText(), "Utente non abilitato per questa operazione");
    EXPECT_EQ(codes(), left);
}

TEST_F(CommandsTest, SupplierSite) {
    std::vector<QUrl> opened;
    platform::setOpenHandler([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    platform::ScriptedBoxes boxes;
    commands->OpenSupplierSite();
    EXPECT_EQ(boxes.lastText(), "Nessun fornitore predefinito impostato");

    insert("Fornitori", {v("RagioneSociale"), v("Fornitore")});
    auto ds = db->OpenDataSource("Fornitori", "RagioneSociale = 'Fornitore'");
    ds->SetColValue("Predefinito", true);
    ds->Save();
    struct Case {
        const char* site;
        const char* url;      // opened, or empty
        const char* message;  // shown, or empty
    } const cases[] = {
        {"   ", "", "Sito web del fornitore non impostato"},
        {"  www.fornitore.it ", "http://www.fornitore.it", ""},
        {"https://fornitore.it/catalogo", "https://fornitore.it/catalogo", ""},
        {"HTTP://fornitore.it", "http://fornitore.it", ""},
        {"www.fornitore.it:8080/a", "http://www.fornitore.it:8080/a", ""},
        {"file:///etc/passwd", "", "non è un indirizzo internet valido"},
        {"javascript:alert(1)", "", "non è un indirizzo internet valido"},
    };
    for (const Case& c : cases) {
        ds->Requery();
        ds->SetColValue("SitoInternet", QString::fromUtf8(c.site));
        ds->Save();
        opened.clear();
        boxes.clear();
        commands->OpenSupplierSite();
        if (*c.url) {
            ASSERT_EQ(opened.size(), 1u) << c.site;
            EXPECT_EQ(opened[0].toString(), QString::fromUtf8(c.url));
            EXPECT_TRUE(boxes.shown().empty());
        } else {
            EXPECT_TRUE(opened.empty()) << c.site;
            EXPECT_TRUE(boxes.lastText().contains(QString::fromUtf8(c.message))) << c.site;
        }
    }
    platform::setOpenHandler({});
}

// The About window keeps its caption and shows the software and register
// names as its title; the combined-sort command has its own caption.
TEST_F(CommandsTest, AboutTitleAndSortCaption) {
    platform::setSoftwareName("Ordini Rossi");
    startup::runContext().registerName = "Rossi S.p.A.";
    QString caption, title;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<startup::frmAbout*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        caption = about->windowTitle();
        title = about->lblTitle()->text();
        about->reject();
    });
    commands->mnuHelpAbout_Click();
    EXPECT_EQ(caption, "Informazioni");
    EXPECT_EQ(title, "Ordini Rossi - Rossi S.p.A.");
    EXPECT_EQ(window.findChild<QAction*>("mnuOrderComplex")->text(), "&Ordinamento combinato...");
    platform::setSoftwareName(QString());
    startup::runContext().registerName.clear();
}
