#include "platform/ui/Desktop.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(ShellTest, ScriptedFileDialogs) {
    ScriptedFileDialogs dialogs;
    dialogs.answer("/tmp/a.txt");
    EXPECT_EQ(saveFileName(nullptr, "Salva", "/x/LastError.txt", "Testo (*.txt)"), "/tmp/a.txt");
    EXPECT_EQ(saveFileName(nullptr, "Salva", "/x/LastError.txt", "Testo (*.txt)"), "");
    ASSERT_EQ(dialogs.proposed().size(), 2u);
    EXPECT_EQ(dialogs.proposed()[0], "/x/LastError.txt");
}
