#pragma once
// The first-run window of a new installation: the agent code, the
// workstation number (0 to 15), the installation folder that holds the
// first archives ("ClientDBs") and the address of head office's online
// services.

#include "startup/ui/InitDatabase.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace startup {

class frmFirstRun : public QDialog {
    Q_OBJECT
  public:
    explicit frmFirstRun(QWidget* parent = nullptr);

    // Fills the boxes; reads them back.
    void SetValues(const FirstRunValues& values);
    FirstRunValues Values() const;

    // The reason the values cannot be taken (an Italian message), or empty
    // when they can.
    static QString Validate(const FirstRunValues& values);

    // Shows the window modally with the proposed values; false when cancelled.
    static bool Ask(QWidget* parent, FirstRunValues& values);

    QLineEdit* txtAgente() const { return txtAgente_; }
    QSpinBox* txtPostazione() const { return txtPostazione_; }
    QLineEdit* txtInstallazione() const { return txtInstallazione_; }
    QLineEdit* txtServizi() const { return txtServizi_; }
    QPushButton* cmdConfirm() const { return cmdConfirm_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

  public slots:
    // Checks the values; a wrong one is told and the window stays open.
    void accept() override;

  private:
    void browse();

    QLineEdit* txtAgente_ = nullptr;
    QSpinBox* txtPostazione_ = nullptr;
    QLineEdit* txtInstallazione_ = nullptr;
    QLineEdit* txtServizi_ = nullptr;
    QPushButton* cmdConfirm_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace startup
