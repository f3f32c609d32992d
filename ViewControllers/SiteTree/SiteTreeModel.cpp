#include "ViewControllers/SiteTree/SiteTreeModel.h"

#include <algorithm>

#include "Foundation/Assert.h"
#include "ViewControllers/SiteTree/ChildNode.h"
#include "ViewControllers/Store/ConnectionTarget.h"

namespace zelvo {

SiteTreeModel::SiteTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

RowLook SiteTreeModel::lookFor(const BaseNode& node) const {
  if (look_) return look_(node);
  RowLook look;
  look.section = !shownParent(&node);
  return look;
}

void SiteTreeModel::reset(NodeList roots, const std::function<void()>& change) {
  beginResetModel();
  shownParent_.clear();
  if (change) change();
  roots_ = std::move(roots);
  for (const NodePtr& root : roots_) enter(root.get(), nullptr);
  endResetModel();
}

void SiteTreeModel::enter(BaseNode* node, BaseNode* parent) {
  // A node shown twice would have two rows and no single parent.
  ZELVO_ASSERT(!shownParent_.contains(node), "a node is shown once");
  shownParent_.insert(node, parent);
  for (const NodePtr& child : node->children()) enter(child.get(), node);
}

void SiteTreeModel::leave(BaseNode* node) {
  shownParent_.remove(node);
  for (const NodePtr& child : node->children()) leave(child.get());
}

bool SiteTreeModel::isShown(const BaseNode* node) const { return node && shownParent_.contains(node); }

BaseNode* SiteTreeModel::shownParent(const BaseNode* node) const { return shownParent_.value(node, nullptr); }

const NodeList& SiteTreeModel::listOf(const BaseNode* parent) const { return parent ? parent->children() : roots_; }

int SiteTreeModel::rowOf(const BaseNode* node) const {
  const NodeList& list = listOf(shownParent(node));
  auto it = std::find_if(list.begin(), list.end(), [&](const NodePtr& n) { return n.get() == node; });
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

QModelIndex SiteTreeModel::indexForNode(const BaseNode* node) const {
  if (!isShown(node)) return {};
  int row = rowOf(node);
  if (row < 0) return {};
  return createIndex(row, 0, const_cast<BaseNode*>(node));
}

BaseNode* SiteTreeModel::nodeForIndex(const QModelIndex& index) {
  return index.isValid() ? static_cast<BaseNode*>(index.internalPointer()) : nullptr;
}

void SiteTreeModel::appendChild(BaseNode* parent, NodePtr child) {
  ZELVO_PRECONDITION(parent && child);
  if (!isShown(parent)) {
    parent->children().push_back(std::move(child));
    return;
  }
  QModelIndex parentIndex = indexForNode(parent);
  int row = static_cast<int>(parent->children().size());
  beginInsertRows(parentIndex, row, row);
  BaseNode* raw = child.get();
  parent->children().push_back(std::move(child));
  enter(raw, parent);
  endInsertRows();
}

void SiteTreeModel::removeChildAt(BaseNode* parent, int row) {
  ZELVO_PRECONDITION(parent && row >= 0 && row < static_cast<int>(parent->children().size()));
  NodeList& list = parent->children();
  if (!isShown(parent)) {
    list.erase(list.begin() + row);
    return;
  }
  beginRemoveRows(indexForNode(parent), row, row);
  NodePtr removed = list[row];  // kept alive until the view has let go of it
  list.erase(list.begin() + row);
  leave(removed.get());
  endRemoveRows();
}

bool SiteTreeModel::removeChild(BaseNode* parent, const BaseNode* child) {
  const NodeList& list = parent->children();
  auto it = std::find_if(list.begin(), list.end(), [&](const NodePtr& n) { return n.get() == child; });
  if (it == list.end()) return false;
  removeChildAt(parent, static_cast<int>(it - list.begin()));
  return true;
}

bool SiteTreeModel::sortNeeded(const NodeList& list) const {
  if (!std::is_sorted(list.begin(), list.end(),
                      [](const NodePtr& a, const NodePtr& b) { return a->index() < b->index(); }))
    return true;
  return std::any_of(list.begin(), list.end(), [&](const NodePtr& n) { return sortNeeded(n->children()); });
}

void SiteTreeModel::sortShown(NodeList& list) {
  std::stable_sort(list.begin(), list.end(), [](const NodePtr& a, const NodePtr& b) { return a->index() < b->index(); });
  for (const NodePtr& node : list) sortShown(node->children());
}

void SiteTreeModel::resort() {
  // The sections keep their places; only what is below them is ordered.
  bool needed = std::any_of(roots_.begin(), roots_.end(), [&](const NodePtr& r) { return sortNeeded(r->children()); });
  if (!needed) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<BaseNode*> nodes;
  nodes.reserve(before.size());
  for (const QModelIndex& index : before) nodes.push_back(nodeForIndex(index));
  for (const NodePtr& root : roots_) sortShown(root->children());
  QModelIndexList after;
  after.reserve(before.size());
  for (size_t i = 0; i < nodes.size(); ++i) {
    QModelIndex moved = indexForNode(nodes[i]);
    after.push_back(moved.isValid() ? moved.sibling(moved.row(), before[static_cast<int>(i)].column()) : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SiteTreeModel::nodeChanged(const BaseNode* node) {
  QModelIndex index = indexForNode(node);
  if (index.isValid()) emit dataChanged(index, index);
}

bool SiteTreeModel::anyInProgress() const {
  for (auto it = shownParent_.constBegin(); it != shownParent_.constEnd(); ++it)
    if (it.value() && lookFor(*it.key()).inProgress) return true;
  return false;
}

QModelIndex SiteTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  const BaseNode* parentNode = nodeForIndex(parent);
  if (parent.isValid() && parent.column() != 0) return {};
  const NodeList& list = listOf(parentNode);
  if (row >= static_cast<int>(list.size())) return {};
  return createIndex(row, 0, list[row].get());
}

QModelIndex SiteTreeModel::parent(const QModelIndex& child) const {
  BaseNode* node = nodeForIndex(child);
  if (!node) return {};
  BaseNode* above = shownParent(node);
  if (!above) return {};
  return indexForNode(above);
}

int SiteTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  return static_cast<int>(listOf(nodeForIndex(parent)).size());
}

int SiteTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant SiteTreeModel::data(const QModelIndex& index, int role) const {
  const BaseNode* node = nodeForIndex(index);
  if (!node) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return node->nodeTitle();
    case Qt::ToolTipRole:
      // Tool tips are rendered as rich text: say so, and escape the title, so a
      // recorder named "<b>..." reads as it is named.
      return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(node->nodeTitle().toHtmlEscaped());
    case Qt::DecorationRole: {
      RowLook look = lookFor(*node);
      return look.icon.isNull() ? QVariant() : QVariant(look.icon);
    }
    case NodeRole:
      return QVariant::fromValue(reinterpret_cast<quintptr>(node));
    case IsSectionRole:
      return lookFor(*node).section;
    case InProgressRole:
      return lookFor(*node).inProgress;
    case FailedRole:
      return lookFor(*node).failed;
    default:
      return {};
  }
}

bool SiteTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  BaseNode* node = nodeForIndex(index);
  if (!node || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
  node->setNodeTitle(value.toString());
  emit dataChanged(index, index);
  emit nodeRenamed(node);
  return true;
}

QVariant SiteTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) return QString(ColumnName);
  return {};
}

Qt::ItemFlags SiteTreeModel::flags(const QModelIndex& index) const {
  const BaseNode* node = nodeForIndex(index);
  if (!node) return Qt::NoItemFlags;
  RowLook look = lookFor(*node);
  if (look.section) return Qt::ItemIsEnabled;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
  if (look.editable) flags |= Qt::ItemIsEditable;
  return flags;
}

QStringList SiteTreeModel::mimeTypes() const { return {QString(PasteBoardTypeConnectionTarget)}; }

}  // namespace zelvo
