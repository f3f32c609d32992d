#include "ViewControllers/SiteTree/ChildNode.h"

namespace zelvo {

std::shared_ptr<ChildNode> ChildNode::childNodeWithNode(const BaseNode& node) {
  auto copy = ChildNode::create();
  copy->setNodeTitle(node.nodeTitle());
  copy->setNodeID(node.nodeID());
  copy->setNodeIcon(node.nodeIcon());
  copy->setParent(node.parent());
  copy->setData(node.data());
  copy->setChildren(node.children());
  copy->setIsExpanded(node.isExpanded());
  if (const ChildNode* child = asChild(&node)) {
    copy->domain_ = child->domain_;
    copy->address_ = child->address_;
    copy->cameraCount_ = child->cameraCount_;
    copy->cameraNumber_ = child->cameraNumber_;
    copy->port_ = child->port_;
    copy->index_ = child->index_;
    copy->isResolving_ = child->isResolving_;
    copy->isResolved_ = child->isResolved_;
    copy->failToResolve_ = child->failToResolve_;
  }
  return copy;
}

}  // namespace zelvo
