#pragma once
// Curve files (.cdb): a small binary table of named float columns, little-endian, no padding:
// rowCount and columnCount (int32), columnCount name records (int32 length L, then L
// characters without terminator, L at most 19), then rowCount x columnCount float32 values,
// row after row. The first column is the abscissa ("Time" or "Distance" in the tables this
// system computes). Export files (.xls) are tab-separated text with CR LF lines.
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace orv {

class Messages;

constexpr int kMaxCurveNameLength = 19;

// A whole curve table in memory.
struct CurveTable {
    int32_t rowCount = 0;
    std::vector<std::string> names;  // one per column
    std::vector<float> values;       // rowCount x columnCount, row after row

    int32_t columnCount() const { return int32_t(names.size()); }
    bool empty() const { return names.empty() || rowCount == 0; }
    float value(int32_t row, int32_t column) const {
        return values[size_t(row) * names.size() + size_t(column)];
    }
};

// (min, max) of each column over all rows; a non-finite value never enters a range, and a
// column without finite values has the range (0, 0).
std::vector<std::pair<float, float>> columnRanges(const CurveTable& table);

// Reads a whole curve file. Refusals leave `table` untouched and say why:
//  - the file cannot be opened: " Error to open file .cdb" in the "Error" box;
//  - rowCount 1: "There is only one computation step!" in the "Message" box;
//  - negative or zero counts, a name length outside 0..19, counts that promise more bytes
//    than the file holds, or a file that ends early: an "Error" box naming the fault.
// The counts are checked against the file size before anything is allocated.
bool readCurveFile(const std::string& path, CurveTable& table, Messages& messages);
// The same on bytes in memory (the fuzz target's entry).
bool readCurveBytes(std::span<const uint8_t> bytes, CurveTable& table, Messages& messages);

// Writes the table through the safe writer (the old file stays intact on any failure); names
// longer than 19 characters are cut to 19 so that the reader accepts what is written.
// Failure: " Error to open file" followed by the path in the "Error" box.
bool writeCurveFile(const std::string& path, const CurveTable& table, Messages& messages);

// The export text: line 1 a tab and the name of each Y column (no tab at the end), then per row
// the X value and a tab, then each Y value and a tab; numbers as 1.500000e+002; CR LF lines.
std::string exportText(const CurveTable& table, int32_t xColumn, std::span<const int32_t> yColumns);
// Writes exportText through the safe writer; failure: " Error to open file" followed by the
// path in the "Error" box.
bool exportCurve(const std::string& path, const CurveTable& table, int32_t xColumn,
                 std::span<const int32_t> yColumns, Messages& messages);

}  // namespace orv
