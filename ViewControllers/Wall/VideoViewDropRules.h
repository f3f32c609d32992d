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

class SiteInfo;

// The drag type of a plane moved on the wall: the source plane number.
inline constexpr char PasteBoardTypePlaneDragged[] = "PasteBoardTypePlaneDragged";

QByteArray planeDraggedData(int64_t plane);

struct VideoViewDragContents {
  // The plane type was offered (from this process).
  bool hasPlaneType = false;
  // Its plane number, when the data names a plane of the wall.
  std::optional<int64_t> planeSource;
  // The connection-target archive: unchanged from this process (the site tree's), made a
  // stranger's from another one (strangerConnectionTarget); none when refused.
  std::optional<QByteArray> connectionTarget;

  // A plane drag counts only from this process (fromThisProcess: the drag has a source
  // widget here): its number means nothing elsewhere. A connection target is taken as
  // another program's when the data itself says it came through the X server
  // (offeredByAnotherProcess), not from the drag's source alone: a drop made inside this
  // process without a source widget (a test's, or one replayed by the wall) is the
  // wall's own, as it always was.
  static VideoViewDragContents of(const QMimeData* data, bool fromThisProcess);
  // The same with the target's origin given: targetFromAnotherProcess makes the
  // connection target a stranger's.
  static VideoViewDragContents of(const QMimeData* data, bool fromThisProcess, bool targetFromAnotherProcess);
};

// Whether the data was offered by another process, through the X server's drag and drop
// or its clipboard. Qt hands such data over as its platform's own QMimeData subclass
// (a QInternalMimeData), which reads the other program's offer on demand; a drag started
// in this process hands the drop the very QMimeData its source made, and a clipboard that
// this process owns gives back the QMimeData it was given.
bool offeredByAnotherProcess(const QMimeData* data);

// What is left of a connection target that came from another process. Another program
// decides nothing for the operator: a site or camera keeps where it is and what it shows
// (name, address, port, index, counts, titles) but loses its automatic login, its user and
// password and its claim to be a discovered recorder, so the login question is always
// asked and no session on the wall is joined without it; it loses its store identifier
// too, so nothing the recorder reports is written into a stored site. A favourite is
// refused: it logs in to every recorder it names without asking. None for a favourite or
// an archive that does not read.
std::optional<QByteArray> strangerConnectionTarget(const QByteArray& archive);

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

// The cameras a site or camera target shows from the plane it is dropped on: a camera
// (index 1 or more) its one camera, a whole site its camera count from camera 0. A whole
// site without a camera count (or with one below 1) shows nothing: count 0.
struct SiteTargetCameras {
  int64_t first = 0;
  int64_t count = 0;
  bool operator==(const SiteTargetCameras&) const = default;
};
SiteTargetCameras camerasOfSiteTarget(const SiteInfo& site);

}  // namespace zelvo
