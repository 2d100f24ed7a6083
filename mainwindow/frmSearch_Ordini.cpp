#include "mainwindow/frmSearch_Ordini.h"

#include "core/Clock.h"
#include "core/ItalianText.h"
#include "datalib/DataSet.h"
#include "datalib/SelectionCriteria.h"
#include "mainwindow/QuickHelpList.h"
#include "platform/ui/GuardedApplication.h"
#include "startup/OSWinUtil.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>

#include <cmath>

namespace mainwindow {

namespace {

constexpr int kDateKind = 17;

QString shortDate(core::Date d) {
    return QStringLiteral("%1/%2/%3")
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.year(), 4, 10, QLatin1Char('0'));
}

QLineEdit* box(QWidget* parent, const char* name) {
    auto* b = new QLineEdit(parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

// A frame of the window's form with its two boxes, "from" and "to".
struct RangeBox {
    const char* name;
    const char* caption;
    QLineEdit*& box;
};
void rangeFrame(QWidget* fields, const char* name, const char* caption, const RangeBox& from,
                const RangeBox& to) {
    auto* frame = new QGroupBox(QString::fromUtf8(caption), fields);
    frame->setObjectName(QLatin1String(name));
    auto* rows = new QFormLayout(frame);
    for (const RangeBox* r : {&from, &to}) {
        r->box = box(frame, r->name);
        rows->addRow(QString::fromUtf8(r->caption), r->box);
    }
    static_cast<QFormLayout*>(fields->layout())->addRow(frame);
}

// A whole number written with digits only (a sign allowed), without its
// leading zeros; empty when the text is not one.
QString wholeDigits(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = t.startsWith(u'+') ? 1 : 0;
    if (i >= t.size()) return {};
    for (qsizetype j = i; j < t.size(); ++j)
        if (!t.at(j).isDigit() || t.at(j).unicode() > 127) return {};
    while (i < t.size() - 1 && t.at(i) == u'0') ++i;
    return t.mid(i);
}

// -1, 0, 1: the two numbers' order. Whole numbers of any length compare
// digit by digit; other numbers (decimals, signs) as rounded values.
int compareNumbers(const QString& a, const QString& b) {
    const QString da = wholeDigits(a);
    const QString db = wholeDigits(b);
    if (!da.isEmpty() && !db.isEmpty()) {
        if (da.size() != db.size()) return da.size() < db.size() ? -1 : 1;
        const int c = da.compare(db);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    const double x = std::nearbyint(core::italian::parseNumber(a).value_or(0));
    const double y = std::nearbyint(core::italian::parseNumber(b).value_or(0));
    return x < y ? -1 : x > y ? 1 : 0;
}

bool isNumber(const QString& text) {
    try {
        return core::italian::parseNumber(text).has_value();
    } catch (...) {
        return false;  // too large even for a double: still compared as text
    }
}

}  // namespace

frmSearch_Ordini::frmSearch_Ordini(QWidget* owner) : SearchWindow(owner, QStringLiteral("RICERCA ORDINI")) {
    setObjectName(QStringLiteral("frmSearch_Ordini"));
    auto* fields = new QWidget(this);
    auto* form = new QFormLayout(fields);
    txtSel_Cliente_ = box(fields, "txtSel_Cliente");
    txtSel_Articolo_ = box(fields, "txtSel_Articolo");
    form->addRow(QStringLiteral("Codice / Rag. Soc. Cliente:"), txtSel_Cliente_);
    form->addRow(QStringLiteral("Codice / Descrizione Articolo:"), txtSel_Articolo_);
    txtSel_Cliente_->setMinimumWidth(320);

    rangeFrame(fields, "Frame1", "Data Ordine:", {"txtFromDate_Ordine", "Da Data:", txtFromDate_},
               {"txtToDate_Ordine", "A Data:", txtToDate_});
    rangeFrame(fields, "Frame2", "Numero Sede:", {"txtFromNum_Ordine", "Da Numero:", txtFromNum_},
               {"txtToNum_Ordine", "A Numero:", txtToNum_});

    // The separators are put in as the operator types; the dates the window
    // writes itself are left as they are.
    for (QLineEdit* date : {txtFromDate_, txtToDate_})
        platform::connectGuarded(date, &QLineEdit::textEdited, this,
                                 [date] { startup::FormatDateInput(date, kDateKind); });

    QuickHelp()->AddBox(txtSel_Cliente_, kCustomerHelp);
    QuickHelp()->AddBox(txtSel_Articolo_,
                        {QStringLiteral("Articoli"), QStringLiteral("Descrizione"), QStringLiteral("Codice"),
                         QStringLiteral("Descrizione"), QStringLiteral("Not Disabilitato")});
    finishLayout(fields);

    // From the first of January to the end of this month.
    const core::Date today = core::Clock::today();
    txtFromDate_->setText(QStringLiteral("01/01/") + QString::number(today.year()));
    txtToDate_->setText(shortDate(startup::LastDayOfMonth(today)));
    txtSel_Cliente_->setFocus();
}

void frmSearch_Ordini::ShowSelection(QWidget* owner, datalib::SelectionCriteria& selection, bool& confirmed) {
    showWindow([owner] { return std::make_unique<frmSearch_Ordini>(owner); }, selection, confirmed);
}

bool frmSearch_Ordini::checkEntries() {
    const QString from = txtFromDate_->text().trimmed();
    const QString to = txtToDate_->text().trimmed();
    const auto fromDate = core::italian::parseDate(from);
    const auto toDate = core::italian::parseDate(to);
    const auto refuse = [this](const QString& text, QLineEdit* focus) {
        tell(text);
        if (focus) focus->setFocus();
        return false;
    };
    if (!from.isEmpty() && !fromDate) return refuse(QStringLiteral("La data non è valida"), txtFromDate_);
    if (toDate && !from.isEmpty() && *toDate < *fromDate)
        return refuse(QStringLiteral("Il periodo impostato non è corretto"), txtFromDate_);
    if (!to.isEmpty() && !toDate) return refuse(QStringLiteral("La data non è valida"), txtToDate_);

    const QString fromNum = txtFromNum_->text();
    const QString toNum = txtToNum_->text();
    const QString order =
        QStringLiteral("Il campo 'Da Numero' deve contenere un valore minore del campo 'A Numero'");
    if (isNumber(fromNum) && isNumber(toNum)) {
        if (compareNumbers(fromNum, toNum) > 0) return refuse(order, nullptr);
    } else if (!fromNum.isEmpty() && !toNum.isEmpty()) {
        if (fromNum.compare(toNum, Qt::CaseSensitive) > 0) return refuse(order, txtFromNum_);
    }
    return true;
}

bool frmSearch_Ordini::buildSelection(datalib::SelectionCriteria& selection) {
    if (!checkEntries()) return false;
    selection.ResetCriteria();
    selection.SetConditionText(QString());
    const auto ordini = startup::GetDataSet(QStringLiteral("Ordini"));
    QString condition;

    const QString customer = txtSel_Cliente_->text();
    if (!customer.isEmpty()) {
        const auto clienti = startup::GetDataSet(QStringLiteral("Clienti"));
        const auto [column, code] =
            CodeOrName(QStringLiteral("Clienti"), QStringLiteral("RagioneSociale"), customer);
        condition = clienti->BuildFieldCondition(column, core::Variant(customer), code) +
                    QStringLiteral(" AND ") + ordini->JoinCondition(QStringLiteral("Cliente"));
    }
    const QString article = txtSel_Articolo_->text();
    if (!article.isEmpty()) {
        if (!condition.isEmpty()) condition += QStringLiteral(" AND ");
        const auto articoli = startup::GetDataSet(QStringLiteral("Articoli"));
        const auto rows = startup::GetDataSet(QStringLiteral("RigheOrdini"));
        const auto [column, code] =
            CodeOrName(QStringLiteral("Articoli"), QStringLiteral("Descrizione"), article);
        // The rows' table is reached through the orders' collection, so the
        // translator tests it as one semi-join: each order once, however
        // many of its rows hold the article.
        condition += articoli->BuildFieldCondition(column, core::Variant(article), code) +
                     QStringLiteral(" AND ") + ordini->JoinCondition(QStringLiteral("Righe")) +
                     QStringLiteral(" AND ") + rows->QualifiedParentLinkColumn() + u'=' +
                     rows->QualifiedParentKeyColumn();
    }
    selection.SetConditionText(condition);

    const QString fromDate = txtFromDate_->text().trimmed();
    const QString toDate = txtToDate_->text().trimmed();
    if (!fromDate.isEmpty()) {
        if (toDate.isEmpty())
            selection.AddFieldCriterion(QStringLiteral("DataInserimento"), 0, core::Variant(fromDate));
        else
            selection.AddFieldCriterion(QStringLiteral("DataInserimento"), 6, core::Variant(fromDate),
                                        core::Variant(toDate));
    }
    const QString fromNum = txtFromNum_->text();
    if (!fromNum.isEmpty()) {
        if (txtToNum_->text().isEmpty())
            selection.AddFieldCriterion(QStringLiteral("NumeroSede"), 0, core::Variant(fromNum));
        else
            selection.AddFieldCriterion(QStringLiteral("NumeroSede"), 6, core::Variant(fromNum),
                                        core::Variant(txtToNum_->text()));
    }
    return true;
}

}  // namespace mainwindow
