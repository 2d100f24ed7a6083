#pragma once
// The command button of the windows: a push button that shows a caption and,
// when given, a picture beside it, carries a free text tag, and ends a
// dialog as its default or cancel button. Enter and the space bar press it
// when it has the focus; a disabled button ignores clicks and keys.

#include <QIcon>
#include <QPushButton>
#include <QString>

namespace controls {

class MubCommand : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString Tag READ Tag WRITE SetTag)
  public:
    explicit MubCommand(QWidget* parent = nullptr);
    MubCommand(const QString& caption, QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    QString Tag() const { return tag_; }
    void SetTag(const QString& tag) { tag_ = tag; }
    // The picture shown left of the caption (null: none).
    void SetPicture(const QIcon& picture);
    // Picture above the caption, as the large section buttons show it.
    void SetPictureAbove(bool above);
    bool PictureAbove() const { return above_; }

    QSize sizeHint() const override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    QString tag_;
    bool above_ = false;
};

}  // namespace controls
