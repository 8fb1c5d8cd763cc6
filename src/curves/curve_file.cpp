#include "curve_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>

#include "file_input.h"
#include "messages.h"
#include "number_format.h"
#include "safe_file_writer.h"

namespace orv {

namespace {

constexpr const char* kOpenError = " Error to open file";
constexpr const char* kWriteError = " Error to write file";

// Byte counts of up to 2^31 rows and columns pass 2^64.
__extension__ typedef unsigned __int128 Wide;

int32_t intAt(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Decimal text of a byte count.
std::string byteCount(Wide n) {
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(n % 10)));
        n /= 10;
    } while (n > 0);
    return digits;
}

// The bytes of a curve file, or its first bytes when `fileSize` says it is longer: then the
// counts must already refuse it before anything past `bytes` is needed.
class CurveParser {
  public:
    CurveParser(std::span<const uint8_t> bytes, int64_t fileSize, Messages& messages)
        : bytes_(bytes), fileSize_(fileSize), messages_(messages) {}

    bool parse(CurveTable& out) {
        if (fileSize_ < 8)
            return damaged("it holds " + std::to_string(fileSize_) +
                           " bytes, fewer than the 8 of its row and column counts");
        const int32_t rows = intAt(bytes_.data()), columns = intAt(bytes_.data() + 4);
        if (rows == 1) {
            messages_.showMessage("There is only one computation step!");
            return false;
        }
        if (rows <= 0) return damaged("the row count " + std::to_string(rows) + " is not positive");
        if (columns <= 0)
            return damaged("the column count " + std::to_string(columns) + " is not positive");
        const auto least = 8 + Wide(columns) * 4 + Wide(rows) * unsigned(columns) * 4;
        const std::string counts = std::to_string(rows) + " rows of " + std::to_string(columns) +
                                   (columns == 1 ? " column" : " columns");
        if (Wide(fileSize_) < least)
            return damaged(counts + " need at least " + byteCount(least) +
                           " bytes, the file holds " + std::to_string(fileSize_));

        // Every count is now bounded by the file's size, and the bytes are the whole file.
        if (bytes_.size() < size_t(fileSize_)) return damaged("it could not be read whole");
        CurveTable table;
        table.rowCount = rows;
        table.names.resize(size_t(columns));
        size_t at = 8;
        for (int32_t c = 0; c < columns; ++c) {
            if (size_t(fileSize_) - at < 4) return endsInName(c);
            const int32_t length = intAt(bytes_.data() + at);
            at += 4;
            if (length < 0 || length > kMaxCurveNameLength)
                return damaged("the name of column " + std::to_string(c + 1) + " has the length " +
                               std::to_string(length) + ", not 0 to 19");
            if (size_t(fileSize_) - at < size_t(length)) return endsInName(c);
            table.names[size_t(c)].assign(reinterpret_cast<const char*>(bytes_.data() + at),
                                          size_t(length));
            at += size_t(length);
        }
        const size_t count = size_t(rows) * size_t(columns);
        const size_t left = size_t(fileSize_) - at;
        if (left < 4 * count)
            return damaged("it ends inside the values: " + std::to_string(left / 4) + " of the " +
                           std::to_string(count) + " values are there");
        table.values.resize(count);
        std::memcpy(table.values.data(), bytes_.data() + at, 4 * count);
        out = std::move(table);
        return true;
    }

  private:
    bool damaged(const std::string& what) {
        messages_.showError("The curve file is damaged: " + what + "!");
        return false;
    }
    bool endsInName(int32_t c) {
        return damaged("it ends inside the name of column " + std::to_string(c + 1));
    }

    std::span<const uint8_t> bytes_;
    int64_t fileSize_;
    Messages& messages_;
};

// A regular file opened with the result readers' checks, read by offset without their buffer.
class CurveInput : public FileInput {
  public:
    CurveInput() : FileInput(0) {}
    // Reads up to n bytes from the start: the count read, fewer when the file ends first, or
    // -1 with the system's reason recorded.
    int64_t readFront(void* to, size_t n) const {
        size_t done = 0;
        while (done < n) {
            const ssize_t got = ::pread(fd_, static_cast<char*>(to) + done, n - done, off_t(done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                recordSystemError(errno);
                return -1;
            }
            if (got == 0) break;
            done += size_t(got);
        }
        return int64_t(done);
    }
};

// A name as written: at most 19 bytes, not cut inside a UTF-8 sequence.
std::string_view writtenName(const std::string& name) {
    size_t n = std::min(name.size(), size_t(kMaxCurveNameLength));
    if (n < name.size())
        while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80)
            --n;
    return std::string_view(name).substr(0, n);
}

void appendNumber(std::string& out, float v) {
    char text[40];
    out.append(text, size_t(formatScientific(text, v, 6)));
}

// A name as an export cell: tabs and line ends would break the rows, so they become blanks.
void appendCell(std::string& out, const std::string& name) {
    for (char c : name)
        out += c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
}

bool validColumn(const CurveTable& table, int32_t c) {
    return c >= 0 && c < table.columnCount();
}

}  // namespace

std::vector<std::pair<float, float>> columnRanges(const CurveTable& table) {
    const size_t columns = table.names.size();
    std::vector<std::pair<float, float>> ranges(columns, std::pair(0.0f, 0.0f));
    std::vector<bool> seen(columns, false);
    const size_t rows =
        columns == 0 ? 0
                     : std::min(size_t(std::max(table.rowCount, 0)), table.values.size() / columns);
    for (size_t r = 0; r < rows; ++r)
        for (size_t c = 0; c < columns; ++c) {
            const float v = table.values[r * columns + c];
            if (!std::isfinite(v)) continue;
            auto& [lo, hi] = ranges[c];
            if (!seen[c] || v < lo) lo = v;
            if (!seen[c] || v > hi) hi = v;
            seen[c] = true;
        }
    for (size_t c = 0; c < columns; ++c)
        if (!seen[c]) ranges[c] = {0.0f, 0.0f};
    return ranges;
}

bool readCurveBytes(std::span<const uint8_t> bytes, CurveTable& table, Messages& messages) {
    return CurveParser(bytes, int64_t(bytes.size()), messages).parse(table);
}

bool readCurveFile(const std::string& path, CurveTable& table, Messages& messages) {
    CurveInput in;
    if (!in.open(path)) {
        messages.showError(kOpenError, " .cdb");
        return false;
    }
    const auto cannotRead = [&] {
        messages.showError("The curve file could not be read!");
        return false;
    };
    // The counts decide how much of the file is needed: a file shorter than its counts need
    // is refused on its first 8 bytes, and of a longer one only what the counts can take is
    // read (bytes after the last value are not part of the table), so that a small header
    // never makes a large read.
    uint8_t head[8];
    const int64_t headBytes = in.readFront(head, 8);
    if (headBytes < 0) return cannotRead();
    if (headBytes < 8)
        return CurveParser({head, size_t(headBytes)}, headBytes, messages).parse(table);
    const int64_t size = in.size();
    const int32_t rows = intAt(head), columns = intAt(head + 4);
    const Wide values = Wide(rows) * unsigned(columns) * 4;
    const Wide least = 8 + Wide(columns) * 4 + values;
    const Wide most = least + Wide(columns) * kMaxCurveNameLength;
    const bool countsFit = rows > 1 && columns > 0 && Wide(size) >= least;
    const size_t wanted = countsFit ? size_t(std::min(Wide(size), most)) : 8;
    try {
        std::vector<uint8_t> bytes(wanted);
        const int64_t got = in.readFront(bytes.data(), wanted);
        if (got < 0) return cannotRead();
        // Counts that do not fit are refused on the file's size; otherwise what was read is
        // the table's part of the file (a file cut while it is read is read as it is now).
        bytes.resize(size_t(got));
        return CurveParser(bytes, countsFit ? got : size, messages).parse(table);
    } catch (const std::bad_alloc&) {
        messages.showError("The curve file is too large for the memory available: " +
                           std::to_string(size) + " bytes!");
        return false;
    }
}

bool writeCurveFile(const std::string& path, const CurveTable& table, Messages& messages) {
    const int32_t columns = table.columnCount();
    if (table.rowCount < 2 || columns == 0 ||
        table.values.size() != size_t(table.rowCount) * size_t(columns)) {
        // A table of one row, or none, would give a file that the reader refuses.
        messages.showError(
            "The curve table needs at least two rows and a column: nothing is "
            "written to " +
            path + "!");
        return false;
    }
    SafeFileWriter out;
    if (!out.open(path)) {
        messages.showError(kOpenError, path);
        return false;
    }
    const auto putInt = [&](int32_t v) { out.write(&v, 4); };
    putInt(table.rowCount);
    putInt(columns);
    for (const std::string& name : table.names) {
        const std::string_view n = writtenName(name);
        putInt(int32_t(n.size()));
        out.write(n.data(), n.size());
    }
    out.write(table.values.data(), 4 * table.values.size());
    if (!out.commit()) {
        messages.showError(kWriteError, path);
        return false;
    }
    return true;
}

std::string exportText(const CurveTable& table, int32_t xColumn,
                       std::span<const int32_t> yColumns) {
    std::string out;
    for (int32_t y : yColumns)
        if (validColumn(table, y)) {
            out += '\t';
            appendCell(out, table.names[size_t(y)]);
        }
    out += "\r\n";
    if (!validColumn(table, xColumn)) return out;
    const size_t columns = table.names.size();
    const size_t rows =
        std::min(size_t(std::max(table.rowCount, 0)), table.values.size() / columns);
    for (size_t r = 0; r < rows; ++r) {
        appendNumber(out, table.values[r * columns + size_t(xColumn)]);
        out += '\t';
        for (int32_t y : yColumns)
            if (validColumn(table, y)) {
                appendNumber(out, table.values[r * columns + size_t(y)]);
                out += '\t';
            }
        out += "\r\n";
    }
    return out;
}

bool exportCurve(const std::string& path, const CurveTable& table, int32_t xColumn,
                 std::span<const int32_t> yColumns, Messages& messages) {
    SafeFileWriter out;
    if (!out.open(path)) {
        messages.showError(kOpenError, path);
        return false;
    }
    out.write(exportText(table, xColumn, yColumns));
    if (!out.commit()) {
        messages.showError(kWriteError, path);
        return false;
    }
    return true;
}

}  // namespace orv
