#pragma once
// How the keys follow one another. A barcode reader types its code and Enter
// a few milliseconds a key; a person types far slower. The order window
// stamps every key press it sees (the code box's and those of its boxes); a
// key that follows the one before within kBurstGapMs belongs to a burst. A
// burst is a scan only when it brings at least kScanMinChars characters
// before its Enter: a shorter quick run (a numeric keypad's rollover, "12"
// and Enter) is typing.

#include <QtGlobal>

class QKeyEvent;

namespace orders::ui {

class KeyClock {
  public:
    // Keys closer than this are typed by a reader (or typed ahead), not by hand.
    static constexpr qint64 kBurstGapMs = 30;
    // A burst is over when no key came for this long.
    static constexpr int kQuietMs = 100;
    // The characters a scanned code brings at least before its Enter.
    static constexpr int kScanMinChars = 4;

    // Records a key press (modifier keys and auto-repeats are not counted; a
    // shortcut ends the run).
    void press(const QKeyEvent& key);
    // How many keys in a row, up to the last one, each came within the gap
    // of the one before (0: the last key was typed by hand).
    int quickRun() const { return quickRun_; }
    // The last key was an Enter that ends a scanned code: it came within the
    // gap, and so did the kScanMinChars characters (at least) before it.
    bool ScanEnded() const { return scanEnded_; }
    // The quick run the last key belongs to had already ended a scanned code
    // before it: the key is the reader's too.
    bool InScanRun() const { return afterScan_; }

    // True for Enter (either key) and for a typed carriage return or line feed.
    static bool IsEnter(const QKeyEvent& key);
    // Shift, Ctrl, Alt and the like: keys that the clock does not count.
    static bool IsModifier(int key);

  private:
    qint64 last_ = -1;
    int quickRun_ = 0;
    int runChars_ = 0;  // characters of the quick run since its last Enter
    bool scanEnded_ = false;
    bool scanRun_ = false;
    bool afterScan_ = false;
};

// The program's one clock.
KeyClock& keyClock();

}  // namespace orders::ui
