#pragma once
// Where a plane lies in the current layout.

namespace zelvo {

struct PlanePosition {
  int column = 0;
  int row = 0;
  int layer = 0;  // 0 = on the page shown, 1 and more = on a page behind it

  bool operator==(const PlanePosition&) const = default;
};

}  // namespace zelvo
