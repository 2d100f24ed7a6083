#include "carddevices/ui/frmMagneticDev.h"

#include "carddevices/MagneticDevParam.h"
#include "carddevices/itfMagneticCard.h"
#include "carddevices/modMagneticDev.h"
#include "carddevices/ui/CardSwipeAnimation.h"
#include "controls/MubCommand.h"
#include "core/AppError.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace carddevices {

namespace {
const QString kOnReadComplete = QStringLiteral("OnReadComplete");
const QString kOnWriteComplete = QStringLiteral("OnWriteComplete");

bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
           key->text() == QLatin1String("\r") || key->text() == QLatin1String("\n");
}
}  // namespace

frmMagneticDev::frmMagneticDev(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMagneticDev"));
    setWindowTitle(QStringLiteral("Carta Magnetica"));

    lblMsg = new QLabel(this);
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    QFont bold = lblMsg->font();
    bold.setBold(true);
    lblMsg->setFont(bold);
    Label2 = new QLabel(QStringLiteral("Passare la carta magnetica nella fessura del dispositivo."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    lblTryAgain = new QLabel(QStringLiteral("Riprovare..."), this);
    lblTryAgain->setObjectName(QStringLiteral("lblTryAgain"));
    lblTryAgain->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    lblTryAgain->hide();
    txtKeyCode = new QLineEdit(this);
    txtKeyCode->setObjectName(QStringLiteral("txtKeyCode"));
    txtKeyCode->setFont(QFont(QStringLiteral("Courier New")));
    txtKeyCode->setToolTip(
        QStringLiteral("Immissione Codice da Tastiera o da Emulazione (INVIO per confermare)"));
    txtKeyCode->hide();
    Image1 = new CardSwipeAnimation(this);
    cmdCancel = new controls::MubCommand(QStringLiteral("&Annulla"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    // Enter in the window is for the code, never the cancel button.
    cmdCancel->setAutoDefault(false);

    auto* text = new QVBoxLayout;
    text->addWidget(lblMsg);
    text->addWidget(Label2);
    text->addWidget(lblTryAgain);
    text->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(txtKeyCode);
    layout->addLayout(buttons);
    setMinimumWidth(500);

    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    tmEvent.setInterval(500);
    platform::connectGuarded(&tmEvent, &QTimer::timeout, this, &frmMagneticDev::OnTimer);
    tmEvent.start();

    // The window sees keys before its controls.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

    startup::SetFormFont(this, startup::runContext().fontName, startup::runContext().fontSizeDelta);
    if (!keyboardEmulation()) {
        m_objMagneticEvents = new clsMagneticCardEvents(this);
        connect(m_objMagneticEvents, &clsMagneticCardEvents::OnReadComplete, this,
                [this](bool bSuccess, const QString& vntData, const QString& strData2, const QString&) {
                    m_events.push_back({kOnReadComplete, bSuccess, vntData, strData2});
                });
        connect(m_objMagneticEvents, &clsMagneticCardEvents::OnWriteComplete, this,
                [this](bool bSuccess, const QString&) {
                    m_events.push_back({kOnWriteComplete, bSuccess, {}, {}});
                });
    }
}

frmMagneticDev::~frmMagneticDev() = default;

bool frmMagneticDev::keyboardEmulation() const {
    return magneticDevParams().type == kDeviceKeyboardEmulation;
}

QString frmMagneticDev::ReadCode(QWidget* frmOwner, const QString& strPrefix, bool bReverse) {
    try {
        CreateMagneticDevice(false);
    } catch (const core::AppError& e) {
        platform::messageBox(e.description(), platform::kCritical, QString(), frmOwner);
        return QString();
    }
    QString msg = QStringLiteral("Lettura del Codice dalla Carta...");
    if (!strPrefix.isEmpty()) msg += QStringLiteral("\rPrefisso: ") + strPrefix;
    lblMsg->setText(platform::displayText(msg));
    m_strCode.clear();
    m_nPendingOperation = 1;
    m_strPrefix = strPrefix;
    m_bReverse = bReverse;
    showModal(frmOwner);
    // Only a read that closed the window gives a code: a cancelled one gives
    // "" whatever the device sent before.
    return result() == QDialog::Accepted ? m_strCode : QString();
}

bool frmMagneticDev::WriteCode(QWidget* frmOwner, const QString& strCode, const QString& strPrefix,
                               const QString& strData2, bool bReverse, int nRequiredLevel) {
    if (startup::CurrentAccessLevel() < nRequiredLevel) {
        platform::messageBox(QStringLiteral("Utente non abilitato."), platform::kInformation, QString(),
                             frmOwner);
        return false;
    }
    if (keyboardEmulation()) {
        platform::messageBox(QStringLiteral("La scrittura delle carte con dispositivo Emulazione Tastiera "
                                            "non è supportata."),
                             platform::kInformation, QString(), frmOwner);
        return false;
    }
    try {
        CreateMagneticDevice(false);
    } catch (const core::AppError& e) {
        platform::messageBox(e.description(), platform::kCritical, QString(), frmOwner);
        return false;
    }
    lblMsg->setText(
        platform::displayText(QStringLiteral("Scrittura del Codice nella Carta...\r\rCODICE: < ") + strCode +
                              QStringLiteral(" >")));
    m_bResult = false;
    m_strCode = strCode;
    m_strData2 = strData2;
    m_nPendingOperation = 2;
    m_strPrefix = strPrefix;
    m_bReverse = bReverse;
    showModal(frmOwner);
    return m_bResult;
}

void frmMagneticDev::showModal(QWidget* frmOwner) {
    if (frmOwner && frmOwner != parentWidget()) setParent(frmOwner, windowFlags());
    setWindowModality(Qt::ApplicationModal);
    exec();
}

void frmMagneticDev::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Started from the event loop, once the window is up.
    QTimer::singleShot(0, this, &frmMagneticDev::Activate);
}

void frmMagneticDev::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Activate();
}

void frmMagneticDev::Activate() {
    if (m_nPendingOperation == 0 || m_bUnloaded) return;
    const int operation = std::exchange(m_nPendingOperation, 0);
    // The device stays alive for this call even if the window lets it go
    // meanwhile (the set-up of a session waits for the device).
    const std::shared_ptr<itfMagneticCard> device = CurrentMagneticDevice();
    try {
        if (device) {
            device->NewSession(m_objMagneticEvents);
            if (m_bUnloaded) return;
            if (operation == 1)
                StartRead(*device);
            else
                StartWrite(*device);
        }
        if (!keyboardEmulation()) {
            txtKeyCode->hide();
        } else {
            txtKeyCode->clear();
            txtKeyCode->show();
            txtKeyCode->setFocus();
        }
    } catch (const core::AppError& e) {
        // Cancelled while the device was being set up: the window is closing.
        if (e.cancelled() || m_bUnloaded) return;
        FailAndClose(e);
    }
}

void frmMagneticDev::StartRead(itfMagneticCard& device) {
    QString unused1, unused2;
    device.ReadData(0, m_bReverse, unused1, unused2);
}

void frmMagneticDev::StartWrite(itfMagneticCard& device) {
    device.WriteData(m_strPrefix + m_strCode, m_strData2, m_bReverse, 0);
}

void frmMagneticDev::ShowTryAgain() {
    lblTryAgain->hide();
    QApplication::beep();
    lblTryAgain->show();
}

void frmMagneticDev::FailAndClose(const core::AppError& error) {
    platform::messageBox(
        QStringLiteral("Inizializzazione gestore Carta fallito!\r\rErrore: ") + error.description(),
        platform::kCritical, QString(), this);
    m_strCode.clear();
    m_bResult = false;
    reject();
}

void frmMagneticDev::OnTimer() {
    const std::shared_ptr<itfMagneticCard> device = CurrentMagneticDevice();
    if (!device || m_bHandling || m_bUnloaded) return;
    m_bHandling = true;
    try {
        while (!m_events.empty() && !m_bUnloaded) {
            const DeviceEvent event = m_events.front();
            m_events.pop_front();
            if (event.tag == kOnWriteComplete) {
                m_bResult = event.success;
                if (m_bResult) {
                    accept();
                    break;
                }
                ShowTryAgain();
                device->CancelSession();
                StartWrite(*device);
            } else if (event.tag == kOnReadComplete) {
                m_bResult = event.success;
                if (!m_bResult) {
                    // The device takes no swipe after a failed read: ask for one.
                    ShowTryAgain();
                    device->CancelSession();
                    StartRead(*device);
                } else {
                    // The text of a failed read is no code: only a good read is taken.
                    m_strCode = event.code;
                    m_strData2 = event.data2;
                    if (ProcessCardCode()) {
                        accept();
                        break;
                    }
                }
            }
        }
    } catch (const core::AppError& e) {
        // The device went away while retrying: tell it as at the start, and close.
        m_bHandling = false;
        if (!m_bUnloaded) FailAndClose(e);
        return;
    }
    m_bHandling = false;
}

bool frmMagneticDev::ProcessCardCode() {
    const std::shared_ptr<itfMagneticCard> device = CurrentMagneticDevice();
    // A driver has already put the text in order; a typed text has not.
    m_strCode = ExtractCardCode(m_strCode, m_strPrefix, device ? false : m_bReverse);
    if (!m_strCode.isEmpty()) return true;
    ShowTryAgain();
    if (!device) {
        if (txtKeyCode->isVisible()) {
            txtKeyCode->clear();
            txtKeyCode->setFocus();
        }
    } else {
        device->CancelSession();
        StartRead(*device);
    }
    return false;
}

bool frmMagneticDev::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && handleKeyPress(watched, static_cast<QKeyEvent*>(event)))
        return true;
    if (watched == txtKeyCode && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, txtKeyCode, &QLineEdit::selectAll);
    return QDialog::eventFilter(watched, event);
}

bool frmMagneticDev::handleKeyPress(QObject* watched, QKeyEvent* key) {
    if (m_bUnloaded) return false;
    if (watched == txtKeyCode) {
        if (!isEnter(key)) return false;
        m_strCode = txtKeyCode->text();
        if (m_strCode.isEmpty()) {
            accept();  // nothing typed: the read gives ""
        } else if (ProcessCardCode()) {
            accept();
        }
        return true;
    }
    // Keys the window sees before another control (or itself).
    if (isEnter(key)) {
        if (txtKeyCode->text().isEmpty()) return false;
        m_strCode = txtKeyCode->text();
        if (ProcessCardCode()) accept();
        return true;
    }
    if (keyboardEmulation() && txtKeyCode->isVisible() && !key->text().isEmpty() &&
        key->text().at(0).isPrint()) {
        // A keyboard-emulating reader types into the code box wherever the focus is.
        txtKeyCode->setFocus();
        txtKeyCode->end(false);
        QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                       ushort(key->count()));
        QApplication::sendEvent(txtKeyCode, &copy);
        return true;
    }
    return false;
}

void frmMagneticDev::done(int result) {
    if (!m_bUnloaded) {
        m_bUnloaded = true;
        tmEvent.stop();
        if (const std::shared_ptr<itfMagneticCard> device = CurrentMagneticDevice()) {
            try {
                device->CancelSession();
            } catch (const core::AppError&) {
                // A device that is gone needs no reset.
            }
        }
        CreateMagneticDevice(true);
        if (m_objMagneticEvents) m_objMagneticEvents->deleteLater();
        m_objMagneticEvents = nullptr;
        m_events.clear();
    }
    QDialog::done(result);
}

}  // namespace carddevices
