// vlr1210-sim as another harness drives it: first line the slave path,
// commands on stdin, one answer line each.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cable.h"
#include "host_port.h"
#include "pseudo_terminal_skip.h"
#include "vlrsim/adapter_frame.h"
#include "vlrsim/counted_frames.h"

extern char** environ;

namespace vlrsim {
namespace {

using std::chrono::milliseconds;

// The program with pipes on its stdin and stdout.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    args.insert(args.begin(), VLRSIM_PROGRAM);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, VLRSIM_PROGRAM, &actions, nullptr, argv.data(),
                    environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    to_ = in[1];
    from_ = out[0];
  }
  ~Program() {
    if (to_ >= 0) ::close(to_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
    if (from_ >= 0) ::close(from_);
  }

  void Say(const std::string& line) {
    const std::string text = line + "\n";
    ASSERT_EQ(::write(to_, text.data(), text.size()),
              static_cast<ssize_t>(text.size()));
  }
  // One line of output, without its newline; empty at the end of output.
  std::string Line() {
    std::string line;
    char c;
    while (::read(from_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  void CloseStdin() {
    ::close(to_);
    to_ = -1;
  }
  int Wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
};

TEST(Program, DrivenOverStdin) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  Program program({"--family", "1xx", "--stdin-control"});
  const std::string path = program.Line();
  ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  testing::HostPort host(path);
  ASSERT_TRUE(host.SetRate(B38400));

  program.Say("baud");
  EXPECT_EQ(program.Line(), "ok 38400");
  program.Say("send j1939 18FEF100 0102030405060708");
  EXPECT_EQ(program.Line(), "ok");
  const Bytes expected =
      counted::J1939Frame(0x18FEF100, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(host.Read(expected.size(), milliseconds{5000}), expected);
  // The same message in every form the shared hex syntax takes, now on a
  // line paced at 38400 baud.
  program.Say("line-paced on");
  EXPECT_EQ(program.Line(), "ok");
  program.Say("send j1939 0x18FEF100 01:02 03,04 0506 7 8");
  EXPECT_EQ(program.Line(), "ok");
  EXPECT_EQ(host.Read(expected.size(), milliseconds{5000}), expected);

  // A lone digit is a byte in the shared hex syntax ("5" is 05); three
  // digits in one token are half a byte too many.
  const char* refused[] = {"send j1939 2FFFFFFF 01", "send j1708 80 123",
                           "raw zz", "silent maybe", "launch"};
  for (const char* line : refused) {
    program.Say(line);
    EXPECT_EQ(program.Line().rfind("error", 0), 0u) << line;
  }
  program.Say("quit");
  EXPECT_EQ(program.Line(), "ok");
  EXPECT_EQ(program.Wait(), 0);
}

TEST(Program, RunsTheNetworkScriptAndItsLines) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  const std::string script = ::testing::TempDir() + "vlrsim_network.txt";
  {
    std::ofstream out(script);
    out << "# one engine\necu 00 8000000000000100 vin=ABC no-claim\n";
  }
  Program program({"--family", "1xx", "--network", script, "--stdin-control"});
  testing::HostPort host(program.Line());
  ASSERT_TRUE(host.SetRate(B38400));
  program.Say("ecu-send 00 FEF1 FF 01 02 03");
  EXPECT_EQ(program.Line(), "ok");
  const Bytes expected = counted::J1939Frame(0x18FEF100, Bytes{1, 2, 3});
  EXPECT_EQ(host.Read(expected.size(), milliseconds{5000}), expected);
  program.Say("ecu-state 00");
  EXPECT_EQ(program.Line(), "ok holds_address=1 received=0 sent=0");
  for (const char* line : {"ecu-send 42 FEF1 FF 01", "ecu-state 42",
                           "contend 80", "ecu-fault 00 slow"}) {
    program.Say(line);
    EXPECT_EQ(program.Line().rfind("error", 0), 0u) << line;
  }
  program.Say("quit");
  EXPECT_EQ(program.Line(), "ok");
  EXPECT_EQ(program.Wait(), 0);
  std::remove(script.c_str());
}

TEST(Program, EndsAtTheEndOfStdin) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  Program program({"--family", "2xx"});
  EXPECT_FALSE(program.Line().empty());
  program.CloseStdin();
  EXPECT_EQ(program.Wait(), 0);
}

TEST(Program, RefusesBadOptions) {
  const std::vector<std::vector<std::string>> bad = {
      {"--family", "3xx"},
      {"--ready-delay", "soon"},
      {"--frobnicate"},
      {"--family"},
      {"--silent=yes"},
      {"--network", "/nonexistent/network.txt"},
      {"--device", "/dev/null", "--link", "/tmp/vlrsim-unused-link"},
  };
  for (const auto& args : bad) {
    Program program(args);
    EXPECT_EQ(program.Wait(), 2) << args[0];
  }
}

TEST(Program, PlaysOnADevice) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  testing::Cable cable;
  ASSERT_TRUE(cable.ready());
  Program program(
      {"--family", "1xx", "--device", cable.device(), "--stdin-control"});
  EXPECT_EQ(program.Line(), cable.device());
  program.Say("baud");
  EXPECT_EQ(program.Line(), "ok 38400");
  program.Say("send j1939 18FEF100 0102030405060708");
  EXPECT_EQ(program.Line(), "ok");
  const Bytes expected =
      counted::J1939Frame(0x18FEF100, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(cable.Read(expected.size(), milliseconds{5000}), expected);
  program.Say("quit");
  EXPECT_EQ(program.Line(), "ok");
  EXPECT_EQ(program.Wait(), 0);
}

// Open failures are the program's run-time failures (1), said on stderr,
// with nothing on stdout where a harness expects the path.
TEST(Program, RefusesADeviceItCannotHold) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  testing::Cable cable;
  ASSERT_TRUE(cable.ready());
  Program holder({"--device", cable.device()});
  ASSERT_EQ(holder.Line(), cable.device());
  for (const std::string& device : {std::string("/nonexistent/ttyUSB9"),
                                    std::string("/dev/null"), cable.device()}) {
    Program program({"--device", device});
    EXPECT_EQ(program.Line(), "") << device;
    EXPECT_EQ(program.Wait(), 1) << device;
  }
}

}  // namespace
}  // namespace vlrsim
