#pragma once
// Every row below a section: a favourite, a site, a camera, a discovered recorder.

#include "ViewControllers/SiteTree/BaseNode.h"

namespace zelvo {

class ChildNode : public BaseNode {
 public:
  ChildNode() = default;
  static std::shared_ptr<ChildNode> create() { return std::make_shared<ChildNode>(); }
  // A new node with the same fields, parent and data, and a new list holding the same
  // children. The copy is not added to the parent's children.
  static std::shared_ptr<ChildNode> childNodeWithNode(const BaseNode& node);

  const QString& domain() const { return domain_; }
  void setDomain(QString domain) { domain_ = std::move(domain); }
  const std::optional<QString>& address() const { return address_; }
  void setAddress(std::optional<QString> address) { address_ = std::move(address); }
  qint64 cameraCount() const { return cameraCount_; }
  void setCameraCount(qint64 count) { cameraCount_ = count; }
  qint64 cameraNumber() const { return cameraNumber_; }
  void setCameraNumber(qint64 number) { cameraNumber_ = number; }
  qint64 port() const { return port_; }
  void setPort(qint64 port) { port_ = port; }
  qint64 index() const override { return index_; }
  void setIndex(qint64 index) { index_ = index; }
  bool isResolving() const { return isResolving_; }
  void setIsResolving(bool resolving) { isResolving_ = resolving; }
  bool isResolved() const { return isResolved_; }
  void setIsResolved(bool resolved) { isResolved_ = resolved; }
  bool failToResolve() const { return failToResolve_; }
  void setFailToResolve(bool failed) { failToResolve_ = failed; }

 private:
  QString domain_ = QStringLiteral("");
  std::optional<QString> address_;
  qint64 cameraCount_ = 0;
  qint64 cameraNumber_ = 0;
  qint64 port_ = 0;
  qint64 index_ = 0;
  bool isResolving_ = false;
  bool isResolved_ = false;
  bool failToResolve_ = false;
};

using ChildNodePtr = std::shared_ptr<ChildNode>;

// The node as a ChildNode, or null for a section.
inline ChildNode* asChild(BaseNode* node) { return dynamic_cast<ChildNode*>(node); }
inline const ChildNode* asChild(const BaseNode* node) { return dynamic_cast<const ChildNode*>(node); }

}  // namespace zelvo
