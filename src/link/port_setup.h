#pragma once

#include <cstdint>
#include <span>

#include "connection/protocol.h"
#include "link/device_traits.h"
#include "platform/platform.h"

namespace vlr::link {

// Opens the device's "COMn" and purges it. Null when the port cannot be
// opened.
platform::Port OpenDevicePort(const DeviceTraits& traits);

// After the start-up: where the reader's stop can interrupt a read, its
// reads wait longer while the line is quiet (the start-up's own reads keep
// their short bound). False when the port refused.
bool PrepareForReader(platform::Port port);

// Sets the port's time-outs for the device's family and its line rate, and
// runs the device's start-up dialogue (link/device_traits.h), which turns
// the adapter's reception on for `protocol`. Nonzero on success.
int ConfigurePort(platform::Port port, const DeviceTraits& traits,
                  Protocol protocol);

// Writes `command` and, when `expected` is not empty, waits up to
// `timeoutMs` per try for a reply that begins with it, at a frame start
// anywhere in what the try reads (see ScanForReply), writing the command
// again for each of `tries`. `replyCount` receives the size of the latest
// non-empty read. Only the start-up dialogue uses it: afterwards the reader
// thread owns the port's input.
bool ExchangeCommand(platform::Port port, std::span<const uint8_t> command,
                     std::span<const uint8_t> expected,
                     std::span<uint8_t, 100> reply, uint32_t& replyCount,
                     uint32_t timeoutMs, int tries);

}  // namespace vlr::link
