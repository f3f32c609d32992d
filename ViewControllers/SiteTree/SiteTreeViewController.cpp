#include "ViewControllers/SiteTree/SiteTreeViewController.h"

#include <QBoxLayout>
#include <QDrag>
#include <QLabel>
#include <QMenu>
#include <QMimeData>

#include "Foundation/Assert.h"
#include "Resources/Resources.h"
#include "ViewControllers/SiteTree/AvahiBackend.h"
#include "ViewControllers/Store/ConnectionTarget.h"
#include "ui_SiteTreeViewController.h"

namespace zelvo {

void SiteOutlineView::startDrag(Qt::DropActions) {
  if (dragStarter_) dragStarter_(currentIndex());
}

namespace {

SiteTreeCore::Icons loadIcons() {
  SiteTreeCore::Icons icons{imageResource("site_site icon", "png"), imageResource("site_cam icon", "png"),
                            imageResource("favorite icon", "png")};
  // A row without an icon would be drawn as a section.
  ZELVO_ASSERT(!icons.site.isNull() && !icons.camera.isNull() && !icons.favorite.isNull(), "site tree icons");
  return icons;
}

}  // namespace

SiteTreeViewController::SiteTreeViewController(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::SiteTreeViewController>()) {
  ui_->setupUi(this);
  SiteOutlineView* outline = ui_->outlineView;
  outline->setAcceptDrops(false);
  outline->setExpandsOnDoubleClick(true);
  cell_ = new ImageAndTextCell(outline);
  outline->setItemDelegate(cell_);

  SiteTreeView& view = *this;
  core_ = std::make_unique<SiteTreeCore>(view, loadIcons());
  core_->model().setObjectName("treeController");
  core_->model().setParent(this);
  outline->setModel(&core_->model());

  connect(outline, &QTreeView::expanded, this,
          [this](const QModelIndex& index) { core_->outlineViewExpanded(SiteTreeModel::nodeForIndex(index)); });
  connect(outline, &QTreeView::collapsed, this,
          [this](const QModelIndex& index) { core_->outlineViewCollapsed(SiteTreeModel::nodeForIndex(index)); });
  connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { userSelectionChanged(); });
  connect(outline->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { userCurrentChanged(current); });
  connect(outline, &QTreeView::doubleClicked, this, [this] { emit doubleClicked(); });
  connect(outline, &QWidget::customContextMenuRequested, this, &SiteTreeViewController::contextMenuRequested);
  connect(cell_, &QAbstractItemDelegate::closeEditor, this, [this] { emit editingEnded(); });
  outline->setDragStarter([this](const QModelIndex& index) { startDrag(index); });
  dragExecutor_ = [this](QMimeData* mime) {
    auto* drag = new QDrag(ui_->outlineView);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
  };
}

SiteTreeViewController::~SiteTreeViewController() {
  discovery_.reset();
  ui_->outlineView->setModel(nullptr);
}

void SiteTreeViewController::startDiscovery(std::unique_ptr<ServiceDiscoveryBackend> backend) {
  ZELVO_PRECONDITION(!discovery_);
  if (!backend) backend = std::make_unique<AvahiBackend>();
  discovery_ = std::make_unique<ServiceDiscovery>(*core_, std::move(backend));
  discovery_->start();
}

ServiceDiscovery& SiteTreeViewController::discovery() {
  ZELVO_PRECONDITION(discovery_);
  return *discovery_;
}

SiteOutlineView* SiteTreeViewController::outlineView() const { return ui_->outlineView; }
QMenu* SiteTreeViewController::editMenu() const { return ui_->editMenu; }
QAction* SiteTreeViewController::editAction() const { return ui_->editAction; }
QAction* SiteTreeViewController::removeAction() const { return ui_->removeAction; }
QAction* SiteTreeViewController::remoteSetupAction() const { return ui_->remoteSetupAction; }

void SiteTreeViewController::updateFilter(const QString& text) { core_->updateFilter(text); }

void SiteTreeViewController::showStoreRefusal(const StoreError& error) {
  if (!storeRefusal_) {
    storeRefusal_ = new QLabel(this);
    storeRefusal_->setObjectName("storeRefusal");
    storeRefusal_->setTextFormat(Qt::PlainText);  // paths and SQLite's words are shown as they are
    storeRefusal_->setWordWrap(true);
    storeRefusal_->setMargin(6);
    storeRefusal_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (auto* box = qobject_cast<QBoxLayout*>(layout())) box->insertWidget(0, storeRefusal_);
  }
  QString text = tr("No sites or favourites can be shown: the address book was not opened.");
  text += QLatin1Char('\n') + error.description;
  if (!error.failureReason.isEmpty()) text += QLatin1Char('\n') + error.failureReason;
  storeRefusal_->setText(text);
  storeRefusal_->show();
}

QString SiteTreeViewController::storeRefusalText() const {
  return storeRefusal_ && !storeRefusal_->isHidden() ? storeRefusal_->text() : QString();
}

bool SiteTreeViewController::isExpanded(const BaseNode* node) const {
  QModelIndex index = core_->model().indexForNode(node);
  return index.isValid() && ui_->outlineView->isExpanded(index);
}

void SiteTreeViewController::expand(const BaseNode* node) {
  QModelIndex index = core_->model().indexForNode(node);
  if (index.isValid()) ui_->outlineView->expand(index);
}

void SiteTreeViewController::selectRow(const BaseNode* node) {
  QModelIndex index = core_->model().indexForNode(node);
  if (!index.isValid()) return;
  ++programmatic_;
  ui_->outlineView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  --programmatic_;
  emit selectionChanged();
}

void SiteTreeViewController::clearSelection() {
  ++programmatic_;
  ui_->outlineView->selectionModel()->clearSelection();
  --programmatic_;
  emit selectionChanged();
}

void SiteTreeViewController::beginEditing(const BaseNode* node) {
  QModelIndex index = core_->model().indexForNode(node);
  if (index.isValid()) ui_->outlineView->edit(index);
}

void SiteTreeViewController::userSelectionChanged() {
  if (programmatic_) return;
  std::vector<BaseNode*> selected;
  for (const QModelIndex& index : ui_->outlineView->selectionModel()->selectedIndexes())
    selected.push_back(SiteTreeModel::nodeForIndex(index));
  core_->outlineSelectionChanged(selected);
  emit selectionChanged();
}

void SiteTreeViewController::userCurrentChanged(const QModelIndex& current) {
  if (programmatic_) return;
  BaseNode* node = SiteTreeModel::nodeForIndex(current);
  // A click on a section makes it current without selecting it: nothing is selected.
  if (node && core_->isSpecialSection(node)) core_->shouldSelectItem(node);
}

void SiteTreeViewController::contextMenuRequested(const QPoint& position) {
  BaseNode* node = SiteTreeModel::nodeForIndex(ui_->outlineView->indexAt(position));
  if (!core_->menuNeedsUpdate(node)) return;
  ui_->editMenu->popup(ui_->outlineView->viewport()->mapToGlobal(position));
}

void SiteTreeViewController::startDrag(const QModelIndex& index) {
  BaseNode* node = SiteTreeModel::nodeForIndex(index);
  std::optional<QByteArray> payload = core_->writeItem(node);
  if (!payload) return;
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(PasteBoardTypeConnectionTarget), *payload);
  if (dragExecutor_) dragExecutor_(mime);
  else delete mime;
}

}  // namespace zelvo
