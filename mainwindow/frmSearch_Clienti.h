#pragma once
// "RICERCA PER CLIENTE": the customer search shown before a customer list is
// printed. The customer box takes a code (that customer exactly) or part of
// a company name; province and usual payment type narrow further.

#include "mainwindow/SearchWindow.h"

class QComboBox;
class QLineEdit;

namespace mainwindow {

class frmSearch_Clienti : public SearchWindow {
    Q_OBJECT
  public:
    // Shows the window modally over the owner. On OK the selection (made by
    // the "Clienti" data set) holds the search: its rows and its free
    // condition (province and payment type with their joins); `confirmed`
    // tells whether OK ended it. A window that cannot load raises AppError
    // after showing it.
    static void ShowSelection(QWidget* owner, datalib::SelectionCriteria& selection, bool& confirmed);

    // Loads the window (the province and payment-type lists); raises on failure.
    explicit frmSearch_Clienti(QWidget* owner = nullptr);

    QLineEdit* txtSel_Cliente() const { return txtSel_Cliente_; }
    QComboBox* cboSel_Provincia() const { return cboSel_Provincia_; }
    // Lists the payment types' descriptions; the item data is the type's code.
    QComboBox* cboSel_Pagamento() const { return cboSel_Pagamento_; }

  protected:
    bool buildSelection(datalib::SelectionCriteria& selection) override;

  private:
    QLineEdit* txtSel_Cliente_;
    QComboBox* cboSel_Provincia_;
    QComboBox* cboSel_Pagamento_;
};

}  // namespace mainwindow
