#include "Network/Playback/RequestQueue.h"

#include <iterator>

namespace zelvo {

namespace {
// The anonymous request is a value of its own type, so that no entry a user passes
// can be mistaken for it.
struct AnonymousRequest {};
}  // namespace

const std::any& RequestQueue::anonymousRequest() {
  static const std::any anonymous{AnonymousRequest{}};
  return anonymous;
}

bool RequestQueue::isAnonymousRequest(const std::any& request) {
  return request.type() == typeid(AnonymousRequest);
}

void RequestQueue::requested(std::any request) {
  queueRequested_.push_back(request.has_value() ? std::move(request) : anonymousRequest());
}

std::optional<RequestQueue::ConsumedRequest> RequestQueue::responseReceived() {
  if (!queueShouldIgnore_.empty()) {
    ConsumedRequest consumed{std::move(queueShouldIgnore_.front()), true};
    queueShouldIgnore_.pop_front();
    return consumed;
  }
  if (!queueRequested_.empty()) {
    ConsumedRequest consumed{std::move(queueRequested_.front()), false};
    queueRequested_.pop_front();
    return consumed;
  }
  return std::nullopt;
}

void RequestQueue::cancelAllRequests() {
  if (queueRequested_.empty()) return;
  queueShouldIgnore_.insert(queueShouldIgnore_.end(), std::make_move_iterator(queueRequested_.begin()),
                            std::make_move_iterator(queueRequested_.end()));
  queueRequested_.clear();
}

bool RequestQueue::shouldNotifyResponse() const { return true; }

void RequestQueue::clear() {
  queueRequested_.clear();
  queueShouldIgnore_.clear();
}

std::optional<RequestQueue::ConsumedRequest> RequestQueue::nextResponse() const {
  if (!queueShouldIgnore_.empty()) return ConsumedRequest{queueShouldIgnore_.front(), true};
  if (!queueRequested_.empty()) return ConsumedRequest{queueRequested_.front(), false};
  return std::nullopt;
}

}  // namespace zelvo
