#pragma once
// What a receive keeps of the agent's own work where head office's rows meet
// the local ones: an order of this workstation not sent yet is never written
// over by head office's order of the same number when that is another order
// (another customer or entry date): it stays as it is, with its rows.

#include "core/Variant.h"
#include "datalib/DataSource.h"

#include <QString>
#include <QStringList>

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

}  // namespace exchange
