#include "startup/ui/frmObjectView.h"

#include "controls/MubCommand.h"
#include "core/LanguageErrors.h"
#include "core/ObjectBinding.h"
#include "core/RaiseError.h"
#include "platform/SafeFile.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Printers.h"
#include "startup/OSWinUtil.h"

#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

namespace startup {

namespace {

std::map<QString, frmObjectView::Factory>& registry() {
    static std::map<QString, frmObjectView::Factory> classes;
    return classes;
}

// "Shell.Explorer": shows an HTML file and prints it on the program's printer.
class HtmlViewer : public core::Object {
  public:
    explicit HtmlViewer(QTextBrowser* view) : view_(view) {}
    QString typeName() const override { return QStringLiteral("WebBrowser"); }

    core::Variant invoke(const QString& name, core::CallKind kind,
                         std::span<core::Variant* const> args) override {
        using core::CallArgs;
        using core::Variant;
        static const auto table =
            core::MemberTable::of<HtmlViewer>()
                .method("Navigate", 1, 5,
                        [](HtmlViewer& v, const CallArgs& a) {
                            v.navigate(a.string(0));
                            return Variant();
                        })
                .method("ExecWB", 1, 4,
                        [](HtmlViewer& v, const CallArgs& a) {
                            // 6: print; the other commands have nothing to do here.
                            if (a.whole(0) == 6) v.print();
                            return Variant();
                        })
                .property("LocationURL", [](HtmlViewer& v, const CallArgs&) { return Variant(v.location_); })
                .build();
        return table.invoke(*this, name, kind, args);
    }

    void navigate(const QString& target) {
        const QString path =
            target.startsWith(QLatin1String("file:")) ? QUrl(target).toLocalFile() : GetAbsolutePath(target);
        const platform::ReadResult read = platform::readRegularFile(path);
        if (!read.data)
            throw core::AppError(read.refusal == platform::ReadRefusal::Missing ? 53 : 75,
                                 QStringLiteral("Shell.Explorer"), read.reason(target));
        location_ = path;
        document_.setBaseUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath() + QLatin1Char('/')));
        document_.setHtml(QString::fromUtf8(*read.data));
        if (view_) view_->setDocument(&document_);
    }

    void print() {
        const auto job = platform::Printers::openJob(nullptr, platform::Printers::current(), QString(),
                                                     QFileInfo(location_).fileName());
        if (!job) return;
        job->printDocument(document_);
        QString error;
        if (!job->finish(&error))
            throw core::AppError(core::kErrPrinter, QStringLiteral("Shell.Explorer"), error);
    }

  private:
    // The pictures of the page are files too: read as the page itself is.
    class Document : public QTextDocument {
      protected:
        QVariant loadResource(int type, const QUrl& name) override {
            if (name.isLocalFile() || name.scheme().isEmpty()) {
                const QUrl url = baseUrl().resolved(name);
                if (url.isLocalFile()) {
                    const platform::ReadResult read = platform::readRegularFile(url.toLocalFile());
                    return read.data ? QVariant(*read.data) : QVariant();
                }
            }
            return QTextDocument::loadResource(type, name);
        }
    };
    QTextBrowser* view_;
    Document document_;
    QString location_;
};

const bool registeredExplorer = [] {
    frmObjectView::registerClass(QStringLiteral("Shell.Explorer"), [](QWidget* parent) {
        auto* view = new QTextBrowser(parent);
        return frmObjectView::Hosted{std::make_shared<HtmlViewer>(view), view};
    });
    return true;
}();

}  // namespace

void frmObjectView::registerClass(const QString& classId, Factory factory) {
    registry()[classId.toLower()] = std::move(factory);
}

frmObjectView& frmObjectView::instance() {
    (void)registeredExplorer;
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
        platform::messageBox(QStringLiteral("Stampa fallita, l'errore è: ") + e.description() +
                                 QStringLiteral("\r\rMetodo: ") + printMethod_,
                             platform::kExclamation, QString(), this);
    }
}

void frmObjectView::showModal() { exec(); }

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
