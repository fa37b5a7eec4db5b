#include "dash_screen.h"

#include <curses.h>

#include <clocale>

namespace vlrdash {

DashScreen::DashScreen() {
  std::setlocale(LC_ALL, "");
  initscr();
  cbreak();  // Ctrl-C still interrupts: the stop handler ends the loop
  noecho();
  keypad(stdscr, TRUE);
  nodelay(stdscr, TRUE);
  curs_set(0);
}

DashScreen::~DashScreen() { endwin(); }

int DashScreen::width() const { return COLS; }
int DashScreen::height() const { return LINES; }

int DashScreen::ReadKey() {
  const int key = getch();
  if (key == KEY_RESIZE) return kResized;
  return key == ERR ? -1 : key;
}

void DashScreen::Show(const std::vector<std::string>& lines) {
  erase();
  int row = 0;
  for (const std::string& line : lines) {
    if (row >= LINES) break;
    const bool title = line.rfind("-- ", 0) == 0 || row == 0;
    if (title) attron(A_BOLD);
    mvaddnstr(row++, 0, line.c_str(), COLS);
    if (title) attroff(A_BOLD);
  }
  refresh();
}

}  // namespace vlrdash
