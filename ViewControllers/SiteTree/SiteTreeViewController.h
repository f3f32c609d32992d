#pragma once
// The outline on the left of the main window: favourites, sites with their cameras,
// and the recorders found on the local network. A drag source of connection targets
// for the video wall; it accepts no drops. The logic is SiteTreeCore's; this is the
// outline it drives, and the signals the main window listens to.

#include <QTreeView>
#include <QWidget>
#include <functional>
#include <memory>

#include "ViewControllers/SiteTree/ImageAndTextCell.h"
#include "ViewControllers/SiteTree/ServiceDiscovery.h"
#include "ViewControllers/SiteTree/SiteTreeCore.h"
#include "ViewControllers/Store/StoreError.h"

class QAction;
class QLabel;
class QMenu;
class QMimeData;

namespace Ui {
class SiteTreeViewController;
}

namespace zelvo {

// The outline: a drag starts with the tree's own payload, never with the model's.
class SiteOutlineView : public QTreeView {
  Q_OBJECT
 public:
  using QTreeView::QTreeView;
  void setDragStarter(std::function<void(const QModelIndex&)> starter) { dragStarter_ = std::move(starter); }

 protected:
  void startDrag(Qt::DropActions supportedActions) override;

 private:
  std::function<void(const QModelIndex&)> dragStarter_;
};

class SiteTreeViewController : public QWidget, private SiteTreeView {
  Q_OBJECT
 public:
  // The tree of a form: made with its parent alone, it browses nothing until
  // startDiscovery().
  explicit SiteTreeViewController(QWidget* parent = nullptr);
  ~SiteTreeViewController() override;

  // Browsing for recorders starts, through the backend; without one, through the Avahi
  // daemon. Once only: the owner hands in its backend before anything is found.
  void startDiscovery(std::unique_ptr<ServiceDiscoveryBackend> backend = nullptr);

  SiteTreeCore& core() { return *core_; }
  // Valid once discovery has started.
  ServiceDiscovery& discovery();
  SiteTreeModel& treeController() { return core_->model(); }
  SiteOutlineView* outlineView() const;
  QMenu* editMenu() const;
  // The context menu's entries; the main window wires them to its commands.
  QAction* editAction() const;
  QAction* removeAction() const;
  QAction* remoteSetupAction() const;
  ImageAndTextCell* cell() const { return cell_; }

  std::shared_ptr<ChildNode> selectedNode() const { return core_->selectedNode(); }

  // There is no address book: the tree says why, above its empty sections, for as long
  // as the window is open, so that they never pass for an address book without sites.
  void showStoreRefusal(const StoreError& error);
  // The text shown, or empty.
  QString storeRefusalText() const;
  void expandNodeParents() { core_->expandNodeParents(); }

  // How an accepted drag is carried out; tests replace the platform's drag.
  using DragExecutor = std::function<void(QMimeData*)>;
  void setDragExecutor(DragExecutor executor) { dragExecutor_ = std::move(executor); }

 public slots:
  // The search field's text changed.
  void updateFilter(const QString& text);

 signals:
  // The outline's selection changed (selectedNode may have changed).
  void selectionChanged();
  // The in-place rename ended, committed or cancelled.
  void editingEnded();
  void doubleClicked();

 private:
  // SiteTreeView
  bool isExpanded(const BaseNode* node) const override;
  void expand(const BaseNode* node) override;
  void selectRow(const BaseNode* node) override;
  void clearSelection() override;
  void beginEditing(const BaseNode* node) override;

  void startDrag(const QModelIndex& index);
  void userSelectionChanged();
  void userCurrentChanged(const QModelIndex& current);
  void contextMenuRequested(const QPoint& position);

  std::unique_ptr<Ui::SiteTreeViewController> ui_;
  ImageAndTextCell* cell_ = nullptr;
  QLabel* storeRefusal_ = nullptr;
  std::unique_ptr<SiteTreeCore> core_;
  std::unique_ptr<ServiceDiscovery> discovery_;
  DragExecutor dragExecutor_;
  int programmatic_ = 0;  // selection changes the tree makes itself are no user's choice
};

}  // namespace zelvo
