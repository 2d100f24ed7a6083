#include "mainwindow/SearchWindow.h"

#include "controls/MubCommand.h"
#include "controls/SearchDialogs.h"
#include "core/AppError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/FieldMatch.h"
#include "datalib/SelectionCriteria.h"
#include "mainwindow/QuickHelpList.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>

#include <exception>

namespace mainwindow {

const QuickHelpSource SearchWindow::kCustomerHelp{QStringLiteral("Clienti"), QStringLiteral("RagioneSociale"),
                                                  QStringLiteral("Codice"), QStringLiteral("RagioneSociale"),
                                                  QStringLiteral("Not Inattivo")};

SearchWindow::SearchWindow(QWidget* owner, const QString& caption) : QDialog(owner) {
    setWindowTitle(caption);
    setModal(true);
    help_ = new QuickHelpList(this);
    cmdOk_ = new controls::MubCommand(QStringLiteral("OK"), this);
    cmdOk_->setObjectName(QStringLiteral("cmdOk"));
    cancel_ = new controls::MubCommand(QStringLiteral("Annulla"), this);
    cancel_->setObjectName(QStringLiteral("ctlMubCommand1"));
    platform::connectGuarded(cmdOk_, &QPushButton::clicked, this, &SearchWindow::cmdOk_Click);
    platform::connectGuarded(cancel_, &QPushButton::clicked, this, [this] {
        confirmed_ = false;
        reject();
    });
}

void SearchWindow::finishLayout(QWidget* fields) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fields);
    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("lnButtons"));
    line->setFrameShape(QFrame::HLine);
    layout->addWidget(line);
    auto* picture = new QWidget(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    auto* buttons = new QHBoxLayout(picture);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();
    buttons->addWidget(cmdOk_);
    buttons->addWidget(cancel_);
    layout->addWidget(picture);
    const auto& rc = startup::runContext();
    startup::SetFormFont(this, rc.fontName, rc.fontSizeDelta);
    // The quick-help list floats over the fields under its box, never over
    // the buttons: the window is made high enough for its rows.
    help_->SetFloor(line);
    adjustSize();
    if (const int lacking = help_->RoomLacking(); lacking > 0) {
        layout->insertSpacing(1, lacking);
        adjustSize();
    }
    help_->lstHelp_Field()->raise();
}

void SearchWindow::tell(const QString& text) {
    platform::messageBox(text, platform::kOkOnly | platform::kExclamation, QString(), this);
}

void SearchWindow::cmdOk_Click() {
    confirmed_ = false;
    try {
        if (!buildSelection(*selection_)) return;  // a refused entry: the window stays open
    } catch (const std::exception& e) {
        tell(QString::fromUtf8(e.what()));
        reject();
        return;
    }
    confirmed_ = true;
    accept();
}

void SearchWindow::showWindow(const std::function<std::unique_ptr<SearchWindow>()>& make,
                              datalib::SelectionCriteria& selection, bool& confirmed) {
    confirmed = false;
    std::unique_ptr<SearchWindow> window;
    try {
        window = make();
    } catch (const std::exception& e) {
        platform::messageBox(QString::fromUtf8(e.what()), platform::kOkOnly | platform::kExclamation);
        throw;
    }
    window->selection_ = &selection;
    controls::runSearchDialog(*window);
    confirmed = window->confirmed_;
}

SearchWindow::ColumnAndCode SearchWindow::CodeOrName(const QString& table, const QString& nameColumn,
                                                     const QString& typed) {
    const auto dataSet = startup::GetDataSet(table);
    const QString code = QStringLiteral("Codice");
    const auto byCode = dataSet->OpenDataSource(
        dataSet->BuildFieldCondition(code, core::Variant(typed), datalib::MatchEqual));
    if (byCode->DataEmpty()) return {nameColumn, datalib::MatchContains};
    return {code, datalib::MatchEqual};
}

}  // namespace mainwindow
