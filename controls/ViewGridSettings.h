#pragma once
// The remembered layout of one data view's grid: the width of each column,
// the order in which the fields are shown and the view's default sort
// criterion. All views share one ".INI" file named after the program in the
// per-user data folder; each view keeps its layout in the section named
// after its data set (the order window under "Ordine"). The file is read
// when the object is made and written only by WriteFile, and only when
// something changed.

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace controls {

class ViewGridSettings {
  public:
    ViewGridSettings(QString fileName, QString section);

    // "<program>.INI" in the per-user data folder.
    static QString DefaultFileName();

    const QString& FileName() const { return file_; }
    // The data set the layout belongs to.
    const QString& Section() const { return section_; }

    // Width of a column in twips; nothing when none was recorded.
    std::optional<int> ColumnWidth(const QString& field) const;
    void SetColumnWidth(const QString& field, int twips);

    const QString& DefaultSort() const { return defaultSort_; }
    void SetDefaultSort(const QString& criterion);

    // The fields to show, in order, joined by ","; empty shows the data set's own.
    const QString& FieldSequence() const { return fieldSequence_; }
    void SetFieldSequence(const QString& sequence);

    // Forgets widths and sequence (the default sort stays).
    void Reset();
    bool IsChanged() const { return changed_; }
    // Writes the section when something changed; false when the file could
    // not be written.
    bool WriteFile();

  private:
    QString file_;
    QString section_;
    QHash<QString, int> widths_;     // lower-case field -> twips
    QHash<QString, QString> names_;  // lower-case field -> field as written
    QString defaultSort_;
    QString fieldSequence_;
    bool changed_ = false;
};

}  // namespace controls
