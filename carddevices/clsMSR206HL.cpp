#include "carddevices/clsMSR206HL.h"

#include <algorithm>
#include <array>
#include <bit>

namespace carddevices {

namespace {

// The 64 characters of track 1, a character's 6-bit value being its index:
// blank to underscore in code order, but for the at sign (12), the comma
// (13) and the hyphen (32).
const std::array<char, 64>& track1Table() {
    static const std::array<char, 64> table = [] {
        std::array<char, 64> t{};
        for (int i = 0; i < 64; ++i) t[size_t(i)] = char(0x20 + i);
        t[12] = '@';
        t[13] = ',';
        t[32] = '-';
        return t;
    }();
    return table;
}

// Index of each character code in the table, -1 when it has none.
const std::array<int, 256>& track1Index() {
    static const std::array<int, 256> index = [] {
        std::array<int, 256> x{};
        x.fill(-1);
        for (int i = 0; i < 64; ++i) x[static_cast<unsigned char>(track1Table()[size_t(i)])] = i;
        return x;
    }();
    return index;
}

int track1ValueOf(QChar c) { return c.unicode() < 256 ? track1Index()[c.unicode()] : -1; }

// v with bit 6 set when its six bits hold an even number of ones.
unsigned withOddParity(unsigned v) { return (std::popcount(v) % 2 == 0) ? (v | 0x40u) : v; }

}  // namespace

std::shared_ptr<clsMSR206HL> clsMSR206HL::Create() { return std::shared_ptr<clsMSR206HL>(new clsMSR206HL); }

QString clsMSR206HL::ModelDescription() const {
    return QStringLiteral("MSR 206 HL Series (alta coercività)");
}

void clsMSR206HL::SetParameters(const core::VariantArray& vntParams) {
    const bool low = vntParams.at(2).toBool();
    MsrSerialDevice::SetParameters(vntParams);
    m_bLowCoercivity = low;
}

void clsMSR206HL::NewSession(clsMagneticCardEvents* objEvents) {
    StartSession(objEvents);
    if (m_bLowCoercivity) {
        SendCommand(QStringLiteral("y"));
        WaitResponse(2, 1, false);
        if (!Result())
            RaiseDeviceError(
                2, QStringLiteral("Impostazione bassa coercività non riuscita, codice ") + StatusChar());
    } else {
        SendCommand(QStringLiteral("x"));
        WaitResponse(2, 1, false);
        if (!Result())
            RaiseDeviceError(
                2, QStringLiteral("Impostazione alta coercività non riuscita, codice ") + StatusChar());
    }
    SendCommand(QStringLiteral("o") + QChar(8) + QChar(8) + QChar(8));
    WaitResponse(5, 1, false);
    if (!Result())
        RaiseDeviceError(2,
                         QStringLiteral("Impostazione 8 bit traccia 1 non riuscita, codice ") + StatusChar());
}

QByteArray clsMSR206HL::DataBlock(const QString& strCardText) const {
    const QString text = QLatin1Char('%') + strCardText + QLatin1Char('?');
    if (text.size() > kMaxTrack1Chars)
        RaiseDeviceError(2, QStringLiteral("Testo troppo lungo per la carta: la traccia 1 accetta al "
                                           "massimo %1 caratteri (%2 con i delimitatori), il testo "
                                           "ne ha %3.")
                                .arg(kMaxTrack1Chars - 2)
                                .arg(kMaxTrack1Chars)
                                .arg(strCardText.size()));
    const QByteArray coded = AsciiToHexForTrack1(text).toLatin1();
    QByteArray block(
        "\x1b"
        "s"
        "\x1b\x01",
        4);
    block += char(coded.size());
    block += coded;
    block += QByteArray("\x1b\x02\x00\x1b\x03\x00?\x1c", 8);
    return block;
}

void clsMSR206HL::DecodeTrackData(const QString& strBlock, QString& strData, QString& strData2,
                                  bool bReverse) const {
    GetRawTrack1Data(strBlock, strData, strData2, bReverse);
}

QString clsMSR206HL::SubstInvalidCharsForTrack1(const QString& strText) {
    QString out = strText;
    for (QChar& c : out)
        if (track1ValueOf(c) < 0) c = QLatin1Char(' ');
    return out;
}

QString clsMSR206HL::AsciiToHexForTrack1(const QString& strText) {
    QString out;
    out.reserve((strText.size() + 7) / 8 * 8);
    for (qsizetype start = 0; start < strText.size(); start += 8) {
        const QString group =
            SubstInvalidCharsForTrack1(strText.mid(start, 8)).leftJustified(8, QLatin1Char(' '));
        std::array<unsigned, 8> bytes{};
        unsigned bit = 0;
        unsigned check = 0;
        for (QChar c : group) {
            const auto v = unsigned(track1ValueOf(c));
            check ^= v;
            const unsigned symbol = withOddParity(v);
            for (unsigned b = 0; b < 7; ++b, ++bit)
                if (symbol & (1u << b)) bytes[bit / 8] |= 1u << (bit % 8);
        }
        bytes[7] = withOddParity(check);
        for (unsigned b : bytes) out += QChar(b);
    }
    return out;
}

QString clsMSR206HL::HexToAsciiFromTrack1(const QString& strBytes) {
    QString out;
    for (qsizetype start = 0; start + 8 <= strBytes.size(); start += 8) {
        unsigned symbol = 0;
        unsigned taken = 0;
        for (qsizetype i = start; i < start + 7; ++i) {
            const unsigned byte = strBytes.at(i).unicode() & 0xFFu;
            for (int b = 7; b >= 0; --b) {
                if (byte & (1u << b)) symbol |= 1u << taken;
                if (++taken == 7) {
                    out += QLatin1Char(track1Table()[symbol & 0x3Fu]);
                    symbol = 0;
                    taken = 0;
                }
            }
        }
    }
    while (out.endsWith(QLatin1Char(' '))) out.chop(1);
    return out;
}

void clsMSR206HL::GetRawTrack1Data(const QString& strBlock, QString& strData, QString& strData2,
                                   bool bReverse) {
    strData.clear();
    strData2.clear();
    if (strBlock.size() < 3 || !strBlock.startsWith(QString(QChar(kEsc)) + QChar(0x01))) return;
    const int length = strBlock.at(2).unicode() & 0xFF;
    if (length == 0) return;
    QString text = HexToAsciiFromTrack1(strBlock.mid(3, length));
    if (text.size() < 2) return;
    text = text.mid(1, text.size() - 2);
    if (bReverse) std::reverse(text.begin(), text.end());
    SplitCardText(text, strData, strData2);
}

}  // namespace carddevices
