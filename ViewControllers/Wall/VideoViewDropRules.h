#pragma once
// What the wall accepts while something is dragged over it, what it highlights and what a
// drop turns into, without the platform's drag objects. Two kinds of drag matter: a
// connection target (a site, one camera of it or a favourite, as an archive) and a plane
// of this wall moved onto another.

#include <QByteArray>
#include <QMimeData>
#include <Qt>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace zelvo {

// The drag type of a plane moved on the wall: the source plane number.
inline constexpr char PasteBoardTypePlaneDragged[] = "PasteBoardTypePlaneDragged";

QByteArray planeDraggedData(int64_t plane);

struct VideoViewDragContents {
  // The plane type was offered (from this process).
  bool hasPlaneType = false;
  // Its plane number, when the data names a plane of the wall.
  std::optional<int64_t> planeSource;
  // The connection-target archive, unchanged.
  std::optional<QByteArray> connectionTarget;

  // A plane drag counts only from this process: its number means nothing elsewhere.
  static VideoViewDragContents of(const QMimeData* data, bool fromThisProcess);
};

// The source's actions narrowed to move for a plane and copy for a connection target.
Qt::DropActions dragOperationSupported(Qt::DropActions sourceActions, const VideoViewDragContents& contents);

// Whether a drop at planeUnderPoint (-1 for none) would be taken.
bool prepareForDragOperation(const VideoViewDragContents& contents, int64_t planeUnderPoint,
                             const std::function<bool(int64_t)>& isBound);

// The planes to highlight, in order; empty when the drop would be refused or the
// contents name nothing to show.
std::vector<int64_t> dropHighlight(const VideoViewDragContents& contents, int64_t planeUnderPoint,
                                   int64_t firstPlaneOfPage, int64_t lastPlaneOfPage,
                                   const std::function<bool(int64_t)>& isBound);

struct VideoViewDrop {
  enum Kind { None, ConnectionTarget, PlaneDragged };
  Kind kind = None;
  int64_t plane = -1;   // the drop plane, or the target of a moved plane
  int64_t source = -1;  // the moved plane
  QByteArray data;      // the archive as dropped

  bool operator==(const VideoViewDrop&) const = default;
};

// What an accepted drop does; None when prepareForDragOperation refuses.
VideoViewDrop performDragOperation(const VideoViewDragContents& contents, int64_t planeUnderPoint,
                                   const std::function<bool(int64_t)>& isBound);

}  // namespace zelvo
