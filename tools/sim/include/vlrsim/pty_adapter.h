// A simulated adapter at the far end of a pseudo-terminal.
//
//   vlrsim::AdapterOptions options;
//   options.family = vlrsim::Family::k2xx;
//   vlrsim::PtyAdapter adapter(options);
//   setenv("VLR1210_COM1", adapter.SlavePath().c_str(), 1);
//   ... RP1210_ClientConnect(..., 201, "J1939", ...) ...
//   adapter.PutOnBus(vlrsim::Bus::kJ1939, 0x18FEF100, data);
//   adapter.Recorded().WaitForHostMessages(1);
//
// The constructor opens the pseudo-terminal (raw) and starts the adapter's
// I/O thread; the destructor stops it and removes any link it made. The
// simulator holds no descriptor of the slave side, so the host can open it
// exclusively, close it and open it again; the line settings are read from
// the master side, which reports the slave's.
//
// With options.device the adapter plays on that serial device instead, and
// sets the device's rate as the adapter family does (see AdapterOptions);
// SlavePath() then names the device.
//
// All member functions are safe to call from any thread. Output requested by
// a test is queued and written in order by the I/O thread; each Send*
// returns at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "vlrsim/adapter_options.h"
#include "vlrsim/family.h"
#include "vlrsim/identifier_filter.h"
#include "vlrsim/j1939_ecu.h"
#include "vlrsim/recording.h"
#include "vlrsim/traffic_source.h"

namespace vlrsim {

class PtyAdapter {
 public:
  // Throws std::system_error when the pseudo-terminal cannot be made or the
  // device cannot be opened (EBUSY: another program holds it); what() names
  // the device.
  explicit PtyAdapter(AdapterOptions options = {});
  ~PtyAdapter();
  PtyAdapter(const PtyAdapter&) = delete;
  PtyAdapter& operator=(const PtyAdapter&) = delete;

  // Ends the I/O thread (idempotent). Output still queued is dropped.
  void Stop();

  // The path the host opens, e.g. /dev/pts/7, or the device played on.
  const std::string& SlavePath() const;
  // Makes `link` a symbolic link to the slave (replacing an existing
  // symbolic link there; any other file is left alone and reported by
  // std::filesystem::filesystem_error). Removed again at destruction if it
  // still points at this slave. Several links may be made.
  void LinkTo(const std::filesystem::path& link);

  Family family() const;

  // The rate the host last set on its side of the line, in bits per
  // second; 0 when the setting maps to no standard rate. On a device, the
  // rate the adapter set on its own side.
  uint32_t CurrentBaud() const;

  // ---- behaviour, changeable while running --------------------------------
  void SetSilent(bool silent);
  void SetLoopback(bool loopback);
  void SetReadyDelay(std::optional<std::chrono::milliseconds> delay);
  void SetThrottle(bool throttle);
  // Both directions at the line rate, or neither (see AdapterOptions).
  void SetLinePaced(bool paced);
  void SetReportedBuses(bool j1708, bool j1939);  // 1xx

  // ---- adapter state (2xx) ------------------------------------------------
  AdapterState State() const;
  IdentifierFilter Filter() const;

  // ---- traffic to the host ------------------------------------------------
  // A message appears on a vehicle bus: the adapter frames it for its
  // family and reports it when its switches let it (2xx: receive on for the
  // bus, J1939 identifier filter; 1xx: the reported buses; never when
  // silent). J1708: id = MID, data without the checksum.
  void PutOnBus(Bus bus, uint32_t id, std::span<const uint8_t> data);
  // Plays a source with its timing, from now, in place of any source that
  // is playing. Each message goes through PutOnBus's rules.
  void Play(std::unique_ptr<TrafficSource> source);
  void StopPlaying();
  // True while a source has messages left.
  bool Playing() const;

  // Raw output, written as given (no rules apply, also when silent).
  void Send(std::span<const uint8_t> bytes);
  // Writes each chunk separately, pausing between consecutive chunks.
  void SendChunks(const std::vector<Bytes>& chunks,
                  std::chrono::microseconds pause);
  // Writes `bytes` cut before each offset in `cuts` (ascending), pausing
  // between the pieces.
  void SendSplit(std::span<const uint8_t> bytes,
                 const std::vector<size_t>& cuts,
                 std::chrono::microseconds pause);
  // `count` pseudo-random bytes from `seed`.
  void SendGarbage(size_t count, uint32_t seed);
  // 2xx frames on demand (also when silent).
  void SendReady();
  void SendAck(uint8_t channel);

  // Waits until everything queued so far has been written (or dropped).
  bool WaitUntilSent(
      std::chrono::milliseconds timeout = Recording::kDefaultWait);
  // Output bytes that could not be written (no host on the line, or the
  // host stopped reading).
  uint64_t DroppedBytes() const;

  // ---- simulated ECUs on the J1939 bus (see j1939_ecu.h) -----------------
  // An ECU is named by its configured address; with several, the one added
  // last. Its frames reach the host under the same rules as PutOnBus.
  // Joins the bus now (claiming after ecu.claim_after when ecu.claim).
  void AddEcu(const EcuOptions& ecu);
  // A contender: a node with `name` claims `address` after `after`, then
  // defends it by NAME like any ECU (it answers nothing else).
  void Contend(uint8_t address, uint64_t name,
               std::chrono::milliseconds after = {});
  // The ECU sends `data` (up to 1785 bytes) for `pgn` to `destination`
  // after `after`: one frame up to 8 bytes, else a broadcast transfer for
  // 255, a connection-mode transfer otherwise. False: no such ECU.
  bool SendFromEcu(uint8_t ecu, uint32_t pgn, uint8_t destination,
                   std::span<const uint8_t> data,
                   std::chrono::milliseconds after = {});
  // Replaces how the ECU spoils the host's transfers from now on (sessions
  // already started keep theirs). False: no such ECU.
  bool SetEcuFaults(uint8_t ecu, const TransferFaults& faults);
  // What the ECU holds: address, messages received, its sends' outcomes.
  std::optional<EcuStatus> EcuState(uint8_t ecu) const;
  // Waits until `until` holds for the ECU's status; false on time-out or
  // when there is no such ECU.
  bool WaitForEcu(uint8_t ecu,
                  const std::function<bool(const EcuStatus&)>& until,
                  std::chrono::milliseconds timeout = Recording::kDefaultWait);
  // The messages the ECU received by transfer, once it has `count`; what it
  // has at the time-out otherwise.
  std::vector<EcuMessage> WaitForEcuMessages(
      uint8_t ecu, size_t count,
      std::chrono::milliseconds timeout = Recording::kDefaultWait);

  // ---- what was seen ------------------------------------------------------
  Recording& Recorded();
  const Recording& Recorded() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vlrsim
