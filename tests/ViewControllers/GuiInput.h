#pragma once
// Real input for the widget tests under X: key presses, and pastes through the X
// clipboard, delivered to the widgets as the operator's would be.

#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMimeData>
#include <QString>
#include <QTest>
#include <QWidget>

namespace zelvo::test {

// Puts text on the clipboard and pastes it with the paste shortcut. The text goes as
// UTF-8 bytes, so an embedded NUL reaches the widget as it would from another program.
inline void paste(QWidget* target, const QString& text) {
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

}  // namespace zelvo::test
