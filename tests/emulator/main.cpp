// zelvo-recorder-emulator: a recorder to run beside the client on this machine.
//   zelvo-recorder-emulator --port 9000 --user admin:admin --user guest:guest:1
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>

#include "emulator/EmulatorExtension.h"
#include "emulator/RecorderEmulator.h"
#include "emulator/ServiceAdvertiser.h"
#include "emulator/SetupRecorder.h"

using namespace zelvo::emulator;

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void usage() {
  std::printf(
      "usage: zelvo-recorder-emulator [options]\n"
      "  --port N             port to listen on (default 9000; 0 picks a free one)\n"
      "  --address A          IPv4 address to listen on (default 127.0.0.1; with --advertise, every address)\n"
      "  --user NAME:PASSWORD[:MASK]\n"
      "                       a user (repeatable; default admin:admin with every permission)\n"
      "  --profiles LIST      client profiles served, e.g. 1,2,3 (1 live, 2 playback, 3 setup)\n"
      "  --video-in N --audio-in N --audio-out N --sensors N --alarms N\n"
      "                       channel counts announced in the sync reply\n"
      "  --description TEXT   the system description announced\n"
      "  --login-code N       answer every login with this code (3 unknown user, 4 bad password...)\n"
      "  --busy               answer every sync with \"all channels busy\"\n"
      "  --keep-alive SECONDS send a keep-alive to every logged-in client this often (1 to 86400)\n"
      "  --verbose            print every packet the client sends\n"
      "  --advertise NAME     announce the recorder on the local network (DNS-SD, Avahi)\n"
      "Live clients are served on the port, remote-setup clients on the port + 2.\n");
}

// A whole decimal number from min to max, and nothing after it.
bool parseNumber(const char* text, long min, long max, long& out) {
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end || value < min || value > max) return false;
  out = value;
  return true;
}

bool parseCount(const char* text, uint8_t& out) {
  long value = 0;
  if (!parseNumber(text, 0, 255, value)) return false;
  out = static_cast<uint8_t>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  RecorderConfig config;
  bool usersGiven = false;
  bool verbose = false;
  long keepAliveSeconds = 0;
  long port = 9000;
  std::string address = "127.0.0.1";
  bool addressGiven = false;
  std::string advertiseName;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "%s needs a value\n", arg.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    bool ok = true;
    if (arg == "--port") {
      ok = parseNumber(value(), 0, 65535, port);
    } else if (arg == "--address") {
      address = value();
      addressGiven = true;
    } else if (arg == "--user") {
      std::string text = value();
      size_t colon = text.find(':');
      ok = colon != std::string::npos && colon > 0;
      if (ok) {
        if (!usersGiven) config.users.clear();
        usersGiven = true;
        User user{text.substr(0, colon), text.substr(colon + 1), 0xFFFFFFFF};
        size_t second = user.password.rfind(':');
        if (second != std::string::npos) {
          const char* mask = user.password.c_str() + second + 1;
          char* end = nullptr;
          errno = 0;
          unsigned long long value = std::strtoull(mask, &end, 0);
          ok = errno == 0 && end != mask && !*end && *mask != '-' && value <= 0xFFFFFFFFull;
          user.permissionMask = static_cast<uint32_t>(value);
          user.password.resize(second);
        }
        config.users.push_back(user);
      }
    } else if (arg == "--profiles") {
      config.profiles.clear();
      std::stringstream list(value());
      std::string item;
      uint8_t profile = 0;
      while (ok && std::getline(list, item, ',')) {
        ok = parseCount(item.c_str(), profile);
        config.profiles.push_back({profile, 1, 0});
      }
    } else if (arg == "--video-in") {
      ok = parseCount(value(), config.videoInCount);
    } else if (arg == "--audio-in") {
      ok = parseCount(value(), config.audioInCount);
    } else if (arg == "--audio-out") {
      ok = parseCount(value(), config.audioOutCount);
    } else if (arg == "--sensors") {
      ok = parseCount(value(), config.sensorCount);
    } else if (arg == "--alarms") {
      ok = parseCount(value(), config.alarmCount);
    } else if (arg == "--description") {
      config.systemDescription = value();
    } else if (arg == "--login-code") {
      uint8_t code = 0;
      ok = parseCount(value(), code);
      config.loginCode = code;
    } else if (arg == "--busy") {
      config.fault = Fault::Busy;
    } else if (arg == "--keep-alive") {
      ok = parseNumber(value(), 1, 86400, keepAliveSeconds);
    } else if (arg == "--advertise") {
      advertiseName = value();
      ok = !advertiseName.empty();
    } else if (arg == "--verbose") {
      verbose = true;
    } else if (arg == "--help" || arg == "-h") {
      usage();
      return 0;
    } else {
      ok = false;
    }
    if (!ok) {
      std::fprintf(stderr, "bad option: %s\n", arg.c_str());
      usage();
      return 2;
    }
  }

  // An announced recorder is reached at whatever address discovery hands out, so it
  // listens on every address unless told otherwise.
  if (!advertiseName.empty() && !addressGiven) address = "0.0.0.0";

  config.keepAliveInterval = std::chrono::seconds(keepAliveSeconds);
  RecorderEmulator emulator(config);
  for (const EmulatorExtension& extension : emulatorExtensions()) extension.install(emulator);
  emulator.addLoginHook([](Session& session) {
    std::printf("connection %d: logged in as %s\n", session.index(), session.userName().c_str());
    std::fflush(stdout);
  });
  if (!emulator.start(static_cast<uint16_t>(port), address)) {
    std::fprintf(stderr, "cannot listen on %s:%ld: %s\n", address.c_str(), port, std::strerror(errno));
    return 1;
  }
  std::printf("zelvo-recorder-emulator listening on %s:%u\n", address.c_str(), emulator.port());
  // A recorder serves its remote-setup screens on its port + 2.
  RecorderConfig setupConfig = config;
  setupConfig.keepAliveInterval = std::chrono::milliseconds(0);  // keep-alives go to live clients
  RecorderEmulator setupEmulator(setupConfig);
  installSetupRecorder(setupEmulator);
  if (emulator.port() <= 65533 && setupEmulator.start(static_cast<uint16_t>(emulator.port() + 2), address))
    std::printf("remote setup listening on %s:%u\n", address.c_str(), setupEmulator.port());
  else
    std::fprintf(stderr, "no remote setup: cannot listen on port %u + 2\n", emulator.port());
  std::fflush(stdout);
  ServiceAdvertiser advertiser(advertiseName, emulator.port(), config.videoInCount);
  std::string advertiseError;
  if (!advertiseName.empty() && !advertiser.start(advertiseError))
    std::fprintf(stderr, "not advertised (no service discovery: %s); serving anyway\n", advertiseError.c_str());

  std::signal(SIGINT, [](int) { stopRequested = 1; });
  std::signal(SIGTERM, [](int) { stopRequested = 1; });
  size_t printed = 0;
  while (!stopRequested) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!verbose) continue;
    std::vector<ReceivedPacket> packets = emulator.received();
    for (; printed < packets.size(); ++printed)
      std::printf("connection %d: type %u, %zu bytes\n", packets[printed].connection, packets[printed].type,
                  packets[printed].payload.size());
    std::fflush(stdout);
  }
  return 0;
}
