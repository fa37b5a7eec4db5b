// The terminal while the dashboard runs: ncurses set up on construction
// and the terminal given back as it was on destruction, whichever way the
// dashboard ends (quit, Ctrl-C, an error unwinding).
#pragma once

#include <string>
#include <vector>

namespace vlrdash {

class DashScreen {
 public:
  DashScreen();
  ~DashScreen();
  DashScreen(const DashScreen&) = delete;
  DashScreen& operator=(const DashScreen&) = delete;

  int width() const;
  int height() const;
  // A key pressed since the last call, or -1; a resize reads as kResized.
  int ReadKey();
  static constexpr int kResized = 0x10000;
  // Shows the lines, titles ("-- ...") in bold; ncurses sends only what
  // changed.
  void Show(const std::vector<std::string>& lines);
};

}  // namespace vlrdash
