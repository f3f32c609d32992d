#pragma once
// The site tree as an item model: the three sections at the root, their nodes below.
// The model keeps its own map of where each shown node sits, because a node's parent
// field names where it was made (a filter copy's children still name the original).
// Every change to a shown node's children goes through the model so the view hears of
// it; lists of nodes that are not shown (the saved lists while a filter is active) are
// changed directly. Only a whole reset (the filter's rebuild) forgets the view's state.

#include <QAbstractItemModel>
#include <QHash>
#include <QImage>
#include <functional>

#include "ViewControllers/SiteTree/BaseNode.h"

namespace zelvo {

// How one row looks and what it offers.
struct RowLook {
  bool section = false;
  QImage icon;           // none for a section
  bool editable = false;  // in-place rename (favourites)
  bool inProgress = false;  // the resolving indicator
  bool failed = false;      // a discovered recorder that did not resolve: its title is dimmed
  bool hasMenu = false;   // the context menu is offered
};

class SiteTreeModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  enum Role {
    NodeRole = Qt::UserRole + 1,  // the BaseNode*, as quintptr
    IsSectionRole,
    InProgressRole,
    FailedRole,
  };
  // The column's identifier, offered as its header text.
  static constexpr char ColumnName[] = "Column Name";

  explicit SiteTreeModel(QObject* parent = nullptr);

  void setLookProvider(std::function<RowLook(const BaseNode&)> provider) { look_ = std::move(provider); }
  RowLook lookFor(const BaseNode& node) const;

  // The root rows. Replacing them, or changing lists inside `change`, resets the model.
  const NodeList& roots() const { return roots_; }
  void reset(NodeList roots, const std::function<void()>& change = {});

  bool isShown(const BaseNode* node) const;
  // The node the shown node sits under; null for a root or a node not shown.
  BaseNode* shownParent(const BaseNode* node) const;
  QModelIndex indexForNode(const BaseNode* node) const;
  static BaseNode* nodeForIndex(const QModelIndex& index);

  // Children of any node; signalled when the node is shown.
  void appendChild(BaseNode* parent, NodePtr child);
  void removeChildAt(BaseNode* parent, int row);
  // The first child that is this very node; false when there is none.
  bool removeChild(BaseNode* parent, const BaseNode* child);
  // A stable sort of every shown list by index; keeps expansion and selection.
  void resort();
  // The row of a shown node shows new values.
  void nodeChanged(const BaseNode* node);
  // Some shown row is resolving.
  bool anyInProgress() const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
  Qt::DropActions supportedDropActions() const override { return Qt::IgnoreAction; }
  bool canDropMimeData(const QMimeData*, Qt::DropAction, int, int, const QModelIndex&) const override {
    return false;
  }
  bool dropMimeData(const QMimeData*, Qt::DropAction, int, int, const QModelIndex&) override { return false; }

 signals:
  // A row's title was changed by the in-place editor.
  void nodeRenamed(BaseNode* node);

 private:
  void enter(BaseNode* node, BaseNode* parent);
  void leave(BaseNode* node);
  int rowOf(const BaseNode* node) const;
  const NodeList& listOf(const BaseNode* parent) const;
  bool sortNeeded(const NodeList& list) const;
  void sortShown(NodeList& list);

  NodeList roots_;
  // Shown node -> the node it sits under (null for a root).
  QHash<const BaseNode*, BaseNode*> shownParent_;
  std::function<RowLook(const BaseNode&)> look_;
};

}  // namespace zelvo
