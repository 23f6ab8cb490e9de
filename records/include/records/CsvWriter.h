// The two kinds of line a record file is made of, in the dialect CCSVLineParser reads.
// Texts are written as they are: no quote doubling and no escaping, so a cell holding a
// quote followed by a comma splits its row when the file is read back (the dialect has no
// way to say otherwise).
#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace records {

// Titles are cut to at most this many bytes (never inside a UTF-8 character).
inline constexpr std::size_t kCsvTitleMaxBytes = 255;

// The header line: each title, unquoted and followed by a comma, then CR LF.
// {"p", "q", "r"} gives "p,q,r,\r\n"; no titles give "\r\n".
std::string CsvHeaderLine(std::span<const std::string> titles);

// A data line: each cell in double quotes followed by a comma, then CR LF.
// {"1", "x", "y"} gives "\"1\",\"x\",\"y\",\r\n". Cells are written whole, however long.
std::string CsvDataLine(std::span<const std::string> cells);

}  // namespace records
