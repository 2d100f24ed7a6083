#include "startup/ui/modZeltFormUtility.h"

#include "core/AppError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/Interfaces.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ui/frmMessage.h"
#include "support/AgentDatabase.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace startup;

namespace {

class Articoli : public datalib::itfDefTable, public datalib::itfSetData {
  public:
    QString TableName() const override { return QStringLiteral("Articoli"); }
    void DefineIdentity(datalib::TableIdentity&) override {}
    void DefineStructure(datalib::ColumnCollection& c, datalib::KeyCollection& k,
                         datalib::ReferenceCollection&) override {
        c.Add(QStringLiteral("Codice"), datalib::coltype::Text, 32);
        c.Add(QStringLiteral("Descrizione"), datalib::coltype::Text, 64);
        c.Add(QStringLiteral("Disabilitato"), datalib::coltype::Boolean);
        k.Add(QStringLiteral("Codice"), true);
    }
    void DefineDefaultData(datalib::itfSetData*& sink) override { sink = this; }
    // The table's own selection: the row "NASCOSTO" is never offered.
    void OnSelect(datalib::DataSource& ds) override {
        const QString own = QStringLiteral("Codice<>'NASCOSTO'");
        ds.SetFilter(ds.Filter().isEmpty() ? own : QStringLiteral("(%1) AND %2").arg(ds.Filter(), own));
    }
};

class Definition : public datalib::itfDefDatabase {
  public:
    void Define(datalib::TableRegistry& registry) override {
        registry.RegisterTable(std::make_shared<Articoli>());
    }
};

class Lookup : public ::testing::Test {
  protected:
    void SetUp() override {
        testsupport::AgentDatabase::Options o;
        o.definition = &definition_;
        o.application = QStringLiteral("zelt");
        data_ = std::make_unique<testsupport::AgentDatabase>(o);
        data_->sink().yesWhenEmpty = false;  // the library's questions answered No
        db_ = data_->dbPtr();
        runContext().database = db_;
        auto rows = db_->OpenDataSource(QStringLiteral("Articoli"));
        const auto add = [&](const QString& code, const QString& text, bool disabled = false) {
            rows->InsertFromPairs({QStringLiteral("Codice"), code, QStringLiteral("Descrizione"), text,
                                   QStringLiteral("Disabilitato"), disabled});
        };
        for (int i = 1; i <= 20; ++i)
            add(QStringLiteral("A%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("Articolo %1").arg(i));
        add(QStringLiteral("X0123Y"), QStringLiteral("Vite"));
        add(QStringLiteral("Z0123W"), QStringLiteral("Bullone fuori produzione"), true);
        add(QStringLiteral("L'ALBERO"), QStringLiteral("Pianta"));
        add(QStringLiteral("RIGA1\rRIGA2"), QStringLiteral("Su due righe"));
        add(QStringLiteral("NASCOSTO"), QStringLiteral("Non si vede"));
        add(QStringLiteral("N0123"), QStringLiteral("Visibile"));
    }
    void TearDown() override {
        runContext().database.reset();
        db_.reset();
        data_.reset();
    }
    QStringList entries() const {
        QStringList all;
        for (int i = 0; i < list_.count(); ++i) all << list_.item(i)->text();
        return all;
    }

    Definition definition_;
    std::unique_ptr<testsupport::AgentDatabase> data_;
    std::shared_ptr<datalib::Database> db_;
    QListWidget list_;
};

TEST_F(Lookup, AtMostFifteenEntriesAndAMarker) {
    EXPECT_TRUE(FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Codice"), QStringLiteral("a"),
                               &list_, QStringLiteral("Descrizione")));
    const QStringList shown = entries();
    ASSERT_EQ(shown.size(), 16);
    EXPECT_EQ(shown.front(), QStringLiteral("A01 - Articolo 1"));
    EXPECT_EQ(shown.back(), QStringLiteral(" ... "));
    EXPECT_EQ(GetLookupCode(shown.front()), QStringLiteral("A01"));
}

TEST_F(Lookup, SecondPassOnlyFromFourCharactersWithEveryFilterKept) {
    // Nothing begins with "012": fewer than 4 characters, no second pass.
    EXPECT_FALSE(
        FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Codice"), QStringLiteral("012"), &list_));
    EXPECT_EQ(list_.count(), 0);

    // "0123" is inside three codes; the caller's filter leaves out the
    // disabled one in this pass too.
    EXPECT_TRUE(FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Codice"), QStringLiteral("0123"),
                               &list_, QString(), QStringLiteral("Not Disabilitato")));
    QStringList shown = entries();
    shown.sort();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("N0123"), QStringLiteral("X0123Y")}));

    // The table's own selection stays as well.
    list_.clear();
    EXPECT_FALSE(FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Codice"),
                                QStringLiteral("NASCOSTO"), &list_));
}

TEST_F(Lookup, TypedTextIsAValueAndCodesShowTheirFirstLine) {
    QComboBox combo;
    EXPECT_TRUE(FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Codice"), QStringLiteral("L'"),
                               &combo, QStringLiteral("Descrizione")));
    ASSERT_EQ(combo.count(), 1);
    EXPECT_EQ(combo.itemText(0), QStringLiteral("L'ALBERO - Pianta"));

    EXPECT_TRUE(
        FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Codice"), QStringLiteral("RIGA"), &list_));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("RIGA1")});
    // Existing entries count towards the fifteen and are never removed.
    EXPECT_TRUE(
        FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Codice"), QStringLiteral("A"), &list_));
    EXPECT_EQ(list_.count(), 16);
    EXPECT_EQ(entries().front(), QStringLiteral("RIGA1"));
}

TEST_F(Lookup, UnknownColumnOrTable) {
    EXPECT_FALSE(
        FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Manca"), QStringLiteral("A"), &list_));
    EXPECT_EQ(list_.count(), 0);
    EXPECT_THROW(GetDataSet(QStringLiteral("Inesistente")), core::AppError);
    runContext().database.reset();
    EXPECT_THROW(GetDataSet(QStringLiteral("Articoli")), core::AppError);
}

class HtmlExport : public Lookup {
  protected:
    void SetUp() override {
        Lookup::SetUp();
        platform::setDataDirOverride(dataDir_.path());
        platform::setOpenHandler([this](const QUrl& url) {
            opened_ << url.toLocalFile();
            return true;
        });
        rows_ = db_->OpenDataSource(QStringLiteral("Articoli"), QStringLiteral("Codice Like 'A0*'"),
                                    QStringLiteral("Codice"));
        parent_.show();
    }
    void TearDown() override {
        rows_.reset();
        platform::setOpenHandler(nullptr);
        platform::setDataDirOverride(QString());
        Lookup::TearDown();
    }
    QString file() const { return dataDir_.filePath(QStringLiteral("TableData.htm")); }
    QString written() const {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QTemporaryDir dataDir_;
    QStringList opened_;
    std::shared_ptr<datalib::DataSource> rows_;
    QWidget parent_;
    platform::ScriptedBoxes boxes_;
};

TEST_F(HtmlExport, WritesTheTableAndOpensIt) {
    boxes_.answer(platform::kAnswerNo);
    QString fields;
    ExportBrowserToHtml(rows_.get(), &parent_, fields);
    ASSERT_GE(boxes_.shown().size(), 1u);
    EXPECT_EQ(boxes_.shown()[0].text,
              QStringLiteral("Vuoi modificare la sequenza dei campi per il browser ?"));
    const QString html = written();
    EXPECT_TRUE(html.contains(QStringLiteral("<table")));
    EXPECT_TRUE(html.contains(QStringLiteral("<td>A09</td>")));
    EXPECT_FALSE(html.contains(QStringLiteral("A10")));
    EXPECT_EQ(opened_, QStringList{file()});
    EXPECT_FALSE(frmMessage::IsLoaded());
    EXPECT_TRUE(parent_.isEnabled());
}

TEST_F(HtmlExport, ColumnsChosenAndOrderedAndTheExportReplaced) {
    QString fields;
    boxes_.answer(platform::kAnswerNo);
    ExportBrowserToHtml(rows_.get(), &parent_, fields);
    ASSERT_TRUE(written().contains(QStringLiteral("<th>Disabilitato</th>")));

    boxes_.answer(platform::kAnswerYes);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Esportazione HTML - Selezione Campi"));
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("lstFields"));
        const auto row = [list](const char* name) {
            return list->row(list->findItems(QLatin1String(name), Qt::MatchExactly).value(0));
        };
        list->item(row("Disabilitato"))->setCheckState(Qt::Unchecked);
        list->setCurrentRow(row("Descrizione"));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdUp")), Qt::LeftButton);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    ExportBrowserToHtml(rows_.get(), &parent_, fields);
    EXPECT_TRUE(fields.startsWith(QStringLiteral("Descrizione,Codice")));
    EXPECT_FALSE(fields.contains(QStringLiteral("Disabilitato")));
    const QString html = written();
    EXPECT_FALSE(html.contains(QStringLiteral("<th>Disabilitato</th>")));
    EXPECT_LT(html.indexOf(QStringLiteral("<th>Descrizione</th>")),
              html.indexOf(QStringLiteral("<th>Codice</th>")));
    EXPECT_EQ(opened_.size(), 2);
}

TEST_F(HtmlExport, CancelledChoiceOrStopWritesNothing) {
    QString fields = QStringLiteral("Codice");
    boxes_.answer(platform::kAnswerYes);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    ExportBrowserToHtml(rows_.get(), &parent_, fields);
    EXPECT_FALSE(QFile::exists(file()));
    EXPECT_EQ(fields, QStringLiteral("Codice"));

    // The operator stops the export: no file, no browser, no error shown.
    boxes_.clear();
    boxes_.answer(platform::kAnswerNo);   // keep the columns
    boxes_.answer(platform::kAnswerYes);  // confirm the stop
    QTimer::singleShot(0, [] { QTest::mouseClick(frmMessage::instance()->cmdStop(), Qt::LeftButton); });
    ExportBrowserToHtml(rows_.get(), &parent_, fields);
    EXPECT_FALSE(QFile::exists(file()));
    EXPECT_TRUE(opened_.isEmpty());
    ASSERT_EQ(boxes_.shown().size(), 2u);
    EXPECT_EQ(boxes_.shown()[1].text, QStringLiteral("Confermi l'interruzione ?"));
    EXPECT_FALSE(frmMessage::IsLoaded());
}

TEST(LookupCode, TextBeforeTheFirstSeparator) {
    const std::pair<const char*, const char*> cases[] = {
        {"A01 - Vite - inox", "A01"}, {"A01", "A01"}, {" ... ", " ... "}, {"A-01 - Vite", "A-01"}, {"", ""},
    };
    for (const auto& [entry, code] : cases)
        EXPECT_EQ(GetLookupCode(QString::fromUtf8(entry)), QString::fromUtf8(code)) << entry;
}

}  // namespace
