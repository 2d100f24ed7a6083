#pragma once
// A report page object printing into a PDF of a temporary folder, and the
// layout geometry it is set up with.

#include "platform/ui/Printers.h"
#include "reports/ui/clsCustomReport.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <memory>

namespace reporttest {

struct Geometry {
    float height = 0, width = 0, top = 0, left = 0;
    std::int16_t columns = 1;
    float rowDim = 6, rowsTop = 40, rowsBottom = 240;
    QString backImage;
    float bottomBorder = 0;
    QString script;
    bool landscape = false;
};

inline std::shared_ptr<reports::clsCustomReport> pdfReport(const QString& pdf,
                                                           const Geometry& g = Geometry()) {
    auto job = std::make_shared<platform::PrintJob>(platform::Printers::pdfPrinterName(), pdf);
    auto prn = std::make_shared<reports::clsCustomReport>();
    reports::clsCustomReport::Device device;
    device.printer = job;
    prn->SetParameter(device, g.height, g.width, g.top, g.left, g.columns, g.rowDim, g.rowsTop, g.rowsBottom,
                      g.backImage, g.bottomBorder, g.script, g.landscape, QString());
    return prn;
}

class PdfTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString pdf() const { return dir.filePath(QStringLiteral("out.pdf")); }
};

}  // namespace reporttest
