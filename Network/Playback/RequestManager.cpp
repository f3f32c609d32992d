#include "Network/Playback/RequestManager.h"

#include "Foundation/Assert.h"

namespace zelvo {

void RequestManager::registerRequestQueue(std::shared_ptr<RequestQueue> queue, const std::string& forKey) {
  ZELVO_PRECONDITION(queue != nullptr);
  requestQueueMap_[forKey] = std::move(queue);
}

void RequestManager::unregisterRequestQueue(const std::string& key) { requestQueueMap_.erase(key); }

std::shared_ptr<RequestQueue> RequestManager::requestQueue(const std::string& key) const {
  auto it = requestQueueMap_.find(key);
  return it == requestQueueMap_.end() ? nullptr : it->second;
}

RequestQueue* RequestManager::find(const std::string& key) const {
  auto it = requestQueueMap_.find(key);
  return it == requestQueueMap_.end() ? nullptr : it->second.get();
}

void RequestManager::requested(std::any request, const std::string& forKey) {
  if (RequestQueue* queue = find(forKey)) queue->requested(std::move(request));
}

void RequestManager::requestedForKey(const std::string& key) { requested(std::any{}, key); }

std::optional<RequestQueue::ConsumedRequest> RequestManager::responseReceived(const std::string& key) {
  if (RequestQueue* queue = find(key)) return queue->responseReceived();
  return std::nullopt;
}

void RequestManager::cancelAllRequests(const std::string& key) {
  if (RequestQueue* queue = find(key)) queue->cancelAllRequests();
}

bool RequestManager::shouldNotifyResponse(const std::string& key) const {
  const RequestQueue* queue = find(key);
  return queue == nullptr || queue->shouldNotifyResponse();
}

std::optional<RequestQueue::ConsumedRequest> RequestManager::nextResponse(const std::string& key) const {
  if (const RequestQueue* queue = find(key)) return queue->nextResponse();
  return std::nullopt;
}

void RequestManager::cleanup() {
  for (auto& [key, queue] : requestQueueMap_) queue->clear();
}

}  // namespace zelvo
