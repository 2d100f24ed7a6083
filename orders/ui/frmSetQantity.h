#pragma once
// The quantity prompt: a small modal window that asks one whole number, the
// quantity of an order row or how many times a promotion or kit is added.

#include <QDialog>
#include <QString>
#include <cstdint>

class QKeyEvent;
class QLabel;
class QLineEdit;

namespace controls {
class MubCommand;
}

namespace orders::ui {

class frmSetQantity : public QDialog {
    Q_OBJECT

  public:
    explicit frmSetQantity(QWidget* owner = nullptr);

    // Shows the prompt over the owner with the initial value and returns the
    // confirmed quantity, or 0 when it was cancelled or closed.
    static std::int32_t SetQuantity(QWidget* owner, const QString& initialValue);
    // What a barcode reader typed into the last prompt (codes, each ended by
    // a line break), handed back once. The codes never go into the quantity
    // nor close the prompt: the agent's own answer still counts.
    static QString TakeTypedAhead();

    // The confirmed value (0 until a valid confirmation).
    std::int32_t Value() const { return confirmed_ ? value_ : 0; }
    bool Confirmed() const { return confirmed_; }

    QLineEdit* txtQuantity() const { return txtQuantity_; }
    controls::MubCommand* cmdConfirm() const { return cmdConfirm_; }
    controls::MubCommand* cmdCancel() const { return cmdCancel_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void cmdConfirm_Click();
    // A key of the quantity box; true when it belongs to a reader's burst
    // (kept for the code entry, not typed into the box).
    bool burstKey(const QKeyEvent& key);

    QLabel* lblTitle_ = nullptr;
    QLineEdit* txtQuantity_ = nullptr;
    controls::MubCommand* cmdConfirm_ = nullptr;
    controls::MubCommand* cmdCancel_ = nullptr;
    std::int32_t value_ = 0;
    bool confirmed_ = false;
    // The quick run the last key belongs to: the box's text before its first
    // key, what it typed into the box, and whether it has ended a code
    // already (its further keys are the reader's).
    QString runStart_;
    QString run_;
    bool diverting_ = false;
};

}  // namespace orders::ui
