// Address claim: the claim and its wait, contests won and lost, requests
// answered, and the bounds on what a client may claim.
#include <gtest/gtest.h>

#include <string>

#include "network_test_bus.h"

namespace vlr::network::testing {
namespace {

constexpr uint64_t kOurName = 0x8100E0FF00E00000;

Bytes Request(uint8_t destination) {
  return FrameOf(0xEA, 6, kPeer, destination, {0x00, 0xEE, 0x00});
}

TEST(AddressClaim, ClaimedAfterTheWaitFromWhenItWentOut) {
  Bus bus;
  ASSERT_TRUE(bus.net.Claim(kUs, NameOf(kOurName), bus.now));
  EXPECT_EQ(bus.net.StateOf(kUs), ClaimState::kPending);
  bus.Advance(300);  // the claim is not on the line yet
  EXPECT_EQ(bus.net.StateOf(kUs), ClaimState::kPending);
  const Bytes claim = {0x00, 0xEE, 0x00, 0x06, kUs,  0xFF, 0x00,
                       0x00, 0xE0, 0x00, 0xFF, 0xE0, 0x00, 0x81};
  EXPECT_EQ(bus.Take(), std::vector<Bytes>{claim});
  bus.Advance(249);
  EXPECT_EQ(bus.net.StateOf(kUs), ClaimState::kPending);
  EXPECT_TRUE(bus.events.claims.empty());
  bus.Advance(1);
  EXPECT_EQ(bus.net.StateOf(kUs), ClaimState::kClaimed);
  ASSERT_EQ(bus.events.claims.size(), 1u);
  EXPECT_EQ(bus.events.claims[0].address, kUs);
  EXPECT_EQ(bus.events.claims[0].state, ClaimState::kClaimed);
  EXPECT_EQ(bus.net.NextDeadline(), std::nullopt);
}

// A contender claims our address with `theirs` while our claim is pending
// or done; the lower NAME wins.
TEST(AddressClaim, ContestsGoToTheLowerName) {
  struct Case {
    std::string name;
    bool pending;
    uint64_t theirs;
    ClaimState after;
    std::vector<Bytes> sent;
  } cases[] = {
      {"lower, pending",
       true,
       kOurName - 1,
       ClaimState::kLost,
       {Claimed(0xFE, kOurName)}},
      {"lower, claimed",
       false,
       0x0,
       ClaimState::kLost,
       {Claimed(0xFE, kOurName)}},
      {"lower only in the top byte",
       false,
       kOurName - (1ull << 56),
       ClaimState::kLost,
       {Claimed(0xFE, kOurName)}},
      {"higher, pending",
       true,
       kOurName + 1,
       ClaimState::kPending,
       {Claimed(kUs, kOurName)}},
      {"higher, claimed",
       false,
       ~0ull,
       ClaimState::kClaimed,
       {Claimed(kUs, kOurName)}},
      {"our own echo", true, kOurName, ClaimState::kPending, {}},
  };
  for (const Case& c : cases) {
    Bus bus;
    if (c.pending) {
      bus.net.Claim(kUs, NameOf(kOurName), bus.now);
      bus.Take();
      bus.Advance(100);
    } else {
      bus.ClaimQuietly(kUs, kOurName);
    }
    EXPECT_EQ(bus.Hear(Claimed(kUs, c.theirs)), Disposition::kDeliver);
    EXPECT_EQ(bus.net.StateOf(kUs), c.after) << c.name;
    EXPECT_EQ(bus.Take(), c.sent) << c.name;
    EXPECT_EQ(bus.net.AddressLost(kUs), c.after == ClaimState::kLost);
    const bool lost = c.after == ClaimState::kLost;
    ASSERT_EQ(bus.events.claims.size(), lost ? 1u : 0u) << c.name;
    if (lost) {
      EXPECT_EQ(bus.events.claims[0].state, ClaimState::kLost);
    }
    // Defending does not restart the wait.
    bus.Advance(150);
    if (c.pending && !lost) {
      EXPECT_EQ(bus.net.StateOf(kUs), ClaimState::kClaimed) << c.name;
    }
  }
}

TEST(AddressClaim, ClaimsForOtherAddressesAreNoContest) {
  Bus bus;
  bus.ClaimQuietly(kUs, kOurName);
  EXPECT_EQ(bus.Hear(Claimed(0x81, 0)), Disposition::kDeliver);
  EXPECT_EQ(bus.Hear(FrameOf(0xEE, 6, kUs, 0xFF, {0, 0, 0})),
            Disposition::kDeliver);  // too short to hold a NAME
  EXPECT_EQ(bus.net.StateOf(kUs), ClaimState::kClaimed);
  EXPECT_TRUE(bus.Take().empty());
}

TEST(AddressClaim, RequestsAreAnswered) {
  struct Case {
    std::string name;
    Bytes request;
    std::vector<Bytes> sent;
  } cases[] = {
      {"global",
       Request(0xFF),
       {Claimed(0x80, 1), Claimed(0xFE, 3), Claimed(0x81, 2)}},
      {"to a claimed address", Request(0x80), {Claimed(0x80, 1)}},
      {"to a pending address", Request(0x81), {Claimed(0x81, 2)}},
      {"to the lost address", Request(0x82), {}},
      {"to another node", Request(0x90), {}},
      {"for another group",
       FrameOf(0xEA, 6, kPeer, 0xFF, {0xEC, 0xFE, 0x00}),
       {}},
      {"too short", FrameOf(0xEA, 6, kPeer, 0xFF, {0x00, 0xEE}), {}},
  };
  for (const Case& c : cases) {
    Bus bus;
    bus.ClaimQuietly(0x80, 1);
    bus.ClaimQuietly(0x82, 3);
    bus.Hear(Claimed(0x82, 0));
    bus.net.Claim(0x81, NameOf(2), bus.now);
    bus.Take();
    ASSERT_EQ(bus.net.StateOf(0x81), ClaimState::kPending);
    EXPECT_EQ(bus.Hear(c.request), Disposition::kDeliver);
    EXPECT_EQ(bus.Take(), c.sent) << c.name;
  }
}

TEST(AddressClaim, BoundsAndRelease) {
  Bus bus;
  EXPECT_FALSE(bus.net.Claim(0xFE, NameOf(1), bus.now));
  EXPECT_FALSE(bus.net.Claim(0xFF, NameOf(1), bus.now));
  for (uint8_t address = 0; address < 16; ++address) {
    EXPECT_TRUE(bus.net.Claim(address, NameOf(1), bus.now));
  }
  EXPECT_FALSE(bus.net.Claim(16, NameOf(1), bus.now));
  EXPECT_TRUE(bus.net.Claim(3, NameOf(2), bus.now)) << "again is no new one";
  bus.net.Release(3);
  EXPECT_EQ(bus.net.StateOf(3), ClaimState::kNone);
  EXPECT_EQ(bus.Take().size(), 15u) << "a released claim is not sent";
  EXPECT_TRUE(bus.net.Claim(16, NameOf(1), bus.now));
}

TEST(AddressClaim, ClaimingAgainStartsOver) {
  Bus bus;
  bus.ClaimQuietly(kUs, kOurName);
  bus.Hear(Claimed(kUs, 1));
  bus.Take();
  ASSERT_EQ(bus.net.StateOf(kUs), ClaimState::kLost);
  bus.events.Clear();
  ASSERT_TRUE(bus.net.Claim(kUs, NameOf(0), bus.now));
  EXPECT_FALSE(bus.net.AddressLost(kUs));
  EXPECT_EQ(bus.Take(), std::vector<Bytes>{Claimed(kUs, 0)});
  bus.Advance(250);
  EXPECT_EQ(bus.net.StateOf(kUs), ClaimState::kClaimed);
}

TEST(AddressClaim, ResetForgetsEverything) {
  Bus bus;
  bus.ClaimQuietly(kUs);
  bus.net.Send(Message(6, kUs, kPeer, Payload(20)), 1, bus.now);
  bus.Hear(Bam(kPeer, 20, 3));
  bus.net.Reset();
  EXPECT_EQ(bus.net.StateOf(kUs), ClaimState::kNone);
  EXPECT_TRUE(bus.Take().empty());
  EXPECT_EQ(bus.net.NextDeadline(), std::nullopt);
}

}  // namespace
}  // namespace vlr::network::testing
