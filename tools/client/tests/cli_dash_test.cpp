// `vlr1210 dash` in a real terminal (tmux): what the screen shows against
// the simulator and a replayed capture, resizing, pausing, and the terminal
// given back as it was after q and after Ctrl-C.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "program_runner.h"
#include "pseudo_terminal_skip.h"

namespace vlrclient::testing {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A private tmux server with one window running `command` in a shell that
// records the terminal settings before and after it, and its exit status.
class Terminal {
 public:
  Terminal(const ScratchDirectory& scratch, const std::string& command)
      : scratch_(scratch), socket_(scratch.File("tmux.sock")) {
    const std::string script = scratch.File("run.sh");
    // The shell outlives a Ctrl-C meant for the command.
    std::ofstream(script) << "trap : INT\nstty -g >" << scratch.File("before")
                          << "\n"
                          << command << "\necho $? >" << scratch.File("status")
                          << "\nstty -g >" << scratch.File("after")
                          << "\nsleep 120\n";
    Tmux("new-session -d -x 120 -y 40 'sh " + script + "'");
  }
  ~Terminal() { Tmux("kill-server"); }

  int Tmux(const std::string& args) const {
    const std::string command =
        "tmux -S " + socket_ + " " + args + " >/dev/null 2>&1";
    return std::system(command.c_str());
  }
  std::string Screen() const {
    const std::string file = scratch_.File("screen");
    const std::string command =
        "tmux -S " + socket_ + " capture-pane -p > " + file + " 2>/dev/null";
    std::system(command.c_str());
    return ReadFile(file);
  }
  // Waits, within a generous bound, until the screen shows all of `parts`.
  bool WaitFor(std::initializer_list<std::string> parts) const {
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < until) {
      const std::string screen = Screen();
      bool all = true;
      for (const std::string& part : parts) all = all && Contains(screen, part);
      if (all) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
  }
  // The command's exit status once it has ended, or -1.
  int Ended() const {
    const std::string status = scratch_.File("after");
    if (!WaitForPath(status, std::chrono::seconds(20))) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return std::stoi("0" + ReadFile(scratch_.File("status")));
  }
  bool TerminalRestored() const {
    return ReadFile(scratch_.File("before")) ==
           ReadFile(scratch_.File("after"));
  }

 private:
  const ScratchDirectory& scratch_;
  std::string socket_;
};

bool HaveTmux() { return std::system("tmux -V >/dev/null 2>&1") == 0; }

TEST(Dashboard, ShowsTheSimulatedTruckResizesPausesAndQuitsCleanly) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  ScratchDirectory scratch;
  const std::string port = scratch.File("com1");
  BackgroundProgram sim(scratch, "sim",
                        "sim --link " + port + " --duration 120");
  ASSERT_TRUE(sim.started());
  ASSERT_TRUE(WaitForPath(port));
  Terminal terminal(scratch, "VLR1210_COM1=" + port +
                                 " " VLR1210_PROGRAM " dash --device 201");
  ASSERT_TRUE(terminal.WaitFor(
      {"engine speed", " rpm", "coolant level", "SPN", "EEC1"}))
      << terminal.Screen();
  const std::string screen = terminal.Screen();
  EXPECT_TRUE(Contains(screen, "111      1    4")) << screen;  // SPN FMI OC

  terminal.Tmux("resize-window -x 60 -y 20");
  ASSERT_TRUE(terminal.WaitFor({"-- signals -----"})) << terminal.Screen();
  const std::string small = terminal.Screen();
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = small.find('\n', at)) != std::string::npos;
       ++at)
    ++lines;
  EXPECT_LE(lines, 20u) << small;
  EXPECT_FALSE(Contains(small,
                        "-- signals ---------------------------------"
                        "-------------------"))
      << small;  // the title follows the width

  terminal.Tmux("send-keys p");
  EXPECT_TRUE(terminal.WaitFor({"[PAUSED]"})) << terminal.Screen();
  terminal.Tmux("send-keys q");
  EXPECT_EQ(terminal.Ended(), 0);
  EXPECT_TRUE(terminal.TerminalRestored());
  EXPECT_FALSE(Contains(terminal.Screen(), "-- signals")) << terminal.Screen();
}

TEST(Dashboard, ReplaysACaptureAndGivesTheTerminalBackAfterCtrlC) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed";
  ScratchDirectory scratch;
  // 1500 rpm, 40 km/h, and one active code: SPN 110 FMI 0 OC 2.
  std::ofstream log(scratch.File("capture.log"));
  for (int i = 0; i < 50; ++i) {
    log << "(" << 100 + i / 10 << "." << i % 10 << "00000) can0 "
        << "0CF00400#F07D7DE02E00F07D\n"
        << "(" << 100 + i / 10 << "." << i % 10 << "50000) can0 "
        << "18FEF100#F4002800005800FF\n";
    if (i % 10 == 0)
      log << "(" << 100 + i / 10 << ".000001) can0 18FECA00#10FF6E000002FFFF\n";
  }
  log.close();
  Terminal terminal(scratch, VLR1210_PROGRAM " dash --replay " +
                                 scratch.File("capture.log") + " --loop");
  ASSERT_TRUE(terminal.WaitFor({"1500.0 rpm", "40.0 km/h", "110      0    2",
                                "coolant temperature: above normal"}))
      << terminal.Screen();
  terminal.Tmux("send-keys C-c");
  EXPECT_EQ(terminal.Ended(), 0);
  EXPECT_TRUE(terminal.TerminalRestored());
}

}  // namespace
}  // namespace vlrclient::testing
