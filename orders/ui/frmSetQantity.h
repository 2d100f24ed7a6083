#pragma once
// The quantity prompt: a small modal window that asks one whole number, the
// quantity of an order row or how many times a promotion or kit is added.

#include <QDialog>
#include <QString>
#include <cstdint>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QTimer;

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
    // What a barcode reader typed into the last prompt instead of a quantity
    // (codes, each ended by a line break), handed back once; the prompt was
    // then closed as cancelled.
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
    // The reader's burst: the box's text before its first key, that key's
    // text, and what the burst typed.
    QString runStart_;
    QString runFirst_;
    QString burst_;
    bool diverting_ = false;
    QTimer* burstEnd_ = nullptr;
};

}  // namespace orders::ui
