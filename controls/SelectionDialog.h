#pragma once
// Rows of field, comparison and values, as the complex filter of the quick
// search and the selection dialog let the operator write them; and the
// selection dialog itself (the rows above a free condition).

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace datalib {
class SelectionCriteria;
}

namespace controls {

class CriteriaRows : public QWidget {
    Q_OBJECT
  public:
    // codes: the comparison codes offered, in order (see SelectionCriteria).
    CriteriaRows(const QStringList& fields, const std::vector<int>& codes, int rows,
                 QWidget* parent = nullptr);

    int RowCount() const { return int(rows_.size()); }
    // Fills a row as the operator would: comparison is the index in the codes offered.
    void SetRow(int row, const QString& field, int comparison, const QString& value,
                const QString& value2 = {});
    // Shows the selection's field rows.
    void Load(const datalib::SelectionCriteria& selection);
    // Replaces the selection's field rows with the rows that have a value.
    // A value that does not fit its field raises the library's AppError.
    void Store(datalib::SelectionCriteria& selection) const;

  private:
    struct Row {
        QComboBox* field = nullptr;
        QComboBox* comparison = nullptr;
        QLineEdit* value = nullptr;
        QLineEdit* value2 = nullptr;
    };
    std::vector<int> codes_;
    std::vector<Row> rows_;
};

class SelectionDialog : public QDialog {
    Q_OBJECT
  public:
    SelectionDialog(datalib::SelectionCriteria& selection, const QString& caption, QWidget* parent = nullptr);

    CriteriaRows* rows() const { return rows_; }
    QPlainTextEdit* txtCondition() const { return condition_; }
    // Checks what was written; on success the selection holds it.
    void accept() override;

  private:
    datalib::SelectionCriteria& selection_;
    CriteriaRows* rows_ = nullptr;
    QPlainTextEdit* condition_ = nullptr;
};

}  // namespace controls
