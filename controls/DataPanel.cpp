#include "controls/DataPanel.h"

#include "controls/DataGridModel.h"
#include "controls/ViewUtility.h"
#include "core/AppError.h"
#include "core/ItalianText.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/Errors.h"
#include "datalib/Relations.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include <cmath>

namespace controls {

struct DataPanel::Field {
    QString name;
    QString label;
    const datalib::ColumnDef* col = nullptr;
    const datalib::ReferenceDef* ref = nullptr;
    QWidget* editor = nullptr;
    QLabel* shown = nullptr;  // the referenced row's shown columns
    QToolButton* choose = nullptr;
    QString displayed;  // the text last shown, as the widget gives it back
    bool crlf = false;  // the value shown ended its lines in CR LF (a script): written back so
    bool error = false;
    std::vector<core::Variant> listValues;  // value-list combos: the value of each entry

    QLineEdit* line() const { return qobject_cast<QLineEdit*>(editor); }
    QPlainTextEdit* plain() const { return qobject_cast<QPlainTextEdit*>(editor); }
    QCheckBox* check() const { return qobject_cast<QCheckBox*>(editor); }
    QComboBox* combo() const { return qobject_cast<QComboBox*>(editor); }
    QPushButton* button() const { return qobject_cast<QPushButton*>(editor); }
    bool collection() const { return ref && ref->collection; }
};

namespace {

const char* const kGeneralTab = "Generale";

QString problemText(const QString& label, const QString& typed, const QString& why) {
    QString text = QStringLiteral("Valore non valido per il campo \"%1\": \"%2\".").arg(label, typed);
    if (!why.isEmpty()) text += QStringLiteral("\r\r") + why;
    return text;
}

}  // namespace

DataPanel::DataPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DataPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabGroups"));
    layout->addWidget(tabs_);
}

DataPanel::~DataPanel() = default;

QString DataPanel::FontNames() const { return font().family(); }

void DataPanel::SetFontNames(const QString& name) {
    QFont f = font();
    f.setFamily(name);
    setFont(f);
}

void DataPanel::SetFontSizeSpin(double delta) {
    sizeSpin_ = delta;
    QFont f = font();
    if (f.pointSizeF() + delta > 1) f.setPointSizeF(f.pointSizeF() + delta);
    setFont(f);
}

void DataPanel::clear() {
    fields_.clear();
    while (tabs_->count() > 0) {
        QWidget* page = tabs_->widget(0);
        tabs_->removeTab(0);
        delete page;
    }
}

void DataPanel::Bind(std::shared_ptr<datalib::DataSource> ds, const QString& fields) {
    clear();
    ds_ = std::move(ds);
    if (!ds_) return;
    readOnly_ = !datalib::AllowsChanges(*ds_);
    build(fields);
    Refresh();
}

void DataPanel::build(const QString& fieldList) {
    const datalib::TableDef& t = ds_->tableDef();
    struct Item {
        QString name;
        const datalib::ColumnDef* col = nullptr;
        const datalib::ReferenceDef* ref = nullptr;
        QString group;
    };
    std::vector<Item> items;
    if (!fieldList.trimmed().isEmpty()) {
        for (const QString& raw : fieldList.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString name = raw.trimmed();
            if (const auto* c = t.columns.find(name))
                items.push_back({c->name, c, nullptr, QString()});
            else if (const auto* r = t.references.find(name))
                items.push_back({r->name, nullptr, r, QString()});
        }
    } else {
        for (int i = 0; i < t.columns.Count(); ++i) {
            const datalib::ColumnDef& c = t.columns.Item(i);
            if (c.flag && ds_->ColExist(c.name)) items.push_back({c.name, &c, nullptr, c.group});
        }
        for (int i = 0; i < t.references.Count(); ++i) {
            const datalib::ReferenceDef& r = t.references.Item(i);
            if (r.flag && (r.collection || ds_->ColExist(r.name)))
                items.push_back({r.name, nullptr, &r, r.group});
        }
    }

    QStringList groups;
    for (const Item& it : items)
        if (!groups.contains(it.group)) groups << it.group;
    QHash<QString, QFormLayout*> forms;
    for (const QString& g : groups) {
        auto* scroll = new QScrollArea(tabs_);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        auto* page = new QWidget(scroll);
        auto* form = new QFormLayout(page);
        form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        scroll->setWidget(page);
        page->installEventFilter(this);
        tabs_->addTab(scroll, g.isEmpty() ? QLatin1String(kGeneralTab) : g);
        forms.insert(g, form);
    }
    tabs_->tabBar()->setVisible(groups.size() > 1);

    for (const Item& it : items) {
        auto f = std::make_unique<Field>();
        f->name = it.name;
        f->col = it.col;
        f->ref = it.ref;
        f->label = datalib::SplitAtCapitals(it.name);
        QFormLayout* form = forms.value(it.group);
        QWidget* page = form->parentWidget();
        QWidget* row = nullptr;
        Field* fp = f.get();
        if (it.col && it.col->isBoolean()) {
            auto* box = new QCheckBox(page);
            platform::connectGuarded(box, &QCheckBox::clicked, this, [this, fp] { CommitField(fp->name); });
            f->editor = box;
        } else if (it.col && !it.col->valueList.isEmpty()) {
            auto* box = new QComboBox(page);
            box->addItem(QString());
            f->listValues.push_back(core::Variant::null());
            if (it.col->valueList == QLatin1String("MONTH")) {
                for (int m = 1; m <= 12; ++m) {
                    box->addItem(core::italian::monthName(m));
                    f->listValues.push_back(core::Variant(double(m)));
                }
            } else {
                for (const auto& [v, label] : it.col->valuePairs()) {
                    box->addItem(label);
                    f->listValues.push_back(core::Variant(v));
                }
            }
            platform::connectGuarded(box, &QComboBox::activated, this,
                                     [this, fp](int) { CommitField(fp->name); });
            f->editor = box;
        } else if (it.col && it.col->type == datalib::coltype::LongText) {
            auto* box = new QPlainTextEdit(page);
            box->setTabChangesFocus(true);
            box->setMaximumHeight(90);
            box->installEventFilter(this);
            f->editor = box;
        } else if (it.ref && it.ref->collection) {
            auto* button = new QPushButton(f->label + QStringLiteral("..."), page);
            platform::connectGuarded(button, &QPushButton::clicked, this,
                                     [this, fp] { browseCollection(*fp); });
            f->editor = button;
        } else {
            auto* edit = new QLineEdit(page);
            if (it.col && it.col->isText() && it.col->length > 0) edit->setMaxLength(it.col->length);
            if (it.col && datalib::coltype::isNumeric(it.col->type)) edit->setAlignment(Qt::AlignRight);
            platform::connectGuarded(edit, &QLineEdit::editingFinished, this, [this, fp] {
                if (!showing_) CommitField(fp->name);
            });
            f->editor = edit;
            if (it.ref) {
                row = new QWidget(page);
                auto* h = new QHBoxLayout(row);
                h->setContentsMargins(0, 0, 0, 0);
                edit->setParent(row);
                edit->setMaximumWidth(160);
                h->addWidget(edit);
                f->choose = new QToolButton(row);
                f->choose->setText(QStringLiteral("..."));
                f->choose->setToolTip(QStringLiteral("Scegli ") + f->label);
                platform::connectGuarded(f->choose, &QToolButton::clicked, this,
                                         [this, fp] { chooseReference(*fp); });
                h->addWidget(f->choose);
                f->shown = new QLabel(row);
                h->addWidget(f->shown, 1);
            }
        }
        f->editor->setObjectName(QStringLiteral("fld") + it.name);
        const QString tip = it.col ? it.col->description : (it.ref ? it.ref->description : QString());
        if (!tip.isEmpty()) f->editor->setToolTip(tip);
        form->addRow(f->label, row ? row : f->editor);
        fields_.push_back(std::move(f));
    }
    applyReadOnly();
}

int DataPanel::ContentsHeight() const {
    auto* scroll = qobject_cast<QScrollArea*>(tabs_->currentWidget());
    if (!scroll || !scroll->widget()) return minimumSizeHint().height();
    // The tabs' frame and bar around the page, and the page's fields.
    const int around = tabs_->minimumSizeHint().height() - scroll->minimumSizeHint().height();
    return std::max(0, around) + 2 * scroll->frameWidth() + scroll->widget()->sizeHint().height();
}

void DataPanel::SetFitToContents(bool fit) {
    fit_ = fit;
    if (fit_) setMinimumHeight(ContentsHeight());
}

void DataPanel::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    applyReadOnly();
}

void DataPanel::applyReadOnly() {
    for (auto& f : fields_) {
        if (f->collection()) continue;  // browsing the rows stays possible
        if (auto* e = f->line()) e->setReadOnly(readOnly_);
        if (auto* e = f->plain()) e->setReadOnly(readOnly_);
        if (auto* e = f->check()) e->setEnabled(!readOnly_);
        if (auto* e = f->combo()) e->setEnabled(!readOnly_);
        if (f->choose) f->choose->setEnabled(!readOnly_);
    }
}

QStringList DataPanel::Fields() const {
    QStringList out;
    for (const auto& f : fields_) out << f->name;
    return out;
}

DataPanel::Field* DataPanel::find(const QString& name) {
    for (auto& f : fields_)
        if (f->name.compare(name, Qt::CaseInsensitive) == 0) return f.get();
    return nullptr;
}

const DataPanel::Field* DataPanel::find(const QString& name) const {
    return const_cast<DataPanel*>(this)->find(name);
}

QWidget* DataPanel::Editor(const QString& field) const {
    const Field* f = find(field);
    return f ? f->editor : nullptr;
}

QStringList DataPanel::FieldsInError() const {
    QStringList out;
    for (const auto& f : fields_)
        if (f->error) out << f->name;
    return out;
}

DataPanel::Field* DataPanel::fieldOfWidget(QObject* w) {
    for (auto& f : fields_)
        if (f->editor == w) return f.get();
    return nullptr;
}

QString DataPanel::textOf(const Field& f) const {
    if (auto* e = f.line()) return e->text();
    if (auto* e = f.plain()) return e->toPlainText();
    return {};
}

void DataPanel::Refresh() {
    showing_ = true;
    const bool valid = ds_ && ds_->RowValid();
    for (auto& f : fields_) {
        if (f->error) continue;
        f->editor->setEnabled(valid || f->collection());
        if (!valid) {
            if (auto* e = f->line()) e->clear();
            if (auto* e = f->plain()) e->clear();
            continue;
        }
        show(*f);
    }
    showing_ = false;
}

void DataPanel::show(Field& f) {
    if (f.collection()) return;
    const core::Variant v = ds_->ColValue(f.name);
    if (f.col && f.col->isBoolean()) {
        f.check()->setChecked(!v.isEmptyOrNull() && v.toBool());
        return;
    }
    if (auto* box = f.combo()) {
        int index = 0;
        for (size_t i = 1; i < f.listValues.size(); ++i)
            if (!v.isEmptyOrNull() && f.listValues[i].toString() == v.toString()) index = int(i);
        box->setCurrentIndex(index);
        return;
    }
    QString text;
    if (f.ref) {
        auto row = datalib::ReferencedRow(ds_->Database(), *f.ref, v);
        QStringList shown;
        if (row)
            for (const QString& c : f.ref->shownColumnList())
                if (row->ColExist(c)) shown << row->FormattedColValue(c);
        if (f.ref->byRowLink()) {
            const QString typed = datalib::ReferenceTypedColumn(*ds_->Database(), *f.ref);
            text = row && row->ColExist(typed) ? row->ColValueStr(typed) : QString();
            if (!shown.isEmpty()) shown.removeFirst();
        } else {
            text = v.isEmptyOrNull() ? QString() : v.toString();
        }
        f.shown->setText(shown.join(QStringLiteral(" - ")));
    } else {
        text = DataGridModel::displayText(f.col, v);
    }
    // The widgets give a text back their own way (a multi-line box ends its
    // lines in LF alone): what they give is what "nothing typed" compares with.
    if (auto* e = f.line()) {
        e->setText(text);
        f.displayed = e->text();
    }
    if (auto* e = f.plain()) {
        f.crlf = text.contains(QStringLiteral("\r\n"));
        e->setPlainText(text);
        f.displayed = e->toPlainText();
    }
}

void DataPanel::setError(Field& f, bool error) {
    f.error = error;
    f.editor->setStyleSheet(error ? QStringLiteral("background-color: #FFD8D8;") : QString());
}

bool DataPanel::parse(const Field& f, core::Variant& value, QString& problem) const {
    QString typed = textOf(f);
    // Line ends as the value had them (a script of a layout keeps its CR LF).
    if (f.plain() && f.crlf) {
        typed.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        typed.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    }
    const QString trimmed = typed.trimmed();
    if (f.ref) {
        if (trimmed.isEmpty()) {
            value = f.ref->byRowLink() ? core::Variant::null() : core::Variant(QString());
            return true;
        }
        auto db = ds_->Database();
        const datalib::TableDef* target = db->tableDef(f.ref->table);
        auto rows = datalib::ReferenceRowsFor(db, *f.ref, trimmed);
        if (rows->DataEmpty()) {
            problem = QStringLiteral("\"%1\" non esiste in %2.").arg(trimmed, target->caption());
            return false;
        }
        value = f.ref->byRowLink() ? core::Variant(double(rows->OID())) : core::Variant(trimmed);
        return true;
    }
    const datalib::ColumnDef& c = *f.col;
    if (c.isText() || c.type == datalib::coltype::LongText) {
        if (c.length > 0 && typed.size() > c.length) {
            problem = QStringLiteral("Il campo ammette al massimo %1 caratteri.").arg(c.length);
            return false;
        }
        value = typed.isEmpty() ? core::Variant::null() : core::Variant(typed);
        return true;
    }
    if (trimmed.isEmpty()) {
        value = core::Variant::null();
        return true;
    }
    try {
        switch (c.type) {
            case datalib::coltype::Date:
            case datalib::coltype::DateTime: {
                const auto d = core::italian::parseDate(trimmed);
                if (!d) {
                    problem = QStringLiteral("Scrivere una data esistente, come 31/01/2024.");
                    return false;
                }
                value = core::Variant(c.type == datalib::coltype::Date ? d->datePart() : *d);
                return true;
            }
            case datalib::coltype::Money: {
                const auto m = core::italian::parseCurrency(trimmed);
                if (!m) {
                    problem = QStringLiteral("Scrivere un importo, come 1.234,50.");
                    return false;
                }
                value = core::Variant(*m);
                return true;
            }
            default: {
                const auto n = core::italian::parseNumber(trimmed);
                if (!n) {
                    problem = QStringLiteral("Scrivere un numero, come 12,5.");
                    return false;
                }
                if (c.type == datalib::coltype::Integer) {
                    if (*n != std::floor(*n) || std::fabs(*n) > 9.0e15) {
                        problem = QStringLiteral("Scrivere un numero intero.");
                        return false;
                    }
                }
                value = core::Variant(*n);
                return true;
            }
        }
    } catch (const core::AppError&) {
        problem = QStringLiteral("Numero troppo grande.");
        return false;
    }
}

bool DataPanel::CommitField(const QString& name) {
    Field* f = find(name);
    if (!f || !ds_ || readOnly_ || f->collection() || !ds_->RowValid() || committing_) return true;
    // A message box takes the focus away, and leaving the box would write it again.
    const QScopedValueRollback<bool> busy(committing_, true);
    core::Variant value;
    if (auto* box = f->check()) {
        value = core::Variant(box->isChecked());
    } else if (auto* box = f->combo()) {
        value = f->listValues.at(size_t(std::max(0, box->currentIndex())));
    } else {
        if (!f->error && textOf(*f) == f->displayed) return true;  // nothing typed
        QString problem;
        if (!parse(*f, value, problem)) {
            setError(*f, true);
            platform::messageBox(problemText(f->label, textOf(*f).trimmed(), problem),
                                 platform::kOkOnly | platform::kExclamation, QString(), window());
            return false;
        }
    }
    try {
        ds_->SetColValue(f->name, value);
    } catch (const core::AppError& e) {
        // A refusal of the table class was shown by the library; anything
        // else is told here. The typed text stays.
        if (!e.cancelled() && !datalib::errors::isCancel(e))
            platform::messageBox(problemText(f->label, textOf(*f).trimmed(), e.description()),
                                 platform::kOkOnly | platform::kExclamation, QString(), window());
        if (f->line() || f->plain())
            setError(*f, true);
        else
            Refresh();
        return false;
    }
    setError(*f, false);
    Refresh();
    emit fieldWritten(f->name);
    return true;
}

bool DataPanel::CommitEditingDataControls() {
    // The field being edited first, then every other field holding a text
    // not yet written; the first one that does not convert stops it all
    // (its warning was shown) and gets the focus back, its text kept.
    Field* focused = fieldOfWidget(focusWidget());
    std::vector<Field*> order;
    if (focused) order.push_back(focused);
    for (auto& f : fields_)
        if (f.get() != focused && (f->error || ((f->line() || f->plain()) && textOf(*f) != f->displayed)))
            order.push_back(f.get());
    for (Field* f : order) {
        if (CommitField(f->name)) continue;
        f->editor->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return true;
}

bool DataPanel::HasTypedChanges() const {
    if (!ds_) return false;
    if (ds_->IsChanged()) return true;
    for (const auto& f : fields_)
        if (f->error || ((f->line() || f->plain()) && textOf(*f) != f->displayed)) return true;
    return false;
}

void DataPanel::chooseReference(Field& f) {
    if (!ds_ || readOnly_ || !f.ref) return;
    std::shared_ptr<datalib::DataSource> rows;
    try {
        rows = ds_->SelectReference(f.ref->name);
    } catch (const core::AppError& e) {
        if (!e.cancelled())
            platform::messageBox(e.description(), platform::kOkOnly | platform::kExclamation, QString(),
                                 window());
        return;
    }
    const QString keyColumn = datalib::ReferenceTypedColumn(*ds_->Database(), *f.ref);
    QStringList display{keyColumn};
    for (const QString& c : f.ref->shownColumnList())
        if (!display.contains(c, Qt::CaseInsensitive)) display << c;
    const core::Variant key =
        ViewObject(rows, window()).PickList(f.label, display.join(QLatin1Char(',')), keyColumn);
    if (key.isEmpty()) return;
    f.line()->setText(key.toString());
    CommitField(f.name);
}

void DataPanel::browseCollection(Field& f) {
    if (!ds_ || !f.ref) return;
    try {
        ViewObject(ds_->GetReference(f.ref->name), window()).Browse(f.label);
    } catch (const core::AppError& e) {
        if (!e.cancelled())
            platform::messageBox(e.description(), platform::kOkOnly | platform::kExclamation, QString(),
                                 window());
    }
}

bool DataPanel::eventFilter(QObject* watched, QEvent* event) {
    // The fields of a page are shown, or change: the page asks for its layout.
    if (fit_ && event->type() == QEvent::LayoutRequest && watched->parent() &&
        qobject_cast<QScrollArea*>(watched->parent()->parent()))
        setMinimumHeight(ContentsHeight());
    if (event->type() == QEvent::FocusOut && !showing_)
        if (Field* f = fieldOfWidget(watched); f && f->plain()) CommitField(f->name);
    return QWidget::eventFilter(watched, event);
}

}  // namespace controls
