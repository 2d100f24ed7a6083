#include "exchange/ReceiveRules.h"

#include "datalib/Database.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace exchange {

namespace {

QString textOf(const core::Variant& v) { return v.isEmptyOrNull() ? QString() : v.toString(); }

}  // namespace

QString DescribeOrder(const QString& number, const core::Variant& entryDate, const QString& customer) {
    return QStringLiteral("ordine N. %1 del %2, cliente %3")
        .arg(number,
             entryDate.isEmptyOrNull() ? QString()
                                       : entryDate.toDate().toQDate().toString(QStringLiteral("dd/MM/yyyy")),
             customer);
}

bool UnsentOrdersKept::Accept(const datalib::RowValues* stored, datalib::RowValues& incoming) {
    if (!stored || stored->Value(QStringLiteral("InviatoSede")).toBool()) return true;
    // The rule the send uses to tell an order of its number from another.
    const QString customer = textOf(stored->Value(QStringLiteral("Cliente")));
    const core::Variant entered = stored->Value(QStringLiteral("DataInserimento"));
    if (textOf(incoming.Value(QStringLiteral("Cliente"))) == customer &&
        textOf(incoming.Value(QStringLiteral("DataInserimento"))) == textOf(entered))
        return true;
    kept_ << DescribeOrder(textOf(stored->Value(QStringLiteral("Numero"))), entered, customer);
    return false;
}

OperatorPasswords::OperatorPasswords(datalib::Database& local) : local_(local) {
    const QJsonObject last =
        QJsonDocument::fromJson(
            local.GetSysParamLong(QLatin1String(kReceivedPasswordsParam), QString()).toUtf8())
            .object();
    for (auto it = last.begin(); it != last.end(); ++it) last_.insert(it.key(), it.value().toString());
}

bool OperatorPasswords::Accept(const datalib::RowValues* stored, datalib::RowValues& incoming) {
    const QString name = textOf(incoming.Value(QStringLiteral("Nome")));
    const QString theirs = textOf(incoming.Value(QStringLiteral("Password")));
    received_.insert(name, theirs);
    // Head office has not changed it since the last receive: what was
    // changed here stays.
    if (stored && theirs == last_.value(name))
        incoming.SetValue(QStringLiteral("Password"), stored->Value(QStringLiteral("Password")));
    return true;
}

void OperatorPasswords::Record() {
    if (received_.isEmpty()) return;
    QJsonObject all;
    for (auto it = last_.cbegin(); it != last_.cend(); ++it) all.insert(it.key(), it.value());
    for (auto it = received_.cbegin(); it != received_.cend(); ++it) all.insert(it.key(), it.value());
    local_.SetSysParamLong(QLatin1String(kReceivedPasswordsParam),
                           QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact)), QString());
}

bool HasAdministrator(datalib::Database& db) {
    return !db.OpenDataSource(QStringLiteral("Utenti"),
                              QStringLiteral("LivelloAccesso=%1").arg(kAdministratorLevel))
                ->DataEmpty();
}

}  // namespace exchange
