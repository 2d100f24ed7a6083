#pragma once
// The moving picture of the card window: a card passing through the slot of
// a reader, drawn on the fly.

#include <QTimer>
#include <QWidget>

namespace carddevices {

class CardSwipeAnimation : public QWidget {
    Q_OBJECT
  public:
    explicit CardSwipeAnimation(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {96, 72}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QTimer timer_;
    int frame_ = 0;
};

}  // namespace carddevices
