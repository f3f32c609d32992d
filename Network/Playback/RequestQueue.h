#pragma once
// The requests of one kind that are outstanding with the recorder, and the answers
// still to come that must be dropped. The recorder answers in the order it was
// asked and its answers name no request, so an answer always belongs to the
// oldest entry: first to the oldest one to ignore, then to the oldest request.
// Subclasses decide which answers reach the user (shouldNotifyResponse).
//
// Entries are whatever the user passes (a value or a shared_ptr in a std::any);
// the queue never looks into them, but hands back the one an answer consumed, so
// a user can tell which request an answer belongs to.
//
// No lock: one serial owner per queue.

#include <any>
#include <cstddef>
#include <deque>
#include <optional>

namespace zelvo {

class RequestQueue {
 public:
  // What an answer consumed: the entry, and whether it came from the ignore list.
  struct ConsumedRequest {
    std::any request;
    bool ignored = false;
  };

  RequestQueue() = default;
  virtual ~RequestQueue() = default;
  RequestQueue(const RequestQueue&) = delete;
  RequestQueue& operator=(const RequestQueue&) = delete;

  // The placeholder that stands for a request the user did not name.
  static const std::any& anonymousRequest();
  static bool isAnonymousRequest(const std::any& request);

  // Records a request just sent; an empty std::any records the anonymous request.
  void requested(std::any request = {});
  // One answer has come: consumes the oldest entry to ignore, else the oldest
  // request, else nothing. Returns what it consumed.
  std::optional<ConsumedRequest> responseReceived();
  // The answers to every request sent so far are to be dropped as they come.
  void cancelAllRequests();
  // Asked before responseReceived for the same answer.
  virtual bool shouldNotifyResponse() const;
  // Forgets everything (a lost or reset connection).
  void clear();

  // What the next answer will consume, without consuming it.
  std::optional<ConsumedRequest> nextResponse() const;

  const std::deque<std::any>& queueRequested() const { return queueRequested_; }
  const std::deque<std::any>& queueShouldIgnore() const { return queueShouldIgnore_; }
  std::size_t requestedCount() const { return queueRequested_.size(); }
  std::size_t ignoreCount() const { return queueShouldIgnore_.size(); }

 private:
  std::deque<std::any> queueRequested_;     // oldest first
  std::deque<std::any> queueShouldIgnore_;  // oldest first; always older than every requested entry
};

}  // namespace zelvo
