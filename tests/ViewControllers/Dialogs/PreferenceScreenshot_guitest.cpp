// The preferences window as the operator sees it: every label and control gets the room
// it asks for and lies inside the window. With ZELVO_SCREENSHOT set to a path the window
// is also saved there (docs/preferences.png is made this way).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "ViewControllers/Dialogs/GeneralView.h"
#include "ViewControllers/Controls/NSNumbericTextField.h"
#include "ViewControllers/Dialogs/PreferenceController.h"
#include "tests/ViewControllers/Dialogs/PreferenceFixture.h"

namespace zelvo {
namespace {

TEST(PreferenceScreenshot, NothingIsClippedOrOutside) {
  test::PreferenceFolder folder;
  PreferenceController controller(folder.file());
  controller.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&controller));

  const QRect window = controller.rect();
  const QList<QWidget*> shown = controller.findChildren<QWidget*>();
  int checked = 0;
  for (QWidget* widget : shown) {
    if (!widget->isVisible()) continue;
    const QRect inWindow(widget->mapTo(&controller, QPoint(0, 0)), widget->size());
    EXPECT_TRUE(window.contains(inWindow)) << widget->objectName().toStdString() << " lies outside the window";
    // Arrow buttons without text draw their arrow at any size.
    const auto* button = qobject_cast<QAbstractButton*>(widget);
    if (button && button->text().isEmpty()) continue;
    if (qobject_cast<QLabel*>(widget) || button || qobject_cast<QLineEdit*>(widget)) {
      EXPECT_GE(widget->width(), widget->minimumSizeHint().width()) << widget->objectName().toStdString();
      EXPECT_GE(widget->height(), widget->minimumSizeHint().height()) << widget->objectName().toStdString();
      ++checked;
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString() << " is cut";
    }
    if (button) {
      EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString() << " is cut";
    }
  }
  EXPECT_GE(checked, 10);
  // A two-digit interval fits its field.
  QLineEdit* field = controller.generalView()->sequenceIntervalField();
  EXPECT_GE(field->contentsRect().width() - 4, field->fontMetrics().horizontalAdvance("60"));

  const QPixmap picture = controller.grab();
  EXPECT_EQ(picture.size(), controller.size());
  if (const QByteArray path = qgetenv("ZELVO_SCREENSHOT"); !path.isEmpty()) {
    ASSERT_TRUE(picture.save(QString::fromLocal8Bit(path), "PNG"));
  }
}

}  // namespace
}  // namespace zelvo
