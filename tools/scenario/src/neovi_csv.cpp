#include "vlrscenario/neovi_csv.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "csv_row.h"
#include "vlrcommon/hex_text.h"
#include "vlrscenario/text_fields.h"

namespace vlrscenario {
namespace {

using Row = std::vector<std::string>;
using ColumnNames = std::map<std::string, std::size_t>;

struct Columns {
  std::size_t time = 0;
  std::size_t network = 0;
  std::size_t arb_id = 0;
  std::size_t xtd = 0;
  std::optional<std::size_t> remote;
  std::array<std::size_t, 8> can_bytes{};
  // PT (the MID), then Trgt, Src, B1..B8; absent in a CAN-only export.
  std::optional<std::size_t> mid;
  std::array<std::size_t, 10> j1708_cells{};
};

std::string_view Cell(const Row& row, std::size_t index) {
  return index < row.size() ? Trim(row[index]) : std::string_view{};
}

bool IsHeaderRow(std::string_view line) { return line.substr(0, 5) == "Line,"; }

void AddHeaderNames(const Row& header, ColumnNames& names) {
  for (std::size_t i = 0; i < header.size(); ++i) {
    names.emplace(std::string(Trim(header[i])), i);
  }
}

Parsed<Columns> FindColumns(const ColumnNames& names) {
  Columns columns;
  std::string missing;
  auto need = [&](const char* name) -> std::size_t {
    auto found = names.find(name);
    if (found != names.end()) return found->second;
    missing += missing.empty() ? name : std::string(", ") + name;
    return 0;
  };
  columns.time = need("Abs Time(Sec)");
  columns.network = need("Network");
  columns.arb_id = need("Arb ID");
  columns.xtd = need("Xtd");
  for (std::size_t i = 0; i < 8; ++i) {
    columns.can_bytes[i] = need(("B" + std::to_string(i + 1)).c_str());
  }
  if (!missing.empty())
    return ParseError{0, "header lacks column(s): " + missing};
  if (auto remote = names.find("Remote"); remote != names.end())
    columns.remote = remote->second;
  auto pt = names.find("PT"), trgt = names.find("Trgt"),
       src = names.find("Src");
  if (pt != names.end() && trgt != names.end() && src != names.end()) {
    columns.mid = pt->second;
    columns.j1708_cells[0] = trgt->second;
    columns.j1708_cells[1] = src->second;
    for (std::size_t i = 0; i < 8; ++i)
      columns.j1708_cells[i + 2] = columns.can_bytes[i];
  }
  return columns;
}

// Ok(true) when added, Ok(false) when skipped.
Parsed<bool> AddCanRecord(const Row& row, const Columns& columns,
                          std::chrono::microseconds time, CaptureBuilder& out) {
  if (Cell(row, columns.xtd) != "T" ||
      (columns.remote && Cell(row, *columns.remote) == "T")) {
    return false;
  }
  auto id = vlrcommon::ParseHexNumber(Cell(row, columns.arb_id));
  if (!id || *id > kMaxJ1939Identifier) {
    return ParseError{0, "Arb ID '" + std::string(Cell(row, columns.arb_id)) +
                             "' is not a 29-bit hex identifier"};
  }
  std::vector<uint8_t> data;
  for (std::size_t index : columns.can_bytes) {
    std::string_view cell = Cell(row, index);
    if (cell.empty()) break;
    auto byte = vlrcommon::ParseHexNumber(cell, 2);
    if (!byte)
      return ParseError{
          0, "data byte '" + std::string(cell) + "' is not one hex byte"};
    data.push_back(static_cast<uint8_t>(*byte));
  }
  out.Add(time, vlrsim::Bus::kJ1939, *id, std::move(data));
  return true;
}

Parsed<bool> AddJ1708Record(const Row& row, const Columns& columns,
                            std::chrono::microseconds time,
                            CaptureBuilder& out) {
  if (!columns.mid)
    return ParseError{
        0, "J1708 record, but the header has no PT/Trgt/Src columns"};
  auto mid = vlrcommon::ParseHexNumber(Cell(row, *columns.mid), 2);
  if (!mid)
    return ParseError{0, "MID '" + std::string(Cell(row, *columns.mid)) +
                             "' is not one hex byte"};
  std::vector<uint8_t> bytes;
  for (std::size_t index : columns.j1708_cells) {
    std::string_view cell = Cell(row, index);
    if (cell.empty()) break;
    auto cell_bytes = vlrcommon::ParseHexBytes(cell);
    if (!cell_bytes)
      return ParseError{0,
                        "J1708 bytes '" + std::string(cell) + "' are not hex"};
    bytes.insert(bytes.end(), cell_bytes->begin(), cell_bytes->end());
  }
  unsigned sum = *mid;
  for (uint8_t byte : bytes) sum += byte;
  if (bytes.empty() || (sum & 0xFF) != 0) {
    return ParseError{
        0, "J1708 checksum does not match (MID and bytes must sum to 0)"};
  }
  bytes.pop_back();
  if (bytes.size() > kMaxJ1708Data)
    return ParseError{0, "J1708 message too long"};
  out.Add(time, vlrsim::Bus::kJ1708, *mid, std::move(bytes));
  return true;
}

Parsed<bool> AddRecord(const Row& row, const Columns& columns,
                       CaptureBuilder& out) {
  auto time = ParseSeconds(Cell(row, columns.time));
  if (!time)
    return ParseError{0, "time '" + std::string(Cell(row, columns.time)) +
                             "' is not decimal seconds"};
  std::string_view network = Cell(row, columns.network);
  if (network.find("J1708") != std::string_view::npos)
    return AddJ1708Record(row, columns, *time, out);
  if (network.find("CAN") != std::string_view::npos)
    return AddCanRecord(row, columns, *time, out);
  return false;
}

}  // namespace

Parsed<Capture> ReadNeoviCsv(std::istream& in) {
  ColumnNames names;
  std::optional<Columns> columns;
  CaptureBuilder builder;
  std::string line;
  std::size_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (IsHeaderRow(line)) {
      if (columns)
        return ParseError{number, "header row after the first record"};
      AddHeaderNames(SplitCsvRow(line), names);
      continue;
    }
    if (names.empty() || Trim(line).empty()) continue;  // preamble
    if (!columns) {
      auto found = FindColumns(names);
      if (!found) return ParseError{number - 1, found.error().message};
      columns = found.value();
    }
    auto added = AddRecord(SplitCsvRow(line), *columns, builder);
    if (!added) return ParseError{number, added.error().message};
    if (!added.value()) builder.Skip();
  }
  if (in.bad()) return ParseError{number, "read error"};
  if (names.empty())
    return ParseError{
        0,
        "no header row starting with 'Line,': not a neoVI bus-traffic export"};
  return builder.Take();
}

}  // namespace vlrscenario
