#pragma once
// The names under which every on-screen-display plane keeps its two elements.

namespace zelvo {

inline constexpr const char OsdElementTitleKey[] = "OsdElementTitleKey";
inline constexpr const char OsdElementPtzIconKey[] = "OsdElementPtzIconKey";

}  // namespace zelvo
