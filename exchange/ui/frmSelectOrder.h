#pragma once
// The choice of the orders to send: every completed, unsent order listed
// (entry date, customer, total), all chosen at first.

#include <QDialog>
#include <QStringList>

#include <memory>

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

    // The entry text of the order the data source stands on.
    static QString EntryText(datalib::DataSource& order);

  private:
    void confirm();

    QListWidget* lstOrder_ = nullptr;
    QPushButton* cmdConfirm_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace exchange
