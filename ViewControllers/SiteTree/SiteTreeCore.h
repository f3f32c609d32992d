#pragma once
// What the site tree does, without widgets: its three sections, the nodes made from
// sites, favourites and discovered recorders, how each row looks and what it offers,
// the drag payload, the search filter with the expansion memory, and selection by
// identity. It sees the outline only through SiteTreeView, so it runs under test
// with a plain fake of it; SiteTreeViewController is the real one.
//
// Sections are told apart by identity, never by title: a site may be named "FAVORITE".

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Network/Live/CameraInfo.h"
#include "ViewControllers/SiteTree/ChildNode.h"
#include "ViewControllers/Store/FavoriteTarget.h"
#include "ViewControllers/Store/SiteInfo.h"
#include "ViewControllers/SiteTree/SiteTreeModel.h"

namespace zelvo {

// The outline as the tree's logic needs it. Expanding a node must report back through
// SiteTreeCore::outlineViewExpanded, as the real outline does.
class SiteTreeView {
 public:
  virtual ~SiteTreeView() = default;
  virtual bool isExpanded(const BaseNode* node) const = 0;
  virtual void expand(const BaseNode* node) = 0;
  // Select the node's row alone.
  virtual void selectRow(const BaseNode* node) = 0;
  virtual void clearSelection() = 0;
  // In-place rename of the node's title, its text selected.
  virtual void beginEditing(const BaseNode* node) = 0;
};

enum SiteTreeSection : int { SectionFavorite = 0, SectionSite = 1, SectionAutoDetect = 2 };

class SiteTreeCore {
 public:
  struct Icons {
    QImage site;      // "site_site icon.png"
    QImage camera;    // "site_cam icon.png"
    QImage favorite;  // "favorite icon.png"
  };
  SiteTreeCore(SiteTreeView& view, Icons icons);
  ~SiteTreeCore();

  SiteTreeModel& model() { return model_; }
  // Asked to resolve a discovered recorder (selected, or dragged before it resolved).
  void setResolveRequestHandler(std::function<void(ChildNode&)> handler) { resolveRequest_ = std::move(handler); }

  BaseNode& favoriteNode() { return *favoriteNode_; }
  BaseNode& siteNode() { return *siteNode_; }
  BaseNode& autoDetectNode() { return *autoDetectNode_; }
  bool isSpecialSection(const BaseNode* node) const;

  // --- the main window's calls ---
  void loadSiteInfo(const SiteInfo& site) { addSite(site); }
  void addSite(const SiteInfo& site);
  void addFavorite(const FavoriteTarget& favorite, const std::optional<QUrl>& favoriteID, bool isNew);
  void editSite(const SiteInfo& site);
  void removeSite();
  bool canRemove() const;
  // The section of the node's parent: AUTO DETECT also for a camera row or a node whose
  // parent is gone.
  SiteTreeSection nodeType(const BaseNode* node) const;
  void updateSite(SiteInfo& site, const std::vector<CameraInfo>& cameras, bool isAutoDetect);
  static QString stringByCameraInfo(const CameraInfo* info, qint64 selectedCamera);
  const std::shared_ptr<ChildNode>& selectedNode() const { return selectedNode_; }
  void setSelectedNode(std::shared_ptr<ChildNode> node) { selectedNode_ = std::move(node); }

  // --- the outline's questions ---
  RowLook rowLook(const BaseNode& node) const;
  // A row is about to be selected by the user; false refuses it (a section).
  bool shouldSelectItem(BaseNode* node);
  // The payload of a drag starting at the node, or none when the drag is refused.
  std::optional<QByteArray> writeItem(BaseNode* node);
  // The context menu is about to open on the node's row: whether it is offered.
  bool menuNeedsUpdate(BaseNode* node);
  // The user changed the outline's selection: the rows now selected. With none left
  // (a Ctrl+click took the row away) no command has a target.
  void outlineSelectionChanged(const std::vector<BaseNode*>& selected);
  void outlineViewExpanded(BaseNode* node) { saveTreeCondition(true, node); }
  void outlineViewCollapsed(BaseNode* node) { saveTreeCondition(false, node); }

  // --- filter, expansion memory, selection ---
  void updateFilter(const QString& text);
  bool searching() const { return searching_; }
  static bool foundString(const QString& text, const QString& pattern);
  void expandNodeParents();
  void clearTreeController();
  void selectItem(BaseNode* node);
  void selectNode(const std::optional<QUrl>& nodeID, bool editing);
  void selectNodeExpandingSelection(const std::optional<QUrl>& nodeID, bool expanding);
  bool isParentExpanded(const BaseNode* node) const;
  void editSiteWhileSearching(const SiteInfo& site, bool searching);
  void editFavoriteWhileSearching(const BaseNode& node, bool searching);
  void removeNodeWhileSearching(const BaseNode& node, bool searching);
  const NodeList& siteNodeArray() const { return siteNodeArray_; }
  const NodeList& favoriteNodeArray() const { return favoriteNodeArray_; }
  const NodeList& autoDetectNodeArray() const { return autoDetectNodeArray_; }

  // --- what discovery changes ---
  // A discovered recorder joins AUTO DETECT (and, while a filter is active, the saved list).
  void addDiscoveredNode(const std::shared_ptr<ChildNode>& node);
  // The first AUTO DETECT node of that domain and title leaves (and the saved list's).
  void removeDiscoveredNode(const QString& domain, const QString& title);
  // The shown AUTO DETECT node of that title and domain, or null.
  ChildNode* findDiscoveredNode(const QString& title, const QString& domain) const;
  std::vector<ChildNode*> discoveredNodes() const;
  // The recorder itself, shown or hidden by the filter (then in the saved list), or null.
  // What discovery learns about a recorder goes here, so it is still true once the
  // filter is cleared.
  ChildNode* findRecorder(const QString& title, const QString& domain) const;
  std::vector<ChildNode*> recorders() const;
  void appendCamera(ChildNode& recorder, std::shared_ptr<ChildNode> camera) { model_.appendChild(&recorder, std::move(camera)); }
  void nodeChanged(const BaseNode& node) { model_.nodeChanged(&node); }
  void resort() { model_.resort(); }

 private:
  void saveTreeCondition(bool expanded, BaseNode* node);
  void copyChildren();
  void restoreTreeData();
  void filterTreeControllerWithString(const QString& text);
  void filterNodeChildren(const NodeList& list, const QString& text, SiteTreeSection type);
  bool filterCamera(const NodePtr& node, const QString& text, SiteTreeSection type);
  void addFilteredNode(const NodePtr& node, SiteTreeSection type);
  void expandSpecialSection(BaseNode* section);
  void expandChildNode(const BaseNode* node);
  void updateSiteTree(const SiteInfo& site);
  void updateSiteNode(BaseNode* node, const SiteInfo& site);
  // The nodes of a section a change must reach: the shown ones and, while a filter is
  // active, the saved originals (a shown node may be a filter copy of one).
  std::vector<BaseNode*> nodesToUpdate(const BaseNode& section, const NodeList& saved) const;
  void updateAutoDetectSiteTree(const SiteInfo& site);
  NodeList sections() const { return {favoriteNode_, siteNode_, autoDetectNode_}; }
  BaseNode* sectionFor(SiteTreeSection type) const;

  SiteTreeView& view_;
  Icons icons_;
  SiteTreeModel model_;
  NodePtr favoriteNode_;
  NodePtr siteNode_;
  NodePtr autoDetectNode_;
  std::shared_ptr<ChildNode> selectedNode_;
  std::function<void(ChildNode&)> resolveRequest_;
  bool searching_ = false;
  NodeList siteNodeArray_;
  NodeList favoriteNodeArray_;
  NodeList autoDetectNodeArray_;
};

}  // namespace zelvo
