#include "program_options.h"

#include <charconv>
#include <vector>

namespace vlrsim::program {

namespace {
std::string Flag(bool& field) {
  field = true;
  return "";
}

std::string ParseFamily(ProgramOptions& o, std::string_view value) {
  if (value == "1xx") {
    o.adapter.family = Family::k1xx;
  } else if (value == "2xx") {
    o.adapter.family = Family::k2xx;
  } else {
    return "--family takes 1xx or 2xx";
  }
  return "";
}

std::string ParseReadyDelay(ProgramOptions& o, std::string_view value) {
  unsigned ms = 0;
  const auto [end, error] =
      std::from_chars(value.data(), value.data() + value.size(), ms);
  if (error != std::errc{} || end != value.data() + value.size()) {
    return "--ready-delay takes a number of milliseconds";
  }
  o.adapter.ready_delay = std::chrono::milliseconds{ms};
  return "";
}

std::string ParseBuses(ProgramOptions& o, std::string_view value) {
  if (value != "j1708" && value != "j1939" && value != "both") {
    return "--buses takes j1708, j1939 or both";
  }
  o.adapter.report_j1708 = value != "j1939";
  o.adapter.report_j1939 = value != "j1708";
  return "";
}

const std::vector<OptionSpec>& AdapterOptionTable() {
  static const std::vector<OptionSpec> table = {
      {"--family", "1xx|2xx", "adapter family (default 2xx)", ParseFamily},
      {"--device", "PATH",
       "play on this serial device instead of a pseudo-terminal",
       [](ProgramOptions& o, std::string_view v) {
         if (v.empty()) return std::string("--device needs a path");
         o.adapter.device = std::string(v);
         return std::string();
       }},
      {"--link", "PATH", "make PATH a symbolic link to the slave (repeatable)",
       [](ProgramOptions& o, std::string_view v) {
         o.links.emplace_back(v);
         return std::string();
       }},
      {"--silent", "", "answer nothing (a 2xx connect fails)",
       [](ProgramOptions& o, std::string_view) {
         return Flag(o.adapter.silent);
       }},
      {"--loopback", "", "report every host message back as bus traffic",
       [](ProgramOptions& o, std::string_view) {
         return Flag(o.adapter.loopback);
       }},
      {"--ready-delay", "MS", "2xx: ready frame this long after a J1708 frame",
       ParseReadyDelay},
      {"--no-ready", "", "2xx: never send the ready frame",
       [](ProgramOptions& o, std::string_view) {
         o.adapter.ready_delay.reset();
         return std::string();
       }},
      {"--throttle", "", "pace output at the line rate",
       [](ProgramOptions& o, std::string_view) {
         return Flag(o.adapter.throttle);
       }},
      {"--buses", "j1708|j1939|both", "1xx: the buses reported (default both)",
       ParseBuses},
      {"--slot-resumes-receive", "",
       "2xx: a filter slot frame switches J1939 receive on",
       [](ProgramOptions& o, std::string_view) {
         return Flag(o.adapter.slot_frame_resumes_receive);
       }},
      {"--log", "", "print each host frame, decoded, on stdout",
       [](ProgramOptions& o, std::string_view) { return Flag(o.log); }},
      {"--stdin-control", "", "take control commands on stdin",
       [](ProgramOptions& o, std::string_view) {
         return Flag(o.stdin_control);
       }},
      {"--no-stdin", "", "ignore stdin; run until SIGINT or SIGTERM",
       [](ProgramOptions& o, std::string_view) {
         o.watch_stdin = false;
         return std::string();
       }},
      {"--help", "", "show this text",
       [](ProgramOptions& o, std::string_view) { return Flag(o.help); }},
  };
  return table;
}

const OptionSpec* FindOption(std::string_view name) {
  for (const auto& spec : AdapterOptionTable()) {
    if (spec.name == name) return &spec;
  }
  for (const auto& spec : SourceOptions()) {
    if (spec.name == name) return &spec;
  }
  return nullptr;
}

void PrintTable(std::ostream& out, std::span<const OptionSpec> table) {
  for (const auto& spec : table) {
    std::string left(spec.name);
    if (!spec.value.empty()) left += " " + std::string(spec.value);
    left.resize(std::max<size_t>(left.size() + 1, 30), ' ');
    out << "  " << left << spec.help << "\n";
  }
}
}  // namespace

bool ParseCommandLine(int argc, char** argv, ProgramOptions& options,
                      std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::string_view value;
    bool inline_value = false;
    if (const auto eq = arg.find('='); eq != std::string_view::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      inline_value = true;
    }
    const OptionSpec* spec = FindOption(arg);
    if (!spec) {
      error = "unknown option " + std::string(arg);
      return false;
    }
    if (!spec->value.empty() && !inline_value) {
      if (i + 1 >= argc) {
        error = std::string(arg) + " needs a value";
        return false;
      }
      value = argv[++i];
    } else if (spec->value.empty() && inline_value) {
      error = std::string(arg) + " takes no value";
      return false;
    }
    error = spec->apply(options, value);
    if (!error.empty()) return false;
  }
  // A device's host is at the far end of a cable, not on this machine, so
  // a link for it to open has no use.
  if (options.adapter.device && !options.links.empty()) {
    error = "--device and --link cannot be used together";
    return false;
  }
  return true;
}

void PrintUsage(std::ostream& out) {
  out << "usage: vlr1210-sim [options]\n"
         "Plays a vehicle datalink adapter on a pseudo-terminal, or on a\n"
         "serial device (--device). The first line of output is the path the\n"
         "host opens, or the device.\n\n";
  PrintTable(out, AdapterOptionTable());
  if (!SourceOptions().empty()) {
    out << "traffic:\n";
    PrintTable(out, SourceOptions());
  }
}

}  // namespace vlrsim::program
