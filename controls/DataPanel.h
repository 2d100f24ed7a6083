#pragma once
// The data library's edit panel: the fields of one row of a data source,
// made from the table's definitions. Columns declared with flag True come in
// their order, then the references, grouped by their group (one tab per
// group); each type code has its widget (texts, numbers and dates typed the
// Italian way, yes/no as a check box, value lists as combos), an ordinary
// reference is typed as its code or chosen among the rows the table class
// offers for it (SelectReference), a collection is a button that browses
// the child rows.
//
// Each field is written to the data source when the operator leaves it, so
// the table class's hooks run at once and the fields they change are shown.
// A value that does not fit its field gets an Italian message naming the
// field; the typed text stays, marked, and is never written. A refusal of
// the table class is shown once by the library; the panel keeps what was
// typed.

#include "core/Variant.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <set>

class QTabWidget;

namespace datalib {
class DataSource;
struct ColumnDef;
struct ReferenceDef;
}  // namespace datalib

namespace controls {

class DataPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString FontNames READ FontNames WRITE SetFontNames)
    Q_PROPERTY(double FontSizeSpin READ FontSizeSpin WRITE SetFontSizeSpin)
  public:
    explicit DataPanel(QWidget* parent = nullptr);
    ~DataPanel() override;

    // Shows the current row of the data source (null unbinds). fields, when
    // not empty, names the columns and references to show, in order
    // ("Numero,Cliente,ImportoTotale"); otherwise the definition decides.
    void Bind(std::shared_ptr<datalib::DataSource> ds, const QString& fields = {});
    const std::shared_ptr<datalib::DataSource>& dataSource() const { return ds_; }
    // Shows the data source's current values again (fields in error keep
    // their text).
    void Refresh();

    // The height that shows every field of the current group without scrolling.
    int ContentsHeight() const;
    // The panel keeps that height as its least, whenever its fields change:
    // it never scrolls.
    void SetFitToContents(bool fit);

    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return readOnly_; }

    // Writes the field being edited; false when its value does not fit or
    // the table class refused it (the message was shown).
    Q_INVOKABLE bool CommitEditingDataControls();
    // Writes one field from its widget; false as above.
    bool CommitField(const QString& field);

    // The fields shown, in order (columns and references by name).
    QStringList Fields() const;
    // The widget of a field (a QLineEdit, QPlainTextEdit, QCheckBox, QComboBox
    // or, for references and collections, their QLineEdit / QPushButton).
    QWidget* Editor(const QString& field) const;
    // Fields whose typed text was not accepted.
    QStringList FieldsInError() const;
    // The operator typed something that is not saved in the database.
    bool HasTypedChanges() const;

    QString FontNames() const;
    void SetFontNames(const QString& name);
    double FontSizeSpin() const { return sizeSpin_; }
    void SetFontSizeSpin(double delta);

  signals:
    // A field was written to the data source.
    void fieldWritten(const QString& field);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Field;
    void build(const QString& fields);
    void clear();
    void show(Field& f);
    QString textOf(const Field& f) const;
    bool parse(const Field& f, core::Variant& value, QString& problem) const;
    void setError(Field& f, bool error);
    void chooseReference(Field& f);
    void browseCollection(Field& f);
    Field* fieldOfWidget(QObject* w);
    Field* find(const QString& name);
    const Field* find(const QString& name) const;
    void applyReadOnly();

    std::shared_ptr<datalib::DataSource> ds_;
    std::vector<std::unique_ptr<Field>> fields_;
    QTabWidget* tabs_ = nullptr;
    bool readOnly_ = false;
    bool fit_ = false;
    bool showing_ = false;
    bool committing_ = false;
    double sizeSpin_ = 0;
};

}  // namespace controls
