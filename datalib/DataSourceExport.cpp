// Export of a data source's rows to a file: an HTML table (kind 2) or text
// with one row a line and the values separated by ";" (any other kind).

#include "datalib/Connection.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"

#include "datalib/DataSourceParts.h"
#include "datalib/Errors.h"
#include "datalib/Interfaces.h"

#include <QSaveFile>

namespace datalib {

namespace {

QString csvField(QString s) {
    if (s.contains(QLatin1Char(';')) || s.contains(QLatin1Char('"')) || s.contains(QLatin1Char('\n')) ||
        s.contains(QLatin1Char('\r')))
        return QLatin1Char('"') + s.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    return s;
}

QString htmlCell(const QString& s) {
    QString out = s.toHtmlEscaped();
    out.replace(QLatin1String("\r\n"), QLatin1String("<br>"));
    out.replace(QLatin1Char('\r'), QLatin1String("<br>"));
    out.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return out;
}

}  // namespace

RowExporter::RowExporter(DataSource& ds, const QString& file, int kind, const QString& fields)
    : ds_(ds), file_(file), html_(kind == 2) {
    // The columns: those listed (names of the data source), else every column but the links.
    for (const QString& f : fields.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (ds.ColExist(f.trimmed())) names_ << (*ds.layout_)[size_t(ds.colIndex(f.trimmed()))].name;
    if (names_.isEmpty())
        for (const RowLayout::Column& c : ds.layout_->columns())
            if (c.kind != RowLayout::Kind::OID && c.kind != RowLayout::Kind::Link) names_ << c.name;
}

long RowExporter::run(itfProgress* progress) {
    QSaveFile out(file_);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text))
        throw errors::make(errors::Storage,
                           QStringLiteral("Impossibile scrivere il file \"%1\".").arg(file_));
    auto write = [&](const QString& s) { out.write(s.toUtf8()); };
    if (html_) {
        write(QStringLiteral(
                  "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>\n"
                  "<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">\n<caption>%1</caption>\n<tr>")
                  .arg(htmlCell(ds_.Table()->PresentationName())));
        for (const QString& n : names_) write(QStringLiteral("<th>%1</th>").arg(htmlCell(n)));
        write(QStringLiteral("</tr>\n"));
    } else {
        QStringList head;
        for (const QString& n : names_) head << csvField(n);
        write(head.join(QLatin1Char(';')) + QLatin1Char('\n'));
    }
    KeysetCursor& cur = *ds_.cur_;
    const long count = ds_.RowCount();
    StopPollScope poll(ds_.db_->conn(), progress);
    if (progress) progress->OnStart(count, true);
    const long keep = cur.position();
    long n = 0;
    bool stopped = false;
    for (long i = 0; i < count; ++i) {
        cur.setPosition(i);
        if (!ds_.RowValid()) continue;
        QStringList cells;
        for (const QString& name : names_) cells << ds_.FormattedColValue(name);
        if (html_) {
            write(QStringLiteral("<tr>"));
            for (const QString& c : cells)
                write(
                    QStringLiteral("<td>%1</td>").arg(c.isEmpty() ? QStringLiteral("&nbsp;") : htmlCell(c)));
            write(QStringLiteral("</tr>\n"));
        } else {
            for (QString& c : cells) c = csvField(c);
            write(cells.join(QLatin1Char(';')) + QLatin1Char('\n'));
        }
        ++n;
        if (progress) {
            bool goOn = true;
            progress->OnProgress(n, goOn);
            progress->OnStopped(stopped);
            if (!goOn || stopped) {
                stopped = true;
                break;
            }
        }
    }
    cur.setPosition(keep);
    if (html_) write(QStringLiteral("</table>\n</body></html>\n"));
    if (progress) progress->OnEnd();
    if (stopped) {
        out.cancelWriting();
        throw errors::make(errors::Cancelled, QStringLiteral("Esportazione interrotta."), true);
    }
    if (!out.commit())
        throw errors::make(errors::Storage,
                           QStringLiteral("Impossibile scrivere il file \"%1\".").arg(file_));
    return n;
}

long DataSource::Export(const QString& file, int kind, itfProgress* progress, const QString& fields) {
    if (edit_->editing) Save();
    return RowExporter(*this, file, kind, fields).run(progress);
}

}  // namespace datalib
