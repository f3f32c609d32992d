#include "ViewControllers/SitePanel/ControlViewGeometry.h"

namespace zelvo {

ControlViewGeometry ControlViewGeometry::forSize(double width, double height, const Pictures& pictures) {
  ControlViewGeometry g;
  const double dw = DesignWidth - width;
  const double dh = DesignHeight - height;
  g.changedViewWidthValue = dw;
  g.changedViewHeightValue = dh;
  g.textFieldWidth = width - 88.0;
  // The site box and the PTZ bar follow the top edge; the colour bar keeps its height
  // above the bottom edge.
  g.whiteBox = QRectF(0, 418 - dh, 215 - dw, 100);
  const double middle = 125 - dw;
  if (middle > 0) {
    const double cap = pictures.rowCap.width();
    for (int r = 0; r < 4; ++r) {
      const double y = 491 - dh - 21 * r;
      g.rows.push_back(Row{QRectF(QPointF(5, y), pictures.rowCap),
                           QRectF(5 + cap, y, middle, pictures.rowMiddle.height()),
                           QRectF(QPointF(5 + cap + middle, y), pictures.rowCap)});
    }
  }
  // The bars are as wide as width - dw, wider than the view past the design width; the
  // part beyond the edge is clipped away.
  const double bar = width - dw;
  if (bar > 0) {
    g.ptzTitleBar = QRectF(0, 398 - dh, bar, pictures.titleBar.height());
    g.colorTitleBar = QRectF(0, 103, bar, pictures.titleBar.height());
  }
  g.ptzIcon = QRectF(QPointF(7, 398 - dh), pictures.ptzIcon);
  g.colorIcon = QRectF(QPointF(7, 103), pictures.colorIcon);
  return g;
}

}  // namespace zelvo
