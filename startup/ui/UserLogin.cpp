#include "startup/ui/UserLogin.h"

#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "platform/ui/MessageBox.h"
#include "startup/Common.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/frmPassword.h"
#include "startup/ui/frmSelectOper.h"

#include <QCoreApplication>

namespace startup {

namespace {
const QString kUsersTable = QStringLiteral("Utenti");

int accessLevelOf(const datalib::DataSource& row) {
    const QString column = QStringLiteral("LivelloAccesso");
    return row.ColEmpty(column) ? 0 : static_cast<int>(row.ColValueNum(column));
}
}  // namespace

bool UserLogin(bool& login, QString user, bool& changePassword) {
    QCoreApplication::processEvents();
    const MainWindowLink& link = mainWindowLink();
    SignedOperator& op = signedOperator();
    try {
        auto db = OpenDatabase();
        if (!db) return false;
        if (login) {
            if (!user.isEmpty()) {
                auto named =
                    db->OpenDataSource(kUsersTable, QStringLiteral("Nome=") + db->FormatStringForQuery(user));
                if (named->DataEmpty()) {
                    platform::messageBox(QStringLiteral("L'Utente <") + user +
                                             QStringLiteral("> specificato nei parametri non è configurato."),
                                         platform::kExclamation, QString(), link.window);
                    user.clear();
                } else {
                    named->RowFirst();
                    op.name = named->ColValueStr(QStringLiteral("Nome"));
                    op.oid = named->RowKey();
                }
            }
            if (user.isEmpty()) {
                frmSelectOper list(link.window, db);
                list.m_strOperatore = op.name;
                list.m_strTableName = kUsersTable;
                list.exec();
                op.name = list.m_strOperatore;
                op.oid = list.m_vntOID_Operatore;
            }
            if (link.setAppTitle) link.setAppTitle(false);
        }
        if (op.name.trimmed().isEmpty()) return false;

        auto row = db->OpenDataSource(kUsersTable, QStringLiteral("OID=") + db->FormatStringForQuery(op.oid));
        if (row->DataEmpty()) return false;
        row->RowFirst();
        const QString stored = row->ColValueStr(QStringLiteral("Password"));
        if (!stored.isEmpty() || user.isEmpty()) {
            QString plain = ScrambleString(stored, true);
            frmPassword window(link.window);
            if (!window.ValidatePassword(link.window, changePassword, &plain, false)) return false;
            if (window.Changed()) {
                row->SetColValue(QStringLiteral("Password"), ScrambleString(window.Password(), false));
                row->Save();
            }
        }

        if (datalib::Engine* engine = CurrentEngine()) engine->SetUser(op.name);
        db->SetOperatorName(op.name);
        db->SetAccessLevel(accessLevelOf(*row));
        op.accessLevel = db->AccessLevel();
        return true;
    } catch (...) {
        return false;
    }
}

bool SignInAtStart() {
    bool login = true, change = false;
    return UserLogin(login, QStringLiteral("Operatore"), change);
}

bool ChangeOperator() {
    bool login = true, change = false;
    return UserLogin(login, QString(), change);
}

bool ChangePassword() {
    bool login = false, change = true;
    return UserLogin(login, QString(), change);
}

}  // namespace startup
