// The compiled interface forms of the main window, the site panel, the toolbar information strip and the
// remote-setup window: every outlet is there under its name, in the view that owns it,
// with its tag and the handler it is wired to, the main window's custom views are made by
// its form as their own classes, and the pieces the views draw around them line up with
// the drawing offsets fixed for a 213 x 519 panel.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QSlider>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>
#include <QXmlStreamReader>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Resources/Resources.h"
#include "ViewControllers/SitePanelController.h"
#include "ui_MainWindowController.h"
#include "ui_RemoteSetupWindowController.h"
#include "ui_SitePanelController.h"
#include "ui_ToolbarInfoViewController.h"

namespace zelvo {
namespace {

struct Outlet {
  std::string name;
  const char* className;         // the object is one of these (or a subclass)
  const char* within = nullptr;  // the view (an ancestor) that holds it
  int tag = -1;                  // -1: no tag
  const char* action = nullptr;  // the command it stands for (wired in code)
  int segment = -1;              // -1: not a segment
  const char* outlet = nullptr;  // the name its view knows it by, when the object's differs
};

QObject* ancestorNamed(const QObject* object, const char* name) {
  for (QObject* parent = object->parent(); parent; parent = parent->parent())
    if (parent->objectName() == QLatin1String(name)) return parent;
  return nullptr;
}

void expectOutlets(const QObject& form, const std::vector<Outlet>& outlets) {
  for (const Outlet& expected : outlets) {
    SCOPED_TRACE(expected.name);
    const QList<QObject*> found = form.findChildren<QObject*>(QString::fromStdString(expected.name));
    ASSERT_EQ(found.size(), 1) << "an outlet is exactly one object of its name";
    const QObject* object = found.front();
    EXPECT_TRUE(object->inherits(expected.className)) << object->metaObject()->className();
    if (expected.within) {
      EXPECT_NE(ancestorNamed(object, expected.within), nullptr) << "not inside " << expected.within;
    }
    const QVariant tag = object->property("tag");
    if (expected.tag >= 0) {
      ASSERT_TRUE(tag.isValid()) << "no tag";
      EXPECT_EQ(tag.toInt(), expected.tag);
    } else {
      EXPECT_FALSE(tag.isValid()) << "unexpected tag " << tag.toInt();
    }
    // The handler is connected by type in the controller's code; a name in the form
    // would be a wiring that nothing checks.
    EXPECT_FALSE(object->property("action").isValid()) << "a handler named in the form";
    const QVariant segment = object->property("segment");
    if (expected.segment >= 0) {
      EXPECT_EQ(segment.toInt(), expected.segment);
    } else {
      EXPECT_FALSE(segment.isValid());
    }
    const QVariant outlet = object->property("outlet");
    if (expected.outlet) {
      EXPECT_EQ(outlet.toString().toStdString(), expected.outlet);
    } else {
      EXPECT_FALSE(outlet.isValid());
    }
  }
}

template <typename T = QWidget>
T* child(const QObject& form, const char* name) {
  T* found = form.findChild<T*>(QLatin1String(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

// A missing widget has already failed the test; an empty frame lets the test go on.
QRect frameOf(const QObject& form, const std::string& name) {
  const QWidget* widget = child(form, name.c_str());
  return widget ? widget->geometry() : QRect();
}

QImage argb(const QImage& image) { return image.convertToFormat(QImage::Format_ARGB32); }

QStringList childNames(const QObject& object) {
  QStringList names;
  for (const QObject* child : object.children()) names << child->objectName();
  return names;
}

// Equal but for the rounding of a pixmap's premultiplied colours.
bool samePicture(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return false;
  const QImage left = argb(a);
  const QImage right = argb(b);
  for (int y = 0; y < left.height(); ++y) {
    for (int x = 0; x < left.width(); ++x) {
      const QRgb p = left.pixel(x, y);
      const QRgb q = right.pixel(x, y);
      if (std::abs(qAlpha(p) - qAlpha(q)) > 2) return false;
      // Colour under a clear pixel does not show.
      if (qAlpha(p) < 8) continue;
      if (std::abs(qRed(p) - qRed(q)) > 2 || std::abs(qGreen(p) - qGreen(q)) > 2 || std::abs(qBlue(p) - qBlue(q)) > 2)
        return false;
    }
  }
  return true;
}

// The picture a button shows, against the image of that name in the resources.
void expectIcon(const QAbstractButton& button, const char* image, QIcon::State state = QIcon::Off) {
  SCOPED_TRACE(button.objectName().toStdString() + " " + image);
  const QString name = QString::fromUtf8(image);
  const QImage expected = imageResource(name.left(name.lastIndexOf(QLatin1Char('.'))), QStringLiteral("png"));
  ASSERT_FALSE(expected.isNull());
  const QImage shown = button.icon().pixmap(expected.size(), 1.0, QIcon::Normal, state).toImage();
  ASSERT_FALSE(shown.isNull());
  EXPECT_TRUE(samePicture(shown, expected));
}

class MainWindowForm : public testing::Test {
 protected:
  void SetUp() override {
    registerResources();  // the form's icons come from the resources
    ui_.setupUi(&window_);
  }

  QMainWindow window_;
  Ui::MainWindowController ui_;
};

TEST_F(MainWindowForm, HoldsTheMainWindowsOutlets) {
  expectOutlets(window_, {
                             {"splitView", "QWidget", "centralWidget"},
                             {"leftSideView", "QWidget", "splitView"},
                             {"videoView", "QWidget", "splitView"},
                             {"rightSideView", "QWidget", "splitView"},
                             {"treeSearchField", "QLineEdit", "leftSideView", -1, "updateFilter:"},
                             {"siteTreeView", "QWidget", "leftSideView"},
                             {"sitePanel", "QWidget", "rightSideView"},
                             {"toolbar", "QToolBar", "MainWindowController"},
                             {"toolbarConnectionView", "QWidget", "toolbar"},
                             {"toolbarLayoutView", "QWidget", "toolbar"},
                             {"toolbarInfoView", "QWidget", "toolbar"},
                             {"toolbarVolumeView", "QWidget", "toolbar"},
                             {"connectButton", "QToolButton", "toolbarConnectionView", -1, "connect:"},
                             {"disconnectButton", "QToolButton", "toolbarConnectionView", -1, "disconnect:"},
                             {"favoriteButton", "QToolButton", "toolbarConnectionView", -1, "addFavorite:"},
                             {"remoteSetupButton", "QToolButton", "toolbarConnectionView", -1, "connectSetup:"},
                             {"layoutControl", "QWidget", "toolbarLayoutView"},
                             {"previousLayoutSegment", "QToolButton", "layoutControl", -1, "changeLayout:", 0},
                             {"nextLayoutSegment", "QToolButton", "layoutControl", -1, "changeLayout:", 1},
                             {"layoutPopupButton", "QToolButton", "toolbarLayoutView"},
                             {"sequenceButton", "QToolButton", "toolbarLayoutView", -1, "sequenceAction:"},
                             {"selectViewSegmentedControl", "QWidget", "toolbarLayoutView"},
                             {"treePaneSegment", "QToolButton", "selectViewSegmentedControl", -1, "resizeSplitView:", 0},
                             {"panelPaneSegment", "QToolButton", "selectViewSegmentedControl", -1, "resizeSplitView:", 1},
                             {"volumeMute", "QToolButton", "toolbarVolumeView", -1, "muteVolume:"},
                             {"volumeSlider", "QSlider", "toolbarVolumeView", -1, "volumeChanged:"},
                             {"volumeMaximize", "QToolButton", "toolbarVolumeView", -1, "maximizeVolume:"},
                         });
  // The site panel is a form of its own: the main window's form puts nothing in it.
  SitePanelController own;
  EXPECT_EQ(childNames(*ui_.sitePanel), childNames(own));
}

// A widget of the form and the class it is made as; each class a custom widget with its header.
struct CustomView {
  std::map<QString, QString> classOfWidget;
  std::map<QString, std::pair<QString, QString>> extendsAndHeaderOfClass;
};

CustomView readCustomViews(const QString& path) {
  CustomView views;
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  QXmlStreamReader xml(&file);
  QString customClass, extends;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == QLatin1String("widget")) {
      views.classOfWidget[xml.attributes().value("name").toString()] = xml.attributes().value("class").toString();
    } else if (xml.name() == QLatin1String("class")) {
      customClass = xml.readElementText();
    } else if (xml.name() == QLatin1String("extends")) {
      extends = xml.readElementText();
    } else if (xml.name() == QLatin1String("header")) {
      views.extendsAndHeaderOfClass[customClass] = {extends, xml.readElementText()};
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return views;
}

TEST_F(MainWindowForm, MakesTheCustomViewsAsTheirOwnClasses) {
  const CustomView form = readCustomViews(QStringLiteral(ZELVO_SOURCE_ROOT "Resources/forms/MainWindowController.ui"));
  const struct {
    const char* name;
    QWidget* made;
    const char* className;
    const char* header;
  } views[] = {
      {"splitView", ui_.splitView, "zelvo::ThreePaneSplitView", "ViewControllers/MainWindow/ThreePaneSplitView.h"},
      {"videoView", ui_.videoView, "zelvo::VideoView", "ViewControllers/VideoView.h"},
      {"siteTreeView", ui_.siteTreeView, "zelvo::SiteTreeViewController",
       "ViewControllers/SiteTree/SiteTreeViewController.h"},
      {"sitePanel", ui_.sitePanel, "zelvo::SitePanelController", "ViewControllers/SitePanelController.h"},
  };
  for (const auto& view : views) {
    SCOPED_TRACE(view.name);
    const QString className = QString::fromLatin1(view.className);
    EXPECT_EQ(form.classOfWidget.at(QString::fromLatin1(view.name)), className);
    ASSERT_EQ(form.extendsAndHeaderOfClass.count(className), 1u);
    const auto& [extends, header] = form.extendsAndHeaderOfClass.at(className);
    EXPECT_EQ(extends, QStringLiteral("QWidget"));
    EXPECT_EQ(header, QString::fromLatin1(view.header));
    EXPECT_TRUE(QFile::exists(QStringLiteral(ZELVO_SOURCE_ROOT) + header)) << header.toStdString();
    EXPECT_STREQ(view.made->metaObject()->className(), view.className);
  }
  // Made without its window, the tree browses nothing: the window hands in its backend
  // after the form.
  EXPECT_DEATH(ui_.siteTreeView->discovery(), "Invalid parameter not satisfying");
}

TEST_F(MainWindowForm, MenusSendTheWindowsCommands) {
  expectOutlets(window_, {
                             {"actionAddSite", "QAction", nullptr, -1, "addSite:"},
                             {"actionEditSite", "QAction", nullptr, -1, "editSite:"},
                             {"actionRemoveSite", "QAction", nullptr, -1, "removeSite:"},
                             {"actionAddFavorite", "QAction", nullptr, -1, "addFavorite:"},
                             {"actionSave", "QAction", nullptr, -1, "saveAction:"},
                             {"actionPreferences", "QAction", nullptr, -1, "showPreference:"},
                             {"actionQuit", "QAction", nullptr, -1, "terminate:"},
                             {"actionCopy", "QAction", nullptr, -1, "copy:"},
                             {"actionDelete", "QAction", nullptr, -1, "performDelete:"},
                             {"actionConnect", "QAction", nullptr, -1, "connect:"},
                             {"actionDisconnect", "QAction", nullptr, -1, "disconnect:"},
                             {"actionRemoteSetup", "QAction", nullptr, -1, "connectSetupFromMenu:"},
                         });
  std::vector<Outlet> layouts;
  for (int n = 1; n <= 8; ++n)
    layouts.push_back({"actionLayout" + std::to_string(n) + "x" + std::to_string(n), "QAction", "layoutActionGroup",
                       n - 1, "handleLayoutMenu:"});
  expectOutlets(window_, layouts);
  // Every menu item is on a menu.
  for (QAction* action : window_.findChildren<QAction*>()) {
    if (action->objectName().isEmpty() || action->isSeparator()) continue;
    EXPECT_FALSE(action->associatedObjects().isEmpty()) << action->objectName().toStdString();
  }
}

TEST_F(MainWindowForm, LayoutItemsAreOneExclusiveChoiceSharedByPopupAndMenu) {
  const QActionGroup* group = ui_.layoutActionGroup;
  ASSERT_TRUE(group->isExclusive());
  const QList<QAction*> items = group->actions();
  ASSERT_EQ(items.size(), 8);
  for (int layout = 0; layout < 8; ++layout) {
    EXPECT_EQ(items[layout]->property("tag").toInt(), layout);
    EXPECT_EQ(items[layout]->text(), QStringLiteral("%1 x %1").arg(layout + 1));
    EXPECT_TRUE(items[layout]->isCheckable());
  }
  EXPECT_EQ(ui_.layoutPopupButton->actions(), items);
  EXPECT_EQ(ui_.menuView->actions(), items);
  EXPECT_EQ(ui_.layoutPopupButton->popupMode(), QToolButton::InstantPopup);
  // The wall starts in layout 3 (4 x 4).
  ASSERT_NE(group->checkedAction(), nullptr);
  EXPECT_EQ(group->checkedAction()->property("tag").toInt(), 3);
}

TEST_F(MainWindowForm, ToolbarHoldsTheFourItemViewsInOrder) {
  QStringList views;
  for (QAction* item : ui_.toolbar->actions())
    if (QWidget* view = ui_.toolbar->widgetForAction(item)) views << view->objectName();
  EXPECT_EQ(views, (QStringList{"toolbarConnectionView", "toolbarLayoutView", "toolbarInfoView", "toolbarVolumeView"}));
}

TEST_F(MainWindowForm, ToolbarButtonsShowTheirPictures) {
  expectIcon(*ui_.connectButton, "toolbar_connect.png");
  expectIcon(*ui_.disconnectButton, "toolbar_disconnect.png");
  expectIcon(*ui_.favoriteButton, "toolbar_favorite.png");
  expectIcon(*ui_.previousLayoutSegment, "toolbar_layout_previous.png");
  expectIcon(*ui_.nextLayoutSegment, "toolbar_layout_next.png");
  expectIcon(*ui_.volumeMute, "toolbar_volume_mute.png");
  expectIcon(*ui_.volumeMaximize, "toolbar_volume_maximize.png");
  // Toggles: the "normal" picture off, the "clicked" one on.
  const struct {
    QToolButton* button;
    const char* off;
    const char* on;
  } toggles[] = {
      {ui_.remoteSetupButton, "toolbar_setup_normal.png", "toolbar_setup_clicked.png"},
      {ui_.sequenceButton, "toolbar_sequence_normal.png", "toolbar_sequence_clicked.png"},
      {ui_.treePaneSegment, "toolbar_view_left_normal.png", "toolbar_view_left_clicked.png"},
      {ui_.panelPaneSegment, "toolbar_view_right_normal.png", "toolbar_view_right_clicked.png"},
  };
  for (const auto& toggle : toggles) {
    EXPECT_TRUE(toggle.button->isCheckable());
    expectIcon(*toggle.button, toggle.off, QIcon::Off);
    expectIcon(*toggle.button, toggle.on, QIcon::On);
  }
  // Both panes start shown, the sequence off.
  EXPECT_TRUE(ui_.treePaneSegment->isChecked());
  EXPECT_TRUE(ui_.panelPaneSegment->isChecked());
  EXPECT_FALSE(ui_.sequenceButton->isChecked());
  EXPECT_FALSE(ui_.remoteSetupButton->isChecked());
}

TEST_F(MainWindowForm, PanesSitSideBySideWithThePanelAtItsReferenceWidth) {
  const QRect tree = ui_.leftSideView->geometry();
  const QRect wall = ui_.videoView->geometry();
  const QRect panel = ui_.rightSideView->geometry();
  EXPECT_EQ(tree.x(), 0);
  EXPECT_EQ(wall.x(), tree.x() + tree.width());
  EXPECT_EQ(panel.x(), wall.x() + wall.width());
  // The tree's divider between 40 and 333; the panel 213 wide, its tabs at x 54.
  EXPECT_GE(tree.width(), 40);
  EXPECT_LE(tree.width(), 333);
  EXPECT_EQ(panel.width(), 213);
  ui_.rightSideView->layout()->activate();  // the panel fills its pane, as laid out when shown
  EXPECT_EQ(ui_.sitePanel->geometry(), QRect(QPoint(0, 0), panel.size()));
  // The window can never be so narrow that the wall's divider could cross the tree's.
  EXPECT_GE(window_.minimumWidth(), 333 + 566);
}

class SitePanelForm : public testing::Test {
 protected:
  void SetUp() override {
    registerResources();
    ui_.setupUi(&panel_);
  }

  QWidget panel_;
  Ui::SitePanelController ui_;
};

TEST_F(SitePanelForm, TabsSitCentredAboveThePages) {
  panel_.resize(213, 551);
  panel_.layout()->activate();
  // At the panel's reference width the tabs are at x 54 and the pages get the views'
  // design size.
  EXPECT_EQ(ui_.rightPanelSelector->geometry(), QRect(54, 4, 105, 24));
  EXPECT_EQ(ui_.tabView->geometry(), QRect(0, 32, 213, 519));
  // The page fills the rest of a taller pane.
  panel_.resize(250, 640);
  panel_.show();
  panel_.layout()->activate();
  EXPECT_EQ(ui_.tabView->geometry(), QRect(0, 32, 250, 608));
}

TEST_F(SitePanelForm, HoldsTheMainWindowsControlsOnTheControlPage) {
  expectOutlets(panel_, {
                            // The colour controls are the window's, placed in the control view's colour section.
                            {"hueControlSlider", "QSlider", "controlView", -1, "colorControlChanged:"},
                            {"saturationControlSlider", "QSlider", "controlView", -1, "colorControlChanged:"},
                            {"brightnessControlSlider", "QSlider", "controlView", -1, "colorControlChanged:"},
                            {"contrastControlSlider", "QSlider", "controlView", -1, "colorControlChanged:"},
                            {"resetColorControlsButton", "QPushButton", "controlView", -1, "resetColorControl:"},
                            {"ptzCustomView", "QWidget", "controlView"},
                            {"rightPanelSelector", "QWidget", "SitePanelController"},
                        });
}

TEST_F(SitePanelForm, HoldsTheSitePanelsPagesAndTabs) {
  expectOutlets(panel_, {
                             {"tabView", "QStackedWidget", "SitePanelController"},
                             {"dvrView", "QWidget", "tabView"},
                             {"controlView", "QWidget", "tabView"},
                             {"logView", "QWidget", "tabView"},
                             {"panelMatrix", "QButtonGroup", nullptr},
                             {"statusTabButton", "QToolButton", "rightPanelSelector", 0, "selectPanelView:"},
                             {"controlTabButton", "QToolButton", "rightPanelSelector", 1, "selectPanelView:"},
                             {"logTabButton", "QToolButton", "rightPanelSelector", 2, "selectPanelView:"},
                         });
  // A tab's tag is the index of its page: 0 status, 1 PTZ and colour, 2 the event log.
  ASSERT_EQ(ui_.tabView->count(), 3);
  EXPECT_EQ(ui_.tabView->widget(0), ui_.dvrView);
  EXPECT_EQ(ui_.tabView->widget(1), ui_.controlView);
  EXPECT_TRUE(ui_.controlView->inherits("zelvo::ControlView"));  // the form makes the views itself
  EXPECT_TRUE(ui_.logView->inherits("zelvo::LogView"));
  EXPECT_EQ(ui_.tabView->widget(2), ui_.logView);
  EXPECT_EQ(ui_.tabView->currentIndex(), 0);
  const QList<QAbstractButton*> tabs = ui_.panelMatrix->buttons();
  ASSERT_EQ(tabs.size(), 3);
  EXPECT_TRUE(ui_.panelMatrix->exclusive());
  for (QAbstractButton* tab : tabs) EXPECT_TRUE(tab->isCheckable());
  EXPECT_TRUE(ui_.statusTabButton->isChecked());
}

TEST_F(SitePanelForm, HoldsTheSiteStatusViewsOutlets) {
  std::vector<Outlet> outlets = {
      {"siteName", "QLabel", "dvrView"},
      {"address", "QLabel", "dvrView"},
      {"siteInfo", "QLabel", "dvrView"},
      {"userInfo", "QLabel", "dvrView"},
  };
  for (int i = 0; i < 16; ++i) {
    const std::string n = std::to_string(i + 1);
    outlets.push_back({"cameraText" + n, "QLabel", "dvrView", i});
    outlets.push_back({"alarm" + n, "QPushButton", "dvrView", i, "changeAlarmState:"});
  }
  expectOutlets(panel_, outlets);
  for (int i = 1; i <= 16; ++i) {
    SCOPED_TRACE(i);
    const QAbstractButton* alarm = child<QAbstractButton>(panel_, ("alarm" + std::to_string(i)).c_str());
    ASSERT_NE(alarm, nullptr);
    EXPECT_TRUE(alarm->isCheckable());
  }
}

TEST_F(SitePanelForm, HoldsTheControlViewsOutlets) {
  expectOutlets(panel_, {
                             // The first three share their names with the status view's fields.
                             {"controlSiteName", "QLabel", "controlView", -1, nullptr, -1, "siteName"},
                             {"controlAddress", "QLabel", "controlView", -1, nullptr, -1, "address"},
                             {"controlSiteInfo", "QLabel", "controlView", -1, nullptr, -1, "siteInfo"},
                             {"cameraTitle", "QLabel", "controlView"},
                             {"leftButton", "QToolButton", "ptzCustomView", 2, "handlePTZCommand:"},
                             {"rightButton", "QToolButton", "ptzCustomView", 6, "handlePTZCommand:"},
                             {"upButton", "QToolButton", "ptzCustomView", 0, "handlePTZCommand:"},
                             {"downButton", "QToolButton", "ptzCustomView", 4, "handlePTZCommand:"},
                             {"leftUpButton", "QToolButton", "ptzCustomView", 1, "handlePTZCommand:"},
                             {"leftDownButton", "QToolButton", "ptzCustomView", 3, "handlePTZCommand:"},
                             {"rightUpButton", "QToolButton", "ptzCustomView", 5, "handlePTZCommand:"},
                             {"rightDownButton", "QToolButton", "ptzCustomView", 7, "handlePTZCommand:"},
                             {"zoomInButton", "QToolButton", "ptzCustomView", 8, "handlePTZCommand:"},
                             {"zoomOutButton", "QToolButton", "ptzCustomView", 9, "handlePTZCommand:"},
                             {"focusInButton", "QToolButton", "ptzCustomView", 10, "handlePTZCommand:"},
                             {"focusOutButton", "QToolButton", "ptzCustomView", 11, "handlePTZCommand:"},
                             {"setPresetButton", "QToolButton", "ptzCustomView", -1, "handleSetPreset:"},
                             {"movePresetButton", "QToolButton", "ptzCustomView", -1, "handleMoveToPreset:"},
                         });
  EXPECT_EQ(ui_.setPresetButton->popupMode(), QToolButton::InstantPopup);
  EXPECT_EQ(ui_.movePresetButton->popupMode(), QToolButton::InstantPopup);
}

TEST_F(SitePanelForm, HoldsTheEventLogsOutlets) {
  expectOutlets(panel_, {
                             {"logTableView", "QTableView", "logView"},
                             {"clearButton", "QPushButton", "logView", -1, "clearAllItem:"},
                         });
  EXPECT_EQ(ui_.logTableView->property("columnIdentifier").toString(), QStringLiteral("CustomLogTableCell"));
  EXPECT_EQ(ui_.logTableView->selectionMode(), QAbstractItemView::NoSelection);  // rows are never selected
}

TEST_F(MainWindowForm, StartsAsWithNothingSelectedAndNothingBound) {
  for (const char* name : {"connectButton", "disconnectButton", "favoriteButton", "remoteSetupButton"}) {
    SCOPED_TRACE(name);
    const QWidget* control = child(window_, name);
    ASSERT_NE(control, nullptr);
    EXPECT_FALSE(control->isEnabled());
  }
  EXPECT_EQ(ui_.volumeSlider->minimum(), 0);
  EXPECT_EQ(ui_.volumeSlider->maximum(), 100);
}

TEST_F(SitePanelForm, StartsAsWithNothingSelectedAndNothingBound) {
  for (const char* name : {"hueControlSlider", "saturationControlSlider", "brightnessControlSlider",
                           "contrastControlSlider", "resetColorControlsButton", "setPresetButton", "movePresetButton",
                           "clearButton"}) {
    SCOPED_TRACE(name);
    const QWidget* control = child(panel_, name);
    ASSERT_NE(control, nullptr);
    EXPECT_FALSE(control->isEnabled());
  }
  for (QToolButton* button : ui_.ptzCustomView->findChildren<QToolButton*>()) {
    SCOPED_TRACE(button->objectName().toStdString());
    EXPECT_FALSE(button->isEnabled());
  }
  for (QSlider* slider : {ui_.hueControlSlider, ui_.saturationControlSlider, ui_.brightnessControlSlider,
                          ui_.contrastControlSlider}) {
    EXPECT_EQ(slider->value(), 0);
    EXPECT_EQ(slider->minimum(), -slider->maximum());  // centred on no change
  }
}

TEST_F(SitePanelForm, RecorderTextIsShownAsPlainText) {
  QStringList fields = {"siteName",        "address",         "siteInfo",        "userInfo",
                        "controlSiteName", "controlAddress", "controlSiteInfo", "cameraTitle"};
  for (int i = 1; i <= 16; ++i) fields << QStringLiteral("cameraText%1").arg(i);
  for (const QString& name : fields) {
    SCOPED_TRACE(name.toStdString());
    const QLabel* label = child<QLabel>(panel_, name.toUtf8().constData());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
  }
}

// The offsets the two panel views draw at are fixed for 213 x 519 with y from the bottom;
// at that size a picture drawn with its bottom edge at y has its top at 519 - y - height.
int topOf(int bottomUp, int height) { return 519 - bottomUp - height; }

QSize imageSize(const char* name) {
  const QString file = QString::fromUtf8(name);
  return imageResource(file.left(file.lastIndexOf(QLatin1Char('.'))), QStringLiteral("png")).size();
}

TEST_F(SitePanelForm, StatusViewFieldsLieOnTheRowsTheViewDraws) {
  const int capWidth = imageSize("right_info_bg_3.png").width();
  const int boxRow = imageSize("right_dvr_info_bg_2.png").height();
  const char* info[] = {"siteName", "address", "siteInfo", "userInfo"};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(info[i]);
    // Row i of the site box: the middle from 5 + the cap, 125 wide, its bottom at 491 - 21 i.
    const QRect middle(5 + capWidth, topOf(491 - 21 * i, boxRow), 125, boxRow);
    const QRect field = frameOf(panel_, info[i]);
    EXPECT_EQ(field.width(), 125);
    EXPECT_TRUE(middle.contains(field)) << field.x() << "," << field.y();
  }
  const int cameraRow = imageSize("right_dvr_camera_bg_2.png").height();
  const int rightPiece = imageSize("right_dvr_bg_3.png").width();
  const int indicator = imageSize("right_dvr_sensor_normal.png").width();
  for (int i = 0; i < 16; ++i) {
    SCOPED_TRACE(i);
    const int top = topOf(392 - 26 * i, cameraRow);
    // The title over the row's left and middle pieces (1 to 87), 81 wide.
    const QRect title = frameOf(panel_, "cameraText" + std::to_string(i + 1));
    EXPECT_EQ(title.width(), 81);
    EXPECT_TRUE(QRect(1, top, 86, cameraRow).contains(title));
    // The alarm toggle on the row's right piece, past the sensor column.
    const QRect alarm = frameOf(panel_, "alarm" + std::to_string(i + 1));
    EXPECT_TRUE(QRect(139 + indicator, top, 87 + rightPiece - (139 + indicator), cameraRow).contains(alarm));
  }
  // Sixteen rows fit the view's height.
  EXPECT_LE(frameOf(panel_, "alarm16").bottom(), 518);
}

TEST_F(SitePanelForm, ControlViewSectionsLieBetweenTheBarsTheViewDraws) {
  const int capWidth = imageSize("right_info_bg_3.png").width();
  const int boxRow = imageSize("right_dvr_info_bg_2.png").height();
  const char* info[] = {"controlSiteName", "controlAddress", "controlSiteInfo", "cameraTitle"};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(info[i]);
    const QRect field = frameOf(panel_, info[i]);
    EXPECT_EQ(field.width(), 125);
    EXPECT_TRUE(QRect(5 + capWidth, topOf(491 - 21 * i, boxRow), 125, boxRow).contains(field));
    // Inside the white box, 100 high from y 418.
    EXPECT_GE(field.top(), topOf(418, 100));
  }
  const int bar = imageSize("color_control_title_bg.png").height();
  const int ptzBarBottom = topOf(398, bar) + bar;  // follows the top edge
  const int colorBarTop = topOf(103, bar);         // fixed above the bottom edge
  // The PTZ controls at x 24 between the two bars.
  const QRect ptz = ui_.ptzCustomView->geometry();
  EXPECT_EQ(ptz.x(), 24);
  EXPECT_GE(ptz.top(), ptzBarBottom);
  EXPECT_LE(ptz.bottom(), colorBarTop - 1);
  for (QWidget* control : ui_.ptzCustomView->findChildren<QWidget*>())
    EXPECT_TRUE(QRect(QPoint(0, 0), ptz.size()).contains(control->geometry())) << control->objectName().toStdString();
  // The colour controls under the colour bar, inside the view.
  for (const char* name : {"hueControlSlider", "saturationControlSlider", "brightnessControlSlider",
                           "contrastControlSlider", "resetColorControlsButton"}) {
    SCOPED_TRACE(name);
    const QRect control = frameOf(panel_, name);
    EXPECT_GE(control.top(), colorBarTop + bar);
    EXPECT_LE(control.bottom(), 518);
    EXPECT_LE(control.right(), 212);
  }
}

TEST(ToolbarInfoViewForm, HoldsTheStripsOutletsHiddenUntilShown) {
  registerResources();
  QWidget strip;
  Ui::ToolbarInfoViewController ui;
  ui.setupUi(&strip);
  expectOutlets(strip, {
                           {"textSite", "QLabel"},
                           {"textContent", "QLabel"},
                           {"btnReconnect", "QToolButton", nullptr, -1, "reconnect:"},
                           {"btnClose", "QToolButton", nullptr, -1, "close:"},
                           {"btnWarning", "QToolButton", nullptr, -1, "warningClicked:"},
                           {"connectingIndicator", "QProgressBar"},
                       });
  // Network text, shown as it is.
  EXPECT_EQ(ui.textSite->textFormat(), Qt::PlainText);
  EXPECT_EQ(ui.textContent->textFormat(), Qt::PlainText);
  // A spinner: busy, no end.
  EXPECT_EQ(ui.connectingIndicator->minimum(), 0);
  EXPECT_EQ(ui.connectingIndicator->maximum(), 0);
  // The strip loads as it shows an empty plane, the warning as no log row has come.
  for (QWidget* widget : std::initializer_list<QWidget*>{ui.textSite, ui.textContent, ui.btnClose, ui.btnReconnect,
                                                         ui.connectingIndicator, ui.btnWarning}) {
    SCOPED_TRACE(widget->objectName().toStdString());
    EXPECT_TRUE(widget->isHidden());
  }
  // Each button shows its picture, and another while pressed.
  const struct {
    QToolButton* button;
    const char* image;
    const char* pressed;
  } buttons[] = {{ui.btnReconnect, "toolbar_info_reconnect.png", "toolbar_info_reconnect_pressed.png"},
                 {ui.btnClose, "toolbar_info_close.png", "toolbar_info_close_pressed.png"},
                 {ui.btnWarning, "toolbar_info_warning.png", "toolbar_info_warning_pressed.png"}};
  for (const auto& button : buttons) {
    expectIcon(*button.button, button.image);
    const QString pressed = button.button->property("alternateImage").toString();
    EXPECT_EQ(pressed.toStdString(), button.pressed);
    const QImage alternate = imageResource(pressed.left(pressed.lastIndexOf(QLatin1Char('.'))), QStringLiteral("png"));
    ASSERT_FALSE(alternate.isNull());
    EXPECT_FALSE(samePicture(alternate, imageResource(QString::fromUtf8(button.image).chopped(4), QStringLiteral("png"))));
  }
}

TEST(RemoteSetupWindowForm, HoldsTheWindowsOutlets) {
  registerResources();
  QWidget window;
  Ui::RemoteSetupWindowController ui;
  ui.setupUi(&window);
  expectOutlets(window, {
                            {"remoteSetupView", "QWidget"},
                            {"connectingIndicator", "QProgressBar"},
                            {"disconnectLabel", "QLabel"},
                            {"actionDelete", "QAction", nullptr, -1, "performDelete:"},
                        });
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Setup"));
  // The reason text comes from the recorder's disconnection: plain text.
  EXPECT_EQ(ui.disconnectLabel->textFormat(), Qt::PlainText);
  EXPECT_TRUE(ui.disconnectLabel->isHidden());
  EXPECT_TRUE(ui.connectingIndicator->isHidden());
  EXPECT_EQ(ui.connectingIndicator->maximum(), 0);
  // The delete command is offered by the window without taking the Delete key, which
  // goes to the recorder as forward delete.
  EXPECT_TRUE(window.actions().contains(ui.actionDelete));
  EXPECT_TRUE(ui.actionDelete->shortcut().isEmpty());
  // The indicator and the label lie over the middle of the view, not beside it.
  window.resize(640, 480);
  window.show();
  ui.connectingIndicator->show();
  ui.disconnectLabel->setText(QStringLiteral("Unknown user."));
  ui.disconnectLabel->show();
  window.layout()->activate();
  EXPECT_EQ(ui.remoteSetupView->geometry(), window.rect());
  for (QWidget* over : std::initializer_list<QWidget*>{ui.connectingIndicator, ui.disconnectLabel}) {
    SCOPED_TRACE(over->objectName().toStdString());
    EXPECT_TRUE(ui.remoteSetupView->geometry().contains(over->geometry()));
    EXPECT_LE((over->geometry().center() - window.rect().center()).manhattanLength(), 2);
  }
}

}  // namespace
}  // namespace zelvo
