// The VTK XML unstructured grid: a VTKFile element (type UnstructuredGrid, byte_order,
// header_type, compressor) around an UnstructuredGrid of one Piece with its PointData,
// CellData, Points and Cells (connectivity, offsets, types), and an optional AppendedData
// element whose data, after a '_', the arrays of format "appended" find at their offset.
// Binary data starts with a header of header_type words: the byte count, or for compressed
// data the block count, block size, last block size and each block's compressed size.
//
// The XML is scanned by hand: the file's elements are few and flat, and the scanner refuses,
// with the byte where it stopped, whatever it does not understand.
#include "vtu_file.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "fe_model.h"
#include "file_input.h"
#include "imported_model.h"
#include "messages.h"
#include "progress.h"
#include "vtk_common.h"

namespace orv {

namespace {

using vtk::shownWord;
using vtk::ValueType;

constexpr const char* kOpenError = " Error to open file .vtu";
// The most bytes deflate gives from one byte of compressed data.
constexpr uint64_t kMaxInflateRatio = 1032;
// Elements nested deeper than this are refused rather than followed.
constexpr int kMaxDepth = 64;

struct Attribute {
    std::string_view name;
    std::string value;
    const char* at;
};

struct Element {
    std::string_view name;
    std::vector<Attribute> attributes;
    bool empty = false;  // written <name ... />
    const char* at = nullptr;

    const Attribute* find(std::string_view attribute) const {
        for (const Attribute& a : attributes)
            if (a.name == attribute) return &a;
        return nullptr;
    }
};

enum class Format { Ascii, Binary, Appended };

struct DataArray {
    std::string name;
    bool typed = false;  // a type this reader converts
    std::string typeName;
    ValueType type = ValueType::Float32;
    int64_t components = 1;
    int64_t tuples = -1;  // NumberOfTuples, when given
    Format format = Format::Ascii;
    uint64_t offset = 0;
    char* text = nullptr;  // the content of an ascii or binary array
    char* textEnd = nullptr;
    const char* at = nullptr;  // the element
};

// Where the values of a decoded array are, to name the byte of one of them.
struct Place {
    const DataArray* array = nullptr;
    const char* raw = nullptr;  // uncompressed appended bytes
};

ValueType valueTypeOf(std::string_view name, bool& known) {
    static const struct {
        const char* name;
        ValueType type;
    } kTypes[] = {{"Int8", ValueType::Int8},       {"UInt8", ValueType::UInt8},
                  {"Int16", ValueType::Int16},     {"UInt16", ValueType::UInt16},
                  {"Int32", ValueType::Int32},     {"UInt32", ValueType::UInt32},
                  {"Int64", ValueType::Int64},     {"UInt64", ValueType::UInt64},
                  {"Float32", ValueType::Float32}, {"Float64", ValueType::Float64}};
    for (const auto& t : kTypes)
        if (name == t.name) {
            known = true;
            return t.type;
        }
    known = false;
    return ValueType::Float32;
}

// An element or attribute name (name characters only) as a message shows it: at most 32 of
// them.
std::string shortName(std::string_view name) {
    return name.size() <= 32 ? std::string(name) : std::string(name.substr(0, 32)) + "...";
}

bool isNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
}
bool isNameChar(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Decodes base64 from text, skipping white space; each group of four characters gives three
// bytes, or one or two when it ends with '=' padding, so that separately encoded parts (a
// compression header and its data) read as one run of bytes.
class Base64 {
  public:
    Base64(const char* p, const char* end) : p_(p), end_(end) {}
    // False at a character that is not base64 (bad() then true) or at the end.
    bool read(char* out, size_t n) {
        while (n > 0) {
            if (have_ == used_ && !group()) return false;
            const size_t take = std::min(n, size_t(have_ - used_));
            std::memcpy(out, bytes_ + used_, take);
            used_ += int(take);
            out += take;
            n -= take;
        }
        return true;
    }
    // At most the bytes the rest of the text can give.
    uint64_t bound() const { return uint64_t(end_ - p_) / 4 * 3 + 3; }
    bool bad() const { return bad_; }
    const char* position() const { return p_; }

  private:
    static int value(char c) {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    }
    bool group() {
        int v[4], count = 0, padding = 0;
        while (count < 4) {
            while (p_ < end_ && scan::isSpace(*p_))
                ++p_;
            if (p_ >= end_) return false;
            const char c = *p_;
            if (c == '=' && count >= 2) {
                v[count++] = 0;
                ++padding;
            } else if (padding == 0 && value(c) >= 0) {
                v[count++] = value(c);
            } else {
                bad_ = true;
                return false;
            }
            ++p_;
        }
        const uint32_t bits =
            uint32_t(v[0]) << 18 | uint32_t(v[1]) << 12 | uint32_t(v[2]) << 6 | uint32_t(v[3]);
        bytes_[0] = char(bits >> 16);
        bytes_[1] = char(bits >> 8);
        bytes_[2] = char(bits);
        have_ = 3 - padding;
        used_ = 0;
        return true;
    }

    const char* p_;
    const char* end_;
    char bytes_[3] = {};
    int have_ = 0, used_ = 0;
    bool bad_ = false;
};

class XmlReader {
  public:
    XmlReader(Progress& progress, Messages& messages) : progress_(progress), messages_(messages) {}
    bool read(const std::string& path, ImportedModel& m);

  private:
    bool refuse(const std::string& text) {
        messages_.showError(text);
        return false;
    }
    bool damaged(const char* at, const std::string& what) {
        if (at >= end_) return cutOff("file");
        return refuse("The file is damaged at byte " + std::to_string(at - begin_) + ": " + what +
                      "!");
    }
    bool cutOff(const std::string& what) {
        return refuse("The file ends early: it is cut off in the " + what + " at byte " +
                      std::to_string(end_ - begin_) + "!");
    }

    // --- the scanner ---
    enum class Node { Start, End, Text, Finished };
    bool next(Node& node, Element& e, const char*& text, const char*& textEnd);
    bool startTag(Element& e);
    bool endTag(Element& e);
    bool skipElement(const Element& e);
    bool child(const Element& parent, Node& node, Element& e);
    bool attributeValue(const char* quote, std::string& value);

    // --- the structure ---
    bool integerAttribute(const Element& e, std::string_view name, int64_t lo, int64_t hi,
                          int64_t& value, bool required);
    bool file(ImportedModel& m);
    bool grid(const Element& e);
    bool piece(const Element& e);
    bool arrays(const Element& e, std::vector<DataArray>& out);
    bool dataArray(const Element& e, DataArray& a);
    bool appendedData(const Element& e);

    // --- the data ---
    bool header(Base64* text, const char*& raw, uint64_t& word, const DataArray& a);
    bool bytes(const DataArray& a, std::vector<char>& scratch, const char*& data, uint64_t& size,
               uint64_t expected, Place& place);
    template <class T>
    bool decode(const DataArray& a, std::vector<T>& out, int64_t expected, bool integers,
                Place& place);
    const char* valueAt(const Place& place, int64_t i) const;
    const DataArray* named(const std::vector<DataArray>& arrays, std::string_view name,
                           const char* owner, const char* at, bool required);
    bool points(ImportedModel& m);
    bool cells(ImportedModel& m);
    bool attributes(ImportedModel& m);

    Progress& progress_;
    Messages& messages_;
    vtk::FileBytes file_;
    char* begin_ = nullptr;
    char* end_ = nullptr;
    char* p_ = nullptr;

    bool bigEndian_ = false;
    int headerSize_ = 4;
    bool compressed_ = false;
    std::string compressor_;
    bool gridSeen_ = false;
    int pieces_ = 0;
    const char* pieceAt_ = nullptr;
    int64_t pointCount_ = 0, cellCount_ = 0;
    std::vector<DataArray> fieldData_, pointData_, cellData_, points_, cells_;
    const char* pointsAt_ = nullptr;
    const char* cellsAt_ = nullptr;
    const char* appended_ = nullptr;  // after the '_' of the appended data
    bool appendedBase64_ = false;
};

// --- the scanner ---

bool XmlReader::attributeValue(const char* quote, std::string& value) {
    const char q = *quote;
    const char* close = static_cast<const char*>(std::memchr(p_, q, size_t(end_ - p_)));
    if (!close) return cutOff("attribute value");
    for (const char* c = p_; c < close; ++c) {
        if (*c == '<') return damaged(c, "an attribute value holds a '<'");
        if (*c != '&') {
            value += *c;
            continue;
        }
        static const struct {
            const char* entity;
            char c;
        } kEntities[] = {
            {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
        bool found = false;
        for (const auto& e : kEntities) {
            const size_t n = std::strlen(e.entity);
            if (size_t(close - c) >= n && std::memcmp(c, e.entity, n) == 0) {
                value += e.c;
                c += n - 1;
                found = true;
                break;
            }
        }
        if (!found) value += '&';
    }
    p_ = const_cast<char*>(close) + 1;
    return true;
}

// The tag at p_ ('<' and a name start), up to its '>'.
bool XmlReader::startTag(Element& e) {
    e = Element();
    e.at = p_;
    const char* s = ++p_;
    while (p_ < end_ && isNameChar(*p_))
        ++p_;
    e.name = std::string_view(s, size_t(p_ - s));
    for (;;) {
        const char* before = p_;
        while (p_ < end_ && scan::isSpace(*p_))
            ++p_;
        if (p_ >= end_) return cutOff("tag <" + shortName(e.name) + ">");
        if (*p_ == '>') {
            ++p_;
            return true;
        }
        if (*p_ == '/') {
            if (end_ - p_ < 2) return cutOff("tag <" + shortName(e.name) + ">");
            if (p_[1] != '>') return damaged(p_, "a '/' in a tag is not followed by '>'");
            p_ += 2;
            e.empty = true;
            return true;
        }
        if (p_ == before || !isNameStart(*p_))
            return damaged(p_, "the tag <" + shortName(e.name) + "> holds " +
                                   shownWord(std::string_view(p_, 1)) +
                                   " where an attribute or its end is due");
        Attribute a;
        a.at = p_;
        const char* n = p_;
        while (p_ < end_ && isNameChar(*p_))
            ++p_;
        a.name = std::string_view(n, size_t(p_ - n));
        while (p_ < end_ && scan::isSpace(*p_))
            ++p_;
        if (p_ >= end_) return cutOff("tag <" + shortName(e.name) + ">");
        if (*p_ != '=') return damaged(p_, "the attribute " + shortName(a.name) + " has no '='");
        ++p_;
        while (p_ < end_ && scan::isSpace(*p_))
            ++p_;
        if (p_ >= end_) return cutOff("tag <" + shortName(e.name) + ">");
        if (*p_ != '"' && *p_ != '\'')
            return damaged(p_,
                           "the value of the attribute " + shortName(a.name) + " is not in quotes");
        const char* quote = p_++;
        if (!attributeValue(quote, a.value)) return false;
        if (!e.find(a.name)) e.attributes.push_back(std::move(a));
    }
}

bool XmlReader::endTag(Element& e) {
    e = Element();
    e.at = p_;
    p_ += 2;
    const char* s = p_;
    while (p_ < end_ && isNameChar(*p_))
        ++p_;
    e.name = std::string_view(s, size_t(p_ - s));
    while (p_ < end_ && scan::isSpace(*p_))
        ++p_;
    if (p_ >= end_) return cutOff("tag </" + shortName(e.name) + ">");
    if (*p_ != '>') return damaged(p_, "the end tag </" + shortName(e.name) + "> is malformed");
    ++p_;
    return true;
}

// The next start tag, end tag or text; comments and processing instructions are passed over.
bool XmlReader::next(Node& node, Element& e, const char*& text, const char*& textEnd) {
    for (;;) {
        if (p_ >= end_) {
            node = Node::Finished;
            return true;
        }
        if (*p_ != '<') {
            text = p_;
            char* lt = static_cast<char*>(std::memchr(p_, '<', size_t(end_ - p_)));
            p_ = lt ? lt : end_;
            textEnd = p_;
            node = Node::Text;
            return true;
        }
        const size_t rest = size_t(end_ - p_);
        if (rest >= 4 && std::memcmp(p_, "<!--", 4) == 0) {
            const char* close = static_cast<const char*>(memmem(p_ + 4, rest - 4, "-->", 3));
            if (!close) return cutOff("comment");
            p_ = const_cast<char*>(close) + 3;
            continue;
        }
        if (rest >= 2 && p_[1] == '?') {
            const char* close = static_cast<const char*>(memmem(p_ + 2, rest - 2, "?>", 2));
            if (!close) return cutOff("processing instruction");
            p_ = const_cast<char*>(close) + 2;
            continue;
        }
        if (rest >= 2 && p_[1] == '/') {
            node = Node::End;
            return endTag(e);
        }
        if (rest >= 2 && isNameStart(p_[1])) {
            node = Node::Start;
            return startTag(e);
        }
        return damaged(p_, "a '<' starts no element this reader knows");
    }
}

// Passes over the element whose start tag was read, with all it holds.
bool XmlReader::skipElement(const Element& e) {
    if (e.empty) return true;
    std::vector<std::string_view> open = {e.name};
    Element t;
    Node node;
    const char *text, *textEnd;
    while (!open.empty()) {
        if (!next(node, t, text, textEnd)) return false;
        if (node == Node::Finished) return cutOff("element <" + shortName(open.back()) + ">");
        if (node == Node::Start && !t.empty) {
            if (int(open.size()) >= kMaxDepth)
                return damaged(t.at, "the elements are nested too deep");
            open.push_back(t.name);
        } else if (node == Node::End) {
            if (t.name != open.back())
                return damaged(t.at, "the end tag </" + shortName(t.name) + "> closes <" +
                                         shortName(open.back()) + ">");
            open.pop_back();
        }
    }
    return true;
}

// The next element inside parent (text between them is passed over): Start, or End when the
// parent closes.
bool XmlReader::child(const Element& parent, Node& node, Element& e) {
    const char *text, *textEnd;
    do {
        if (!next(node, e, text, textEnd)) return false;
    } while (node == Node::Text);
    if (node == Node::Finished) return cutOff("element <" + shortName(parent.name) + ">");
    if (node == Node::End && e.name != parent.name)
        return damaged(e.at, "the end tag </" + shortName(e.name) + "> closes <" +
                                 shortName(parent.name) + ">");
    return true;
}

// --- the structure ---

bool XmlReader::integerAttribute(const Element& e, std::string_view name, int64_t lo, int64_t hi,
                                 int64_t& value, bool required) {
    const Attribute* a = e.find(name);
    if (!a) {
        if (!required) return true;
        return damaged(e.at, "the element <" + shortName(e.name) + "> has no " + std::string(name));
    }
    std::string_view v = a->value;
    while (!v.empty() && scan::isSpace(v.front()))
        v.remove_prefix(1);
    while (!v.empty() && scan::isSpace(v.back()))
        v.remove_suffix(1);
    const NumberStatus s = parseInteger(v, value);
    if (s == NumberStatus::Malformed)
        return damaged(a->at, std::string(name) + " " + shownWord(a->value) + " is not an integer");
    if (s == NumberStatus::OutOfRange || value < lo || value > hi)
        return damaged(a->at, std::string(name) + " " + shownWord(a->value) + " is out of range");
    return true;
}

bool XmlReader::dataArray(const Element& e, DataArray& a) {
    a.at = e.at;
    if (const Attribute* n = e.find("Name")) a.name = n->value;
    const Attribute* type = e.find("type");
    if (!type) return damaged(e.at, "the array " + vtk::arrayName(a.name) + " has no type");
    a.typeName = type->value;
    a.type = valueTypeOf(type->value, a.typed);
    if (!integerAttribute(e, "NumberOfComponents", 1, INT32_MAX, a.components, false) ||
        !integerAttribute(e, "NumberOfTuples", 0, INT64_MAX, a.tuples, false))
        return false;
    const Attribute* format = e.find("format");
    if (!format) return damaged(e.at, "the array " + vtk::arrayName(a.name) + " has no format");
    if (format->value == "ascii") {
        a.format = Format::Ascii;
    } else if (format->value == "binary") {
        a.format = Format::Binary;
    } else if (format->value == "appended") {
        a.format = Format::Appended;
        int64_t offset;
        if (!integerAttribute(e, "offset", 0, INT64_MAX, offset, true)) return false;
        a.offset = uint64_t(offset);
    } else {
        return damaged(format->at, "the format " + shownWord(format->value) +
                                       " is not ascii, binary or appended");
    }
    if (e.empty) return true;
    // The content: the data as text, and child elements (information keys) passed over.
    Node node;
    Element t;
    const char *text, *textEnd;
    for (;;) {
        if (!next(node, t, text, textEnd)) return false;
        if (node == Node::Finished) return cutOff("array " + vtk::arrayName(a.name));
        if (node == Node::End) {
            if (t.name != e.name)
                return damaged(t.at, "the end tag </" + shortName(t.name) + "> closes <" +
                                         shortName(e.name) + ">");
            return true;
        }
        if (node == Node::Start) {
            if (!skipElement(t)) return false;
            continue;
        }
        if (std::all_of(text, textEnd, [](char c) { return scan::isSpace(c); })) continue;
        if (a.text)
            return damaged(text, "the data of the array " + vtk::arrayName(a.name) +
                                     " are split by an element");
        a.text = const_cast<char*>(text);
        a.textEnd = const_cast<char*>(textEnd);
    }
}

bool XmlReader::arrays(const Element& e, std::vector<DataArray>& out) {
    if (e.empty) return true;
    Node node;
    Element c;
    for (;;) {
        if (!child(e, node, c)) return false;
        if (node == Node::End) return true;
        if (c.name == "DataArray") {
            DataArray a;
            if (!dataArray(c, a)) return false;
            out.push_back(std::move(a));
        } else if (!skipElement(c)) {
            return false;
        }
    }
}

bool XmlReader::piece(const Element& e) {
    if (++pieces_ > 1)
        return refuse(
            "The file holds an unstructured grid of several pieces: only one piece "
            "is read!");
    pieceAt_ = e.at;
    if (!integerAttribute(e, "NumberOfPoints", 0, INT64_MAX, pointCount_, true) ||
        !integerAttribute(e, "NumberOfCells", 0, INT64_MAX, cellCount_, true))
        return false;
    if (pointCount_ > INT32_MAX || cellCount_ > INT32_MAX - 1)
        return refuse("The file holds more nodes or elements than this program can show!");
    if (e.empty) return true;
    Node node;
    Element c;
    for (;;) {
        if (!child(e, node, c)) return false;
        if (node == Node::End) return true;
        bool ok;
        if (c.name == "PointData") {
            ok = arrays(c, pointData_);
        } else if (c.name == "CellData") {
            ok = arrays(c, cellData_);
        } else if (c.name == "Points") {
            pointsAt_ = c.at;
            ok = arrays(c, points_);
        } else if (c.name == "Cells") {
            cellsAt_ = c.at;
            ok = arrays(c, cells_);
        } else {
            ok = skipElement(c);
        }
        if (!ok) return false;
    }
}

bool XmlReader::grid(const Element& e) {
    gridSeen_ = true;
    if (e.empty) return true;
    Node node;
    Element c;
    for (;;) {
        if (!child(e, node, c)) return false;
        if (node == Node::End) return true;
        const bool ok = c.name == "Piece"       ? piece(c)
                        : c.name == "FieldData" ? arrays(c, fieldData_)
                                                : skipElement(c);
        if (!ok) return false;
    }
}

bool XmlReader::appendedData(const Element& e) {
    const Attribute* encoding = e.find("encoding");
    if (!encoding) return damaged(e.at, "the AppendedData have no encoding");
    if (encoding->value == "base64")
        appendedBase64_ = true;
    else if (encoding->value != "raw")
        return damaged(encoding->at,
                       "the encoding " + shownWord(encoding->value) + " is not raw or base64");
    if (e.empty) return damaged(e.at, "the AppendedData are empty");
    while (p_ < end_ && scan::isSpace(*p_))
        ++p_;
    if (p_ >= end_) return cutOff("AppendedData");
    if (*p_ != '_') return damaged(p_, "the appended data do not start with '_'");
    appended_ = p_ + 1;
    return true;
}

// The VTKFile element and what it holds, up to the start of the appended data.
bool XmlReader::file(ImportedModel&) {
    Node node;
    Element e;
    const char *text, *textEnd;
    if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;  // a UTF-8 mark
    for (;;) {
        if (!next(node, e, text, textEnd)) return false;
        if (node == Node::Finished) return cutOff("file: there is no VTKFile element");
        if (node == Node::Text) {
            const char* c = std::find_if(text, textEnd, [](char x) { return !scan::isSpace(x); });
            if (c != textEnd) return damaged(c, "the file does not start with an XML element");
            continue;
        }
        if (node == Node::Start && e.name == "VTKFile") break;
        return damaged(e.at,
                       "the first element is <" + shortName(e.name) + "> instead of <VTKFile>");
    }
    const Attribute* type = e.find("type");
    if (!type) return damaged(e.at, "the VTKFile element has no type");
    if (type->value != "UnstructuredGrid")
        return refuse("The file holds VTK data of the type " + shownWord(type->value) +
                      ": only UnstructuredGrid is read!");
    if (const Attribute* order = e.find("byte_order")) {
        if (order->value == "BigEndian")
            bigEndian_ = true;
        else if (order->value != "LittleEndian")
            return damaged(order->at, "the byte order " + shownWord(order->value) +
                                          " is neither LittleEndian nor BigEndian");
    }
    if (const Attribute* h = e.find("header_type")) {
        if (h->value == "UInt64")
            headerSize_ = 8;
        else if (h->value != "UInt32")
            return damaged(
                h->at, "the header type " + shownWord(h->value) + " is neither UInt32 nor UInt64");
    }
    if (const Attribute* c = e.find("compressor")) {
        compressor_ = c->value;
        compressed_ = !compressor_.empty();
    }
    const Element root = e;
    if (root.empty) return true;
    for (;;) {
        if (!child(root, node, e)) return false;
        if (node == Node::End) return true;
        if (e.name == "UnstructuredGrid") {
            if (gridSeen_) return damaged(e.at, "a second UnstructuredGrid");
            if (!grid(e)) return false;
        } else if (e.name == "AppendedData") {
            if (!gridSeen_) return damaged(e.at, "the AppendedData come before the grid");
            return appendedData(e);
        } else if (!skipElement(e)) {
            return false;
        }
    }
}

// --- the data ---

// One header word of the array's binary data, from base64 text or raw bytes.
bool XmlReader::header(Base64* text, const char*& raw, uint64_t& word, const DataArray& a) {
    unsigned char b[8];
    if (text) {
        if (!text->read(reinterpret_cast<char*>(b), size_t(headerSize_)))
            return text->bad()
                       ? damaged(text->position(), "the data of the array " +
                                                       vtk::arrayName(a.name) + " are not base64")
                       : cutOff("array " + vtk::arrayName(a.name));
    } else {
        if (end_ - raw < headerSize_) return cutOff("array " + vtk::arrayName(a.name));
        std::memcpy(b, raw, size_t(headerSize_));
        raw += headerSize_;
    }
    word = 0;
    for (int i = 0; i < headerSize_; ++i)
        word |= uint64_t(b[bigEndian_ ? headerSize_ - 1 - i : i]) << (8 * i);
    return true;
}

// The uncompressed bytes of a binary or appended array: in place in the file when appended raw
// and not compressed, else decoded into scratch. `expected` bytes (when not UINT64_MAX) are
// due.
bool XmlReader::bytes(const DataArray& a, std::vector<char>& scratch, const char*& data,
                      uint64_t& size, uint64_t expected, Place& place) {
    const std::string name = "array " + vtk::arrayName(a.name);
    if (compressed_ && compressor_ != "vtkZLibDataCompressor")
        return refuse("The file's arrays are compressed by " + shownWord(compressor_) +
                      ": only vtkZLibDataCompressor is read!");
    Base64 text(a.text, a.textEnd);
    const char* raw = nullptr;
    if (a.format == Format::Binary) {
        if (!a.text) return damaged(a.at, "the " + name + " has no data");
    } else {
        if (!appended_)
            return damaged(a.at, "the " + name +
                                     " is appended, but there are no "
                                     "AppendedData");
        if (a.offset > uint64_t(end_ - appended_))
            return damaged(a.at, "the offset " + std::to_string(a.offset) + " of the " + name +
                                     " is beyond the end of the file");
        text = Base64(appended_ + a.offset, end_);
        raw = appended_ + a.offset;
    }
    Base64* base64 = a.format == Format::Binary || appendedBase64_ ? &text : nullptr;
    const char* dataStart = raw;
    const auto rest = [&]() -> uint64_t { return base64 ? base64->bound() : uint64_t(end_ - raw); };
    const auto readBytes = [&](char* out, uint64_t n) {
        if (base64) {
            if (base64->read(out, size_t(n))) return true;
            return base64->bad()
                       ? damaged(base64->position(), "the data of the " + name + " are not base64")
                       : cutOff(name);
        }
        if (n > 0) std::memcpy(out, raw, size_t(n));
        raw += n;
        return true;
    };
    const auto sizeDue = [&](uint64_t n) {
        if (expected == UINT64_MAX || n == expected) return true;
        return damaged(dataStart ? dataStart : a.at, "the " + name + " holds " + std::to_string(n) +
                                                         " bytes where " +
                                                         std::to_string(expected) + " are due");
    };
    if (!compressed_) {
        if (!header(base64, raw, size, a)) return false;
        if (!sizeDue(size)) return false;
        if (size > rest()) return cutOff(name);
        if (!base64) {
            data = raw;
            place.raw = raw;
            return true;
        }
        scratch.resize(size_t(size));
        data = scratch.data();
        return readBytes(scratch.data(), size);
    }
    uint64_t blocks, blockSize, lastSize;
    if (!header(base64, raw, blocks, a) || !header(base64, raw, blockSize, a) ||
        !header(base64, raw, lastSize, a))
        return false;
    if (blocks > rest() / uint64_t(headerSize_))
        return damaged(dataStart ? dataStart : a.at,
                       "the " + name + " has " + std::to_string(blocks) +
                           " compressed blocks, more than the file can hold");
    std::vector<uint64_t> compressedSizes(static_cast<size_t>(blocks));
    uint64_t total = 0;
    for (uint64_t& c : compressedSizes) {
        if (!header(base64, raw, c, a)) return false;
        if (c > rest() - std::min(rest(), total)) return cutOff(name);
        total += c;
    }
    // The sizes the blocks give, each no more than deflate can give from its bytes.
    if (lastSize == 0) lastSize = blockSize;
    size = 0;
    for (uint64_t b = 0; b < blocks; ++b) {
        const uint64_t n = b + 1 == blocks ? lastSize : blockSize;
        if (n / kMaxInflateRatio > compressedSizes[size_t(b)])
            return damaged(dataStart ? dataStart : a.at,
                           "block " + std::to_string(b + 1) + " of the " + name + " announces " +
                               std::to_string(n) + " bytes, more than its " +
                               std::to_string(compressedSizes[size_t(b)]) +
                               " compressed bytes can give");
        size += n;
    }
    if (!sizeDue(size)) return false;
    std::vector<char> packed;
    const char* from = raw;
    if (base64) {
        packed.resize(size_t(total));
        if (!readBytes(packed.data(), total)) return false;
        from = packed.data();
    }
    scratch.resize(size_t(size));
    char* out = scratch.data();
    for (uint64_t b = 0; b < blocks; ++b) {
        const uint64_t n = b + 1 == blocks ? lastSize : blockSize;
        uLongf got = uLongf(n);
        const uLong c = uLong(compressedSizes[size_t(b)]);
        if (uncompress(reinterpret_cast<Bytef*>(out), &got, reinterpret_cast<const Bytef*>(from),
                       c) != Z_OK ||
            got != n)
            return damaged(dataStart ? from : a.at, "block " + std::to_string(b + 1) + " of the " +
                                                        name + " does not inflate to its " +
                                                        std::to_string(n) + " bytes");
        out += n;
        from += c;
    }
    data = scratch.data();
    return true;
}

const char* XmlReader::valueAt(const Place& place, int64_t i) const {
    const DataArray& a = *place.array;
    if (place.raw) return place.raw + i * vtk::valueSize(a.type);
    if (a.format == Format::Ascii && a.text) return vtk::wordAt(a.text, a.textEnd, i);
    return a.at;
}

// The values of an array: `expected` of them unless it is -1.
template <class T>
bool XmlReader::decode(const DataArray& a, std::vector<T>& out, int64_t expected, bool integers,
                       Place& place) {
    place = {&a, nullptr};
    const std::string name = "array " + vtk::arrayName(a.name);
    if (!a.typed)
        return damaged(a.at, "the " + name + " is of the type " + shownWord(a.typeName) +
                                 ", which is not read");
    if (integers && !vtk::isInteger(a.type))
        return damaged(a.at, "the " + name + " holds reals where integers are due");
    const auto countDue = [&](int64_t n) {
        if (expected < 0 || n == expected) return true;
        return damaged(a.at, "the " + name + " holds " + std::to_string(n) + " values where " +
                                 std::to_string(expected) + " are due");
    };
    if (a.format == Format::Ascii) {
        if (!a.text) return countDue(0);
        const int64_t bound = vtk::countBound(a.textEnd - a.text + 1, 2);
        if (expected > bound)
            return damaged(a.text, "the " + name + " holds fewer values than the " +
                                       std::to_string(expected) + " due");
        out.reserve(size_t(expected >= 0 ? expected : 0));
        const vtk::WordRun run = vtk::readAllWords(a.text, a.textEnd, vtk::isInteger(a.type), out);
        if (run.fault == vtk::WordFault::Malformed) {
            std::string_view w;
            scan::word(run.stop, w);
            return damaged(run.stop, "the value " + shownWord(w) + " of the " + name + " is not " +
                                         (vtk::isInteger(a.type) ? "an integer" : "a number"));
        }
        return countDue(int64_t(out.size()));
    }
    const uint64_t size = uint64_t(vtk::valueSize(a.type));
    const uint64_t due = expected < 0 || uint64_t(expected) > UINT64_MAX / size
                             ? UINT64_MAX
                             : uint64_t(expected) * size;
    std::vector<char> scratch;
    const char* data;
    uint64_t n;
    if (!bytes(a, scratch, data, n, due, place)) return false;
    if (n % size != 0)
        return damaged(a.at, "the " + name + " holds " + std::to_string(n) +
                                 " bytes, not a whole number of values");
    if (!countDue(int64_t(n / size))) return false;
    out.resize(size_t(n / size));
    vtk::convertValues(data, a.type, bigEndian_, size_t(n / size), out.data());
    return true;
}

const DataArray* XmlReader::named(const std::vector<DataArray>& arrays, std::string_view name,
                                  const char* owner, const char* at, bool required) {
    for (const DataArray& a : arrays)
        if (a.name == name) return &a;
    if (required) damaged(at, std::string("the ") + owner + " have no array " + quoted(name));
    return nullptr;
}

bool XmlReader::points(ImportedModel& m) {
    if (points_.empty()) {
        if (pointCount_ == 0) return true;
        return damaged(pointsAt_ ? pointsAt_ : pieceAt_, "the piece has no point coordinates");
    }
    const DataArray& a = points_.front();
    if (a.components != 3)
        return damaged(
            a.at, "the points have " + std::to_string(a.components) + " coordinates instead of 3");
    Place place;
    if (!decode(a, m.coords, pointCount_ * 3, false, place)) return false;
    for (int64_t v = 0; v < pointCount_ * 3; ++v)
        if (!std::isfinite(m.coords[size_t(v)]))
            return damaged(valueAt(place, v), "point " + std::to_string(v / 3) +
                                                  " has a coordinate that is not finite");
    m.labels.resize(size_t(pointCount_));
    for (int64_t i = 0; i < pointCount_; ++i)
        m.labels[size_t(i)] = i + 1;
    progress_.setPosition(30);
    return true;
}

bool XmlReader::cells(ImportedModel& m) {
    if (cellCount_ == 0) return true;
    const char* at = cellsAt_ ? cellsAt_ : pieceAt_;
    const DataArray* offsetsArray = named(cells_, "offsets", "Cells", at, true);
    if (!offsetsArray) return false;
    const DataArray* typesArray = named(cells_, "types", "Cells", at, true);
    if (!typesArray) return false;
    const DataArray* connectivityArray = named(cells_, "connectivity", "Cells", at, true);
    if (!connectivityArray) return false;
    std::vector<int64_t> offsets, types, connectivity;
    Place offsetsPlace, typesPlace, connectivityPlace;
    if (!decode(*offsetsArray, offsets, cellCount_, true, offsetsPlace) ||
        !decode(*typesArray, types, cellCount_, true, typesPlace))
        return false;
    // The offsets end each cell's points; they rise from 0 to the connectivity's size.
    int64_t previous = 0;
    for (int64_t i = 0; i < cellCount_; ++i) {
        if (offsets[size_t(i)] < previous)
            return damaged(valueAt(offsetsPlace, i),
                           "the offset " + std::to_string(offsets[size_t(i)]) + " of cell " +
                               std::to_string(i) + " is less than the one before");
        previous = offsets[size_t(i)];
    }
    // The connectivity stays as the file gives it (in place when appended raw): each cell's
    // points are converted as the cell is added.
    const DataArray& c = *connectivityArray;
    const char* idBytes;
    ValueType idType = ValueType::Int64;
    bool idSwap = false;
    std::vector<char> scratch;
    if (c.format == Format::Ascii || !c.typed || !vtk::isInteger(c.type)) {
        if (!decode(c, connectivity, previous, true, connectivityPlace)) return false;
        idBytes = reinterpret_cast<const char*>(connectivity.data());
    } else {
        connectivityPlace = {&c, nullptr};
        const uint64_t size = uint64_t(vtk::valueSize(c.type));
        uint64_t n;
        if (!bytes(c, scratch, idBytes, n, uint64_t(previous) * size, connectivityPlace))
            return false;
        idType = c.type;
        idSwap = bigEndian_;
    }
    progress_.setPosition(60);
    vtk::CellAssembler assembler(m, pointCount_);
    m.cells.reserve(size_t(cellCount_));
    m.cellNodes.reserve(size_t(previous));
    const int64_t idSize = vtk::valueSize(idType);
    int64_t begin = 0, ids[8];
    for (int64_t i = 0; i < cellCount_; ++i) {
        const int64_t end = offsets[size_t(i)], type = types[size_t(i)], count = end - begin;
        // A cell of more than eight points is of no shown type: its points are not read.
        if (count <= 8 && idType == ValueType::Int64 && !idSwap)
            std::memcpy(ids, idBytes + begin * 8, size_t(count) * 8);
        else if (count <= 8)
            vtk::convertValues(idBytes + begin * idSize, idType, idSwap, size_t(count), ids);
        if (!assembler.add(type, ids, count)) {
            CellShape shape;
            const char* where = valueAt(typesPlace, i);
            if (vtk::cellShape(type, shape)) {
                where = valueAt(offsetsPlace, i);
                if (count == cellShapeNodes(shape)) {
                    int64_t j = 0;
                    while (uint64_t(ids[j]) < uint64_t(pointCount_))
                        ++j;
                    where = valueAt(connectivityPlace, begin + j);
                }
            }
            return damaged(where, assembler.fault(type, ids, count));
        }
        begin = end;
    }
    assembler.finish();
    return true;
}

// Point arrays as fields, the cells' materials and the step's time.
bool XmlReader::attributes(ImportedModel& m) {
    for (const DataArray& a : pointData_) {
        if (!a.typed) continue;
        std::vector<float> values;
        Place place;
        if (pointCount_ > 0 && a.components > INT64_MAX / 8 / pointCount_)
            return damaged(a.at, "the array " + vtk::arrayName(a.name) + " has too many values");
        if (!decode(a, values, pointCount_ * a.components, false, place)) return false;
        vtk::addPointField(m, a.name, int32_t(a.components), std::move(values));
    }
    for (const DataArray& a : cellData_) {
        if (!a.typed || a.components != 1 || !vtk::isMaterialName(a.name)) continue;
        std::vector<double> values;
        Place place;
        int64_t bad;
        if (!decode(a, values, cellCount_, false, place)) return false;
        if (!vtk::applyMaterials(m, values, bad))
            return damaged(valueAt(place, bad),
                           "the material " + vtk::shownValue(values[size_t(bad)]) + " of cell " +
                               std::to_string(bad) + " is not an integer");
        break;
    }
    double time = 0.0;
    for (const DataArray& a : fieldData_) {
        if (!a.typed || !vtk::isTimeName(a.name)) continue;
        std::vector<double> values;
        Place place;
        const bool counted = a.tuples >= 0 && a.tuples <= INT64_MAX / 16 / a.components;
        if (!decode(a, values, counted ? a.tuples * a.components : -1, false, place)) return false;
        if (!values.empty()) time = values[0];
        break;
    }
    m.stepValues = {time};
    return true;
}

bool XmlReader::read(const std::string& path, ImportedModel& m) {
    if (!file_.read(path)) return refuse(kOpenError);
    begin_ = p_ = file_.data();
    end_ = begin_ + file_.size();
    progress_.setText("Read geometry model ...");
    progress_.setPosition(0);
    if (!file(m)) return false;
    if (!gridSeen_) return refuse("The file holds no UnstructuredGrid!");
    if (pieces_ == 0) return refuse("The file's UnstructuredGrid has no Piece!");
    // The texts of the arrays end where a tag starts: a line end there stops every scan.
    for (auto* list : {&fieldData_, &pointData_, &cellData_, &points_, &cells_})
        for (DataArray& a : *list)
            if (a.text && a.format == Format::Ascii) *a.textEnd = '\n';
    if (!points(m) || !cells(m) || !attributes(m)) return false;
    progress_.setPosition(90);
    return true;
}

}  // namespace

bool readVtuFile(FeModel& model, const std::string& path, Progress& progress, Messages& messages) {
    ImportedModel imported;
    {
        XmlReader reader(progress, messages);
        if (!reader.read(path, imported)) return discardFailedRead(model);
    }
    return buildImportedModel(imported, model, progress, messages);
}

}  // namespace orv
