#include "carddevices/clsMSR106.h"

namespace carddevices {

std::shared_ptr<clsMSR106> clsMSR106::Create() { return std::shared_ptr<clsMSR106>(new clsMSR106); }

QString clsMSR106::ModelDescription() const { return QStringLiteral("MSR 106 Series (bassa coercività)"); }

QByteArray clsMSR106::DataBlock(const QString& strCardText) const {
    QByteArray block;
    block += kEsc;
    block += 's';
    block += kEsc;
    block += char(0x01);
    block += strCardText.toLatin1();
    block += kEsc;
    block += char(0x02);
    block += '1';
    block += kEsc;
    block += char(0x03);
    block += '1';
    block += '?';
    block += kFs;
    return block;
}

void clsMSR106::DecodeTrackData(const QString& strBlock, QString& strData, QString& strData2,
                                bool bReverse) const {
    GetTrackData(strBlock, strData, strData2, bReverse);
}

}  // namespace carddevices
