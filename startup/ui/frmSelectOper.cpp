#include "startup/ui/frmSelectOper.h"

#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "platform/ui/GuardedApplication.h"
#include "startup/RunContext.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace startup {

frmSelectOper::frmSelectOper(QWidget* parent, std::shared_ptr<datalib::Database> db)
    : QDialog(parent), db_(std::move(db)) {
    setObjectName(QStringLiteral("frmSelectOper"));
    setWindowTitle(QStringLiteral("Selezione operatore"));

    auto* label = new QLabel(QStringLiteral("&Operatore:"), this);
    cmbOperatore_ = new QComboBox(this);
    cmbOperatore_->setObjectName(QStringLiteral("CmbOperatore"));
    cmbOperatore_->setMinimumWidth(220);
    label->setBuddy(cmbOperatore_);
    cmdConfirm_ = new QPushButton(QStringLiteral("&Conferma"), this);
    cmdConfirm_->setObjectName(QStringLiteral("cmdConfirm"));
    cmdConfirm_->setDefault(true);
    cmdCancel_ = new QPushButton(QStringLiteral("&Annulla"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(cmbOperatore_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdConfirm_);
    buttons->addWidget(cmdCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    platform::connectGuarded(cmdConfirm_, &QPushButton::clicked, this, &frmSelectOper::confirm);
    // Cancelling leaves the name empty: nothing is signed in.
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);

    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
}

void frmSelectOper::Load() {
    if (m_strTableName.isEmpty()) m_strTableName = QStringLiteral("Operatori");
    cmbOperatore_->clear();
    keys_.clear();
    m_vntOID_Operatore = core::Variant();
    auto db = db_ ? db_ : OpenDatabase();
    if (db) {
        auto ds = db->OpenDataSource(m_strTableName, QString(), QStringLiteral("Nome"));
        int preselect = -1;
        for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) {
            const QString name = ds->ColValueStr(QStringLiteral("Nome"));
            if (!m_strOperatore.isEmpty() && preselect < 0 && name == m_strOperatore)
                preselect = cmbOperatore_->count();
            cmbOperatore_->addItem(name);
            keys_.push_back(ds->RowKey());
        }
        // Without a known operator to preselect the list starts empty: the
        // operator chooses.
        cmbOperatore_->setCurrentIndex(preselect);
    }
    m_strOperatore.clear();
}

int frmSelectOper::exec() {
    Load();
    return QDialog::exec();
}

void frmSelectOper::confirm() {
    const QString name = cmbOperatore_->currentText();
    if (name.isEmpty()) {
        reject();
        return;
    }
    m_strOperatore = name;
    const int index = cmbOperatore_->currentIndex();
    if (index >= 0 && index < static_cast<int>(keys_.size()))
        m_vntOID_Operatore = keys_[static_cast<size_t>(index)];
    accept();
}

}  // namespace startup
