#pragma once
// The drawing side of the on-screen-display overlay: one OsdPlane per video plane, the
// layout that places them, the drop highlight, the frame of the selected plane and the
// view-sized image they are all painted into. MultiDivisionOsdPlane owns one, uploads its
// image into the OSD texture and composites it over the video; this class needs no GL.

#include <optional>
#include <string>
#include <vector>

#include <QImage>

#include "openglkit/Gradient.h"
#include "openglkit/OsdPlane.h"
#include "openglkit/OsdTextAttributes.h"

namespace zelvo {

class OsdCanvas {
 public:
  explicit OsdCanvas(int planeCount);

  // The text attributes of every plane title.
  static OsdTextAttributes titleAttributes();
  // The default fill of the selected plane's frame.
  static Gradient defaultSelectionGradient();

  // Sizes the canvas, gives every plane its title (its number plus one) and its hidden PTZ
  // icon, and lays the planes out for selected plane 0 in one division.
  void setup(float width, float height, const QImage& ptzIcon);
  // A new, empty canvas of the given size; the planes are laid out again by the next update.
  void reshape(float width, float height);

  int planeCount() const { return static_cast<int>(planes_.size()); }
  int selectedPlane() const { return selectedPlane_; }
  int divisions() const { return divisions_; }
  float viewWidth() const { return viewWidth_; }
  float viewHeight() const { return viewHeight_; }
  bool dirty() const { return dirty_; }

  // Stores the layout and gives every plane its frame and page (marking each dirty).
  void setLayout(int selectedPlane, int divisions);
  // The frames and pages again, for the current layout and view size.
  void layoutPlanes();

  void setSelectionGradient(const Gradient& gradient);
  const Gradient& selectionGradient() const { return selectionGradient_; }

  // Unchecked plane indices: the overlay checks them first.
  OsdPlane& plane(int index) { return planes_[static_cast<size_t>(index)]; }
  const OsdPlane& plane(int index) const { return planes_[static_cast<size_t>(index)]; }
  void setTitle(int plane, std::optional<std::string> title);
  void setPtzIconVisible(int plane, bool visible);
  // False when the plane is not on the shown page or already highlighted.
  bool showHighlight(int plane);
  // True when some plane was highlighted.
  bool hideHighlight();

  // Something on the shown page, or the overlay itself, changed since the last draw.
  bool needsRedraw() const;
  // Paints the whole canvas and clears the dirty marks.
  void draw();
  // The last drawn canvas, top row first, straight alpha (RGBA8888), (int)width x (int)height.
  const QImage& image() const { return image_; }

  // Cell of a plane in the current layout on a canvas of the given size, origin bottom left.
  OsdRect cellRect(int plane, double width, double height) const;

 private:
  void drawGrid(QPainter& painter, int width, int height) const;
  void drawHighlight(QPainter& painter, int plane, int width, int height) const;
  void drawSelectionFrame(QPainter& painter, int plane, int width, int height) const;

  std::vector<OsdPlane> planes_;
  int selectedPlane_ = 0;
  int divisions_ = 1;
  float viewWidth_ = 0;
  float viewHeight_ = 0;
  bool dirty_ = false;
  Gradient selectionGradient_;
  QImage canvas_;  // painted premultiplied, converted for the upload
  QImage image_;
};

}  // namespace zelvo
