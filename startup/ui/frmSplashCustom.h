#pragma once
// The window shown while the agent's database opens at start: the program's
// version, the application name (software and register name) and a start
// picture chosen by the branding.

#include <QPixmap>
#include <QString>
#include <QWidget>

class QLabel;

namespace startup {

class frmSplashCustom : public QWidget {
    Q_OBJECT
  public:
    explicit frmSplashCustom(QWidget* parent = nullptr);

    // Set by the opener before SetControl.
    QString strApplicationName;
    QString strBackgroungImagePath;

    // Shows the application name and, when a path is given, the picture of
    // that file. A picture that cannot be loaded leaves the one shown.
    void SetControl();

    // Keeps the window on screen for the given time from now, letting the
    // event loop run meanwhile. The wait is measured on a monotonic clock, so
    // a change of the wall clock (or midnight) neither shortens nor prolongs it.
    void KeepOnScreen(int milliseconds = 3000);

    QLabel* lblVersion() const { return lblVersion_; }
    QLabel* lblProductName() const { return lblProductName_; }
    QLabel* picLogo() const { return picLogo_; }
    // The picture picLogo shows (before scaling to its size).
    const QPixmap& LogoPicture() const { return logo_; }

  private:
    void showLogo();

    QLabel* lblVersion_ = nullptr;
    QLabel* lblProductName_ = nullptr;
    QLabel* picLogo_ = nullptr;
    QPixmap logo_;
};

// The start picture shown until the branding names one; the about window
// shows it as the maker's logo.
QPixmap DefaultStartPicture();

}  // namespace startup
