#include "schema/TaxIdChecks.h"

namespace schema {

bool IsValidPartitaIva(const QString& code) {
    if (code.size() != 11) return false;
    for (QChar c : code)
        if (c < u'0' || c > u'9') return false;

    int sum = 0;
    for (int i = 0; i < 10; ++i) {
        int digit = code.at(i).unicode() - u'0';
        if (i % 2 == 0) {  // positions 1, 3, 5, 7, 9
            sum += digit;
        } else {  // positions 2, 4, 6, 8, 10
            int twice = digit * 2;
            sum += twice > 9 ? twice - 9 : twice;
        }
    }
    int check = (10 - sum % 10) % 10;
    return check == code.at(10).unicode() - u'0';
}

namespace {

// Values that the characters in odd positions add, for the values 0 to 25.
constexpr int kOddValues[26] = {1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                                20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};

}  // namespace

bool IsValidCodiceFiscale(const QString& code) {
    // Six letters, two digits, a letter, two digits, a letter, three digits and
    // the check letter; anything else (lower case, blanks, other signs) fails.
    static const char kLayout[] = "0000001101101110";
    if (code.size() != 16) return false;

    int sum = 0;
    for (int i = 0; i < 16; ++i) {
        char16_t c = code.at(i).unicode();
        int value;
        char kind;
        if (c >= u'0' && c <= u'9') {
            value = c - u'0';
            kind = '1';
        } else if (c >= u'A' && c <= u'Z') {
            value = c - u'A';
            kind = '0';
        } else {
            return false;
        }
        if (kind != kLayout[i]) return false;
        if (i == 15) break;
        sum += (i % 2 == 0) ? kOddValues[value] : value;  // i even = position 1, 3, ...
    }
    return code.at(15).unicode() == u'A' + sum % 26;
}

}  // namespace schema
