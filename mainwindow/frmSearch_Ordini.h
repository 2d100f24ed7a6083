#pragma once
// "RICERCA ORDINI": the order search shown before an order list is printed:
// customer (code or company name), article (code or description), order
// date range and head-office number range, each optional.

#include "mainwindow/SearchWindow.h"

class QLineEdit;

namespace mainwindow {

class frmSearch_Ordini : public SearchWindow {
    Q_OBJECT
  public:
    // Shows the window modally over the owner. On OK the selection (made by
    // the "Ordini" data set) holds the search: rows on "DataInserimento" and
    // "NumeroSede" and a free condition for customer and article with their
    // joins; `confirmed` tells whether OK ended it. The dates start at
    // 01/01 of this year and end with the last day of this month.
    static void ShowSelection(QWidget* owner, datalib::SelectionCriteria& selection, bool& confirmed);

    explicit frmSearch_Ordini(QWidget* owner = nullptr);

    QLineEdit* txtSel_Cliente() const { return txtSel_Cliente_; }
    QLineEdit* txtSel_Articolo() const { return txtSel_Articolo_; }
    QLineEdit* txtFromDate_Ordine() const { return txtFromDate_; }
    QLineEdit* txtToDate_Ordine() const { return txtToDate_; }
    QLineEdit* txtFromNum_Ordine() const { return txtFromNum_; }
    QLineEdit* txtToNum_Ordine() const { return txtToNum_; }

  protected:
    bool buildSelection(datalib::SelectionCriteria& selection) override;

  private:
    bool checkEntries();

    QLineEdit* txtSel_Cliente_;
    QLineEdit* txtSel_Articolo_;
    QLineEdit* txtFromDate_;
    QLineEdit* txtToDate_;
    QLineEdit* txtFromNum_;
    QLineEdit* txtToNum_;
};

}  // namespace mainwindow
