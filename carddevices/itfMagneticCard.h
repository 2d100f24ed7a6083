#pragma once
// What every magnetic-stripe card device offers: sessions, erase, write and
// read of the card text (two fields kept on the card separated by a blank),
// its model name and its port parameters; and the object through which a
// device reports the outcome of an operation started without waiting.

#include "core/Variant.h"

#include <QObject>
#include <QString>

#include <cstdint>

namespace carddevices {

// Completion events of a device. The window that listens owns it; a device
// keeps a reference from NewSession on.
class clsMagneticCardEvents : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    void RaiseReadComplete(bool bSuccess, const QString& vntData, const QString& strData2,
                           const QString& strStatus) {
        emit OnReadComplete(bSuccess, vntData, strData2, strStatus);
    }
    void RaiseWriteComplete(bool bSuccess, const QString& strStatus) {
        emit OnWriteComplete(bSuccess, strStatus);
    }
    void RaiseEraseComplete(bool bSuccess, const QString& strStatus) {
        emit OnEraseComplete(bSuccess, strStatus);
    }

  signals:
    // vntData is the first field of the card text, strStatus the device status.
    void OnReadComplete(bool bSuccess, const QString& vntData, const QString& strData2,
                        const QString& strStatus);
    void OnWriteComplete(bool bSuccess, const QString& strStatus);
    void OnEraseComplete(bool bSuccess, const QString& strStatus);
};

// nWait 0 starts the operation and returns at once, the outcome arriving as
// an event; any other value blocks until the device answers or 3 seconds
// pass. bReverse writes or reads the card text in reverse character order.
// Failures are raised as core::AppError. A caller keeps its reference to the
// device for the whole of a call: the calls that wait let the event loop run.
class itfMagneticCard {
  public:
    virtual ~itfMagneticCard() = default;

    virtual void NewSession(clsMagneticCardEvents* objEvents) = 0;
    virtual void EndSession() = 0;
    virtual void CancelSession() = 0;
    virtual void EraseCard(bool bCheckResult) = 0;
    virtual void WriteData(const QString& strData, const QString& strData2, bool bReverse,
                           std::int16_t nWait) = 0;
    virtual void ReadData(std::int16_t nWait, bool bReverse, QString& strData, QString& strData2) = 0;
    virtual QString ModelDescription() const = 0;
    // 0: COM port number, 1: port settings ("9600,n,8,1"), 2 (some models):
    // further model parameters.
    virtual void SetParameters(const core::VariantArray& vntParams) = 0;
};

}  // namespace carddevices
