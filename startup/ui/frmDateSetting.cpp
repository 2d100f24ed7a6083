#include "startup/ui/frmDateSetting.h"

#include "core/Clock.h"
#include "platform/ui/GuardedApplication.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QCalendarWidget>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

namespace startup {

void PlaceDialog(QWidget* dialog, long top, long left) {
    dialog->adjustSize();
    const QScreen* screen = dialog->screen() ? dialog->screen() : QGuiApplication::primaryScreen();
    const QRect desk = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QSize size = dialog->frameGeometry().size();
    const int x = left == -1 ? desk.x() + static_cast<int>(std::lround((desk.width() - size.width()) / 2.0))
                             : TwipsToPixels(static_cast<double>(left), dialog);
    const int y = top == -1 ? desk.y() + static_cast<int>(std::lround((desk.height() - size.height()) / 2.0))
                            : TwipsToPixels(static_cast<double>(top), dialog);
    dialog->move(x, y);
}

QCalendarWidget* NewMonthCalendar(const char* name, QWidget* parent) {
    auto* calendar = new QCalendarWidget(parent);
    calendar->setObjectName(QLatin1String(name));
    calendar->setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setGridVisible(true);
    return calendar;
}

frmDateSetting::frmDateSetting(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDateSetting"));
    setWindowTitle(QStringLiteral("Impostazione della data"));

    calTimeSetting_ = NewMonthCalendar("calTimeSetting", this);
    cmdSetting_ = new QPushButton(QStringLiteral("&Imposta"), this);
    cmdSetting_->setObjectName(QStringLiteral("cmdSetting"));
    cmdSetting_->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSetting_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(calTimeSetting_);
    layout->addLayout(buttons);

    platform::connectGuarded(cmdSetting_, &QPushButton::clicked, this, &frmDateSetting::confirm);
    // A double click (or Enter) on a day confirms it.
    platform::connectGuarded(calTimeSetting_, &QCalendarWidget::activated, this, &frmDateSetting::confirm);

    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
}

void frmDateSetting::Prepare(const QDate& initial, long top, long left) {
    PlaceDialog(this, top, left);
    calTimeSetting_->setSelectedDate(initial.isValid() ? initial : core::Clock::today().toQDate());
    confirmed_ = false;
    chosen_ = QDate();
}

QDate frmDateSetting::SetDate(const QDate& initial, long top, long left) {
    Prepare(initial, top, left);
    exec();
    return Result();
}

void frmDateSetting::confirm() {
    chosen_ = calTimeSetting_->selectedDate();
    confirmed_ = true;
    accept();
}

}  // namespace startup
