#include "ViewControllers/SiteTree/SiteTreeCore.h"

#include <algorithm>

#include "Foundation/Assert.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"

namespace zelvo {

namespace {

NodePtr makeSection(const char* title, bool expanded) {
  auto section = BaseNode::create();
  section->setNodeTitle(QString::fromUtf8(title));
  section->setIsExpanded(expanded);
  return section;
}

std::shared_ptr<ChildNode> childPtr(BaseNode* node) {
  return node ? std::dynamic_pointer_cast<ChildNode>(node->shared_from_this()) : nullptr;
}

}  // namespace

SiteTreeCore::SiteTreeCore(SiteTreeView& view, Icons icons)
    : view_(view),
      icons_(std::move(icons)),
      favoriteNode_(makeSection("FAVORITE", true)),
      siteNode_(makeSection("SITES", true)),
      autoDetectNode_(makeSection("AUTO DETECT", false)) {
  model_.setLookProvider([this](const BaseNode& node) { return rowLook(node); });
  model_.reset(sections());
}

SiteTreeCore::~SiteTreeCore() { model_.setLookProvider({}); }

bool SiteTreeCore::isSpecialSection(const BaseNode* node) const {
  return node && (node == favoriteNode_.get() || node == siteNode_.get() || node == autoDetectNode_.get());
}

BaseNode* SiteTreeCore::sectionFor(SiteTreeSection type) const {
  switch (type) {
    case SectionFavorite: return favoriteNode_.get();
    case SectionSite: return siteNode_.get();
    case SectionAutoDetect: return autoDetectNode_.get();
    default: return nullptr;
  }
}

SiteTreeSection SiteTreeCore::nodeType(const BaseNode* node) const {
  if (!node) return SectionAutoDetect;
  NodePtr parent = node->parent();
  if (parent == favoriteNode_) return SectionFavorite;
  if (parent == siteNode_) return SectionSite;
  return SectionAutoDetect;
}

// --- sites and favourites ---

void SiteTreeCore::addSite(const SiteInfo& site) {
  auto node = ChildNode::create();
  node->setNodeID(site.siteID());
  node->setNodeTitle(site.name().value_or(QString()));
  node->setAddress(site.address());
  node->setPort(site.port().value_or(0));
  node->setParent(siteNode_);
  node->setCameraCount(site.cameraCount().value_or(0));
  for (qint64 n = 1; n <= site.cameraCount().value_or(0); ++n) {
    auto camera = ChildNode::create();
    camera->setNodeTitle(site.cameraTitleAtIndex(n));
    camera->setAddress(node->address());
    camera->setPort(node->port());
    camera->setParent(node);
    camera->setIndex(n);
    node->children().push_back(camera);
  }
  node->setData(archivedDataWithRootObject(site));
  model_.appendChild(siteNode_.get(), node);
  model_.resort();
  if (!isParentExpanded(node.get())) selectNodeExpandingSelection(node->nodeID(), true);
}

void SiteTreeCore::addFavorite(const FavoriteTarget& favorite, const std::optional<QUrl>& favoriteID, bool isNew) {
  auto node = ChildNode::create();
  node->setNodeID(favoriteID);
  node->setNodeTitle(favorite.name().value_or(QString()));
  node->setParent(favoriteNode_);
  node->setData(archivedDataWithRootObject(favorite));
  model_.appendChild(favoriteNode_.get(), node);
  model_.resort();
  if (isNew) selectNode(favoriteID, true);
}

void SiteTreeCore::editSite(const SiteInfo& site) {
  if (selectedNode_) {
    selectedNode_->setNodeTitle(site.name().value_or(QString()));
    selectedNode_->setAddress(site.address());
    selectedNode_->setData(archivedDataWithRootObject(site));
    model_.nodeChanged(selectedNode_.get());
  }
  editSiteWhileSearching(site, searching_);
  model_.resort();
}

void SiteTreeCore::removeSite() {
  // Held here: the view's selection follows the removed row and clears selectedNode_
  // while the model takes the node out, and the model then lets go of it too.
  if (const auto node = selectedNode_) {
    NodePtr parent = node->parent();
    if (parent == siteNode_ || parent == favoriteNode_) {
      model_.removeChild(parent.get(), node.get());
      removeNodeWhileSearching(*node, searching_);
    }
  }
  selectedNode_.reset();
  model_.resort();
}

bool SiteTreeCore::canRemove() const {
  if (!selectedNode_) return false;
  NodePtr parent = selectedNode_->parent();
  return parent == siteNode_ || parent == favoriteNode_;
}

// --- live camera titles ---

QString SiteTreeCore::stringByCameraInfo(const CameraInfo* info, qint64) {
  if (!info) return QString();
  int status = info->status();
  if (status >= 1 && status <= 3) return QString::fromStdString(info->titleWithDefaultValue());
  return QString();
}

void SiteTreeCore::updateSite(SiteInfo& site, const std::vector<CameraInfo>& cameras, bool isAutoDetect) {
  const qint64 count = site.cameraCount().value_or(0);
  if (!site.camTitles()) site.setCamTitles(std::make_shared<CameraTitleMap>());
  for (qint64 i = 0; i < count && i < static_cast<qint64>(cameras.size()); ++i)
    (*site.camTitles())[QString::number(i + 1)] = stringByCameraInfo(&cameras[static_cast<size_t>(i)], i);
  if (isAutoDetect)
    updateAutoDetectSiteTree(site);
  else
    updateSiteTree(site);
  model_.resort();
}

std::vector<BaseNode*> SiteTreeCore::nodesToUpdate(const BaseNode& section, const NodeList& saved) const {
  std::vector<BaseNode*> nodes;
  for (const NodePtr& child : section.children()) nodes.push_back(child.get());
  if (searching_)
    for (const NodePtr& original : saved)
      if (std::find(nodes.begin(), nodes.end(), original.get()) == nodes.end()) nodes.push_back(original.get());
  return nodes;
}

void SiteTreeCore::updateSiteTree(const SiteInfo& site) {
  for (BaseNode* node : nodesToUpdate(*siteNode_, siteNodeArray_))
    if (objcEqual(node->nodeID(), site.siteID())) updateSiteNode(node, site);
}

void SiteTreeCore::updateSiteNode(BaseNode* node, const SiteInfo& site) {
  const qint64 count = site.cameraCount().value_or(0);
  // Every camera above the count goes, also past the sixteenth; none is added when
  // the count rises again.
  for (int row = static_cast<int>(node->children().size()) - 1; row >= 0; --row)
    if (node->children()[static_cast<size_t>(row)]->index() > count) model_.removeChildAt(node, row);
  for (const NodePtr& camera : node->children()) {
    camera->setNodeTitle(site.cameraTitleAtIndex(camera->index()));
    model_.nodeChanged(camera.get());
  }
  if (auto record = unarchiveSiteInfo(node->data())) {
    record->setCameraCount(site.cameraCount());
    node->setData(archivedDataWithRootObject(*record));
  }
  if (ChildNode* child = asChild(node)) child->setCameraCount(count);
}

void SiteTreeCore::updateAutoDetectSiteTree(const SiteInfo& site) {
  for (BaseNode* recorder : nodesToUpdate(*autoDetectNode_, autoDetectNodeArray_)) {
    if (!site.name() || recorder->nodeTitle() != *site.name()) continue;
    for (const NodePtr& camera : recorder->children()) {
      camera->setNodeTitle(site.cameraTitleAtIndex(camera->index()));
      model_.nodeChanged(camera.get());
    }
  }
}

// --- the outline's questions ---

RowLook SiteTreeCore::rowLook(const BaseNode& node) const {
  RowLook look;
  if (isSpecialSection(&node)) {
    look.section = true;
    return look;
  }
  NodePtr parent = node.parent();
  if (!node.children().empty())
    look.icon = icons_.site;
  else
    look.icon = isSpecialSection(parent.get()) ? icons_.site : icons_.camera;
  if (parent == favoriteNode_) {
    look.icon = icons_.favorite;
    look.editable = true;
  }
  if (parent == autoDetectNode_) {
    if (const ChildNode* recorder = asChild(&node)) {
      look.inProgress = !recorder->isResolved() && !recorder->failToResolve() && recorder->isResolving();
      look.failed = recorder->failToResolve() && !recorder->isResolved();
    }
  }
  NodePtr grandParent = parent ? parent->parent() : nullptr;
  look.hasMenu = parent == favoriteNode_ || parent == siteNode_ || (parent && grandParent == siteNode_);
  return look;
}

bool SiteTreeCore::shouldSelectItem(BaseNode* node) {
  if (!node) return false;
  if (isSpecialSection(node)) {
    selectedNode_.reset();
    view_.clearSelection();
    return false;
  }
  selectedNode_ = childPtr(node);
  if (node->parent() == autoDetectNode_ && selectedNode_ && resolveRequest_) resolveRequest_(*selectedNode_);
  return true;
}

std::optional<QByteArray> SiteTreeCore::writeItem(BaseNode* node) {
  if (!node || isSpecialSection(node)) return std::nullopt;
  selectItem(node);
  ChildNode* child = asChild(node);
  if (!child) return std::nullopt;
  NodePtr parent = node->parent();
  if (parent == autoDetectNode_ && !child->address()) {
    if (resolveRequest_) resolveRequest_(*child);
    return std::nullopt;
  }
  if (child->index() > 0 && parent != favoriteNode_) {
    // A camera whose site is gone has nothing to drag.
    if (!parent) return std::nullopt;
    QByteArray archive = cameraTargetArchive(parent->data(), child->index());
    if (archive.isEmpty()) return std::nullopt;
    child->setData(archive);
  }
  if (child->data().isEmpty()) return std::nullopt;
  return child->data();
}

void SiteTreeCore::outlineSelectionChanged(const std::vector<BaseNode*>& selected) {
  if (selected.size() == 1)
    shouldSelectItem(selected.front());
  else if (selected.empty())
    selectedNode_.reset();
}

bool SiteTreeCore::menuNeedsUpdate(BaseNode* node) {
  if (!node || !rowLook(*node).hasMenu) return false;
  selectedNode_ = childPtr(node);
  return true;
}

// --- filter ---

bool SiteTreeCore::foundString(const QString& text, const QString& pattern) {
  return text.contains(pattern, Qt::CaseInsensitive);
}

void SiteTreeCore::updateFilter(const QString& text) {
  if (text.isEmpty()) {
    restoreTreeData();
    searching_ = false;
  } else {
    copyChildren();
    model_.reset(sections(), [&] {
      for (const NodePtr& section : sections()) section->children().clear();
    });
    selectedNode_.reset();
    view_.clearSelection();
    searching_ = true;
    filterTreeControllerWithString(text);
  }
  expandNodeParents();
  model_.resort();
}

void SiteTreeCore::copyChildren() {
  if (searching_) return;
  siteNodeArray_ = siteNode_->children();
  favoriteNodeArray_ = favoriteNode_->children();
  autoDetectNodeArray_ = autoDetectNode_->children();
}

void SiteTreeCore::restoreTreeData() {
  // Restoring and rebuilding are one reset: the view never sees half of it.
  model_.reset(sections(), [&] {
    if (!searching_) return;
    for (const NodePtr& section : sections()) section->children().clear();
    siteNode_->children() = siteNodeArray_;
    favoriteNode_->children() = favoriteNodeArray_;
    autoDetectNode_->children() = autoDetectNodeArray_;
  });
  selectedNode_.reset();
  view_.clearSelection();
}

void SiteTreeCore::clearTreeController() {
  model_.reset(sections());
  selectedNode_.reset();
  view_.clearSelection();
}

void SiteTreeCore::filterTreeControllerWithString(const QString& text) {
  filterNodeChildren(favoriteNodeArray_, text, SectionFavorite);
  filterNodeChildren(siteNodeArray_, text, SectionSite);
  filterNodeChildren(autoDetectNodeArray_, text, SectionAutoDetect);
}

void SiteTreeCore::filterNodeChildren(const NodeList& list, const QString& text, SiteTreeSection type) {
  for (const NodePtr& node : list) {
    if (node->children().empty() && foundString(node->nodeTitle(), text)) {
      addFilteredNode(node, type);
      continue;
    }
    bool cameraMatched = filterCamera(node, text, type);
    if (foundString(node->nodeTitle(), text) && !cameraMatched) addFilteredNode(node, type);
  }
}

bool SiteTreeCore::filterCamera(const NodePtr& node, const QString& text, SiteTreeSection type) {
  auto copy = ChildNode::childNodeWithNode(*node);
  copy->children().clear();
  for (const NodePtr& child : node->children())
    if (foundString(child->nodeTitle(), text)) copy->children().push_back(child);
  if (copy->children().empty()) return false;
  addFilteredNode(copy, type);
  expandChildNode(copy.get());
  return true;
}

void SiteTreeCore::addFilteredNode(const NodePtr& node, SiteTreeSection type) {
  BaseNode* section = sectionFor(type);
  if (!section) return;
  model_.appendChild(section, node);
  model_.resort();
}

// --- expansion memory ---

void SiteTreeCore::saveTreeCondition(bool expanded, BaseNode* node) {
  if (searching_ || !node) return;
  node->setIsExpanded(expanded);
}

void SiteTreeCore::expandNodeParents() {
  for (const NodePtr& section : sections()) {
    if (searching_)
      view_.expand(section.get());
    else
      expandSpecialSection(section.get());
  }
}

void SiteTreeCore::expandSpecialSection(BaseNode* section) {
  if (section->isExpanded()) view_.expand(section);
  for (const NodePtr& child : section->children())
    if (child->isExpanded()) view_.expand(child.get());
}

void SiteTreeCore::expandChildNode(const BaseNode* node) {
  for (const NodePtr& section : sections())
    for (const NodePtr& child : section->children())
      if (child.get() == node) {
        view_.expand(section.get());
        view_.expand(child.get());
      }
}

// --- selection by identity ---

void SiteTreeCore::selectItem(BaseNode* node) {
  if (!node || isSpecialSection(node)) return;
  selectedNode_ = childPtr(node);
  view_.selectRow(node);
}

void SiteTreeCore::selectNode(const std::optional<QUrl>& nodeID, bool editing) {
  for (const NodePtr& section : sections())
    for (const NodePtr& child : section->children()) {
      if (!objcEqual(child->nodeID(), nodeID)) continue;
      if (!view_.isExpanded(section.get())) view_.expand(section.get());
      // Selected first: the editor must outlive the selection change.
      selectItem(child.get());
      if (editing) view_.beginEditing(child.get());
      return;
    }
}

void SiteTreeCore::selectNodeExpandingSelection(const std::optional<QUrl>& nodeID, bool expanding) {
  for (const NodePtr& section : sections())
    for (const NodePtr& child : section->children())
      if (objcEqual(child->nodeID(), nodeID) && expanding) view_.expand(section.get());
}

bool SiteTreeCore::isParentExpanded(const BaseNode* node) const {
  if (!node) return false;
  NodePtr keyHolder;
  const BaseNode* key = node;
  if (node->index() > 0) {
    keyHolder = node->parent();
    key = keyHolder.get();
  }
  if (!key) return false;
  for (const NodePtr& section : sections())
    for (const NodePtr& child : section->children()) {
      bool matches = objcEqual(child->nodeID(), key->nodeID()) ||
                     (section == autoDetectNode_ && child->nodeTitle() == key->nodeTitle());
      if (matches) return view_.isExpanded(section.get());
    }
  return false;
}

// --- keeping the saved lists in step while a filter is active ---

void SiteTreeCore::editSiteWhileSearching(const SiteInfo& site, bool searching) {
  if (!searching) return;
  for (const NodePtr& saved : siteNodeArray_) {
    if (!objcEqual(saved->nodeID(), site.siteID())) continue;
    saved->setNodeTitle(site.name().value_or(QString()));
    if (ChildNode* child = asChild(saved.get())) child->setAddress(site.address());
    saved->setData(archivedDataWithRootObject(site));
    model_.nodeChanged(saved.get());
    return;
  }
}

void SiteTreeCore::editFavoriteWhileSearching(const BaseNode& node, bool searching) {
  if (!searching) return;
  for (const NodePtr& saved : favoriteNodeArray_)
    if (objcEqual(saved->nodeID(), node.nodeID())) {
      saved->setNodeTitle(node.nodeTitle());
      model_.nodeChanged(saved.get());
      return;
    }
}

void SiteTreeCore::removeNodeWhileSearching(const BaseNode& node, bool searching) {
  if (!searching) return;
  NodePtr parent = node.parent();
  NodeList* list = parent == siteNode_ ? &siteNodeArray_ : parent == favoriteNode_ ? &favoriteNodeArray_ : nullptr;
  if (!list) return;
  // The shown node may be a filter copy: its saved original has the same identity.
  auto it = std::find_if(list->begin(), list->end(), [&](const NodePtr& saved) {
    return saved.get() == &node || objcEqual(saved->nodeID(), node.nodeID());
  });
  if (it != list->end()) list->erase(it);
}

// --- discovered recorders ---

void SiteTreeCore::addDiscoveredNode(const std::shared_ptr<ChildNode>& node) {
  node->setParent(autoDetectNode_);
  model_.appendChild(autoDetectNode_.get(), node);
  if (searching_) autoDetectNodeArray_.push_back(node);
  model_.resort();
}

void SiteTreeCore::removeDiscoveredNode(const QString& domain, const QString& title) {
  auto matches = [&](const NodePtr& n) {
    const ChildNode* child = asChild(n.get());
    return child && child->domain() == domain && child->nodeTitle() == title;
  };
  const NodeList& shown = autoDetectNode_->children();
  auto it = std::find_if(shown.begin(), shown.end(), matches);
  if (it != shown.end()) {
    if (selectedNode_ && selectedNode_.get() == it->get()) selectedNode_.reset();
    model_.removeChildAt(autoDetectNode_.get(), static_cast<int>(it - shown.begin()));
  }
  if (searching_) {
    auto saved = std::find_if(autoDetectNodeArray_.begin(), autoDetectNodeArray_.end(), matches);
    if (saved != autoDetectNodeArray_.end()) autoDetectNodeArray_.erase(saved);
  }
  model_.resort();
}

ChildNode* SiteTreeCore::findDiscoveredNode(const QString& title, const QString& domain) const {
  for (const NodePtr& n : autoDetectNode_->children()) {
    ChildNode* child = asChild(n.get());
    if (child && child->nodeTitle() == title && child->domain() == domain) return child;
  }
  return nullptr;
}

ChildNode* SiteTreeCore::findRecorder(const QString& title, const QString& domain) const {
  for (ChildNode* child : recorders())
    if (child->nodeTitle() == title && child->domain() == domain) return child;
  return nullptr;
}

std::vector<ChildNode*> SiteTreeCore::recorders() const {
  std::vector<ChildNode*> nodes;
  for (const NodePtr& n : searching_ ? autoDetectNodeArray_ : autoDetectNode_->children())
    if (ChildNode* child = asChild(n.get())) nodes.push_back(child);
  return nodes;
}

std::vector<ChildNode*> SiteTreeCore::discoveredNodes() const {
  std::vector<ChildNode*> nodes;
  for (const NodePtr& n : autoDetectNode_->children())
    if (ChildNode* child = asChild(n.get())) nodes.push_back(child);
  return nodes;
}

}  // namespace zelvo
