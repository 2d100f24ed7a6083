#include "platform/ui/GuardedApplication.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <stdexcept>

namespace {

struct Receiver : QObject {
    int index = -1;
    int plainCalls = 0;
    void takeIndex(int i) { index = i; }
    void plain() { ++plainCalls; }
    void raise() { throw std::runtime_error("dal metodo"); }
};

class GuardedConnectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::GuardedApplication::setExceptionHandler([this] {
            try {
                throw;
            } catch (const std::exception& e) {
                seen << QString::fromUtf8(e.what());
            }
        });
    }
    void TearDown() override { platform::GuardedApplication::setExceptionHandler({}); }
    QStringList seen;
};

// An error of a clicked handler stops at the handler: it is handed over
// once, the click is delivered whole (the button is up, released and the
// other handlers of the signal run), and the next click works the same.
TEST_F(GuardedConnectionTest, AnErrorOfAClickedHandlerIsHandedOverAndTheClickEnds) {
    QPushButton button(QStringLiteral("Prova"));
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    Receiver receiver;
    platform::connectGuarded(&button, &QPushButton::clicked,
                             [] { throw std::runtime_error("dalla funzione"); });
    platform::connectGuarded(&button, &QPushButton::clicked, &receiver, &Receiver::raise);
    int after = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++after; });
    QSignalSpy released(&button, &QPushButton::released);
    for (int click = 1; click <= 2; ++click) {
        QTest::mouseClick(&button, Qt::LeftButton);
        EXPECT_EQ(seen, QStringList({QStringLiteral("dalla funzione"), QStringLiteral("dal metodo")}));
        EXPECT_EQ(after, click);
        EXPECT_EQ(released.count(), click);
        EXPECT_FALSE(button.isDown());
        seen.clear();
    }
}

// A handler takes as many of the signal's arguments as it declares.
TEST_F(GuardedConnectionTest, AHandlerTakesTheArgumentsItDeclares) {
    QComboBox box;
    box.addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    Receiver receiver;
    QString text;
    platform::connectGuarded(&box, &QComboBox::activated, &receiver, &Receiver::takeIndex);
    platform::connectGuarded(&box, &QComboBox::activated, &receiver, &Receiver::plain);
    platform::connectGuarded(&box, &QComboBox::textActivated, &receiver, [&](const QString& t) { text = t; });
    emit box.activated(2);
    emit box.textActivated(QStringLiteral("c"));
    EXPECT_EQ(receiver.index, 2);
    EXPECT_EQ(receiver.plainCalls, 1);
    EXPECT_EQ(text, QStringLiteral("c"));
    EXPECT_TRUE(seen.isEmpty());
}

}  // namespace
