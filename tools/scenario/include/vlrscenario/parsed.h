// The outcome of reading text that a person or another tool wrote: a value,
// or an error that says where (line number) and what is wrong, so a user can
// fix the file instead of guessing.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <variant>

namespace vlrscenario {

struct ParseError {
  // 1-based line of the input; 0 when the error concerns no single line
  // (an unreadable file, a missing header).
  std::size_t line = 0;
  std::string message;
  // The file, when the input was one.
  std::string source = {};

  // "trace.log:12: <message>", "line 12: <message>", "trace.log: <message>"
  // or the message alone, by what is known.
  std::string ToString() const {
    std::string where = source;
    if (line != 0) {
      where += source.empty() ? "line " + std::to_string(line)
                              : ":" + std::to_string(line);
    }
    return where.empty() ? message : where + ": " + message;
  }
};

template <typename T>
class Parsed {
 public:
  Parsed(T value) : state_(std::move(value)) {}
  Parsed(ParseError error) : state_(std::move(error)) {}

  bool ok() const { return std::holds_alternative<T>(state_); }
  explicit operator bool() const { return ok(); }

  // Only valid when ok().
  T& value() { return std::get<T>(state_); }
  const T& value() const { return std::get<T>(state_); }
  // Only valid when !ok().
  const ParseError& error() const { return std::get<ParseError>(state_); }

 private:
  std::variant<T, ParseError> state_;
};

}  // namespace vlrscenario
