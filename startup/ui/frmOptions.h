#pragma once
// The options window ("Impostazioni"): the work folder, the agent code and the
// workstation number that tie the installation to its agent, and the repair
// of the agent's database (a compacted copy, checked, then swapped in).
//
// While it is loaded runContext().optionsOpen is true, so that the main window
// does not open the database meanwhile.

#include <QDialog>
#include <QString>

#include <functional>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace datalib {
struct RepairReport;
}

namespace startup {

class frmOptions : public QDialog {
    Q_OBJECT
  public:
    explicit frmOptions(QWidget* parent = nullptr);
    ~frmOptions() override;

    // Fills the three fields from the run's configuration.
    void SetParamConfiguration();
    // True once the operator confirmed the window.
    bool blnConfirmed() const { return confirmed_; }

    // The highest workstation number: it is one hexadecimal digit of every
    // order number.
    static constexpr int kMaxWorkstation = 15;

    // Closing by Esc or the close box is the cancel command.
    void reject() override;
    void done(int result) override;

    QLineEdit* txtWorkDir() const { return txtWorkDir_; }
    QPushButton* cmdSelWorkDir() const { return cmdSelWorkDir_; }
    QLineEdit* txtCode_Agente() const { return txtCode_Agente_; }
    QLineEdit* txtCode_Postazione() const { return txtCode_Postazione_; }
    QPushButton* cmdRepairDataBase() const { return cmdRepairDataBase_; }
    QPushButton* cmdConfirm() const { return cmdConfirm_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

    // Test seam: replaces the integrity check of the repaired copy (it
    // returns "ok" or the problem found). An empty function restores it.
    using RepairCheck = std::function<QString(const QString& copy)>;
    static void setRepairCheck(RepairCheck check);
    // The message after the salvage of a damaged database: per table the rows
    // saved and those that could not be read, and where the original is kept.
    static QString SalvageSummary(const datalib::RepairReport& report);
    // Opens a repaired database file once through the library with the
    // program's database definition and checks its tables; raises on failure.
    static void OpenRepairedDatabase(const QString& file, const QString& password);

  private:
    void selectWorkDir();
    void confirm();
    void cancel();
    void repairDatabase();
    // Closes the other windows before the database is released; false (with
    // a message) when one of them stays open.
    bool closeOtherWindows();

    QGroupBox* fraGeneral_ = nullptr;
    QLineEdit* txtWorkDir_ = nullptr;
    QPushButton* cmdSelWorkDir_ = nullptr;
    QLineEdit* txtCode_Agente_ = nullptr;
    QLineEdit* txtCode_Postazione_ = nullptr;
    QPushButton* cmdRepairDataBase_ = nullptr;
    QPushButton* cmdConfirm_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;

    bool confirmed_ = false;
    bool closing_ = false;
};

}  // namespace startup
