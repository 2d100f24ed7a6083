#include "controls/ViewGridSettings.h"

#include "platform/Paths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

namespace controls {

namespace {
const char* const kWidths = "Larghezze";
const char* const kDefaultSort = "OrdinamentoPredefinito";
const char* const kSequence = "SequenzaCampi";
}  // namespace

QString ViewGridSettings::DefaultFileName() {
    QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (program.isEmpty()) program = QStringLiteral("zeltorder");
    return platform::dataFile(program + QStringLiteral(".INI"));
}

ViewGridSettings::ViewGridSettings(QString fileName, QString section)
    : file_(std::move(fileName)), section_(std::move(section)) {
    QSettings ini(file_, QSettings::IniFormat);
    ini.beginGroup(section_);
    defaultSort_ = ini.value(QLatin1String(kDefaultSort)).toString();
    fieldSequence_ = ini.value(QLatin1String(kSequence)).toString();
    ini.beginGroup(QLatin1String(kWidths));
    for (const QString& key : ini.childKeys()) {
        bool ok = false;
        const int w = ini.value(key).toInt(&ok);
        if (!ok || w <= 0) continue;
        widths_.insert(key.toLower(), w);
        names_.insert(key.toLower(), key);
    }
}

std::optional<int> ViewGridSettings::ColumnWidth(const QString& field) const {
    const auto it = widths_.constFind(field.toLower());
    if (it == widths_.constEnd()) return std::nullopt;
    return *it;
}

void ViewGridSettings::SetColumnWidth(const QString& field, int twips) {
    if (field.isEmpty() || twips <= 0) return;
    const QString key = field.toLower();
    if (widths_.value(key) == twips) return;
    widths_.insert(key, twips);
    names_.insert(key, field);
    changed_ = true;
}

void ViewGridSettings::SetDefaultSort(const QString& criterion) {
    if (criterion == defaultSort_) return;
    defaultSort_ = criterion;
    changed_ = true;
}

void ViewGridSettings::SetFieldSequence(const QString& sequence) {
    if (sequence == fieldSequence_) return;
    fieldSequence_ = sequence;
    changed_ = true;
}

void ViewGridSettings::Reset() {
    if (widths_.isEmpty() && fieldSequence_.isEmpty()) return;
    widths_.clear();
    names_.clear();
    fieldSequence_.clear();
    changed_ = true;
}

bool ViewGridSettings::WriteFile() {
    if (!changed_) return true;
    QSettings ini(file_, QSettings::IniFormat);
    ini.remove(section_);
    ini.beginGroup(section_);
    if (!defaultSort_.isEmpty()) ini.setValue(QLatin1String(kDefaultSort), defaultSort_);
    if (!fieldSequence_.isEmpty()) ini.setValue(QLatin1String(kSequence), fieldSequence_);
    ini.beginGroup(QLatin1String(kWidths));
    for (auto it = widths_.constBegin(); it != widths_.constEnd(); ++it)
        ini.setValue(names_.value(it.key()), *it);
    ini.endGroup();
    ini.endGroup();
    ini.sync();
    if (ini.status() != QSettings::NoError) return false;
    changed_ = false;
    return true;
}

}  // namespace controls
