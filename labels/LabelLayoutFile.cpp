#include "labels/LabelLayoutFile.h"

#include "startup/Common.h"

#include <QLocale>

#include <cmath>

namespace labels {

QString DefaultLabelScript() {
    static const QStringList lines = {
        QStringLiteral("' ") + QString(71, QLatin1Char('=')),
        QStringLiteral("' Composizione del codice per la stampa dell'etichetta"),
        QStringLiteral("Function PrintLabel(ds, prn)"),
        QString(),
        QStringLiteral("  ' Sono supportati i seguenti metodi aggiuntivi:"),
        QStringLiteral(
            "  ' prn.Vars([NomeVar]), prn.Nums([NomeVar]), prn.Strs([NomeVar]) per leggere / impostare "
            "le variabili"),
        QStringLiteral("  ' prn.VarsCount e prn.ResetVars per contare e annullare le variabili"),
        QStringLiteral("  ' prn.CopyCount riporta il numero di copia corrente"),
        QString(),
        QString(),
        QStringLiteral("  prn.SetFont 13, True, False, \"MS San Serif\""),
        QStringLiteral("  'prn.TxtOut 0, 0, ds.FormattedColValue(\"[NomeCampo]\")"),
        QString(),
        QStringLiteral("  ' Impostare False per annullare la stampa"),
        QStringLiteral("  ' Impostare prn.IgnoreLabel per ignorare l'etichetta corrente"),
        QStringLiteral("  PrintLabel = True"),
        QString(),
        QStringLiteral("End Function"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

const QStringList& LabelExportKeys() {
    static const QStringList keys = {QStringLiteral("Columns"),
                                     QStringLiteral("LabelHeight"),
                                     QStringLiteral("LabelWidth"),
                                     QStringLiteral("LabelTop"),
                                     QStringLiteral("LabelLeft"),
                                     QStringLiteral("HorizontalOrientation"),
                                     QStringLiteral("EnableLabelAlignment"),
                                     QStringLiteral("CopyNumber")};
    return keys;
}

QList<reports::LayoutSetting> LabelExportSettings(const LabelLayoutBoxes& b) {
    const QStringList& k = LabelExportKeys();
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    return {{k[0], b.columns},
            {k[1], b.height},
            {k[2], b.width},
            {k[3], b.top},
            {k[4], b.left},
            {k[5], flag(b.horizontal)},
            {k[6], flag(b.enableAlignment)},
            {k[7], b.copies}};
}

void ApplyLabelImport(const reports::LayoutExport& file, LabelLayoutBoxes& b) {
    QString* const texts[] = {&b.columns, &b.height, &b.width, &b.top, &b.left};
    const QStringList& k = LabelExportKeys();
    for (const auto& [key, value] : file.settings) {
        const qsizetype i = k.indexOf(key);
        if (i >= 0 && i <= 4)
            *texts[i] = value;
        else if (i == 5)
            b.horizontal = startup::StrToBoolean(value);
        else if (i == 6)
            b.enableAlignment = startup::StrToBoolean(value);
        else if (i == 7)
            b.copies = value;
    }
}

std::optional<double> BoxNumber(const QString& text) {
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace labels
