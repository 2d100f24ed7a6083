#include "platform/SerialPort.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using platform::SerialPort;
using platform::SettingsStore;

namespace {

// A pseudo-terminal whose slave the port opens as COM3; the test plays the
// device on the master.
class SerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SettingsStore::setRootDir(dir_.path());
        termios tio{};
        cfmakeraw(&tio);
        char name[256] = {};
        ASSERT_EQ(::openpty(&master_, &slave_, name, &tio, nullptr), 0);
        slaveName_ = QString::fromLocal8Bit(name);
        SettingsStore::save("Zelt Order", "MagneticDevParam", "COM3", slaveName_);
    }
    void TearDown() override {
        if (master_ >= 0) ::close(master_);
        if (slave_ >= 0) ::close(slave_);
        SettingsStore::setRootDir(QString());
    }
    QByteArray readMaster(int expected) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < expected && t.elapsed() < 2000) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                char buf[256];
                const auto n = ::read(master_, buf, sizeof buf);
                if (n > 0) got.append(buf, n);
            }
        }
        return got;
    }
    void writeMaster(const QByteArray& bytes) {
        ASSERT_EQ(::write(master_, bytes.constData(), size_t(bytes.size())), bytes.size());
    }
    static void pump(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents();
            QThread::msleep(1);
        }
    }

    QTemporaryDir dir_;
    int master_ = -1;
    int slave_ = -1;
    QString slaveName_;
};

TEST_F(SerialPortTest, SettingsTextParsedOrRefused) {
    const struct {
        const char* text;
        bool ok;
    } cases[] = {
        {"9600,n,8,1", true},
        {"9600,E,7,1", true},
        {" 4800 , o , 7 , 2 ", true},
        {"1200,m,5,1.5", true},
        {"9600,x,9,3", false},
        {"9600,n,8", false},
        {"", false},
        {"fast,n,8,1", false},
        {"0,n,8,1", false},
        {"9600,n,4,1", false},
        {"9600,n,8,1,1", false},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::ParseSerialSettings(c.text).has_value(), c.ok) << c.text;

    SerialPort port;
    port.SetCommPort(3);
    try {
        port.SetSettings("9600,x,9,3");
        FAIL() << "refused settings accepted";
    } catch (const core::AppError& e) {
        EXPECT_EQ(e.number(), platform::kSerialErrInvalidSettings);
        EXPECT_TRUE(e.description().contains("COM3 (" + slaveName_ + ")")) << e.description().toStdString();
        EXPECT_TRUE(e.description().contains("\"9600,x,9,3\""));
    }
    EXPECT_EQ(port.Settings(), "9600,n,8,1");  // the refused text is not kept
}

TEST_F(SerialPortTest, PortNumberNamesTheDevice) {
    EXPECT_EQ(SerialPort::DeviceNameOf(1), "/dev/ttyS0");
    EXPECT_EQ(SerialPort::DeviceNameOf(8), "/dev/ttyS7");
    EXPECT_EQ(SerialPort::DeviceNameOf(3), slaveName_);
    EXPECT_EQ(SerialPort::DeviceNameOf(0), "");
}

TEST_F(SerialPortTest, MissingPortsGiveItalianErrorsNamingThem) {
    SettingsStore::save("Zelt Order", "MagneticDevParam", "COM5", "/dev/zelt-no-such-port");
    for (int n : {0, 5}) {
        SerialPort port;
        port.SetCommPort(n);
        try {
            port.Open();
            FAIL() << n;
        } catch (const core::AppError& e) {
            EXPECT_TRUE(e.description().contains(QStringLiteral("COM%1").arg(n)))
                << e.description().toStdString();
        }
        EXPECT_FALSE(port.PortOpen());
        EXPECT_THROW(port.Write("a"), core::AppError);
    }
}

TEST_F(SerialPortTest, BytesCrossUnchangedBothWays) {
    SerialPort port;
    port.SetCommPort(3);
    port.Open();  // DTR and RTS are refused by the pty: no error
    ASSERT_TRUE(port.PortOpen());
    EXPECT_THROW(port.SetCommPort(4), core::AppError);

    const QByteArray binary("\x1b\x77\x00\xff\r\n\x1c", 7);
    port.Write(binary);
    EXPECT_EQ(readMaster(binary.size()), binary);

    QSignalSpy arrived(&port, &SerialPort::DataArrived);
    writeMaster(binary);
    QThread::msleep(20);
    EXPECT_EQ(port.InBufferCount(), binary.size());  // counted before the event loop runs
    pump(50);
    EXPECT_GE(arrived.count(), 1);
    EXPECT_EQ(port.ReadAll(), binary);
    EXPECT_EQ(port.InBufferCount(), 0);

    // Read without the event loop: what the system holds comes along.
    writeMaster("abc");
    QThread::msleep(20);
    EXPECT_EQ(port.ReadAll(), "abc");
    port.Close();
    EXPECT_FALSE(port.PortOpen());
}

TEST_F(SerialPortTest, VanishedDeviceFailsThePort) {
    SerialPort port;
    port.SetCommPort(3);
    port.Open();
    QSignalSpy failed(&port, &SerialPort::PortFailed);
    ::close(master_);
    master_ = -1;
    ::close(slave_);
    slave_ = -1;
    QElapsedTimer t;
    t.start();
    while (failed.isEmpty() && t.elapsed() < 2000) pump(10);
    ASSERT_EQ(failed.count(), 1);
    EXPECT_FALSE(port.PortOpen());
    ASSERT_NE(port.Failure(), nullptr);
    EXPECT_TRUE(port.Failure()->description().contains("COM3"));
    try {
        port.Write("a");
        FAIL();
    } catch (const core::AppError& e) {
        EXPECT_EQ(e.description(), port.Failure()->description());
    }
}

}  // namespace
