#pragma once
// A magnetic-card reader/writer played on a pseudo-terminal, for the tests.
// Its own thread serves the master side and speaks the escape-command
// protocol of both models: reset "a", read "r", write "w", erase "c" 00,
// raw read "m", raw write "n" (with its length byte), coercivity "x"/"y",
// bits per character "o" 08 08 08, and the failure signal 85.
//
// The program opens slaveName() as its serial port. The card holds a text
// (plain reads answer it between the sentinels "%" and "?") and raw track-1
// bytes (raw reads return each written byte with its bit order reversed).
// Every answer can be delayed, split in two with a gap, replaced by garbage
// or left out; a status can be set per command; reads can wait for a swipe;
// unplug() closes the master as if the cable were pulled.

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <initializer_list>
#include <map>
#include <mutex>
#include <thread>

namespace cardsim {

class CardDeviceSimulator {
  public:
    CardDeviceSimulator();
    ~CardDeviceSimulator();
    CardDeviceSimulator(const CardDeviceSimulator&) = delete;
    CardDeviceSimulator& operator=(const CardDeviceSimulator&) = delete;

    // Device name of the slave side, as the serial port opens it.
    QString slaveName() const { return slaveName_; }

    // ---- The card --------------------------------------------------------
    void setCard(const QByteArray& track1Text);
    QByteArray card() const;
    void setRawCard(const QByteArray& coded);
    QByteArray rawCard() const;

    // ---- Behaviour ---------------------------------------------------------
    // Status character answered to a command letter (default '0').
    void setStatus(char command, char status);
    // Status of the next answer to that command only (queued).
    void pushStatus(char command, char status);
    // Milliseconds before every answer.
    void setDelay(int ms);
    // Answers go out in two parts, the first `at` bytes, then the rest after gapMs.
    void setSplit(int at, int gapMs);
    // The command gets no answer at all.
    void setSilent(char command, bool silent);
    // The next answer is replaced by these bytes.
    void pushGarbage(const QByteArray& bytes);
    // Reads ("r", "m") wait for swipe() instead of answering at once.
    void setHoldReads(bool hold);
    // Answers the reads that wait; true when there was one.
    bool swipe();
    // Closes the master side: the device is gone.
    void unplug();

    // ---- What the device received -------------------------------------------
    QByteArray received() const;
    // Whole commands in arrival order, each with its leading ESC.
    QList<QByteArray> commands() const;
    void clearLog();
    // Waits (without an event loop) until n commands have arrived.
    bool waitForCommands(int n, int ms = 3000) const;
    // Waits until a read is held for a swipe.
    bool waitForHeldRead(int ms = 3000) const;

  private:
    using Clock = std::chrono::steady_clock;
    struct Output {
        Clock::time_point when;
        QByteArray bytes;
    };

    void run();
    void wake();
    void parse();                            // takes whole commands out of input_
    void answer(const QByteArray& command);  // schedules the answer to one
    void schedule(const QByteArray& bytes);
    char statusFor(char command);
    QByteArray readAnswer(char command, char status) const;

    QString slaveName_;
    int master_ = -1;
    int slave_ = -1;
    int wakeFd_ = -1;
    bool stop_ = false;
    bool unplugged_ = false;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    QByteArray card_;
    QByteArray rawCard_;
    std::map<char, char> status_;
    std::map<char, std::deque<char>> statusQueue_;
    std::map<char, bool> silent_;
    std::deque<QByteArray> garbage_;
    int delayMs_ = 0;
    int splitAt_ = 0;
    int gapMs_ = 0;
    bool holdReads_ = false;
    QList<QByteArray> heldReads_;
    QByteArray input_;
    QByteArray received_;
    QList<QByteArray> commands_;
    std::deque<Output> outputs_;
    std::thread thread_;
};

// The byte with its bit order reversed.
unsigned char reverseBits(unsigned char b);

// Bytes written as numbers, as the tests compare what crossed the line.
inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b += char(v);
    return b;
}

}  // namespace cardsim
