#include "startup/modZeltFormUtility.h"

#include "core/AppError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/Engine.h"
#include "datalib/Interfaces.h"
#include "startup/Globals.h"

#include <QComboBox>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
        ds.SetFilter(QStringLiteral("Codice<>'NASCOSTO'"));
    }
};

class Definition : public datalib::itfDefDatabase {
public:
    void Define(datalib::TableRegistry& registry) override {
        registry.RegisterTable(std::make_shared<Articoli>());
    }
};

class Quiet : public datalib::itfNotifyEvent {
public:
    void OnEvent(int&, int, QString&) override {}
    void OnInternalMessage(int, QString&) override {}
    void OnQueryMessage(int, int, QString&, bool& answer) override { answer = true; }
};

class Lookup : public ::testing::Test {
protected:
    void SetUp() override {
        const QString file = dir_.filePath(QStringLiteral("ZeltOrder_T"));
        engine_.Create(3, file, QString(), QStringLiteral("pw"));
        engine_.Open(3, file, QString(), QStringLiteral("pw"));
        db_ = datalib::Application::OpenDatabase(engine_, definition_, QStringLiteral("zelt"), &sink_);
        globals().database = db_;
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
        globals().database.reset();
        db_.reset();
        engine_.Close();
    }
    QStringList entries() const {
        QStringList all;
        for (int i = 0; i < list_.count(); ++i) all << list_.item(i)->text();
        return all;
    }

    QTemporaryDir dir_;
    Definition definition_;
    Quiet sink_;
    datalib::Engine engine_;
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
    EXPECT_FALSE(FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Codice"), QStringLiteral("012"),
                                &list_));
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

    EXPECT_TRUE(FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Codice"), QStringLiteral("RIGA"),
                               &list_));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("RIGA1")});
    // Existing entries count towards the fifteen and are never removed.
    EXPECT_TRUE(FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Codice"), QStringLiteral("A"),
                               &list_));
    EXPECT_EQ(list_.count(), 16);
    EXPECT_EQ(entries().front(), QStringLiteral("RIGA1"));
}

TEST_F(Lookup, UnknownColumnOrTable) {
    EXPECT_FALSE(FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Manca"), QStringLiteral("A"),
                                &list_));
    EXPECT_EQ(list_.count(), 0);
    EXPECT_THROW(GetDataSet(QStringLiteral("Inesistente")), core::AppError);
    globals().database.reset();
    EXPECT_THROW(GetDataSet(QStringLiteral("Articoli")), core::AppError);
}

TEST(LookupCode, TextBeforeTheFirstSeparator) {
    const std::pair<const char*, const char*> cases[] = {
        {"A01 - Vite - inox", "A01"},
        {"A01", "A01"},
        {" ... ", " ... "},
        {"A-01 - Vite", "A-01"},
        {"", ""},
    };
    for (const auto& [entry, code] : cases)
        EXPECT_EQ(GetLookupCode(QString::fromUtf8(entry)), QString::fromUtf8(code)) << entry;
}

}  // namespace
