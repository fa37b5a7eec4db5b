// The vlr1210 program from the outside: what a user types and sees.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "program_runner.h"
#include "pseudo_terminal_skip.h"

namespace vlrclient::testing {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(Program, TheDemonstrationShowsDecodedTrafficAndStops) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  ScratchDirectory scratch;
  const RunResult run = RunProgram(scratch, "--duration 3");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "EEC1")) << run.out.substr(0, 500);
  EXPECT_TRUE(Contains(run.out, "engine speed")) << run.out.substr(0, 500);
  EXPECT_TRUE(Contains(run.out, "SPN 111 (coolant level) FMI 1"))
      << run.out.substr(0, 500);
  EXPECT_TRUE(Contains(run.err, "demonstration")) << run.err;
  EXPECT_TRUE(Contains(run.err, "--- ")) << run.err;  // the summary
}

TEST(Program, RefusesBadInputWithAClearMessageAndNonZeroStatus) {
  ScratchDirectory scratch;
  std::ofstream(scratch.File("bad.log"))
      << "(1.0) can0 0CF00400#01\n(1.1) can0 0CF0040#01\n";
  struct Case {
    std::string args;
    std::string environment;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"monitor --device 305 --duration 1", "", 1, "134 ERR_INVALID_DEVICE"},
      {"monitor --device abc", "", 2, "'abc' is not a device id"},
      {"monitor --device 202 --duration 1", "VLR1210_COM2=/nonexistent/port", 1,
       "135 ERR_DEVICE_IN_USE"},
      {"send --data 0G", "", 2, "'0G' is not hex bytes"},
      {"send 18FEF100#01020", "", 2, "not pairs of hex digits"},
      {"demo --replay /nonexistent/capture.log", "", 1, "cannot open"},
      {"demo --replay " + scratch.File("bad.log"), "", 1,
       "bad.log:2: identifier '0CF0040'"},
      {"monitor --driver /nonexistent/libx.so", "", 1, "cannot load driver"},
      {"monitor --format xml", "", 2, "expected text, candump, json or pcap"},
      {"monitor --protocol J1708 --pgn EEC1", "", 2, "add --protocol J1939"},
      {"bogus", "", 2, "unknown command 'bogus'"},
      {"sim --device /nonexistent/tty", "", 1, "cannot open /nonexistent/tty"},
      {"sim --device /dev/null --link " + scratch.File("com1"), "", 2,
       "--device and --link cannot be used together"},
  };
  for (const Case& c : cases) {
    const RunResult run = RunProgram(scratch, c.args, c.environment, 30);
    EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
    EXPECT_TRUE(Contains(run.err, c.message)) << c.args << "\n" << run.err;
  }
}

TEST(Program, ReportsAPortThatAnotherProgramHolds) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  ScratchDirectory scratch;
  const std::string port = scratch.File("com1");
  BackgroundProgram sim(scratch, "sim",
                        "sim --link " + port + " --duration 60");
  ASSERT_TRUE(sim.started());
  ASSERT_TRUE(WaitForPath(port));
  const std::string environment = "VLR1210_COM1=" + port;
  BackgroundProgram holder(scratch, "holder",
                           "monitor --device 201 --duration 60", environment);
  ASSERT_TRUE(holder.started());
  // The holder has the port once its first message is out.
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (ReadFile(scratch.File("holder.out")).empty() &&
         std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const RunResult second =
      RunProgram(scratch, "monitor --device 201 --duration 1", environment);
  EXPECT_EQ(second.status, 1) << second.err;
  EXPECT_TRUE(Contains(second.err, "135 ERR_DEVICE_IN_USE")) << second.err;
  EXPECT_TRUE(Contains(second.err, "another program holds it")) << second.err;
}

TEST(Program, SendsAndConfirmsEachFrameByItsEcho) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  ScratchDirectory scratch;
  const std::string port = scratch.File("com1");
  BackgroundProgram sim(scratch, "sim",
                        "sim --link " + port + " --duration 60");
  ASSERT_TRUE(sim.started());
  ASSERT_TRUE(WaitForPath(port));
  const std::string environment = "VLR1210_COM1=" + port;
  struct Case {
    std::string args;
    std::string shown;
    std::string confirmed;
  };
  const Case cases[] = {
      {"send --device 201 18EA00F9#E5FE00", "TX J1939 18EA00F9  EA00 RQST",
       "1 frame(s) written"},
      // A long message is echoed once, whole, after its transfer.
      {"send --device 201 --pgn CCVS --data 0102030405060708090A",
       "FEF1 CCVS   p6 F9->FF [10] 01 02", "3 frame(s) written"},
      {"send --device 201 --mid 128 --data \"54 00\" --repeat 2 --interval "
       "0.05",
       "TX J1708 MID 128 Engine #1", "2 frame(s) written"},
  };
  for (const Case& c : cases) {
    const RunResult run = RunProgram(scratch, c.args, environment);
    EXPECT_EQ(run.status, 0) << c.args << "\n" << run.err;
    EXPECT_TRUE(Contains(run.out, c.shown)) << c.args << "\n" << run.out;
    EXPECT_TRUE(Contains(run.err, c.confirmed)) << c.args << "\n" << run.err;
  }
}

TEST(Program, WritesJsonLinesThatParse) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  ScratchDirectory scratch;
  const std::string output = scratch.File("trace.jsonl");
  const RunResult run =
      RunProgram(scratch, "--duration 2 --format json --output " + output);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string check =
      "python3 -c \"import json,sys; rows=[json.loads(l) for l in "
      "open(sys.argv[1])]; "
      "assert len(rows) > 50, len(rows); assert any(r.get('name') == 'EEC1' "
      "for r in rows)\" " +
      output;
  EXPECT_EQ(std::system(check.c_str()), 0);
}

// python-can reads candump logs; where it is installed, it must read ours.
std::string PythonWithCan() {
  for (const char* python : {"python3", "/usr/bin/python3"}) {
    const std::string probe =
        std::string(python) + " -c 'import can' >/dev/null 2>&1";
    if (std::system(probe.c_str()) == 0) return python;
  }
  return {};
}

TEST(Program, WritesCandumpLogsThatPythonCanReads) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  const std::string python = PythonWithCan();
  if (python.empty())
    GTEST_SKIP() << "python3 with the can package is not installed";
  ScratchDirectory scratch;
  const std::string output = scratch.File("trace.log");
  const RunResult run =
      RunProgram(scratch, "--duration 2 --format candump --output " + output);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string check =
      python +
      " -c \"import can,sys; m=list(can.CanutilsLogReader(sys.argv[1])); "
      "assert len(m) > 50, len(m); assert all(x.is_extended_id for x in m); "
      "assert any(x.arbitration_id == 0x0CF00400 for x in m)\" " +
      output;
  EXPECT_EQ(std::system(check.c_str()), 0) << ReadFile(output).substr(0, 300);
}

TEST(Program, PortsSetOnceLeadTheDriverToTheAdapter) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  ScratchDirectory scratch;
  const std::string port = scratch.File("com1");
  BackgroundProgram sim(scratch, "sim",
                        "sim --link " + port + " --duration 60");
  ASSERT_TRUE(sim.started());
  ASSERT_TRUE(WaitForPath(port));
  // No VLR1210_COM1: the user's ports file alone says where COM1 is.
  const std::string environment =
      "-u VLR1210_COM1 XDG_CONFIG_HOME=" + scratch.File("config");
  const std::string file = scratch.File("config/vlr1210/ports.ini");
  const RunResult set =
      RunProgram(scratch, "ports set COM1 " + port, environment);
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_TRUE(Contains(ReadFile(file), "COM1 = " + port)) << ReadFile(file);
  const RunResult shown = RunProgram(scratch, "info", environment);
  EXPECT_TRUE(Contains(shown.out, port + " (" + file + ")")) << shown.out;
  const RunResult monitor =
      RunProgram(scratch, "monitor --device 201 --count 20", environment);
  EXPECT_EQ(monitor.status, 0) << monitor.err;
  EXPECT_TRUE(Contains(monitor.out, "EEC1")) << monitor.out.substr(0, 300);

  std::ofstream(file, std::ios::app) << "COM2 ttyUSB1\n";
  const RunResult malformed = RunProgram(scratch, "ports", environment);
  EXPECT_TRUE(Contains(malformed.err, file + ": line 6: expected COMn"))
      << malformed.err;
  EXPECT_TRUE(Contains(malformed.out, "COM1  /dev/ttyS0  (default"))
      << malformed.out;
  // Connected through VLR1210_COM1, yet the skipped file is said.
  const RunResult warned = RunProgram(
      scratch, "monitor --count 1",
      "XDG_CONFIG_HOME=" + scratch.File("config") + " VLR1210_COM1=" + port);
  EXPECT_EQ(warned.status, 0) << warned.err;
  EXPECT_TRUE(Contains(warned.err, "warning: " + file + ": line 6"))
      << warned.err;
  const RunResult refused =
      RunProgram(scratch, "ports set COM2 /dev/ttyUSB1", environment);
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(Contains(refused.err, "correct or remove the file first"))
      << refused.err;
}

TEST(Program, SaysWhatToCheckWhenTheAdapterDoesNotAnswer) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  ScratchDirectory scratch;
  // A terminal nobody answers on: the adapter is off or elsewhere.
  const int silent = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(silent, 0);
  ASSERT_EQ(::grantpt(silent), 0);
  ASSERT_EQ(::unlockpt(silent), 0);
  const std::string path = ::ptsname(silent);
  const RunResult run = RunProgram(scratch, "monitor --device 201 --count 1",
                                   "VLR1210_COM1=" + path);
  ::close(silent);
  EXPECT_EQ(run.status, 1);
  const std::string parts[] = {"128 ERR_DLL_NOT_INITIALIZED",
                               "COM1 leads to " + path,
                               "(from VLR1210_COM1)",
                               "power",
                               "no other program",
                               "a 1xx adapter is device 101"};
  for (const std::string& part : parts)
    EXPECT_TRUE(Contains(run.err, part)) << part << "\n" << run.err;
}

// Wireshark reads the capture as SocketCAN frames and, told to, decodes
// J1939: the simulated truck's PGNs and source addresses must show.
TEST(Program, WritesPcapCapturesThatWiresharkDecodesAsJ1939) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  if (std::system("tshark -v >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "tshark is not installed";
  ScratchDirectory scratch;
  const std::string capture = scratch.File("truck.pcap");
  const RunResult run =
      RunProgram(scratch, "--duration 3 --no-summary --write " + capture);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "EEC1")) << run.out.substr(0, 300);
  // To standard output, as `| wireshark -k -i -` reads it.
  const RunResult piped =
      RunProgram(scratch, "--duration 2 --no-summary --format pcap");
  ASSERT_EQ(piped.status, 0) << piped.err;
  for (const std::string& file : {capture, scratch.File("stdout")}) {
    const std::string decoded = scratch.File("decoded.txt");
    const std::string tshark = "tshark -r " + file +
                               " -d 'can.subdissector,j1939' -V >" + decoded +
                               " 2>/dev/null";
    ASSERT_EQ(std::system(tshark.c_str()), 0) << file;
    const std::string text = ReadFile(decoded);
    for (const char* part :
         {"PGN: 61444", "PGN: 65265", "SAE J1939",
          "Source Address: 0 (Engine #1)", "Source Address: 3 ("})
      EXPECT_TRUE(Contains(text, part)) << file << ": " << part << "\n"
                                        << text.substr(0, 3000);
  }
}

TEST(Program, PlotsACaptureOrALiveDeviceIntoPngAndSvg) {
  VLR_SKIP_WITHOUT_PSEUDO_TERMINAL();
  ScratchDirectory scratch;
  std::ofstream(scratch.File("gen.log"))
      << "(1.000000) can0 0CF00400#F07D7D401F00F07D\n"
      << "(1.500000) can0 0CF00400#F07D7D803E00F07D\n";
  const RunResult list =
      RunProgram(scratch, "plot --list " + scratch.File("gen.log"));
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_TRUE(Contains(list.out, "engine speed")) << list.out;
  EXPECT_TRUE(Contains(list.out, "1000.000     2000.000")) << list.out;
  const RunResult unknown =
      RunProgram(scratch, "plot " + scratch.File("gen.log") +
                              " --signal 'oil level' "
                              "--output " +
                              scratch.File("x.png"));
  EXPECT_EQ(unknown.status, 1);
  EXPECT_TRUE(Contains(unknown.err, "no signal 'oil level'")) << unknown.err;

  const std::string port = scratch.File("com1");
  BackgroundProgram sim(scratch, "sim",
                        "sim --link " + port + " --duration 60");
  ASSERT_TRUE(sim.started());
  ASSERT_TRUE(WaitForPath(port));
  const RunResult live = RunProgram(
      scratch,
      "plot --device 201 --duration 2 --signal 'engine speed' --output " +
          scratch.File("live.png") + " --output " + scratch.File("live.svg"),
      "VLR1210_COM1=" + port);
  EXPECT_EQ(live.status, 0) << live.err;
  EXPECT_EQ(ReadFile(scratch.File("live.png")).substr(1, 3), "PNG");
  EXPECT_TRUE(Contains(ReadFile(scratch.File("live.svg")), "</svg>"));
}

TEST(Program, HelpAndInfoDescribeTheTool) {
  ScratchDirectory scratch;
  const RunResult help = RunProgram(scratch, "help");
  EXPECT_EQ(help.status, 0);
  for (const char* command :
       {"monitor", "dash", "plot", "send", "info", "ports", "sim", "demo"}) {
    EXPECT_TRUE(Contains(help.out, std::string("vlr1210 ") + command))
        << command;
  }
  const RunResult monitor_help = RunProgram(scratch, "monitor --help");
  EXPECT_TRUE(Contains(monitor_help.out, "--pgn PGN")) << monitor_help.out;
  const RunResult info = RunProgram(scratch, "info");
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_TRUE(Contains(info.out, "version  driver 1.1, interface 2.0"))
      << info.out;
  EXPECT_TRUE(Contains(info.out, "201     2xx     COM1  115200")) << info.out;
}

}  // namespace
}  // namespace vlrclient::testing
