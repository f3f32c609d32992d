#include "openglkit/FragmentShader.h"

namespace zelvo {

FragmentShader::~FragmentShader() = default;

}  // namespace zelvo
