#include "reports/ReportLayouts.h"

#include "reports/LayoutExport.h"
#include "reports/ReportLayoutRecord.h"

#include "core/Cp1252.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "startup/Common.h"

#include <QFile>

namespace reports {

bool IsLayoutSourceTable(const QString& name) {
    return name != QLatin1String("TabStampaEtichette") && name != ReportLayoutRecord::kTableName &&
           name.compare(datalib::Database::sysParamTableName(), Qt::CaseInsensitive) != 0;
}

bool ExistsReportForData(datalib::DataSource& ds) {
    auto db = ds.Database();
    if (!db || !db->TableExists(ReportLayoutRecord::kTableName)) return false;
    auto layouts = db->OpenDataSource(ReportLayoutRecord::kTableName,
                                      ReportLayoutRecord::kSourceColumn + QLatin1Char('=') +
                                          db->FormatStringForQuery(ds.tableDef().name()));
    return layouts && !layouts->DataEmpty();
}

QStringList RowsReferences(const datalib::TableDef& table) {
    QStringList names;
    for (const datalib::TableDef* t = &table; t; t = t->base)
        for (int i = 0; i < t->references.Count(); ++i) {
            const datalib::ReferenceDef& ref = t->references.Item(i);
            if (ref.collection && !names.contains(ref.name, Qt::CaseInsensitive)) names << ref.name;
        }
    return names;
}

LayoutFile ParseLayoutFile(const QString& input) {
    LayoutFile f;
    // The fields in the order of the export file's keys.
    QString* const texts[] = {&f.reportName, &f.reportGroup,   &f.backImageFile, &f.bottomImageBorder,
                              &f.columns,    &f.reportHeight,  &f.reportWidth,   &f.reportTop,
                              &f.reportLeft, &f.reportRowsDim, &f.reportRowsTop, &f.reportRowsBottom};
    const QStringList& keys = ReportExportKeys();
    const LayoutExport file = ParseLayoutExport(input, keys);
    for (const auto& [key, value] : file.settings) {
        const qsizetype i = keys.indexOf(key);
        if (i >= 0 && i < qsizetype(std::size(texts)))
            *texts[i] = value;
        else if (key == keys.last())
            f.horizontalOrientation = startup::StrToBoolean(value);
    }
    f.script = file.script;
    return f;
}

std::optional<LayoutFile> ReadLayoutFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Impossibile aprire il file ") + path + QStringLiteral(": ") +
                     file.errorString();
        return std::nullopt;
    }
    return ParseLayoutFile(core::cp1252::decode(file.readAll()));
}

}  // namespace reports
