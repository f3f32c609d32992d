#pragma once
// The wall's pages and selection without any drawing: eight square layouts of 1 to 8
// planes per side over 64 planes, pages as consecutive runs of planes from plane 0, the
// selected plane, and what each change must do to the screen and tell the others.
// The view applies a VideoViewChange: first the screen, then the notifications.

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <cstdint>
#include <functional>
#include <vector>

namespace zelvo {

using VideoViewLayout = int32_t;

inline constexpr int64_t VideoViewPlaneCount = 64;
inline constexpr VideoViewLayout VideoViewLayoutMax = 7;

// Divisions per side: layout + 1. Any layout outside 0 to 7 is a programming error.
int divisionsOfLayout(VideoViewLayout layout);

// What a change asks of the view, in this order.
struct VideoViewChange {
  bool screenLayout = false;          // Screen::setLayout(selected plane, divisions)
  bool selectedPlaneChanged = false;  // post the selected-plane notification
  bool layoutChanged = false;         // then the layout notification

  bool operator==(const VideoViewChange&) const = default;
};

class VideoViewPages {
 public:
  // Starts as the view is made: layout 0, plane 0, and 0 as the layout to return to.
  VideoViewPages() = default;

  VideoViewLayout layout() const { return layout_; }
  VideoViewLayout previousLayout() const { return previousLayout_; }
  int64_t selectedPlane() const { return selected_; }

  int planeCountPerOnRowOfCurrentLayout() const { return divisionsOfLayout(layout_); }
  int64_t planeCountInCurrentLayout() const;
  int64_t layoutOrder() const { return selected_ / planeCountInCurrentLayout(); }
  int64_t firstPlaneInCurrentLayout() const { return layoutOrder() * planeCountInCurrentLayout(); }
  int64_t lastPlaneInCurrentLayout() const;
  std::vector<int64_t> visiblePlanes() const;
  bool canChangeToPreviousLayout() const { return layoutOrder() > 0; }
  bool canChangeToNextLayout() const { return lastPlaneInCurrentLayout() != VideoViewPlaneCount - 1; }

  // Row and column of a plane inside its page, and its page.
  struct Pair {
    int64_t row = 0;
    int64_t column = 0;
    bool operator==(const Pair&) const = default;
  };
  Pair pairOfPlane(int64_t plane) const;
  int64_t depthOfPlane(int64_t plane) const { return plane / planeCountInCurrentLayout(); }
  // -1 when row or column is off the page or the plane does not exist.
  int64_t planeOfPair(Pair pair, int64_t depth) const;

  // The plane under a point of a view of the given size (y down, row 0 at the top);
  // -1 outside the view or past the last plane. The right and bottom edges belong to
  // the last column and row.
  int64_t planeAtPoint(QPointF point, QSizeF viewSize) const;
  // That plane's cell; an empty rectangle when there is none.
  QRectF planeBoundsAtPoint(QPointF point, QSizeF viewSize) const;
  // The cell of a plane of the shown page; empty for any other plane.
  QRectF boundsOfPlane(int64_t plane, QSizeF viewSize) const;

  VideoViewChange setSelectedPlane(int64_t plane);
  VideoViewChange setLayout(VideoViewLayout layout);
  VideoViewChange toggleFullLayout();
  VideoViewChange changeToPreviousLayout();
  // isBound is asked only with ignoreUnboundPlanes.
  VideoViewChange changeToNextLayout(bool rotation, bool ignoreUnboundPlanes,
                                     const std::function<bool(int64_t)>& isBound);
  VideoViewChange moveLeft();
  VideoViewChange moveRight();
  VideoViewChange moveUp();
  VideoViewChange moveDown();

 private:
  VideoViewLayout layout_ = 0;
  VideoViewLayout previousLayout_ = 0;
  int64_t selected_ = 0;
};

}  // namespace zelvo
