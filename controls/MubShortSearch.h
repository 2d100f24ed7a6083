#pragma once
// The quick search above a data grid: a search field (one column of the bound
// data source), a search text, and the commands that work with them: find the
// first and the next row whose field begins with the text, filter the rows on
// it, sort by the field, cancel the sort and the filters, and the dialogs of
// the complex filter (several conditions) and of the combined sort (several
// columns, with the view's default sort criterion).
//
// The control only changes the filter, sort order and current row of the data
// source; the data source tells its grid when its rows were read again. The
// filter the data source had when it was bound stays under every filter the
// control sets, and cancelling the filters gives it back.
//
// Typed values are read the Italian way for number and date columns; every
// value reaches the query as a literal of the query language, never as text
// pasted into it. A value that does not fit the column shows an Italian
// message and changes nothing.

#include <QMap>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;

namespace datalib {
class DataSource;
}

namespace controls {

class MubCommand;

// True for the columns that only link rows ("OID", "OID_..."): neither
// search fields nor grid columns.
bool IsLinkColumn(const QString& name);

class MubShortSearch : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString FontNames READ FontNames WRITE SetFontNames)
    Q_PROPERTY(double FontSizeSpin READ FontSizeSpin WRITE SetFontSizeSpin)
  public:
    explicit MubShortSearch(QWidget* parent = nullptr);
    ~MubShortSearch() override;

    // Binds the data source (null unbinds). The control may hand back another
    // data source to show in its place; this one keeps the one given.
    void Bind(std::shared_ptr<datalib::DataSource>& ds);
    const std::shared_ptr<datalib::DataSource>& dataSource() const { return ds_; }
    // Forgets the search text and field, for the next data source bound to
    // start on its first field (another view; a view read again keeps both).
    void Clear();

    QString SearchText() const;
    void SetSearchText(const QString& text);
    // The data field the search works on; "" when none is chosen.
    QString SearchField() const;
    void SetSearchField(const QString& field);
    // The fields offered (the data source's columns but its row links).
    QStringList SearchFields() const;

    // Sorts the rows by the search field (descending when ascending is false);
    // like every sort command, the new order is shown from its first row.
    void SortBySearchField(bool ascending = true);
    // Gives the text box the input focus, for typing.
    void Activate();
    // Moves to the next row after the current one whose field matches the
    // text; with wrap, starts again from the first row. False when none.
    bool SearchNext(bool wrap = true);
    // Moves to the first row that matches; false when none.
    bool SearchFirst();
    // Moves to the first row whose field holds the text: equal to it
    // (exactly) or matching it as SearchFirst does; false, without a word,
    // when none does. Raises AppError when the text does not fit the field.
    bool FindFirstOf(bool exactly);
    // Keeps only the rows whose field matches the text (begins with, for a
    // text column; equals, for the others: numbers, dates, references). An empty text removes the field's
    // filter. False (and a message) when the value does not fit the field.
    bool Filter(bool show = true);
    void CancelSort();
    // Removes the filter of the search field.
    void CancelFieldFilter();
    // Removes every filter the control set.
    void CancelFilter();
    // The complex-filter dialog: several conditions on the fields, all of
    // which must hold. True when confirmed.
    bool ComplexFilter();
    // The combined-sort dialog: up to three columns, each ascending or
    // descending, and the view's default sort criterion. True when confirmed.
    bool CombinedSort();

    // The filter text the control adds (empty when none).
    QString ControlFilter() const;
    // The filter of the data source when it was bound.
    const QString& BaseFilter() const { return baseFilter_; }

    QString FontNames() const;
    void SetFontNames(const QString& name);
    double FontSizeSpin() const;
    void SetFontSizeSpin(double size);

    QLineEdit* textBox() const { return text_; }
    QComboBox* fieldBox() const { return field_; }

    // Condition on one field for a typed value, in the query language:
    // begins with for text columns, equality for every other field (numbers,
    // dates, flags, references). Raises AppError when the value does not fit
    // the field.
    static QString FieldCondition(const datalib::DataSource& ds, const QString& field, const QString& value,
                                  bool beginsWith);

  signals:
    // The control hands the input back (Enter or arrow down in the text box).
    void InputReturned(int keyCode, int shift);
    // Asks the owner for the view's default sort criterion.
    void QueryDefaultSort(QString& criterion, bool& handled);
    // Tells the owner the view's new default sort criterion ("" cancels it).
    void DefaultSortChanged(const QString& criterion, bool& handled);
    // The current row of the data source moved to this position.
    void RowFound(long position);
    // A search found no row: the current row stays where it was (the
    // control beeps).
    void NothingFound();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void applyFilters();
    void fillFields();
    void incrementalSearch();
    void nothingFound();
    bool positionOf(qint64 oid, long* position) const;
    void showProblem(const QString& message) const;

    std::shared_ptr<datalib::DataSource> ds_;
    QString baseFilter_;
    QString baseSort_;
    QMap<QString, QString> fieldFilters_;  // field (lower case) -> condition
    QString complexFilter_;
    QString missedText_;  // typed text that found nothing (a longer one is not told again)
    QLabel* label_ = nullptr;
    QComboBox* field_ = nullptr;
    QLineEdit* text_ = nullptr;
    MubCommand* cmdFind_ = nullptr;
    MubCommand* cmdFilter_ = nullptr;
    MubCommand* cmdSort_ = nullptr;
    MubCommand* cmdCancel_ = nullptr;
    QTimer* typing_ = nullptr;
};

}  // namespace controls
