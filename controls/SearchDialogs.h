#pragma once
// The two dialogs of the quick search: the complex filter (up to five
// conditions on the fields, all of which must hold) and the combined sort
// (up to three columns, each ascending or descending, with the buttons that
// fetch and store the view's default sort criterion).

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QComboBox;
class QLineEdit;

namespace datalib {
class DataSource;
}

namespace controls {

class CriteriaRows;

// Runs a dialog modally. While a test hook is set, the hook plays the user
// instead (it may fill the dialog) and its answer is the result.
bool runSearchDialog(QDialog& dialog);
void setSearchDialogHook(std::function<bool(QDialog&)> hook);

class ComplexFilterDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kRows = 5;
    // The comparisons offered, in order: "=", "<>", ">=", "<=", "inizia con", "contiene".
    static const QStringList& Comparisons();

    ComplexFilterDialog(const datalib::DataSource& ds, const QStringList& fields, QWidget* parent = nullptr);

    // Fills row `row` (from 0) as the user would.
    void SetCondition(int row, const QString& field, int comparison, const QString& value);
    // The condition in the query language: the rows with a value, joined
    // by AND. Raises AppError when a value does not fit its field.
    QString Condition() const;

  private:
    const datalib::DataSource& ds_;
    CriteriaRows* rows_ = nullptr;
};

class CombinedSortDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kLevels = 3;
    CombinedSortDialog(const QStringList& fields, QWidget* parent = nullptr);

    // "Campo1 DESC,Campo2": the sort order text of the chosen levels.
    QString Criterion() const;
    void SetCriterion(const QString& criterion);
    void SetLevel(int level, const QString& field, bool descending);

  signals:
    void defaultRequested();
    void storeDefaultRequested();

  private:
    struct Level {
        QComboBox* field = nullptr;
        QComboBox* direction = nullptr;
    };
    std::vector<Level> levels_;
};

}  // namespace controls
