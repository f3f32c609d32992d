#pragma once
// The toolbar strip's connecting indicator: a busy progress bar (no end) drawn as a
// spinner of twelve ticks, turning only while it is shown.

#include <QProgressBar>
#include <QTimer>

namespace zelvo {

class ConnectingIndicator : public QProgressBar {
  Q_OBJECT
 public:
  static constexpr int TurnIntervalMs = 80;

  explicit ConnectingIndicator(QWidget* parent = nullptr);

  bool isAnimating() const { return timer_.isActive(); }
  int phase() const { return phase_; }
  QSize sizeHint() const override { return QSize(16, 16); }
  QSize minimumSizeHint() const override { return QSize(16, 16); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QTimer timer_;
  int phase_ = 0;
};

}  // namespace zelvo
