// Host-to-adapter frames of both families, and the records the writer
// echoes back. Pure functions of their arguments.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "connection/filters.h"
#include "link/device_traits.h"

namespace vlr::link {

constexpr size_t kMaxFrameSize = 512;

// One complete frame, ready for the transmit queue or the port.
struct Frame {
  std::array<uint8_t, kMaxFrameSize> bytes{};
  size_t length = 0;
  std::span<const uint8_t> View() const { return {bytes.data(), length}; }
};

// An application J1939 message of at most 8 data bytes, in the
// application layout: PGN (3, LSB first), how/priority, source,
// destination, data.
constexpr size_t kJ1939HeaderSize = 6;
constexpr size_t kSingleFrameJ1939Size = 14;

// 8-bit sums.
uint8_t PlainSum(std::span<const uint8_t> bytes);    // 2xx frame sum
uint8_t NegatedSum(std::span<const uint8_t> bytes);  // 1xx / J1708 check

// The 29-bit identifier of an application J1939 header (6 bytes).
uint32_t J1939Identifier(const uint8_t* header);

// ------------------------------------------------------------ message frames
// Each returns false, leaving `out` unspecified, when the message does not
// fit the family's frame (a length field would wrap, or the frame would
// exceed kMaxFrameSize) or is below the layout's minimum.

// `message` is the application J1708 layout: priority, MID, data.
bool BuildJ1708Frame1xx(std::span<const uint8_t> message, bool raw, Frame& out);
bool BuildJ1708Frame2xx(std::span<const uint8_t> message, bool raw, Frame& out);
// `message` holds 6 to 14 bytes.
bool BuildJ1939Frame1xx(std::span<const uint8_t> message, Frame& out);
bool BuildJ1939Frame2xx(std::span<const uint8_t> message, Frame& out);

enum class BuildResult { kOk, kTooLong, kNoFraming };

// The frame RP1210_SendMessage queues for one application message:
// kNoFraming for devices without serial framing (103, 104), kTooLong for a
// message the family cannot carry in one frame (J1939 over 8 data bytes
// goes by the client's transport instead).
BuildResult BuildMessageFrames(int32_t deviceId, bool j1939, bool raw,
                               std::span<const uint8_t> message,
                               std::vector<Frame>& out);

// ------------------------------------------------------------ command frames

namespace channel {
constexpr uint8_t kJ1708 = 0x01;
constexpr uint8_t kJ1939 = 0x02;
constexpr uint8_t kLinkControl = 0x08;
constexpr uint8_t kFlowControl = 0x09;
}  // namespace channel

// 01, n, channel, code, args..., 00, sum. Length 0 past 253 args.
Frame CommandFrame(uint8_t channelId, uint8_t code,
                   std::span<const uint8_t> args = {});
Frame ReceiveOnFrame(bool j1939);   // 01 02 02 01 00 06 / 01 02 01 11 00 15
Frame ReceiveOffFrame(bool j1939);  // 01 02 02 00 00 05 / 01 02 01 10 00 14
Frame RateChangeFrame();            // 01 05 08 01 03 04 00 00 16
// 01 01 channel 00 sum: what the adapter answers a command with.
std::array<uint8_t, 5> AcknowledgementFor(uint8_t channelId);

// The adapter's identifier mask for one group, identifier x 8.
uint32_t FilterMaskFor(const J1939FilterGroup& group);
// The value programmed into a slot for one group, identifier x 8.
uint32_t FilterValueFor(const J1939FilterGroup& group);
// 01 06 02 04 M0..M3 00 sum.
Frame FilterMaskFrame(uint32_t mask);
// 01 06 02 (0x19 + 0x10 * slot) V3..V0 00 sum; slot 0..3, else length 0.
Frame FilterSlotFrame(int slot, const J1939FilterGroup& group);

// ------------------------------------------------------------- echo records

// The record an application reads back for a frame the writer wrote.
// Returns its length (0 when the frame carries no message).
size_t J1708EchoRecord(DeviceFamily family, bool raw,
                       std::span<const uint8_t> frame, std::span<uint8_t> out);
size_t J1939EchoRecord(DeviceFamily family, std::span<const uint8_t> frame,
                       std::span<uint8_t> out);

}  // namespace vlr::link
