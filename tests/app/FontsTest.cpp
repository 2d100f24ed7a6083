#include <gtest/gtest.h>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>

// Without the DejaVu fonts Qt still "finds" its aliases and renders empty
// boxes: windows, previews and PDFs would be unreadable. Fail loudly.
TEST(Fonts, DejaVuSansIsInstalled) {
    EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("DejaVu Sans")))
        << "Install fonts-dejavu-core: text would render as empty boxes";
    EXPECT_FALSE(QFontInfo(QApplication::font()).family().isEmpty());
}
