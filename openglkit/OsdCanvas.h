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

  int planeCount() const { return static_cast<int>(_planes.size()); }
  int selectedPlane() const { return _selectedPlane; }
  int divisions() const { return _divisions; }
  float viewWidth() const { return _viewWidth; }
  float viewHeight() const { return _viewHeight; }
  bool dirty() const { return _dirty; }

  // Stores the layout and gives every plane its frame and page (marking each dirty).
  void setLayout(int selectedPlane, int divisions);
  // The frames and pages again, for the current layout and view size.
  void layoutPlanes();

  void setSelectionGradient(const Gradient& gradient);
  const Gradient& selectionGradient() const { return _selectionGradient; }

  // Unchecked plane indices: the overlay checks them first.
  OsdPlane& plane(int index) { return _planes[static_cast<size_t>(index)]; }
  const OsdPlane& plane(int index) const { return _planes[static_cast<size_t>(index)]; }
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
  const QImage& image() const { return _image; }

  // Cell of a plane in the current layout on a canvas of the given size, origin bottom left.
  OsdRect cellRect(int plane, double width, double height) const;

 private:
  void drawGrid(QPainter& painter, int width, int height) const;
  void drawHighlight(QPainter& painter, int plane, int width, int height) const;
  void drawSelectionFrame(QPainter& painter, int plane, int width, int height) const;

  std::vector<OsdPlane> _planes;
  int _selectedPlane = 0;
  int _divisions = 1;
  float _viewWidth = 0;
  float _viewHeight = 0;
  bool _dirty = false;
  Gradient _selectionGradient;
  QImage _canvas;  // painted premultiplied, converted for the upload
  QImage _image;
};

}  // namespace zelvo
