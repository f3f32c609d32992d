#include "Decoder/CircularByteQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

namespace zelvo {
namespace {

std::vector<uint8_t> run(uint8_t first, uint32_t n) {
  std::vector<uint8_t> v(n);
  std::iota(v.begin(), v.end(), first);
  return v;
}

std::vector<uint8_t> popped(CircularByteQueue& q, uint32_t n) {
  std::vector<uint8_t> out(n, 0xEE);
  q.pop(out.data(), n);
  return out;
}

TEST(CircularByteQueue, SecondPushWrapsAndPopKeepsOrder) {
  CircularByteQueue q(10);
  auto a = run(1, 6), b = run(101, 6);
  const uint8_t* start = q.push(a.data(), 6);
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(popped(q, 4), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(q.push(b.data(), 6), start + 6);  // 4 bytes at the end, 2 at the start
  EXPECT_EQ(q.size(), 8u);
  EXPECT_EQ(q.remaining(), 2u);
  EXPECT_EQ(popped(q, 8), (std::vector<uint8_t>{5, 6, 101, 102, 103, 104, 105, 106}));
  EXPECT_EQ(q.size(), 0u);
}

TEST(CircularByteQueue, PushThatDoesNotFitStoresNothing) {
  CircularByteQueue q(10);
  auto a = run(1, 8);
  q.push(a.data(), 8);
  EXPECT_EQ(q.push(a.data(), 3), nullptr);
  EXPECT_EQ(q.size(), 8u);
  EXPECT_EQ(popped(q, 8), a);
}

TEST(CircularByteQueue, PopOfMoreThanStoredEmptiesAndTakesNothing) {
  CircularByteQueue q(10);
  auto a = run(1, 3);
  q.push(a.data(), 3);
  EXPECT_EQ(popped(q, 5), std::vector<uint8_t>(5, 0xEE));
  EXPECT_EQ(q.size(), 0u);
}

TEST(CircularByteQueue, DiscardUntilKeepsTheNewest) {
  struct Row {
    uint32_t stored, keep;
    std::vector<uint8_t> left;
  };
  for (const Row& r : {Row{10, 4, {7, 8, 9, 10}}, Row{3, 4, {1, 2, 3}}, Row{4, 4, {1, 2, 3, 4}}, Row{5, 0, {}}}) {
    CircularByteQueue q(10);
    auto a = run(1, r.stored);
    q.push(a.data(), r.stored);
    q.discardUntil(r.keep);
    EXPECT_EQ(q.size(), r.left.size());
    EXPECT_EQ(popped(q, static_cast<uint32_t>(r.left.size())), r.left);
  }
}

TEST(CircularByteQueue, PushEndingAtTheEndLeavesTheRearAtZero) {
  CircularByteQueue q(10);
  auto a = run(1, 10);
  const uint8_t* start = q.push(a.data(), 7);
  q.pop(nullptr, 7);
  EXPECT_EQ(q.push(a.data(), 3), start + 7);  // ends exactly at the end
  EXPECT_EQ(q.push(a.data() + 3, 2), start);  // the next byte goes to the start
  EXPECT_EQ(popped(q, 5), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

TEST(CircularByteQueue, PopEndingAtTheEndWrapsTheFront) {
  CircularByteQueue q(10);
  auto a = run(1, 10);
  q.push(a.data(), 6);
  q.pop(nullptr, 6);
  q.push(a.data(), 8);  // 4 at the end, 4 at the start
  EXPECT_EQ(popped(q, 4), (std::vector<uint8_t>{1, 2, 3, 4}));  // tail == n
  EXPECT_EQ(popped(q, 4), (std::vector<uint8_t>{5, 6, 7, 8}));
}

TEST(CircularByteQueue, PopWithoutDestinationDropsAndPushWithoutBytesTakesRoom) {
  CircularByteQueue q(10);
  auto a = run(1, 5);
  q.push(a.data(), 5);
  q.pop(nullptr, 2);
  EXPECT_EQ(q.size(), 3u);
  EXPECT_EQ(popped(q, 3), (std::vector<uint8_t>{3, 4, 5}));
  EXPECT_NE(q.push(nullptr, 4), nullptr);
  EXPECT_EQ(q.size(), 4u);
  q.clear();
  EXPECT_EQ(q.size(), 0u);
  EXPECT_EQ(q.remaining(), 10u);
}

TEST(CircularByteQueue, PopUpToTakesWhatIsThere) {
  CircularByteQueue q(10);
  auto a = run(1, 3);
  q.push(a.data(), 3);
  std::vector<uint8_t> out(8, 0);
  EXPECT_EQ(q.popUpTo(out.data(), 8), 3u);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 3), a);
  EXPECT_EQ(q.popUpTo(out.data(), 8), 0u);
}

// Random operations against a plain model with the same rules.
TEST(CircularByteQueue, AgreesWithAModel) {
  CircularByteQueue q(37);
  std::deque<uint8_t> model;
  std::mt19937 random(7);
  uint8_t next = 0;
  for (int step = 0; step < 100000; ++step) {
    const uint32_t n = random() % 20;
    switch (random() % 5) {
      case 0:
      case 1: {
        auto bytes = run(next, n);
        const bool fits = model.size() + n <= 37;
        ASSERT_EQ(q.push(bytes.data(), n) != nullptr, fits);
        if (fits) {
          model.insert(model.end(), bytes.begin(), bytes.end());
          next = static_cast<uint8_t>(next + n);
        }
        break;
      }
      case 2: {
        std::vector<uint8_t> out(n);
        q.pop(out.data(), n);
        if (model.size() < n) {
          model.clear();
        } else {
          ASSERT_EQ(out, std::vector<uint8_t>(model.begin(), model.begin() + n));
          model.erase(model.begin(), model.begin() + n);
        }
        break;
      }
      case 3: {
        std::vector<uint8_t> out(n);
        const uint32_t taken = q.popUpTo(out.data(), n);
        ASSERT_EQ(taken, std::min<uint32_t>(n, static_cast<uint32_t>(model.size())));
        ASSERT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + taken),
                  std::vector<uint8_t>(model.begin(), model.begin() + taken));
        model.erase(model.begin(), model.begin() + taken);
        break;
      }
      default:
        q.discardUntil(n);
        while (model.size() > n) model.pop_front();
    }
    ASSERT_EQ(q.size(), model.size());
  }
}

// A producer and a consumer on two threads: every byte arrives once, in order,
// or was dropped by a rule (a full queue refuses a push; a short pop takes none).
TEST(CircularByteQueue, ConcurrentPushesAndPopsKeepOrder) {
  CircularByteQueue q(4096);
  constexpr uint32_t kTotal = 2'000'000;
  std::atomic<bool> done{false};
  std::thread producer([&] {
    uint32_t sent = 0;
    uint8_t chunk[100];
    while (sent < kTotal) {
      for (uint32_t i = 0; i < 25; ++i) {  // four-byte sequence numbers
        const uint32_t v = sent / 4 + i;
        std::memcpy(chunk + 4 * i, &v, 4);
      }
      if (q.push(chunk, 100)) sent += 100;
    }
    done = true;
  });
  uint32_t expected = 0, lastSeen = 0;
  bool ordered = true;
  std::vector<uint8_t> buffer(400);
  while (!done || q.size() > 0) {
    const uint32_t taken = q.popUpTo(buffer.data(), 400);
    for (uint32_t i = 0; i + 4 <= taken; i += 4) {
      uint32_t v;
      std::memcpy(&v, buffer.data() + i, 4);
      if (v != expected) ordered = false;
      lastSeen = v;
      ++expected;
    }
  }
  producer.join();
  EXPECT_TRUE(ordered);
  EXPECT_EQ(lastSeen, kTotal / 4 - 1);
}

// The player's traffic: the main thread pushes and, now and then, discards old
// sound or clears; the output's thread pops whole buffers (a short pop empties
// the queue) or takes what is there. Bytes may be dropped by these rules, but
// what arrives is never torn, repeated or out of order. Every size is a multiple
// of 4, so each 4-byte word is one sequence number.
TEST(CircularByteQueue, ConcurrentPopsDiscardsAndClearsNeverReorder) {
  CircularByteQueue q(4000);
  constexpr uint32_t kWords = 400'000;
  std::atomic<bool> done{false};
  std::thread producer([&] {
    std::mt19937 random(11);
    uint32_t next = 0;
    std::vector<uint8_t> chunk(4 * 60);
    while (next < kWords) {
      const uint32_t words = std::min<uint32_t>(1 + random() % 60, kWords - next);
      for (uint32_t i = 0; i < words; ++i) {
        const uint32_t v = next + i;
        std::memcpy(chunk.data() + 4 * i, &v, 4);
      }
      if (q.push(chunk.data(), 4 * words)) next += words;  // a full queue refuses it: try again
      switch (random() % 64) {
        case 0: q.discardUntil(4 * (random() % 200)); break;
        case 1: q.clear(); break;
        default: break;
      }
    }
    done = true;
  });
  std::mt19937 random(12);
  std::vector<uint8_t> buffer(4 * 100);
  int64_t last = -1;
  uint32_t received = 0;
  bool ordered = true;
  while (!done || q.size() > 0) {
    const uint32_t want = 4 * (1 + random() % 100);
    uint32_t taken = want;
    if (random() % 2) {
      // All or nothing: a pop that finds fewer bytes (a discard or clear may
      // come in between any check and the pop) takes none, so the buffer is
      // filled with a word no producer sends and must come back wholly that,
      // or wholly real words.
      std::memset(buffer.data(), 0xFF, want);
      q.pop(buffer.data(), want);
      uint32_t sentinels = 0;
      for (uint32_t i = 0; i < want; i += 4) sentinels += std::memcmp(buffer.data() + i, "\xFF\xFF\xFF\xFF", 4) == 0;
      if (sentinels == want / 4) continue;
      if (sentinels != 0) ordered = false;
    } else {
      taken = q.popUpTo(buffer.data(), want);
      if (taken == 0) continue;
    }
    std::vector<uint32_t> words(taken / 4);
    std::memcpy(words.data(), buffer.data(), taken);
    for (uint32_t v : words) {
      if (static_cast<int64_t>(v) <= last) ordered = false;
      last = v;
      ++received;
    }
  }
  producer.join();
  EXPECT_TRUE(ordered);
  EXPECT_LE(received, kWords);
  EXPECT_GT(received, 0u);
}

}  // namespace
}  // namespace zelvo
