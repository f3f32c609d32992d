// Screenshots for docs/: Xvfb runs no window manager, so the tests draw the frame and
// title that an operator's desktop would put around a window.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QWidget>

namespace zelvo::test {

constexpr int FramedTitleHeight = 28;

// The window's own rendering inside a frame with its title, as a window manager shows it.
inline QImage framed(QWidget& window) {
  const QImage content = window.grab().toImage();
  QImage image(content.width() + 2, content.height() + FramedTitleHeight + 1, QImage::Format_RGB32);
  image.fill(QColor(120, 120, 120));
  QPainter p(&image);
  p.fillRect(QRect(1, 1, content.width(), FramedTitleHeight - 1), QColor(222, 222, 222));
  QFont font = window.font();
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(40, 40, 40));
  p.drawText(QRect(1, 1, content.width(), FramedTitleHeight - 1), Qt::AlignCenter, window.windowTitle());
  p.drawImage(1, FramedTitleHeight, content);
  return image;
}

}  // namespace zelvo::test
