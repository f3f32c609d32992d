#pragma once
// Real input for the widget tests under X: key presses, and pastes through the X
// clipboard, delivered to the widgets as the operator's would be. Mouse events go
// through the window system's path (QTEST_QPA_MOUSE_HANDLING, defined for every test
// executable by the build), so a window that a modal dialog blocks gets none of them.

#ifndef QTEST_QPA_MOUSE_HANDLING
#error "the tests are built with QTEST_QPA_MOUSE_HANDLING"
#endif

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMimeData>
#include <QString>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QWidget>

#include "support/SharedDeviceLock.h"
#include "support/Wait.h"

namespace zelvo::test {

// The X clipboard is shared by every test process on the display: whoever puts
// something on it holds this lock until done with it.
class ClipboardLock : public SharedDeviceLock {
 public:
  ClipboardLock() : SharedDeviceLock("clipboard") {}
};

// Puts text on the clipboard and pastes it with the paste shortcut. The text goes as
// UTF-8 bytes, so an embedded NUL reaches the widget as it would from another program.
inline void paste(QWidget* target, const QString& text) {
  ClipboardLock lock;
  auto* data = new QMimeData;
  data->setData(QStringLiteral("text/plain;charset=utf-8"), text.toUtf8());
  data->setText(text);
  QGuiApplication::clipboard()->setMimeData(data);
  QTest::keySequence(target, QKeySequence::Paste);
}

inline void selectAll(QWidget* target) { QTest::keySequence(target, QKeySequence::SelectAll); }

inline void eraseAll(QWidget* target) {
  selectAll(target);
  QTest::keyClick(target, Qt::Key_Backspace);
}

// Characters one key press each, also outside Latin-1 (QTest::keyClicks takes Latin-1).
inline void typeText(QWidget* target, const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    qsizetype units = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString character = text.mid(i, units);
    QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, character, Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, character, Qt::NoModifier);
    i += units - 1;
  }
}

// Opens the combo box's list with a click on its arrow and clicks the row.
inline bool pickFromList(QComboBox* combo, int row) {
  QStyleOptionComboBox option;
  option.initFrom(combo);
  option.editable = combo->isEditable();
  const QRect arrow = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, combo);
  QTest::mouseClick(combo, Qt::LeftButton, {}, arrow.center());
  QAbstractItemView* list = combo->view();
  if (!waitUntil([&] { return list->isVisible(); })) return false;
  const QRect item = list->visualRect(combo->model()->index(row, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
  return waitUntil([&] { return !list->isVisible(); });
}

}  // namespace zelvo::test
