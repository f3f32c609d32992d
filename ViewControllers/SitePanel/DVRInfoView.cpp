#include "ViewControllers/SitePanel/DVRInfoView.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>
#include <QVBoxLayout>
#include <QPainter>
#include <QPaintEvent>
#include <QStackedWidget>
#include <algorithm>

#include "Foundation/Assert.h"
#include "Foundation/Log.h"
#include "Resources/Resources.h"
#include "ViewControllers/Store/SiteInfo.h"

namespace zelvo {

namespace {

// Offsets at the design size, turned to top-left coordinates: a picture whose bottom edge
// sat at y (counted up from the bottom) has its top at height - y - pictureHeight; with
// dH = 519 - height that is a fixed distance from the top.
constexpr double SiteBoxBottom = DVRInfoView::DesignHeight - 491.0;  // 28
constexpr double SiteBoxSpacing = 21.0;
constexpr double RowBottom = DVRInfoView::DesignHeight - 392.0;        // 127
constexpr double IndicatorBottom = DVRInfoView::DesignHeight - 395.0;  // 124
constexpr double RowSpacing = 26.0;
constexpr double SiteBoxLeft = 5.0;
constexpr double SiteBoxMiddle = 125.0;
constexpr double RowLeft = 1.0;
constexpr double RowRight = 87.0;
constexpr double VideoColumn = 95.0;
constexpr double MotionColumn = 117.0;
constexpr double SensorColumn = 139.0;
constexpr double CameraTextWidth = 81.0;
constexpr double InfoTextWidth = 125.0;

QString plain(const std::optional<QString>& text) { return text.value_or(QString()); }

QImage loadResourceImage(const QString& name) {
  QString base = name;
  if (base.endsWith(QLatin1String(".png"))) base.chop(4);
  return imageResource(base, QStringLiteral("png"));
}

}  // namespace

DVRInfoView::DVRInfoView(QWidget* parent) : QWidget(parent), loader_(loadResourceImage) {
  setAutoFillBackground(false);
}

DVRInfoView::~DVRInfoView() = default;

DVRInfoView* DVRInfoView::replacePlaceholder(QWidget* placeholder) {
  ZELVO_PRECONDITION(placeholder != nullptr);
  QWidget* parent = placeholder->parentWidget();
  auto* view = new DVRInfoView(parent);
  view->setObjectName(placeholder->objectName());
  view->setGeometry(placeholder->geometry());
  view->setMinimumSize(placeholder->minimumSize());
  view->setMaximumSize(placeholder->maximumSize());
  view->setSizePolicy(placeholder->sizePolicy());
  const QObjectList children = placeholder->children();
  for (QObject* child : children) {
    if (auto* widget = qobject_cast<QWidget*>(child)) {
      const QRect frame = widget->geometry();
      const bool hidden = widget->isHidden();
      widget->setParent(view);
      widget->setGeometry(frame);
      widget->setVisible(!hidden);
    }
  }
  const bool hidden = placeholder->isHidden();
  if (auto* stack = qobject_cast<QStackedWidget*>(parent)) {
    // The page stack shows and hides its pages itself.
    const int page = stack->indexOf(placeholder);
    const bool current = stack->currentWidget() == placeholder;
    stack->insertWidget(page, view);
    stack->removeWidget(placeholder);
    if (current) stack->setCurrentWidget(view);
  } else {
    if (parent && parent->layout() && parent->layout()->indexOf(placeholder) >= 0)
      delete parent->layout()->replaceWidget(placeholder, view);
    view->setVisible(!hidden);
  }
  delete placeholder;
  view->awakeFromNib();
  return view;
}

DVRInfoView* DVRInfoView::fillPlaceholder(QWidget* page) {
  ZELVO_PRECONDITION(page != nullptr);
  auto* view = new DVRInfoView(page);
  view->setObjectName(page->objectName() + QStringLiteral("Status"));
  const QObjectList children = page->children();
  for (QObject* child : children) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (!widget || widget == view) continue;
    const QRect frame = widget->geometry();
    const bool hidden = widget->isHidden();
    widget->setParent(view);
    widget->setGeometry(frame);
    widget->setVisible(!hidden);
  }
  delete page->layout();
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view);
  view->awakeFromNib();
  return view;
}

void DVRInfoView::awakeFromNib() {
  ZELVO_PRECONDITION(!awake_);
  awake_ = true;
  auto field = [this](const QString& name) {
    QLabel* label = findChild<QLabel*>(name);
    // Names, addresses and titles come from recorders and operators: never markup.
    if (label) label->setTextFormat(Qt::PlainText);
    else zelvoLog("DVRInfoView: no field %s", qPrintable(name));
    return label;
  };
  siteName_ = field(QStringLiteral("siteName"));
  address_ = field(QStringLiteral("address"));
  siteInfo_ = field(QStringLiteral("siteInfo"));
  userInfo_ = field(QStringLiteral("userInfo"));
  for (int n = 1; n <= FieldCount; ++n) {
    if (QLabel* label = field(QStringLiteral("cameraText%1").arg(n))) cameraTextArray_.push_back(label);
    if (auto* button = findChild<QAbstractButton*>(QStringLiteral("alarm%1").arg(n))) {
      button->setCheckable(true);
      alarmButtonArray_.push_back(button);
      alarmButtonDesignX_.push_back(button->x());
      connect(button, &QAbstractButton::clicked, this, [this, button](bool on) {
        const QVariant tag = button->property("tag");
        if (tag.isValid()) emit changeAlarmState(tag.toInt(), on);
      });
    }
  }
  resizeView();
  enableAlarmButton(false);
}

void DVRInfoView::setImageLoader(ImageLoader loader) {
  loader_ = std::move(loader);
  images_.clear();
  update();
}

// Contents.

void DVRInfoView::showSiteStatus(const SiteInfo* site) {
  auto show = [](QLabel* field, const QString& text) {
    if (field) field->setText(text);
  };
  if (!site) {
    show(siteName_, QString());
    show(address_, QString());
    show(siteInfo_, QString());
    show(userInfo_, QString());
    updateCameraCount(0, 0, 0);
    return;
  }
  show(siteName_, plain(site->name()));
  show(address_, site->autoDetect().value_or(false) ? QStringLiteral("Auto Detection") : plain(site->address()));
  show(siteInfo_, plain(site->dvrInfo()));
  show(userInfo_, plain(site->user()));
  // Counts come from the recorder; they are bounded to what a 32-bit count holds.
  auto count = [](std::optional<qint64> value) {
    return static_cast<int32_t>(std::clamp<qint64>(value.value_or(0), INT32_MIN, INT32_MAX));
  };
  updateCameraCount(count(site->cameraCount()), count(site->sensorCount()), count(site->alarmCount()));
}

void DVRInfoView::updateCameraCount(int32_t cameraCount, int32_t sensorCount, int32_t alarmCount) {
  cameraCount_ = cameraCount;
  sensorCount_ = sensorCount;
  alarmCount_ = alarmCount;
  update();
}

void DVRInfoView::updateCameraInfoArray(std::vector<CameraInfo> cameraInfo) {
  cameraInfo_ = std::move(cameraInfo);
  updateCameraText();
  // The titles of newly shown rows take the width the view's size gives them.
  resizeTextField();
  update();
}

void DVRInfoView::updateMotionMask(BitMask32 mask) {
  motionMask_ = mask;
  update();
}

void DVRInfoView::updateSensorMask(BitMask32 mask) {
  sensorMask_ = mask;
  update();
}

void DVRInfoView::updateAlarmInfo(const std::optional<std::vector<AlarmCommand>>& alarmInfo) {
  alarmInfo_ = alarmInfo;
  updateAlarmButton();
}

QString DVRInfoView::stringByCameraInfo(const CameraInfo* info, int /*selectedCamera*/) {
  if (!info) return QString();
  const int32_t status = info->status();
  if (status == 1 || status == 2 || status == 3) return QString::fromStdString(info->titleWithDefaultValue());
  return QString();
}

QLabel* DVRInfoView::textFieldForTag(int tag) const {
  for (QLabel* field : cameraTextArray_)
    if (field->property("tag").isValid() && field->property("tag").toInt() == tag) return field;
  return nullptr;
}

QAbstractButton* DVRInfoView::alarmButtonForTag(int tag) const {
  for (QAbstractButton* button : alarmButtonArray_)
    if (button->property("tag").isValid() && button->property("tag").toInt() == tag) return button;
  return nullptr;
}

void DVRInfoView::resetCameraTextField() {
  for (QLabel* field : cameraTextArray_) field->setText(QString());
}

void DVRInfoView::updateCameraText() {
  resetCameraTextField();
  for (size_t i = 0; i < cameraInfo_.size(); ++i) {
    // Rows past the sixteenth have no field: a recorder may report more cameras.
    QLabel* field = i < static_cast<size_t>(FieldCount) ? textFieldForTag(static_cast<int>(i)) : nullptr;
    if (!field) break;
    field->setText(stringByCameraInfo(&cameraInfo_[i], static_cast<int>(i)));
  }
}

void DVRInfoView::enableAlarmButton(bool flag) {
  for (QAbstractButton* button : alarmButtonArray_) {
    const int tag = button->property("tag").toInt();
    if (tag >= alarmCount_) {
      button->hide();
      button->setChecked(false);
    } else {
      button->show();
      if (!flag) button->setChecked(false);
    }
  }
}

void DVRInfoView::updateAlarmButton() {
  if (!alarmInfo_) {
    for (int tag = 0; tag < std::min<int32_t>(alarmCount_, FieldCount); ++tag) {
      if (QAbstractButton* button = alarmButtonForTag(tag)) {
        button->setChecked(false);
        button->setEnabled(false);
      }
    }
    return;
  }
  for (const AlarmCommand& alarm : *alarmInfo_) {
    // An output channel the view has no button for (16 and above, or a bad channel) is left out.
    if (alarm.channel() < 0 || alarm.channel() >= FieldCount) continue;
    if (QAbstractButton* button = alarmButtonForTag(static_cast<int>(alarm.channel()))) {
      button->setChecked(alarm.on());
      button->setEnabled(true);
    }
  }
}

// Size.

void DVRInfoView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  resizeView();
}

void DVRInfoView::resizeView() {
  changedViewWidthValue_ = DesignWidth - width();
  changedViewHeightValue_ = DesignHeight - height();
  resizeTextField();
  resizeDVRInfoTextField();
  placeAlarmButtons();
}

void DVRInfoView::resizeTextField() {
  const int fieldWidth = std::max(0, static_cast<int>(CameraTextWidth - changedViewWidthValue_));
  const size_t count = std::min(cameraInfo_.size(), static_cast<size_t>(FieldCount));
  for (size_t i = 0; i < count; ++i) {
    QLabel* field = textFieldForTag(static_cast<int>(i));
    if (!field) continue;
    field->resize(fieldWidth, field->height());
  }
}

void DVRInfoView::resizeDVRInfoTextField() {
  if (!siteName_) return;
  const int fieldWidth = std::max(0, static_cast<int>(InfoTextWidth - changedViewWidthValue_));
  const int fieldHeight = siteName_->height();
  for (QLabel* field : {siteName_, address_, siteInfo_, userInfo_})
    if (field) field->resize(fieldWidth, fieldHeight);
}

void DVRInfoView::placeAlarmButtons() {
  // The buttons sit at the right end of their rows, as the picture columns do.
  for (size_t i = 0; i < alarmButtonArray_.size(); ++i) {
    QAbstractButton* button = alarmButtonArray_[i];
    button->move(static_cast<int>(alarmButtonDesignX_[i] - changedViewWidthValue_), button->y());
  }
}

// Drawing.

const QImage& DVRInfoView::image(const QString& name) const {
  for (const auto& [key, picture] : images_)
    if (key == name) return picture;
  images_.emplace_back(name, loader_ ? loader_(name) : QImage());
  if (images_.back().second.isNull()) zelvoLog("DVRInfoView: no image %s", qPrintable(name));
  return images_.back().second;
}

void DVRInfoView::drawImage(QPainter& painter, const QString& name, double x, double top, double width) const {
  const QImage& picture = image(name);
  if (picture.isNull()) return;
  const QSizeF size = picture.deviceIndependentSize();
  const QRectF target(x, top, width < 0 ? size.width() : width, size.height());
  painter.drawImage(target, picture);
}

bool DVRInfoView::isBitSet(BitMask32 mask, int64_t bit) {
  // A mask has 32 channels; a recorder may report more cameras or sensors than that.
  return bit >= 0 && bit < BitMask32::BitCount && mask.isSet(static_cast<int>(bit));
}

void DVRInfoView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.fillRect(event->rect(), Qt::white);
  drawSiteInfoBox(painter);
  drawBorder(painter);
  drawCameraState(painter);
  drawMotionEvent(painter);
  drawSensorEvent(painter);
}

void DVRInfoView::drawSiteInfoBox(QPainter& painter) {
  const double middle = SiteBoxMiddle - changedViewWidthValue_;
  if (middle <= 0) return;
  const QString left = QStringLiteral("right_info_bg_3.png");
  const QString centre = QStringLiteral("right_dvr_info_bg_2.png");
  const QString right = QStringLiteral("right_dvr_info_bg_1.png");
  const double leftWidth = image(left).deviceIndependentSize().width();
  for (int i = 0; i < 4; ++i) {
    drawImage(painter, left, SiteBoxLeft, SiteBoxBottom + SiteBoxSpacing * i - image(left).deviceIndependentSize().height());
    drawImage(painter, centre, SiteBoxLeft + leftWidth,
              SiteBoxBottom + SiteBoxSpacing * i - image(centre).deviceIndependentSize().height(), middle);
    drawImage(painter, right, SiteBoxLeft + leftWidth + middle,
              SiteBoxBottom + SiteBoxSpacing * i - image(right).deviceIndependentSize().height());
  }
}

void DVRInfoView::drawBorder(QPainter& painter) {
  const int64_t rows = std::max<int64_t>({static_cast<int64_t>(cameraInfo_.size()), sensorCount_, alarmCount_});
  const QString left = QStringLiteral("right_dvr_camera_bg_1.png");
  const QString centre = QStringLiteral("right_dvr_camera_bg_2.png");
  const QString right = QStringLiteral("right_dvr_bg_3.png");
  const double leftWidth = image(left).deviceIndependentSize().width();
  // Nothing below the view's bottom edge can show: rows past it are not drawn.
  for (int64_t i = 0; i < rows && RowBottom + RowSpacing * i - RowSpacing <= height(); ++i) {
    const double bottom = RowBottom + RowSpacing * static_cast<double>(i);
    drawImage(painter, left, RowLeft, bottom - image(left).deviceIndependentSize().height());
    const double middle = RowRight - leftWidth - changedViewWidthValue_;
    if (middle <= 0) return;
    drawImage(painter, centre, leftWidth, bottom - image(centre).deviceIndependentSize().height(), middle);
    drawImage(painter, right, RowRight - changedViewWidthValue_, bottom - image(right).deviceIndependentSize().height());
  }
}

void DVRInfoView::drawCameraState(QPainter& painter) {
  for (size_t i = 0; i < cameraInfo_.size(); ++i) {
    const CameraInfo& camera = cameraInfo_[i];
    QString name;
    if (static_cast<int64_t>(i) >= cameraCount_) name = QStringLiteral("right_dvr_video_dimmed.png");
    else if (camera.status() == 2) name = QStringLiteral("right_dvr_inactive.png");
    else if (camera.status() == 3) name = QStringLiteral("right_dvr_videoloss.png");
    else if (camera.covertLevel() != 1) name = QStringLiteral("right_dvr_inactive.png");
    else if (camera.status() == 1) name = QStringLiteral("right_dvr_video.png");
    else continue;
    drawImage(painter, name, VideoColumn - changedViewWidthValue_,
              IndicatorBottom + RowSpacing * static_cast<double>(i) - image(name).deviceIndependentSize().height());
  }
}

void DVRInfoView::drawMotionEvent(QPainter& painter) {
  for (size_t i = 0; i < cameraInfo_.size(); ++i) {
    QString name;
    if (static_cast<int64_t>(i) >= cameraCount_) name = QStringLiteral("right_dvr_motion_dimmed.png");
    else if (isBitSet(motionMask_, static_cast<int64_t>(i))) name = QStringLiteral("right_dvr_motion_select.png");
    else name = QStringLiteral("right_dvr_motion_normal.png");
    drawImage(painter, name, MotionColumn - changedViewWidthValue_,
              IndicatorBottom + RowSpacing * static_cast<double>(i) - image(name).deviceIndependentSize().height());
  }
}

void DVRInfoView::drawSensorEvent(QPainter& painter) {
  for (int64_t i = 0; i < sensorCount_ && IndicatorBottom + RowSpacing * i - RowSpacing <= height(); ++i) {
    const QString name = isBitSet(sensorMask_, i) ? QStringLiteral("right_dvr_sensor_select.png")
                                                  : QStringLiteral("right_dvr_sensor_normal.png");
    drawImage(painter, name, SensorColumn - changedViewWidthValue_,
              IndicatorBottom + RowSpacing * static_cast<double>(i) - image(name).deviceIndependentSize().height());
  }
}

}  // namespace zelvo
