#include "schema/TaxIdChecks.h"

#include <gtest/gtest.h>

using schema::IsValidCodiceFiscale;
using schema::IsValidPartitaIva;

TEST(TaxIdChecks, PartitaIva) {
    struct Case {
        const char* code;
        bool valid;
    };
    const Case cases[] = {
        {"12345678903", true},
        {"01234567897", true},
        {"00805120599", true},
        {"10000000009", true},
        {"12345678901", false},  // wrong check digit
        {"00805120590", false},
        {"1234567890", false},    // 10 digits
        {"123456789033", false},  // 12 digits
        {"1234567890A", false},   // a letter
        {"IT123456789", false},
        {"12345 78903", false},  // a blank inside
        {" 2345678903", false},
        {"12345678903 ", false},  // trailing blank
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidPartitaIva(QString::fromUtf8(c.code)), c.valid) << c.code;
}

TEST(TaxIdChecks, CodiceFiscale) {
    struct Case {
        const char* code;
        bool valid;
    };
    const Case cases[] = {
        {"RSSMRA80A01H501U", true},
        {"BNCGVN75L12F205Y", true},
        {"VRDLCU90T45L219E", true},
        {"RSSMRA80A01H501A", false},  // wrong check letter
        {"VRDLCU90T45L219F", false},
        {"rssmra80a01h501u", false},   // lower case
        {"RSSMRA80A01H501", false},    // 15 characters
        {"RSSMRA80A01H501UX", false},  // 17 characters
        {"RSSMRA80A01H501U ", false},  // trailing blank
        {"RSS MRA80A01H501", false},   // blank inside
        {"RSSMRA8OA01H501U", false},   // letter O where a digit belongs
        {"1SSMRA80A01H501U", false},   // digit where a letter belongs
        {"RSSMRA80A01H5O1U", false},   // letter in a digit place of the town code
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidCodiceFiscale(QString::fromUtf8(c.code)), c.valid) << c.code;
}
