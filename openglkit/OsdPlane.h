#pragma once
// The on-screen display of one video plane: its frame on the overlay canvas (origin bottom
// left), its page relative to the shown one, a background and named elements drawn over it.
// The overlay owns one per video plane and draws them into its canvas.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "openglkit/Gradient.h"
#include "openglkit/OsdElement.h"
#include "openglkit/OsdRect.h"
#include "openglkit/OsdTextAttributes.h"

class QImage;
class QPainter;

namespace zelvo {

class Texture;

class OsdPlane {
 public:
  OsdPlane();
  ~OsdPlane();
  OsdPlane(const OsdPlane&) = delete;
  OsdPlane& operator=(const OsdPlane&) = delete;

  // The overlay's texture; kept for the overlay, not used by the plane's own drawing.
  void setTexture(const Texture* texture) { texture_ = texture; }
  const Texture* texture() const { return texture_; }

  // Both replace any element under the key.
  void addTextBox(const std::string& key, const OsdTextAttributes& attributes, const std::string& defaultText,
                  const OsdRect& position);
  void addImage(const std::string& key, const QImage& image, const OsdRect& position);

  // Sets the text of a text box under the key; marks the plane dirty in every case.
  void setText(const std::string& key, std::optional<std::string> text);
  // Shows or hides the element under the key, if any; the plane is not marked dirty.
  void setVisible(const std::string& key, bool visible);
  // The selected flag is part of the call but not kept.
  void setFrame(int page, bool selected, float left, float top, float right, float bottom);
  void setBackgroundColor(const Rgba& color);
  void setBackground(const Gradient& gradient);

  // Draws background and elements when the plane is on the shown page (page 0) and clears
  // its dirty mark; returns false without drawing otherwise.
  bool draw(QPainter& painter);

  // The background's first colour; the background must have a stop.
  Rgba firstColor() const;
  // More than two stops, or every stop of one colour: painted in the first colour.
  bool hasFlatBackground() const;

  bool dirty() const { return dirty_; }
  void setDirty(bool dirty) { dirty_ = dirty; }
  bool highlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted) { highlighted_ = highlighted; }
  const OsdRect& frame() const { return frame_; }
  int page() const { return page_; }
  const Gradient& background() const { return background_; }
  // The element under the key, or null.
  OsdElement* element(const std::string& key) const;

 private:
  void put(const std::string& key, std::unique_ptr<OsdElement> element);
  void drawBackground(QPainter& painter) const;

  bool dirty_ = false;
  bool highlighted_ = false;
  OsdRect frame_;
  const Texture* texture_ = nullptr;
  int page_ = 0;
  // Drawn in the order the keys were first added: the title, then the icon over it.
  std::vector<std::pair<std::string, std::unique_ptr<OsdElement>>> elements_;
  Gradient background_;
};

}  // namespace zelvo
