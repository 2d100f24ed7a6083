#include "labels/ui/frmLabelPreview.h"

#include "platform/ui/MessageBox.h"
#include "platform/ui/PageSurface.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace labels {

frmLabelPreview::frmLabelPreview(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmLabelPreview"));
    setWindowTitle(platform::softwareName());
    picture_ = std::make_unique<platform::ImageSurface>(QSizeF(210, 37), QStringLiteral("Form"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new QLabel(this);
    view_->setObjectName(QStringLiteral("imgLabels"));
    view_->setAlignment(Qt::AlignCenter);
    view_->setStyleSheet(QStringLiteral("background: white"));
    layout->addWidget(view_);
    startup::SetFormFont(this, startup::runContext().fontName, startup::runContext().fontSizeDelta);
}

frmLabelPreview::~frmLabelPreview() = default;

void frmLabelPreview::RefreshView() {
    const QImage& image = picture_->image();
    if (image.isNull()) return;
    view_->setPixmap(
        QPixmap::fromImage(image).scaled(view_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void frmLabelPreview::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RefreshView();
}

void frmLabelPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    RefreshView();
}

void frmLabelPreview::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace labels
