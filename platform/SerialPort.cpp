#include "platform/SerialPort.h"

#include "platform/SettingsStore.h"

#include <QMetaObject>
#include <QSerialPort>
#include <QStringList>

#include <sys/ioctl.h>

namespace platform {

namespace {

const QString kSource = QStringLiteral("SerialPort");

// Italian words for what QSerialPort reports.
QString reasonOf(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return QStringLiteral("dispositivo inesistente");
        case QSerialPort::PermissionError:
            return QStringLiteral("accesso negato o porta già in uso");
        case QSerialPort::OpenError:
            return QStringLiteral("porta già aperta");
        case QSerialPort::NotOpenError:
            return QStringLiteral("porta non aperta");
        case QSerialPort::WriteError:
            return QStringLiteral("errore di scrittura");
        case QSerialPort::ReadError:
            return QStringLiteral("errore di lettura");
        case QSerialPort::ResourceError:
            return QStringLiteral("il dispositivo non è più disponibile (scollegato?)");
        case QSerialPort::UnsupportedOperationError:
            return QStringLiteral("impostazione non supportata dal dispositivo");
        case QSerialPort::TimeoutError:
            return QStringLiteral("il dispositivo non risponde");
        default:
            return QStringLiteral("errore sconosciuto");
    }
}

}  // namespace

std::optional<SerialSettings> ParseSerialSettings(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return std::nullopt;
    SerialSettings s;
    bool ok = false;
    s.speed = parts[0].trimmed().toInt(&ok);
    if (!ok || s.speed <= 0) return std::nullopt;
    const QString parity = parts[1].trimmed().toLower();
    if (parity.size() != 1 || !QStringLiteral("neoms").contains(parity)) return std::nullopt;
    s.parity = parity.at(0).toLatin1();
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8) return std::nullopt;
    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = 1;
    else if (stop == QLatin1String("2"))
        s.stopBits = 2;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = 3;
    else
        return std::nullopt;
    return s;
}

SerialPort::SerialPort(QObject* parent) : QObject(parent), port_(new QSerialPort(this)) {
    parsed_ = *ParseSerialSettings(settings_);
    connect(port_, &QSerialPort::readyRead, this, &SerialPort::onReadyRead);
    connect(port_, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onError(int(e)); });
}

SerialPort::~SerialPort() { Close(); }

QString SerialPort::DeviceNameOf(int portNumber) {
    if (portNumber < 1) return QString();
    return SettingsStore::get(appName(), QStringLiteral("MagneticDevParam"),
                              QStringLiteral("COM") + QString::number(portNumber),
                              QStringLiteral("/dev/ttyS") + QString::number(portNumber - 1));
}

QString SerialPort::PortLabel() const {
    const QString device = DeviceNameOf(commPort_);
    const QString com = QStringLiteral("COM") + QString::number(commPort_);
    return device.isEmpty() ? com : com + QStringLiteral(" (") + device + QLatin1Char(')');
}

void SerialPort::raise(long number, const QString& description) const {
    throw core::AppError(number, kSource, description);
}

void SerialPort::SetCommPort(int portNumber) {
    if (PortOpen())
        raise(kSerialErrPortOpen,
              QStringLiteral("La porta %1 è aperta: chiuderla prima di cambiarla.").arg(PortLabel()));
    commPort_ = portNumber;
}

void SerialPort::SetSettings(const QString& text) {
    const auto parsed = ParseSerialSettings(text);
    if (!parsed)
        raise(kSerialErrInvalidSettings,
              QStringLiteral("Parametri non validi per la porta %1: \"%2\". Sono attesi velocità, "
                             "parità (n, e, o, m, s), bit di dati (da 5 a 8) e bit di stop (1, 1.5 "
                             "o 2) separati da virgole, per esempio \"9600,n,8,1\".")
                  .arg(PortLabel(), text));
    if (PortOpen())
        raise(kSerialErrPortOpen,
              QStringLiteral("La porta %1 è aperta: chiuderla prima di cambiarne i parametri.")
                  .arg(PortLabel()));
    settings_ = text;
    parsed_ = *parsed;
}

bool SerialPort::PortOpen() const { return port_->isOpen() && !failure_; }

void SerialPort::Open() {
    if (PortOpen()) raise(kSerialErrPortOpen, QStringLiteral("La porta %1 è già aperta.").arg(PortLabel()));
    if (port_->isOpen()) port_->close();  // failed earlier: start afresh
    failure_.reset();
    const QString device = DeviceNameOf(commPort_);
    if (device.isEmpty())
        raise(kSerialErrInvalidPort,
              QStringLiteral("Porta COM%1 non valida: scegliere una porta da COM1 in su.").arg(commPort_));
    port_->setPortName(device);
    if (!port_->open(QIODevice::ReadWrite)) {
        const auto error = port_->error();
        port_->clearError();
        raise(error == QSerialPort::PermissionError || error == QSerialPort::OpenError
                  ? kSerialErrPortOpen
                  : kSerialErrInvalidPort,
              QStringLiteral("Impossibile aprire la porta %1: %2.").arg(PortLabel(), reasonOf(error)));
    }
    const QSerialPort::Parity parity = parsed_.parity == 'e'   ? QSerialPort::EvenParity
                                       : parsed_.parity == 'o' ? QSerialPort::OddParity
                                       : parsed_.parity == 'm' ? QSerialPort::MarkParity
                                       : parsed_.parity == 's' ? QSerialPort::SpaceParity
                                                               : QSerialPort::NoParity;
    const QSerialPort::StopBits stop = parsed_.stopBits == 2   ? QSerialPort::TwoStop
                                       : parsed_.stopBits == 3 ? QSerialPort::OneAndHalfStop
                                                               : QSerialPort::OneStop;
    const bool configured = port_->setBaudRate(parsed_.speed) && port_->setParity(parity) &&
                            port_->setDataBits(QSerialPort::DataBits(parsed_.dataBits)) &&
                            port_->setStopBits(stop) && port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        const auto error = port_->error();
        port_->clearError();
        port_->close();
        raise(kSerialErrInvalidSettings, QStringLiteral("La porta %1 non accetta i parametri \"%2\": %3.")
                                             .arg(PortLabel(), settings_, reasonOf(error)));
    }
    // A device without modem lines refuses these: not an error.
    port_->setDataTerminalReady(true);
    port_->setRequestToSend(false);
    port_->clearError();
}

void SerialPort::Close() {
    if (port_->isOpen()) port_->close();
    port_->clearError();
}

void SerialPort::Write(const QByteArray& bytes) {
    if (failure_) throw *failure_;
    if (!port_->isOpen())
        raise(kSerialErrNotOpen, QStringLiteral("La porta %1 non è aperta.").arg(PortLabel()));
    if (port_->write(bytes) != bytes.size()) {
        const auto error = port_->error();
        port_->clearError();
        raise(kSerialErrDevice,
              QStringLiteral("Errore di scrittura sulla porta %1: %2.").arg(PortLabel(), reasonOf(error)));
    }
    while (port_->bytesToWrite() > 0) {
        if (!port_->waitForBytesWritten(3000)) {
            if (failure_) throw *failure_;
            const auto error = port_->error();
            port_->clearError();
            raise(
                kSerialErrDevice,
                QStringLiteral("Errore di scrittura sulla porta %1: %2.").arg(PortLabel(), reasonOf(error)));
        }
    }
}

void SerialPort::pull() {
    if (!port_->isOpen() || failure_) return;
    int waiting = 0;
    if (::ioctl(int(port_->handle()), FIONREAD, &waiting) != 0 || waiting <= 0) return;
    pulling_ = true;
    port_->waitForReadyRead(0);
    pulling_ = false;
    if (port_->error() == QSerialPort::TimeoutError) port_->clearError();
}

QByteArray SerialPort::ReadAll() {
    pull();
    return port_->isOpen() ? port_->readAll() : QByteArray();
}

int SerialPort::InBufferCount() {
    if (!port_->isOpen()) return 0;
    int waiting = 0;
    if (!failure_ && ::ioctl(int(port_->handle()), FIONREAD, &waiting) != 0) waiting = 0;
    return int(port_->bytesAvailable()) + waiting;
}

void SerialPort::onReadyRead() {
    if (pulling_ || arrivalPosted_) return;
    arrivalPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            arrivalPosted_ = false;
            if (InBufferCount() > 0) emit DataArrived();
        },
        Qt::QueuedConnection);
}

void SerialPort::onError(int error) {
    const auto e = QSerialPort::SerialPortError(error);
    if (e != QSerialPort::ResourceError && e != QSerialPort::ReadError) return;
    if (failure_ || !port_->isOpen()) return;
    failure_ = std::make_unique<core::AppError>(kSerialErrDevice, kSource,
                                                QStringLiteral("La porta %1 non risponde più: %2.")
                                                    .arg(PortLabel(), reasonOf(QSerialPort::ResourceError)));
    // Closing inside the port's own notification is not safe: do it next.
    QMetaObject::invokeMethod(
        this,
        [this] {
            port_->close();
            port_->clearError();
            emit PortFailed();
        },
        Qt::QueuedConnection);
}

}  // namespace platform
