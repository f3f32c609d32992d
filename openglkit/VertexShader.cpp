#include "openglkit/VertexShader.h"

namespace zelvo {

VertexShader::~VertexShader() = default;

}  // namespace zelvo
