#pragma once
// The date dialog: one date chosen on a month calendar.

#include <QDate>
#include <QDialog>

class QCalendarWidget;
class QPushButton;

namespace startup {

// Places a dialog by top and left in twips; -1 centres it on the screen on
// that axis. Shared by the date dialogs.
void PlaceDialog(QWidget* dialog, long top, long left);
// A month calendar in Italian, weeks from Monday, as the date dialogs show it.
QCalendarWidget* NewMonthCalendar(const char* name, QWidget* parent);

class frmDateSetting : public QDialog {
    Q_OBJECT
  public:
    explicit frmDateSetting(QWidget* parent = nullptr);

    // Shows the dialog modally on the initial date (today when null) and
    // returns the chosen date, or a null date when the operator cancelled.
    QDate SetDate(const QDate& initial, long top = -1, long left = -1);

    // The steps of SetDate, for windows that show the dialog themselves.
    void Prepare(const QDate& initial, long top, long left);
    QDate Result() const { return confirmed_ ? chosen_ : QDate(); }

    QCalendarWidget* calTimeSetting() const { return calTimeSetting_; }
    QPushButton* cmdSetting() const { return cmdSetting_; }

  private:
    void confirm();

    QCalendarWidget* calTimeSetting_ = nullptr;
    QPushButton* cmdSetting_ = nullptr;
    QDate chosen_;
    bool confirmed_ = false;
};

}  // namespace startup
