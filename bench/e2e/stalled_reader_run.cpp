#include "stalled_reader_run.h"

#include <array>
#include <thread>

#include "driver_session.h"
#include "rp1210.h"
#include "sequenced_traffic.h"

namespace vlr::bench {
namespace {

using namespace std::chrono_literals;

// After the simulator's last write the pseudo-terminal may still hold
// tens of kilobytes; the driver takes 4000 bytes a pass, so this is ample.
constexpr auto kSettle = 1s;

void Drain(StalledFigures& figures) {
  std::array<char, 600> buffer{};
  for (;;) {
    const short n = RP1210_ReadMessage(0, buffer.data(),
                                       static_cast<short>(buffer.size()), 0);
    if (n <= 0) return;
    const auto sequence = SequenceOfRead(
        std::span(reinterpret_cast<const uint8_t*>(buffer.data()),
                  static_cast<size_t>(n)));
    if (!sequence || *sequence >= figures.sent) continue;
    if (*sequence <= figures.newestKept) figures.inOrder = false;
    if (figures.oldestKept < 0) figures.oldestKept = *sequence;
    figures.newestKept = *sequence;
    ++figures.kept;
  }
}

}  // namespace

std::optional<StalledFigures> RunStalledReader(uint32_t frames,
                                               std::string& error) {
  DriverSession session(false);
  if (!session.Ok()) {
    error = session.Error();
    return std::nullopt;
  }
  vlrsim::PtyAdapter& adapter = session.Adapter();
  adapter.Recorded().Clear();
  adapter.Play(std::make_unique<SequencedSource>(frames, 0ns));
  while (adapter.Playing()) std::this_thread::sleep_for(10ms);
  adapter.WaitUntilSent(60s);
  std::this_thread::sleep_for(kSettle);

  StalledFigures figures;
  figures.sent = frames;
  for (const auto& at :
       FrameWriteTimes(adapter.Recorded().AdapterChunks(), frames)) {
    if (at) ++figures.onLine;
  }
  Drain(figures);
  return figures;
}

}  // namespace vlr::bench
