#include "vtk_common.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

#include "file_input.h"
#include "messages.h"

namespace orv::vtk {

namespace {

constexpr std::align_val_t kPage{4096};

template <class U>
U byteSwapped(U v) {
    if constexpr (sizeof(U) == 2)
        return U(__builtin_bswap16(v));
    else if constexpr (sizeof(U) == 4)
        return U(__builtin_bswap32(v));
    else
        return U(__builtin_bswap64(v));
}

template <size_t N>
struct UnsignedOf;
template <>
struct UnsignedOf<1> {
    using type = uint8_t;
};
template <>
struct UnsignedOf<2> {
    using type = uint16_t;
};
template <>
struct UnsignedOf<4> {
    using type = uint32_t;
};
template <>
struct UnsignedOf<8> {
    using type = uint64_t;
};

// A value of S as T; a real that no integer T holds becomes T's lowest value, which every
// reader of integers refuses.
template <class T, class S>
T convertedValue(S s) {
    if constexpr (std::is_integral_v<T> && std::is_floating_point_v<S>) {
        if (!(std::fabs(s) < 9.0e18)) return std::numeric_limits<T>::lowest();
        return T(s);
    } else {
        return T(s);
    }
}

template <class S, class T>
void convertAs(const char* from, bool swap, size_t count, T* out) {
    using U = typename UnsignedOf<sizeof(S)>::type;
    if (count == 0) return;
    if constexpr (std::is_same_v<S, T>) {
        if (!swap || sizeof(S) == 1) {
            std::memcpy(out, from, count * sizeof(S));
            return;
        }
    }
    if (swap && sizeof(S) > 1) {
        for (size_t i = 0; i < count; ++i) {
            U u;
            std::memcpy(&u, from + i * sizeof(S), sizeof u);
            if constexpr (sizeof(S) > 1) u = byteSwapped(u);
            out[i] = convertedValue<T>(std::bit_cast<S>(u));
        }
    } else {
        for (size_t i = 0; i < count; ++i) {
            S s;
            std::memcpy(&s, from + i * sizeof(S), sizeof s);
            out[i] = convertedValue<T>(s);
        }
    }
}

// Skips white space in text whose end holds a '\n'.
inline const char* skipSpace(const char* p, const char* end) {
    while (p < end && scan::isSpace(*p))
        ++p;
    return p;
}

template <class T>
bool readWord(const char*& p, bool integers, T& out) {
    if (integers) {
        int64_t v;
        if (!scan::integer(p, v)) return false;
        out = T(v);
    } else {
        float v;
        if (!scan::real(p, v)) return false;
        out = convertedValue<T>(v);
    }
    return true;
}

struct CellTypeName {
    uint8_t type;
    const char* one;
    const char* many;
};

// Names of the cell types not shown, as counted in the message of a file without cells.
constexpr CellTypeName kSkippedNames[] = {
    {0, "empty cell", "empty cells"},
    {2, "poly-vertex", "poly-vertices"},
    {4, "polyline", "polylines"},
    {6, "triangle strip", "triangle strips"},
    {7, "polygon", "polygons"},
    {8, "pixel", "pixels"},
    {11, "voxel", "voxels"},
    {13, "wedge", "wedges"},
    {14, "pyramid", "pyramids"},
    {15, "pentagonal prism", "pentagonal prisms"},
    {16, "hexagonal prism", "hexagonal prisms"},
    {21, "quadratic edge", "quadratic edges"},
    {24, "quadratic tetrahedron", "quadratic tetrahedra"},
    {25, "quadratic hexahedron", "quadratic hexahedra"},
    {26, "quadratic wedge", "quadratic wedges"},
    {27, "quadratic pyramid", "quadratic pyramids"},
    {28, "biquadratic quadrilateral", "biquadratic quadrilaterals"},
    {29, "triquadratic hexahedron", "triquadratic hexahedra"},
    {30, "quadratic-linear quadrilateral", "quadratic-linear quadrilaterals"},
    {31, "quadratic-linear wedge", "quadratic-linear wedges"},
    {32, "biquadratic-quadratic wedge", "biquadratic-quadratic wedges"},
    {33, "biquadratic-quadratic hexahedron", "biquadratic-quadratic hexahedra"},
    {34, "biquadratic triangle", "biquadratic triangles"},
    {35, "cubic line", "cubic lines"},
    {36, "quadratic polygon", "quadratic polygons"},
    {37, "triquadratic pyramid", "triquadratic pyramids"},
    {41, "convex point set", "convex point sets"},
    {42, "polyhedron", "polyhedra"},
    {68, "Lagrange curve", "Lagrange curves"},
    {69, "Lagrange triangle", "Lagrange triangles"},
    {70, "Lagrange quadrilateral", "Lagrange quadrilaterals"},
    {71, "Lagrange tetrahedron", "Lagrange tetrahedra"},
    {72, "Lagrange hexahedron", "Lagrange hexahedra"},
    {73, "Lagrange wedge", "Lagrange wedges"},
    {74, "Lagrange pyramid", "Lagrange pyramids"},
    {75, "Bezier curve", "Bezier curves"},
    {76, "Bezier triangle", "Bezier triangles"},
    {77, "Bezier quadrilateral", "Bezier quadrilaterals"},
    {78, "Bezier tetrahedron", "Bezier tetrahedra"},
    {79, "Bezier hexahedron", "Bezier hexahedra"},
    {80, "Bezier wedge", "Bezier wedges"},
    {81, "Bezier pyramid", "Bezier pyramids"},
};

// The shown types: VTK type, shape, name.
struct ShownType {
    uint8_t type;
    CellShape shape;
    const char* name;
};
constexpr ShownType kShown[] = {
    {1, CellShape::Point, "a vertex"},
    {3, CellShape::Line2, "a line"},
    {5, CellShape::Triangle3, "a triangle"},
    {9, CellShape::Quad4, "a quadrilateral"},
    {22, CellShape::Triangle6, "a quadratic triangle"},
    {23, CellShape::Quad8, "a quadratic quadrilateral"},
    {10, CellShape::Tetra4, "a tetrahedron"},
    {12, CellShape::Hexa8, "a hexahedron"},
};

// Shape + 1 of each VTK type, 0 for the types not shown.
struct ShapeTable {
    uint8_t shape[256] = {};
    constexpr ShapeTable() {
        for (const ShownType& s : kShown)
            shape[s.type] = uint8_t(int(s.shape) + 1);
    }
};
constexpr ShapeTable kShapes;

char lowerCase(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

}  // namespace

// --- the file ---

FileBytes::~FileBytes() {
    if (data_) ::operator delete(data_, kPage);
}

bool FileBytes::read(const std::string& path) {
    BinaryInput in;
    if (!in.open(path)) return false;
    const size_t size = size_t(in.size());
    char* data = static_cast<char*>(::operator new(size + kSlack, kPage));
    if (size > 0 && !in.readAt(0, data, size)) {
        ::operator delete(data, kPage);
        recordFileError("The file could not be read");
        return false;
    }
    std::memset(data + size, 0, kSlack);
    data[size] = '\n';
    if (data_) ::operator delete(data_, kPage);
    data_ = data;
    size_ = size;
    return true;
}

// --- values ---

int valueSize(ValueType type) {
    static const int kSizes[] = {1, 1, 2, 2, 4, 4, 8, 8, 4, 8, 0};
    return kSizes[int(type)];
}

bool isInteger(ValueType type) {
    return type != ValueType::Float32 && type != ValueType::Float64;
}

template <class T>
void convertValues(const char* from, ValueType type, bool swap, size_t count, T* out) {
    switch (type) {
        case ValueType::Int8:
            return convertAs<int8_t>(from, false, count, out);
        case ValueType::UInt8:
            return convertAs<uint8_t>(from, false, count, out);
        case ValueType::Int16:
            return convertAs<int16_t>(from, swap, count, out);
        case ValueType::UInt16:
            return convertAs<uint16_t>(from, swap, count, out);
        case ValueType::Int32:
            return convertAs<int32_t>(from, swap, count, out);
        case ValueType::UInt32:
            return convertAs<uint32_t>(from, swap, count, out);
        case ValueType::Int64:
            return convertAs<int64_t>(from, swap, count, out);
        case ValueType::UInt64:
            return convertAs<uint64_t>(from, swap, count, out);
        case ValueType::Float32:
            return convertAs<float>(from, swap, count, out);
        case ValueType::Float64:
            return convertAs<double>(from, swap, count, out);
        case ValueType::Bit:
            for (size_t i = 0; i < count; ++i)
                out[i] = T((static_cast<unsigned char>(from[i >> 3]) >> (7 - (i & 7))) & 1);
            return;
    }
}

template void convertValues<float>(const char*, ValueType, bool, size_t, float*);
template void convertValues<double>(const char*, ValueType, bool, size_t, double*);
template void convertValues<int64_t>(const char*, ValueType, bool, size_t, int64_t*);

// --- words ---

template <class T>
WordRun readWords(const char* p, const char* end, bool integers, size_t count, T* out) {
    for (size_t i = 0; i < count; ++i) {
        p = skipSpace(p, end);
        if (p >= end) return {p, WordFault::End};
        if (!readWord(p, integers, out[i])) return {p, WordFault::Malformed};
    }
    return {p, WordFault::None};
}

template <class T>
WordRun readAllWords(const char* p, const char* end, bool integers, std::vector<T>& out) {
    for (;;) {
        p = skipSpace(p, end);
        if (p >= end) return {p, WordFault::None};
        T v;
        if (!readWord(p, integers, v)) return {p, WordFault::Malformed};
        out.push_back(v);
    }
}

template WordRun readWords<float>(const char*, const char*, bool, size_t, float*);
template WordRun readWords<double>(const char*, const char*, bool, size_t, double*);
template WordRun readWords<int64_t>(const char*, const char*, bool, size_t, int64_t*);
template WordRun readAllWords<float>(const char*, const char*, bool, std::vector<float>&);
template WordRun readAllWords<double>(const char*, const char*, bool, std::vector<double>&);
template WordRun readAllWords<int64_t>(const char*, const char*, bool, std::vector<int64_t>&);

const char* wordAt(const char* p, const char* end, int64_t n) {
    p = skipSpace(p, end);
    for (int64_t i = 0; i < n && p < end; ++i) {
        while (p < end && !scan::isSpace(*p))
            ++p;
        p = skipSpace(p, end);
    }
    return p;
}

int64_t lineOf(const char* begin, const char* at) {
    return 1 + int64_t(scan::countLines(begin, at));
}

// --- cells ---

bool cellShape(int64_t type, CellShape& shape) {
    if (type < 0 || type > 255 || kShapes.shape[type] == 0) return false;
    shape = CellShape(kShapes.shape[type] - 1);
    return true;
}

CellAssembler::CellAssembler(ImportedModel& model, int64_t points) : m_(model), points_(points) {}

bool CellAssembler::add(int64_t type, const int64_t* ids, int64_t count) {
    if (type < 0 || type > 255) return false;
    const int code = kShapes.shape[type];
    if (code == 0) {
        if (counts_[type]++ == 0) order_.push_back(uint8_t(type));
        ++next_;
        return true;
    }
    const CellShape shape = CellShape(code - 1);
    const int n = cellShapeNodes(shape);
    if (count != n) return false;
    for (int j = 0; j < n; ++j)
        if (uint64_t(ids[j]) >= uint64_t(points_)) return false;
    m_.cells.push_back({shape, int32_t(next_ + 1), 1, int64_t(m_.cellNodes.size())});
    m_.cellNodes.insert(m_.cellNodes.end(), ids, ids + n);
    ++next_;
    return true;
}

std::string CellAssembler::fault(int64_t type, const int64_t* ids, int64_t count) const {
    const std::string cell = "cell " + std::to_string(next_);
    CellShape shape;
    if (!cellShape(type, shape))
        return cell + " is of type " + std::to_string(type) + ", which VTK does not have";
    const char* name = "";
    for (const ShownType& s : kShown)
        if (s.shape == shape) name = s.name;
    const int n = cellShapeNodes(shape);
    if (count != n)
        return cell + ", " + name + ", has " + std::to_string(count) + " points instead of " +
               std::to_string(n);
    for (int j = 0; j < n; ++j)
        if (uint64_t(ids[j]) >= uint64_t(points_))
            return cell + " refers to point " + std::to_string(ids[j]) +
                   (points_ == 0 ? std::string(", but there are no points")
                                 : ", outside 0.." + std::to_string(points_ - 1));
    return cell + " is damaged";
}

void CellAssembler::finish() {
    for (uint8_t type : order_) {
        const int64_t n = counts_[type];
        std::string what;
        for (const CellTypeName& t : kSkippedNames)
            if (t.type == type) what = n == 1 ? t.one : t.many;
        if (what.empty())
            what = (n == 1 ? "cell of type " : "cells of type ") + std::to_string(type);
        m_.skipped.push_back(std::to_string(n) + " " + what);
    }
}

// --- arrays ---

bool isDisplacementName(std::string_view name) {
    return equalNoCase(name, "Displacement") || equalNoCase(name, "U") || equalNoCase(name, "DISP");
}

bool isMaterialName(std::string_view name) {
    return equalNoCase(name, "material") || equalNoCase(name, "MaterialIds");
}

bool isTimeName(std::string_view name) {
    return equalNoCase(name, "TimeValue");
}

void addPointField(ImportedModel& m, std::string name, int32_t components,
                   std::vector<float>&& values) {
    ImportedField f;
    f.displacement = components == 3 && isDisplacementName(name) &&
                     std::none_of(m.fields.begin(), m.fields.end(),
                                  [](const ImportedField& g) { return g.displacement; });
    f.name = std::move(name);
    f.components = components;
    f.values = std::move(values);
    m.fields.push_back(std::move(f));
}

bool applyMaterials(ImportedModel& m, const std::vector<double>& values, int64_t& badCell) {
    for (ImportedCell& c : m.cells) {
        const double v = values[size_t(c.label - 1)];
        if (!(v >= double(INT32_MIN) && v <= double(INT32_MAX)) || v != std::floor(v)) {
            badCell = c.label - 1;
            return false;
        }
        c.material = int32_t(v);
    }
    return true;
}

std::string arrayName(std::string_view name) {
    return shownWord(name);
}

std::string shownValue(double value) {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, value);
    return std::string(text, r.ptr);
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerCase(x) == lowerCase(y);
           });
}

std::string shownWord(std::string_view word) {
    constexpr size_t kShown = 32;
    return word.size() <= kShown ? quoted(word) : quoted(word.substr(0, kShown)) + "...";
}

}  // namespace orv::vtk
