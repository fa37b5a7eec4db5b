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

  // "line 12: <message>", or the message alone when line is 0.
  std::string ToString() const {
    if (line == 0) return message;
    return "line " + std::to_string(line) + ": " + message;
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
