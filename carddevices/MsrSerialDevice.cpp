#include "carddevices/MsrSerialDevice.h"

#include "carddevices/modMagneticDev.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace carddevices {

namespace {

// Lets the event loop run once, then yields the processor briefly.
void pumpEvents() {
    QCoreApplication::processEvents();
    QThread::msleep(1);
}

struct FlagGuard {
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    bool& flag_;
};

}  // namespace

void MsrSerialDevice::PortDeleter::operator()(platform::SerialPort* port) const {
    // The port may be the sender of the call that drops the device: close it
    // now, free it once that call has returned.
    port->Close();
    port->disconnect();
    port->deleteLater();
}

MsrSerialDevice::MsrSerialDevice() : m_objComm(new platform::SerialPort) {
    QObject::connect(m_objComm.get(), &platform::SerialPort::DataArrived, m_objComm.get(),
                     [this] { OnComm(); });
    QObject::connect(m_objComm.get(), &platform::SerialPort::PortFailed, m_objComm.get(),
                     [this] { OnPortFailed(); });
}

MsrSerialDevice::~MsrSerialDevice() = default;

void MsrSerialDevice::SetParameters(const core::VariantArray& vntParams) {
    const core::Variant port = vntParams.at(0);
    const core::Variant settings = vntParams.at(1);
    if (m_objComm->PortOpen()) m_objComm->Close();
    m_objComm->SetCommPort(port.toInteger());
    m_objComm->SetSettings(settings.toString());
}

void MsrSerialDevice::StartSession(clsMagneticCardEvents* objEvents) {
    m_objEvents = objEvents;
    if (!m_objComm->PortOpen()) m_objComm->Open();
    FlushCommInput(*m_objComm);
    SendCommand(QStringLiteral("a"));
}

void MsrSerialDevice::NewSession(clsMagneticCardEvents* objEvents) { StartSession(objEvents); }

void MsrSerialDevice::EndSession() {
    if (ResetsClosedPort() || m_objComm->PortOpen()) SendCommand(QStringLiteral("a"));
}

void MsrSerialDevice::CancelSession() {
    if (m_bWaiting) m_bCancelled = true;
    if (m_objComm->PortOpen()) SendCommand(QStringLiteral("a"));
}

void MsrSerialDevice::EraseCard(bool bCheckResult) {
    FlushCommInput(*m_objComm);
    SendCommand(QStringLiteral("c") + QChar(0));
    WaitResponse(3, 3000, false);
    if (bCheckResult && !m_bResult)
        RaiseDeviceError(1, QStringLiteral("Inizializzazione carta non riuscita, codice ") + StatusChar());
}

void MsrSerialDevice::ReadData(std::int16_t nWait, bool bReverse, QString& strData, QString& strData2) {
    FlushCommInput(*m_objComm);
    SendCommand(ReadCommand());
    WaitResponse(1, nWait, bReverse);
    if (nWait == 0) return;
    if (!m_bResult) RaiseDeviceError(1, QStringLiteral("Lettura non riuscita, codice ") + StatusChar());
    strData = m_strData;
    strData2 = m_strData2;
}

void MsrSerialDevice::WriteData(const QString& strData, const QString& strData2, bool bReverse,
                                std::int16_t nWait) {
    FlushCommInput(*m_objComm);
    SendCommand(WriteCommand(), strData, strData2, bReverse);
    WaitResponse(2, nWait, true);
    if (nWait != 0 && !m_bResult)
        RaiseDeviceError(2, QStringLiteral("Scrittura non riuscita, codice ") + StatusChar());
}

void MsrSerialDevice::SendCommand(const QString& strCommand, const QString& strData, const QString& strData2,
                                  bool bReverse) {
    // The whole frame is built first: a text the model cannot take is
    // refused before a byte goes out.
    QByteArray bytes(1, kEsc);
    bytes += strCommand.toLatin1();
    if (!strData.isEmpty()) {
        QString text = strData;
        if (!strData2.isEmpty()) text += QLatin1Char(' ') + strData2;
        if (bReverse) std::reverse(text.begin(), text.end());
        bytes += DataBlock(text);
    }
    m_objComm->Write(bytes);
    QThread::msleep(kPauseAfterSendMs);
}

void MsrSerialDevice::WaitResponse(int nOperation, int nWait, bool bReverse) {
    m_nOperation = nOperation;
    m_bResult = false;
    m_strStatus.clear();
    m_bBusy = false;
    m_bReverse = bReverse;
    if (nWait == 0) {
        m_bAsync = true;
        return;
    }
    m_bAsync = false;
    // The event loop runs while waiting: whoever drops the device meanwhile
    // must not take it away under this call.
    const auto keepAlive = weak_from_this().lock();
    m_bCancelled = false;
    FlagGuard waiting(m_bWaiting);
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        if (!m_strStatus.isEmpty()) return;
        if (m_bCancelled)
            throw core::AppError(core::kObjectErrorBase + nOperation, ModelDescription(),
                                 QStringLiteral("Operazione annullata."), true);
        if (const core::AppError* failure = m_objComm->Failure()) throw *failure;
        if (elapsed.elapsed() >= kWaitLimitMs)
            RaiseDeviceError(nOperation, QStringLiteral("Timeout, il dispositivo non ha risposto"));
        pumpEvents();
    }
}

void MsrSerialDevice::RaiseDeviceError(int nCode, const QString& strMessage) const {
    QString description = QStringLiteral("Codice: ") + QString::number(nCode);
    if (!strMessage.isEmpty()) description += QStringLiteral("\r\r") + strMessage;
    throw core::AppError(core::kObjectErrorBase + nCode, ModelDescription(), description);
}

void MsrSerialDevice::GetTrackData(const QString& strBlock, QString& strData, QString& strData2,
                                   bool bReverse) {
    strData.clear();
    strData2.clear();
    if (!strBlock.startsWith(QString(QChar(kEsc)) + QChar(0x01))) return;
    const qsizetype p = strBlock.indexOf(QChar(kEsc), 2) + 1;  // position counted from 1
    if (p <= 5) return;
    QString text = strBlock.mid(3, p - 5);
    if (bReverse) std::reverse(text.begin(), text.end());
    SplitCardText(text, strData, strData2);
}

void MsrSerialDevice::SplitCardText(const QString& text, QString& strData, QString& strData2) {
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    strData = blank < 0 ? text : text.left(blank);
    strData2 = blank < 0 ? QString() : text.mid(blank + 1);
}

void MsrSerialDevice::OnComm() {
    if (m_bBusy) return;
    // Whoever drops the device while the answer is collected must not take
    // it away under this call.
    const auto keepAlive = weak_from_this().lock();
    FlagGuard busy(m_bBusy);
    platform::SerialPort& port = *m_objComm;
    QString s = QString::fromLatin1(port.ReadAll());
    if (s.isEmpty()) return;
    if (s.front() != QChar(kEsc)) {
        FlushCommInput(port);
        ReportFailedCompletion();
        return;
    }
    // The answer ends after a quiet time; a device that never falls silent
    // is not listened to for longer than a wait lasts.
    QElapsedTimer quiet, total;
    quiet.start();
    total.start();
    while (quiet.elapsed() < kQuietMs && total.elapsed() < kWaitLimitMs) {
        pumpEvents();
        if (!port.PortOpen()) return;  // gone meanwhile: the failure is reported on its own
        const QByteArray more = port.ReadAll();
        if (!more.isEmpty()) {
            s += QString::fromLatin1(more);
            quiet.restart();
        }
    }
    QString block;
    if (s.size() >= 6 && s.startsWith(QString(QChar(kEsc)) + QLatin1Char('s')))
        block = s.mid(2, s.size() - 6);

    switch (m_nOperation) {
        case 1:
            m_strStatus = s.right(1);
            DecodeTrackData(block, m_strData, m_strData2, m_bReverse);
            break;
        case 2:
        case 3:
        case 5:
            m_strStatus = s.mid(1, 1);
            break;
        default:
            return;
    }
    m_bResult = m_strStatus == QLatin1String("0");
    if (m_nOperation == 5) return;
    if (!m_bResult) {
        try {
            SendCommand(QString(QChar(0x85)));
        } catch (const core::AppError&) {
            // The port went away: its failure reaches the waiting caller.
        }
    }
    RaiseCompletion();
}

void MsrSerialDevice::RaiseCompletion() {
    if (!m_objEvents || !m_bAsync) return;
    switch (m_nOperation) {
        case 1:
            m_objEvents->RaiseReadComplete(m_bResult, m_strData, m_strData2, m_strStatus);
            break;
        case 2:
            m_objEvents->RaiseWriteComplete(m_bResult, m_strStatus);
            break;
        case 3:
            m_objEvents->RaiseEraseComplete(m_bResult, m_strStatus);
            break;
        default:
            break;
    }
}

void MsrSerialDevice::ReportFailedCompletion() {
    if (!m_bAsync || !m_strStatus.isEmpty()) return;
    m_bResult = false;
    m_strData.clear();
    m_strData2.clear();
    RaiseCompletion();
}

void MsrSerialDevice::OnPortFailed() {
    const auto keepAlive = weak_from_this().lock();
    ReportFailedCompletion();
}

}  // namespace carddevices
