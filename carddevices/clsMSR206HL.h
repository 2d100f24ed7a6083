#pragma once
// Driver of the MSR 206 HL reader/writer, high or low coercivity. A session
// starts with reset, the coercivity ("x" high, "y" low) and 8 bits per
// character on every track ("o" 08 08 08), each set-up waited for. Track 1
// is read ("m") and written ("n") raw: this driver codes the text itself,
// eight characters to a group of eight bytes, and sends a length byte
// before the coded bytes.

#include "carddevices/MsrSerialDevice.h"

namespace carddevices {

class clsMSR206HL : public MsrSerialDevice {
  public:
    // Longest card text a raw track 1 takes, sentinels included: the coded
    // length must fit its one length byte (31 groups of 8 bytes).
    static constexpr int kMaxTrack1Chars = 248;

    static std::shared_ptr<clsMSR206HL> Create();

    void NewSession(clsMagneticCardEvents* objEvents) override;
    QString ModelDescription() const override;
    // 0: port number, 1: port settings, 2: low coercivity (three elements).
    void SetParameters(const core::VariantArray& vntParams) override;
    bool LowCoercivity() const { return m_bLowCoercivity; }

    // ---- Track-1 coding (bytes are characters of the same code) ----------
    // Every character outside the track-1 table becomes a blank.
    static QString SubstInvalidCharsForTrack1(const QString& strText);
    // Each 8 characters (blank-padded) become 8 bytes: 7-bit symbols (6-bit
    // table index plus odd parity) packed from bit 0 of each byte, then the
    // group's check character.
    static QString AsciiToHexForTrack1(const QString& strText);
    // Each whole group of 8 bytes gives 8 characters, the bits of its first 7
    // bytes taken from bit 7 down (a device returns them in that order);
    // trailing blanks removed.
    static QString HexToAsciiFromTrack1(const QString& strBytes);
    // The fields of a raw track-1 block (ESC 01, length byte, coded bytes).
    static void GetRawTrack1Data(const QString& strBlock, QString& strData, QString& strData2, bool bReverse);

  protected:
    clsMSR206HL() = default;
    QString ReadCommand() const override { return QStringLiteral("m"); }
    QString WriteCommand() const override { return QStringLiteral("n"); }
    QByteArray DataBlock(const QString& strCardText) const override;
    void DecodeTrackData(const QString& strBlock, QString& strData, QString& strData2,
                         bool bReverse) const override;
    bool ResetsClosedPort() const override { return false; }

  private:
    bool m_bLowCoercivity = false;
};

}  // namespace carddevices
