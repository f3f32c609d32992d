// Reading the recorder's sync reply and login response.
#include <gtest/gtest.h>

#include <cstring>

#include "Network/EncryptionKeySyncOption.h"
#include "Network/HTTPStreamingSyncOption.h"
#include "Network/LoginResponse.h"
#include "Network/MobileStreamingSyncOption.h"
#include "Network/OEMSyncOption.h"
#include "Network/Packet.h"
#include "Network/ProductInfoSyncOption.h"
#include "Network/ProfileListSyncOption.h"
#include "Network/SyncInfo.h"
#include "Network/SystemInfoSyncOption.h"
#include "emulator/WireWriter.h"

namespace zelvo {
namespace {

using emulator::Bytes;
using emulator::WireWriter;

// A packet as the framing hands it over: header and payload, flipped.
std::shared_ptr<Packet> received(uint16_t type, const Bytes& payload) {
  Bytes frame = emulator::framePacket(type, payload);
  auto packet = Packet::create();
  packet->pushBytes(frame.data(), static_cast<int64_t>(frame.size()));
  packet->flip();
  return packet;
}

Bytes header() { return {'Q', 'R', 'Z', 'T', 1, 0, 1, 1}; }

Bytes withOptions(const Bytes& options) {
  Bytes payload = header();
  payload.reserve(payload.size() + options.size());
  for (uint8_t byte : options) payload.push_back(byte);
  return payload;
}

std::shared_ptr<const SyncInfo> read(const Bytes& payload) {
  auto packet = received(MessageTypeSync, payload);
  return SyncInfo::create(*packet);
}

TEST(SyncInfo, ReadsTheReferenceReply) {
  const Bytes frame = {0x06, 0x17, 0x00, 0x01, 0x00, 0x00, 0x00, 0x2e, 0x51, 0x52, 0x5a, 0x54, 0x01, 0x00, 0x01,
                       0x01, 0x01, 0x00, 0x07, 0x02, 0x01, 0x01, 0x00, 0x02, 0x01, 0x00, 0x04, 0x00, 0x04, 0x11,
                       0x22, 0x33, 0x44, 0x05, 0x00, 0x12, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x01, 0x10, 0x04,
                       0x01, 0x10, 0x04, 0x00, 0x03, 0x44, 0x56, 0x52, 0x00};
  auto packet = Packet::create();
  packet->pushBytes(frame.data(), static_cast<int64_t>(frame.size()));
  packet->flip();
  auto info = SyncInfo::create(*packet);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->protocolName(), "QRZT");
  EXPECT_EQ(info->protocolVersion(), 1);
  EXPECT_FALSE(info->backwardCompatible());
  EXPECT_EQ(info->currentEndian(), 1);
  EXPECT_EQ(info->supportingEndian(), 1);
  EXPECT_TRUE(info->isCompatibleProtocol());

  auto profiles = info->syncOption<ProfileListSyncOption>(1);
  ASSERT_TRUE(profiles);
  EXPECT_EQ(profiles->optionType(), 1);
  EXPECT_EQ(profiles->optionLength(), 7);
  EXPECT_EQ(profiles->profileCount(), 2);
  EXPECT_TRUE(profiles->supportsProfile(1));
  EXPECT_TRUE(profiles->supportsProfile(2));
  EXPECT_FALSE(profiles->supportsProfile(3));

  auto key = info->syncOption<EncryptionKeySyncOption>(4);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->key(), (std::array<uint8_t, 4>{0x11, 0x22, 0x33, 0x44}));
  // In memory order: copied back to bytes it is the arrival order again.
  uint32_t value = info->encryptionKey();
  uint8_t bytes[4];
  std::memcpy(bytes, &value, 4);
  EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{0x11, 0x22, 0x33, 0x44}));

  auto system = info->syncOption<SystemInfoSyncOption>(5);
  ASSERT_TRUE(system);
  EXPECT_EQ(system->optionType(), 5);
  EXPECT_EQ(system->optionLength(), 18);
  EXPECT_EQ(system->macAddress(), (std::array<uint8_t, 6>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(system->signalType(), 1);
  EXPECT_EQ(system->videoInCount(), 16);
  EXPECT_EQ(system->audioInCount(), 4);
  EXPECT_EQ(system->audioOutCount(), 1);
  EXPECT_EQ(system->sensorCount(), 16);
  EXPECT_EQ(system->alarmCount(), 4);
  EXPECT_EQ(system->systemDescription(), "DVR");
  EXPECT_FALSE(info->syncOptionByType(2));
}

TEST(SyncInfo, AReplyOfSevenBytesOrLessGivesNothing) {
  for (size_t n = 0; n <= 7; ++n) {
    Bytes payload = header();
    payload.resize(n);
    EXPECT_FALSE(read(payload)) << n;
  }
}

TEST(SyncInfo, AReplyOfEightBytesHasNoOptions) {
  auto info = read(header());
  ASSERT_TRUE(info);
  EXPECT_TRUE(info->syncOptions().empty());
  EXPECT_EQ(info->encryptionKey(), 0u);
}

TEST(SyncInfo, CompatibilityRule) {
  struct Row {
    Bytes head;
    bool compatible;
  };
  const Row rows[] = {
      {{'Q', 'R', 'Z', 'T', 1, 0, 1, 1}, true},   {{'Q', 'R', 'Z', 'T', 2, 0, 0, 0}, true},
      {{'Q', 'R', 'Z', 'T', 0, 0, 1, 1}, false},  {{'Q', 'R', 'Z', 'T', 0, 1, 1, 1}, true},
      {{'Q', 'R', 'Z', 'T', 0, 9, 1, 1}, true},   {{'Q', 'R', 'Z', 'X', 1, 0, 1, 1}, false},
      {{'q', 'r', 'z', 't', 1, 1, 1, 1}, false},
  };
  for (const Row& row : rows) {
    auto info = read(row.head);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->isCompatibleProtocol(), row.compatible) << info->protocolName() << int(row.head[4]);
  }
}

TEST(SyncInfo, AStrayFinalByteOfZeroOrAbove14EndsTheList) {
  for (uint8_t stray : {0, 15, 16, 200, 255}) {
    auto info = read(withOptions({4, 0, 4, 1, 2, 3, 4, stray}));
    ASSERT_TRUE(info) << int(stray);
    EXPECT_EQ(info->syncOptions().size(), 1u);
  }
}

TEST(SyncInfo, AStrayFinalByteOfAKnownTypeRunsPastTheReply) {
  for (uint8_t stray : {1, 5, 11, 14}) EXPECT_THROW(read(withOptions({stray})), ReadError) << int(stray);
}

TEST(SyncInfo, TheSecondOptionOfATypeCounts) {
  WireWriter w;
  for (uint8_t count : {8, 32}) {
    WireWriter value;
    value.zeros(6).u8(2).u8(count).u8(1).u8(1).u8(2).u8(3).string(count == 8 ? "first" : "second");
    w.u8(5).u16(static_cast<uint16_t>(value.size())).bytes(value.data());
  }
  auto info = read(withOptions(w.data()));
  ASSERT_TRUE(info);
  auto system = info->syncOption<SystemInfoSyncOption>(5);
  ASSERT_TRUE(system);
  EXPECT_EQ(system->videoInCount(), 32);
  EXPECT_EQ(system->systemDescription(), "second");
}

TEST(SyncInfo, AtMost16ProfilesAreKeptButEveryAnnouncedEntryIsConsumed) {
  WireWriter w;
  w.u8(1).u16(1 + 20 * 3).u8(20);
  for (int i = 0; i < 16; ++i) w.u8(2).u8(1).u8(0);
  for (int i = 16; i < 20; ++i) w.u8(1).u8(1).u8(0);  // beyond the 16 kept
  w.u8(4).u16(4).u8(9).u8(8).u8(7).u8(6);
  auto info = read(withOptions(w.data()));
  ASSERT_TRUE(info);
  auto profiles = info->syncOption<ProfileListSyncOption>(1);
  ASSERT_TRUE(profiles);
  EXPECT_EQ(profiles->profileCount(), 16);
  EXPECT_TRUE(profiles->supportsProfile(2));
  EXPECT_FALSE(profiles->supportsProfile(1));
  auto key = info->syncOption<EncryptionKeySyncOption>(4);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->key(), (std::array<uint8_t, 4>{9, 8, 7, 6}));
}

TEST(SyncInfo, AKnownOptionIsReadByItsFieldsNotSkippedByItsLength) {
  // Option 4 claims 10 bytes but its value is 4; option 14 follows right after the 4.
  auto info = read(withOptions({4, 0, 10, 1, 2, 3, 4, 14, 0, 2, 0x01, 0x02}));
  ASSERT_TRUE(info);
  auto key = info->syncOption<EncryptionKeySyncOption>(4);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->optionLength(), 10);
  auto mobile = info->syncOption<MobileStreamingSyncOption>(14);
  ASSERT_TRUE(mobile);
  EXPECT_EQ(mobile->version(), 0x0102);
}

TEST(SyncInfo, UnknownTypesAreSkippedByTheirLength) {
  for (uint8_t type : {0, 6, 7, 8, 9, 10, 12, 13, 99}) {
    auto info = read(withOptions({type, 0, 3, 4, 0, 4, 11, 0, 4, 0, 1, 0x1F, 0x90}));
    ASSERT_TRUE(info) << int(type);
    EXPECT_FALSE(info->syncOptionByType(4)) << int(type);  // inside the skipped value
    auto http = info->syncOption<HTTPStreamingSyncOption>(11);
    ASSERT_TRUE(http) << int(type);
    EXPECT_EQ(http->version(), 1);
    EXPECT_EQ(http->portNumber(), 8080);
    EXPECT_EQ(http->optionType(), 0);  // types 11 and 14 leave these at 0
    EXPECT_EQ(http->optionLength(), 0);
  }
}

TEST(SyncInfo, OptionsRunningPastTheReplyMakeItUnusable) {
  const std::vector<std::pair<const char*, Bytes>> rows = {
      {"entry header cut", {4, 0}},
      {"key cut", {4, 0, 4, 1, 2, 3}},
      {"system info cut", {5, 0, 18, 0, 1, 2, 3, 4, 5, 1, 16}},
      {"description without its end", {5, 0, 18, 0, 1, 2, 3, 4, 5, 1, 1, 1, 1, 1, 1, 0, 3, 'D', 'V'}},
      {"profiles announced past the end", {1, 0, 7, 3, 1, 1, 0, 2, 1, 0}},
      {"unknown option past the end", {9, 0, 5, 1, 2}},
      {"product info cut", {2, 0, 9, 1, 0, 0}},
      {"OEM cut", {3, 0, 6, 0, 0, 0, 1, 0}},
      {"HTTP streaming cut", {11, 0, 4, 0, 1, 0}},
      {"mobile streaming cut", {14, 0, 2, 0}},
  };
  for (const auto& [name, options] : rows) EXPECT_THROW(read(withOptions(options)), ReadError) << name;
}

TEST(SyncInfo, OutOfRangeValuesInsideOptionsBecomeZero) {
  WireWriter w;
  w.u8(1).u16(7).u8(2).u8(9).u8(1).u8(1).u8(3).u8(1).u8(0);  // profile types 9 and 3
  WireWriter product;
  product.u8(6).u32(1017).string("NVR").string("2.0");
  w.u8(2).u16(static_cast<uint16_t>(product.size())).bytes(product.data());
  WireWriter oem;
  oem.u32(2).string("Acme");
  w.u8(3).u16(static_cast<uint16_t>(oem.size())).bytes(oem.data());
  WireWriter system;
  system.zeros(6).u8(4).zeros(5).string("");
  w.u8(5).u16(static_cast<uint16_t>(system.size())).bytes(system.data());
  auto info = read(withOptions(w.data()));
  ASSERT_TRUE(info);
  auto profiles = info->syncOption<ProfileListSyncOption>(1);
  EXPECT_EQ(profiles->profiles()[0].type, 0);
  EXPECT_EQ(profiles->profiles()[0].version, 1);
  EXPECT_TRUE(profiles->profiles()[0].backwardCompatible);
  EXPECT_EQ(profiles->profiles()[1].type, 3);
  auto productInfo = info->syncOption<ProductInfoSyncOption>(2);
  EXPECT_EQ(productInfo->productType(), 0);
  EXPECT_EQ(productInfo->productCode(), 0u);
  EXPECT_EQ(productInfo->productName(), "NVR");
  EXPECT_EQ(productInfo->productVersion(), "2.0");
  auto oemInfo = info->syncOption<OEMSyncOption>(3);
  EXPECT_EQ(oemInfo->type(), 0u);
  EXPECT_EQ(oemInfo->company(), "Acme");
  EXPECT_EQ(info->syncOption<SystemInfoSyncOption>(5)->signalType(), 0);
}

TEST(SyncInfo, InRangeValuesStand) {
  WireWriter w;
  WireWriter product;
  product.u8(5).u32(1016).string("DVR").string("1.0");
  w.u8(2).u16(static_cast<uint16_t>(product.size())).bytes(product.data());
  WireWriter oem;
  oem.u32(1).string("Acme");
  w.u8(3).u16(static_cast<uint16_t>(oem.size())).bytes(oem.data());
  auto info = read(withOptions(w.data()));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->syncOption<ProductInfoSyncOption>(2)->productType(), 5);
  EXPECT_EQ(info->syncOption<ProductInfoSyncOption>(2)->productCode(), 1016u);
  EXPECT_EQ(info->syncOption<OEMSyncOption>(3)->type(), 1u);
}

TEST(SyncInfoDeathTest, AnotherMessageTypeIsAProgrammingError) {
  auto packet = received(MessageTypeLoginResponse, {1, 0, 0, 0, 0});
  EXPECT_DEATH(SyncInfo::create(*packet), "Invalid parameter not satisfying: packet.messageType\\(\\) == MessageTypeSync");
}

TEST(LoginResponse, CodesAndMask) {
  const std::vector<std::pair<uint8_t, int>> rows = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4},
                                                      {5, 5}, {6, 0}, {7, 0}, {255, 0}};
  for (const auto& [wire, stored] : rows) {
    auto packet = received(MessageTypeLoginResponse, {wire, 0x80, 0, 0, 2});
    LoginResponse response(*packet);
    EXPECT_EQ(response.responseCode(), stored) << int(wire);
    EXPECT_EQ(response.permissionMask(), 0x80000002u);
    EXPECT_TRUE(response.hasPermission(2));
    EXPECT_TRUE(response.hasPermission(6));
    EXPECT_FALSE(response.hasPermission(4));
  }
}

TEST(LoginResponse, AShortReplyIsUnusable) {
  for (size_t n = 0; n < 5; ++n) {
    auto packet = received(MessageTypeLoginResponse, Bytes(n, 1));
    EXPECT_THROW(LoginResponse{*packet}, ReadError) << n;
  }
}

}  // namespace
}  // namespace zelvo
