#pragma once
// A piece of text on a plane's on-screen display (the plane title). Without a text of its
// own it shows its default text. Text from a recorder is drawn as plain text.

#include <optional>
#include <string>

#include "openglkit/OsdElement.h"
#include "openglkit/OsdTextAttributes.h"

class QFont;

namespace zelvo {

class OsdTextBox : public OsdElement {
 public:
  OsdTextBox(const OsdRect& position, const OsdTextAttributes& textAttributes, const std::string& defaultText);

  const std::optional<std::string>& text() const { return text_; }
  void setText(std::optional<std::string> text) { text_ = std::move(text); }
  // What draw shows: the text, or the default text when there is none.
  const std::string& shownText() const { return text_ ? *text_ : defaultText_; }
  const std::string& defaultText() const { return defaultText_; }
  const OsdTextAttributes& textAttributes() const { return attrs_; }

  // Natural size of the shown text in its font: its advance by the font's line height
  // (not the glyphs' bounds, so a title keeps its height whatever its letters).
  OsdSize naturalSize() const;
  QFont font() const;

  void draw(QPainter& painter, const OsdRect& frame) const override;

 private:
  std::optional<std::string> text_;
  std::string defaultText_;
  OsdTextAttributes attrs_;
};

}  // namespace zelvo
