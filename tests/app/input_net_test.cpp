// The network frame step against the loopback exchange: stalls, the confirmation request of
// side 0, the hold flag, the wire form of NetPadInput and the confirmation latches.
#include <gtest/gtest.h>

#include <cstring>

#include "app/input/net_input_link.h"
#include "input_fixture.h"

using vt::test::InputTest;
namespace t = vt::test;

class NetInputTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    SetNetInputLink(&link_);
  }
  void TearDown() override {
    SetNetInputLink(nullptr);
    InputTest::TearDown();
  }
  // One network frame: devices read, then the exchange.
  int NetFrame() {
    g_InputManager.Poll();
    joy_->ReadDevices();
    return joy_->ExchangeNetInput();
  }
  LoopbackNetInputLink link_;
};

TEST(NetPadInputWire, ByteExactPacking) {
  PadRawState raw;
  raw.buttons = 0x0410 | 0x80 | 0x40;  // A, decide, QA, A+B
  raw.direction = 3;
  raw.lever2Direction = 8;
  raw.lever3Direction = 4;
  raw.spare = 7;
  std::array<uint32_t, 32> map{};
  const uint32_t battle[6] = {0x10, 0x20, 0x8, 0x4, 0x80, 0x40};
  for (int i = 0; i < 6; ++i) map[i] = battle[i];
  map[31] = 0x400;
  NetPadInput in;
  PackNetPadInput(&in, raw, map);
  uint8_t bytes[8];
  NetPadInputToBytes(in, bytes);
  const uint8_t expected[8] = {0x31, 0x00, 0x00, 0x80, 3, 8, 4, 1};
  EXPECT_EQ(0, std::memcmp(bytes, expected, 8));
  NetPadInput back = NetPadInputFromBytes(bytes);
  EXPECT_EQ(back.buttons, 0x80000031u);
  EXPECT_EQ(back.spare, 1);
  PadState s;
  s.SetFromNet(back);
  EXPECT_EQ(s.direction, 3);
  EXPECT_EQ(s.button[0], PadState::kHeld);
  EXPECT_EQ(s.button[31], PadState::kHeld);
  EXPECT_EQ(s.spareButton, PadState::kHeld);
}

// A missing remote frame: 0, no bank update, the frame counter stays.
TEST_F(NetInputTest, StallLeavesBanksAndCounter) {
  Start();
  link_.Reset(1);
  EXPECT_EQ(NetFrame(), 1);  // frame 0 is known empty on both sides
  EXPECT_EQ(link_.frame(), 1u);
  fake_->SetKey(t::kScanU, true);
  const PadState before = joy_->battleBank[0];
  EXPECT_EQ(NetFrame(), 0);
  EXPECT_EQ(link_.frame(), 1u);
  EXPECT_EQ(joy_->battleBank[0].button[0], before.button[0]);
  EXPECT_EQ(joy_->localBank[0].button[0], 0);
  EXPECT_EQ(link_.updates(), 1);
}

// With the request bits 0x503 pending, side 0 sends button A alone for one frame and clears the
// request word; both peers then see a press of A in player 1's battle record. Side 1 never
// replaces its word.
TEST_F(NetInputTest, ConfirmationRequestSendsButtonAOnSide0Only) {
  Start();
  struct Case {
    int role;
    uint32_t request;
    uint32_t sent;
  } cases[] = {{1, 0x101, 1},   {1, 0x401, 1},   {1, 0x402, 1}, {1, 0x511, 1},
               {1, 0x0F0, 0x2}, {2, 0x101, 0x2}, {1, 0, 0x2}};
  fake_->SetKey(t::kScanI, true);  // player 1 holds B
  for (const Case& c : cases) {
    link_.Reset(c.role);
    link_.PushRemoteInput(NetPadInput{});
    joy_->requestWord = c.request;
    NetFrame();
    const int side = c.role - 1;
    ASSERT_EQ(link_.received(side), 2u);
    EXPECT_EQ(link_.history(side)[1].buttons, c.sent) << c.role << " " << std::hex << c.request;
    EXPECT_EQ(joy_->requestWord, 0u);
    // Next frame the word is the device's again.
    link_.PushRemoteInput(NetPadInput{});
    NetFrame();
    EXPECT_EQ(link_.history(side)[2].buttons, 0x2u);
  }
}

// While the exchange holds, the local input is not stored, the request stays, the frame stays.
TEST_F(NetInputTest, HoldKeepsRequestAndFrame) {
  Start();
  link_.Reset(1);
  NetFrame();
  joy_->requestWord = 0x101;
  EXPECT_EQ(NetFrame(), 0);
  EXPECT_EQ(joy_->requestWord, 0x101u);
  EXPECT_EQ(link_.received(0), 2u);  // only frames 0 and 1
  link_.PushRemoteInput(NetPadInput{});
  EXPECT_EQ(NetFrame(), 1);
  EXPECT_EQ(link_.frame(), 2u);
  EXPECT_EQ(joy_->requestWord, 0u);
}

// The battle bank carries both sides' exchanged input; menus keep the local devices.
TEST_F(NetInputTest, BattleBankFromExchangeMenuFromDevices) {
  Start();
  link_.Reset(2);  // local player is side 1, reading its pad from g_MainSide
  GetInputGameHooks().mainSide = [] { return 1; };
  fake_->SetKey(0x47, true);  // player 2's A
  NetPadInput remote;
  remote.buttons = 0x4;  // side 0 presses C
  remote.direction = 6;
  link_.PushRemoteInput(remote);
  NetFrame();  // frame 0: empty for both
  NetFrame();  // frame 1: side 0's C, side 1's A
  EXPECT_EQ(joy_->battleBank[0].button[2], PadState::kHeld | PadState::kPressed);
  EXPECT_EQ(joy_->battleBank[0].direction & 0x0F, 6);
  EXPECT_EQ(joy_->battleBank[1].button[0], PadState::kHeld | PadState::kPressed);
  EXPECT_EQ(joy_->menuBank[1].button[0] & PadState::kHeld, PadState::kHeld);  // decide, local device
  EXPECT_EQ(joy_->menuBank[0].button[2], 0);
  EXPECT_EQ(joy_->battleBank[2].button[0], 0);
}

// The latches: armed by the request word, each of the first two players latches on its first
// battle-button press in the exchanged input, and ConsumeLatch fires once both have.
TEST_F(NetInputTest, ConfirmationLatchesNeedBothPlayers) {
  Start();
  link_.Reset(1);
  link_.PushRemoteInput(NetPadInput{});
  NetFrame();
  joy_->requestWord = 0x401;
  NetFrame();  // side 0 sends A alone for frame 2 (one frame of lead)
  EXPECT_EQ(joy_->ConsumeLatch(0x401), 0);
  link_.PushRemoteInput(NetPadInput{});
  NetFrame();  // frame 2: player 1's forced A press arrives
  EXPECT_EQ(joy_->latchWords[0], 0x401u);
  EXPECT_EQ(joy_->latchWords[1], 0u);
  EXPECT_EQ(joy_->ConsumeLatch(0x401), 0);
  NetPadInput press;
  press.buttons = 0x2;  // side 1 presses B
  link_.PushRemoteInput(press);
  NetFrame();
  EXPECT_EQ(joy_->latchWords[1], 0x401u);
  EXPECT_EQ(joy_->ConsumeLatch(0x100), 0);  // no bit in common
  EXPECT_EQ(joy_->ConsumeLatch(0x401), 1);
  EXPECT_EQ(joy_->latchWords[0], 0u);
  EXPECT_EQ(joy_->ConsumeLatch(0x401), 0);
  // Consumed: further presses latch nothing.
  link_.PushRemoteInput(NetPadInput{});
  link_.PushRemoteInput(press);
  NetFrame();
  NetFrame();
  EXPECT_EQ(joy_->latchWords[1], 0u);
}

TEST(LoopbackLink, SyncMarkStrippedAndHistoryBounds) {
  LoopbackNetInputLink link;
  link.Reset(1);
  link.SetSyncMark(true);
  ASSERT_EQ(link.SendLocalInput(0, 0x1, 0), 1);
  EXPECT_EQ(link.history(0)[1].buttons, 0x8001u);
  link.AdvanceFrame();
  EXPECT_EQ(link.GetFrameInput(0).buttons, 0x1u);
  EXPECT_EQ(link.SendLocalInput(1, 0x1, 0), 0);  // not the local side
  EXPECT_EQ(link.GetFrameInput(2).buttons, 0u);
}
