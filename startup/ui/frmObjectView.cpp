#include "startup/ui/frmObjectView.h"

#include "startup/ui/HtmlViewer.h"

#include "controls/MubCommand.h"
#include "core/LanguageErrors.h"
#include "core/Prompt.h"
#include "core/RaiseError.h"
#include "core/RunCheck.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"

#include <QTimer>

namespace startup {

namespace {

std::map<QString, frmObjectView::Factory>& registry() {
    static std::map<QString, frmObjectView::Factory> classes;
    return classes;
}

}  // namespace

void frmObjectView::registerClass(const QString& classId, Factory factory) {
    registry()[classId.toLower()] = std::move(factory);
}

frmObjectView& frmObjectView::instance() {
    static const bool explorer = [] {
        registerHtmlViewer();
        return true;
    }();
    (void)explorer;
    static frmObjectView* window = new frmObjectView();
    return *window;
}

frmObjectView::frmObjectView(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Anteprima documenti/immagini esterne"));
    cmdExit_ = new controls::MubCommand(this);
    cmdExit_->setText(QStringLiteral("&Chiudi"));
    cmdPrint_ = new controls::MubCommand(this);
    cmdPrint_->setText(QStringLiteral("&Stampa"));
    connect(cmdExit_, &QPushButton::clicked, this, &QDialog::close);
    platform::connectGuarded(cmdPrint_, &QPushButton::clicked, this, &frmObjectView::Print);
    resize(640, 480);
}

void frmObjectView::removeHosted() {
    if (hosted_.widget) hosted_.widget->deleteLater();
    hosted_.widget = nullptr;
}

std::shared_ptr<core::Object> frmObjectView::SetObject(const QString& classId, const QString& controlName,
                                                       const QString& printMethod, bool show,
                                                       const QString& context) {
    removeHosted();
    hosted_.object.reset();
    const auto it = registry().find(classId.toLower());
    if (it == registry().end())
        core::RaiseGenericError(context, QStringLiteral("Classe di oggetto non disponibile: ") + classId);
    controlName_ = controlName;
    printMethod_ = printMethod;
    show_ = show;
    hosted_ = it->second(this);
    if (hosted_.widget) hosted_.widget->setObjectName(controlName);
    AdjustObjectSize();
    return hosted_.object;
}

void frmObjectView::AdjustObjectSize() {
    const int w = width();
    const int buttonHeight = cmdExit_->sizeHint().height();
    if (hosted_.widget) hosted_.widget->setGeometry(0, 0, w, height() - buttonHeight);
    const int top = height() - buttonHeight;
    const bool printable = !printMethod_.trimmed().isEmpty();
    const int buttonWidth = printable ? w / 2 : w;
    cmdExit_->setGeometry(0, top, buttonWidth, buttonHeight);
    cmdPrint_->setGeometry(buttonWidth, top, buttonWidth, buttonHeight);
    cmdPrint_->setVisible(printable);
}

PrintMethodCall ParsePrintMethod(const QString& stored) {
    PrintMethodCall call;
    const QString text = stored.trimmed();
    qsizetype p = text.indexOf(QLatin1Char(' '));
    if (p < 0) p = text.indexOf(QLatin1Char('('));
    if (p < 0) {
        call.name = text;
        return call;
    }
    call.name = text.left(p);
    QString rest = text.mid(p + 1);
    if (rest.endsWith(QLatin1Char(')'))) rest.chop(1);
    rest = rest.trimmed();
    if (rest.isEmpty()) return call;
    for (QString item : rest.split(QLatin1Char(','))) {
        item = item.trimmed();
        bool number = false;
        const double value = item.toDouble(&number);
        call.args.push_back(number ? core::Variant(value) : core::Variant(item));
    }
    return call;
}

void frmObjectView::Print() {
    try {
        const PrintMethodCall call = ParsePrintMethod(printMethod_);
        if (!hosted_.object)
            throw core::AppError(core::kErrObjectNotSet, QStringLiteral("frmObjectView"),
                                 QStringLiteral("Nessun oggetto da stampare"));
        if (call.args.size() >= 6)
            throw core::AppError(core::kErrWrongArguments, QStringLiteral("frmObjectView"),
                                 QStringLiteral("Troppi argomenti per il metodo di stampa"));
        if (call.name.isEmpty())
            throw core::AppError(core::kErrMemberNotFound, QStringLiteral("frmObjectView"),
                                 QStringLiteral("Metodo di stampa non indicato"));
        std::vector<core::Variant> args = call.args;
        std::vector<core::Variant*> refs;
        for (auto& a : args) refs.push_back(&a);
        hosted_.object->invoke(call.name, core::CallKind::Method, refs);
    } catch (const core::AppError& e) {
        // The layout's run was stopped (the user's Stop, its time-out) while
        // the page printed: no printing failure to tell, the run ends.
        if (e.number() == core::kErrRunStopped) {
            runStopped_ = e;
            close();
            return;
        }
        platform::messageBox(QStringLiteral("Stampa fallita, l'errore è: ") + e.description() +
                                 QStringLiteral("\r\rMetodo: ") + printMethod_,
                             platform::kExclamation, QString(), this);
    }
}

void frmObjectView::showModal() {
    runStopped_.reset();
    {
        // The agent reads a page shown for preview: the layout's time-out
        // does not run meanwhile.
        std::optional<core::UserWaitScope> reading;
        if (show_) reading.emplace();
        exec();
    }
    if (runStopped_) {
        const core::AppError stopped = *runStopped_;
        runStopped_.reset();
        throw stopped;
    }
}

void frmObjectView::activated() {
    if (!hosted_.object) {
        platform::messageBox(
            QStringLiteral("Devi usare il metodo <SetObject> per impostare la visualizzazione dell'oggetto"),
            platform::kExclamation, QString(), this);
        close();
        return;
    }
    if (hosted_.widget && !hosted_.widget->isVisible()) hosted_.widget->show();
    if (!show_) {
        Print();
        close();
    }
}

void frmObjectView::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, [this] { activated(); });
}

void frmObjectView::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (hosted_.widget) AdjustObjectSize();
}

void frmObjectView::closeEvent(QCloseEvent* event) {
    removeHosted();
    QDialog::closeEvent(event);
}

}  // namespace startup
