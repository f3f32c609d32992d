// A connection target dragged onto the wall from another program: a second process (this
// test executable, run as a plain drag source) offers a site's archive that claims an
// automatic login with a user and password, and the X server's pointer (xdotool) drags it
// onto the main window's wall. The login question comes, whatever the archive says; the
// recorder is logged in to with what the operator types there (real keys), never with
// the archive's password. With ZELVO_SCREENSHOT_DIR set, the question over the window is
// saved there as login-foreign-drop.png.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdio>

#include "ViewControllers/Dialogs/LoginWindowController.h"
#include "ViewControllers/Store/ConnectionTargetArchive.h"
#include "ViewControllers/VideoView.h"
#include "ViewControllers/Wall/VideoViewDropRules.h"
#include "support/SharedDeviceLock.h"
#include "support/Wait.h"
#include "support/XPointer.h"
#include "tests/ViewControllers/MainWindowFixture.h"
#include "tests/ViewControllers/Wall/LoggingInSite.h"

namespace zelvo::test {
namespace {

const char* const ChildKey = "ZELVO_FOREIGN_DRAG_SOURCE";
const char* const ArchiveKey = "ZELVO_FOREIGN_DRAG_ARCHIVE";
const QPoint SourceAt = PointerArea + QPoint(0, 780);

// The other program: a small window whose press starts a drag of the archive.
class DragSource : public QLabel {
 public:
  explicit DragSource(QByteArray archive) : QLabel(QStringLiteral("Another program's site")), archive_(std::move(archive)) {}
  bool done = false;

 protected:
  void mousePressEvent(QMouseEvent*) override {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(PasteBoardTypeConnectionTarget), archive_);
    // On the heap, as Qt wants it: the drop's target reads the data from this process
    // after the button is released, when exec() has already returned, and Qt lets the
    // drag go only once the target is done with it.
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
    done = true;
  }

 private:
  QByteArray archive_;
};

TEST(ForeignDragSource, DISABLED_OffersTheArchive) {
  if (qgetenv(ChildKey) != "1") GTEST_SKIP() << "run by ForeignDropTest only";
  DragSource source(QByteArray::fromBase64(qgetenv(ArchiveKey)));
  source.setGeometry(QRect(SourceAt, QSize(220, 100)));
  source.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&source));
  std::printf("source ready\n");
  std::fflush(stdout);
  ASSERT_TRUE(waitUntil([&] { return source.done; }, std::chrono::seconds(60)));
  // The wall reads the dropped data after the drop: the offer is served until the test
  // that started this process ends it.
  waitUntil([] { return false; }, std::chrono::seconds(60));
}

struct ForeignCase {
  const char* name;
  bool autoDetect;
  qint64 index;
};

class ForeignDropTest : public MainWindowFixture, public ::testing::WithParamInterface<ForeignCase> {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    if (IsSkipped()) return;
    if (!XPointer::available()) GTEST_SKIP() << "xdotool not installed";
    pointer_ = std::make_unique<XPointer>();
  }
  void TearDown() override {
    if (source_.state() != QProcess::NotRunning) {
      source_.kill();
      source_.waitForFinished(5000);
    }
    pointer_.reset();
    MainWindowFixture::TearDown();
  }

  void startSource(const QByteArray& archive) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ChildKey), QStringLiteral("1"));
    environment.insert(QString::fromLatin1(ArchiveKey), QString::fromLatin1(archive.toBase64()));
    source_.setProcessEnvironment(environment);
    source_.setProcessChannelMode(QProcess::MergedChannels);
    source_.start(QCoreApplication::applicationFilePath(),
                  {"--gtest_filter=ForeignDragSource.DISABLED_OffersTheArchive", "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(source_.waitForStarted());
    QByteArray output;
    ASSERT_TRUE(waitUntil([&] {
      output += source_.readAll();
      return output.contains("source ready") || source_.state() == QProcess::NotRunning;
    })) << output.constData();
    ASSERT_TRUE(output.contains("source ready")) << output.constData();
  }

  std::unique_ptr<XPointer> pointer_;
  QProcess source_;
};

TEST_P(ForeignDropTest, AsksForTheLoginWhateverTheArchiveSays) {
  const ForeignCase& c = GetParam();
  open();
  window_->resize(1100, 700);
  window_->move(PointerArea);
  QApplication::processEvents();
  auto site = test::loggingInSite(c.autoDetect, c.index);
  startSource(archivedDataWithRootObject(*site));

  VideoView* wall = window_->videoView();
  const QPoint from = SourceAt + QPoint(110, 50);
  const QPoint to = wall->mapToGlobal(QPoint(30, 30));
  LoginWindowController* login = window_->loginWindowController();
  // The question is modal: it runs its own loop inside the drop's handling, so the
  // operator's answer is given from there, as soon as the question shows.
  bool asked = false;
  bool answered = false;
  size_t madeBeforeTheAnswer = 0;
  QTimer operatorAtTheQuestion;
  operatorAtTheQuestion.setInterval(50);
  QObject::connect(&operatorAtTheQuestion, &QTimer::timeout, [&] {
    if (asked || !login->isVisible()) return;
    asked = true;
    operatorAtTheQuestion.stop();
    madeBeforeTheAnswer = clients_.madeCount();
    if (const QByteArray dir = qgetenv("ZELVO_SCREENSHOT_DIR"); !dir.isEmpty()) {
      QTest::qWait(300);  // the question drawn on screen
      const QRect area = window_->frameGeometry().united(login->frameGeometry());
      const QPixmap shot = window_->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
      EXPECT_TRUE(shot.save(QDir(QString::fromLocal8Bit(dir)).filePath(QStringLiteral("login-foreign-drop.png"))));
    }
    // The operator's own answer, typed.
    EXPECT_TRUE(pointer_->run({"windowfocus", "--sync", QString::number(login->winId())}));
    QWidget* user = login->findChild<QWidget*>(QStringLiteral("userComboBox"));
    if (!user) {
      ADD_FAILURE() << "no user field";
      login->reject();
      return;
    }
    QApplication::setActiveWindow(login);
    user->setFocus();
    EXPECT_TRUE(waitUntil([&] { return user->hasFocus(); }));
    EXPECT_TRUE(pointer_->run({"type", "--delay", "30", "viewer"}));
    EXPECT_TRUE(pointer_->run({"key", "Tab"}));
    EXPECT_TRUE(pointer_->run({"type", "--delay", "30", "pw1234"}));
    EXPECT_TRUE(pointer_->run({"key", "Return"}));
    answered = true;
  });
  operatorAtTheQuestion.start();
  ASSERT_TRUE(pointer_->run(XPointer::dragArguments(from, to)));
  ASSERT_TRUE(waitUntil([&] { return asked; }, std::chrono::seconds(30))) << "connected without asking";
  EXPECT_EQ(madeBeforeTheAnswer, 0u) << "nothing connects before the answer";
  ASSERT_TRUE(waitUntil([&] { return answered && !login->isVisible() && clients_.madeCount() > 0; },
                        std::chrono::seconds(30)));
  const auto connects = std::count_if(log_.begin(), log_.end(), [](const std::string& line) {
    return line.find(".connect(") != std::string::npos;
  });
  EXPECT_EQ(connects, 1);
  EXPECT_NE(std::find(log_.begin(), log_.end(), "A.connect(10.0.0.7:9000,viewer,pw1234)"), log_.end());
  for (const std::string& line : log_) EXPECT_EQ(line.find("secret"), std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(Table, ForeignDropTest,
                         ::testing::Values(ForeignCase{"ASiteThatLogsInByItself", false, 0},
                                           ForeignCase{"ADiscoveredRecordersCamera", true, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvo::test
