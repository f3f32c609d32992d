#pragma once

#include "openglkit/Shader.h"

namespace zelvo {

class VertexShader : public Shader {
 public:
  VertexShader() : Shader(GL_VERTEX_SHADER) {}
  ~VertexShader() override;
};

}  // namespace zelvo
