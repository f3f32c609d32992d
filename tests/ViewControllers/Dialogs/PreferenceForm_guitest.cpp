// The compiled form "PreferenceController": every outlet is an object of its name and
// class, the steppers carry their limits, the toolbar its pane item.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QMainWindow>
#include <QToolBar>

#include "ViewControllers/Dialogs/GeneralView.h"
#include "ViewControllers/Controls/NSNumbericTextField.h"
#include "ViewControllers/Controls/Stepper.h"
#include "ui_PreferenceController.h"

namespace zelvo {
namespace {

TEST(PreferenceForm, HoldsEveryOutletUnderItsName) {
  QMainWindow window;
  Ui::PreferenceController form;
  form.setupUi(&window);

  auto* pane = window.findChild<GeneralView*>("generalView");
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(window.centralWidget(), pane);
  for (const char* name : {"aspectRatioCheckBox", "autoReconnectCheckBox"})
    EXPECT_NE(pane->findChild<QCheckBox*>(name), nullptr) << name;
  for (const char* name : {"autoReconnectIntervalField", "sequenceIntervalField"})
    EXPECT_NE(pane->findChild<NSNumbericTextField*>(name), nullptr) << name;
  for (const char* name : {"autoReconnectIntervalStepper", "sequenceIntervalStepper"}) {
    auto* stepper = pane->findChild<Stepper*>(name);
    ASSERT_NE(stepper, nullptr) << name;
    EXPECT_EQ(stepper->minimum(), 5) << name;
    EXPECT_EQ(stepper->maximum(), 60) << name;
    EXPECT_EQ(stepper->singleStep(), 1) << name;
  }

  auto* item = window.findChild<QAction*>("TOOLBAR_GENERAL");
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->isCheckable());
  EXPECT_TRUE(item->isChecked());
  auto* toolbar = window.findChild<QToolBar*>();
  ASSERT_NE(toolbar, nullptr);
  EXPECT_TRUE(toolbar->actions().contains(item));
}

}  // namespace
}  // namespace zelvo
