#pragma once
// How the keys follow one another. A barcode reader types its code and Enter
// a few milliseconds a key; a person types far slower. The order window
// stamps every key press it sees (the code box's and the quantity prompt's);
// a key that follows the one before within kBurstGapMs belongs to a burst.

#include <QtGlobal>

class QKeyEvent;

namespace orders::ui {

class KeyClock {
  public:
    // Keys closer than this are typed by a reader (or typed ahead), not by hand.
    static constexpr qint64 kBurstGapMs = 30;
    // A burst is over when no key came for this long.
    static constexpr int kQuietMs = 100;

    // Records a key press (modifier keys and auto-repeats are not counted; a
    // shortcut ends the run).
    void press(const QKeyEvent& key);
    // How many keys in a row, up to the last one, each came within the gap
    // of the one before (0: the last key was typed by hand).
    int quickRun() const { return quickRun_; }

  private:
    qint64 last_ = -1;
    int quickRun_ = 0;
};

// The program's one clock.
KeyClock& keyClock();

}  // namespace orders::ui
