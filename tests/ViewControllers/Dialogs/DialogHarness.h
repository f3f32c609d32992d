#pragma once
// What the dialog tests share: a stand-in for the main window that the dialogs are
// shown over, and the ways an operator ends a run without OK.

#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <string>

namespace zelvo::test {

// A top-level window with a button of its own, to see that a window-modal dialog
// keeps input away from it.
class MainWindowStandIn : public QWidget {
 public:
  MainWindowStandIn() {
    setWindowTitle("Zelvo");
    resize(900, 640);
    move(40, 40);
    button = new QPushButton("Connect", this);
    button->setGeometry(20, 20, 120, 30);
    QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
  }
  QPushButton* button;
  int clicks = 0;
};

enum class Ending { CancelButton, EscapeKey, WindowSystemClose, WidgetClose };

inline std::string endingName(Ending ending) {
  switch (ending) {
    case Ending::CancelButton: return "CancelButton";
    case Ending::EscapeKey: return "EscapeKey";
    case Ending::WindowSystemClose: return "WindowSystemClose";
    case Ending::WidgetClose: return "WidgetClose";
  }
  return "";
}

inline const auto allEndings =
    ::testing::Values(Ending::CancelButton, Ending::EscapeKey, Ending::WindowSystemClose, Ending::WidgetClose);

// Ends the run without OK: a click on Cancel, Escape in the focused field, a close
// request from the window system (the path of the window manager's close button), or
// QWidget::close.
inline void endRun(QDialog& dialog, Ending ending) {
  switch (ending) {
    case Ending::CancelButton: {
      auto* cancel = dialog.findChild<QPushButton*>("cancelButton");
      ASSERT_NE(cancel, nullptr);
      QTest::mouseClick(cancel, Qt::LeftButton);
      break;
    }
    case Ending::EscapeKey:
      QTest::keyClick(dialog.focusWidget() != nullptr ? dialog.focusWidget() : &dialog, Qt::Key_Escape);
      break;
    case Ending::WindowSystemClose:
      ASSERT_NE(dialog.windowHandle(), nullptr);
      dialog.windowHandle()->close();
      break;
    case Ending::WidgetClose:
      dialog.close();
      break;
  }
}

template <typename T>
T* outlet(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

}  // namespace zelvo::test
