#pragma once
// The X server's own pointer, driven by xdotool (XTest) as an operator's hand would move
// it: the events reach the windows through the X server, grabs and drags included, in
// this process or another one. Holds the shared input lock for as long as it lives, and
// a step still running when it goes is waited for (or ended) before the lock is let go.
//
//   test::XPointer pointer;
//   if (!pointer.available()) GTEST_SKIP() << "xdotool not installed";
//   pointer.run({"mousemove", "100", "200", "mousedown", "1"});
//   ASSERT_TRUE(test::waitUntil([&] { return button->isDown(); }));

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QPoint>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <utility>

#include "support/SharedDeviceLock.h"
#include "support/Wait.h"

namespace zelvo::test {

class XPointer {
 public:
  XPointer() = default;
  XPointer(const XPointer&) = delete;
  XPointer& operator=(const XPointer&) = delete;
  ~XPointer() { finish(); }

  static bool available() { return !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(); }

  // Runs the xdotool command line to its end; the event loop runs meanwhile, so that a
  // drag this process takes part in goes on. False when it failed.
  bool run(const QStringList& arguments) {
    if (!start(arguments)) return false;
    if (!waitUntil([&] { return process_.state() == QProcess::NotRunning; })) return false;
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
  }

  // Starts it and returns at once (for a drag whose loop blocks the caller).
  bool start(const QStringList& arguments) {
    finish();
    process_.start(QStringLiteral("xdotool"), arguments);
    return process_.waitForStarted();
  }
  bool running() const { return process_.state() != QProcess::NotRunning; }

  // Press at from, move there in steps, release at to (one point past it, so that the
  // last move is seen), with short pauses so that a drag's loop follows.
  static QStringList dragArguments(QPoint from, QPoint to) {
    QStringList args{"mousemove", QString::number(from.x()), QString::number(from.y()), "sleep", "0.1",
                     "mousedown", "1", "sleep", "0.1"};
    for (int step = 1; step <= 8; ++step) {
      const QPoint at = from + (to - from) * step / 8;
      args << "mousemove" << QString::number(at.x()) << QString::number(at.y()) << "sleep" << "0.05";
    }
    args << "mousemove" << QString::number(to.x() + 1) << QString::number(to.y() + 1) << "sleep" << "0.2"
         << "mouseup" << "1";
    return args;
  }

 private:
  void finish() {
    if (process_.state() == QProcess::NotRunning) return;
    if (!process_.waitForFinished(20000)) {
      process_.kill();
      process_.waitForFinished();
    }
  }

  SharedDeviceLock lock_{"input"};
  QProcess process_;  // after the lock: it ends first
};

// The global position of the last mouse move any widget of this process was given, so
// that a test knows when a move of the X pointer has arrived.
class MouseMoveWatch : public QObject {
 public:
  MouseMoveWatch() { QApplication::instance()->installEventFilter(this); }
  ~MouseMoveWatch() override { QApplication::instance()->removeEventFilter(this); }
  bool arrived(QPoint global) const { return seen_ && last_ == global; }
  bool waitFor(QPoint global) { return waitUntil([&] { return arrived(global); }); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseMove && watched->isWidgetType()) {
      last_ = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
      seen_ = true;
    }
    return false;
  }

 private:
  QPoint last_;
  bool seen_ = false;
};

}  // namespace zelvo::test
