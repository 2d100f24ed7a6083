#pragma once
// The agent's login at head office: user and password of the online
// services, kept in the agent's private settings apart from the address
// (the database parameter OnLineServicesURL), where no script reaches them.
// The login is bound to the address it was given for (scheme, host and
// port): the exchange sends it there and nowhere else.

#include <QString>
#include <QUrl>

namespace datalib {
class Database;
}

namespace startup {

struct HeadOfficeLogin {
    QString origin;  // "http://host:port" the login was given for
    QString user;
    QString password;
    bool isEmpty() const { return user.isEmpty() && password.isEmpty(); }
};

// "scheme://host:port" of an address (port always written), empty when the
// address has no host.
QString OriginOf(const QUrl& url);
// The address the exchange uses: the parameter OnLineServicesURL of the
// database, else the configured one (the run's). "Impostazioni Client"
// shows this one.
QString OnLineServicesAddress(const datalib::Database& db, const QString& configured);
// The address as shown and used: without user and password.
QString AddressWithoutLogin(const QString& address);
// The user info of an address as a login bound to its origin (empty when
// the address holds none).
HeadOfficeLogin LoginInAddress(const QString& address);

// The agent's stored login (empty when none is stored).
HeadOfficeLogin ReadHeadOfficeLogin(const QString& agent);
// Stores the login; true when it reads back as written.
bool SaveHeadOfficeLogin(const QString& agent, const HeadOfficeLogin& login);

// An address typed by the operator: a login inside it is stored as the
// agent's login, and the address comes back without it. An address of
// another host without a login of its own takes the stored login with it
// (the operator changed the address on purpose). When the login cannot be
// stored the address comes back as typed, so that nothing is lost.
QString TakeLoginFromAddress(const QString& agent, const QString& address);

// Databases of earlier versions keep the login inside OnLineServicesURL:
// it is moved to the agent's settings, and the parameter keeps the address
// alone, only once the login is stored. Done when the agent's database is
// opened and before each exchange; nothing happens when there is nothing
// to move.
void SeparateHeadOfficeLogin(datalib::Database& db, const QString& agent);

}  // namespace startup
