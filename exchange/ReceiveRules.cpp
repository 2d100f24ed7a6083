#include "exchange/ReceiveRules.h"

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

}  // namespace exchange
