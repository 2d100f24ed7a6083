#include "startup/ui/HtmlViewer.h"

#include "core/AppError.h"
#include "core/LanguageErrors.h"
#include "core/ObjectBinding.h"
#include "platform/ui/Printers.h"
#include "startup/HtmlPageCheck.h"
#include "startup/LayoutFiles.h"
#include "startup/OSWinUtil.h"
#include "startup/ui/frmObjectView.h"

#include <QFileInfo>
#include <QImage>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

namespace startup {

namespace {

// What one page may bring in besides itself.
constexpr int kMaxResources = 256;
constexpr qint64 kMaxResourceBytes = platform::kMaxReadFileBytes;
// The sheets one page may print on (a margin of a few metres makes a page
// of a few words thousands of sheets long).
constexpr int kMaxSheets = 1000;

// The page as the viewer shows and prints it. Every resource the text
// layout asks for is answered here, and always with something: Qt's own
// loaders, asked when the answer is empty, would open the named file
// themselves (a FIFO would hang them) or go to the network.
class PageDocument : public QTextDocument {
  public:
    void newPage() {
        resources_ = 0;
        bytes_ = 0;
    }

  protected:
    QVariant loadResource(int type, const QUrl& name) override {
        if (type == ImageResource) {
            const std::optional<QByteArray> data = read(name);
            QImage picture;
            if (data) picture.loadFromData(*data);
            if (picture.isNull()) {
                // Left out: an empty spot of the same size as no picture.
                picture = QImage(1, 1, QImage::Format_ARGB32);
                picture.fill(Qt::transparent);
            }
            return picture;
        }
        // Other resources (a style sheet of another file among them, whose
        // lengths the page's check has not seen) are left out.
        return type == StyleSheetResource ? QVariant(QString()) : QVariant();
    }

  private:
    // A file beside the page (or named by its full path), through the
    // layout's reader, within what the page may still bring in.
    std::optional<QByteArray> read(const QUrl& name) {
        if (!(name.isLocalFile() || name.scheme().isEmpty())) return std::nullopt;
        const QUrl url = baseUrl().resolved(name);
        if (!url.isLocalFile() || resources_ >= kMaxResources) return std::nullopt;
        ++resources_;
        platform::ReadResult read = readLayoutFile(url.toLocalFile());
        if (!read.data || read.data->size() > kMaxResourceBytes - bytes_) return std::nullopt;
        bytes_ += read.data->size();
        return std::move(read.data);
    }

    int resources_ = 0;
    qint64 bytes_ = 0;
};

bool isHtmlFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("htm"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0;
}

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

  private:
    void navigate(const QString& target) {
        const QString source = QStringLiteral("Shell.Explorer");
        const QString path =
            target.startsWith(QLatin1String("file:")) ? QUrl(target).toLocalFile() : GetAbsolutePath(target);
        if (!isHtmlFile(path))
            throw core::AppError(
                core::kErrInvalidCall, source,
                QStringLiteral("Il visualizzatore mostra solo pagine HTML (.htm, .html): ") + target);
        const platform::ReadResult read = readLayoutFile(path);
        if (!read.data) throw core::AppError(layoutReadError(read.refusal), source, read.reason(target));
        const QString html = QString::fromUtf8(*read.data);
        const QString refusal = htmlPageRefusal(html, target);
        if (!refusal.isEmpty()) throw core::AppError(core::kErrCannotPerform, source, refusal);
        location_ = path;
        shownName_ = target;
        document_.newPage();
        document_.setBaseUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath() + QLatin1Char('/')));
        document_.setHtml(html);
        if (view_) view_->setDocument(&document_);
    }

    void print() {
        const auto job = platform::Printers::openJob(nullptr, platform::Printers::current(), QString(),
                                                     QFileInfo(location_).fileName());
        if (!job) return;
        if (!job->printDocument(document_, kMaxSheets))
            throw core::AppError(core::kErrCannotPerform, QStringLiteral("Shell.Explorer"),
                                 QStringLiteral("La pagina %1 occupa più di %2 fogli: non viene stampata")
                                     .arg(shownName_)
                                     .arg(kMaxSheets));
        QString error;
        if (!job->finish(&error))
            throw core::AppError(core::kErrPrinter, QStringLiteral("Shell.Explorer"), error);
    }

    QTextBrowser* view_;
    PageDocument document_;
    QString location_;
    QString shownName_;  // as the layout named it
};

}  // namespace

void registerHtmlViewer() {
    frmObjectView::registerClass(QStringLiteral("Shell.Explorer"), [](QWidget* parent) {
        auto* view = new QTextBrowser(parent);
        // A link leads nowhere: the viewer shows the one page it was given.
        view->setOpenLinks(false);
        view->setOpenExternalLinks(false);
        return frmObjectView::Hosted{std::make_shared<HtmlViewer>(view), view};
    });
}

}  // namespace startup
