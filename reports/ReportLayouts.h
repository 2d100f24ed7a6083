#pragma once
// What the report runner reads of the layouts and of the data: whether a
// table has layouts, the layout export file, and the rows references of a
// table (its collections and those of the tables it is based on).

#include <QString>
#include <QStringList>

#include <optional>

namespace datalib {
class DataSource;
class TableDef;
}  // namespace datalib

namespace reports {

// The data reference that stands for every rows reference of the table.
inline const QString kAllReferences = QStringLiteral("[ tutti i riferimenti ]");

// True for a table whose rows the layout editors offer as data: every table
// but the two layout tables and the system parameters.
bool IsLayoutSourceTable(const QString& name);

// True when the database has TabProspettiStampa with a layout for the data's table.
bool ExistsReportForData(datalib::DataSource& ds);

// The names of the rows references (collections) of a table and of the
// tables it is based on, in declaration order.
QStringList RowsReferences(const datalib::TableDef& table);

// One report layout as the export file holds it (".vbs", Windows-1252, lines
// ending CR LF, CR or LF). Numbers are the texts as written (decimal comma).
struct LayoutFile {
    QString reportName;
    QString reportGroup;
    QString backImageFile;
    QString bottomImageBorder;
    QString columns;
    QString reportHeight;
    QString reportWidth;
    QString reportTop;
    QString reportLeft;
    QString reportRowsDim;
    QString reportRowsTop;
    QString reportRowsBottom;
    bool horizontalOrientation = false;
    QString script;  // every other line, each followed by CR LF
};

// Reads an export file; nothing (with an Italian description) when it cannot be read.
std::optional<LayoutFile> ReadLayoutFile(const QString& path, QString* error = nullptr);
// Reads an export file's text.
LayoutFile ParseLayoutFile(const QString& text);

}  // namespace reports
