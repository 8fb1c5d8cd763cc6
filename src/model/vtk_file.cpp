// The VTK legacy file: a header of three lines (the version, a title, ASCII or BINARY), then
// keyword sections: DATASET UNSTRUCTURED_GRID, POINTS, CELLS (count-prefixed lists up to
// version 4.x, OFFSETS and CONNECTIVITY arrays from 5.0 on), CELL_TYPES, and the attributes
// of POINT_DATA and CELL_DATA (SCALARS with their LOOKUP_TABLE line, VECTORS, NORMALS,
// TENSORS, FIELD arrays, ...). Binary data is big-endian and follows its keyword line.
#include "vtk_file.h"

#include <algorithm>
#include <cmath>

#include "fe_model.h"
#include "file_input.h"
#include "imported_model.h"
#include "messages.h"
#include "progress.h"
#include "vtk_common.h"

namespace orv {

namespace {

using vtk::equalNoCase;
using vtk::shownWord;
using vtk::ValueType;

constexpr const char* kOpenError = " Error to open file .vtk";
constexpr std::string_view kMagic = "# vtk DataFile Version";

enum class Kind { Numbers, Strings, Unknown };

struct DataType {
    ValueType type = ValueType::Float32;
    Kind kind = Kind::Unknown;
};

// A legacy data type name. vtkIdType is written as a 4-byte int; long as 8 bytes.
DataType dataType(std::string_view word) {
    static const struct {
        const char* name;
        ValueType type;
    } kTypes[] = {
        {"bit", ValueType::Bit},
        {"unsigned_char", ValueType::UInt8},
        {"char", ValueType::Int8},
        {"signed_char", ValueType::Int8},
        {"unsigned_short", ValueType::UInt16},
        {"short", ValueType::Int16},
        {"unsigned_int", ValueType::UInt32},
        {"int", ValueType::Int32},
        {"unsigned_long", ValueType::UInt64},
        {"long", ValueType::Int64},
        {"unsigned_long_long", ValueType::UInt64},
        {"long_long", ValueType::Int64},
        {"float", ValueType::Float32},
        {"double", ValueType::Float64},
        {"vtkidtype", ValueType::Int32},
        {"vtktypeint8", ValueType::Int8},
        {"vtktypeuint8", ValueType::UInt8},
        {"vtktypeint16", ValueType::Int16},
        {"vtktypeuint16", ValueType::UInt16},
        {"vtktypeint32", ValueType::Int32},
        {"vtktypeuint32", ValueType::UInt32},
        {"vtktypeint64", ValueType::Int64},
        {"vtktypeuint64", ValueType::UInt64},
        {"vtktypefloat32", ValueType::Float32},
        {"vtktypefloat64", ValueType::Float64},
    };
    for (const auto& t : kTypes)
        if (equalNoCase(word, t.name)) return {t.type, Kind::Numbers};
    if (equalNoCase(word, "string") || equalNoCase(word, "utf8_string"))
        return {ValueType::UInt8, Kind::Strings};
    return {};
}

// A name as VTK writes it: characters other than printable ones (and '%') as %XX.
std::string decodedName(std::string_view word) {
    const auto hex = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    std::string name;
    for (size_t i = 0; i < word.size(); ++i) {
        if (word[i] == '%' && i + 2 < word.size() && hex(word[i + 1]) >= 0 &&
            hex(word[i + 2]) >= 0) {
            name += char(hex(word[i + 1]) * 16 + hex(word[i + 2]));
            i += 2;
        } else {
            name += word[i];
        }
    }
    return name;
}

// Where the attributes being read belong.
enum class Owner { DataSet, Points, Cells };

class LegacyReader {
  public:
    LegacyReader(Progress& progress, Messages& messages)
        : progress_(progress), messages_(messages) {}
    bool read(const std::string& path, ImportedModel& m);

  private:
    bool refuse(const std::string& text) {
        messages_.showError(text);
        return false;
    }
    std::string where(const char* at) const {
        return binary_ ? "byte " + std::to_string(at - begin_)
                       : "line " + std::to_string(vtk::lineOf(begin_, at));
    }
    bool damaged(const char* at, const std::string& what) {
        if (at >= end_) return cutOff("file");
        return refuse("The file is damaged at " + where(at) + ": " + what + "!");
    }
    // The file ends inside `what`.
    bool cutOff(const std::string& what) {
        if (binary_)
            return refuse("The file ends early: it is cut off in the " + what + " at byte " +
                          std::to_string(end_ - begin_) + "!");
        return refuse("The file ends early at line " + std::to_string(vtk::lineOf(begin_, end_)) +
                      ": it is cut off in the " + what + "!");
    }

    // --- words ---
    bool next(std::string_view& w);
    bool word(std::string_view& w, const std::string& section) {
        return next(w) || cutOff(section);
    }
    bool integer(int64_t& v, const std::string& what, const std::string& section, int64_t lo,
                 int64_t hi);
    bool type(DataType& t, const std::string& section, bool strings);
    bool restOfLineHasWord();
    bool lineEnd(const std::string& section);
    void skipLine();

    // --- data ---
    // Position of value i of data starting at `start`.
    const char* valueAt(const char* start, ValueType type, int64_t i) const;
    bool fits(int64_t count, ValueType type, const char* countAt, const std::string& what);
    template <class T>
    bool values(ValueType type, int64_t count, T* out, const std::string& section);
    bool skipValues(const DataType& t, int64_t count, const std::string& section);
    bool skipStrings(int64_t count, const std::string& section);
    void skipMetadata();

    // --- sections ---
    bool header(ImportedModel& m);
    bool points(ImportedModel& m);
    bool cells();
    bool cellTypes();
    bool attributeCount(Owner owner);
    bool field(ImportedModel& m);
    bool attribute(ImportedModel& m, std::string_view keyword);
    bool array(ImportedModel& m, const std::string& name, const DataType& t, int64_t components,
               int64_t tuples, const std::string& section);
    bool assemble(ImportedModel& m);
    const char* cellFaultAt(int64_t cell, int64_t type, const int64_t* ids, int64_t count,
                            int64_t listPosition, int64_t points) const;

    Progress& progress_;
    Messages& messages_;
    vtk::FileBytes file_;
    const char* begin_ = nullptr;
    const char* end_ = nullptr;
    const char* p_ = nullptr;
    const char* wordAt_ = nullptr;  // the last word read
    bool binary_ = false;
    bool offsetsLayout_ = false;  // version 5: OFFSETS and CONNECTIVITY

    bool dataSet_ = false;
    int64_t pointCount_ = -1;
    int64_t cellCount_ = -1;  // from CELLS or CELL_TYPES, whichever came first
    Owner owner_ = Owner::DataSet;

    // CELLS: a count-prefixed list (version 4), or offsets and connectivity (version 5).
    std::vector<int64_t> list_, offsets_;
    ValueType listType_ = ValueType::Int32, offsetsType_ = ValueType::Int64;
    const char* cellsAt_ = nullptr;  // the CELLS keyword
    const char* listAt_ = nullptr;   // data of the list or connectivity
    const char* offsetsAt_ = nullptr;
    std::vector<int64_t> types_;
    const char* typesAt_ = nullptr;

    std::vector<double> materials_;
    const char* materialsAt_ = nullptr;
    ValueType materialsType_ = ValueType::Int32;
    double time_ = 0.0;
    bool timeSeen_ = false;
};

// --- words ---

bool LegacyReader::next(std::string_view& w) {
    while (p_ < end_ && scan::isSpace(*p_))
        ++p_;
    if (p_ >= end_) return false;
    wordAt_ = p_;
    while (p_ < end_ && !scan::isSpace(*p_))
        ++p_;
    w = std::string_view(wordAt_, size_t(p_ - wordAt_));
    return true;
}

bool LegacyReader::integer(int64_t& v, const std::string& what, const std::string& section,
                           int64_t lo, int64_t hi) {
    std::string_view w;
    if (!word(w, section)) return false;
    const NumberStatus s = parseInteger(w, v);
    if (s == NumberStatus::Malformed)
        return damaged(wordAt_, what + " " + shownWord(w) + " is not an integer");
    if (s == NumberStatus::OutOfRange || v < lo || v > hi)
        return damaged(wordAt_, what + " " + shownWord(w) + " is out of range");
    return true;
}

bool LegacyReader::type(DataType& t, const std::string& section, bool strings) {
    std::string_view w;
    if (!word(w, section)) return false;
    t = dataType(w);
    if (t.kind == Kind::Unknown || (t.kind == Kind::Strings && !strings))
        return damaged(wordAt_, "the data type " + shownWord(w) + " of the " + section +
                                    " is not one VTK writes there");
    return true;
}

// Whether another word follows on the current line.
bool LegacyReader::restOfLineHasWord() {
    while (p_ < end_ && scan::isBlank(*p_))
        ++p_;
    return p_ < end_ && *p_ != '\n';
}

// Binary data starts after the line of its keyword, which must end after its words.
bool LegacyReader::lineEnd(const std::string& section) {
    if (!binary_) return true;
    if (restOfLineHasWord()) return damaged(p_, "the line of the " + section + " goes on");
    if (p_ >= end_) return cutOff(section);
    ++p_;
    return true;
}

void LegacyReader::skipLine() {
    const char* nl = static_cast<const char*>(std::memchr(p_, '\n', size_t(end_ - p_)));
    p_ = nl ? nl + 1 : end_;
}

// --- data ---

const char* LegacyReader::valueAt(const char* start, ValueType type, int64_t i) const {
    if (!binary_) return vtk::wordAt(start, end_, i);
    const int64_t offset = type == ValueType::Bit ? i / 8 : i * vtk::valueSize(type);
    return start + std::min<int64_t>(offset, end_ - start);
}

bool LegacyReader::fits(int64_t count, ValueType type, const char* countAt,
                        const std::string& what) {
    const int64_t rest = end_ - p_;
    const int64_t bound = !binary_                 ? vtk::countBound(rest + 1, 2)
                          : type == ValueType::Bit ? rest * 8
                                                   : rest / vtk::valueSize(type);
    if (count <= bound) return true;
    return damaged(countAt, what + " " + std::to_string(count) + " is more than the file can hold");
}

template <class T>
bool LegacyReader::values(ValueType type, int64_t count, T* out, const std::string& section) {
    if (binary_) {
        const int64_t bytes =
            type == ValueType::Bit ? (count + 7) / 8 : count * vtk::valueSize(type);
        if (end_ - p_ < bytes) return cutOff(section);
        vtk::convertValues(p_, type, true, size_t(count), out);
        p_ += bytes;
        return true;
    }
    const vtk::WordRun run = vtk::readWords(p_, end_, vtk::isInteger(type), size_t(count), out);
    if (run.fault == vtk::WordFault::End) return cutOff(section);
    if (run.fault == vtk::WordFault::Malformed) {
        std::string_view w;
        scan::word(run.stop, w);
        return damaged(run.stop, "the value " + shownWord(w) + " in the " + section + " is not " +
                                     (vtk::isInteger(type) ? "an integer" : "a number"));
    }
    p_ = run.stop;
    return true;
}

bool LegacyReader::skipValues(const DataType& t, int64_t count, const std::string& section) {
    if (t.kind == Kind::Strings) return skipStrings(count, section);
    constexpr int64_t kChunk = 4096;
    float scratch[kChunk];
    for (int64_t done = 0; done < count; done += kChunk)
        if (!values(t.type, std::min(kChunk, count - done), scratch, section)) return false;
    return true;
}

// Strings: in text one a line after the array's line; in binary each after its length, in
// one byte (0b11 and six bits), two (0b10 and 14 bits), four (0b01 and 30 bits) or eight.
bool LegacyReader::skipStrings(int64_t count, const std::string& section) {
    if (!binary_) {
        skipLine();
        for (int64_t i = 0; i < count; ++i) {
            if (p_ >= end_) return cutOff(section);
            skipLine();
        }
        return true;
    }
    for (int64_t i = 0; i < count; ++i) {
        if (p_ >= end_) return cutOff(section);
        const unsigned first = static_cast<unsigned char>(*p_);
        const int width = first >> 6 == 3 ? 1 : first >> 6 == 2 ? 2 : first >> 6 == 1 ? 4 : 8;
        if (end_ - p_ < width) return cutOff(section);
        uint64_t length = first & (width == 8 ? 0xFFu : 0x3Fu);
        for (int b = 1; b < width; ++b)
            length = length << 8 | static_cast<unsigned char>(p_[b]);
        p_ += width;
        if (length > uint64_t(end_ - p_)) return cutOff(section);
        p_ += length;
    }
    return true;
}

// METADATA (component names, information keys): lines up to a blank one.
void LegacyReader::skipMetadata() {
    skipLine();
    while (p_ < end_) {
        const char* line = p_;
        skipLine();
        if (std::all_of(line, p_, [](char c) { return scan::isSpace(c); })) return;
    }
}

// --- sections ---

bool LegacyReader::header(ImportedModel& m) {
    const char* nl = static_cast<const char*>(std::memchr(p_, '\n', size_t(end_ - p_)));
    const std::string_view first(p_, size_t((nl ? nl : end_) - p_));
    if (first.size() < kMagic.size() || !equalNoCase(first.substr(0, kMagic.size()), kMagic))
        return refuse("The file is damaged at line 1: it does not start with " + quoted(kMagic) +
                      " as a VTK file does!");
    std::string_view rest = first.substr(kMagic.size());
    while (!rest.empty() && scan::isSpace(rest.front()))
        rest.remove_prefix(1);
    int major = 0, minor = 0;
    size_t at = 0;
    while (at < rest.size() && scan::isDigit(rest[at]) && at < 4)
        major = major * 10 + (rest[at++] - '0');
    const bool hasMajor = at > 0;
    if (at < rest.size() && rest[at] == '.') ++at;
    const size_t minorStart = at;
    while (at < rest.size() && scan::isDigit(rest[at]) && at - minorStart < 4)
        minor = minor * 10 + (rest[at++] - '0');
    if (!hasMajor)
        return refuse("The file is damaged at line 1: the version " + shownWord(rest) +
                      " is not a number!");
    if (major > 5 || (major == 5 && minor > 1))
        return refuse("The file is a VTK file of version " + std::to_string(major) + "." +
                      std::to_string(minor) + ": versions up to 5.1 are read!");
    offsetsLayout_ = major >= 5;
    if (!nl) return cutOff("header");
    p_ = nl + 1;

    nl = static_cast<const char*>(std::memchr(p_, '\n', size_t(end_ - p_)));
    if (!nl) return cutOff("header");
    std::string_view title(p_, size_t(nl - p_));
    while (!title.empty() && scan::isSpace(title.back()))
        title.remove_suffix(1);
    m.title = std::string(title);
    p_ = nl + 1;

    std::string_view w;
    if (!word(w, "header")) return false;
    if (equalNoCase(w, "BINARY"))
        binary_ = true;
    else if (!equalNoCase(w, "ASCII"))
        return damaged(wordAt_, "the file type " + shownWord(w) + " is neither ASCII nor BINARY");
    skipLine();
    return true;
}

bool LegacyReader::points(ImportedModel& m) {
    const char* keyword = wordAt_;
    if (!dataSet_) return damaged(keyword, "the POINTS come before the DATASET line");
    if (pointCount_ >= 0) return damaged(keyword, "the points are given twice");
    int64_t n;
    if (!integer(n, "the point count", "POINTS", 0, INT32_MAX)) return false;
    const char* countAt = wordAt_;
    DataType t;
    if (!type(t, "POINTS", false) || !lineEnd("POINTS")) return false;
    if (!fits(n, t.type, countAt, "the point count") ||
        !fits(n * 3, t.type, countAt, "the point count"))
        return false;
    const char* start = p_;
    m.coords.resize(size_t(n) * 3);
    if (!values(t.type, n * 3, m.coords.data(), "POINTS")) return false;
    for (int64_t v = 0; v < n * 3; ++v)
        if (!std::isfinite(m.coords[size_t(v)]))
            return damaged(valueAt(start, t.type, v), "point " + std::to_string(v / 3) +
                                                          " has a coordinate that is not finite");
    m.labels.resize(size_t(n));
    for (int64_t i = 0; i < n; ++i)
        m.labels[size_t(i)] = i + 1;
    pointCount_ = n;
    progress_.setPosition(30);
    return true;
}

bool LegacyReader::cells() {
    cellsAt_ = wordAt_;
    if (!dataSet_) return damaged(cellsAt_, "the CELLS come before the DATASET line");
    if (listAt_) return damaged(cellsAt_, "the cells are given twice");
    int64_t n, size;
    if (!offsetsLayout_) {
        if (!integer(n, "the cell count", "CELLS", 0, INT32_MAX - 1)) return false;
        const char* countAt = wordAt_;
        if (!integer(size, "the size of the cell list", "CELLS", 0, INT64_MAX / 8)) return false;
        const char* sizeAt = wordAt_;
        if (!lineEnd("CELLS") || !fits(n, listType_, countAt, "the cell count") ||
            !fits(size, listType_, sizeAt, "the size of the cell list"))
            return false;
        if (cellCount_ >= 0 && n != cellCount_)
            return damaged(countAt, "the cell count " + std::to_string(n) + " differs from the " +
                                        std::to_string(cellCount_) + " CELL_TYPES");
        cellCount_ = n;
        listAt_ = p_;
        list_.resize(size_t(size));
        return values(listType_, size, list_.data(), "CELLS");
    }
    if (!integer(n, "the offset count", "CELLS", 0, INT32_MAX)) return false;
    const char* countAt = wordAt_;
    if (!integer(size, "the connectivity size", "CELLS", 0, INT64_MAX / 8)) return false;
    const char* sizeAt = wordAt_;
    if (!lineEnd("CELLS")) return false;
    const int64_t count = std::max<int64_t>(n - 1, 0);
    if (cellCount_ >= 0 && count != cellCount_)
        return damaged(countAt, "the cell count " + std::to_string(count) + " differs from the " +
                                    std::to_string(cellCount_) + " CELL_TYPES");
    cellCount_ = count;
    std::string_view w;
    DataType t;
    if (!word(w, "CELLS")) return false;
    if (!equalNoCase(w, "OFFSETS"))
        return damaged(wordAt_, "OFFSETS are due instead of " + shownWord(w));
    if (!type(t, "OFFSETS", false) || !lineEnd("OFFSETS")) return false;
    if (!vtk::isInteger(t.type) || t.type == ValueType::Bit)
        return damaged(wordAt_, "the OFFSETS are not integers");
    offsetsType_ = t.type;
    if (!fits(n, t.type, countAt, "the offset count")) return false;
    offsetsAt_ = p_;
    offsets_.resize(size_t(n));
    if (!values(t.type, n, offsets_.data(), "OFFSETS")) return false;
    if (!word(w, "CELLS")) return false;
    if (!equalNoCase(w, "CONNECTIVITY"))
        return damaged(wordAt_, "the CONNECTIVITY is due instead of " + shownWord(w));
    if (!type(t, "CONNECTIVITY", false) || !lineEnd("CONNECTIVITY")) return false;
    if (!vtk::isInteger(t.type) || t.type == ValueType::Bit)
        return damaged(wordAt_, "the CONNECTIVITY is not of integers");
    listType_ = t.type;
    if (!fits(size, t.type, sizeAt, "the connectivity size")) return false;
    listAt_ = p_;
    list_.resize(size_t(size));
    return values(t.type, size, list_.data(), "CONNECTIVITY");
}

bool LegacyReader::cellTypes() {
    const char* keyword = wordAt_;
    if (!dataSet_) return damaged(keyword, "the CELL_TYPES come before the DATASET line");
    if (typesAt_) return damaged(keyword, "the cell types are given twice");
    int64_t n;
    if (!integer(n, "the cell type count", "CELL_TYPES", 0, INT32_MAX - 1)) return false;
    const char* countAt = wordAt_;
    if (!lineEnd("CELL_TYPES") || !fits(n, ValueType::Int32, countAt, "the cell type count"))
        return false;
    if (cellCount_ >= 0 && n != cellCount_)
        return damaged(countAt, "the cell type count " + std::to_string(n) + " differs from the " +
                                    std::to_string(cellCount_) + " CELLS");
    cellCount_ = n;
    typesAt_ = p_;
    types_.resize(size_t(n));
    if (!values(ValueType::Int32, n, types_.data(), "CELL_TYPES")) return false;
    progress_.setPosition(60);
    return true;
}

bool LegacyReader::attributeCount(Owner owner) {
    const bool points = owner == Owner::Points;
    const char* keyword = wordAt_;
    const int64_t expected = points ? pointCount_ : cellCount_;
    const char* section = points ? "POINT_DATA" : "CELL_DATA";
    int64_t n;
    if (!integer(n, std::string("the ") + section + " count", section, 0, INT64_MAX)) return false;
    if (expected < 0)
        return damaged(keyword, std::string("the ") + section + " come before the " +
                                    (points ? "POINTS" : "CELLS"));
    if (n != expected)
        return damaged(wordAt_, std::string("the ") + section + " count " + std::to_string(n) +
                                    " differs from the " + std::to_string(expected) +
                                    (points ? " points" : " cells"));
    owner_ = owner;
    return true;
}

// An array of data set, point or cell attributes: point arrays of numbers become fields, a
// cell array of materials the materials, a data set array TimeValue the step's time; the
// others are read over.
bool LegacyReader::array(ImportedModel& m, const std::string& name, const DataType& t,
                         int64_t components, int64_t tuples, const std::string& section) {
    const bool numbers = t.kind == Kind::Numbers;
    if (owner_ == Owner::Points && numbers) {
        std::vector<float> v(size_t(tuples * components));
        if (!values(t.type, tuples * components, v.data(), section)) return false;
        vtk::addPointField(m, name, int32_t(components), std::move(v));
        return true;
    }
    if (owner_ == Owner::Cells && numbers && components == 1 && materialsAt_ == nullptr &&
        vtk::isMaterialName(name)) {
        materialsAt_ = p_;
        materialsType_ = t.type;
        materials_.resize(size_t(tuples));
        return values(t.type, tuples, materials_.data(), section);
    }
    if (owner_ == Owner::DataSet && numbers && !timeSeen_ && tuples * components > 0 &&
        vtk::isTimeName(name)) {
        std::vector<double> v(size_t(tuples * components));
        if (!values(t.type, tuples * components, v.data(), section)) return false;
        time_ = v[0];
        timeSeen_ = true;
        return true;
    }
    return skipValues(t, tuples * components, section);
}

// FIELD name count, then per array: name, components, tuples, type, and its values.
bool LegacyReader::field(ImportedModel& m) {
    int64_t arrays;
    std::string_view w;
    if (!word(w, "FIELD") || !integer(arrays, "the array count", "FIELD", 0, INT32_MAX))
        return false;
    for (int64_t a = 0; a < arrays; ++a) {
        if (!word(w, "FIELD")) return false;
        if (w == "NULL_ARRAY") continue;
        const std::string name = decodedName(w);
        const std::string section = "array " + vtk::arrayName(name);
        int64_t components, tuples;
        DataType t;
        if (!integer(components, "the component count", section, 1, INT32_MAX)) return false;
        const char* countAt = wordAt_;
        if (!integer(tuples, "the tuple count", section, 0, INT64_MAX)) return false;
        const char* tuplesAt = wordAt_;
        if (!type(t, section, true) || !lineEnd(section)) return false;
        const int64_t expected = owner_ == Owner::Points  ? pointCount_
                                 : owner_ == Owner::Cells ? cellCount_
                                                          : tuples;
        if (tuples != expected)
            return damaged(tuplesAt, "the " + section + " has " + std::to_string(tuples) +
                                         " tuples instead of " + std::to_string(expected));
        if (tuples > 0 && components > INT64_MAX / 8 / tuples)
            return damaged(tuplesAt, "the " + section + " has more values than a file can hold");
        if (!fits(components, t.type, countAt, "the component count") ||
            !fits(tuples, t.type, tuplesAt, "the tuple count") ||
            !fits(tuples * components, t.type, tuplesAt, "the value count of the " + section))
            return false;
        if (!array(m, name, t, components, tuples, section)) return false;
        // Component names and information keys of the array.
        const char* after = p_;
        if (next(w) && equalNoCase(w, "METADATA"))
            skipMetadata();
        else
            p_ = after;
    }
    return true;
}

// SCALARS, VECTORS, NORMALS, TENSORS and the attributes read over.
bool LegacyReader::attribute(ImportedModel& m, std::string_view keyword) {
    const char* keywordAt = wordAt_;
    const std::string key(keyword);
    if (owner_ == Owner::DataSet)
        return damaged(keywordAt, "the " + key + " come before POINT_DATA or CELL_DATA");
    const int64_t tuples = owner_ == Owner::Points ? pointCount_ : cellCount_;
    std::string_view w;
    if (!word(w, key)) return false;
    const std::string name = decodedName(w);
    const std::string section = key + " " + vtk::arrayName(name);
    int64_t components = 1;
    DataType t;
    bool shown = true;  // read as a field or material when it fits
    if (equalNoCase(key, "LOOKUP_TABLE") || equalNoCase(key, "COLOR_SCALARS")) {
        // Colours: text reals, binary bytes.
        const bool table = equalNoCase(key, "LOOKUP_TABLE");
        int64_t n;
        if (!integer(n, table ? "the table size" : "the component count", section, 0, INT32_MAX))
            return false;
        const char* countAt = wordAt_;
        if (!lineEnd(section)) return false;
        t = {binary_ ? ValueType::UInt8 : ValueType::Float32, Kind::Numbers};
        const int64_t count = table ? n * 4 : n * tuples;
        if (!fits(n, t.type, countAt, "the count") || !fits(count, t.type, countAt, "the count"))
            return false;
        return skipValues(t, count, section);
    }
    if (equalNoCase(key, "TEXTURE_COORDINATES")) {
        if (!integer(components, "the dimension", section, 1, 3)) return false;
        shown = false;
    }
    if (!type(t, section, !shown || equalNoCase(key, "PEDIGREE_IDS"))) return false;
    if (equalNoCase(key, "SCALARS")) {
        if (restOfLineHasWord() &&
            !integer(components, "the component count", section, 1, INT32_MAX))
            return false;
        // The LOOKUP_TABLE line that follows SCALARS names the table of the colours.
        if (restOfLineHasWord()) return damaged(p_, "the line of the " + section + " goes on");
        skipLine();
        const char* before = p_;
        std::string_view table;
        if (next(w) && equalNoCase(w, "LOOKUP_TABLE")) {
            if (!word(table, section) || !lineEnd(section)) return false;
        } else {
            p_ = before;
        }
    } else {
        if (equalNoCase(key, "VECTORS") || equalNoCase(key, "NORMALS"))
            components = 3;
        else if (equalNoCase(key, "TENSORS"))
            components = 9;
        else if (equalNoCase(key, "TENSORS6"))
            components = 6;
        else if (!equalNoCase(key, "TEXTURE_COORDINATES"))
            shown = false;  // GLOBAL_IDS, PEDIGREE_IDS, EDGE_FLAGS
        if (!lineEnd(section)) return false;
    }
    if (!fits(tuples * components, t.type, keywordAt, "the value count of the " + section))
        return false;
    if (!shown) return skipValues(t, tuples * components, section);
    return array(m, name, t, components, tuples, section);
}

// The position of the value that makes cell `cell` damaged.
const char* LegacyReader::cellFaultAt(int64_t cell, int64_t type, const int64_t* ids, int64_t count,
                                      int64_t listPosition, int64_t points) const {
    CellShape shape;
    if (!vtk::cellShape(type, shape)) return valueAt(typesAt_, ValueType::Int32, cell);
    if (count != cellShapeNodes(shape))
        return offsetsLayout_ ? valueAt(offsetsAt_, offsetsType_, cell + 1)
                              : valueAt(listAt_, listType_, listPosition - 1);
    int64_t j = 0;
    while (j < count && uint64_t(ids[j]) < uint64_t(points))
        ++j;
    return valueAt(listAt_, listType_, listPosition + j);
}

// The cells from the list (or offsets and connectivity) and the types, with their materials.
bool LegacyReader::assemble(ImportedModel& m) {
    if (listAt_ && !typesAt_) return damaged(cellsAt_, "the CELLS have no CELL_TYPES after them");
    if (typesAt_ && !listAt_) return damaged(typesAt_, "the CELL_TYPES have no CELLS before them");
    const int64_t points = std::max<int64_t>(pointCount_, 0);
    if (listAt_ && pointCount_ < 0) return damaged(cellsAt_, "the CELLS have no POINTS");
    vtk::CellAssembler cells(m, points);
    const int64_t n = std::max<int64_t>(cellCount_, 0);
    const int64_t size = int64_t(list_.size());
    m.cells.reserve(size_t(n));
    m.cellNodes.reserve(size_t(size));
    if (offsetsLayout_ && n > 0 && offsets_[0] != 0)
        return damaged(offsetsAt_,
                       "the first offset is " + std::to_string(offsets_[0]) + " instead of 0");
    int64_t at = 0;  // list position of the cell's first point
    for (int64_t i = 0; i < n; ++i) {
        int64_t count;
        if (offsetsLayout_) {
            count = offsets_[size_t(i + 1)] - offsets_[size_t(i)];
            if (offsets_[size_t(i + 1)] < offsets_[size_t(i)] || offsets_[size_t(i + 1)] > size)
                return damaged(valueAt(offsetsAt_, offsetsType_, i + 1),
                               "the offset " + std::to_string(offsets_[size_t(i + 1)]) +
                                   " of cell " + std::to_string(i) + " is outside " +
                                   std::to_string(offsets_[size_t(i)]) + ".." +
                                   std::to_string(size));
            at = offsets_[size_t(i)];
        } else {
            if (at >= size)
                return damaged(valueAt(listAt_, listType_, std::min(at, size)),
                               "the cell list ends before cell " + std::to_string(i));
            count = list_[size_t(at)];
            if (count < 0 || count > size - at - 1)
                return damaged(valueAt(listAt_, listType_, at),
                               "cell " + std::to_string(i) + " has " + std::to_string(count) +
                                   " points, more than the cell list holds");
            ++at;
        }
        const int64_t* ids = list_.data() + at;
        if (!cells.add(types_[size_t(i)], ids, count))
            return damaged(cellFaultAt(i, types_[size_t(i)], ids, count, at, points),
                           cells.fault(types_[size_t(i)], ids, count));
        at += count;
    }
    const int64_t end = offsetsLayout_ ? (n > 0 ? offsets_[size_t(n)] : 0) : at;
    if (end != size)
        return damaged(offsetsLayout_ ? valueAt(offsetsAt_, offsetsType_, n)
                                      : valueAt(listAt_, listType_, end),
                       "the cell list holds " + std::to_string(size) + " values where its " +
                           std::to_string(n) + " cells take " + std::to_string(end));
    cells.finish();
    std::vector<int64_t>().swap(list_);
    std::vector<int64_t>().swap(offsets_);
    int64_t bad;
    if (materialsAt_ && !vtk::applyMaterials(m, materials_, bad))
        return damaged(valueAt(materialsAt_, materialsType_, bad),
                       "the material " + vtk::shownValue(materials_[size_t(bad)]) + " of cell " +
                           std::to_string(bad) + " is not an integer");
    return true;
}

bool LegacyReader::read(const std::string& path, ImportedModel& m) {
    if (!file_.read(path)) return refuse(kOpenError);
    begin_ = p_ = file_.data();
    end_ = begin_ + file_.size();
    progress_.setText("Read geometry model ...");
    progress_.setPosition(0);
    if (!header(m)) return false;
    std::string_view w;
    while (next(w)) {
        if (equalNoCase(w, "DATASET")) {
            const char* keyword = wordAt_;
            if (dataSet_) return damaged(keyword, "a second DATASET line");
            if (!word(w, "DATASET")) return false;
            if (!equalNoCase(w, "UNSTRUCTURED_GRID"))
                return refuse("The file holds a data set of the kind " + shownWord(w) +
                              ": only UNSTRUCTURED_GRID is read!");
            dataSet_ = true;
        } else if (equalNoCase(w, "POINTS")) {
            if (!points(m)) return false;
        } else if (equalNoCase(w, "CELLS")) {
            if (!cells()) return false;
        } else if (equalNoCase(w, "CELL_TYPES")) {
            if (!cellTypes()) return false;
        } else if (equalNoCase(w, "POINT_DATA")) {
            if (!attributeCount(Owner::Points)) return false;
        } else if (equalNoCase(w, "CELL_DATA")) {
            if (!attributeCount(Owner::Cells)) return false;
        } else if (equalNoCase(w, "FIELD")) {
            if (!dataSet_) return damaged(wordAt_, "the FIELD comes before the DATASET line");
            if (!field(m)) return false;
        } else if (equalNoCase(w, "METADATA")) {
            skipMetadata();
        } else if (equalNoCase(w, "SCALARS") || equalNoCase(w, "VECTORS") ||
                   equalNoCase(w, "NORMALS") || equalNoCase(w, "TENSORS") ||
                   equalNoCase(w, "TENSORS6") || equalNoCase(w, "TEXTURE_COORDINATES") ||
                   equalNoCase(w, "LOOKUP_TABLE") || equalNoCase(w, "COLOR_SCALARS") ||
                   equalNoCase(w, "GLOBAL_IDS") || equalNoCase(w, "PEDIGREE_IDS") ||
                   equalNoCase(w, "EDGE_FLAGS")) {
            if (!attribute(m, w)) return false;
        } else {
            return damaged(wordAt_, shownWord(w) + " is not a keyword of a VTK file");
        }
    }
    if (!dataSet_) return cutOff("header: the DATASET line is missing");
    if (!assemble(m)) return false;
    m.stepValues = {time_};
    progress_.setPosition(90);
    return true;
}

}  // namespace

bool readVtkFile(FeModel& model, const std::string& path, Progress& progress, Messages& messages) {
    ImportedModel imported;
    {
        LegacyReader reader(progress, messages);
        if (!reader.read(path, imported)) return discardFailedRead(model);
    }
    return buildImportedModel(imported, model, progress, messages);
}

}  // namespace orv
