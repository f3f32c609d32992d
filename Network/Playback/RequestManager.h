#pragma once
// Request queues under keys: what the users of several kinds of request talk to.
// A key without a queue makes every operation do nothing, and its answers are
// always passed on.
//
// Calling order expected of a user, per key:
//   sending:   cancelAllRequests(key) first when earlier answers must be dropped,
//              then requested(request, key) (or requestedForKey(key));
//   an answer: shouldNotifyResponse(key), pass the answer on only if true, then
//              always responseReceived(key);
//   a lost or reset connection: cleanup().
//
// No lock: each manager is used from one serial queue only.

#include <any>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Network/Playback/RequestQueue.h"

namespace zelvo {

class RequestManager {
 public:
  RequestManager() = default;
  RequestManager(const RequestManager&) = delete;
  RequestManager& operator=(const RequestManager&) = delete;

  // Replaces any queue registered under the key.
  void registerRequestQueue(std::shared_ptr<RequestQueue> queue, const std::string& forKey);
  void unregisterRequestQueue(const std::string& key);
  std::shared_ptr<RequestQueue> requestQueue(const std::string& key) const;

  void requested(std::any request, const std::string& forKey);
  void requestedForKey(const std::string& key);  // the anonymous request
  // What the answer consumed (nothing for an unregistered key or an empty queue).
  std::optional<RequestQueue::ConsumedRequest> responseReceived(const std::string& key);
  void cancelAllRequests(const std::string& key);
  bool shouldNotifyResponse(const std::string& key) const;
  // What the next answer under the key will consume.
  std::optional<RequestQueue::ConsumedRequest> nextResponse(const std::string& key) const;
  // Clears every queue; they stay registered.
  void cleanup();

  // Anything the owner wants to attach; the manager only keeps it.
  const std::any& context() const { return context_; }
  void setContext(std::any context) { context_ = std::move(context); }

 private:
  RequestQueue* find(const std::string& key) const;

  std::map<std::string, std::shared_ptr<RequestQueue>> requestQueueMap_;
  std::any context_;
};

}  // namespace zelvo
