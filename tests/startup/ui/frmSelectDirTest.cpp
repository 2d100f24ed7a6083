#include "startup/ui/frmSelectDir.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using startup::frmSelectDir;

namespace {

class SelectDir : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        root_ = QDir::cleanPath(tmp_.path());
        QDir(root_).mkpath(QStringLiteral("alfa/interna"));
        QDir(root_).mkpath(QStringLiteral("beta"));
    }
    void TearDown() override { frmSelectDir::setFolderChooser(nullptr); }
    QString sub(const char* name) const { return root_ + QLatin1Char('/') + QLatin1String(name); }

    QTemporaryDir tmp_;
    QString root_;
};

TEST_F(SelectDir, HighlightedFolderIsTheAnswer) {
    frmSelectDir dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Selezione indirizzario"));
    dialog.SetSelectedDir(root_);
    dialog.show();
    EXPECT_TRUE(dialog.optDisks()->isChecked());
    EXPECT_TRUE(dialog.driveSelect()->isEnabled());
    EXPECT_FALSE(dialog.cmdSelectRes()->isEnabled());
    EXPECT_EQ(dialog.driveSelect()->currentData().toString(),
              QDir::cleanPath(QStorageInfo(root_).rootPath()));
    EXPECT_EQ(dialog.DirListPath(), root_);

    // Highlighted in the list but not opened: that folder is returned.
    ASSERT_TRUE(dialog.HighlightDir(sub("beta")));
    QTest::mouseClick(dialog.cmdOk(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SelectedDir(), sub("beta"));
}

TEST_F(SelectDir, OpeningAFolderListsItsSubfolders) {
    frmSelectDir dialog;
    dialog.SetSelectedDir(root_);
    dialog.show();
    ASSERT_TRUE(dialog.HighlightDir(sub("alfa")));
    emit dialog.dirSelect()->itemActivated(dialog.dirSelect()->currentItem(), 0);
    EXPECT_EQ(dialog.DirListPath(), sub("alfa"));
    EXPECT_TRUE(dialog.HighlightDir(sub("alfa/interna")));
    EXPECT_FALSE(dialog.HighlightDir(sub("beta")));  // no longer listed
    // A parent in the chain is listed too.
    EXPECT_TRUE(dialog.HighlightDir(root_));
}

TEST_F(SelectDir, CancelGivesAnEmptyFolder) {
    for (const bool byEscape : {false, true}) {
        frmSelectDir dialog;
        dialog.SetSelectedDir(root_);
        dialog.show();
        if (byEscape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            QTest::mouseClick(dialog.cmdEsci(), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(dialog.SelectedDir().isEmpty()) << byEscape;
    }
}

TEST_F(SelectDir, TheRootKeepsItsSeparator) {
    frmSelectDir dialog;
    dialog.SetSelectedDir(QStringLiteral("/"));
    dialog.show();
    QTest::mouseClick(dialog.cmdOk(), Qt::LeftButton);
    EXPECT_EQ(dialog.SelectedDir(), QStringLiteral("/"));
}

TEST_F(SelectDir, UnknownFolderOffersAnotherLocation) {
    QStringList proposed;
    frmSelectDir::setFolderChooser([&](const QString& folder) {
        proposed << folder;
        return proposed.size() == 1 ? QString() : sub("alfa") + QLatin1Char('/');
    });
    frmSelectDir dialog;
    dialog.SetSelectedDir(sub("manca"));
    dialog.show();
    EXPECT_TRUE(dialog.optOther()->isChecked());
    EXPECT_FALSE(dialog.driveSelect()->isEnabled());
    EXPECT_TRUE(dialog.cmdSelectRes()->isEnabled());

    // The desktop's folder dialog cancelled: nothing changes.
    QTest::mouseClick(dialog.cmdSelectRes(), Qt::LeftButton);
    EXPECT_EQ(dialog.SelectedDir(), sub("manca"));
    EXPECT_TRUE(dialog.optOther()->isChecked());

    // A folder chosen there becomes the selection, back on the disks.
    QTest::mouseClick(dialog.cmdSelectRes(), Qt::LeftButton);
    ASSERT_EQ(proposed.size(), 2);
    EXPECT_EQ(proposed[0], sub("manca"));
    EXPECT_EQ(dialog.SelectedDir(), sub("alfa"));
    EXPECT_TRUE(dialog.optDisks()->isChecked());
    EXPECT_EQ(dialog.DirListPath(), sub("alfa"));
    QTest::mouseClick(dialog.cmdOk(), Qt::LeftButton);
    EXPECT_EQ(dialog.SelectedDir(), sub("alfa"));
}

TEST_F(SelectDir, NoInitialFolderChoosesTheDisksAndTheRoot) {
    frmSelectDir dialog;
    dialog.show();
    EXPECT_TRUE(dialog.optDisks()->isChecked());
    if (dialog.driveSelect()->findData(QStringLiteral("/")) >= 0) {
        EXPECT_EQ(dialog.driveSelect()->currentData().toString(), QStringLiteral("/"));
    }
    // Choosing a disk lists it from its root.
    const int root = dialog.driveSelect()->findData(QStringLiteral("/"));
    if (root >= 0) {
        emit dialog.driveSelect()->activated(root);
        EXPECT_EQ(dialog.DirListPath(), QStringLiteral("/"));
    }
}

TEST_F(SelectDir, ModalUse) {
    frmSelectDir dialog;
    dialog.SetSelectedDir(root_);
    QTimer::singleShot(0, &dialog, [&] {
        dialog.HighlightDir(sub("alfa"));
        QTest::mouseClick(dialog.cmdOk(), Qt::LeftButton);
    });
    dialog.exec();
    EXPECT_EQ(dialog.SelectedDir(), sub("alfa"));
}

}  // namespace
