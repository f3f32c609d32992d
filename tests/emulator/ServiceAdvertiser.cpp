#include "emulator/ServiceAdvertiser.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>

#include <cstdio>

namespace zelvo::emulator {

namespace {

constexpr char ServiceType[] = "_ostrel-dvr._tcp";

void clientCallback(AvahiClient* client, AvahiClientState state, void* userdata) {
  static_cast<ServiceAdvertiser*>(userdata)->clientChanged(client, state);
}

void groupCallback(AvahiEntryGroup* group, AvahiEntryGroupState state, void* userdata) {
  static_cast<ServiceAdvertiser*>(userdata)->groupChanged(group, state);
}

}  // namespace

ServiceAdvertiser::ServiceAdvertiser(std::string name, uint16_t port, int cameraCount)
    : name_(std::move(name)), port_(port), cameraCount_(cameraCount) {}

ServiceAdvertiser::~ServiceAdvertiser() {
  if (poll_) avahi_threaded_poll_stop(poll_);
  if (client_) avahi_client_free(client_);  // frees the group too
  if (poll_) avahi_threaded_poll_free(poll_);
}

bool ServiceAdvertiser::start(std::string& error) {
  poll_ = avahi_threaded_poll_new();
  if (!poll_) {
    error = "cannot make an event loop for Avahi";
    return false;
  }
  int code = 0;
  // The poll runs only after this, so the client's first callbacks need no lock.
  client_ = avahi_client_new(avahi_threaded_poll_get(poll_), static_cast<AvahiClientFlags>(0), clientCallback, this,
                             &code);
  if (!client_) {
    error = avahi_strerror(code);
    return false;
  }
  if (avahi_threaded_poll_start(poll_) < 0) {
    error = "cannot start Avahi's event loop";
    return false;
  }
  return true;
}

void ServiceAdvertiser::clientChanged(AvahiClient* client, int state) {
  if (state == AVAHI_CLIENT_S_RUNNING) {
    publish(client);
  } else if (state == AVAHI_CLIENT_S_COLLISION || state == AVAHI_CLIENT_S_REGISTERING) {
    if (group_) avahi_entry_group_reset(group_);
  } else if (state == AVAHI_CLIENT_FAILURE) {
    std::fprintf(stderr, "service discovery: %s\n", avahi_strerror(avahi_client_errno(client)));
    std::fflush(stderr);
  }
}

void ServiceAdvertiser::publish(AvahiClient* client) {
  if (!group_) group_ = avahi_entry_group_new(client, groupCallback, this);
  if (!group_) {
    std::fprintf(stderr, "service discovery: %s\n", avahi_strerror(avahi_client_errno(client)));
    std::fflush(stderr);
    return;
  }
  if (!avahi_entry_group_is_empty(group_)) return;
  const std::string txt = "v=" + std::to_string(cameraCount_);
  int code = avahi_entry_group_add_service(group_, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                           static_cast<AvahiPublishFlags>(0), name_.c_str(), ServiceType, nullptr,
                                           nullptr, port_, txt.c_str(), nullptr);
  if (code == AVAHI_ERR_COLLISION) {
    groupChanged(group_, AVAHI_ENTRY_GROUP_COLLISION);
    return;
  }
  if (code < 0 || (code = avahi_entry_group_commit(group_)) < 0) {
    std::fprintf(stderr, "service discovery: cannot publish %s: %s\n", name_.c_str(), avahi_strerror(code));
    std::fflush(stderr);
  }
}

void ServiceAdvertiser::groupChanged(AvahiEntryGroup* group, int state) {
  if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) {
    std::printf("advertised as %s (%s, port %u, v=%d)\n", name_.c_str(), ServiceType, port_, cameraCount_);
    std::fflush(stdout);
  } else if (state == AVAHI_ENTRY_GROUP_COLLISION) {
    char* alternative = avahi_alternative_service_name(name_.c_str());
    std::fprintf(stderr, "service discovery: %s is taken, trying %s\n", name_.c_str(), alternative);
    std::fflush(stderr);
    name_ = alternative;
    avahi_free(alternative);
    avahi_entry_group_reset(group);
    publish(avahi_entry_group_get_client(group));
  } else if (state == AVAHI_ENTRY_GROUP_FAILURE) {
    std::fprintf(stderr, "service discovery: %s\n",
                 avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(group))));
    std::fflush(stderr);
  }
}

}  // namespace zelvo::emulator
