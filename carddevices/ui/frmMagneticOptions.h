#pragma once
// The card device options: the model, the serial port and its settings.
// OK stores them (they take effect at the next device creation); "Esci"
// leaves everything as it was.

#include <QDialog>

class QComboBox;
class QGroupBox;

namespace controls {
class MubCommand;
}

namespace carddevices {

class frmMagneticOptions : public QDialog {
    Q_OBJECT
  public:
    explicit frmMagneticOptions(QWidget* parent = nullptr);

    // Port list follows the model, settings box follows the port.
    void EnableControls();
    // True once OK has stored the choice.
    bool Confirmed() const { return m_bConfirmed; }

    QGroupBox* Frame1 = nullptr;
    QComboBox* cmbDevType = nullptr;
    QComboBox* cboCOMPort = nullptr;
    QComboBox* txtCOMParam = nullptr;
    controls::MubCommand* cmdOK = nullptr;
    controls::MubCommand* cmdCancel = nullptr;

  protected:
    void done(int result) override;

  private:
    void confirm();

    bool m_bConfirmed = false;
};

}  // namespace carddevices
