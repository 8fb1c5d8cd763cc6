#include "frd_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "fe_model.h"
#include "file_input.h"
#include "imported_model.h"
#include "messages.h"
#include "progress.h"

namespace orv {

namespace {

// The blocks of a .frd file (as ccx writes it) are lines in fixed columns: a header line per
// block ("    2C" nodes, "    3C" elements, "  100C" results; "    1C", "    1U", "    1P"
// name, user and parameter lines), records keyed " -1" (a node, an element, a node's values),
// " -2" (more of the record), " -4" and " -5" (a result block's name and components), " -3"
// ending each text block, and " 9999" ending the file. A block's last header field says how
// its records are written: 0 short (labels of 5 digits), 1 long (10 digits), 2 binary with
// floats, 3 binary with doubles; binary records follow their header line directly and no
// " -3" ends them.

constexpr size_t kMaxLine = size_t(1) << 16;
constexpr int kFieldWidth = 12;  // of every real

// ccx's element types by number: name, nodes, and the shape shown (none for -1).
struct CcxType {
    const char* name;
    int nodes;
    int shape;
};
constexpr CcxType kCcxTypes[] = {
    {"", 0, -1},
    {"he8", 8, int(CellShape::Hexa8)},
    {"pe6", 6, -1},
    {"te4", 4, int(CellShape::Tetra4)},
    {"he20", 20, -1},
    {"pe15", 15, -1},
    {"te10", 10, -1},
    {"tr3", 3, int(CellShape::Triangle3)},
    {"tr6", 6, int(CellShape::Triangle6)},
    {"qu4", 4, int(CellShape::Quad4)},
    {"qu8", 8, int(CellShape::Quad8)},
    {"be2", 2, int(CellShape::Line2)},
    {"be3", 3, -1},
};
constexpr int kMaxCcxNodes = 20;

// The characters [at, at + width) of a line, fewer (or none) where the line ends before.
std::string_view field(std::string_view line, size_t at, size_t width) {
    if (at >= line.size()) return {};
    return line.substr(at, width);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A right-aligned integer field (blanks, an optional sign, digits, blanks); false when it
// holds anything else or nothing.
bool integerField(std::string_view f, int64_t& v) {
    const char* p = f.data();
    const char* end = p + f.size();
    while (p < end && *p == ' ')
        ++p;
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    const char* digits = p;
    uint64_t x = 0;
    while (p < end && scan::isDigit(*p) && p - digits < 18)
        x = x * 10 + unsigned(*p++ - '0');
    if (p == digits) return false;
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    if (p != end) return false;
    v = negative ? -int64_t(x) : int64_t(x);
    return true;
}

// A real field, as the double it reads.
bool realField(std::string_view f, double& v) {
    f = trimmed(f);
    if (f.empty()) return false;
    const char* first = f.data();
    if (*first == '+') ++first;
    const auto r = std::from_chars(first, f.data() + f.size(), v);
    return r.ec == std::errc() && r.ptr == f.data() + f.size();
}

// A real field as the nearest float: a value below the float range reads as 0 (or a
// subnormal), one beyond it is refused.
bool floatField(std::string_view f, float& v) {
    f = trimmed(f);
    if (f.empty()) return false;
    const char* first = f.data();
    const char* last = f.data() + f.size();
    if (*first == '+') ++first;
    auto r = std::from_chars(first, last, v);
    if (r.ec == std::errc() && r.ptr == last) return true;
    if (r.ec != std::errc::result_out_of_range) return false;
    double d;
    r = std::from_chars(first, last, d);
    if (r.ec != std::errc() || r.ptr != last || std::fabs(d) > std::numeric_limits<float>::max())
        return false;
    v = float(d);
    return true;
}

// What a result block gives a step.
enum class Kind { Displacement, Stress, Other };

struct Step {
    double value = 0.0;
    int64_t number = 0;
    int64_t analysis = 0;             // ICTYPE: 2 for a frequency
    std::vector<float> displacement;  // nodes x 3, empty when the step has none
    std::vector<float> stress;        // 6 x nodes (SXX SYY SZZ SXY SYZ SZX), or empty
};

class FrdReader {
  public:
    FrdReader(Progress& progress, Messages& messages) : progress_(progress), messages_(messages) {}
    bool read(const std::string& path, FeModel& model);

  private:
    // --- refusals ---
    bool refuse(const std::string& text) {
        messages_.showError(text);
        return false;
    }
    // Damage in the line last read: by its line, or by its first byte once binary records
    // were passed (their bytes hold line ends that are no lines).
    bool damaged(const std::string& what) {
        if (binaryPassed_) return damagedAt(lineStart_, what);
        return refuse("The file is damaged at line " + std::to_string(line_) + ": " + what + "!");
    }
    bool damagedAt(int64_t byte, const std::string& what) {
        return refuse("The file is damaged at byte " + std::to_string(byte) + ": " + what + "!");
    }
    // The file ends where `what` is due.
    bool endsEarly(const std::string& what, const char* block) {
        if (binaryPassed_)
            return refuse("The file ends early: it is cut off in the " + std::string(block) +
                          " at byte " + std::to_string(in_.size()) + "!");
        return refuse("The file ends early at line " +
                      std::to_string(line_ + (lineEnded_ ? 1 : 0)) + ": " + what + " is missing!");
    }
    bool cutOff(const char* block) {
        binaryPassed_ = true;
        return endsEarly("", block);
    }

    // --- input ---
    // The next line, without its line end; false at the end of the file, or with a refusal
    // (failed_) for a line too long. The view is valid until the next call.
    bool nextLine(std::string_view& line);
    void tick();
    // Whether `count` records of at least `bytes` each fit in what is left of the file.
    bool canHold(int64_t count, int64_t bytes) const {
        return count >= 0 && count <= in_.remaining() / std::max<int64_t>(bytes, 1);
    }

    bool readBlock(std::string_view line);
    bool readNodes(std::string_view header);
    bool readNodeRecords(int64_t count, int64_t format);
    bool mapNodes(int64_t format, int64_t firstLine, int64_t firstByte, int64_t recordBytes);
    bool readElements(std::string_view header);
    bool readElementRecords(int64_t count, int64_t format);
    bool addElement(int64_t label, int64_t type, int64_t material, const int64_t* nodes,
                    int64_t byte);
    bool readResults(std::string_view header);
    bool skipTextBlock();
    Step* stepFor(Kind kind, double value, int64_t number, int64_t analysis);
    // The node position of a label, or -1.
    int32_t position(int64_t label) const;
    bool finish(FeModel& model);

    Progress& progress_;
    Messages& messages_;
    BinaryInput in_;
    int64_t line_ = 0;       // lines read
    int64_t lineStart_ = 0;  // file offset of the last line read
    bool lineEnded_ = true;  // the last line read had its line end
    bool binaryPassed_ = false;
    bool failed_ = false;
    int position_ = 0;
    int64_t nextTick_ = 0;

    ImportedModel m_;
    bool haveNodes_ = false, haveElements_ = false;
    std::string userTitle_, modelName_;
    std::vector<int32_t> denseMap_;                    // label -> position, when labels are dense
    std::vector<std::pair<int32_t, int32_t>> sorted_;  // (label, position), otherwise
    std::vector<Step> steps_;
    int64_t resultEntries_ = 0;  // values the steps hold
};

bool FrdReader::nextLine(std::string_view& line) {
    const std::span<const char> b = in_.peek(kMaxLine);
    if (b.empty()) return false;
    const char* nl = static_cast<const char*>(std::memchr(b.data(), '\n', b.size()));
    if (!nl && b.size() >= kMaxLine) {
        lineStart_ = in_.offset();
        ++line_;
        failed_ = true;
        return damaged("the line is longer than 65536 characters");
    }
    size_t length = nl ? size_t(nl - b.data()) : b.size();
    lineStart_ = in_.offset();
    lineEnded_ = nl != nullptr;
    ++line_;
    in_.skip(nl ? length + 1 : length);
    if (length > 0 && b[length - 1] == '\r') --length;
    line = std::string_view(b.data(), length);
    tick();
    return true;
}

// Moves the progress bar 5 % further each time another twentieth of the file is read.
void FrdReader::tick() {
    if (in_.offset() < nextTick_ || position_ >= 100) return;
    while (position_ < 100 && in_.offset() >= nextTick_) {
        position_ += 5;
        nextTick_ = in_.size() * (position_ / 5 + 1) / 20;
    }
    progress_.setPosition(position_);
}

int32_t FrdReader::position(int64_t label) const {
    if (!denseMap_.empty()) {
        return label >= 0 && label < int64_t(denseMap_.size()) ? denseMap_[size_t(label)] : -1;
    }
    if (label < 1 || label > INT32_MAX) return -1;
    const auto it = std::lower_bound(sorted_.begin(), sorted_.end(),
                                     std::pair<int32_t, int32_t>(int32_t(label), INT32_MIN));
    return it != sorted_.end() && it->first == label ? it->second : -1;
}

bool FrdReader::read(const std::string& path, FeModel& model) {
    if (!in_.open(path)) return refuse(" Error to open file .frd");
    progress_.setText("Read CalculiX results ...");
    progress_.setPosition(0);
    nextTick_ = in_.size() / 20;
    std::string_view line;
    bool ended = false;
    while (!ended && nextLine(line)) {
        const std::string_view key = trimmed(field(line, 0, 5));
        if (trimmed(line).empty()) continue;
        if (key == "9999" && trimmed(field(line, 5, kMaxLine)).empty()) {
            ended = true;
        } else if (!readBlock(line)) {
            return false;
        }
    }
    if (failed_) return false;
    return finish(model);
}

bool FrdReader::readBlock(std::string_view line) {
    const std::string_view key = trimmed(field(line, 0, 5));
    const char code = line.size() > 5 ? line[5] : ' ';
    if (key == "1" && code == 'U') {
        const std::string_view text = trimmed(field(line, 6, kMaxLine));
        static const char* const kUserKeys[] = {"USER",    "DATE",        "TIME", "HOST", "PGM",
                                                "VERSION", "COMPILETIME", "DIR",  "DBN",  "MAT"};
        const std::string_view first = text.substr(0, text.find(' '));
        if (first == "TITLE" && userTitle_.empty())
            userTitle_ = trimmed(text.substr(5));
        else if (userTitle_.empty() && !text.empty() &&
                 std::none_of(std::begin(kUserKeys), std::end(kUserKeys),
                              [&](const char* k) { return first == k; }))
            userTitle_ = text;
        return true;
    }
    if (key == "1" && code == 'C') {
        if (modelName_.empty()) modelName_ = trimmed(field(line, 6, kMaxLine));
        return true;
    }
    if (key == "1" && code == 'P') return true;
    if (key == "2" && code == 'C') return readNodes(line);
    if (key == "3" && code == 'C') return readElements(line);
    if (key == "100" && code == 'C') return readResults(line);
    return damaged("the line " + quoted(line.substr(0, 24)) + " starts no block");
}

// --- nodes ---

bool FrdReader::readNodes(std::string_view header) {
    int64_t count, format;
    if (haveNodes_) return damaged("the file holds a second node block");
    if (!integerField(field(header, 24, 12), count) || count < 0)
        return damaged("the node count " + quoted(trimmed(field(header, 24, 12))) +
                       " is not a count");
    if (!integerField(field(header, 36, 38), format) || format < 0 || format > 3)
        return damaged("the format " + quoted(trimmed(field(header, 36, 38))) +
                       " is not 0, 1, 2 or 3");
    const int64_t recordBytes = format == 0 ? 45 : format == 1 ? 50 : format == 2 ? 16 : 28;
    if (!canHold(count, recordBytes))
        return damaged("the node count " + std::to_string(count) +
                       " is more than the file can hold");
    haveNodes_ = true;
    m_.labels.reserve(size_t(count));
    m_.coords.reserve(size_t(count) * 3);
    const int64_t firstLine = line_ + 1, firstByte = in_.offset();
    if (!readNodeRecords(count, format)) return false;
    return mapNodes(format, firstLine, firstByte, recordBytes);
}

bool FrdReader::readNodeRecords(int64_t count, int64_t format) {
    if (format >= 2) {
        binaryPassed_ = true;
        for (int64_t i = 0; i < count; ++i) {
            const int64_t at = in_.offset();
            int32_t label;
            double c[3];
            if (!in_.readInt(label)) return cutOff("node block");
            if (format == 2) {
                float f[3];
                if (!in_.read(f, sizeof f)) return cutOff("node block");
                std::copy(f, f + 3, c);
            } else if (!in_.read(c, sizeof c)) {
                return cutOff("node block");
            }
            if (label < 1)
                return damagedAt(
                    at, "the node label " + std::to_string(label) + " does not fit 1..2147483647");
            for (double x : c)
                if (!(std::fabs(x) <= std::numeric_limits<float>::max()))
                    return damagedAt(at, "node " + std::to_string(label) +
                                             " has a coordinate that is not finite");
            m_.labels.push_back(label);
            m_.coords.insert(m_.coords.end(), c, c + 3);
            tick();
        }
        return true;
    }
    const size_t width = format == 0 ? 5 : 10;
    std::string_view line;
    for (int64_t i = 0;; ++i) {
        if (!nextLine(line))
            return failed_ ? false : endsEarly("the end of the node block", "node block");
        const std::string_view key = field(line, 0, 3);
        if (key == " -3") {
            if (i != count)
                return damaged("the node block holds " + std::to_string(i) + " nodes, not " +
                               std::to_string(count) + " as its header says");
            return true;
        }
        if (key != " -1") return damaged("a node record does not start with -1");
        if (i == count)
            return damaged("the node block holds more nodes than its header's " +
                           std::to_string(count));
        int64_t label;
        if (!integerField(field(line, 3, width), label))
            return damaged("the node label " + quoted(trimmed(field(line, 3, width))) +
                           " is not a number");
        if (label < 1 || label > INT32_MAX)
            return damaged("the node label " + std::to_string(label) +
                           " does not fit 1..2147483647");
        double c[3];
        for (int j = 0; j < 3; ++j) {
            const std::string_view f =
                field(line, 3 + width + size_t(j) * kFieldWidth, kFieldWidth);
            if (!realField(f, c[j]))
                return damaged("the coordinate " + quoted(trimmed(f)) + " of node " +
                               std::to_string(label) + " is not a number");
            if (!(std::fabs(c[j]) <= std::numeric_limits<float>::max()))
                return damaged("node " + std::to_string(label) +
                               " has a coordinate that is not finite");
        }
        if (!trimmed(field(line, 3 + width + 3 * kFieldWidth, kMaxLine)).empty())
            return damaged("the record of node " + std::to_string(label) + " is too long");
        m_.labels.push_back(label);
        m_.coords.insert(m_.coords.end(), c, c + 3);
    }
}

// The label map, refusing a label given twice (at the line or byte of its second record).
bool FrdReader::mapNodes(int64_t format, int64_t firstLine, int64_t firstByte,
                         int64_t recordBytes) {
    const auto twice = [&](size_t i) {
        const std::string what = "node " + std::to_string(m_.labels[i]) + " is given twice";
        if (format >= 2) return damagedAt(firstByte + int64_t(i) * recordBytes, what);
        if (binaryPassed_) return refuse("The file is damaged: " + what + "!");
        return refuse("The file is damaged at line " + std::to_string(firstLine + int64_t(i)) +
                      ": " + what + "!");
    };
    const size_t n = m_.labels.size();
    const int64_t largest = n == 0 ? 0 : *std::max_element(m_.labels.begin(), m_.labels.end());
    if (largest <= 2 * int64_t(n) + 1024) {
        denseMap_.assign(size_t(largest) + 1, -1);
        for (size_t i = 0; i < n; ++i) {
            int32_t& p = denseMap_[size_t(m_.labels[i])];
            if (p >= 0) return twice(i);
            p = int32_t(i);
        }
        return true;
    }
    sorted_.resize(n);
    for (size_t i = 0; i < n; ++i)
        sorted_[i] = {int32_t(m_.labels[i]), int32_t(i)};
    std::sort(sorted_.begin(), sorted_.end());
    for (size_t i = 1; i < n; ++i)
        if (sorted_[i].first == sorted_[i - 1].first) return twice(size_t(sorted_[i].second));
    return true;
}

// --- elements ---

bool FrdReader::readElements(std::string_view header) {
    int64_t count, format;
    if (haveElements_) return damaged("the file holds a second element block");
    if (!haveNodes_) return damaged("the elements come before the nodes");
    if (!integerField(field(header, 24, 12), count) || count < 0)
        return damaged("the element count " + quoted(trimmed(field(header, 24, 12))) +
                       " is not a count");
    if (!integerField(field(header, 36, 38), format) || format < 0 || format > 2)
        return damaged("the format " + quoted(trimmed(field(header, 36, 38))) +
                       " is not 0, 1 or 2");
    if (!canHold(count, format == 2 ? 24 : 30))
        return damaged("the element count " + std::to_string(count) +
                       " is more than the file can hold");
    haveElements_ = true;
    m_.cells.reserve(size_t(count));
    m_.cellNodes.reserve(size_t(count) * 4);
    return readElementRecords(count, format);
}

// One element: refused when its type is unknown or cannot be shown, or a node is not in the
// file; `byte` is its offset in a binary block, -1 in a text block.
bool FrdReader::addElement(int64_t label, int64_t type, int64_t material, const int64_t* nodes,
                           int64_t byte) {
    const auto bad = [&](const std::string& what) {
        return byte >= 0 ? damagedAt(byte, what) : damaged(what);
    };
    if (label < INT32_MIN || label > INT32_MAX)
        return bad("the element number " + std::to_string(label) + " is out of range");
    if (material < INT32_MIN || material > INT32_MAX)
        return bad("the material number " + std::to_string(material) + " is out of range");
    const CcxType& t = kCcxTypes[type];
    if (t.shape < 0) {
        const std::string where = byte >= 0 || binaryPassed_
                                      ? "byte " + std::to_string(byte >= 0 ? byte : lineStart_)
                                      : "line " + std::to_string(line_);
        return refuse("The file holds an element of type " + std::string(t.name) + " (" +
                      std::to_string(type) + ") at " + where + ", which this program cannot show!");
    }
    m_.cells.push_back(
        {CellShape(t.shape), int32_t(label), int32_t(material), int64_t(m_.cellNodes.size())});
    for (int j = 0; j < t.nodes; ++j) {
        const int32_t p = position(nodes[j]);
        if (p < 0)
            return bad("element " + std::to_string(label) + " refers to node " +
                       std::to_string(nodes[j]) + ", which the file does not hold");
        m_.cellNodes.push_back(p);
    }
    return true;
}

bool FrdReader::readElementRecords(int64_t count, int64_t format) {
    int64_t nodes[kMaxCcxNodes];
    const auto knownType = [](int64_t type) {
        return type >= 1 && type < int64_t(std::size(kCcxTypes));
    };
    if (format == 2) {
        binaryPassed_ = true;
        for (int64_t e = 0; e < count; ++e) {
            const int64_t at = in_.offset();
            int32_t head[4], labels[kMaxCcxNodes];
            if (!in_.read(head, sizeof head)) return cutOff("element block");
            if (!knownType(head[1]))
                return damagedAt(at,
                                 "the element type " + std::to_string(head[1]) + " does not exist");
            const int n = kCcxTypes[head[1]].nodes;
            if (!in_.read(labels, sizeof(int32_t) * size_t(n))) return cutOff("element block");
            std::copy(labels, labels + n, nodes);
            if (!addElement(head[0], head[1], head[3], nodes, at)) return false;
            tick();
        }
        return true;
    }
    const size_t width = format == 0 ? 5 : 10, perLine = format == 0 ? 15 : 10;
    std::string_view line;
    for (int64_t e = 0;; ++e) {
        if (!nextLine(line))
            return failed_ ? false : endsEarly("the end of the element block", "element block");
        const std::string_view key = field(line, 0, 3);
        if (key == " -3") {
            if (e != count)
                return damaged("the element block holds " + std::to_string(e) + " elements, not " +
                               std::to_string(count) + " as its header says");
            return true;
        }
        if (key != " -1") return damaged("an element record does not start with -1");
        if (e == count)
            return damaged("the element block holds more elements than its header's " +
                           std::to_string(count));
        int64_t label, type, group, material;
        const char* const names[] = {"element number", "element type", "group", "material"};
        int64_t* const values[] = {&label, &type, &group, &material};
        for (int k = 0; k < 4; ++k) {
            const std::string_view f =
                k == 0 ? field(line, 3, width) : field(line, 3 + width + size_t(k - 1) * 5, 5);
            if (!integerField(f, *values[k]))
                return damaged(std::string("the ") + names[k] + " " + quoted(trimmed(f)) +
                               " is not a number");
        }
        if (!trimmed(field(line, 3 + width + 15, kMaxLine)).empty())
            return damaged("the record of element " + std::to_string(label) + " is too long");
        if (!knownType(type))
            return damaged("the element type " + std::to_string(type) + " does not exist");
        if (kCcxTypes[type].shape < 0) return addElement(label, type, material, nodes, -1);
        const int n = kCcxTypes[type].nodes;
        for (int j = 0; j < n;) {
            if (!nextLine(line))
                return failed_ ? false
                               : endsEarly("a node of element " + std::to_string(label),
                                           "element block");
            if (field(line, 0, 3) != " -2")
                return damaged("element " + std::to_string(label) + " has " + std::to_string(j) +
                               " of its " + std::to_string(n) + " nodes");
            const size_t here = std::min<size_t>(perLine, size_t(n - j));
            for (size_t k = 0; k < here; ++k, ++j) {
                const std::string_view f = field(line, 3 + k * width, width);
                if (!integerField(f, nodes[j]))
                    return damaged("the node " + quoted(trimmed(f)) + " of element " +
                                   std::to_string(label) + " is not a number");
            }
            if (!trimmed(field(line, 3 + here * width, kMaxLine)).empty())
                return damaged("element " + std::to_string(label) + " has more than its " +
                               std::to_string(n) + " nodes");
        }
        if (!addElement(label, type, material, nodes, -1)) return false;
    }
}

// --- results ---

Step* FrdReader::stepFor(Kind kind, double value, int64_t number, int64_t analysis) {
    Step* s = steps_.empty() ? nullptr : &steps_.back();
    const bool taken =
        s && (kind == Kind::Displacement ? !s->displacement.empty() : !s->stress.empty());
    if (!s || taken || s->value != value || s->number != number || s->analysis != analysis) {
        steps_.push_back({value, number, analysis, {}, {}});
        s = &steps_.back();
    }
    return s;
}

// Skips the lines of a text block up to its end.
bool FrdReader::skipTextBlock() {
    std::string_view line;
    while (nextLine(line))
        if (field(line, 0, 3) == " -3") return true;
    return failed_ ? false : endsEarly("the end of a result block", "result block");
}

bool FrdReader::readResults(std::string_view header) {
    if (!haveNodes_) return damaged("the results come before the nodes");
    // Header: value from column 12 and node count (normally in columns 12..35, moved right
    // by a value wider than its field), then a text of 20 characters, the analysis type,
    // the step number, the analysis name and the format.
    double value;
    int64_t count, analysis, number, format;
    size_t at = 12;
    while (at < header.size() && header[at] == ' ')
        ++at;
    const size_t valueStart = at;
    while (at < header.size() && header[at] != ' ')
        ++at;
    if (!realField(header.substr(std::min(valueStart, header.size()), at - valueStart), value) ||
        !std::isfinite(value))
        return damaged("the step value " +
                       quoted(field(header, valueStart, std::max<size_t>(at - valueStart, 1))) +
                       " is not a number");
    while (at < header.size() && header[at] == ' ')
        ++at;
    const size_t countStart = at;
    while (at < header.size() && header[at] != ' ')
        ++at;
    const size_t shift = std::max<size_t>(at, 36) - 36;
    if (!integerField(header.substr(std::min(countStart, header.size()), at - countStart), count) ||
        count < 0)
        return damaged("the node count of a result block is not a count");
    if (!integerField(field(header, 56 + shift, 2), analysis))
        return damaged("the analysis type " + quoted(trimmed(field(header, 56 + shift, 2))) +
                       " is not a number");
    if (!integerField(field(header, 58 + shift, 5), number))
        return damaged("the step number " + quoted(trimmed(field(header, 58 + shift, 5))) +
                       " is not a number");
    if (!integerField(field(header, 73 + shift, kMaxLine), format) || format < 0 || format > 3)
        return damaged("the format " + quoted(trimmed(field(header, 73 + shift, kMaxLine))) +
                       " is not 0, 1, 2 or 3");

    std::string_view line;
    if (!nextLine(line))
        return failed_ ? false : endsEarly("the name of a result block", "result block");
    int64_t components;
    if (field(line, 0, 3) != " -4")
        return damaged("a result block's name line does not start with -4");
    const std::string name(trimmed(field(line, 5, 8)));
    if (!integerField(field(line, 13, 5), components) || components < 1 || !canHold(components, 14))
        return damaged("the component count " + quoted(trimmed(field(line, 13, 5))) +
                       " is not a count the file can hold");
    int64_t stored = 0;
    for (int64_t c = 0; c < components; ++c) {
        if (!nextLine(line))
            return failed_ ? false : endsEarly("a component of " + name, "result block");
        if (field(line, 0, 3) != " -5")
            return damaged("a component line of " + quoted(name) + " does not start with -5");
        int64_t exists = 0;
        const std::string_view f = field(line, 33, 5);
        if (!trimmed(f).empty() && !integerField(f, exists))
            return damaged("the component " + quoted(trimmed(field(line, 5, 8))) +
                           " has no sound existence flag");
        if (exists != 1) ++stored;
    }
    const Kind kind = name == "DISP"     ? Kind::Displacement
                      : name == "STRESS" ? Kind::Stress
                                         : Kind::Other;
    const int64_t binaryRecord = 4 + stored * (format == 3 ? 8 : 4);
    if (!canHold(count,
                 format >= 2 ? binaryRecord : 3 + 5 + kFieldWidth * std::min<int64_t>(stored, 6)))
        return damaged("the node count " + std::to_string(count) +
                       " of a result block is more than the file can hold");
    if (kind == Kind::Other) {
        if (format < 2) return skipTextBlock();
        binaryPassed_ = true;
        for (int64_t skipped = 0; skipped < count * binaryRecord;) {
            const std::span<const char> b = in_.peek(1);
            if (b.empty()) return cutOff("result block");
            const int64_t n = std::min<int64_t>(int64_t(b.size()), count * binaryRecord - skipped);
            in_.skip(size_t(n));
            skipped += n;
            tick();
        }
        return true;
    }
    const int64_t wanted = kind == Kind::Displacement ? 3 : 6;
    if (stored != wanted)
        return damaged("the " + name + " block holds " + std::to_string(stored) +
                       " components instead of " + std::to_string(wanted));
    // The values of every step are kept for every node: a file of many small blocks could
    // otherwise ask for far more memory than its size justifies.
    const int64_t n = int64_t(m_.labels.size());
    if (resultEntries_ + wanted * n > 8 * in_.size() + (int64_t(1) << 26))
        return refuse(
            "The file holds more results than this program can keep for a file of its "
            "size: " +
            std::to_string(steps_.size() + 1) + " steps of " + std::to_string(n) + " nodes!");
    Step* step = stepFor(kind, value, number, analysis);
    std::vector<float>& values = kind == Kind::Displacement ? step->displacement : step->stress;
    values.assign(size_t(wanted * n), 0.0f);
    resultEntries_ += wanted * n;
    // Displacements node by node, stresses component by component.
    const auto put = [&](int32_t p, const float* v) {
        for (int64_t c = 0; c < wanted; ++c)
            values[kind == Kind::Displacement ? size_t(p * 3 + c) : size_t(c * n + p)] = v[c];
    };
    float v[6];
    if (format >= 2) {
        binaryPassed_ = true;
        for (int64_t r = 0; r < count; ++r) {
            const int64_t at = in_.offset();
            int32_t label;
            if (!in_.readInt(label)) return cutOff("result block");
            if (format == 2) {
                if (!in_.read(v, sizeof(float) * size_t(wanted))) return cutOff("result block");
            } else {
                double d[6];
                if (!in_.read(d, sizeof(double) * size_t(wanted))) return cutOff("result block");
                for (int64_t c = 0; c < wanted; ++c) {
                    if (std::fabs(d[c]) > std::numeric_limits<float>::max())
                        return damagedAt(at, "a value of node " + std::to_string(label) +
                                                 " is beyond the float range");
                    v[c] = float(d[c]);
                }
            }
            const int32_t p = position(label);
            if (p < 0)
                return damagedAt(at, "the " + name + " block names node " + std::to_string(label) +
                                         ", which the file does not hold");
            put(p, v);
            tick();
        }
        return true;
    }
    const size_t width = format == 0 ? 5 : 10;
    for (int64_t r = 0;; ++r) {
        if (!nextLine(line))
            return failed_ ? false : endsEarly("the end of the " + name + " block", "result block");
        const std::string_view key = field(line, 0, 3);
        if (key == " -3") {
            if (r != count)
                return damaged("the " + name + " block holds " + std::to_string(r) +
                               " nodes, not " + std::to_string(count) + " as its header says");
            return true;
        }
        if (key != " -1") return damaged("a record of " + name + " does not start with -1");
        if (r == count)
            return damaged("the " + name + " block holds more nodes than its header's " +
                           std::to_string(count));
        int64_t label;
        if (!integerField(field(line, 3, width), label))
            return damaged("the node label " + quoted(trimmed(field(line, 3, width))) +
                           " is not a number");
        for (int64_t c = 0; c < wanted; ++c) {
            const std::string_view f =
                field(line, 3 + width + size_t(c) * kFieldWidth, kFieldWidth);
            if (!floatField(f, v[c]))
                return damaged("the value " + quoted(trimmed(f)) + " of node " +
                               std::to_string(label) + " is not a number of the float range");
        }
        if (!trimmed(field(line, 3 + width + size_t(wanted) * kFieldWidth, kMaxLine)).empty())
            return damaged("the record of node " + std::to_string(label) + " is too long");
        const int32_t p = position(label);
        if (p < 0)
            return damaged("the " + name + " block names node " + std::to_string(label) +
                           ", which the file does not hold");
        put(p, v);
    }
}

// --- the model ---

bool FrdReader::finish(FeModel& model) {
    m_.title = !userTitle_.empty() ? userTitle_ : modelName_;
    // Modes or steps in time, as the last step is: a file may hold a static step before its
    // modes; the steps of the other kind are left out.
    m_.modes = !steps_.empty() && steps_.back().analysis == 2;
    std::vector<Step*> kept;
    for (Step& s : steps_)
        if ((s.analysis == 2) == m_.modes) kept.push_back(&s);
    const size_t n = m_.labels.size(), k = kept.size();
    for (const Step* s : kept)
        m_.stepValues.push_back(s->value);
    const bool displacements =
        std::any_of(kept.begin(), kept.end(), [](Step* s) { return !s->displacement.empty(); });
    const bool stresses =
        std::any_of(kept.begin(), kept.end(), [](Step* s) { return !s->stress.empty(); });
    if (displacements) {
        ImportedField f{"DISP", 3, true, {}};
        f.values.reserve(k * n * 3);
        for (Step* s : kept) {
            if (s->displacement.empty())
                f.values.resize(f.values.size() + n * 3, 0.0f);
            else
                f.values.insert(f.values.end(), s->displacement.begin(), s->displacement.end());
            std::vector<float>().swap(s->displacement);
        }
        m_.fields.push_back(std::move(f));
    }
    if (stresses) {
        // Plane models show the stresses in their plane; the equivalent stress takes all six.
        const bool plane = isPlaneModel(m_);
        static const char* const kNames[] = {"SXX", "SYY", "SZZ", "SXY", "SYZ", "SZX"};
        std::vector<int> shown =
            plane ? std::vector<int>{0, 1, 3} : std::vector<int>{0, 1, 2, 3, 4, 5};
        const size_t first = m_.fields.size();
        for (int c : shown) {
            m_.fields.push_back({kNames[c], 1, false, {}});
            m_.fields.back().values.reserve(k * n);
        }
        ImportedField seqv{"SEQV", 1, false, {}};
        seqv.values.reserve(k * n);
        for (Step* s : kept) {
            for (size_t j = 0; j < shown.size(); ++j) {
                std::vector<float>& to = m_.fields[first + j].values;
                if (s->stress.empty())
                    to.resize(to.size() + n, 0.0f);
                else
                    to.insert(to.end(), s->stress.begin() + long(size_t(shown[j]) * n),
                              s->stress.begin() + long(size_t(shown[j] + 1) * n));
            }
            for (size_t i = 0; i < n; ++i) {
                if (s->stress.empty()) {
                    seqv.values.push_back(0.0f);
                    continue;
                }
                const float* t = s->stress.data() + i;
                const double xx = t[0], yy = t[n], zz = t[2 * n], xy = t[3 * n], yz = t[4 * n],
                             zx = t[5 * n];
                seqv.values.push_back(float(std::sqrt(
                    0.5 * ((xx - yy) * (xx - yy) + (yy - zz) * (yy - zz) + (zz - xx) * (zz - xx)) +
                    3.0 * (xy * xy + yz * yz + zx * zx))));
            }
            std::vector<float>().swap(s->stress);
        }
        m_.fields.push_back(std::move(seqv));
    }
    std::vector<Step>().swap(steps_);
    std::vector<int32_t>().swap(denseMap_);
    std::vector<std::pair<int32_t, int32_t>>().swap(sorted_);
    progress_.setPosition(100);
    return buildImportedModel(m_, model, progress_, messages_);
}

}  // namespace

bool readFrdFile(FeModel& model, const std::string& path, Progress& progress, Messages& messages) {
    FrdReader reader(progress, messages);
    return reader.read(path, model) || discardFailedRead(model);
}

}  // namespace orv
