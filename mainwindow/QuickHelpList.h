#pragma once
// The quick-help list of the search windows: while the operator types in a
// search box, a list under the box offers the matching rows of a table.
// Every change of the box (and the box or the list losing the focus) starts
// a one-shot 150 ms timer; its single tick reads the table, so typing costs
// at most one look-up per 150 ms. Up and Down in the box move in the list;
// choosing an entry (click or arrow) puts its code in the box and selects the
// part the operator did not type. A double click hides the list; so do Esc
// (which then does not close the window) and a click elsewhere in the window,
// and the list stays hidden until the operator types again: what was typed
// stays as it is. The list never reaches the floor (the window's buttons).

#include <QObject>
#include <QString>

#include <utility>
#include <vector>

class QLineEdit;
class QListWidget;
class QTimer;
class QWidget;

namespace mainwindow {

// What a search box looks up: the table, the column searched first
// (entries without description), the column searched when that finds
// nothing (entries "code - description") and the filter both look-ups keep.
struct QuickHelpSource {
    QString table;
    QString firstColumn;
    QString codeColumn;
    QString description;
    QString filter;
};

class QuickHelpList : public QObject {
    Q_OBJECT
  public:
    using Source = QuickHelpSource;

    // The list and its timer are made inside the window (the list floats
    // over the window's other controls, hidden until it has entries).
    explicit QuickHelpList(QWidget* window);
    ~QuickHelpList() override;

    // A search box with what it looks up; the box that last received the
    // focus is the target of the list.
    void AddBox(QLineEdit* box, const Source& source);
    // The widget whose top the list never passes (the line above the buttons).
    void SetFloor(QWidget* floor) { floor_ = floor; }
    // The rows the list shows at most, and its height for so many rows.
    static constexpr int kShownRows = 8;
    int ListHeight(int rows) const;
    // How much higher the window must be for the list of every box to show
    // kShownRows above the floor (0 when it has room).
    int RoomLacking() const;
    QLineEdit* Target() const { return target_; }

    QListWidget* lstHelp_Field() const { return list_; }
    QTimer* tmtHelp_Field() const { return timer_; }

    // Starts the one-shot timer; a countdown already running is not restarted.
    void StartTimer();
    // The timer's tick: refreshes the list for the target box, or hides it.
    void tmtHelp_Field_Timer();
    // Up (38) and Down (40) while the list is shown move the selection and
    // choose the entry; the key is consumed (True) also on an empty list.
    bool MoveHelpListSelection(int keyCode);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void chooseEntry();
    void dismiss();
    void fill(const QString& text);
    const Source* sourceOf(QLineEdit* box) const;

    QWidget* window_;
    QListWidget* list_;
    QTimer* timer_;
    QLineEdit* target_ = nullptr;
    QWidget* floor_ = nullptr;
    bool dismissed_ = false;  // hidden by Esc or a click elsewhere, until the next typing
    std::vector<std::pair<QLineEdit*, Source>> boxes_;
};

}  // namespace mainwindow
