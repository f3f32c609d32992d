#pragma once
// The emulator announcing itself on the local network as a recorder does:
// "_ostrel-dvr._tcp" on its port, with TXT "v" = its camera count, through the Avahi
// daemon. Runs on a thread of its own; a name taken by another service is replaced
// by Avahi's next alternative.

#include <cstdint>
#include <string>

struct AvahiThreadedPoll;
struct AvahiClient;
struct AvahiEntryGroup;

namespace zelvo::emulator {

class ServiceAdvertiser {
 public:
  ServiceAdvertiser(std::string name, uint16_t port, int cameraCount);
  ~ServiceAdvertiser();
  ServiceAdvertiser(const ServiceAdvertiser&) = delete;
  ServiceAdvertiser& operator=(const ServiceAdvertiser&) = delete;

  // False, with the reason, when there is no daemon to publish through.
  bool start(std::string& error);

  // Avahi's callbacks, on the poll's thread.
  void clientChanged(AvahiClient* client, int state);
  void groupChanged(AvahiEntryGroup* group, int state);

 private:
  void publish(AvahiClient* client);

  std::string name_;
  uint16_t port_;
  int cameraCount_;
  AvahiThreadedPoll* poll_ = nullptr;
  AvahiClient* client_ = nullptr;
  AvahiEntryGroup* group_ = nullptr;
};

}  // namespace zelvo::emulator
