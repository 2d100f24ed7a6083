#pragma once
// Driver of the MSR 106 reader/writer: the plain protocol, track 1 written
// and read as text ("r" reads, "w" writes; tracks 2 and 3 get "1").

#include "carddevices/MsrSerialDevice.h"

namespace carddevices {

class clsMSR106 : public MsrSerialDevice {
  public:
    static std::shared_ptr<clsMSR106> Create();

    QString ModelDescription() const override;

  protected:
    clsMSR106() = default;
    QString ReadCommand() const override { return QStringLiteral("r"); }
    QString WriteCommand() const override { return QStringLiteral("w"); }
    QByteArray DataBlock(const QString& strCardText) const override;
    void DecodeTrackData(const QString& strBlock, QString& strData, QString& strData2,
                         bool bReverse) const override;
};

}  // namespace carddevices
