// zelt-report: runs a report layout export file on an agent database into a
// PDF, with no dialogs.
//
//   zelt-report --db FILE --table T --layout FILE [--reference R] [--filter F] [--rows N] --pdf OUT
//
// The layout runs on the rows of T (those of the filter F), or, with a data
// reference R, on the rows of R of the first of them. --rows N ends the run
// after N rows. The PDF is A4 without margins. When the run fails the text of
// the message the program would have shown goes to the standard error, no
// PDF is written and the exit code is 1.

#include "app/AllTableClasses.h"
#include "core/AppError.h"
#include "core/Variant.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Printers.h"
#include "reports/ReportLayouts.h"
#include "reports/ui/clsCustomReport.h"
#include "reports/ui/modCustomReport.h"
#include "schema/DB.h"
#include "startup/modDatabase.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

float number(const QString& text) {
    if (text.trimmed().isEmpty()) return 0;
    return core::Variant(text.trimmed()).toSingle();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTextStream err(stderr);
    static const char* const usage =
        "Uso: zelt-report --db FILE --table TABELLA --layout FILE [--reference RIF] [--filter FILTRO] "
        "[--rows N] --pdf USCITA\n";
    QString dbFile, table, layoutFile, reference, filter, pdf;
    int rows = 0;
    const QStringList args = application.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--db") && hasValue)
            dbFile = args[++i];
        else if (a == QLatin1String("--table") && hasValue)
            table = args[++i];
        else if (a == QLatin1String("--layout") && hasValue)
            layoutFile = args[++i];
        else if (a == QLatin1String("--reference") && hasValue)
            reference = args[++i];
        else if (a == QLatin1String("--filter") && hasValue)
            filter = args[++i];
        else if (a == QLatin1String("--pdf") && hasValue)
            pdf = args[++i];
        else if (a == QLatin1String("--rows") && hasValue) {
            bool ok = false;
            rows = args[++i].toInt(&ok);
            if (!ok || rows < 0) {
                err << "Valore non valido per --rows\n" << usage;
                return 2;
            }
        } else {
            err << usage;
            return 2;
        }
    }
    if (dbFile.isEmpty() || table.isEmpty() || layoutFile.isEmpty() || pdf.isEmpty()) {
        err << usage;
        return 2;
    }
    QString error;
    const auto layout = reports::ReadLayoutFile(layoutFile, &error);
    if (!layout) {
        err << error << '\n';
        return 1;
    }
    QFile::remove(pdf);
    platform::ScriptedBoxes boxes;  // no dialogs: every box is recorded
    try {
        app::registerAllTableClasses();
        datalib::Engine engine;
        engine.Open(3, dbFile, QString(), startup::DatabasePassword());
        schema::DB definition;
        auto db =
            datalib::Application::OpenDatabase(engine, definition, QStringLiteral("zelt-report"), nullptr);
        auto ds = db->OpenDataSource(table, filter);
        ds->RowFirst();

        auto job = std::make_shared<platform::PrintJob>(
            platform::Printers::pdfPrinterName(), QFileInfo(pdf).absoluteFilePath(), layout->reportName);
        auto prn = std::make_shared<reports::clsCustomReport>();
        reports::clsCustomReport::Device device;
        device.printer = job;
        prn->SetParameter(device, number(layout->reportHeight), number(layout->reportWidth),
                          number(layout->reportTop), number(layout->reportLeft),
                          std::int16_t(number(layout->columns)), number(layout->reportRowsDim),
                          number(layout->reportRowsTop), number(layout->reportRowsBottom),
                          layout->backImageFile, number(layout->bottomImageBorder), layout->script,
                          layout->horizontalOrientation, layout->reportGroup);
        const reports::RunOutcome outcome =
            reports::RunCustomReport(nullptr, ds, prn, reference, QString(), rows, false, 1, QString());
        prn.reset();
        if (outcome == reports::RunOutcome::Failed || !QFile::exists(pdf)) {
            QFile::remove(pdf);
            const QString text = boxes.lastText().isEmpty() ? QStringLiteral("Nessuna pagina stampata")
                                                            : platform::displayText(boxes.lastText());
            err << text << '\n';
            return 1;
        }
    } catch (const core::AppError& e) {
        QFile::remove(pdf);
        err << platform::displayText(e.description()) << '\n';
        return 1;
    }
    return 0;
}
