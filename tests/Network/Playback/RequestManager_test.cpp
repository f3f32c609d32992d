#include "Network/Playback/RequestManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Network/Playback/AllRespondRequestQueue.h"
#include "Network/Playback/LastAndOnlyResponseRespondRequestQueue.h"
#include "Network/Playback/LastRespondRequestQueue.h"

namespace zelvo {
namespace {

const std::string Key = "PlaybackTimeSliceListRequestKey";

// One sequence of calls, run on a manager holding each policy under Key, and
// which of its answers each policy passes on ('+') or drops ('-').
struct PolicyCase {
  const char* name;
  // r: a request recorded, c: cancel all, a: an answer, x: cleanup.
  const char* script;
  const char* base;
  const char* last;
  const char* all;
  const char* lastAndOnly;
};

const PolicyCase policyCases[] = {
    {"TwoRequestsThenTwoAnswers", "rraa", "++", "-+", "++", "-+"},
    {"CancelBeforeTheSecondRequest", "rcraa", "++", "-+", "-+", "-+"},
    {"AnswerWithNothingOutstanding", "a", "+", "-", "-", "+"},
    {"CancelWithNothingOutstandingChangesNothing", "craa", "++", "+-", "+-", "++"},
    {"ThreeRequestsCancelOneNewRequest", "rrrcraaaa", "++++", "---+", "---+", "---+"},
    {"CleanupAfterACancelForgetsEverything", "rrcxa", "+", "-", "-", "+"},
    {"CleanupThenARequest", "rrcxraa", "++", "+-", "+-", "++"},
    {"MoreAnswersThanRequests", "raaa", "+++", "+--", "+--", "+++"},
    {"ThreePagesOutstanding", "rrraaa", "+++", "--+", "+++", "--+"},
    {"InterleavedRequestsAndAnswers", "rarara", "+++", "+++", "+++", "+++"},
    {"CancelTwiceKeepsTheOrder", "rcrcraaa", "+++", "--+", "--+", "--+"},
};

std::string run(const std::shared_ptr<RequestQueue>& queue, const char* script) {
  RequestManager manager;
  manager.registerRequestQueue(queue, Key);
  std::string passed;
  for (const char* op = script; *op; ++op) {
    switch (*op) {
      case 'r': manager.requestedForKey(Key); break;
      case 'c': manager.cancelAllRequests(Key); break;
      case 'x': manager.cleanup(); break;
      case 'a':
        passed += manager.shouldNotifyResponse(Key) ? '+' : '-';
        manager.responseReceived(Key);
        break;
      default: ADD_FAILURE() << "bad script op " << *op;
    }
  }
  return passed;
}

class RequestPolicy : public testing::TestWithParam<PolicyCase> {};

TEST_P(RequestPolicy, PassesOnTheExpectedAnswers) {
  const PolicyCase& c = GetParam();
  EXPECT_EQ(run(std::make_shared<RequestQueue>(), c.script), c.base) << "RequestQueue";
  EXPECT_EQ(run(std::make_shared<LastRespondRequestQueue>(), c.script), c.last) << "LastRespondRequestQueue";
  EXPECT_EQ(run(std::make_shared<AllRespondRequestQueue>(), c.script), c.all) << "AllRespondRequestQueue";
  EXPECT_EQ(run(std::make_shared<LastAndOnlyResponseRespondRequestQueue>(), c.script), c.lastAndOnly)
      << "LastAndOnlyResponseRespondRequestQueue";
}

INSTANTIATE_TEST_SUITE_P(Sequences, RequestPolicy, testing::ValuesIn(policyCases),
                         [](const testing::TestParamInfo<PolicyCase>& info) { return std::string(info.param.name); });

TEST(RequestQueue, AnAnswerConsumesTheOldestIgnoredEntryBeforeTheOldestRequest) {
  RequestQueue queue;
  queue.requested(std::string("monday"));
  queue.requested(std::string("tuesday"));
  queue.cancelAllRequests();
  queue.requested(std::string("wednesday"));
  EXPECT_EQ(queue.ignoreCount(), 2u);
  EXPECT_EQ(queue.requestedCount(), 1u);

  const char* expected[] = {"monday", "tuesday", "wednesday"};
  const bool ignored[] = {true, true, false};
  for (int i = 0; i < 3; ++i) {
    auto next = queue.nextResponse();
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(std::any_cast<std::string>(next->request), expected[i]);
    auto consumed = queue.responseReceived();
    ASSERT_TRUE(consumed.has_value());
    EXPECT_EQ(std::any_cast<std::string>(consumed->request), expected[i]);
    EXPECT_EQ(consumed->ignored, ignored[i]);
  }
  EXPECT_FALSE(queue.nextResponse().has_value());
  EXPECT_FALSE(queue.responseReceived().has_value());
  EXPECT_EQ(queue.requestedCount() + queue.ignoreCount(), 0u);
}

TEST(RequestQueue, AnUnnamedRequestIsTheAnonymousRequest) {
  RequestQueue queue;
  queue.requested();
  queue.requested(42);
  auto first = queue.responseReceived();
  ASSERT_TRUE(first.has_value());
  EXPECT_TRUE(RequestQueue::isAnonymousRequest(first->request));
  auto second = queue.responseReceived();
  ASSERT_TRUE(second.has_value());
  EXPECT_FALSE(RequestQueue::isAnonymousRequest(second->request));
  EXPECT_EQ(std::any_cast<int>(second->request), 42);
  EXPECT_TRUE(RequestQueue::isAnonymousRequest(RequestQueue::anonymousRequest()));
}

TEST(RequestQueue, SharedRequestsComeBackAsTheSameObject) {
  RequestQueue queue;
  auto request = std::make_shared<const int>(7);
  queue.requested(request);
  auto consumed = queue.responseReceived();
  ASSERT_TRUE(consumed.has_value());
  EXPECT_EQ(std::any_cast<std::shared_ptr<const int>>(consumed->request), request);
}

TEST(RequestManager, AnUnregisteredKeyPassesAnswersOnAndDoesNothingElse) {
  RequestManager manager;
  auto queue = std::make_shared<LastRespondRequestQueue>();
  manager.registerRequestQueue(queue, Key);
  manager.requestedForKey("other");
  manager.requested(1, "other");
  manager.cancelAllRequests("other");
  EXPECT_TRUE(manager.shouldNotifyResponse("other"));
  EXPECT_FALSE(manager.responseReceived("other").has_value());
  EXPECT_FALSE(manager.nextResponse("other").has_value());
  EXPECT_EQ(queue->requestedCount() + queue->ignoreCount(), 0u);
  EXPECT_EQ(manager.requestQueue("other"), nullptr);
}

TEST(RequestManager, KeysAreIndependent) {
  RequestManager manager;
  manager.registerRequestQueue(std::make_shared<LastRespondRequestQueue>(), "slices");
  manager.registerRequestQueue(std::make_shared<AllRespondRequestQueue>(), "events");
  manager.requestedForKey("slices");
  manager.requestedForKey("slices");
  manager.requestedForKey("events");
  manager.cancelAllRequests("events");
  EXPECT_FALSE(manager.shouldNotifyResponse("slices"));
  EXPECT_FALSE(manager.shouldNotifyResponse("events"));
  EXPECT_EQ(manager.requestQueue("slices")->requestedCount(), 2u);
  EXPECT_EQ(manager.requestQueue("events")->ignoreCount(), 1u);
  manager.cleanup();
  ASSERT_NE(manager.requestQueue("slices"), nullptr) << "cleanup keeps the queues registered";
  EXPECT_EQ(manager.requestQueue("slices")->requestedCount(), 0u);
  EXPECT_EQ(manager.requestQueue("events")->ignoreCount(), 0u);
}

TEST(RequestManager, RegisteringAgainReplacesAndUnregisteringRemoves) {
  RequestManager manager;
  auto first = std::make_shared<LastRespondRequestQueue>();
  auto second = std::make_shared<AllRespondRequestQueue>();
  manager.registerRequestQueue(first, Key);
  manager.requestedForKey(Key);
  manager.registerRequestQueue(second, Key);
  manager.requestedForKey(Key);
  EXPECT_EQ(first->requestedCount(), 1u);
  EXPECT_EQ(second->requestedCount(), 1u);
  EXPECT_EQ(manager.requestQueue(Key), second);
  manager.unregisterRequestQueue(Key);
  EXPECT_EQ(manager.requestQueue(Key), nullptr);
  EXPECT_TRUE(manager.shouldNotifyResponse(Key));
}

TEST(RequestManager, KeepsItsContext) {
  RequestManager manager;
  EXPECT_FALSE(manager.context().has_value());
  manager.setContext(true);
  EXPECT_TRUE(std::any_cast<bool>(manager.context()));
}

}  // namespace
}  // namespace zelvo
