#include "startup/modDatabase.h"

#include "core/Clock.h"
#include "core/ItalianText.h"
#include "core/Prompt.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "startup/Common.h"
#include "startup/OSWinUtil.h"
#include "startup/RunContext.h"
#include "startup/ShowError.h"
#include "startup/modGlobal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace startup {

namespace {

DefinitionFactory& definitionFactory() {
    static DefinitionFactory factory;
    return factory;
}

}  // namespace

std::unique_ptr<datalib::itfDefDatabase> NewDatabaseDefinition() {
    return definitionFactory() ? definitionFactory()() : nullptr;
}

QString DatabasePassword() {
    // Kept scrambled in the program; unscrambled when needed.
    static const QString kScrambled = QStringLiteral("-6:924");
    return ScrambleString(kScrambled, true);
}

void SetDatabaseDefinition(DefinitionFactory factory) { definitionFactory() = std::move(factory); }

void ReleaseEngine() {
    RunContext& g = runContext();
    if (g.engine) {
        try {
            g.engine->Close(0);
            g.engine->Release(true);
        } catch (const std::exception&) {
            // Closing never stops the program; the file is released with the engine.
        }
        g.engine.reset();
    }
    g.database.reset();
}

void CheckAgentAndWorkstation(const QString& agent, int workstation) {
    datalib::Database& db = *runContext().database;

    const QString dbAgent = db.GetSysParam(QStringLiteral("CodiceAgente"), QString());
    if (dbAgent != agent && !dbAgent.isEmpty()) {
        const int answer =
            core::messageBox(QStringLiteral("Il codice dell'Agente impostato nel database (") + dbAgent +
                                 QStringLiteral(") non corrisponde a quello configurato (") + agent +
                                 QStringLiteral("), continuare ?"),
                             core::kYesNo | core::kExclamation | core::kDefaultButton2);
        if (answer != core::kAnswerYes)
            RaiseGenericError("DATABASE", QStringLiteral("Operazione annullata."));
    }

    // The agent's row must be there before anything is written.
    auto agents = db.OpenDataSource(QStringLiteral("Agenti"),
                                    QStringLiteral("Codice = ") + db.FormatStringForQuery(agent));
    if (agents->DataEmpty())
        RaiseGenericError("DATABASE", QStringLiteral("I dati dell'Agente (") + agent +
                                          QStringLiteral(") non sono presenti in archivio"));
    agents->RowFirst();

    db.BeginTrans();
    try {
        if (dbAgent != agent) db.SetSysParam(QStringLiteral("CodiceAgente"), agent);
        const QString station = QString::number(workstation);
        if (db.GetSysParam(QStringLiteral("CodicePostazione"), QString()) != station)
            db.SetSysParam(QStringLiteral("CodicePostazione"), station);

        auto stations = agents->GetReference(QStringLiteral("PostazioniInstallate"),
                                             QStringLiteral("Progressivo = ") + station);
        if (stations->DataEmpty()) {
            stations->AddNew();
            stations->SetColValue(QStringLiteral("Progressivo"), std::int32_t(workstation));
            stations->SetColValue(QStringLiteral("Descrizione"), QStringLiteral("[ nuovo ]"));
            stations->Save();
        }
        db.CommitTrans();
    } catch (...) {
        db.Rollback();
        throw;
    }
}

void UpdateDataUltimoAccesso() {
    datalib::Database& db = *runContext().database;
    const QString stored = db.GetSysParam(QStringLiteral("DataUltimoAccesso"), QStringLiteral("01/01/2004"));
    const QDate today = core::Clock::today().toQDate();
    // A text that is no date counts as long ago.
    const auto last = core::italian::parseDate(stored.trimmed());
    if (last && last->toQDate() > today) return;
    db.SetSysParam(QStringLiteral("DataUltimoAccesso"),
                   core::italian::formatDateOnly(core::Date::fromQDate(today)));
}

}  // namespace startup
