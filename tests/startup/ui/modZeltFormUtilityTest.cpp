#include "startup/ui/modZeltFormUtility.h"

#include "platform/SettingsStore.h"
#include "platform/ui/WindowPlacement.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace startup;

namespace {

class Placement : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        platform::SettingsStore::setRootDir(dir_.path());
        window_.setObjectName(QStringLiteral("frmOrder"));
        window_.resize(400, 300);
    }
    void TearDown() override { platform::SettingsStore::setRootDir(QString()); }
    QString stored(const char* key) const {
        return platform::SettingsStore::get(platform::appName(), QStringLiteral("SettingsfrmOrder"),
                                            QLatin1String(key));
    }
    void store(const char* key, const QString& value) {
        platform::SettingsStore::save(platform::appName(), QStringLiteral("SettingsfrmOrder"),
                                      QLatin1String(key), value);
    }

    QTemporaryDir dir_;
    QWidget window_;
};

TEST(Twips, FifteenPerPixelAtNinetySixDpi) {
    const int perPixel = TwipsPerPixel();
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    EXPECT_EQ(perPixel, static_cast<int>(std::lround(1440.0 / dpi)));
    if (dpi == 96.0) {
        EXPECT_EQ(perPixel, 15);
    }
    EXPECT_EQ(TwipsToPixels(PixelsToTwips(123)), 123);
}

TEST_F(Placement, SavedAndRestoredInTwips) {
    window_.move(30, 40);
    window_.resize(500, 350);
    EXPECT_FALSE(HasFormSettings(&window_));
    SaveFormSettings(&window_);
    EXPECT_TRUE(HasFormSettings(&window_));
    const int k = TwipsPerPixel(&window_);
    EXPECT_EQ(stored("State"), QStringLiteral("0"));
    EXPECT_EQ(stored("Left"), QString::number(30 * k));
    EXPECT_EQ(stored("Width"), QString::number(500 * k));

    QWidget other;
    other.setObjectName(QStringLiteral("frmOrder"));
    other.resize(100, 100);
    LoadFormSettings(&other);
    EXPECT_EQ(other.pos(), QPoint(30, 40));
    EXPECT_EQ(other.size(), QSize(500, 350));
    EXPECT_EQ(FormStateOf(&other), 0);
}

TEST_F(Placement, MaximisedAndMinimisedKeepTheLastNormalPlacement) {
    window_.move(10, 20);
    SaveFormSettings(&window_);
    for (const auto& [state, code] : {std::pair{Qt::WindowMaximized, 2}, {Qt::WindowMinimized, 1}}) {
        window_.move(200, 200);
        window_.setWindowState(state);
        SaveFormSettings(&window_);
        EXPECT_EQ(stored("State"), QString::number(code));
        EXPECT_EQ(stored("Left"), QString::number(10 * TwipsPerPixel(&window_)));

        QWidget restored;
        restored.setObjectName(QStringLiteral("frmOrder"));
        LoadFormSettings(&restored);
        EXPECT_EQ(restored.pos(), QPoint(10, 20));
        EXPECT_EQ(FormStateOf(&restored), code);

        QWidget skipped;
        skipped.setObjectName(QStringLiteral("frmOrder"));
        LoadFormSettings(&skipped, true);
        EXPECT_EQ(FormStateOf(&skipped), 0);
        window_.setWindowState(Qt::WindowNoState);
    }
}

TEST_F(Placement, ValuesWithCommaOrPointReadBack) {
    const int k = TwipsPerPixel(&window_);
    store("Left", QString::number(15 * k) + QStringLiteral(",4"));
    store("Top", QString::number(25 * k) + QStringLiteral(".6"));
    store("Width", QString::number(300 * k));
    store("Height", QStringLiteral("  ") + QString::number(200 * k) + QStringLiteral(",0 "));
    LoadFormSettings(&window_);
    EXPECT_EQ(window_.pos(), QPoint(15, 25));
    EXPECT_EQ(window_.size(), QSize(300, 200));
}

TEST_F(Placement, NeverStoredIsCentredAndKeepsItsSize) {
    store("Width", QStringLiteral("non numerico"));
    LoadFormSettings(&window_);
    const QRect screen = window_.screen()->geometry();
    EXPECT_EQ(window_.size(), QSize(400, 300));
    EXPECT_EQ(window_.x(), screen.x() + (screen.width() - 400) / 2);
    EXPECT_EQ(window_.y(), screen.y() + (screen.height() - 300) / 2);
    EXPECT_FALSE(HasFormSettings(&window_));
}

// A placement edited by hand or saved on a screen that is gone: negative or
// huge sizes, a position off every screen, numbers no window can take. The
// window comes onto the screen at a size it can be painted at, and what it
// saves back is that placement.
TEST_F(Placement, AbsurdStoredPlacementComesOntoTheScreen) {
    struct Case {
        const char *left, *top, *width, *height;
    } const cases[] = {
        {"-5000", "-5000", "-30000", "-1"}, {"1e30", "1e30", "1e30", "1e30"},
        {"-9e6", "9e6", "6000", "4500"},    {"0", "0", "0", "0"},
        {"nan", "inf", "-inf", "1e308"},    {"3000", "2000", "15", "15"},
    };
    const QRect free = window_.screen()->availableGeometry();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left + std::string(" ") + c.top + " " + c.width + " " + c.height);
        store("Left", QLatin1String(c.left));
        store("Top", QLatin1String(c.top));
        store("Width", QLatin1String(c.width));
        store("Height", QLatin1String(c.height));
        store("State", QStringLiteral("0"));
        QWidget window;
        window.setObjectName(QStringLiteral("frmOrder"));
        window.resize(400, 300);
        LoadFormSettings(&window);
        const QRect shown(window.pos(), window.size());
        EXPECT_TRUE(free.contains(shown))
            << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
        EXPECT_GE(window.width(), std::min(platform::kMinimumPlacementWidth, free.width()));
        EXPECT_GE(window.height(), std::min(platform::kMinimumPlacementHeight, free.height()));
        // Saved back and read again: the same sound placement.
        SaveFormSettings(&window);
        QWidget again;
        again.setObjectName(QStringLiteral("frmOrder"));
        LoadFormSettings(&again);
        EXPECT_EQ(QRect(again.pos(), again.size()), shown);
    }
}

TEST(FormFont, NameAndSizeSparingFixedPitchAndSymbolFonts) {
    QWidget window;
    QFont start(QStringLiteral("DejaVu Sans"));
    start.setPointSize(10);
    window.setFont(start);
    auto* plain = new QLabel(&window);
    auto* own = new QLabel(&window);
    own->setFont(QFont(QStringLiteral("DejaVu Serif"), 12));
    auto* courier = new QLabel(&window);
    courier->setFont(QFont(QStringLiteral("Courier New"), 9));
    auto* symbols = new QLabel(&window);
    symbols->setFont(QFont(QStringLiteral("Webdings"), 14));

    SetFormFont(&window, QStringLiteral("DejaVu Sans Mono"), 2);
    EXPECT_EQ(window.font().family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(window.font().pointSize(), 12);
    EXPECT_EQ(plain->font().family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(plain->font().pointSize(), 12);
    EXPECT_EQ(own->font().family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(own->font().pointSize(), 14);
    EXPECT_EQ(courier->font().family(), QStringLiteral("Courier New"));
    EXPECT_EQ(courier->font().pointSize(), 11);
    EXPECT_EQ(symbols->font().family(), QStringLiteral("Webdings"));

    // No name and no change: nothing happens; a missing window is ignored.
    SetFormFont(&window, QString(), 0);
    EXPECT_EQ(window.font().pointSize(), 12);
    SetFormFont(nullptr, QStringLiteral("X"), 1);
}

// A control that takes the font through properties, as the data panels do.
class PanelLike : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString FontNames MEMBER fontNames)
    Q_PROPERTY(double FontSizeSpin MEMBER fontSizeSpin)
  public:
    using QWidget::QWidget;
    QString fontNames;
    double fontSizeSpin = 1;
};

TEST(FormFont, PanelsGetItThroughTheirProperties) {
    QWidget window;
    auto* panel = new PanelLike(&window);
    SetFormFont(&window, QStringLiteral("DejaVu Sans"), 1.5);
    EXPECT_EQ(panel->fontNames, QStringLiteral("DejaVu Sans"));
    EXPECT_DOUBLE_EQ(panel->fontSizeSpin, 2.5);
}

// Types keys one at a time into a date box wired as the windows wire it.
class DateBox : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetDateInput();
        QObject::connect(&box_, &QLineEdit::textChanged, &box_, [this] { FormatDateInput(&box_, kind_); });
    }
    QString type(const QString& keys) {
        QTest::keyClicks(&box_, keys);
        return box_.text();
    }
    QLineEdit box_;
    int kind_ = 0;
};

TEST_F(DateBox, SeparatorsComeOnlyAfterTwoDigits) {
    struct Case {
        const char* keys;
        const char* text;
    };
    const Case cases[] = {
        {"12", "12/"},
        {"12/", "12/"},  // a typed "/" after the automatic one is dropped
        {"12-", "12/"},
        {"1203", "12/03/"},
        {"1203/", "12/03/"},
        {"1/", "1/"},                 // never "1//"
        {"1/2/", "1/2/"},             // a separator the operator typed stays
        {"1/2/2", "1/2/2"},           // and nothing is added after a short group
        {"12032024", "12/03/2024 "},  // a whole date gets a blank for the time
        {"1203202410", "12/03/2024 10."},
        {"120320241030", "12/03/2024 10.30."},
        {"1203202410.", "12/03/2024 10."},
        {"1203202410:", "12/03/2024 10."},
    };
    for (const Case& c : cases) {
        box_.clear();
        ResetDateInput();
        EXPECT_EQ(type(QString::fromLatin1(c.keys)), QString::fromLatin1(c.text)) << c.keys;
    }
}

TEST_F(DateBox, TimeOnlyBox) {
    kind_ = kTimeOnlyInput;
    EXPECT_EQ(type(QStringLiteral("0930")), QStringLiteral("09.30."));
    box_.clear();
    ResetDateInput();
    EXPECT_EQ(type(QStringLiteral("9.")), QStringLiteral("9."));
}

TEST_F(DateBox, DeletingOrEditingInsideNeverInserts) {
    EXPECT_EQ(type(QStringLiteral("12")), QStringLiteral("12/"));
    QTest::keyClick(&box_, Qt::Key_Backspace);
    EXPECT_EQ(box_.text(), QStringLiteral("12"));
    QTest::keyClick(&box_, Qt::Key_Backspace);
    EXPECT_EQ(box_.text(), QStringLiteral("1"));
    type(QStringLiteral("2"));
    EXPECT_EQ(box_.text(), QStringLiteral("12/"));
    // Typing with the caret inside the text adds nothing.
    box_.setText(QStringLiteral("1/03/"));
    box_.setCursorPosition(1);
    EXPECT_EQ(type(QStringLiteral("2")), QStringLiteral("12/03/"));
}

TEST(MenuArray, EntriesCarryTagIndexAndEnabledState) {
    QMenu menu;
    menu.addAction(QStringLiteral("Fisso"));
    QAction* first = AddMenuArrayItem(&menu, QStringLiteral("Clienti"), QStringLiteral("12"));
    QAction* second = AddMenuArrayItem(&menu, QStringLiteral("(nessuno)"), QString());
    ASSERT_EQ(menu.actions().size(), 3);
    EXPECT_EQ(menu.actions().last(), second);
    EXPECT_EQ(first->text(), QStringLiteral("Clienti"));
    EXPECT_EQ(first->data().toString(), QStringLiteral("12"));
    EXPECT_EQ(first->property("Index").toInt(), 0);
    EXPECT_TRUE(first->isEnabled());
    EXPECT_EQ(second->property("Index").toInt(), 1);
    EXPECT_FALSE(second->isEnabled());
}

// A bound edit control as the edit controls expose it.
class BoundEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QString DataField MEMBER dataField)
    Q_PROPERTY(bool DataChanged MEMBER dataChanged)
  public:
    using QLineEdit::QLineEdit;
    QString dataField;
    bool dataChanged = false;
    int commits = 0;
    Q_INVOKABLE void CommitData() { ++commits; }
};

class PanelWithCommit : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    int commits = 0;
    Q_INVOKABLE void CommitEditingDataControls() { ++commits; }
};

TEST(BoundControls, PendingEditsAreWrittenBack) {
    QWidget window;
    auto* panel = new PanelWithCommit(&window);
    auto* focused = new BoundEdit(&window);
    focused->dataField = QStringLiteral("Descrizione");
    auto* changed = new BoundEdit(&window);
    changed->dataField = QStringLiteral("Note");
    changed->dataChanged = true;
    auto* untouched = new BoundEdit(&window);
    untouched->dataField = QStringLiteral("Codice");
    auto* unbound = new BoundEdit(&window);
    unbound->dataChanged = true;
    window.show();
    window.activateWindow();
    focused->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    CommitEditingControls(&window);
    EXPECT_EQ(panel->commits, 1);
    EXPECT_EQ(focused->commits, 1);
    EXPECT_EQ(changed->commits, 1);
    EXPECT_FALSE(changed->dataChanged);
    EXPECT_EQ(untouched->commits, 0);
    EXPECT_EQ(unbound->commits, 0);
}

// A panel holding a text that does not convert stops the writing: the caller
// is told and the controls after it are left as they are.
class RefusingPanel : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    Q_INVOKABLE bool CommitEditingDataControls() { return false; }
};

TEST(BoundControls, APanelThatRefusesStopsTheWriting) {
    QWidget window;
    new RefusingPanel(&window);
    auto* changed = new BoundEdit(&window);
    changed->dataField = QStringLiteral("Note");
    changed->dataChanged = true;
    EXPECT_FALSE(CommitEditingControls(&window));
    EXPECT_EQ(changed->commits, 0);
    EXPECT_TRUE(changed->dataChanged);
}

}  // namespace

#include "modZeltFormUtilityTest.moc"
