#pragma once
// Shows the recorder's setup dialog: the canvas of its pictures, sized to the view,
// drawn with magenta keyed out so that the window's background shows there. The view
// fills the window's client area; input is the window's.

#include <QImage>
#include <QPoint>
#include <QWidget>

#include "ViewControllers/RemoteSetup/RemoteSetupCanvas.h"

namespace zelvo {

class RemoteSetupView : public QWidget {
  Q_OBJECT
 public:
  explicit RemoteSetupView(QWidget* parent = nullptr);

  const RemoteSetupCanvas& canvas() const { return canvas_; }
  // All magenta, hence see-through.
  void clearView();
  // A picture at its offset on the recorder's dialog (top-left origin).
  void drawImage(const QImage& image, QPoint offset);

 protected:
  void paintEvent(QPaintEvent* event) override;
  // The canvas follows the view's size, keeping what it shows.
  void resizeEvent(QResizeEvent* event) override;

 private:
  RemoteSetupCanvas canvas_;
};

}  // namespace zelvo
