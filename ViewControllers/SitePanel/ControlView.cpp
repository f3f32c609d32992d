#include "ViewControllers/SitePanel/ControlView.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QSlider>
#include <QToolButton>

#include "Foundation/Assert.h"
#include "Resources/Resources.h"
#include "ViewControllers/Controls/TrackingButton.h"

namespace zelvo {

namespace {

QImage picture(const char* name) { return imageResource(QString::fromUtf8(name), QStringLiteral("png")); }

// The item's index and label, kept on the item: the label is never read back from the
// tool tip, which shows the item's text when the label is empty.
struct PresetItem {
  int tag;
  QString label;
};
QVariant itemData(int tag, const QString& label) { return QVariantList{tag, label}; }
PresetItem presetItem(const QAction* action) {
  const QVariantList data = action->data().toList();
  return data.size() == 2 ? PresetItem{data[0].toInt(), data[1].toString()} : PresetItem{-1, QString()};
}

constexpr const char* PTZButtonNames[12] = {"upButton",     "leftUpButton",  "leftButton",    "leftDownButton",
                                            "downButton",   "rightUpButton", "rightButton",   "rightDownButton",
                                            "zoomInButton", "zoomOutButton", "focusInButton", "focusOutButton"};

}  // namespace

ControlView::ControlView(QWidget* parent) : QWidget(parent) {
  registerResources();
  rowCap_ = picture("right_info_bg_3");
  rowMiddle_ = picture("right_dvr_info_bg_2");
  titleBar_ = picture("color_control_title_bg");
  ptzIcon_ = picture("ptz control-icon");
  colorIcon_ = picture("color_control_icon");
}

ControlView::~ControlView() = default;

void ControlView::awakeFromNib() {
  auto find = [this](const char* name) {
    QWidget* widget = findChild<QWidget*>(QLatin1String(name));
    ZELVO_ASSERT(widget, "the control view's form has every outlet");
    return widget;
  };
  siteName_ = qobject_cast<QLabel*>(find("controlSiteName"));
  address_ = qobject_cast<QLabel*>(find("controlAddress"));
  siteInfo_ = qobject_cast<QLabel*>(find("controlSiteInfo"));
  cameraTitle_ = qobject_cast<QLabel*>(find("cameraTitle"));
  for (QLabel* field : {siteName_, address_, siteInfo_, cameraTitle_})
    infoFields_.push_back({field, field->geometry()});
  for (const char* name : {"colorTitleLabel", "hueLabel", "hueControlSlider", "saturationLabel",
                           "saturationControlSlider", "brightnessLabel", "brightnessControlSlider", "contrastLabel",
                           "contrastControlSlider", "resetColorControlsButton"})
    if (QWidget* widget = findChild<QWidget*>(QLatin1String(name)))
      colorSection_.push_back({widget, widget->geometry()});
  if (QWidget* pad = findChild<QWidget*>(QStringLiteral("ptzCustomView"))) ptzControls_ = Placed{pad, pad->geometry()};

  for (int tag = 0; tag < 12; ++tag) {
    QToolButton* button = qobject_cast<QToolButton*>(find(PTZButtonNames[tag]));
    // The panel repeats a held button by its own timer: Qt's auto-repeat would report a
    // release on every repeat.
    button->setAutoRepeat(false);
    // A held direction whose pointer slips off the button and back must neither stop nor
    // restart the camera: the stop comes at the release, wherever it is.
    keepTrackingUntilRelease(button);
    PTZButtons_[static_cast<size_t>(tag)] = button;
    connect(button, &QToolButton::pressed, this, [this, tag] { emit PTZButtonPressed(tag); });
    connect(button, &QToolButton::released, this, [this, tag] { emit PTZButtonReleased(tag); });
  }
  setPresetButton_ = qobject_cast<QToolButton*>(find("setPresetButton"));
  movePresetButton_ = qobject_cast<QToolButton*>(find("movePresetButton"));
  setPresetMenu_ = new QMenu(this);
  setPresetMenu_->setObjectName(QStringLiteral("setPresetMenu"));
  moveToPresetMenu_ = new QMenu(this);
  moveToPresetMenu_->setObjectName(QStringLiteral("moveToPresetMenu"));
  setPresetButton_->setMenu(setPresetMenu_);
  movePresetButton_->setMenu(moveToPresetMenu_);
  connect(setPresetMenu_, &QMenu::triggered, this, [this](QAction* action) {
    const PresetItem item = presetItem(action);
    if (item.tag >= 0) emit setPresetChosen(item.tag, item.label);
  });
  connect(moveToPresetMenu_, &QMenu::triggered, this, [this](QAction* action) {
    const PresetItem item = presetItem(action);
    if (item.tag >= 0) emit moveToPresetChosen(item.tag);
  });
  enablePTZButton(false);
  resizeView();
}

QToolButton* ControlView::PTZButton(int tag) const {
  return tag >= 0 && tag < 12 ? PTZButtons_[static_cast<size_t>(tag)] : nullptr;
}

void ControlView::showSiteStatus(const std::shared_ptr<SiteInfo>& site, const std::optional<QString>& title) {
  if (!siteName_) return;
  if (!site) {
    for (QLabel* field : {siteName_, address_, siteInfo_, cameraTitle_}) field->setText(QString());
    return;
  }
  siteName_->setText(site->name().value_or(QString()));
  address_->setText(site->autoDetect().value_or(false) ? QStringLiteral("Auto Detection")
                                                       : site->address().value_or(QString()));
  siteInfo_->setText(site->dvrInfo().value_or(QString()));
  cameraTitle_->setText(title.value_or(QString()));
}

void ControlView::enablePTZButton(bool enable) {
  for (QToolButton* button : PTZButtons_)
    if (button) button->setEnabled(enable);
  if (setPresetButton_) setPresetButton_->setEnabled(enable);
  if (movePresetButton_) movePresetButton_->setEnabled(enable);
}

QString ControlView::presetItemTitle(int64_t tag, const QString& label) {
  QString shown = label;
  shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return QStringLiteral("%1.%2").arg(tag + 1).arg(shown);
}

void ControlView::clearPresetMenu() {
  // The pop-ups' fixed title item is the button's own text, so every menu item goes.
  if (setPresetMenu_) setPresetMenu_->clear();
  if (moveToPresetMenu_) moveToPresetMenu_->clear();
}

void ControlView::updatePresetLabelArray(const std::vector<QString>& labels) {
  clearPresetMenu();
  if (!setPresetMenu_) return;
  for (size_t i = 0; i < labels.size(); ++i) {
    const int tag = static_cast<int>(i);
    QAction* set = setPresetMenu_->addAction(presetItemTitle(tag, labels[i]));
    set->setData(itemData(tag, labels[i]));
    set->setToolTip(labels[i]);
    QAction* move = moveToPresetMenu_->addAction(presetItemTitle(tag, labels[i]));
    move->setData(itemData(tag, labels[i]));
  }
}

void ControlView::updatePresetLabel(const QString& label, int64_t tag) {
  for (QMenu* menu : {setPresetMenu_, moveToPresetMenu_}) {
    if (!menu) continue;
    for (QAction* action : menu->actions()) {
      if (presetItem(action).tag != tag) continue;
      action->setText(presetItemTitle(tag, label));
      action->setData(itemData(static_cast<int>(tag), label));
      if (menu == setPresetMenu_) action->setToolTip(label);
      break;
    }
  }
}

ControlViewGeometry ControlView::geometryForSize(double w, double h) const {
  return ControlViewGeometry::forSize(
      w, h, {rowCap_.size(), rowMiddle_.size(), titleBar_.size(), ptzIcon_.size(), colorIcon_.size()});
}

void ControlView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  resizeView();
}

void ControlView::resizeView() {
  const int dw = static_cast<int>(changedViewWidthValue());
  const int dh = static_cast<int>(changedViewHeightValue());
  // The site box's fields are W - 88 wide; the colour section keeps its distance to the
  // bottom edge, its sliders and button following the right edge.
  for (const Placed& field : infoFields_) {
    QRect frame = field.design;
    frame.setWidth(std::max(0, width() - 88));
    field.widget->setGeometry(frame);
  }
  // The PTZ controls stay under their bar, centred across the width.
  if (ptzControls_.widget) ptzControls_.widget->setGeometry(ptzControls_.design.translated(-dw / 2, 0));
  for (const Placed& control : colorSection_) {
    QRect frame = control.design.translated(0, -dh);
    if (qobject_cast<QSlider*>(control.widget))
      frame.setWidth(std::max(0, frame.width() - dw));
    else if (control.widget->objectName() == QLatin1String("resetColorControlsButton"))
      frame.translate(-dw, 0);
    control.widget->setGeometry(frame);
  }
}

void ControlView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const double h = height();
  const ControlViewGeometry g = geometryForSize(width(), h);
  auto flip = [h](const QRectF& rect) { return ControlViewGeometry::flipped(rect, h); };
  painter.fillRect(event->rect(), QColor(242, 242, 242));
  painter.fillRect(flip(g.whiteBox), Qt::white);
  for (const ControlViewGeometry::Row& row : g.rows) {
    painter.drawImage(flip(row.leftCap), rowCap_);
    painter.drawImage(flip(row.middle), rowMiddle_);
    painter.drawImage(flip(row.rightCap), rowCap_);
  }
  if (g.ptzTitleBar) painter.drawImage(flip(*g.ptzTitleBar), titleBar_);
  painter.drawImage(flip(g.ptzIcon), ptzIcon_);
  if (g.colorTitleBar) painter.drawImage(flip(*g.colorTitleBar), titleBar_);
  painter.drawImage(flip(g.colorIcon), colorIcon_);
}

}  // namespace zelvo
