#pragma once
// The rendering kit's Screen as the wall's view uses it, so that the view's rules can be
// checked against a recording screen. KitVideoViewScreen is the real one.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "openglkit/CameraConfiguration.h"
#include "openglkit/Gradient.h"
#include "openglkit/RgbaImage.h"
#include "openglkit/ScreenDelegate.h"

namespace zelvo {

class Screen;

class VideoViewScreen {
 public:
  virtual ~VideoViewScreen() = default;

  virtual bool init(float width, float height) = 0;
  virtual void renderIfNeeded(float time) = 0;
  virtual void reshape(float width, float height) = 0;
  virtual float viewWidth() const = 0;
  virtual float viewHeight() const = 0;
  virtual int planeCount() const = 0;

  virtual void setLayout(int selectedPlane, int divisions) = 0;
  virtual void setKeepAspectRatio(bool keep) = 0;
  virtual void setSelectionGradient(const Gradient& gradient) = 0;
  virtual void setVideoFrame(int plane, int width, int height, int lineSize, const uint8_t* y, float xScale,
                             float yScale, const uint8_t* u, const uint8_t* v) = 0;
  virtual void clearPlane(int plane) = 0;
  virtual void clearPlaneWithGradient(int plane, const Gradient& gradient) = 0;
  virtual void clearAllPlanes() = 0;
  virtual void setTitle(int plane, std::optional<std::string> title) = 0;
  virtual void showPtzIcon(int plane) = 0;
  virtual void hidePtzIcon(int plane) = 0;
  virtual bool showHighlight(int plane) = 0;
  virtual bool hideHighlight() = 0;
  virtual void setCameraConfiguration(int plane, const CameraConfiguration& configuration) = 0;
  virtual CameraConfiguration getCameraConfiguration(int plane) const = 0;
  virtual std::optional<RgbaImage> imageOfPlane(int plane, bool asShown) = 0;
  virtual std::optional<RgbaImage> dragImageOfPlane(int plane) = 0;
};

// Makes the screen of a view in its GL set-up, with the context current.
using VideoViewScreenFactory = std::function<std::unique_ptr<VideoViewScreen>(int planes, ScreenDelegate* owner)>;

// The kit's Screen. Must be made and destroyed with the context current.
std::unique_ptr<VideoViewScreen> makeKitVideoViewScreen(int planes, ScreenDelegate* owner);

}  // namespace zelvo
