#include "ViewControllers/SiteTree/BaseNode.h"

namespace zelvo {

int BaseNode::compare(const BaseNode& other) const {
  return nodeTitle_.toLower().compare(other.nodeTitle_.toLower());
}

QStringList BaseNode::mutableKeys() {
  return {"nodeTitle", "children", "nodeIcon", "parent", "nodeID", "isExpanded"};
}

}  // namespace zelvo
