// Fuzz target for the curve-file reader: every input is read as a .cdb, from memory and from a
// file. A refusal shows one box of the reader's forms and leaves the table as it was; an
// accepted table is sound, has finite ranges, exports a line per row, and is written back to
// the bytes it was read from (without any after its last value).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "curve_file.h"
#include "fuzz_common.h"

namespace {

using orvfuzz::check;

bool sameTable(const orv::CurveTable& a, const orv::CurveTable& b) {
    return a.rowCount == b.rowCount && a.names == b.names && a.values.size() == b.values.size() &&
           (a.values.empty() ||
            std::memcmp(a.values.data(), b.values.data(), 4 * a.values.size()) == 0);
}

void checkRefusal(const orvfuzz::RecordingMessages& messages) {
    check(messages.boxes.size() == 1, "a refused curve file shows one box");
    const orv::MessageBox& box = messages.boxes[0];
    check((box.title == "Error" && box.text.starts_with("The curve file is damaged: ") &&
           box.text.ends_with("!")) ||
              (box.title == "Message" && box.text == "There is only one computation step!"),
          "a refused curve file says why in the reader's words");
}

void checkAccepted(const orv::CurveTable& table, const orvfuzz::RecordingMessages& messages) {
    check(messages.boxes.empty(), "an accepted curve file shows no box");
    const int32_t columns = table.columnCount();
    check(table.rowCount >= 2 && columns >= 1, "an accepted table has two rows and a column");
    check(table.values.size() == size_t(table.rowCount) * size_t(columns),
          "an accepted table holds every value");
    for (const std::string& name : table.names)
        check(name.size() <= size_t(orv::kMaxCurveNameLength), "a column name is cut to 19");
    for (const auto& [lo, hi] : orv::columnRanges(table))
        check(std::isfinite(lo) && std::isfinite(hi) && lo <= hi, "a column range is finite");
    std::vector<int32_t> y(size_t(columns - 1));
    for (int32_t c = 1; c < columns; ++c)
        y[size_t(c - 1)] = c;
    const std::string text = orv::exportText(table, 0, y);
    check(size_t(std::count(text.begin(), text.end(), '\n')) == size_t(table.rowCount) + 1,
          "the export has a header and a line per row");
    check(size_t(std::count(text.begin(), text.end(), '\t')) ==
              size_t(columns - 1) + size_t(table.rowCount) * size_t(columns),
          "the export has a cell per column");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orv::CurveTable before;
    before.rowCount = 2;
    before.names = {"kept"};
    before.values = {1.0f, 2.0f};

    orv::CurveTable table = before;
    orvfuzz::RecordingMessages messages;
    const bool accepted = orv::readCurveBytes({data, size}, table, messages);
    orvfuzz::lastInputAccepted = accepted;
    if (accepted) {
        checkAccepted(table, messages);
    } else {
        checkRefusal(messages);
        check(sameTable(table, before), "a refused curve file leaves the table as it was");
    }

    // The same bytes as a file: the same outcome, and an accepted table written back whole.
    orvfuzz::Scratch& scratch = orvfuzz::Scratch::get();
    scratch.put("input.cdb", data, size);
    orv::CurveTable fromFile = before;
    orvfuzz::RecordingMessages fileMessages;
    check(orv::readCurveFile(scratch.path("input.cdb"), fromFile, fileMessages) == accepted,
          "a curve file is read as its bytes are");
    check(fileMessages.boxes.size() == messages.boxes.size() &&
              std::equal(messages.boxes.begin(), messages.boxes.end(), fileMessages.boxes.begin(),
                         [](const orv::MessageBox& a, const orv::MessageBox& b) {
                             return a.title == b.title && a.text == b.text;
                         }),
          "a curve file is refused as its bytes are");
    check(sameTable(fromFile, table), "a curve file gives the table its bytes give");
    if (accepted) {
        orvfuzz::RecordingMessages writeMessages;
        check(orv::writeCurveFile(scratch.path("back.cdb"), table, writeMessages),
              "an accepted table is written");
        // Bytes after the last value are not part of the table.
        const std::string back = scratch.contents("back.cdb");
        check(back.size() <= size && std::memcmp(back.data(), data, back.size()) == 0,
              "an accepted table is written back to the bytes it was read from");
        scratch.expectOnly({"input.cdb", "back.cdb"});
    }
    scratch.clear();
    return 0;
}
