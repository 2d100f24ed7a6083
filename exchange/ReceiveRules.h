#pragma once
// What a receive keeps of the agent's own work where head office's rows meet
// the local ones, and what it refuses to leave behind:
// - an order of this workstation not sent yet is never written over by head
//   office's order of the same number when that is another order (another
//   customer or entry date): it stays as it is, with its rows;
// - an operator's password changed at this workstation stays, unless head
//   office changed that operator's password since the last receive: the
//   value last received for each operator tells the two apart;
// - a receive never leaves the workstation without an operator of the
//   highest access level.

#include "core/Variant.h"
#include "datalib/DataSource.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace datalib {
class Database;
}

namespace exchange {

// "ordine N. <numero> del <data>, cliente <codice>", as the agent is told of an order.
QString DescribeOrder(const QString& number, const core::Variant& entryDate, const QString& customer);

// The rule of the copy of Ordini: an unsent local order that head office's
// order of its number is not stays as it is; kept() names them.
class UnsentOrdersKept : public datalib::CopyRule {
  public:
    bool Accept(const datalib::RowValues* stored, datalib::RowValues& incoming) override;
    const QStringList& kept() const { return kept_; }

  private:
    QStringList kept_;
};

// The database parameter holding, per operator, the password last received
// from head office (as stored, scrambled).
inline constexpr const char* kReceivedPasswordsParam = "PasswordUtentiRicevute";

// The rule of the copy of Utenti: an operator keeps the password stored here
// while head office's is the one last received. An operator never received
// counts as received without a password, as every operator starts.
class OperatorPasswords : public datalib::CopyRule {
  public:
    // Reads the values last received from `local`.
    explicit OperatorPasswords(datalib::Database& local);
    bool Accept(const datalib::RowValues* stored, datalib::RowValues& incoming) override;
    // Writes the values this copy received over those last received (inside
    // the copy's transaction, so that they go with its rows).
    void Record();

  private:
    datalib::Database& local_;
    QHash<QString, QString> last_;
    QHash<QString, QString> received_;
};

// The access level of the administrators, the highest.
inline constexpr int kAdministratorLevel = 1;
// True when `db` holds an operator of that level.
bool HasAdministrator(datalib::Database& db);

}  // namespace exchange
