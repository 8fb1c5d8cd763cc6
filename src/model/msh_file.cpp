#include "msh_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "fe_model.h"
#include "file_input.h"
#include "imported_model.h"
#include "messages.h"
#include "progress.h"

namespace orv {

namespace {

constexpr const char* kOpenError = " Error to open file .msh";
// Line ends after the file's last byte stop every scan; a zero after the first stops the
// skipping of white space.
constexpr size_t kSlack = 16;

// The file's bytes, read whole through the safe opening of FileInput.
class WholeFile : public FileInput {
  public:
    WholeFile() : FileInput(0) {}
    // The bytes the file had when it was opened (fewer when it was cut since), followed by a
    // line end and zeros; false when the memory or the read fails.
    bool readAll(std::unique_ptr<char[]>& bytes, size_t& size) {
        const size_t want = size_t(size_);
        bytes.reset(new (std::nothrow) char[want + kSlack]);
        if (!bytes) return false;
        size_t got = 0;
        while (got < want) {
            const ssize_t n = ::read(fd_, bytes.get() + got, want - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                recordSystemError(errno);
                return false;
            }
            if (n == 0) break;
            got += size_t(n);
        }
        std::memset(bytes.get() + got, 0, kSlack);
        bytes[got] = '\n';
        size = got;
        return true;
    }
};

// The element types of the format: node count, the shape shown (none for the types that
// are counted as skipped) and the name of one.
struct GmshType {
    int nodes = 0;
    int shape = -1;  // a CellShape, or -1
    const char* name = nullptr;
};

constexpr int kShown[] = {
    int(CellShape::Line2), int(CellShape::Triangle3), int(CellShape::Quad4), int(CellShape::Tetra4),
    int(CellShape::Hexa8), int(CellShape::Triangle6), int(CellShape::Point), int(CellShape::Quad8)};

const GmshType* gmshType(int64_t type) {
    static const GmshType kTypes[] = {
        {},
        {2, kShown[0], "2-node line"},
        {3, kShown[1], "3-node triangle"},
        {4, kShown[2], "4-node quadrangle"},
        {4, kShown[3], "4-node tetrahedron"},
        {8, kShown[4], "8-node hexahedron"},
        {6, -1, "6-node prism"},
        {5, -1, "5-node pyramid"},
        {3, -1, "3-node line"},
        {6, kShown[5], "6-node triangle"},
        {9, -1, "9-node quadrangle"},
        {10, -1, "10-node tetrahedron"},
        {27, -1, "27-node hexahedron"},
        {18, -1, "18-node prism"},
        {14, -1, "14-node pyramid"},
        {1, kShown[6], "point"},
        {8, kShown[7], "8-node quadrangle"},
        {20, -1, "20-node hexahedron"},
        {15, -1, "15-node prism"},
        {13, -1, "13-node pyramid"},
        {9, -1, "9-node incomplete triangle"},
        {10, -1, "10-node triangle"},
        {12, -1, "12-node incomplete triangle"},
        {15, -1, "15-node triangle"},
        {15, -1, "15-node incomplete triangle"},
        {21, -1, "21-node triangle"},
        {4, -1, "4-node line"},
        {5, -1, "5-node line"},
        {6, -1, "6-node line"},
        {20, -1, "20-node tetrahedron"},
        {35, -1, "35-node tetrahedron"},
        {56, -1, "56-node tetrahedron"},
    };
    static const GmshType kHex64{64, -1, "64-node hexahedron"};
    static const GmshType kHex125{125, -1, "125-node hexahedron"};
    if (type >= 1 && type < int64_t(std::size(kTypes))) return &kTypes[type];
    if (type == 92) return &kHex64;
    if (type == 93) return &kHex125;
    return nullptr;
}

// "12 10-node tetrahedra", "1 point", "3 elements of type 200".
std::string countedName(int64_t type, int64_t count) {
    const GmshType* t = gmshType(type);
    std::string name = t ? t->name : "element";
    if (count != 1) {
        const size_t on = name.rfind("on");
        if (on != std::string::npos && on + 2 == name.size() &&
            name.find("hedr") != std::string::npos)
            name.replace(on, 2, "a");
        else
            name += "s";
    }
    if (!t) name += " of type " + std::to_string(type);
    return std::to_string(count) + " " + name;
}

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A view of three components under one of these names is the displacement.
bool isDisplacementName(std::string_view name) {
    return sameLetters(name, "Displacement") || sameLetters(name, "U") || sameLetters(name, "DISP");
}

template <class T>
T load(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Node positions by tag: a table over the tags' range when they are dense, else the tags
// sorted with their positions.
class NodeLookup {
  public:
    // Builds the lookup of labels; false, with the first tag given twice, when one is.
    bool build(const std::vector<int64_t>& labels, int64_t& twice) {
        dense_.clear();
        sorted_.clear();
        if (labels.empty()) return true;
        const auto [lo, hi] = std::minmax_element(labels.begin(), labels.end());
        min_ = *lo;
        const uint64_t range = uint64_t(*hi) - uint64_t(*lo);
        if (range < 4 * uint64_t(labels.size()) + 1024) {
            dense_.assign(size_t(range) + 1, -1);
            for (size_t i = 0; i < labels.size(); ++i) {
                int32_t& slot = dense_[size_t(labels[i] - min_)];
                if (slot >= 0) {
                    twice = labels[i];
                    return false;
                }
                slot = int32_t(i);
            }
            return true;
        }
        sorted_.reserve(labels.size());
        for (size_t i = 0; i < labels.size(); ++i)
            sorted_.emplace_back(labels[i], int32_t(i));
        std::sort(sorted_.begin(), sorted_.end());
        for (size_t i = 1; i < sorted_.size(); ++i)
            if (sorted_[i].first == sorted_[i - 1].first) {
                twice = sorted_[i].first;
                return false;
            }
        return true;
    }
    // The position of a tag, or -1.
    int32_t find(int64_t tag) const {
        if (!dense_.empty()) {
            const uint64_t at = uint64_t(tag) - uint64_t(min_);
            return at < dense_.size() ? dense_[size_t(at)] : -1;
        }
        const auto it = std::lower_bound(sorted_.begin(), sorted_.end(),
                                         std::pair<int64_t, int32_t>(tag, INT32_MIN));
        return it != sorted_.end() && it->first == tag ? it->second : -1;
    }

  private:
    int64_t min_ = 0;
    std::vector<int32_t> dense_;
    std::vector<std::pair<int64_t, int32_t>> sorted_;
};

// One $NodeData section, found by the first pass and read by the second.
struct DataSection {
    size_t view = 0;
    int64_t step = 0;
    double time = 0;
    int64_t entries = 0;
    const char* header = nullptr;  // the $NodeData line
    const char* data = nullptr;    // the first entry
    const char* end = nullptr;     // the $EndNodeData line
};

struct View {
    std::string name;
    int32_t components = 1;
    int32_t firstField = 0;
};

class MshReader {
  public:
    MshReader(FeModel& model, Progress& progress, Messages& messages)
        : model_(model), progress_(progress), messages_(messages) {}
    bool read(const std::string& path);

  private:
    // --- refusals ---
    bool refuse(const std::string& text) {
        messages_.showError(text);
        return false;
    }
    std::string place(const char* at) const {
        if (binary_) return "byte " + std::to_string(at - begin_);
        return "line " + std::to_string(1 + scan::countLines(begin_, at));
    }
    // Damage at a byte of the file (before its end).
    bool damaged(const char* at, const std::string& what) {
        return refuse("The file is damaged at " + place(std::min(at, end_ - 1)) + ": " + what +
                      "!");
    }
    // The file ends where `item` is due, within the part named by part_.
    bool endsEarly(const std::string& item) {
        if (binary_)
            return refuse("The file ends early: it is cut off in the " + part_ + " at byte " +
                          std::to_string(end_ - begin_) + "!");
        return refuse("The file ends early at line " +
                      std::to_string(1 + scan::countLines(begin_, end_)) + ": " + item +
                      " is missing!");
    }
    static std::string shown(const char* p) {
        std::string_view w;
        scan::word(p, w);
        if (w.size() > 24) return quoted(w.substr(0, 24)) + "...";
        return quoted(w);
    }

    // --- text ---
    // Skips white space and line ends; true when a word follows.
    bool skipSpace() {
        while (p_ < end_ && scan::isSpace(*p_))
            ++p_;
        return p_ < end_;
    }
    // Moves past the line end of the current line.
    void skipLine() {
        const void* nl = std::memchr(p_, '\n', size_t(end_ - p_));
        p_ = nl ? static_cast<const char*>(nl) + 1 : end_;
    }
    bool integer(int64_t& v, const char* what, int64_t lo, int64_t hi) {
        skipSpace();
        const char* at = p_;
        if (p_ < end_ && scan::integer(p_, v) && v >= lo && v <= hi) return true;
        return badInteger(at, what);
    }
    bool badInteger(const char* at, const char* what) {
        if (at == end_) return endsEarly(what);
        p_ = at;
        int64_t v;
        if (!scan::integer(p_, v))
            return damaged(at, std::string(what) + " " + shown(at) + " is not an integer");
        return damaged(at, std::string(what) + " " + shown(at) + " is out of range");
    }
    bool real(double& v, const char* what) {
        skipSpace();
        const char* at = p_;
        const char* s = p_ + (*p_ == '+' && p_[1] != '-' && p_[1] != '+');
        const auto r = std::from_chars(s, end_, v);
        if (r.ec == std::errc() && scan::isSpace(*r.ptr) && p_ < end_ && std::isfinite(v)) {
            p_ = r.ptr;
            return true;
        }
        if (at == end_) return endsEarly(what);
        if (r.ec == std::errc::result_out_of_range && scan::isSpace(*r.ptr))
            return damaged(at, std::string(what) + " " + shown(at) + " is out of range");
        if (r.ec == std::errc() && scan::isSpace(*r.ptr))
            return damaged(at, std::string(what) + " " + shown(at) + " is not finite");
        return damaged(at, std::string(what) + " " + shown(at) + " is not a number");
    }
    bool value(float& v, const char* what) {
        skipSpace();
        const char* at = p_;
        if (p_ < end_ && scan::real(p_, v)) return true;
        if (at == end_) return endsEarly(what);
        std::string_view w;
        scan::word(at, w);
        if (parseReal(w, v) == NumberStatus::OutOfRange)
            return damaged(at, std::string(what) + " " + shown(at) + " is out of range");
        return damaged(at, std::string(what) + " " + shown(at) + " is not a number");
    }

    // --- binary ---
    // Whether n more bytes follow; a refusal otherwise.
    bool need(uint64_t n) { return n <= uint64_t(end_ - p_) || endsEarly(part_); }
    // How many records of `each` bytes the rest of the file can hold.
    int64_t room(int64_t each) const { return int64_t(end_ - p_) / std::max<int64_t>(each, 1); }
    // A size_t of the file's width (after need()).
    bool size(int64_t& v, const char* what, int64_t hi) {
        const char* at = p_;
        const uint64_t u = sizeT_ == 8 ? load<uint64_t>(p_) : load<uint32_t>(p_);
        p_ += sizeT_;
        if (u <= uint64_t(hi)) {
            v = int64_t(u);
            return true;
        }
        return damaged(at, std::string(what) + " " + std::to_string(u) + " is out of range");
    }
    // The line end after an ASCII count, where binary data starts.
    bool dataStart() {
        while (p_ < end_ && scan::isBlank(*p_))
            ++p_;
        if (p_ == end_) return endsEarly("the data");
        if (*p_ != '\n') return damaged(p_, "the data does not start on the line after its count");
        ++p_;
        return true;
    }

    // --- sections ---
    bool nextSection(std::string_view& name, const char*& header);
    bool endOf(std::string_view name);
    bool skipSection(std::string_view name);
    bool readFormat();
    bool entityInt(int64_t& v, const char* what);
    bool entityCount(int64_t& v, const char* what, int64_t binaryEach, int64_t textEach);
    bool skipNumbers(int64_t ints, int reals);
    bool readEntities(const char* header, bool partitioned);
    bool readNodes(const char* header);
    bool readNodes2();
    bool readNodes4();
    bool readElements(const char* header);
    bool readElements2();
    bool readElements4();
    bool readDataHeader(const char* header);
    bool readViews();
    bool readSection(const DataSection& s, int64_t k);
    bool addCell(int64_t type, int64_t tag, int64_t material, const int64_t* nodes, const char* at);
    void skipType(int64_t type, int64_t count);
    void tick() {
        const int position = int(100 * (p_ - begin_) / std::max<int64_t>(end_ - begin_, 1));
        if (position > position_) progress_.setPosition(position_ = std::min(position, 100));
    }

    FeModel& model_;
    Progress& progress_;
    Messages& messages_;
    ImportedModel im_;
    std::unique_ptr<char[]> bytes_;
    const char* begin_ = nullptr;
    const char* end_ = nullptr;
    const char* p_ = nullptr;
    std::string part_ = "mesh format";  // what a cut-off binary file is cut in
    bool binary_ = false;
    int version_ = 0;  // 2 or 4
    int sizeT_ = 8;
    int position_ = 0;
    const char* sectionEnd_ = nullptr;  // the end line of the section skipped last
    bool haveEntities_ = false, havePartitioned_ = false;
    std::vector<std::pair<int64_t, int64_t>> physical_[4];  // entity tag, first physical tag
    NodeLookup lookup_;
    bool haveNodes_ = false, haveElements_ = false;
    std::vector<std::pair<int64_t, int64_t>> skipped_;  // type, count
    std::vector<DataSection> sections_;
    std::vector<View> views_;
};

bool MshReader::read(const std::string& path) {
    size_t size = 0;
    {
        WholeFile file;
        if (!file.open(path)) return refuse(kOpenError);
        if (!file.readAll(bytes_, size)) return refuse(kOpenError);
    }
    begin_ = p_ = bytes_.get();
    end_ = begin_ + size;
    progress_.setText("Read geometry model ...");
    progress_.setPosition(0);
    std::string_view name;
    const char* header = nullptr;
    if (!nextSection(name, header) || name != "MeshFormat")
        return refuse(
            "This file is not a Gmsh mesh file of version 2.2 or 4.1: it does not start with "
            "$MeshFormat!");
    if (!readFormat()) return false;
    while (nextSection(name, header)) {
        bool ok;
        if (name == "MeshFormat")
            ok = damaged(header, "there is a second $MeshFormat section");
        else if ((name == "Entities" || name == "PartitionedEntities") && version_ == 4)
            ok = readEntities(header, name != "Entities");
        else if (name == "Nodes")
            ok = readNodes(header);
        else if (name == "Elements")
            ok = readElements(header);
        else if (name == "NodeData")
            ok = readDataHeader(header);
        else
            ok = skipSection(name);
        if (!ok) return false;
        tick();
    }
    for (const auto& [type, count] : skipped_)
        im_.skipped.push_back(countedName(type, count));
    if (!sections_.empty() && !readViews()) return false;
    bytes_.reset();
    progress_.setPosition(100);
    return buildImportedModel(im_, model_, progress_, messages_);
}

// The next line that starts with '$' (after blanks): its name and where it is; the position
// moves past its line.
bool MshReader::nextSection(std::string_view& name, const char*& header) {
    for (;;) {
        if (!skipSpace()) return false;
        if (*p_ == '$') break;
        skipLine();
    }
    header = p_;
    const char* s = ++p_;
    while (!scan::isSpace(*p_))
        ++p_;
    name = std::string_view(s, size_t(p_ - s));
    skipLine();
    return true;
}

// The end line of a section read: "$End<name>" after white space.
bool MshReader::endOf(std::string_view name) {
    const std::string end = "$End" + std::string(name);
    if (!skipSpace()) return endsEarly(end);
    std::string_view w;
    scan::word(p_, w);
    if (w != end) return damaged(p_, end + " is missing after the " + part_);
    skipLine();
    return true;
}

// Moves past the "$End<name>" line of a section not read.
bool MshReader::skipSection(std::string_view name) {
    const std::string end = "\n$End" + std::string(name);
    const char* from = p_ - 1;  // the line end before the section's first line
    for (;;) {
        const void* hit = ::memmem(from, size_t(end_ - from), end.data(), end.size());
        if (!hit) {
            part_ = "section " + quoted(name.substr(0, 40));
            return endsEarly("the line $End" + escapedText(name.substr(0, 40)));
        }
        from = static_cast<const char*>(hit) + end.size();
        if (scan::isSpace(*from)) break;
    }
    sectionEnd_ = from - (end.size() - 1);
    p_ = from;
    skipLine();
    return true;
}

bool MshReader::readFormat() {
    // Lines, whether or not the file is binary.
    double version;
    int64_t type, dataSize;
    skipSpace();
    const char* versionAt = p_;
    if (!real(version, "the format version")) return false;
    if (version >= 2 && version < 3)
        version_ = 2;
    else if (version == 4.1)
        version_ = 4;
    else
        return refuse("This Gmsh mesh file is of version " + shown(versionAt) +
                      ", which is not read: please save it as version 4.1 or 2.2!");
    if (!integer(type, "the file type", 0, 1)) return false;
    if (!integer(dataSize, "the data size", 4, 8)) return false;
    binary_ = type == 1;
    if (binary_) {
        if (dataSize != 8 && (version_ == 2 || dataSize != 4))
            return refuse("This binary Gmsh mesh file uses numbers of " + std::to_string(dataSize) +
                          " bytes, which are not read!");
        sizeT_ = int(dataSize);
        if (!dataStart() || !need(4)) return false;
        const int32_t one = load<int32_t>(p_);
        if (one == 0x01000000)
            return refuse(
                "This binary Gmsh mesh file was written with its bytes in the other order "
                "(big-endian), which is not read!");
        if (one != 1) return damaged(p_, "the number after the format line is not 1");
        p_ += 4;
    }
    return endOf("MeshFormat");
}

// Fields of the entity sections, text or binary: an int, a count of items of at least the
// given bytes each, reals and ints skipped.
bool MshReader::entityInt(int64_t& v, const char* what) {
    if (!binary_) return integer(v, what, INT32_MIN, INT32_MAX);
    if (!need(4)) return false;
    v = load<int32_t>(p_);
    p_ += 4;
    return true;
}

bool MshReader::entityCount(int64_t& v, const char* what, int64_t binaryEach, int64_t textEach) {
    if (!binary_) return integer(v, what, 0, room(textEach));
    return need(uint64_t(sizeT_)) && size(v, what, room(binaryEach));
}

bool MshReader::skipNumbers(int64_t ints, int reals) {
    if (binary_) {
        if (!need(4 * uint64_t(ints) + 8 * uint64_t(reals))) return false;
        p_ += 4 * ints + 8 * reals;
        return true;
    }
    int64_t v;
    for (int64_t j = 0; j < ints; ++j)
        if (!integer(v, "an entity tag", INT32_MIN, INT32_MAX)) return false;
    for (int j = 0; j < reals; ++j) {
        // Bounds of any size: they are not kept.
        skipSpace();
        const char* at = p_;
        double x;
        const auto r = std::from_chars(p_ + (*p_ == '+'), end_, x);
        if (p_ == end_) return endsEarly("an entity coordinate");
        if ((r.ec != std::errc() && r.ec != std::errc::result_out_of_range) ||
            !scan::isSpace(*r.ptr))
            return damaged(at, "an entity coordinate " + shown(at) + " is not a number");
        p_ = r.ptr;
    }
    return true;
}

// The physical tag of each entity, partitioned ones too: the material of its elements.
bool MshReader::readEntities(const char* header, bool partitioned) {
    bool& seen = partitioned ? havePartitioned_ : haveEntities_;
    const std::string name = partitioned ? "PartitionedEntities" : "Entities";
    if (seen) return damaged(header, "there is a second $" + name + " section");
    seen = true;
    part_ = partitioned ? "partitioned entities" : "entities";
    int64_t counts[4], n;
    if (partitioned && (!entityCount(n, "the partition count", 1, 1) ||
                        !entityCount(n, "the ghost entity count", 8, 4) || !skipNumbers(2 * n, 0)))
        return false;
    for (int64_t& c : counts)
        if (!entityCount(c, "an entity count", 28, 10)) return false;
    for (int dim = 0; dim < 4; ++dim) {
        auto& table = physical_[dim];
        for (int64_t e = 0; e < counts[dim]; ++e) {
            int64_t tag, phys = 0, t;
            if (!entityInt(tag, "an entity tag")) return false;
            if (partitioned && (!skipNumbers(2, 0) || !entityCount(n, "a partition count", 4, 2) ||
                                !skipNumbers(n, 0)))
                return false;
            if (!skipNumbers(0, dim == 0 ? 3 : 6) || !entityCount(n, "a physical tag count", 4, 2))
                return false;
            for (int64_t j = 0; j < n; ++j) {
                if (!entityInt(t, "a physical tag")) return false;
                if (j == 0) phys = t;
            }
            if (dim > 0 && (!entityCount(n, "a bounding entity count", 4, 2) || !skipNumbers(n, 0)))
                return false;
            table.emplace_back(tag, phys);
        }
        std::sort(table.begin(), table.end());
    }
    return endOf(name);
}

bool MshReader::readNodes(const char* header) {
    if (haveNodes_) return damaged(header, "there is a second $Nodes section");
    haveNodes_ = true;
    part_ = "nodes";
    if (!(version_ == 2 ? readNodes2() : readNodes4())) return false;
    int64_t twice = 0;
    if (!lookup_.build(im_.labels, twice))
        return damaged(header, "node tag " + std::to_string(twice) + " is given twice");
    return endOf("Nodes");
}

// Count, then tag x y z per node.
bool MshReader::readNodes2() {
    int64_t n;
    if (!integer(n, "the node count", 0, INT32_MAX)) return false;
    const char* countAt = p_;
    if (n > (binary_ ? room(28) : room(8)))
        return damaged(countAt - 1,
                       "the node count " + std::to_string(n) + " is more than the file can hold");
    im_.labels.resize(size_t(n));
    im_.coords.resize(size_t(n) * 3);
    int64_t* labels = im_.labels.data();
    double* c = im_.coords.data();
    if (binary_) {
        if (!dataStart() || !need(uint64_t(n) * 28)) return false;
        for (int64_t i = 0; i < n; ++i, p_ += 28) {
            labels[i] = load<int32_t>(p_);
            std::memcpy(c + 3 * i, p_ + 4, 24);
            for (int j = 0; j < 3; ++j)
                if (!std::isfinite(c[3 * i + j]))
                    return damaged(p_ + 4 + 8 * j, "a node coordinate is not finite");
        }
        return true;
    }
    for (int64_t i = 0; i < n; ++i) {
        if (!integer(labels[i], "a node tag", INT64_MIN, INT64_MAX)) return false;
        for (int j = 0; j < 3; ++j)
            if (!real(c[3 * i + j], "a node coordinate")) return false;
        if ((i & 0xFFFF) == 0) tick();
    }
    return true;
}

// Header, then blocks of an entity: tags, then coordinates (and parametric ones, skipped).
bool MshReader::readNodes4() {
    int64_t head[4];
    if (!binary_) skipSpace();
    const char* at = p_;
    if (binary_) {
        if (!need(4 * uint64_t(sizeT_))) return false;
        for (int64_t& h : head)
            if (!size(h, "a node count or tag", INT64_MAX)) return false;
    } else {
        for (int64_t& h : head)
            if (!integer(h, "a node count or tag", 0, INT64_MAX)) return false;
    }
    const int64_t blocks = head[0], n = head[1];
    const int64_t each = binary_ ? sizeT_ + 24 : 8;
    if (n > INT32_MAX || n > room(each) || blocks > room(binary_ ? 12 + sizeT_ : 8))
        return damaged(at, "the node count " + std::to_string(n) + " or block count " +
                               std::to_string(blocks) + " is more than the file can hold");
    im_.labels.resize(size_t(n));
    im_.coords.resize(size_t(n) * 3);
    int64_t done = 0;
    for (int64_t b = 0; b < blocks; ++b) {
        int64_t dim, entity, parametric, count;
        if (!binary_) skipSpace();
        const char* blockAt = p_;
        if (binary_) {
            if (!need(12 + uint64_t(sizeT_))) return false;
            dim = load<int32_t>(p_);
            parametric = load<int32_t>(p_ + 8);
            p_ += 12;
            if (!size(count, "a block's node count", INT64_MAX)) return false;
        } else {
            if (!integer(dim, "an entity dimension", 0, 3) ||
                !integer(entity, "an entity tag", INT32_MIN, INT32_MAX) ||
                !integer(parametric, "the parametric flag", 0, 1) ||
                !integer(count, "a block's node count", 0, INT64_MAX))
                return false;
        }
        if (dim < 0 || dim > 3 || parametric < 0 || parametric > 1)
            return damaged(blockAt, "a node block of an entity of dimension " +
                                        std::to_string(dim) + " has the parametric flag " +
                                        std::to_string(parametric));
        if (count > n - done)
            return damaged(blockAt,
                           "the node blocks hold more than the node count " + std::to_string(n));
        const int reals = 3 + int(parametric * dim);
        int64_t* labels = im_.labels.data() + done;
        double* c = im_.coords.data() + 3 * done;
        if (binary_) {
            if (!need(uint64_t(count) * uint64_t(sizeT_ + 8 * reals))) return false;
            for (int64_t i = 0; i < count; ++i)
                if (!size(labels[i], "a node tag", INT64_MAX)) return false;
            for (int64_t i = 0; i < count; ++i, p_ += 8 * reals) {
                std::memcpy(c + 3 * i, p_, 24);
                for (int j = 0; j < 3; ++j)
                    if (!std::isfinite(c[3 * i + j]))
                        return damaged(p_ + 8 * j, "a node coordinate is not finite");
            }
        } else {
            for (int64_t i = 0; i < count; ++i)
                if (!integer(labels[i], "a node tag", INT64_MIN, INT64_MAX)) return false;
            double skippedReal;
            for (int64_t i = 0; i < count; ++i) {
                for (int j = 0; j < 3; ++j)
                    if (!real(c[3 * i + j], "a node coordinate")) return false;
                for (int j = 3; j < reals; ++j)
                    if (!real(skippedReal, "a parametric coordinate")) return false;
                if ((i & 0xFFFF) == 0) tick();
            }
        }
        done += count;
    }
    if (done != n)
        return damaged(at, "the node blocks hold " + std::to_string(done) +
                               " nodes, not the node count " + std::to_string(n));
    return true;
}

void MshReader::skipType(int64_t type, int64_t count) {
    for (auto& [t, c] : skipped_)
        if (t == type) {
            c += count;
            return;
        }
    skipped_.emplace_back(type, count);
}

// A cell shown, its node tags made positions.
bool MshReader::addCell(int64_t type, int64_t tag, int64_t material, const int64_t* nodes,
                        const char* at) {
    const GmshType& t = *gmshType(type);
    if (tag < 1 || tag > INT32_MAX)
        return damaged(at, "the element tag " + std::to_string(tag) + " is out of range");
    ImportedCell cell;
    cell.shape = CellShape(t.shape);
    cell.label = int32_t(tag);
    cell.material = material >= 1 && material <= INT32_MAX ? int32_t(material) : 1;
    cell.firstNode = int64_t(im_.cellNodes.size());
    for (int j = 0; j < t.nodes; ++j) {
        const int32_t pos = lookup_.find(nodes[j]);
        if (pos < 0)
            return damaged(at, "element " + std::to_string(tag) + " refers to node " +
                                   std::to_string(nodes[j]) + ", which is not among the nodes");
        im_.cellNodes.push_back(pos);
    }
    im_.cells.push_back(cell);
    return true;
}

bool MshReader::readElements(const char* header) {
    if (haveElements_) return damaged(header, "there is a second $Elements section");
    if (!haveNodes_) return damaged(header, "the elements come before the nodes");
    haveElements_ = true;
    part_ = "elements";
    if (!(version_ == 2 ? readElements2() : readElements4())) return false;
    return endOf("Elements");
}

// Count, then per element: tag, type, tag count, tags (the first the physical group), nodes.
// Binary: groups of elements of one type and tag count after a header of three numbers.
bool MshReader::readElements2() {
    int64_t n;
    if (!integer(n, "the element count", 0, INT32_MAX)) return false;
    const char* countAt = p_ - 1;
    if (n > (binary_ ? room(8) : room(8)))
        return damaged(
            countAt, "the element count " + std::to_string(n) + " is more than the file can hold");
    im_.cells.reserve(size_t(n));
    int64_t nodes[125];
    if (binary_) {
        if (!dataStart()) return false;
        for (int64_t done = 0; done < n;) {
            const char* at = p_;
            if (!need(12)) return false;
            const int64_t type = load<int32_t>(p_), count = load<int32_t>(p_ + 4),
                          ntags = load<int32_t>(p_ + 8);
            p_ += 12;
            const GmshType* t = gmshType(type);
            if (!t)
                return damaged(at, "the element type " + std::to_string(type) +
                                       " is not known, so its elements cannot be skipped");
            if (count < 1 || count > n - done || ntags < 0 || ntags > 1000)
                return damaged(at, "an element group of " + std::to_string(count) +
                                       " elements with " + std::to_string(ntags) +
                                       " tags does not fit the element count " + std::to_string(n));
            const int64_t each = 4 * (1 + ntags + t->nodes);
            if (!need(uint64_t(count) * uint64_t(each))) return false;
            if (t->shape < 0) {
                skipType(type, count);
                p_ += count * each;
            } else {
                for (int64_t e = 0; e < count; ++e, p_ += each) {
                    for (int j = 0; j < t->nodes; ++j)
                        nodes[j] = load<int32_t>(p_ + 4 * (1 + ntags + j));
                    if (!addCell(type, load<int32_t>(p_), ntags > 0 ? load<int32_t>(p_ + 4) : 1,
                                 nodes, p_))
                        return false;
                }
            }
            done += count;
            tick();
        }
        return true;
    }
    for (int64_t e = 0; e < n; ++e) {
        int64_t tag, type, ntags, material = 1, x;
        if (!integer(tag, "an element tag", INT64_MIN, INT64_MAX)) return false;
        const char* at = p_ - 1;
        if (!integer(type, "an element type", INT32_MIN, INT32_MAX) ||
            !integer(ntags, "an element's tag count", 0, (end_ - p_) / 2))
            return false;
        for (int64_t j = 0; j < ntags; ++j) {
            if (!integer(x, "an element's tag", INT64_MIN, INT64_MAX)) return false;
            if (j == 0) material = x;
        }
        const GmshType* t = gmshType(type);
        if (!t || t->shape < 0) {
            skipType(type, 1);
            if (t) {
                for (int j = 0; j < t->nodes; ++j)
                    if (!integer(x, "an element node", INT64_MIN, INT64_MAX)) return false;
            } else {
                skipLine();
            }
            continue;
        }
        for (int j = 0; j < t->nodes; ++j)
            if (!integer(nodes[j], "an element node", INT64_MIN, INT64_MAX)) return false;
        if (!addCell(type, tag, material, nodes, at)) return false;
        if ((e & 0xFFFF) == 0) tick();
    }
    return true;
}

// Header, then blocks of an entity and a type: per element its tag and node tags.
bool MshReader::readElements4() {
    int64_t head[4];
    if (!binary_) skipSpace();
    const char* at = p_;
    if (binary_) {
        if (!need(4 * uint64_t(sizeT_))) return false;
        for (int64_t& h : head)
            if (!size(h, "an element count or tag", INT64_MAX)) return false;
    } else {
        for (int64_t& h : head)
            if (!integer(h, "an element count or tag", 0, INT64_MAX)) return false;
    }
    const int64_t blocks = head[0], n = head[1];
    if (n > INT32_MAX || n > room(binary_ ? 2 * sizeT_ : 4) ||
        blocks > room(binary_ ? 12 + sizeT_ : 8))
        return damaged(at, "the element count " + std::to_string(n) + " or block count " +
                               std::to_string(blocks) + " is more than the file can hold");
    im_.cells.reserve(size_t(n));
    int64_t done = 0;
    int64_t nodes[125];
    for (int64_t b = 0; b < blocks; ++b) {
        int64_t dim, entity, type, count;
        if (!binary_) skipSpace();
        const char* blockAt = p_;
        if (binary_) {
            if (!need(12 + uint64_t(sizeT_))) return false;
            dim = load<int32_t>(p_);
            entity = load<int32_t>(p_ + 4);
            type = load<int32_t>(p_ + 8);
            p_ += 12;
            if (!size(count, "a block's element count", INT64_MAX)) return false;
        } else {
            if (!integer(dim, "an entity dimension", 0, 3) ||
                !integer(entity, "an entity tag", INT32_MIN, INT32_MAX) ||
                !integer(type, "an element type", INT32_MIN, INT32_MAX) ||
                !integer(count, "a block's element count", 0, INT64_MAX))
                return false;
        }
        if (dim < 0 || dim > 3)
            return damaged(blockAt, "an element block of entity dimension " + std::to_string(dim));
        if (count > n - done)
            return damaged(blockAt, "the element blocks hold more than the element count " +
                                        std::to_string(n));
        const GmshType* t = gmshType(type);
        if (!t && binary_)
            return damaged(blockAt, "the element type " + std::to_string(type) +
                                        " is not known, so its elements cannot be skipped");
        const auto& table = physical_[dim];
        const auto it = std::lower_bound(table.begin(), table.end(),
                                         std::pair<int64_t, int64_t>(entity, INT64_MIN));
        const int64_t material = it != table.end() && it->first == entity ? it->second : 1;
        if (binary_) {
            const int64_t each = sizeT_ * (1 + t->nodes);
            if (!need(uint64_t(count) * uint64_t(each))) return false;
            if (t->shape < 0) {
                skipType(type, count);
                p_ += count * each;
            } else {
                for (int64_t e = 0; e < count; ++e) {
                    const char* elementAt = p_;
                    int64_t tag;
                    if (!size(tag, "an element tag", INT64_MAX)) return false;
                    for (int j = 0; j < t->nodes; ++j)
                        if (!size(nodes[j], "an element node", INT64_MAX)) return false;
                    if (!addCell(type, tag, material, nodes, elementAt)) return false;
                }
            }
        } else if (!t || t->shape < 0) {
            skipType(type, count);
            for (int64_t e = 0; e < count; ++e) {
                int64_t x;
                if (!integer(x, "an element tag", INT64_MIN, INT64_MAX)) return false;
                if (t) {
                    for (int j = 0; j < t->nodes; ++j)
                        if (!integer(x, "an element node", INT64_MIN, INT64_MAX)) return false;
                } else {
                    skipLine();
                }
            }
        } else {
            for (int64_t e = 0; e < count; ++e) {
                int64_t tag;
                if (!integer(tag, "an element tag", INT64_MIN, INT64_MAX)) return false;
                const char* elementAt = p_ - 1;
                for (int j = 0; j < t->nodes; ++j)
                    if (!integer(nodes[j], "an element node", INT64_MIN, INT64_MAX)) return false;
                if (!addCell(type, tag, material, nodes, elementAt)) return false;
                if ((e & 0xFFFF) == 0) tick();
            }
        }
        done += count;
        tick();
    }
    if (done != n)
        return damaged(at, "the element blocks hold " + std::to_string(done) +
                               " elements, not the element count " + std::to_string(n));
    return true;
}

// A $NodeData section's tags (string, real, integer), its view, and where its entries are;
// they are read once every section is known.
bool MshReader::readDataHeader(const char* header) {
    part_ = "view data";
    DataSection s;
    s.header = header;
    int64_t count, x;
    if (!integer(count, "the string tag count", 0, (end_ - p_) / 2)) return false;
    std::string name;
    for (int64_t j = 0; j < count; ++j) {
        skipLine();
        if (p_ == end_) return endsEarly("a string tag");
        const char* nl = static_cast<const char*>(std::memchr(p_, '\n', size_t(end_ - p_) + 1));
        if (j == 0) {
            std::string_view line(p_, size_t(nl - p_));
            while (!line.empty() && scan::isSpace(line.back()))
                line.remove_suffix(1);
            while (!line.empty() && scan::isSpace(line.front()))
                line.remove_prefix(1);
            if (!line.empty() && line.front() == '"') line.remove_prefix(1);
            if (!line.empty() && line.back() == '"') line.remove_suffix(1);
            name = std::string(line.substr(0, 256));
            for (char& c : name)
                if (static_cast<unsigned char>(c) < 32 || c == 127) c = '_';
        }
        p_ = nl;
    }
    if (!integer(count, "the real tag count", 0, (end_ - p_) / 2)) return false;
    for (int64_t j = 0; j < count; ++j) {
        double t;
        if (!real(t, "a real tag")) return false;
        if (j == 0) s.time = t;
    }
    if (!integer(count, "the integer tag count", 0, (end_ - p_) / 2)) return false;
    if (count < 3)
        return damaged(header, "a $NodeData section has " + std::to_string(count) +
                                   " integer tags instead of at least 3");
    int64_t components = 1;
    for (int64_t j = 0; j < count; ++j) {
        skipSpace();
        const char* at = p_;
        if (!integer(x, "an integer tag", INT64_MIN, INT64_MAX)) return false;
        if (j == 0) s.step = x;
        if (j == 1) {
            components = x;
            if (x != 1 && x != 3 && x != 9)
                return damaged(
                    at, "a view of " + std::to_string(x) + " components instead of 1, 3 or 9");
        }
        if (j == 2) {
            s.entries = x;
            const int64_t each = binary_ ? 4 + 8 * components : 2 * (1 + components);
            if (x < 0 || x > room(each))
                return damaged(
                    at, "the entry count " + std::to_string(x) + " is more than the file can hold");
        }
    }
    if (name.empty()) name = "VIEW";  // a view without a name
    s.view = views_.size();
    for (size_t v = 0; v < views_.size(); ++v)
        if (views_[v].name == name) s.view = v;
    if (s.view == views_.size()) {
        views_.push_back({name, int32_t(components), 0});
    } else if (views_[s.view].components != components) {
        return damaged(header, "the view " + quoted(name) + " has " + std::to_string(components) +
                                   (components == 1 ? " component" : " components") + " here and " +
                                   std::to_string(views_[s.view].components) + " before");
    }
    if (binary_) {
        if (!dataStart()) return false;
        s.data = p_;
        if (!need(uint64_t(s.entries) * uint64_t(4 + 8 * components))) return false;
        p_ += s.entries * (4 + 8 * components);
        sections_.push_back(s);
        return endOf("NodeData");
    }
    s.data = p_;
    if (!skipSection("NodeData")) return false;
    s.end = sectionEnd_;
    sections_.push_back(s);
    return true;
}

// The fields of the views, one step per time-step index, filled from every section.
bool MshReader::readViews() {
    progress_.setText("Read nodal solutions ...");
    progress_.setPosition(position_ = 0);
    std::vector<int64_t> steps;
    for (const DataSection& s : sections_)
        steps.push_back(s.step);
    std::sort(steps.begin(), steps.end());
    steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
    im_.stepValues.assign(steps.size(), 0.0);
    std::vector<bool> valued(steps.size(), false);
    for (const DataSection& s : sections_) {
        const size_t k =
            size_t(std::lower_bound(steps.begin(), steps.end(), s.step) - steps.begin());
        if (!valued[k]) im_.stepValues[k] = s.time;
        valued[k] = true;
    }
    bool displacement = false;
    int64_t components = 0;
    for (View& v : views_) {
        v.firstField = int32_t(im_.fields.size());
        components += v.components;
        if (v.components == 9) {
            for (const char* suffix :
                 {"_XX", "_XY", "_XZ", "_YX", "_YY", "_YZ", "_ZX", "_ZY", "_ZZ"})
                im_.fields.push_back({v.name + suffix, 1, false, {}});
            continue;
        }
        const bool isDisplacement =
            v.components == 3 && !displacement && isDisplacementName(v.name);
        displacement = displacement || isDisplacement;
        im_.fields.push_back({v.name, v.components, isDisplacement, {}});
    }
    const int64_t n = int64_t(im_.labels.size()), stepCount = int64_t(steps.size());
    const double total = double(n) * double(stepCount) * double(components);
    if (total > double(end_ - begin_) + double(1 << 20))
        return refuse("The views of this file would take " + std::to_string(int64_t(total)) +
                      " values at all nodes and steps, more than a file of its size can give!");
    for (ImportedField& f : im_.fields)
        f.values.assign(size_t(stepCount * n * f.components), 0.0f);
    for (const DataSection& s : sections_) {
        const int64_t k = std::lower_bound(steps.begin(), steps.end(), s.step) - steps.begin();
        if (!readSection(s, k)) return false;
    }
    return true;
}

// The entries of a section: node tag and the view's components, at step k.
bool MshReader::readSection(const DataSection& s, int64_t k) {
    const View& view = views_[s.view];
    part_ = "view " + quoted(view.name);
    const int64_t n = int64_t(im_.labels.size());
    const int c = view.components;
    ImportedField* fields = im_.fields.data() + view.firstField;
    // Where component j of node i goes.
    const auto slot = [&](int32_t i, int j) -> float& {
        if (c == 9) return fields[j].values[size_t(k * n + i)];
        return fields[0].values[size_t((k * n + i) * c + j)];
    };
    p_ = s.data;
    for (int64_t e = 0; e < s.entries; ++e) {
        const char* at = p_;
        int64_t tag;
        if (binary_) {
            tag = load<int32_t>(p_);
            p_ += 4;
        } else {
            skipSpace();
            at = p_;
            if (p_ >= s.end)
                return damaged(s.end, "the view " + quoted(view.name) + " ends after " +
                                          std::to_string(e) + " of its " +
                                          std::to_string(s.entries) + " entries");
            if (!integer(tag, "a node tag", INT64_MIN, INT64_MAX)) return false;
        }
        const int32_t i = lookup_.find(tag);
        if (i < 0)
            return damaged(at, "the view " + quoted(view.name) + " has a value at node " +
                                   std::to_string(tag) + ", which is not among the nodes");
        for (int j = 0; j < c; ++j) {
            if (binary_) {
                slot(i, j) = float(load<double>(p_));
                p_ += 8;
            } else if (!value(slot(i, j), "a view value")) {
                return false;
            }
        }
        if ((e & 0xFFFF) == 0) tick();
    }
    if (!binary_ && skipSpace() && p_ < s.end)
        return damaged(p_, "the view " + quoted(view.name) + " holds more than its " +
                               std::to_string(s.entries) + " entries");
    return true;
}

}  // namespace

bool readMshFile(FeModel& model, const std::string& path, Progress& progress, Messages& messages) {
    MshReader reader(model, progress, messages);
    return reader.read(path) || discardFailedRead(model);
}

}  // namespace orv
