#include "startup/ui/frmFromDateToDate.h"

#include "core/Clock.h"
#include "core/ItalianText.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ui/frmDateSetting.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace startup {

namespace {

// A date box and its calendar follow each other: a click on a day writes it
// in the box, a valid date typed in the box moves the calendar when the box
// is left.
void pair(QLineEdit* box, QCalendarWidget* calendar) {
    platform::connectGuarded(calendar, &QCalendarWidget::clicked, box,
                             [box](QDate day) { box->setText(frmFromDateToDate::DateText(day)); });
    platform::connectGuarded(box, &QLineEdit::editingFinished, calendar, [box, calendar] {
        const QDate typed = frmFromDateToDate::TextDate(box->text());
        if (typed.isValid()) calendar->setSelectedDate(typed);
    });
}

}  // namespace

QString frmFromDateToDate::DateText(const QDate& date) {
    return core::italian::formatDateOnly(core::Date::fromQDate(date));
}

QDate frmFromDateToDate::TextDate(const QString& text) {
    const auto date = core::italian::parseDate(text);
    return date ? date->toQDate() : QDate();
}

frmFromDateToDate::frmFromDateToDate(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFromDateToDate"));
    setWindowTitle(QStringLiteral("Selezione Periodo"));

    txtFromDate_ = new QLineEdit(this);
    txtFromDate_->setObjectName(QStringLiteral("txtFromDate"));
    txtToDate_ = new QLineEdit(this);
    txtToDate_->setObjectName(QStringLiteral("txtToDate"));
    auto* lblFrom = new QLabel(QStringLiteral("&Da Data:"), this);
    lblFrom->setBuddy(txtFromDate_);
    auto* lblTo = new QLabel(QStringLiteral("&A Data:"), this);
    lblTo->setBuddy(txtToDate_);
    calFromData_ = NewMonthCalendar("calFromData", this);
    calToData_ = NewMonthCalendar("calToData", this);
    cmdSet_ = new QPushButton(QStringLiteral("&Imposta"), this);
    cmdSet_->setObjectName(QStringLiteral("cmdSet"));
    cmdSet_->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(lblFrom, 0, 0);
    grid->addWidget(txtFromDate_, 0, 1);
    grid->addWidget(lblTo, 0, 2);
    grid->addWidget(txtToDate_, 0, 3);
    grid->addWidget(calFromData_, 1, 0, 1, 2);
    grid->addWidget(calToData_, 1, 2, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSet_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    pair(txtFromDate_, calFromData_);
    pair(txtToDate_, calToData_);
    platform::connectGuarded(cmdSet_, &QPushButton::clicked, this, &frmFromDateToDate::confirm);

    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
}

void frmFromDateToDate::Prepare(const QDate& fromDate, const QDate& toDate, long top, long left) {
    PlaceDialog(this, top, left);
    const QDate today = core::Clock::today().toQDate();
    const QDate from = fromDate.isValid() ? fromDate : today;
    const QDate to = toDate.isValid() ? toDate : today;
    calFromData_->setSelectedDate(from);
    txtFromDate_->setText(DateText(from));
    calToData_->setSelectedDate(to);
    txtToDate_->setText(DateText(to));
    confirmed_ = false;
}

bool frmFromDateToDate::SetDate(QDate& fromDate, QDate& toDate, long top, long left) {
    Prepare(fromDate, toDate, top, left);
    exec();
    if (!confirmed_) return false;
    fromDate = from_;
    toDate = to_;
    return true;
}

void frmFromDateToDate::confirm() {
    const QDate from = TextDate(txtFromDate_->text());
    if (!from.isValid()) {
        platform::messageBox(QStringLiteral("La data di inizio periodo non è valida."),
                             platform::kOkOnly | platform::kCritical, QString(), this);
        return;
    }
    const QDate to = TextDate(txtToDate_->text());
    if (!to.isValid()) {
        platform::messageBox(QStringLiteral("La data di fine periodo non è valida."),
                             platform::kOkOnly | platform::kCritical, QString(), this);
        return;
    }
    // A period that ends before it starts would show no row at all.
    if (to < from) {
        platform::messageBox(
            QStringLiteral(
                "Il periodo impostato non è corretto: la data di fine periodo precede quella di inizio."),
            platform::kOkOnly | platform::kCritical, QString(), this);
        txtToDate_->setFocus(Qt::OtherFocusReason);
        txtToDate_->selectAll();
        return;
    }
    from_ = from;
    to_ = to;
    confirmed_ = true;
    accept();
}

}  // namespace startup
