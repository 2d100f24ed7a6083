#pragma once
// The label preview: one row of labels drawn on a page picture, shown
// modally; Esc closes it.

#include <QDialog>

#include <memory>

class QLabel;

namespace platform {
class ImageSurface;
}

namespace labels {

class frmLabelPreview : public QDialog {
    Q_OBJECT
  public:
    explicit frmLabelPreview(QWidget* parent = nullptr);
    ~frmLabelPreview() override;

    // The picture the labels are drawn on.
    platform::ImageSurface& surface() { return *picture_; }
    // Shows the picture as drawn so far.
    void RefreshView();

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    std::unique_ptr<platform::ImageSurface> picture_;
    QLabel* view_ = nullptr;
};

}  // namespace labels
