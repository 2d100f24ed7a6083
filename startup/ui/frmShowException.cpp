#include "startup/ui/frmShowException.h"

#include "platform/Paths.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/OSWinUtil.h"
#include "startup/RunContext.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace startup {

frmShowException::frmShowException(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmShowException"));
    setWindowTitle(QStringLiteral("Visualizzazione Errore"));
    setModal(true);

    auto* codeCaption = new QLabel(QStringLiteral("Codice:"), this);
    lblCode_ = new QLabel(this);
    lblCode_->setObjectName(QStringLiteral("lblCode"));
    lblCode_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lblCode_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    txtMsg_ = new QPlainTextEdit(this);
    txtMsg_->setObjectName(QStringLiteral("txtMsg"));
    txtMsg_->setReadOnly(true);

    cmdSupport_ = new QPushButton(QStringLiteral("Invia al supporto"), this);
    cmdSupport_->setObjectName(QStringLiteral("cmdSupport"));
    cmdSupport_->setToolTip(
        QStringLiteral("Spedisce il messaggio di errore al supporto tramite posta elettronica"));
    cmdSave_ = new QPushButton(QStringLiteral("Salva..."), this);
    cmdSave_->setObjectName(QStringLiteral("cmdSave"));
    cmdSave_->setToolTip(QStringLiteral("Salva il messaggio di errore in un file di testo"));
    cmdBrowser_ = new QPushButton(QStringLiteral("Browser"), this);
    cmdBrowser_->setObjectName(QStringLiteral("cmdBrowser"));
    cmdBrowser_->setToolTip(QStringLiteral("Visualizza il messaggio nel Browser HTML predefinito"));
    cmdEsc_ = new QPushButton(QStringLiteral("Chiudi"), this);
    cmdEsc_->setObjectName(QStringLiteral("cmdEsc"));
    for (QPushButton* b : {cmdSupport_, cmdSave_, cmdBrowser_, cmdEsc_}) b->setAutoDefault(false);
    cmdEsc_->setDefault(true);

    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(codeCaption);
    codeRow->addWidget(lblCode_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSupport_);
    buttons->addWidget(cmdSave_);
    buttons->addWidget(cmdBrowser_);
    buttons->addStretch(1);
    buttons->addWidget(cmdEsc_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(codeRow);
    layout->addWidget(txtMsg_, 1);
    layout->addLayout(buttons);
    resize(560, 340);

    platform::connectGuarded(cmdSupport_, &QPushButton::clicked, this, &frmShowException::cmdSupport_Click);
    platform::connectGuarded(cmdSave_, &QPushButton::clicked, this, &frmShowException::cmdSave_Click);
    platform::connectGuarded(cmdBrowser_, &QPushButton::clicked, this, &frmShowException::cmdBrowser_Click);
    connect(cmdEsc_, &QPushButton::clicked, this, &QDialog::reject);
}

void frmShowException::SetException(const QString& codeText, const QString& detailsText) {
    code_ = codeText;
    lblCode_->setText(codeText);
    details_ = detailsText;
    if (!details_.contains(QLatin1String("\r\n"))) details_.replace(QLatin1Char('\r'), QLatin1String("\r\n"));
    txtMsg_->setPlainText(platform::displayText(details_));
}

QString frmShowException::TextReport() const {
    return QStringLiteral("Error: ") + code_ + details_ + QStringLiteral("\r\n");
}

QString frmShowException::HtmlReport() const {
    // The text goes inside <pre>, escaped, so that markup-like parts and line
    // breaks show as they are.
    return QStringLiteral(
               "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
               "<title>Visualizzazione Errore</title></head>\n<body><pre>") +
           details_.toHtmlEscaped() + QStringLiteral("</pre></body></html>\n");
}

QString frmShowException::SupportLink() const {
    const QString body = QStringLiteral("Error: ") + code_ + details_;
    return QStringLiteral("mailto:") + runContext().supportAddress +
           QStringLiteral("?subject=Application%20Error&body=") +
           QString::fromLatin1(QUrl::toPercentEncoding(body));
}

void frmShowException::showWriteError(const QString& description) {
    platform::messageBox(description, platform::kOkOnly, QStringLiteral("ERRORE"), this);
}

void frmShowException::cmdSupport_Click() { ShellOpenDocument(SupportLink()); }

void frmShowException::cmdSave_Click() {
    const QString path = platform::saveFileName(this, QStringLiteral("Salva"),
                                                platform::dataFile(QStringLiteral("LastError.txt")),
                                                QStringLiteral("Testo (*.txt)"));
    if (path.isEmpty()) return;
    if (QFileInfo::exists(path)) {
        const int answer =
            platform::messageBox(QStringLiteral("Il file esiste già...\r\rVuoi sostituirlo ?"),
                                 platform::kYesNo + platform::kExclamation + platform::kDefaultButton2,
                                 QStringLiteral("ATTENZIONE"), this);
        if (answer != platform::kAnswerYes) return;
    }
    QString error;
    if (!platform::writeFileAtomically(path, TextReport().toUtf8(), &error)) showWriteError(error);
}

void frmShowException::cmdBrowser_Click() {
    const QString path = platform::dataFile(QStringLiteral("Error.htm"));
    QString error;
    if (!platform::writeFileAtomically(path, HtmlReport().toUtf8(), &error)) {
        showWriteError(error);
        return;
    }
    ShellOpenDocument(path);
}

}  // namespace startup
