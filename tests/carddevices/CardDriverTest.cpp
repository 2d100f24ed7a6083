// The card drivers against the device simulator on a pseudo-terminal.

#include "CardDeviceSimulator.h"

#include "carddevices/MagneticDevParam.h"
#include "carddevices/clsMSR106.h"
#include "carddevices/clsMSR206HL.h"
#include "carddevices/modMagneticDev.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

using namespace carddevices;
using cardsim::bytes;
using cardsim::CardDeviceSimulator;
using platform::SettingsStore;

namespace {

QString latin1(const QByteArray& b) { return QString::fromLatin1(b); }

void pumpFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
}

// One completion seen by the listener.
struct Completion {
    QString kind;
    bool success = false;
    QString data, data2, status;
    QList<QByteArray> commandsBefore;  // what the device had received by then
};

class CardDriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SettingsStore::setRootDir(dir_.path());
        SettingsStore::save("Zelt Order", "MagneticDevParam", "COM4", sim_.slaveName());
        magneticDevParams() = {kDeviceMsr106, 4, "9600,n,8,1"};
        QObject::connect(&events_, &clsMagneticCardEvents::OnReadComplete, &events_,
                         [this](bool ok, const QString& d, const QString& d2, const QString& s) {
                             completions_.append({"read", ok, d, d2, s, sim_.commands()});
                         });
        QObject::connect(&events_, &clsMagneticCardEvents::OnWriteComplete, &events_,
                         [this](bool ok, const QString& s) {
                             completions_.append({"write", ok, {}, {}, s, sim_.commands()});
                         });
        QObject::connect(&events_, &clsMagneticCardEvents::OnEraseComplete, &events_,
                         [this](bool ok, const QString& s) {
                             completions_.append({"erase", ok, {}, {}, s, sim_.commands()});
                         });
    }
    void TearDown() override {
        CreateMagneticDevice(true);
        magneticDevParams() = {};
        SettingsStore::setRootDir(QString());
    }

    // The device of the given model on the simulator, its session started.
    std::shared_ptr<itfMagneticCard> open(int type) {
        magneticDevParams().type = type;
        EXPECT_TRUE(CreateMagneticDevice(false));
        auto device = CurrentMagneticDevice();
        device->NewSession(&events_);
        sim_.clearLog();
        return device;
    }
    bool waitForCompletion(int ms = 3000) {
        QElapsedTimer t;
        t.start();
        while (completions_.isEmpty() && t.elapsed() < ms) pumpFor(5);
        return !completions_.isEmpty();
    }
    template <class F>
    static core::AppError errorOf(F&& call) {
        try {
            call();
        } catch (const core::AppError& e) {
            return e;
        }
        ADD_FAILURE() << "no error raised";
        return core::AppError(0, {}, {});
    }

    QTemporaryDir dir_;
    CardDeviceSimulator sim_;
    clsMagneticCardEvents events_;
    QList<Completion> completions_;
};

// ---- Card text ----------------------------------------------------------------

TEST(ExtractCardCodeTest, SentinelsReversalAndPrefix) {
    const struct {
        const char* text;
        const char* prefix;
        bool reverse;
        const char* code;
    } cases[] = {
        {"%ABC123?", "", false, "ABC123"},
        {";ABC123_", "", false, "ABC123"},
        {"%AB123?", "ab", false, "123"},
        {"%AB123?", "XY", false, ""},
        {"%321CBA?", "ABC", true, "123"},
        {"%%A??", "", false, "%A?"},
        {"", "", false, ""},
        {"%", "", false, ""},
        {"?", "", false, ""},
        {";_", "", false, ""},
        {"aB12", "Ab", false, "12"},
        {"%AB?", "AB", false, ""},
        {"ABC", "", true, "CBA"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractCardCode(c.text, c.prefix, c.reverse), c.code)
            << c.text << " / " << c.prefix << " / " << c.reverse;
}

TEST_F(CardDriverTest, FactoryCreatesTheConfiguredModel) {
    const struct {
        int type;
        bool result;
        const char* model;  // "" = no device
        bool low;
    } cases[] = {
        {kDeviceMsr106, true, "MSR 106 Series (bassa coercività)", false},
        {kDeviceMsr206HighCoercivity, true, "MSR 206 HL Series (alta coercività)", false},
        {kDeviceMsr206LowCoercivity, true, "MSR 206 HL Series (alta coercività)", true},
        {kDeviceKeyboardEmulation, true, "", false},
        {5, false, "", false},
        {-1, false, "", false},
    };
    for (const auto& c : cases) {
        magneticDevParams().type = c.type;
        CurrentMagneticDevice() = clsMSR106::Create();  // a device left from before is dropped
        EXPECT_EQ(CreateMagneticDevice(false), c.result) << c.type;
        const auto device = CurrentMagneticDevice();
        if (!*c.model) {
            EXPECT_EQ(device, nullptr) << c.type;
            continue;
        }
        ASSERT_NE(device, nullptr) << c.type;
        EXPECT_EQ(device->ModelDescription(), c.model);
        auto* serial = dynamic_cast<MsrSerialDevice*>(device.get());
        EXPECT_EQ(serial->Port().CommPort(), 4);
        EXPECT_EQ(serial->Port().Settings(), "9600,n,8,1");
        if (auto* hl = dynamic_cast<clsMSR206HL*>(device.get())) {
            EXPECT_EQ(hl->LowCoercivity(), c.low);
        }
    }
    EXPECT_TRUE(CreateMagneticDevice(true));
    EXPECT_EQ(CurrentMagneticDevice(), nullptr);

    // Port settings the port refuses: the error reaches the caller, no device is left.
    magneticDevParams() = {kDeviceMsr106, 4, "9600,x,9,3"};
    const auto e = errorOf([] { CreateMagneticDevice(false); });
    EXPECT_EQ(e.number(), platform::kSerialErrInvalidSettings);
    EXPECT_EQ(CurrentMagneticDevice(), nullptr);
}

TEST_F(CardDriverTest, ParametersNeedTheirElements) {
    auto msr106 = clsMSR106::Create();
    auto msr206 = clsMSR206HL::Create();
    const auto two =
        core::VariantArray::fromValues({core::Variant(std::int16_t(4)), core::Variant("9600,n,8,1")});
    const auto one = core::VariantArray::fromValues({core::Variant(std::int16_t(4))});
    EXPECT_EQ(errorOf([&] { msr106->SetParameters(one); }).number(), 9);
    EXPECT_EQ(errorOf([&] { msr206->SetParameters(two); }).number(), 9);
    EXPECT_NO_THROW(msr106->SetParameters(two));
}

// ---- MSR 106 ------------------------------------------------------------------------

TEST_F(CardDriverTest, Msr106SessionResetsAndWriteFramesTheText) {
    magneticDevParams().type = kDeviceMsr106;
    ASSERT_TRUE(CreateMagneticDevice(false));
    auto device = CurrentMagneticDevice();
    device->NewSession(&events_);
    ASSERT_TRUE(sim_.waitForCommands(1));
    EXPECT_EQ(sim_.received(), bytes({0x1B, 0x61}));

    sim_.clearLog();
    device->WriteData("123", "", false, 0);
    ASSERT_TRUE(sim_.waitForCommands(1));
    EXPECT_EQ(sim_.received(), bytes({0x1B, 0x77, 0x1B, 0x73, 0x1B, 0x01, 0x31, 0x32, 0x33, 0x1B, 0x02, 0x31,
                                      0x1B, 0x03, 0x31, 0x3F, 0x1C}));
    ASSERT_TRUE(waitForCompletion());
    EXPECT_EQ(completions_[0].kind, "write");
    EXPECT_TRUE(completions_[0].success);
    EXPECT_EQ(completions_[0].status, "0");

    sim_.clearLog();
    device->WriteData("123", "X", true, 1);  // waits: no event
    EXPECT_EQ(sim_.card(), "X 321");
    EXPECT_EQ(completions_.size(), 1);
}

TEST_F(CardDriverTest, Msr106AsyncReadReportsTheFields) {
    auto device = open(kDeviceMsr106);
    sim_.setCard("AB CD");
    sim_.setHoldReads(true);
    QString d = "untouched", d2 = "untouched";
    QElapsedTimer t;
    t.start();
    device->ReadData(0, false, d, d2);
    EXPECT_LT(t.elapsed(), 1500);  // the pause after the send, no wait for the answer
    EXPECT_EQ(d, "untouched");
    EXPECT_EQ(d2, "untouched");
    ASSERT_TRUE(sim_.waitForHeldRead());
    EXPECT_TRUE(sim_.swipe());
    ASSERT_TRUE(waitForCompletion());
    const Completion& c = completions_[0];
    EXPECT_EQ(c.kind, "read");
    EXPECT_TRUE(c.success);
    EXPECT_EQ(c.data, "AB");
    EXPECT_EQ(c.data2, "CD");
    EXPECT_EQ(c.status, "0");
    EXPECT_EQ(sim_.commands(), QList<QByteArray>({bytes({0x1B, 0x72})}));  // no failure signal
}

TEST_F(CardDriverTest, Msr106FailedReadSignalsTheDeviceBeforeTheEvent) {
    auto device = open(kDeviceMsr106);
    sim_.setCard("AB CD");
    sim_.pushStatus('r', '1');
    QString d, d2;
    device->ReadData(0, false, d, d2);
    ASSERT_TRUE(waitForCompletion());
    EXPECT_FALSE(completions_[0].success);
    EXPECT_EQ(completions_[0].status, "1");
    EXPECT_EQ(completions_[0].commandsBefore, QList<QByteArray>({bytes({0x1B, 0x72}), bytes({0x1B, 0x85})}));

    // The same when waiting: the device error of the read.
    sim_.pushStatus('r', '4');
    const auto e = errorOf([&] { device->ReadData(1, false, d, d2); });
    EXPECT_EQ(e.number(), core::kObjectErrorBase + 1);
    EXPECT_EQ(e.description(), "Codice: 1\r\rLettura non riuscita, codice 4");
}

TEST_F(CardDriverTest, Msr106SyncWriteWithoutAnswerTimesOut) {
    auto device = open(kDeviceMsr106);
    sim_.setSilent('w', true);
    QElapsedTimer t;
    t.start();
    const auto e = errorOf([&] { device->WriteData("123", "", false, 1); });
    EXPECT_EQ(e.number(), core::kObjectErrorBase + 2);
    EXPECT_EQ(e.number(), -2147221502L);
    EXPECT_EQ(e.source(), "MSR 106 Series (bassa coercività)");
    EXPECT_EQ(e.description(), "Codice: 2\r\rTimeout, il dispositivo non ha risposto");
    EXPECT_GE(t.elapsed(), 3000);
    EXPECT_LT(t.elapsed(), 4500);
}

TEST_F(CardDriverTest, Msr106EraseAndFailedWrite) {
    auto device = open(kDeviceMsr106);
    sim_.setCard("OLD");
    device->EraseCard(true);
    EXPECT_EQ(sim_.commands().first(), bytes({0x1B, 0x63, 0x00}));
    EXPECT_EQ(sim_.card(), "");
    sim_.pushStatus('c', '2');
    EXPECT_EQ(errorOf([&] { device->EraseCard(true); }).description(),
              "Codice: 1\r\rInizializzazione carta non riuscita, codice 2");
    sim_.pushStatus('c', '2');
    EXPECT_NO_THROW(device->EraseCard(false));
    sim_.pushStatus('w', '3');
    EXPECT_EQ(errorOf([&] { device->WriteData("A", "", false, 1); }).description(),
              "Codice: 2\r\rScrittura non riuscita, codice 3");
}

// Answers split in two: a gap under the quiet time is one answer, one handler;
// a gap over it (counted from when the handler starts, after the pause that
// follows the send) leaves the first part alone, which is no valid answer.
TEST_F(CardDriverTest, SplitAnswersAndTheQuietTime) {
    auto device = open(kDeviceMsr106);
    sim_.setCard("AB CD");
    sim_.setSplit(9, 120);
    QString d, d2;
    device->ReadData(1, false, d, d2);
    EXPECT_EQ(d, "AB");
    EXPECT_EQ(d2, "CD");

    sim_.setSplit(9, 700);
    device->ReadData(0, false, d, d2);
    ASSERT_TRUE(waitForCompletion());
    pumpFor(700);  // the late rest of the answer
    ASSERT_GE(completions_.size(), 1);
    for (const Completion& c : completions_) EXPECT_FALSE(c.success);
}

TEST_F(CardDriverTest, MalformedAnswers) {
    auto device = open(kDeviceMsr106);
    QString d, d2;
    // Shorter than 6 characters, sentinels only, no ESC after track 1:
    // success with two empty fields.
    for (const QByteArray& answer : {bytes({0x1B, 0x73, 0x1B, 0x30}),
                                     QByteArray("\x1bs\x1b\x01%?\x1b\x02;?\x1b\x03;??\x1c\x1b"
                                                "0"),
                                     QByteArray("\x1bs\x1b\x01%AB CD??\x1c\x1b"
                                                "0")}) {
        sim_.pushGarbage(answer);
        d = d2 = "x";
        device->ReadData(1, false, d, d2);
        EXPECT_EQ(d, "") << answer.toHex().toStdString();
        EXPECT_EQ(d2, "");
    }

    // Garbage while a read waits asynchronously: flushed, reported as a failed
    // read without status, and the device gets no failure signal.
    sim_.clearLog();
    sim_.pushGarbage("garbage");
    device->ReadData(0, false, d, d2);
    ASSERT_TRUE(waitForCompletion());
    EXPECT_FALSE(completions_[0].success);
    EXPECT_EQ(completions_[0].status, "");
    pumpFor(300);
    EXPECT_EQ(completions_.size(), 1);
    EXPECT_EQ(sim_.commands(), QList<QByteArray>({bytes({0x1B, 0x72})}));

    // Garbage while waiting: flushed, then the time-out.
    sim_.pushGarbage("garbage");
    const auto e = errorOf([&] { device->ReadData(1, false, d, d2); });
    EXPECT_EQ(e.description(), "Codice: 1\r\rTimeout, il dispositivo non ha risposto");
}

TEST_F(CardDriverTest, UnpluggedDeviceEndsTheWaitAtOnce) {
    auto device = open(kDeviceMsr106);
    sim_.setSilent('r', true);
    QTimer::singleShot(300, [this] { sim_.unplug(); });
    QString d, d2;
    QElapsedTimer t;
    t.start();
    const auto e = errorOf([&] { device->ReadData(1, false, d, d2); });
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_TRUE(e.description().contains("COM4")) << e.description().toStdString();
    // Nothing more goes to the port; a new session cannot open it.
    EXPECT_THROW(device->ReadData(0, false, d, d2), core::AppError);
    EXPECT_THROW(device->NewSession(&events_), core::AppError);
    EXPECT_NO_THROW(device->CancelSession());
}

TEST_F(CardDriverTest, UnpluggedDeviceFailsAnAsyncRead) {
    auto device = open(kDeviceMsr106);
    sim_.setHoldReads(true);
    QString d, d2;
    device->ReadData(0, false, d, d2);
    sim_.unplug();
    ASSERT_TRUE(waitForCompletion());
    EXPECT_FALSE(completions_[0].success);
    EXPECT_EQ(completions_[0].status, "");
}

// Cancelling a session ends a wait at once, without the time-out; the device
// dropped meanwhile lives until the call returns.
TEST_F(CardDriverTest, CancelEndsAWaitAndTheDeviceOutlivesItsCall) {
    magneticDevParams().type = kDeviceMsr206LowCoercivity;
    ASSERT_TRUE(CreateMagneticDevice(false));
    sim_.setSilent('y', true);
    QTimer::singleShot(400, [] {
        CurrentMagneticDevice()->CancelSession();
        CreateMagneticDevice(true);
    });
    QElapsedTimer t;
    t.start();
    std::weak_ptr<itfMagneticCard> watch = CurrentMagneticDevice();
    const auto e = errorOf([&] {
        auto device = CurrentMagneticDevice();
        device->NewSession(&events_);
    });
    EXPECT_TRUE(e.cancelled());
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(sim_.commands().last(), bytes({0x1B, 0x61}));  // the cancel resets the device
}

// ---- MSR 206 HL ---------------------------------------------------------------------

TEST_F(CardDriverTest, Msr206SessionPerCoercivity) {
    for (const auto& [type, letter] :
         {std::pair{kDeviceMsr206HighCoercivity, 'x'}, std::pair{kDeviceMsr206LowCoercivity, 'y'}}) {
        magneticDevParams().type = type;
        ASSERT_TRUE(CreateMagneticDevice(false));
        sim_.clearLog();
        CurrentMagneticDevice()->NewSession(&events_);
        EXPECT_EQ(sim_.commands(),
                  QList<QByteArray>({bytes({0x1B, 'a'}), bytes({0x1B, letter}), bytes({0x1B, 'o', 8, 8, 8})}))
            << type;
    }
}

TEST_F(CardDriverTest, Msr206SetupRefusalsAndTimeOuts) {
    const struct {
        int type;
        char command;
        bool silent;
        long number;
        const char* description;
    } cases[] = {
        {kDeviceMsr206HighCoercivity, 'x', false, 2,
         "Codice: 2\r\rImpostazione alta coercività non riuscita, codice 1"},
        {kDeviceMsr206LowCoercivity, 'y', false, 2,
         "Codice: 2\r\rImpostazione bassa coercività non riuscita, codice 1"},
        {kDeviceMsr206HighCoercivity, 'o', false, 2,
         "Codice: 2\r\rImpostazione 8 bit traccia 1 non riuscita, codice 1"},
        {kDeviceMsr206HighCoercivity, 'x', true, 2, "Codice: 2\r\rTimeout, il dispositivo non ha risposto"},
        {kDeviceMsr206LowCoercivity, 'o', true, 5, "Codice: 5\r\rTimeout, il dispositivo non ha risposto"},
    };
    for (const auto& c : cases) {
        magneticDevParams().type = c.type;
        ASSERT_TRUE(CreateMagneticDevice(false));
        sim_.setSilent(c.command, c.silent);
        if (!c.silent) sim_.pushStatus(c.command, '1');
        const auto e = errorOf([] { CurrentMagneticDevice()->NewSession(nullptr); });
        EXPECT_EQ(e.number(), core::kObjectErrorBase + c.number) << c.command;
        EXPECT_EQ(e.source(), "MSR 206 HL Series (alta coercività)");
        EXPECT_EQ(e.description(), c.description);
        sim_.setSilent(c.command, false);
        // The set-up answered with a failure sends the failure signal, but
        // for the bits per character.
        if (!c.silent && c.command != 'o') {
            ASSERT_TRUE(sim_.waitForCommands(3));
            EXPECT_EQ(sim_.commands().last(), bytes({0x1B, 0x85})) << c.command;
        }
        sim_.clearLog();
    }
}

TEST_F(CardDriverTest, Msr206RawWriteAndReadGiveTheTextBack) {
    auto device = open(kDeviceMsr206HighCoercivity);
    device->WriteData("AB1234", "X", false, 1);
    const QByteArray coded = clsMSR206HL::AsciiToHexForTrack1("%AB1234 X?").toLatin1();
    ASSERT_EQ(coded.size(), 16);
    QByteArray expected = bytes({0x1B, 0x6E, 0x1B, 0x73, 0x1B, 0x01, 16}) + coded +
                          bytes({0x1B, 0x02, 0x00, 0x1B, 0x03, 0x00, 0x3F, 0x1C});
    EXPECT_EQ(sim_.commands().first(), expected);
    EXPECT_EQ(sim_.rawCard(), coded);

    QString d, d2;
    device->ReadData(1, false, d, d2);
    EXPECT_EQ(sim_.commands().last(), bytes({0x1B, 0x6D}));
    EXPECT_EQ(d, "AB1234");
    EXPECT_EQ(d2, "X");
    device->ReadData(1, true, d, d2);
    EXPECT_EQ(d, "X");
    EXPECT_EQ(d2, "4321BA");
}

TEST_F(CardDriverTest, Msr206RawReadEdges) {
    auto device = open(kDeviceMsr206HighCoercivity);
    QString d, d2;
    const QByteArray tail = bytes({0x1B, 0x02, 0x00, 0x1B, 0x03, 0x00, 0x3F, 0x1C, 0x1B, 0x30});
    const auto reversedCode = [](const char* text) {
        QByteArray out;
        for (char c : clsMSR206HL::AsciiToHexForTrack1(text).toLatin1())
            out += char(cardsim::reverseBits(static_cast<unsigned char>(c)));
        return out;
    };
    const QByteArray end = bytes({0x3F, 0x1C, 0x1B, 0x30});
    const struct {
        QByteArray answer;
        const char* data;
    } cases[] = {
        {bytes({0x1B, 0x73, 0x1B, 0x01, 0}) + tail, ""},                                 // length 0
        {bytes({0x1B, 0x73, 0x1B, 0x01, 200}) + reversedCode("%AB?") + end, "AB"},       // beyond the bytes
        {bytes({0x1B, 0x73, 0x1B, 0x01, 7}) + reversedCode("%AB?").left(7) + tail, ""},  // no whole group
        {bytes({0x1B, 0x73, 0x1B, 0x01, 8}) + reversedCode("%") + tail, ""},             // one character
    };
    for (const auto& c : cases) {
        sim_.pushGarbage(c.answer);
        d = d2 = "x";
        device->ReadData(1, false, d, d2);
        EXPECT_EQ(d, c.data) << c.answer.toHex().toStdString();
        EXPECT_EQ(d2, "");
    }
}

TEST_F(CardDriverTest, Msr206RefusesATextOverTheLengthByteBeforeSendingAnything) {
    auto device = open(kDeviceMsr206HighCoercivity);
    const QString longest(246, QLatin1Char('A'));
    const auto e = errorOf([&] { device->WriteData(longest + "A", "", false, 1); });
    EXPECT_EQ(e.number(), core::kObjectErrorBase + 2);
    EXPECT_EQ(e.description(),
              "Codice: 2\r\rTesto troppo lungo per la carta: la traccia 1 accetta al massimo 246 "
              "caratteri (248 con i delimitatori), il testo ne ha 247.");
    // A second field counts with its blank.
    EXPECT_THROW(device->WriteData(QString(200, 'A'), QString(46, 'B'), false, 0), core::AppError);
    pumpFor(300);
    EXPECT_TRUE(sim_.received().isEmpty());
    EXPECT_TRUE(completions_.isEmpty());

    device->WriteData(longest, "", false, 1);
    const QByteArray sent = sim_.commands().first();
    EXPECT_EQ(static_cast<unsigned char>(sent[6]), 248);
    QString d, d2;
    device->ReadData(1, false, d, d2);
    EXPECT_EQ(d, longest);
}

// ---- Track-1 coding ---------------------------------------------------------------

QString bitReversed(const QString& coded) {
    QString out;
    for (QChar c : coded) out += QChar(cardsim::reverseBits(static_cast<unsigned char>(c.unicode())));
    return out;
}

TEST(Track1CodingTest, ExamplesOfTheCode) {
    EXPECT_EQ(clsMSR206HL::AsciiToHexForTrack1("%A?"),
              latin1(bytes({0xC5, 0xF0, 0x07, 0x08, 0x04, 0x02, 0x81, 0x3B})));
    // The encoder fills bytes from bit 0, the decoder takes them from bit 7.
    EXPECT_EQ(clsMSR206HL::HexToAsciiFromTrack1(bitReversed(clsMSR206HL::AsciiToHexForTrack1("%A?"))), "%A?");
    EXPECT_NE(clsMSR206HL::HexToAsciiFromTrack1(clsMSR206HL::AsciiToHexForTrack1("%A?")), "%A?");

    // Outside the table: blanks, lower case included; the swapped places.
    EXPECT_EQ(clsMSR206HL::SubstInvalidCharsForTrack1("abcAé~`{"), "   A    ");
    EXPECT_EQ(clsMSR206HL::AsciiToHexForTrack1("abc"), clsMSR206HL::AsciiToHexForTrack1("   "));
    const auto valueOf = [](QChar c) {
        // A lone character's group: its symbol is the low 7 bits of byte 1.
        return clsMSR206HL::AsciiToHexForTrack1(QString(c)).at(0).unicode() & 0x3F;
    };
    EXPECT_EQ(valueOf('@'), 12);
    EXPECT_EQ(valueOf(','), 13);
    EXPECT_EQ(valueOf('-'), 32);
    EXPECT_EQ(valueOf(' '), 0);
    EXPECT_EQ(valueOf('%'), 5);
    EXPECT_EQ(valueOf('?'), 31);
    EXPECT_EQ(valueOf('A'), 33);
    EXPECT_EQ(valueOf('_'), 63);

    // Group sizes and partial groups.
    EXPECT_EQ(clsMSR206HL::AsciiToHexForTrack1("%123456?").size(), 8);
    EXPECT_EQ(clsMSR206HL::AsciiToHexForTrack1("%1234567?").size(), 16);
    EXPECT_EQ(clsMSR206HL::HexToAsciiFromTrack1(latin1(bytes({1, 2, 3, 4, 5, 6, 7}))), "");

    // Every table character makes the round trip.
    QString all;
    for (int c = 0x20; c < 0x60; ++c) all += QChar(c);
    EXPECT_EQ(clsMSR206HL::HexToAsciiFromTrack1(bitReversed(clsMSR206HL::AsciiToHexForTrack1(all))), all);
}

}  // namespace
