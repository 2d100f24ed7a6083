#include "startup/modGlobal.h"

#include "core/ItalianText.h"
#include "core/Prompt.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "startup/Common.h"
#include "startup/OSWinUtil.h"
#include "startup/RunContext.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QLocale>

namespace startup {

namespace {

QString readConfig(const char* key, const QString& defaultValue) {
    return platform::SettingsStore::get(platform::appName(), QLatin1String(kConfigurationSection),
                                        QLatin1String(key), defaultValue);
}

bool writeConfig(const char* key, const QString& value) {
    return platform::SettingsStore::save(platform::appName(), QLatin1String(kConfigurationSection),
                                         QLatin1String(key), value);
}

// The workstation is one hexadecimal digit of every order number: anything
// but 0 to 15 counts as 0.
std::int16_t readWorkstation(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return (ok && n >= 0 && n <= 15) ? static_cast<std::int16_t>(n) : std::int16_t(0);
}

// A number as the store holds it (written with the Italian decimal comma);
// text that is no number counts as 0.
double readNumber(const QString& text) {
    try {
        return core::italian::parseNumber(text).value_or(0.0);
    } catch (const core::AppError&) {
        return 0.0;
    }
}

// Branding defaults of the installation. When the edition logo is installed,
// the edition set applies, otherwise the generic one.
struct BrandingDefaults {
    QString startImage;
    QString logoImage;
    QString softwareName;
    QString registerName;
    QString onLineServicesURL;
};

BrandingDefaults brandingDefaults() {
    const QDir assets(platform::assetsDir());
    const QString editionLogo = assets.filePath(QStringLiteral("LogoEdizione.wmf"));
    if (FileExists(editionLogo))
        return {assets.filePath(QStringLiteral("start_04.jpg")), editionLogo, QStringLiteral("Zelt Order"),
                QStringLiteral("Edizione Agenti"),
                QStringLiteral("https://servizi.zeltorder.example/agenti/")};
    return {assets.filePath(QStringLiteral("SplashAzienda.jpg")),
            assets.filePath(QStringLiteral("LogoAzienda.jpg")), QStringLiteral("Zelt Order"), QString(),
            QStringLiteral("https://servizi.zeltorder.example/")};
}

QString param(datalib::Database& db, const QString& name, const QString& defaultValue) {
    try {
        return db.GetSysParam(name, defaultValue);
    } catch (const std::exception&) {
        return defaultValue;
    }
}

}  // namespace

void ReadConfiguration() {
    RunContext& g = runContext();
    g.rootDir = readConfig("RootDir", platform::dataDir());
    if (g.rootDir.trimmed().isEmpty()) g.rootDir = platform::dataDir();
    g.codeAgente = readConfig("Code_Agente", QString());
    g.codePostazione = readWorkstation(readConfig("Code_Postazione", QStringLiteral("0")));
    g.defaultCodiceIva = readConfig("Default_CodiceIVA", QStringLiteral("IVA20"));
    g.valoreArrotondamento = readNumber(readConfig("ValoreArrotondamento", QStringLiteral("0")));
    g.arrotondaInEccesso =
        StrToBoolean(readConfig("ArrotondaInEccesso", QStringLiteral("True"))) ? -1.0 : 0.0;
}

bool SaveConfiguration() {
    const RunContext& g = runContext();
    bool ok = writeConfig("RootDir", g.rootDir);
    ok = writeConfig("Code_Agente", g.codeAgente) && ok;
    ok = writeConfig("Code_Postazione", QString::number(g.codePostazione)) && ok;
    ok = writeConfig("Default_CodiceIVA", g.defaultCodiceIva) && ok;
    ok = writeConfig("ValoreArrotondamento", core::italian::formatDouble(g.valoreArrotondamento)) && ok;
    ok = writeConfig("ArrotondaInEccesso",
                     g.arrotondaInEccesso != 0 ? QStringLiteral("-1") : QStringLiteral("0")) &&
         ok;
    datalib::Application::SetDocumentsFolder(QDir(g.rootDir).filePath(QStringLiteral("Docs")));
    return ok;
}

void ReadBrandingParameters(datalib::Database& db) {
    RunContext& g = runContext();
    const BrandingDefaults d = brandingDefaults();
    g.startImagePath = param(db, QStringLiteral("StartImagePath"), d.startImage);
    g.logoImagePath = param(db, QStringLiteral("LogoImagePath"), d.logoImage);
    QString name = param(db, QStringLiteral("SoftwareName"), d.softwareName);
    g.registerName = param(db, QStringLiteral("RegisterName"), d.registerName);
    g.onLineServicesURL = param(db, QStringLiteral("OnLineServicesURL"), d.onLineServicesURL);
    // The installation's background, when it is installed; else none.
    QString background = QDir(platform::assetsDir()).filePath(QStringLiteral("sfondo_1600x1200.jpg"));
    if (!FileExists(background)) background.clear();
    g.backgroungImagePath = param(db, QStringLiteral("BackgroungImagePath"), background);
    if (!FileExists(GetAbsolutePath(g.startImagePath))) g.startImagePath.clear();
    if (!FileExists(GetAbsolutePath(g.logoImagePath))) g.logoImagePath.clear();
    if (name.trimmed().isEmpty()) name = QStringLiteral("Zelt Order");
    core::setSoftwareName(name);
}

QString ProgramVersionText() {
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty()) version = QStringLiteral("1.0.0");
    const QStringList parts = version.split(QLatin1Char('.'));
    const QString major = parts.value(0, QStringLiteral("0"));
    const QString minor = parts.value(1, QStringLiteral("0"));
    // Four parts are major.minor.build.revision; three are major.minor.revision.
    const QString revision = parts.size() >= 4 ? parts.value(3) : parts.value(2, QStringLiteral("0"));
    return QStringLiteral("Version %1.%2.%3").arg(major, minor, revision);
}

QString ProgramVersionNumbers() { return ProgramVersionText().mid(QStringLiteral("Version ").size()); }

QString AppTitleText(bool bShort, const QString& dataAggiornamento) {
    const RunContext& g = runContext();
    QString title = core::softwareName();
    if (!g.codeAgente.isEmpty())
        title += QStringLiteral("  (Codice Agente ") + g.codeAgente + QLatin1Char(')');
    if (bShort) return title;
    QString date = dataAggiornamento;
    if (const auto parsed = core::italian::parseDate(date.trimmed()))
        date = core::italian::formatDateOnly(*parsed);
    return title + QStringLiteral(" - Dati aggiornati al ") + date +
           QStringLiteral(" - Versione software: ") + ProgramVersionNumbers();
}

}  // namespace startup
