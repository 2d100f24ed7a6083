#pragma once
// The card window: reads a code from a magnetic card (ReadCode) or writes
// one onto a card (WriteCode) with the configured device, modally over its
// owner. The device operation starts when the window opens; the device's
// completion events are queued and handled on a 500 ms timer, outside the
// driver's own handling: a bad card or a failed operation beeps, shows
// "Riprovare..." and starts again, a good one closes the window. With
// keyboard emulation there is no driver: the code is typed (or sent by a
// keyboard-emulating reader) into the code box and confirmed with Enter.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <deque>

class QLabel;
class QLineEdit;

namespace core {
class AppError;
}
namespace controls {
class MubCommand;
}

namespace carddevices {

class CardSwipeAnimation;
class clsMagneticCardEvents;
class itfMagneticCard;

class frmMagneticDev : public QDialog {
    Q_OBJECT
  public:
    explicit frmMagneticDev(QWidget* parent = nullptr);
    ~frmMagneticDev() override;

    // The code read from a card whose text begins with strPrefix (the code
    // is what follows it); "" when none was read.
    QString ReadCode(QWidget* frmOwner, const QString& strPrefix, bool bReverse);
    // Writes strPrefix + strCode, a blank and strData2 onto a card; true when
    // the card was written. An operator below nRequiredLevel is refused.
    bool WriteCode(QWidget* frmOwner, const QString& strCode, const QString& strPrefix,
                   const QString& strData2, bool bReverse, int nRequiredLevel);

    // Takes the code out of m_strCode; when there is none, asks for another
    // swipe. True for a valid code.
    bool ProcessCardCode();

    QLabel* lblMsg = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblTryAgain = nullptr;
    QLineEdit* txtKeyCode = nullptr;
    CardSwipeAnimation* Image1 = nullptr;
    controls::MubCommand* cmdCancel = nullptr;
    QTimer tmEvent;

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

  private:
    struct DeviceEvent {
        QString tag;
        bool success = false;
        QString code;
        QString data2;
    };

    void showModal(QWidget* frmOwner);
    void Activate();
    void OnTimer();
    void StartRead(itfMagneticCard& device);
    void StartWrite(itfMagneticCard& device);
    void ShowTryAgain();
    void FailAndClose(const core::AppError& error);
    bool keyboardEmulation() const;
    bool handleKeyPress(QObject* watched, class QKeyEvent* key);

    QString m_strCode;
    QString m_strData2;
    bool m_bResult = false;
    int m_nPendingOperation = 0;
    QString m_strPrefix;
    bool m_bReverse = false;
    QPointer<clsMagneticCardEvents> m_objMagneticEvents;
    // Device events in arrival order, handled by the timer.
    std::deque<DeviceEvent> m_events;
    bool m_bHandling = false;
    bool m_bUnloaded = false;
};

}  // namespace carddevices
