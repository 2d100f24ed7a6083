#include "PdfProbe.h"

#include "startup/Code128.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>

namespace pdfprobe {

namespace {

QByteArray run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << program.toStdString() << " did not run (poppler-utils installed?)";
        return {};
    }
    if (p.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << ": " << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

constexpr double kMmPerPt = 25.4 / 72.0;

}  // namespace

int pageCount(const QString& pdf) {
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf}));
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QSizeF pageSizeMm(const QString& pdf) {
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf}));
    const auto m = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(info);
    if (!m.hasMatch()) return {};
    return QSizeF(m.captured(1).toDouble() * kMmPerPt, m.captured(2).toDouble() * kMmPerPt);
}

std::vector<Word> words(const QString& pdf) {
    std::vector<Word> out;
    const QString html = QString::fromUtf8(
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}));
    static const QRegularExpression page(QStringLiteral("<page "));
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    int pageNo = 0;
    qsizetype pos = 0;
    const QStringList pages = html.split(page);
    for (const QString& part : pages) {
        (void)pos;
        if (&part != &pages.front()) ++pageNo;
        for (auto it = word.globalMatch(part); it.hasNext();) {
            const auto m = it.next();
            Word w;
            w.page = pageNo;
            w.text = m.captured(5).normalized(QString::NormalizationForm_KC);
            w.text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
            w.text.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
            w.text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
            w.text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
            w.text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
            w.box = QRectF(QPointF(m.captured(1).toDouble() * kMmPerPt, m.captured(2).toDouble() * kMmPerPt),
                           QPointF(m.captured(3).toDouble() * kMmPerPt, m.captured(4).toDouble() * kMmPerPt));
            out.push_back(w);
        }
    }
    return out;
}

Word find(const std::vector<Word>& list, const QString& text, int page) {
    for (const Word& w : list)
        if (w.text == text && (page == 0 || w.page == page)) return w;
    return Word();
}

QString pageText(const std::vector<Word>& list, int page) {
    QStringList parts;
    for (const Word& w : list)
        if (w.page == page) parts << w.text;
    return parts.join(QLatin1Char(' '));
}

QImage render(const QString& pdf, int page, int dpi) {
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("p"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-gray"), QStringLiteral("-aa"), QStringLiteral("no"), QStringLiteral("-aaVector"),
         QStringLiteral("no"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
         QString::number(page), QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"),
         QStringLiteral("-png"), pdf, base});
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

bool darkAt(const QImage& page, int dpi, double xMm, double yMm) {
    const int x = int(xMm * pxPerMm(dpi));
    const int y = int(yMm * pxPerMm(dpi));
    if (!page.valid(x, y)) return false;
    return qGray(page.pixel(x, y)) < 128;
}

std::vector<int> runs(const QImage& page, int dpi, double yMm, double fromXMm) {
    std::vector<int> out;
    const int y = int(yMm * pxPerMm(dpi));
    int x = int(fromXMm * pxPerMm(dpi));
    if (y < 0 || y >= page.height()) return out;
    auto dark = [&](int px) { return qGray(page.pixel(px, y)) < 128; };
    while (x < page.width() && !dark(x)) ++x;
    int lastDark = page.width() - 1;
    while (lastDark > x && !dark(lastDark)) --lastDark;
    while (x <= lastDark) {
        const bool d = dark(x);
        int n = 0;
        while (x <= lastDark && dark(x) == d) {
            ++n;
            ++x;
        }
        out.push_back(n);
    }
    return out;
}

QString decodeCode128(const std::vector<int>& runs, double pxPerModule) {
    std::vector<int> modules;
    for (int r : runs) modules.push_back(int(std::lround(r / pxPerModule)));
    QString out;
    size_t i = 0;
    while (i + 6 <= modules.size()) {
        QString pattern;
        const size_t len = (i + 7 == modules.size()) ? 7 : 6;
        for (size_t k = 0; k < len; ++k) pattern += QString::number(modules[i + k]);
        int value = -1;
        for (int v = 0; v < startup::kCode128Symbols; ++v)
            if (startup::Code128Pattern(v) == pattern) value = v;
        out += value < 0 ? QStringLiteral("?") : QStringLiteral("[%1]").arg(value);
        i += len;
    }
    return out;
}

QString code128Symbols(const QString& text) {
    QString out = QStringLiteral("[104]");
    for (QChar c : startup::EncodeCode128(text)) out += QStringLiteral("[%1]").arg(startup::Code128Value(c));
    return out + QStringLiteral("[106]");
}

}  // namespace pdfprobe
