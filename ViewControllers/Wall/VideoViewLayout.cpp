#include "ViewControllers/Wall/VideoViewLayout.h"

#include <algorithm>
#include <cmath>

#include "Foundation/Assert.h"

namespace zelvo {

int divisionsOfLayout(VideoViewLayout layout) {
  ZELVO_ASSERT(0 <= layout && layout <= VideoViewLayoutMax, "Invalid VideoViewLayout");
  return layout + 1;
}

int64_t VideoViewPages::planeCountInCurrentLayout() const {
  const int64_t divisions = divisionsOfLayout(layout_);
  return divisions * divisions;
}

int64_t VideoViewPages::lastPlaneInCurrentLayout() const {
  return std::min(firstPlaneInCurrentLayout() + planeCountInCurrentLayout() - 1, VideoViewPlaneCount - 1);
}

std::vector<int64_t> VideoViewPages::visiblePlanes() const {
  std::vector<int64_t> planes;
  for (int64_t plane = firstPlaneInCurrentLayout(); plane <= lastPlaneInCurrentLayout(); ++plane)
    planes.push_back(plane);
  return planes;
}

VideoViewPages::Pair VideoViewPages::pairOfPlane(int64_t plane) const {
  const int64_t divisions = planeCountPerOnRowOfCurrentLayout();
  const int64_t inPage = plane % planeCountInCurrentLayout();
  return {inPage / divisions, inPage % divisions};
}

int64_t VideoViewPages::planeOfPair(Pair pair, int64_t depth) const {
  const int64_t divisions = planeCountPerOnRowOfCurrentLayout();
  if (pair.row < 0 || pair.row >= divisions || pair.column < 0 || pair.column >= divisions) return -1;
  const int64_t plane = divisions * pair.row + planeCountInCurrentLayout() * depth + pair.column;
  if (plane < 0 || plane >= VideoViewPlaneCount) return -1;
  return plane;
}

int64_t VideoViewPages::planeAtPoint(QPointF point, QSizeF viewSize) const {
  const double width = viewSize.width();
  const double height = viewSize.height();
  if (!(width > 0 && height > 0)) return -1;
  if (!(point.x() >= 0 && point.x() <= width && point.y() >= 0 && point.y() <= height)) return -1;
  const int64_t divisions = planeCountPerOnRowOfCurrentLayout();
  // A point on the right or bottom edge would make a column or row past the last one.
  const int64_t column = std::min(static_cast<int64_t>(std::floor(point.x() * divisions / width)), divisions - 1);
  const int64_t row = std::min(static_cast<int64_t>(std::floor(point.y() * divisions / height)), divisions - 1);
  const int64_t plane = firstPlaneInCurrentLayout() + row * divisions + column;
  return plane < VideoViewPlaneCount ? plane : -1;
}

QRectF VideoViewPages::boundsOfPlane(int64_t plane, QSizeF viewSize) const {
  if (plane < firstPlaneInCurrentLayout() || plane > lastPlaneInCurrentLayout()) return {};
  const double divisions = planeCountPerOnRowOfCurrentLayout();
  const Pair pair = pairOfPlane(plane);
  const double cellWidth = viewSize.width() / divisions;
  const double cellHeight = viewSize.height() / divisions;
  return {pair.column * cellWidth, pair.row * cellHeight, cellWidth, cellHeight};
}

QRectF VideoViewPages::planeBoundsAtPoint(QPointF point, QSizeF viewSize) const {
  return boundsOfPlane(planeAtPoint(point, viewSize), viewSize);
}

VideoViewChange VideoViewPages::setSelectedPlane(int64_t plane) {
  ZELVO_PRECONDITION(0 <= plane && plane < VideoViewPlaneCount);
  if (plane == selected_) return {};
  const bool pageChanged = plane < firstPlaneInCurrentLayout() || plane > lastPlaneInCurrentLayout();
  selected_ = plane;
  return {true, true, pageChanged};
}

VideoViewChange VideoViewPages::setLayout(VideoViewLayout layout) {
  divisionsOfLayout(layout);
  if (layout == layout_) return {};
  layout_ = layout;
  return {true, false, true};
}

VideoViewChange VideoViewPages::toggleFullLayout() {
  if (layout_ == 0) return setLayout(previousLayout_);
  previousLayout_ = layout_;
  return setLayout(0);
}

VideoViewChange VideoViewPages::changeToPreviousLayout() {
  if (!canChangeToPreviousLayout()) return {};
  return setSelectedPlane(firstPlaneInCurrentLayout() - planeCountInCurrentLayout());
}

VideoViewChange VideoViewPages::changeToNextLayout(bool rotation, bool ignoreUnboundPlanes,
                                                   const std::function<bool(int64_t)>& isBound) {
  const int64_t perPage = planeCountInCurrentLayout();
  if (perPage >= VideoViewPlaneCount) return {};
  const int64_t pages = (VideoViewPlaneCount + perPage - 1) / perPage;
  int64_t start = firstPlaneInCurrentLayout();
  for (int64_t tried = 0; tried < pages - 1; ++tried) {
    start += perPage;
    if (start >= VideoViewPlaneCount) {
      if (!rotation) return {};
      start = 0;
    }
    if (!ignoreUnboundPlanes) return setSelectedPlane(start);
    const int64_t last = std::min(start + perPage - 1, VideoViewPlaneCount - 1);
    for (int64_t plane = start; plane <= last; ++plane)
      if (isBound && isBound(plane)) return setSelectedPlane(start);
  }
  return {};
}

VideoViewChange VideoViewPages::moveLeft() {
  if (selected_ - 1 < 0) return {};
  return setSelectedPlane(selected_ - 1);
}

VideoViewChange VideoViewPages::moveRight() {
  if (selected_ + 1 >= VideoViewPlaneCount) return {};
  return setSelectedPlane(selected_ + 1);
}

VideoViewChange VideoViewPages::moveUp() {
  Pair pair = pairOfPlane(selected_);
  pair.row -= 1;
  const int64_t plane = planeOfPair(pair, depthOfPlane(selected_));
  return plane < 0 ? VideoViewChange{} : setSelectedPlane(plane);
}

VideoViewChange VideoViewPages::moveDown() {
  Pair pair = pairOfPlane(selected_);
  pair.row += 1;
  const int64_t plane = planeOfPair(pair, depthOfPlane(selected_));
  return plane < 0 ? VideoViewChange{} : setSelectedPlane(plane);
}

}  // namespace zelvo
