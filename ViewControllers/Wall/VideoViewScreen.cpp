#include "ViewControllers/Wall/VideoViewScreen.h"

#include "openglkit/Screen.h"

namespace zelvo {

namespace {

class KitVideoViewScreen final : public VideoViewScreen {
 public:
  KitVideoViewScreen(int planes, ScreenDelegate* owner) : screen_(planes, owner) {}

  bool init(float width, float height) override { return screen_.init(width, height); }
  void renderIfNeeded(float time) override { screen_.renderIfNeeded(time); }
  void reshape(float width, float height) override { screen_.reshape(width, height); }
  float viewWidth() const override { return screen_.viewWidth(); }
  float viewHeight() const override { return screen_.viewHeight(); }
  int planeCount() const override { return screen_.planeCount(); }
  void setLayout(int selectedPlane, int divisions) override { screen_.setLayout(selectedPlane, divisions); }
  void setKeepAspectRatio(bool keep) override { screen_.setKeepAspectRatio(keep); }
  void setSelectionGradient(const Gradient& gradient) override { screen_.setSelectionGradient(gradient); }
  void setVideoFrame(int plane, int width, int height, int lineSize, const uint8_t* y, float xScale, float yScale,
                     const uint8_t* u, const uint8_t* v) override {
    screen_.setVideoFrame(plane, width, height, lineSize, y, xScale, yScale, u, v);
  }
  void clearPlane(int plane) override { screen_.clearPlane(plane); }
  void clearPlaneWithGradient(int plane, const Gradient& gradient) override {
    screen_.clearPlaneWithGradient(plane, gradient);
  }
  void clearAllPlanes() override { screen_.clearAllPlanes(); }
  void setTitle(int plane, std::optional<std::string> title) override { screen_.setTitle(plane, std::move(title)); }
  void showPtzIcon(int plane) override { screen_.showPtzIcon(plane); }
  void hidePtzIcon(int plane) override { screen_.hidePtzIcon(plane); }
  bool showHighlight(int plane) override { return screen_.showHighlight(plane); }
  bool hideHighlight() override { return screen_.hideHighlight(); }
  void setCameraConfiguration(int plane, const CameraConfiguration& configuration) override {
    screen_.setCameraConfiguration(plane, configuration);
  }
  CameraConfiguration getCameraConfiguration(int plane) const override { return screen_.getCameraConfiguration(plane); }
  std::optional<RgbaImage> imageOfPlane(int plane, bool asShown) override { return screen_.imageOfPlane(plane, asShown); }
  std::optional<RgbaImage> dragImageOfPlane(int plane) override { return screen_.dragImageOfPlane(plane); }

 private:
  Screen screen_;
};

}  // namespace

std::unique_ptr<VideoViewScreen> makeKitVideoViewScreen(int planes, ScreenDelegate* owner) {
  return std::make_unique<KitVideoViewScreen>(planes, owner);
}

}  // namespace zelvo
