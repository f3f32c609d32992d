// zelvo-probe against zelvo-recorder-emulator, both as a person would run them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include "support/Wait.h"

namespace zelvo::test {
namespace {

QString program(const QString& relative) { return QCoreApplication::applicationDirPath() + "/" + relative; }

class Probe : public testing::Test {
 protected:
  void SetUp() override {
    emulator_.setProgram(program("emulator/zelvo-recorder-emulator"));
    emulator_.setArguments({"--port", "0"});
    emulator_.start();
    ASSERT_TRUE(emulator_.waitForStarted());
    QRegularExpression listening("listening on [0-9.]+:([0-9]+)");
    QByteArray output;
    ASSERT_TRUE(waitUntil([&] {
      output += emulator_.readAllStandardOutput();
      auto match = listening.match(QString::fromUtf8(output));
      if (match.hasMatch()) port_ = match.captured(1);
      return !port_.isEmpty() || emulator_.state() == QProcess::NotRunning;
    }));
    ASSERT_FALSE(port_.isEmpty()) << output.constData();
  }
  void TearDown() override {
    emulator_.terminate();
    emulator_.waitForFinished();
  }

  struct Run {
    int exitCode = -1;
    std::vector<QJsonObject> lines;
    std::vector<QByteArray> raw;
    QString errors;
  };
  Run probe(const QStringList& arguments) {
    QProcess probe;
    probe.setProgram(program("tools/zelvo-probe"));
    probe.setArguments(arguments);
    probe.start();
    Run run;
    if (!probe.waitForStarted()) return run;
    EXPECT_TRUE(waitUntil([&] { return probe.state() == QProcess::NotRunning; }, std::chrono::seconds(60)));
    run.exitCode = probe.exitCode();
    for (const QByteArray& line : probe.readAllStandardOutput().split('\n'))
      if (!line.isEmpty()) {
        run.raw.push_back(line);
        run.lines.push_back(QJsonDocument::fromJson(line).object());
      }
    run.errors = QString::fromUtf8(probe.readAllStandardError());
    return run;
  }
  static std::vector<QJsonObject> named(const Run& run, const QString& name) {
    std::vector<QJsonObject> result;
    for (const QJsonObject& line : run.lines)
      if (line["notification"].toString() == name) result.push_back(line);
    return result;
  }

  QProcess emulator_;
  QString port_;
};

TEST_F(Probe, LiveClientSeesTheRecorder) {
  Run run = probe({"127.0.0.1", port_, "--user", "admin", "--password", "admin", "--video", "0x1", "--alarm-out",
                   "1,on", "--preset-save", "0,2,Door", "--frames", "3", "--time-limit", "60"});
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  ASSERT_FALSE(run.lines.empty());
  for (const QByteArray& line : run.raw) EXPECT_TRUE(line.startsWith("{\"notification\":")) << line.constData();
  EXPECT_EQ(named(run, "NetworkLoginSucceedNotification").size(), 1u);

  auto cameras = named(run, "LiveCameraInfoUpdatedNotification");
  ASSERT_FALSE(cameras.empty());
  QJsonArray table = cameras[0]["cameras"].toArray();
  ASSERT_EQ(table.size(), 4);
  EXPECT_EQ(table[0].toObject()["title"].toString(), "Entrance");

  auto frames = named(run, "LiveMediaFrameReceivedNotification");
  ASSERT_EQ(frames.size(), 3u);
  for (const QJsonObject& frame : frames) {
    EXPECT_EQ(frame["type"].toString(), "video");
    EXPECT_EQ(frame["channel"].toInt(), 0);
    EXPECT_GT(frame["size"].toInt(), 0);
    EXPECT_EQ(frame["codec"].toArray()[1].toString(), "3531");
  }
  EXPECT_LT(frames[0]["timeStamp"].toDouble(), frames[2]["timeStamp"].toDouble());

  bool alarmEcho = false;
  for (const QJsonObject& line : named(run, "LiveAlarmStatusUpdatedNotification"))
    if (line.contains("channel") && line["channel"].toInt() == 1)
      alarmEcho = line["alarms"].toArray()[1].toObject()["on"].toBool();
  EXPECT_TRUE(alarmEcho);
  bool presetEcho = false;
  for (const QJsonObject& line : named(run, "LivePTZPresetLabelsReceivedNotification"))
    if (line["camera"].toInt() == 0 && line["labels"].toArray()[2].toString() == "Door") presetEcho = true;
  EXPECT_TRUE(presetEcho);
  EXPECT_EQ(named(run, "LiveEventReceivedNotification").size(), 3u);
}

TEST_F(Probe, SetupClientOnThePortPlusTwo) {
  Run run = probe({"127.0.0.1", QString::number(port_.toInt() + 2), "--setup", "--password", "admin", "--click",
                   "200,150", "--frames", "2", "--time-limit", "60"});
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  EXPECT_EQ(named(run, "SetupOSDSizeNotification").size(), 1u);
  auto images = named(run, "SetupOSDImageNotification");
  ASSERT_EQ(images.size(), 2u) << "the dialog, then the mark of the click";
  EXPECT_EQ(images[0]["mime"].toString(), "image/png");
  EXPECT_EQ(images[0]["width"].toDouble(), 500);
  EXPECT_EQ(images[1]["x"].toDouble(), 196);
  EXPECT_EQ(images[1]["height"].toDouble(), 8);
}

TEST_F(Probe, FailedLoginExitsWithTheReason) {
  Run run = probe({"127.0.0.1", port_, "--password", "wrong", "--time-limit", "30"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.errors.contains("Invalid password")) << run.errors.toStdString();
}

}  // namespace
}  // namespace zelvo::test
