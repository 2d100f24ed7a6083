#pragma once
// The period dialog: a start and an end date, each typed or chosen on a
// month calendar.

#include <QDate>
#include <QDialog>

class QCalendarWidget;
class QLineEdit;
class QPushButton;

namespace startup {

class frmFromDateToDate : public QDialog {
    Q_OBJECT
  public:
    explicit frmFromDateToDate(QWidget* parent = nullptr);

    // Shows the dialog modally on the two dates (today for a null one). On
    // confirm the chosen dates are written back and the result is true; on
    // cancel both are left untouched. A start after the end is accepted.
    bool SetDate(QDate& fromDate, QDate& toDate, long top = -1, long left = -1);

    // The steps of SetDate, for windows that show the dialog themselves.
    void Prepare(const QDate& fromDate, const QDate& toDate, long top, long left);
    bool Confirmed() const { return confirmed_; }
    QDate FromDate() const { return from_; }
    QDate ToDate() const { return to_; }

    QLineEdit* txtFromDate() const { return txtFromDate_; }
    QLineEdit* txtToDate() const { return txtToDate_; }
    QCalendarWidget* calFromData() const { return calFromData_; }
    QCalendarWidget* calToData() const { return calToData_; }
    QPushButton* cmdSet() const { return cmdSet_; }

    // A date as the dialog writes it (dd/mm/yyyy) and reads it back; a text
    // that is not a date gives a null date.
    static QString DateText(const QDate& date);
    static QDate TextDate(const QString& text);

  private:
    void confirm();

    QLineEdit* txtFromDate_ = nullptr;
    QLineEdit* txtToDate_ = nullptr;
    QCalendarWidget* calFromData_ = nullptr;
    QCalendarWidget* calToData_ = nullptr;
    QPushButton* cmdSet_ = nullptr;
    QDate from_;
    QDate to_;
    bool confirmed_ = false;
};

}  // namespace startup
