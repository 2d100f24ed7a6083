#pragma once
// The choice of the orders to send: every completed, unsent order listed
// (entry date, customer, total), all chosen at first. Each part stands in a
// column of its own, in a fixed-width font: the customers padded to the
// longest of the list, the totals aligned on the right.

#include <QDialog>
#include <QStringList>

#include <memory>
#include <vector>

class QListWidget;
class QPushButton;

namespace datalib {
class DataSource;
}

namespace exchange {

class frmSelectOrder : public QDialog {
  public:
    explicit frmSelectOrder(QWidget* parent = nullptr);

    // Lists the orders from the data source's current row to its end, shows
    // the window modally and tells whether the operator confirmed.
    void SelectOrder(datalib::DataSource& orders, bool& confirmed);

    // The chosen orders' keys as text, in list order (after a confirmation).
    QStringList m_selectedOrders;
    bool m_blnConfirm = false;

    QListWidget* lstOrder() const { return lstOrder_; }
    QPushButton* cmdConfirm() const { return cmdConfirm_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

    // The parts of the order the data source stands on: entry date,
    // customer (code and name) and total, as the list shows them.
    struct Entry {
        QString date, customer, total;
    };
    static Entry EntryOf(datalib::DataSource& order);
    // The entries' texts, their parts in columns.
    static QStringList EntryTexts(const std::vector<Entry>& entries);

  private:
    void confirm();

    QListWidget* lstOrder_ = nullptr;
    QPushButton* cmdConfirm_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace exchange
