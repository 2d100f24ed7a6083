#include "startup/HeadOfficeLogin.h"

#include "datalib/Database.h"
#include "platform/SettingsStore.h"
#include "platform/Transfer.h"

namespace startup {

namespace {

const QString kParam = QStringLiteral("OnLineServicesURL");

QString sectionOf(const QString& agent) { return QStringLiteral("CredenzialiSede_") + agent.trimmed(); }

}  // namespace

QString OriginOf(const QUrl& url) { return platform::Transfer::originOf(url); }

QString OnLineServicesAddress(const datalib::Database& db, const QString& configured) {
    const QString address = db.GetSysParam(kParam, QString()).trimmed();
    return address.isEmpty() ? configured.trimmed() : address;
}

QString AddressWithoutLogin(const QString& address) {
    const QUrl url(address.trimmed());
    if (!url.isValid() || url.userInfo().isEmpty()) {
        // Not an address the transfer reads: at least no "user:password@".
        const QString t = address.trimmed();
        const int scheme = t.indexOf(QStringLiteral("://"));
        const int at = t.indexOf(QLatin1Char('@'));
        const int slash = t.indexOf(QLatin1Char('/'), scheme < 0 ? 0 : scheme + 3);
        if (scheme >= 0 && at > scheme && (slash < 0 || at < slash))
            return t.left(scheme + 3) + t.mid(at + 1);
        return t;
    }
    return url.adjusted(QUrl::RemoveUserInfo).toString();
}

HeadOfficeLogin LoginInAddress(const QString& address) {
    const QUrl url(address.trimmed());
    HeadOfficeLogin login;
    if (!url.isValid() || url.userInfo().isEmpty()) return login;
    login.origin = OriginOf(url);
    login.user = url.userName(QUrl::FullyDecoded);
    login.password = url.password(QUrl::FullyDecoded);
    return login;
}

HeadOfficeLogin ReadHeadOfficeLogin(const QString& agent) {
    using platform::SettingsStore;
    const QString section = sectionOf(agent);
    HeadOfficeLogin login;
    login.origin = SettingsStore::get(platform::appName(), section, QStringLiteral("Indirizzo"));
    login.user = SettingsStore::get(platform::appName(), section, QStringLiteral("Utente"));
    login.password = SettingsStore::get(platform::appName(), section, QStringLiteral("Password"));
    return login;
}

bool SaveHeadOfficeLogin(const QString& agent, const HeadOfficeLogin& login) {
    using platform::SettingsStore;
    const QString section = sectionOf(agent);
    const bool written =
        SettingsStore::save(platform::appName(), section, QStringLiteral("Indirizzo"), login.origin) &&
        SettingsStore::save(platform::appName(), section, QStringLiteral("Utente"), login.user) &&
        SettingsStore::save(platform::appName(), section, QStringLiteral("Password"), login.password);
    if (!written) return false;
    const HeadOfficeLogin back = ReadHeadOfficeLogin(agent);
    return back.origin == login.origin && back.user == login.user && back.password == login.password;
}

QString TakeLoginFromAddress(const QString& agent, const QString& address) {
    const QString bare = AddressWithoutLogin(address);
    HeadOfficeLogin login = LoginInAddress(address);
    if (login.isEmpty()) {
        login = ReadHeadOfficeLogin(agent);
        const QString origin = OriginOf(QUrl(bare));
        if (login.isEmpty() || origin.isEmpty() || login.origin == origin) return bare;
        login.origin = origin;
    }
    return SaveHeadOfficeLogin(agent, login) ? bare : address.trimmed();
}

void SeparateHeadOfficeLogin(datalib::Database& db, const QString& agent) {
    if (agent.trimmed().isEmpty() || !db.SysParamExists(kParam)) return;
    const QString address = db.GetSysParam(kParam, QString());
    const HeadOfficeLogin login = LoginInAddress(address);
    if (login.isEmpty()) return;
    if (!SaveHeadOfficeLogin(agent, login)) return;  // the address keeps it: the exchange still works
    db.SetSysParam(kParam, AddressWithoutLogin(address));
}

}  // namespace startup
