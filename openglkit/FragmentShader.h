#pragma once

#include "openglkit/Shader.h"

namespace zelvo {

class FragmentShader : public Shader {
 public:
  FragmentShader() : Shader(GL_FRAGMENT_SHADER) {}
  ~FragmentShader() override;
};

}  // namespace zelvo
