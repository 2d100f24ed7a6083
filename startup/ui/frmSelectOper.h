#pragma once
// The operator list: the names of a table's rows (the operators' table
// "Utenti") in a list to choose from. The opener sets the table and the name
// to preselect, shows the window modally and reads the chosen name and row
// back; an empty name means the choice was cancelled.

#include "core/Variant.h"

#include <QDialog>
#include <QString>

#include <memory>
#include <vector>

class QComboBox;
class QPushButton;

namespace datalib {
class Database;
}

namespace startup {

class frmSelectOper : public QDialog {
    Q_OBJECT
  public:
    // db: the database to list from (none: the program's open database).
    explicit frmSelectOper(QWidget* parent = nullptr, std::shared_ptr<datalib::Database> db = nullptr);

    // Table whose "Nome" column is listed; empty means "Operatori".
    QString m_strTableName;
    // In: the name to preselect. Out: the chosen name, empty when cancelled.
    QString m_strOperatore;
    // Out: the OID of the chosen row.
    core::Variant m_vntOID_Operatore;

    // Fills the list (the window's load); exec() runs it first.
    void Load();
    int exec() override;

    QComboBox* CmbOperatore() const { return cmbOperatore_; }
    QPushButton* cmdConfirm() const { return cmdConfirm_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

  private:
    void confirm();

    std::shared_ptr<datalib::Database> db_;
    std::vector<core::Variant> keys_;  // the rows' keys, in the list's order
    QComboBox* cmbOperatore_ = nullptr;
    QPushButton* cmdConfirm_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace startup
