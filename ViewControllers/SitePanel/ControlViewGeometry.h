#pragma once
// Where the control view draws its background pieces for a given size: the white site box,
// the four framed rows of the box, and the PTZ and colour title bars with their icons.
// Rectangles are in the view's design coordinates, y up from the bottom edge (the offsets
// are fixed for a 213 x 519 view); flipped() turns one into widget coordinates.

#include <QRectF>
#include <QSizeF>
#include <optional>
#include <vector>

namespace zelvo {

struct ControlViewGeometry {
  static constexpr double DesignWidth = 213.0;
  static constexpr double DesignHeight = 519.0;

  struct Pictures {
    QSizeF rowCap;     // "right_info_bg_3.png", at both ends of a row
    QSizeF rowMiddle;  // "right_dvr_info_bg_2.png", stretched to the text fields' width
    QSizeF titleBar;   // "color_control_title_bg.png", stretched to the bar width
    QSizeF ptzIcon;    // "ptz control-icon.png"
    QSizeF colorIcon;  // "color_control_icon.png"
  };
  struct Row {
    QRectF leftCap, middle, rightCap;
  };

  static ControlViewGeometry forSize(double width, double height, const Pictures& pictures);
  // The same rectangle with y down from the top edge of a view this high.
  static QRectF flipped(const QRectF& rect, double height) {
    return QRectF(rect.x(), height - rect.y() - rect.height(), rect.width(), rect.height());
  }

  double changedViewWidthValue = 0;   // dw = 213 - W
  double changedViewHeightValue = 0;  // dh = 519 - H
  double textFieldWidth = 0;          // W - 88
  QRectF whiteBox;
  std::vector<Row> rows;  // empty when the fields have no width left
  // None when the bar has no width.
  std::optional<QRectF> ptzTitleBar, colorTitleBar;
  QRectF ptzIcon, colorIcon;
};

}  // namespace zelvo
