// The connection to head office: which address is used, what the agent is
// told when there is none, the questions on a changed structure and on
// older data, and the local-file path without a transfer.

#include "ExchangeTestSupport.h"

#include "datalib/DataSource.h"
#include "startup/RunContext.h"

#include <QFile>

using namespace exchangetest;

namespace {

// Notes how many boxes had been shown when the window was unloaded.
struct UnloadWatch : RecordingProgress {
    explicit UnloadWatch(const core::ScriptedBoxes& b) : boxes(b) {}
    void Unload() override {
        boxesBefore = boxes.shown().size();
        RecordingProgress::Unload();
    }
    const core::ScriptedBoxes& boxes;
    size_t boxesBefore = 99;
};

constexpr const char* kNobody = "http://127.0.0.1:9/";

}  // namespace

TEST_F(HeadOfficeTest, TheDatabasesAddressComesFirstThenTheConfiguredOne) {
    openLocal(true);
    struct Case {
        const char* name;
        QString param, configured;
        bool reached;
    };
    const Case cases[] = {
        {"the database's address over the configured one", url, kNobody, true},
        {"the database's address unreachable", kNobody, url, false},
        {"no database address: the configured one", "", url, true},
        {"blanks count as none", "   ", url, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        local->db->SetSysParam("OnLineServicesURL", c.param);
        exchange::ExchangeContext ctx = context();
        ctx.configuredUrl = c.configured;
        boxes.clear();
        RecordingProgress p;
        EXPECT_EQ(exchange::ReceiveUpdates(ctx, &transfer, p, false, false), c.reached);
        if (!c.reached) {
            ASSERT_FALSE(boxes.shown().empty());
            EXPECT_TRUE(boxes.shown().front().text.contains("non risponde"))
                << boxes.lastText().toStdString();
        }
    }

    // Neither: the window goes first, then the agent is told; nothing sent.
    local->db->SetSysParam("OnLineServicesURL", "");
    exchange::ExchangeContext ctx = context();
    ctx.configuredUrl.clear();
    const QByteArray before = headBytes();
    for (const bool sending : {false, true}) {
        SCOPED_TRACE(sending ? "send" : "receive");
        boxes.clear();
        UnloadWatch p(boxes);
        exchange::OrderSelection all;
        EXPECT_FALSE(sending ? exchange::SendOrders(ctx, &transfer, p, false, all)
                             : exchange::ReceiveUpdates(ctx, &transfer, p, false, false));
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.lastText(), "Indirizzo Servizi in linea Agenti non configurato!");
        EXPECT_EQ(p.boxesBefore, 0u);
    }
    EXPECT_EQ(headBytes(), before);
}

// Head office's data older than the local ones: the question gives both
// versions the Italian way; No receives nothing.
TEST_F(HeadOfficeTest, OlderDataAtHeadOfficeAreReceivedOnlyWhenTheAgentSaysSo) {
    editHeadOffice([](datalib::Database& head) { head.SetSysParam("VersioneUltimoAggiornamento", "2.5"); });
    openLocal(true);
    local->db->SetSysParam("VersioneUltimoAggiornamento", "3.25");
    const QStringList before = dump(*local->db, "Articoli", "Codice");
    for (const int answer : {core::kAnswerNo, core::kAnswerYes}) {
        boxes.clear();
        boxes.answer(answer);
        RecordingProgress p;
        const bool received = exchange::ReceiveUpdates(context(), &transfer, p, false, false);
        ASSERT_FALSE(boxes.shown().empty());
        const QString question = boxes.shown().front().text;
        EXPECT_TRUE(
            question.contains("La versione dei dati remoti (2,5) risulta inferiore a quella "
                              "dell'archivio locale (3,25)"))
            << question.toStdString();
        EXPECT_EQ(received, answer == core::kAnswerYes);
        // The version found at head office is noted either way.
        EXPECT_EQ(local->db->GetSysParam("VersioneAggiornamento", ""), "2.5");
        EXPECT_EQ(local->db->GetSysParam("VersioneUltimoAggiornamento", ""),
                  answer == core::kAnswerYes ? "2.5" : "3.25");
        if (answer == core::kAnswerNo) {
            EXPECT_TRUE(p.unloaded);
            EXPECT_EQ(dump(*local->db, "Articoli", "Codice"), before);
        }
    }
}

// Without a transfer the agent's own database file is opened a second time.
TEST_F(HeadOfficeTest, WithoutATransferTheAgentsOwnFileIsOpened) {
    openLocal(true);
    const QString previousRoot = startup::runContext().rootDir;
    startup::runContext().rootDir = dir.path();
    {
        auto remote =
            exchange::ConnectRemoteDatabase(context(), exchange::kExchangeTables, false, nullptr, progress);
        ASSERT_TRUE(remote);
        EXPECT_FALSE(remote->connector);
        EXPECT_EQ(remote->db->FileName(), localFile);
        EXPECT_EQ(remote->db->OpenDataSource("Ordini")->RowCount(), localCount("Ordini"));
        EXPECT_TRUE(boxes.shown().empty());
    }
    startup::runContext().rootDir = previousRoot;
}
