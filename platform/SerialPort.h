#pragma once
// A serial port addressed by its number (COM1, COM2, ...) with its settings as
// one text ("9600,n,8,1": speed, parity letter, data bits, stop bits), over
// QSerialPort. Bytes cross unchanged; DTR is raised, RTS lowered and there is
// no flow control. A port that has no modem lines (a pseudo-terminal) is no
// error. Every failure is a core::AppError with an Italian description that
// names the port.
//
// Arrivals are announced by DataArrived(), posted to the event loop after the
// bytes are in (never inside a call of this object), once for each burst.
// A device that goes away (unplugged) fails the port: PortFailed() is posted,
// the port counts as closed and every later write raises the failure.

#include "core/AppError.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QSerialPort;

namespace platform {

// Error numbers of the port (those of the classic serial-port control).
inline constexpr long kSerialErrInvalidSettings = 380;
inline constexpr long kSerialErrInvalidPort = 8002;
inline constexpr long kSerialErrPortOpen = 8005;
inline constexpr long kSerialErrNotOpen = 8018;
inline constexpr long kSerialErrDevice = 8020;

// One settings text taken apart.
struct SerialSettings {
    qint32 speed = 9600;
    char parity = 'n';  // n, e, o, m, s
    int dataBits = 8;   // 5 to 8
    int stopBits = 1;   // 1, 2, or 3 for 1.5
};

// "9600,n,8,1" and alike (blanks around the parts ignored, parity in any
// case); nothing when the text is not of that form.
std::optional<SerialSettings> ParseSerialSettings(const QString& text);

class SerialPort : public QObject {
    Q_OBJECT
  public:
    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override;

    // The device of port number n: key "COM" + n of section
    // "MagneticDevParam" in the settings store, by default the n-th standard
    // serial device (/dev/ttyS0 for COM1). Empty for n below 1.
    static QString DeviceNameOf(int portNumber);

    int CommPort() const { return commPort_; }
    // Raises kSerialErrPortOpen while the port is open.
    void SetCommPort(int portNumber);
    QString Settings() const { return settings_; }
    // Raises kSerialErrInvalidSettings for a text that is not a settings text,
    // kSerialErrPortOpen while the port is open.
    void SetSettings(const QString& text);

    // "COM1 (/dev/ttyS0)": how messages name the port.
    QString PortLabel() const;

    bool PortOpen() const;
    // Opens and configures the port; raises when it cannot (no such port,
    // already in use, settings the device refuses).
    void Open();
    void Close();

    // Sends the bytes and returns once they are all written; raises when the
    // port is not open or the device refuses them.
    void Write(const QByteArray& bytes);
    // Everything received so far, taken out of the input.
    QByteArray ReadAll();
    // How many received bytes wait to be read.
    int InBufferCount();

    // The failure that closed the port (a vanished device), if any.
    const core::AppError* Failure() const { return failure_.get(); }

  signals:
    void DataArrived();
    void PortFailed();

  private:
    void onReadyRead();
    void onError(int error);
    [[noreturn]] void raise(long number, const QString& description) const;
    // Pulls what the system holds for the port into its buffer, without
    // announcing it.
    void pull();

    QSerialPort* port_ = nullptr;
    int commPort_ = 1;
    QString settings_ = QStringLiteral("9600,n,8,1");
    SerialSettings parsed_;
    bool pulling_ = false;
    bool arrivalPosted_ = false;
    std::unique_ptr<core::AppError> failure_;
};

}  // namespace platform
