#include "carddevices/ui/frmMagneticOptions.h"

#include "carddevices/MagneticDevParam.h"
#include "controls/MubCommand.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace carddevices {

frmMagneticOptions::frmMagneticOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMagneticOptions"));
    setWindowTitle(QStringLiteral("Impostazioni"));

    Frame1 = new QGroupBox(QStringLiteral("Parametri dispositivo carte magnetiche"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    cmbDevType = new QComboBox(Frame1);
    cmbDevType->setObjectName(QStringLiteral("cmbDevType"));
    cmbDevType->addItem(QStringLiteral("MSR 106 Series"), kDeviceMsr106);
    cmbDevType->addItem(QStringLiteral("MSR 206HL Series (Alta coercività)"), kDeviceMsr206HighCoercivity);
    cmbDevType->addItem(QStringLiteral("MSR 206HL Series (Bassa coercività)"), kDeviceMsr206LowCoercivity);
    cmbDevType->addItem(QStringLiteral("Emulazione Tastiera"), kDeviceKeyboardEmulation);
    cboCOMPort = new QComboBox(Frame1);
    cboCOMPort->setObjectName(QStringLiteral("cboCOMPort"));
    cboCOMPort->addItem(QStringLiteral("[nessuno]"));
    for (int n = 1; n <= 8; ++n) cboCOMPort->addItem(QStringLiteral("COM") + QString::number(n));
    txtCOMParam = new QComboBox(Frame1);
    txtCOMParam->setObjectName(QStringLiteral("txtCOMParam"));
    txtCOMParam->setEditable(true);
    txtCOMParam->setInsertPolicy(QComboBox::NoInsert);
    txtCOMParam->setMinimumWidth(160);
    txtCOMParam->addItem(QStringLiteral("9600,n,8,1"));
    txtCOMParam->addItem(QStringLiteral("9600,e,7,1"));
    txtCOMParam->setToolTip(QStringLiteral(
        "Imposta i parametri della porta seriale (Velocità, Parità, Numero Bit, Bit di stop)"));

    auto* form = new QFormLayout(Frame1);
    form->addRow(cmbDevType);
    form->addRow(QStringLiteral("Porta di comunicazione:"), cboCOMPort);
    form->addRow(QStringLiteral("Parametri porta:"), txtCOMParam);

    cmdOK = new controls::MubCommand(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new controls::MubCommand(QStringLiteral("&Esci"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    platform::connectGuarded(cmdOK, &QPushButton::clicked, this, &frmMagneticOptions::confirm);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Load: the values of the run. A stored model or port the lists do not
    // hold leaves that list without a selection.
    startup::SetFormFont(this, startup::runContext().fontName, startup::runContext().fontSizeDelta);
    const MagneticDevParams& p = magneticDevParams();
    cmbDevType->setCurrentIndex(cmbDevType->findData(p.type));
    cboCOMPort->setCurrentIndex(
        p.comPortNumber >= 0 && p.comPortNumber < cboCOMPort->count() ? p.comPortNumber : -1);
    txtCOMParam->setEditText(p.comPortParam);
    EnableControls();

    platform::connectGuarded(cmbDevType, &QComboBox::currentIndexChanged, this,
                             &frmMagneticOptions::EnableControls);
    platform::connectGuarded(cboCOMPort, &QComboBox::currentIndexChanged, this,
                             &frmMagneticOptions::EnableControls);
}

void frmMagneticOptions::EnableControls() {
    if (cmbDevType->currentIndex() >= 0 && cmbDevType->currentData().toInt() == kDeviceKeyboardEmulation) {
        cboCOMPort->setCurrentIndex(0);
        cboCOMPort->setEnabled(false);
    } else {
        cboCOMPort->setEnabled(true);
    }
    txtCOMParam->setEnabled(cboCOMPort->currentIndex() >= 1);
}

void frmMagneticOptions::confirm() {
    MagneticDevParams& p = magneticDevParams();
    const MagneticDevParams before = p;
    // What the lists cannot show stays as it was stored.
    if (cmbDevType->currentIndex() >= 0) p.type = cmbDevType->currentData().toInt();
    if (cboCOMPort->currentIndex() >= 0) p.comPortNumber = std::int16_t(cboCOMPort->currentIndex());
    p.comPortParam = txtCOMParam->currentText();
    if (!SaveMagneticDevParam()) {
        p = before;
        platform::messageBox(QStringLiteral("Impossibile salvare le impostazioni del dispositivo carte "
                                            "magnetiche."),
                             platform::kExclamation, QString(), this);
        return;
    }
    m_bConfirmed = true;
    accept();
}

void frmMagneticOptions::done(int result) {
    if (QWidget* main = startup::mainWindowLink().window) main->setEnabled(true);
    QDialog::done(result);
}

}  // namespace carddevices
