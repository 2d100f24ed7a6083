#include "startup/ui/modZeltFormUtility.h"

#include "controls/FieldSequence.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/FieldMatch.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WindowPlacement.h"
#include "startup/OSWinUtil.h"
#include "startup/RunContext.h"
#include "startup/ShowError.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/frmMessage.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMetaMethod>
#include <QMetaObject>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <optional>

namespace startup {

namespace {

QScreen* screenOf(const QWidget* window) {
    if (window && window->screen()) return window->screen();
    return QGuiApplication::primaryScreen();
}

bool hasProperty(const QObject* object, const char* name) {
    return object->metaObject()->indexOfProperty(name) >= 0;
}

bool keepsOwnFamily(const QFont& font) {
    const QString family = font.family();
    return family.contains(QLatin1String("Courier"), Qt::CaseInsensitive) ||
           family.contains(QLatin1String("Webdings"), Qt::CaseInsensitive);
}

QFont withSizeChange(QFont font, double sizeDelta) {
    if (sizeDelta == 0) return font;
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(std::max(1.0, font.pointSizeF() + sizeDelta));
    } else if (font.pixelSize() > 0) {
        font.setPixelSize(std::max(1, font.pixelSize() + static_cast<int>(std::lround(sizeDelta))));
    }
    return font;
}

// Placement values are written as numbers; a store edited by hand or written
// under another locale may carry a decimal comma.
std::optional<double> readNumber(const QString& section, const char* key) {
    QString text = platform::SettingsStore::get(platform::appName(), section, QLatin1String(key)).trimmed();
    if (text.isEmpty()) return std::nullopt;
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

void writeNumber(const QString& section, const char* key, double value) {
    platform::SettingsStore::save(platform::appName(), section, QLatin1String(key),
                                  QString::number(static_cast<float>(value)));
}

QString& rememberedDateText() {
    static QString text;
    return text;
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool isDateSeparator(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('-'); }
bool isTimeSeparator(QChar c) { return c == QLatin1Char('.') || c == QLatin1Char(':'); }

// Two digits typed for a group: the whole text is "dd" or "dd" sep "dd".
bool endsWithFullGroup(const QString& part, bool (*isSeparator)(QChar)) {
    const qsizetype n = part.size();
    if (n != 2 && n != 5) return false;
    if (!isDigit(part[n - 1]) || !isDigit(part[n - 2])) return false;
    return n == 2 || (isSeparator(part[2]) && isDigit(part[0]) && isDigit(part[1]));
}

// A separator typed right after the automatic one.
bool endsWithDoubledSeparator(const QString& part, bool (*isSeparator)(QChar)) {
    const qsizetype n = part.size();
    if (n != 4 && n != 7) return false;
    return isSeparator(part[n - 1]) && isSeparator(part[n - 2]);
}

}  // namespace

// ---- Twips ----------------------------------------------------------------

int TwipsPerPixel(const QWidget* window) {
    const QScreen* screen = screenOf(window);
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    if (dpi <= 0) return 15;
    return std::max(1, static_cast<int>(std::lround(1440.0 / dpi)));
}

double PixelsToTwips(int pixels, const QWidget* window) {
    return static_cast<double>(pixels) * TwipsPerPixel(window);
}

int TwipsToPixels(double twips, const QWidget* window) {
    // A stored value of any size (settings can be edited by hand) gives a
    // whole number of pixels that later arithmetic cannot overflow.
    constexpr double kLimit = 1e7;
    const double pixels = twips / TwipsPerPixel(window);
    if (!std::isfinite(pixels)) return 0;
    return static_cast<int>(std::lround(std::clamp(pixels, -kLimit, kLimit)));
}

// ---- Common font ------------------------------------------------------------

void SetFormFont(QWidget* window, const QString& fontName, double sizeDelta) {
    if (!window) return;
    if (fontName.isEmpty() && sizeDelta == 0) return;

    QFont own = window->font();
    if (!fontName.isEmpty()) own.setFamily(fontName);
    window->setFont(withSizeChange(own, sizeDelta));

    // Controls without a font of their own follow the window; the others are
    // changed one by one.
    const auto controls = window->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (hasProperty(control, "FontNames") || hasProperty(control, "FontSizeSpin")) {
            if (!fontName.isEmpty() && hasProperty(control, "FontNames"))
                control->setProperty("FontNames", fontName);
            if (sizeDelta != 0 && hasProperty(control, "FontSizeSpin")) {
                const double current = control->property("FontSizeSpin").toDouble();
                control->setProperty("FontSizeSpin", current + sizeDelta);
            }
            continue;
        }
        if (!control->testAttribute(Qt::WA_SetFont)) continue;
        QFont font = control->font();
        if (!fontName.isEmpty() && !keepsOwnFamily(font)) font.setFamily(fontName);
        control->setFont(withSizeChange(font, sizeDelta));
    }
}

// ---- Window placement --------------------------------------------------------

QString FormSettingsSection(const QWidget* window) {
    return QStringLiteral("Settings") + (window ? window->objectName() : QString());
}

int FormStateOf(const QWidget* window) {
    const Qt::WindowStates state = window->windowState();
    if (state & Qt::WindowMinimized) return 1;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) return 2;
    return 0;
}

void SaveFormSettings(QWidget* window) {
    if (!window) return;
    const QString section = FormSettingsSection(window);
    const int state = FormStateOf(window);
    platform::SettingsStore::save(platform::appName(), section, QStringLiteral("State"),
                                  QString::number(state));
    if (state != 0) return;
    writeNumber(section, "Left", PixelsToTwips(window->x(), window));
    writeNumber(section, "Top", PixelsToTwips(window->y(), window));
    writeNumber(section, "Width", PixelsToTwips(window->width(), window));
    writeNumber(section, "Height", PixelsToTwips(window->height(), window));
}

void LoadFormSettings(QWidget* window, bool skipState) {
    if (!window) return;
    const QString section = FormSettingsSection(window);
    const QScreen* screen = screenOf(window);
    const QRect desk = screen ? screen->geometry() : QRect(0, 0, 1024, 768);

    const auto pixelsOr = [&](const char* key, int fallback) {
        const auto twips = readNumber(section, key);
        return twips ? TwipsToPixels(*twips, window) : fallback;
    };
    const int width = pixelsOr("Width", window->width());
    const int height = pixelsOr("Height", window->height());
    const QRect stored(pixelsOr("Left", desk.x() + (desk.width() - window->width()) / 2),
                       pixelsOr("Top", desk.y() + (desk.height() - window->height()) / 2), width, height);
    const QRect shown = platform::PlacementOnScreen(stored, window->size(), window);
    window->move(shown.topLeft());
    window->resize(shown.size());

    if (skipState) return;
    const auto state = readNumber(section, "State");
    if (!state) return;
    Qt::WindowStates flags =
        window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    switch (static_cast<int>(*state)) {
        case 1:
            flags |= Qt::WindowMinimized;
            break;
        case 2:
            flags |= Qt::WindowMaximized;
            break;
        default:
            break;
    }
    window->setWindowState(flags);
}

bool HasFormSettings(const QWidget* window) {
    if (!window) return false;
    return !platform::SettingsStore::get(platform::appName(), FormSettingsSection(window),
                                         QStringLiteral("Left"))
                .isEmpty();
}

// ---- Date boxes ----------------------------------------------------------------

void ResetDateInput() { rememberedDateText().clear(); }

void FormatDateInput(QLineEdit* box, int kind) {
    if (!box) return;
    QString& remembered = rememberedDateText();
    QString text = box->text();
    if (!text.startsWith(remembered)) {
        remembered = text;
        return;
    }
    const bool atEnd = box->cursorPosition() == text.size();
    const auto replaceText = [&](const QString& changed) {
        box->setText(changed);
        box->setCursorPosition(changed.size());
        text = changed;
    };

    qsizetype timeStart = -1;
    if (kind == kTimeOnlyInput) {
        timeStart = 0;
    } else if (atEnd) {
        const qsizetype n = text.size();
        const bool hasBlank = text.contains(QLatin1Char(' '));
        if (endsWithFullGroup(text, isDateSeparator)) {
            replaceText(text + QLatin1Char('/'));
        } else if (endsWithDoubledSeparator(text, isDateSeparator)) {
            replaceText(text.left(n - 1));
        } else if (n == 10 && !hasBlank) {
            replaceText(text + QLatin1Char(' '));
        } else if (n >= 9 && n != 10 && hasBlank) {
            timeStart = text.lastIndexOf(QLatin1Char(' ')) + 1;
        }
    }

    if (timeStart >= 0 && atEnd) {
        const QString time = text.mid(timeStart);
        if (endsWithFullGroup(time, isTimeSeparator))
            replaceText(text + QLatin1Char('.'));
        else if (endsWithDoubledSeparator(time, isTimeSeparator))
            replaceText(text.left(text.size() - 1));
    }
    remembered = box->text();
}

// ---- Bound controls --------------------------------------------------------------

void ShowLocked(QLineEdit* box, bool locked) {
    if (!box) return;
    const char* const kOwnTip = "ZeltOwnToolTip";
    if (!box->property(kOwnTip).isValid()) box->setProperty(kOwnTip, box->toolTip());
    box->setReadOnly(locked);
    QPalette palette = box->parentWidget() ? box->parentWidget()->palette() : QPalette();
    if (locked) {
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        palette.setColor(QPalette::Text, palette.color(QPalette::Disabled, QPalette::Text));
    }
    box->setPalette(palette);
    const QString own = box->property(kOwnTip).toString();
    box->setToolTip(locked ? QStringLiteral("Modificabile solo dall'Amministratore") : own);
}

bool CommitEditingControls(QWidget* window) {
    if (!window) return true;
    const QWidget* focused = window->focusWidget();
    const auto controls = window->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        const QMetaObject* meta = control->metaObject();
        if (const int method = meta->indexOfMethod("CommitEditingDataControls()"); method >= 0) {
            bool written = true;
            if (meta->method(method).returnType() == QMetaType::Bool)
                QMetaObject::invokeMethod(control, "CommitEditingDataControls", Qt::DirectConnection,
                                          Q_RETURN_ARG(bool, written));
            else
                QMetaObject::invokeMethod(control, "CommitEditingDataControls", Qt::DirectConnection);
            // A text that does not convert stops here: its panel showed why
            // and gave it the focus.
            if (!written) return false;
            continue;
        }
        if (!hasProperty(control, "DataField")) continue;
        if (control->property("DataField").toString().isEmpty()) continue;
        const bool changed = control->property("DataChanged").toBool();
        if (control != focused && !changed) continue;
        if (meta->indexOfMethod("CommitData()") >= 0)
            QMetaObject::invokeMethod(control, "CommitData", Qt::DirectConnection);
        if (hasProperty(control, "DataChanged")) control->setProperty("DataChanged", false);
    }
    return true;
}

// ---- Data sets and look-up lists ----------------------------------------------

std::shared_ptr<datalib::DataSet> GetDataSet(const QString& table) {
    const auto& database = runContext().database;
    if (!database)
        RaiseGenericError(QStringLiteral("GetDataSet"), QStringLiteral("Il database non è aperto"));
    return database->Tables(table);
}

namespace {

// The entries of a list box or a combo box.
class LookupList {
  public:
    explicit LookupList(QWidget* widget)
        : list_(qobject_cast<QListWidget*>(widget)), combo_(qobject_cast<QComboBox*>(widget)) {}
    bool valid() const { return list_ || combo_; }
    int count() const { return list_ ? list_->count() : combo_->count(); }
    void add(const QString& entry) {
        if (list_)
            list_->addItem(entry);
        else
            combo_->addItem(entry);
    }

  private:
    QListWidget* list_;
    QComboBox* combo_;
};

QString andAll(const QStringList& conditions) {
    QStringList parts;
    for (const QString& condition : conditions)
        if (!condition.trimmed().isEmpty()) parts << QLatin1Char('(') + condition + QLatin1Char(')');
    return parts.join(QStringLiteral(" AND "));
}

QString firstLine(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) return text.left(i);
    return text;
}

}  // namespace

bool FillLookupList(const QString& table, const QString& codeColumn, const QString& typed, QWidget* list,
                    const QString& descColumn, const QString& extraFilter) {
    LookupList entries(list);
    if (!entries.valid()) return false;
    const auto dataSet = GetDataSet(table);
    if (!dataSet->ColExist(codeColumn)) return false;

    QString columns = QStringLiteral("DISTINCT ") + codeColumn;
    if (!descColumn.isEmpty()) columns += QLatin1Char(',') + descColumn;
    auto query = dataSet->OpenDataSource(QString(), QString(), columns);
    const QString tableFilter = query->Filter();

    // Codes beginning with the text; then, for 4 characters or more, codes
    // containing it. The table's filter and the caller's stay in both passes.
    query->SetFilter(
        andAll({tableFilter,
                dataSet->BuildFieldCondition(codeColumn, core::Variant(typed), datalib::MatchBeginsWith),
                extraFilter}));
    if (query->DataEmpty() && typed.size() >= 4) {
        query->SetFilter(
            andAll({tableFilter,
                    dataSet->BuildFieldCondition(codeColumn, core::Variant(typed), datalib::MatchContains),
                    extraFilter}));
    }
    if (query->DataEmpty()) return false;

    for (query->RowFirst(); !query->Eof(); query->RowNext()) {
        if (entries.count() >= kLookupListMax) {
            entries.add(QStringLiteral(" ... "));
            break;
        }
        QString entry = firstLine(query->ColValueStr(codeColumn));
        if (!descColumn.isEmpty()) entry += QStringLiteral(" - ") + query->ColValueStr(descColumn);
        entries.add(entry);
    }
    return true;
}

QString GetLookupCode(const QString& entry) {
    const qsizetype separator = entry.indexOf(QStringLiteral(" - "));
    return separator < 0 ? entry : entry.left(separator);
}

// ---- HTML export -------------------------------------------------------------------

bool ExportBrowserToHtml(datalib::DataSource* data, QWidget* parent, QString& fields) {
    if (!data) return true;
    const int answer =
        platform::messageBox(QStringLiteral("Vuoi modificare la sequenza dei campi per il browser ?"),
                             platform::kYesNo | platform::kQuestion, QString(), parent);
    if (answer == platform::kAnswerYes) {
        // The columns and references of the table, without the row identifiers.
        QStringList available;
        const auto names = data->ColumnNames();
        for (const QString& name : names)
            if (data->tableDef().findColumn(name) || data->tableDef().findReference(name)) available << name;
        if (!controls::EditFieldList(parent, available, fields,
                                     QStringLiteral("Esportazione HTML - Selezione Campi")))
            return true;
    }

    // The file is written whole or not at all: a failed or stopped export
    // leaves the previous one in place.
    const QString file = platform::dataFile(QLatin1String(kTableDataFile));
    frmMessage* message = frmMessage::instance();
    message->ShowMsg(QStringLiteral("Esportazione dati in formato HTML..."), parent, -1, -1);
    try {
        data->Export(file, 2, message, fields);
    } catch (const core::AppError& error) {
        frmMessage::Unload();
        if (error.cancelled()) return true;
        ShowError(error, QString(), parent);
        return false;
    }
    frmMessage::Unload();
    if (ShellOpenDocument(file)) return true;
    // No program of the desktop took the page (no browser installed): the
    // operator learns where the data are, to open them some other way.
    platform::messageBox(
        QStringLiteral("Impossibile aprire la pagina nel browser Internet: nessun programma "
                       "del sistema l'ha aperta.\r\rI dati sono stati esportati nel file:\r") +
            QDir::toNativeSeparators(file),
        platform::kOkOnly | platform::kExclamation, QString(), parent);
    return false;
}

// ---- Menu arrays -------------------------------------------------------------------

QAction* AddMenuArrayItem(QMenu* menu, const QString& caption, const QString& tag) {
    if (!menu) return nullptr;
    int index = 0;
    const auto actions = menu->actions();
    for (const QAction* action : actions)
        if (action->property("Index").isValid()) ++index;
    auto* item = new QAction(caption, menu);
    item->setData(tag);
    item->setProperty("Index", index);
    item->setEnabled(!tag.isEmpty());
    menu->addAction(item);
    return item;
}

}  // namespace startup
