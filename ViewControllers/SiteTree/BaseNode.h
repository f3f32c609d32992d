#pragma once
// A row of the site tree: what it shows, where it sits, what it stands for.
// Children are shared objects: a filter copy holds the same children as the node it
// was made from, in a list of its own. A child names its parent weakly, so the
// parent-child cycle keeps nothing alive; a parent that is gone reads as none.
// Nodes are never archived: only their data (an archived connection target) travels.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>
#include <vector>

namespace zelvo {

class BaseNode;
using NodePtr = std::shared_ptr<BaseNode>;
using NodeList = std::vector<NodePtr>;

class BaseNode : public std::enable_shared_from_this<BaseNode> {
 public:
  BaseNode() = default;
  virtual ~BaseNode() = default;
  BaseNode(const BaseNode&) = delete;
  BaseNode& operator=(const BaseNode&) = delete;

  static std::shared_ptr<BaseNode> create() { return std::make_shared<BaseNode>(); }

  // The titles compared case-insensitively (both lowered): <0, 0 or >0.
  int compare(const BaseNode& other) const;
  // The keys a keyed archive of a node would use; nothing archives nodes.
  static QStringList mutableKeys();

  const QString& nodeTitle() const { return nodeTitle_; }
  void setNodeTitle(QString title) { nodeTitle_ = std::move(title); }
  std::shared_ptr<BaseNode> parent() const { return parent_.lock(); }
  void setParent(const std::shared_ptr<BaseNode>& parent) { parent_ = parent; }
  const QImage& nodeIcon() const { return nodeIcon_; }
  void setNodeIcon(QImage icon) { nodeIcon_ = std::move(icon); }
  const QByteArray& data() const { return data_; }
  void setData(QByteArray data) { data_ = std::move(data); }
  NodeList& children() { return children_; }
  const NodeList& children() const { return children_; }
  void setChildren(NodeList children) { children_ = std::move(children); }
  const std::optional<QUrl>& nodeID() const { return nodeID_; }
  void setNodeID(std::optional<QUrl> id) { nodeID_ = std::move(id); }
  bool isExpanded() const { return isExpanded_; }
  void setIsExpanded(bool expanded) { isExpanded_ = expanded; }

  // The ChildNode fields; a BaseNode (a section) has index 0 and is never resolving.
  virtual qint64 index() const { return 0; }

 private:
  QString nodeTitle_ = QStringLiteral("Untitled");
  std::weak_ptr<BaseNode> parent_;
  QImage nodeIcon_;
  QByteArray data_;
  NodeList children_;
  std::optional<QUrl> nodeID_;
  bool isExpanded_ = false;
};

}  // namespace zelvo
