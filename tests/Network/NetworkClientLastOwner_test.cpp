// A client whose last owner lets go of it while its stream is sending it an event, on
// the network thread: the stream must outlive its own event.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>

#include "Network/ByteStream.h"
#include "Network/ClientObserver.h"
#include "Network/NetworkThread.h"
#include "support/Wait.h"

namespace zelvo {
namespace {

// A stream that tells whether it was still there when its event handler returned.
class WatchedStream : public ByteStream {
 public:
  explicit WatchedStream(std::shared_ptr<bool> alive) : alive_(std::move(alive)) { *alive_ = true; }
  ~WatchedStream() override { *alive_ = false; }
  void setEventHandler(EventHandler handler) override { handler_ = std::move(handler); }
  void open() override {}
  int64_t read(uint8_t*, int64_t) override { return -1; }
  int64_t write(const uint8_t*, int64_t length) override { return length; }
  void close() override {}
  StreamError error() const override { return {}; }

  // Returns whether the stream outlived the event. The handler and the flag are copied
  // first, so that the test itself touches nothing of a stream that is gone.
  bool send(Event event) {
    std::shared_ptr<bool> alive = alive_;
    EventHandler handler = handler_;
    handler(event);
    return *alive;
  }

 private:
  std::shared_ptr<bool> alive_;
  EventHandler handler_;
};

TEST(NetworkClientLastOwner, LettingGoInsideAStreamEventLeavesTheStreamUntilTheEventHasReturned) {
  auto thread = NetworkThread::createOnCurrentThread();
  auto client = test::TestClient::create(thread);
  auto alive = std::make_shared<bool>(false);
  WatchedStream* stream = nullptr;
  client->setStreamFactory([&](const std::string&, uint16_t) {
    auto made = std::make_shared<WatchedStream>(alive);
    stream = made.get();
    return made;
  });
  // The owner lets go as soon as the stream opens, from inside the open event.
  client->setLoginStatusObserver([&](int status) {
    if (status == NetworkLoginStatusSyncQueued) client.reset();
  });
  client->connectToHost("recorder.test", 9000, "admin", "admin");
  ASSERT_TRUE(test::waitUntil([&] { return stream != nullptr; }));

  EXPECT_TRUE(stream->send(ByteStream::OpenCompleted));
  EXPECT_FALSE(client);
  // Once the thread's loop has run again, nothing is left of either.
  ASSERT_TRUE(test::waitUntil([&] {
    QCoreApplication::processEvents();
    return !*alive;
  }));
}

}  // namespace
}  // namespace zelvo
