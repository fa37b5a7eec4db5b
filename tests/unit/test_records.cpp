#include <gtest/gtest.h>

#include "connection/client_table.h"
#include "connection/device_record.h"

namespace vlr {
namespace {

TEST(DeviceRecord, ValidIdsAreExactlyTheEight) {
  int valid = 0;
  for (int id = -32768; id <= 32767; ++id) {
    const bool expected = (id >= 101 && id <= 104) || (id >= 201 && id <= 204);
    ASSERT_EQ(DeviceRecord::IsValidDeviceId(static_cast<int16_t>(id)), expected)
        << id;
    valid += expected;
  }
  EXPECT_EQ(valid, 8);
}

TEST(DeviceRecord, KeyedOperationsIgnoreOtherIds) {
  DeviceRecord d;
  d.SetDeviceId(202);
  EXPECT_FALSE(d.AddClient(201));
  EXPECT_TRUE(d.AddClient(202));
  EXPECT_EQ(d.GetClientCount(202), 1);
  EXPECT_EQ(d.GetClientCount(201), 0);
  EXPECT_TRUE(d.IsOpen(202));
  EXPECT_FALSE(d.IsOpen(201));
  auto* fake = reinterpret_cast<platform::Port>(0x10);
  EXPECT_FALSE(d.SetPortHandle(201, fake));
  EXPECT_EQ(d.GetPortHandle(202), nullptr);
  EXPECT_TRUE(d.SetPortHandle(202, fake));
  EXPECT_EQ(d.GetPortHandle(202), fake);
  EXPECT_EQ(d.GetPortHandle(201), nullptr);
}

TEST(DeviceRecord, RawModeSurvivesReset) {
  DeviceRecord d;
  d.SetDeviceId(201);
  d.AddClient(201);
  EXPECT_TRUE(d.SetJ1708Mode("0", 201));
  EXPECT_EQ(d.GetRawMode(), 1);
  d.Reset();
  EXPECT_EQ(d.GetRawMode(), 1);
  EXPECT_EQ(d.GetClientCount(201), 0);
  EXPECT_EQ(d.DeviceId(), -1);
  EXPECT_TRUE(d.SetJ1708Mode("1", -1));
  EXPECT_EQ(d.GetRawMode(), 0);
}

TEST(DeviceRecord, RawModeRefusedWithSeveralClients) {
  DeviceRecord d;
  d.SetDeviceId(101);
  d.AddClient(101);
  d.AddClient(101);
  EXPECT_FALSE(d.SetJ1708Mode("0", 101));
  EXPECT_EQ(d.GetRawMode(), 0);
}

TEST(ClientTable, OnlyTheFirstSlotIsEverGranted) {
  ClientTable t;
  int16_t id = -1;
  ASSERT_EQ(t.Allocate(id), 0);
  EXPECT_EQ(id, 0);
  int16_t second = 5;
  EXPECT_EQ(t.Allocate(second), 131);
  EXPECT_EQ(second, 5);
  for (int16_t bad : {-1, 1, 2}) EXPECT_FALSE(t.IsValidClient(bad)) << bad;
  EXPECT_TRUE(t.IsValidClient(0));
}

TEST(ClientTable, ReleaseEmptiesQueuesButKeepsThem) {
  ClientTable t;
  int16_t id = -1;
  t.Allocate(id);
  ClientSlot& slot = t.Slot(id);
  slot.rxQueue = std::make_unique<J1708MessageQueue>();
  slot.txQueue = std::make_unique<J1708MessageQueue>();
  const uint8_t b[] = {1};
  slot.rxQueue->Push(b, 1, false, 0, 0);
  slot.txQueue->Push(b, 1, false, 0, 0);
  t.SetAllFiltersPass(id);
  t.SetDeviceId(id, 101);
  ASSERT_TRUE(t.Release(id));
  EXPECT_FALSE(t.IsValidClient(0));
  EXPECT_EQ(t.GetFilterCount(0), -1);
  EXPECT_EQ(t.GetDeviceId(0), -1);
  ASSERT_TRUE(slot.rxQueue && slot.txQueue);
  EXPECT_TRUE(slot.rxQueue->IsEmpty());
  EXPECT_TRUE(slot.txQueue->IsEmpty());
  QueueEntry e;
  EXPECT_FALSE(t.TakeTransmitMessage(e)) << "free slot";
}

TEST(ClientTable, MessageReceiveEmptiesOnlyForTheZeroByte) {
  ClientTable t;
  int16_t id = -1;
  t.Allocate(id);
  ClientSlot& slot = t.Slot(id);
  slot.rxQueue = std::make_unique<J1939MessageQueue>();
  slot.txQueue = std::make_unique<J1939MessageQueue>();
  const uint8_t b[] = {1};
  slot.rxQueue->Push(b, 1, false, 0, 0);
  const uint8_t character0[] = {'0'};
  t.SetMessageReceive(id, character0);
  EXPECT_EQ(slot.rxQueue->GetCount(), 1);
  EXPECT_EQ(slot.receiveSetting, '0');
  const uint8_t zero[] = {0};
  t.SetMessageReceive(id, zero);
  EXPECT_EQ(slot.rxQueue->GetCount(), 0);
  const uint8_t high[] = {0xFF};
  t.SetEcho(id, high);
  EXPECT_EQ(slot.echoSetting, -1) << "sign-extended";
}

}  // namespace
}  // namespace vlr
