#pragma once
// The terms notice: the fixed texts on the use of the software, on liability
// and on the handling of personal data, which the operator can print.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace startup {

class frmInformative : public QDialog {
    Q_OBJECT
  public:
    explicit frmInformative(QWidget* parent = nullptr);

    // The product the liability text names; empty: the maker's company name.
    QString strProductName;

    // The maker's company name, used when no product name is set.
    static QString MakerName();

    QLabel* lblDescription() const { return lblDescription_; }
    QLabel* lblResponsability() const { return lblResponsability_; }
    QLabel* lblInformation1() const { return lblInformation1_; }
    QLabel* lblInformation2() const { return lblInformation2_; }
    QPushButton* cmdPrint() const { return cmdPrint_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void fillTexts();
    void print();

    QLabel* lblDescription_ = nullptr;
    QLabel* lblResponsability_ = nullptr;
    QLabel* lblInformation1_ = nullptr;
    QLabel* lblInformation2_ = nullptr;
    QPushButton* cmdPrint_ = nullptr;
};

}  // namespace startup
