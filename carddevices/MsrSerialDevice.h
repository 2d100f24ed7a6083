#pragma once
// The escape-command protocol that both serial card drivers speak: port
// set-up, command framing, the wait for an answer, the answer handler,
// completion events and device errors. A driver adds its model name, its
// read and write commands and how it codes and decodes track 1.
//
// Commands are ESC and a command letter; a write adds the data block
// ESC "s" ESC 01 <track 1> ESC 02 <track 2> ESC 03 <track 3> "?" FS.
// Write, erase and set-up answers are ESC and a status; a read answer is
// ESC "s", the same track blocks, "?" FS ESC and a status. Status "0" is
// success; after any other the device is sent the failure signal ESC 85.
// Bytes are characters of the same code (Latin-1).

#include "carddevices/itfMagneticCard.h"
#include "platform/SerialPort.h"

#include <QPointer>
#include <QString>

#include <memory>

namespace carddevices {

class MsrSerialDevice : public itfMagneticCard, public std::enable_shared_from_this<MsrSerialDevice> {
  public:
    static constexpr char kEsc = 0x1B;
    static constexpr char kFs = 0x1C;
    // Longest synchronous wait and the two pauses of the protocol.
    static constexpr int kWaitLimitMs = 3000;
    static constexpr int kPauseAfterSendMs = 200;
    static constexpr int kQuietMs = 200;

    ~MsrSerialDevice() override;

    void NewSession(clsMagneticCardEvents* objEvents) override;
    void EndSession() override;
    void CancelSession() override;
    void EraseCard(bool bCheckResult) override;
    void WriteData(const QString& strData, const QString& strData2, bool bReverse,
                   std::int16_t nWait) override;
    void ReadData(std::int16_t nWait, bool bReverse, QString& strData, QString& strData2) override;
    void SetParameters(const core::VariantArray& vntParams) override;

    // The port (tests look at it).
    platform::SerialPort& Port() { return *m_objComm; }

    // The two fields of a plain track-1 block (ESC 01, start sentinel, text,
    // end sentinel, ESC ...), reversed when asked; both empty when the block
    // holds no text between its sentinels.
    static void GetTrackData(const QString& strBlock, QString& strData, QString& strData2, bool bReverse);
    // The card text split at its first blank: the part before it, the rest.
    static void SplitCardText(const QString& text, QString& strData, QString& strData2);

  protected:
    MsrSerialDevice();

    // Model hooks.
    virtual QString ReadCommand() const = 0;
    virtual QString WriteCommand() const = 0;
    // The data block of a write (from ESC "s" to FS) for the two fields.
    virtual QByteArray DataBlock(const QString& strCardText) const = 0;
    virtual void DecodeTrackData(const QString& strBlock, QString& strData, QString& strData2,
                                 bool bReverse) const = 0;
    // EndSession resets a closed port too (and so fails on it).
    virtual bool ResetsClosedPort() const { return true; }

    // Opens the port when closed, keeps the listener, empties the input and
    // resets the device.
    void StartSession(clsMagneticCardEvents* objEvents);
    // Sends ESC and the command, with the data block when strData is not
    // empty; then pauses without letting the event loop run.
    void SendCommand(const QString& strCommand, const QString& strData = QString(),
                     const QString& strData2 = QString(), bool bReverse = false);
    // Prepares for the answer to nOperation; with nWait not 0, waits for it.
    void WaitResponse(int nOperation, int nWait, bool bReverse);
    [[noreturn]] void RaiseDeviceError(int nCode, const QString& strMessage) const;
    // Last character of the status.
    QString StatusChar() const { return m_strStatus.right(1); }
    bool Result() const { return m_bResult; }

  private:
    void OnComm();
    void OnPortFailed();
    // A pending asynchronous operation ends without a device status.
    void ReportFailedCompletion();
    void RaiseCompletion();

    struct PortDeleter {
        void operator()(platform::SerialPort* port) const;
    };

    QPointer<clsMagneticCardEvents> m_objEvents;
    std::unique_ptr<platform::SerialPort, PortDeleter> m_objComm;
    int m_nOperation = 0;
    bool m_bResult = false;
    QString m_strStatus;
    QString m_strData;
    QString m_strData2;
    bool m_bAsync = false;
    bool m_bBusy = false;
    bool m_bReverse = false;
    // A synchronous wait is running; CancelSession ends it.
    bool m_bWaiting = false;
    bool m_bCancelled = false;
};

}  // namespace carddevices
