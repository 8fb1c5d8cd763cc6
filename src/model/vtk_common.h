#pragma once
// What the two VTK importers (legacy .vtk and XML .vtu) share: the whole file in memory, the
// value types and their conversion, words of numbers, the cell types shown and the count of
// those that are not, and the rules by which arrays become fields, materials and the step's
// time.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "imported_model.h"

namespace orv::vtk {

// The bytes of a regular file, followed by a '\n' and zeros, so that number scans stop there
// and may read a word of eight bytes anywhere before it.
class FileBytes {
  public:
    static constexpr size_t kSlack = 64;
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes();
    // False (the reason recorded as the last file error) when it cannot be opened or read.
    bool read(const std::string& path);
    char* data() const { return data_; }
    size_t size() const { return size_; }

  private:
    char* data_ = nullptr;
    size_t size_ = 0;
};

enum class ValueType : uint8_t {
    Int8,
    UInt8,
    Int16,
    UInt16,
    Int32,
    UInt32,
    Int64,
    UInt64,
    Float32,
    Float64,
    Bit  // legacy files only: eight values a byte, the first in the highest bit
};
// Bytes of one value (0 for Bit).
int valueSize(ValueType type);
bool isInteger(ValueType type);

// Converts count values stored as `type` (byte-swapped when `swap`) into out. For Bit, `from`
// holds (count + 7) / 8 bytes.
template <class T>
void convertValues(const char* from, ValueType type, bool swap, size_t count, T* out);

// --- words of numbers, in text whose end holds a '\n' ---

enum class WordFault { None, End, Malformed };
struct WordRun {
    const char* stop;  // after the last word read, or at the word that is not a number
    WordFault fault;
};
// Reads count words as integers (only digits and a sign) or reals.
template <class T>
WordRun readWords(const char* p, const char* end, bool integers, size_t count, T* out);
// Reads every word up to end, appending them to out.
template <class T>
WordRun readAllWords(const char* p, const char* end, bool integers, std::vector<T>& out);
// The start of word n (0-based) from p, or end when there are fewer.
const char* wordAt(const char* p, const char* end, int64_t n);
// Line of position at (1-based) in text starting at begin.
int64_t lineOf(const char* begin, const char* at);

// The largest count the rest of a file of `bytes` bytes can hold, at `each` bytes a value
// (text: two, a digit and a separator); counts above it are refused before allocating.
inline int64_t countBound(int64_t bytes, int64_t each) {
    return each <= 0 ? 0 : (bytes + each - 1) / each;
}

// --- cells ---

// The shape a VTK cell type is shown as; false when it is not shown.
bool cellShape(int64_t type, CellShape& shape);

// Adds the cells of a file in order: a cell of a shown type becomes an element labelled by
// its index + 1, the others are counted by type for ImportedModel::skipped.
class CellAssembler {
  public:
    CellAssembler(ImportedModel& model, int64_t points);
    // Adds the next cell of `type` over the point ids [ids, ids + count); false when the cell
    // is damaged (a type VTK does not have, a point count that does not fit the type, or a
    // point that does not exist), which fault() then names.
    bool add(int64_t type, const int64_t* ids, int64_t count);
    std::string fault(int64_t type, const int64_t* ids, int64_t count) const;
    // Puts the counts of the cells not shown into the model ("2 wedges, 1 pyramid").
    void finish();

  private:
    ImportedModel& m_;
    int64_t points_;
    int64_t next_ = 0;
    int64_t counts_[256] = {};
    std::vector<uint8_t> order_;  // skipped types by first appearance
};

// --- arrays ---

// The point array that holds the displacements (three components): "Displacement", "U" or
// "DISP", in any case.
bool isDisplacementName(std::string_view name);
// The cell array of material numbers: "material" or "MaterialIds", in any case.
bool isMaterialName(std::string_view name);
// The field-data array of the step's time: "TimeValue".
bool isTimeName(std::string_view name);

// Adds a point array of `components` values per point, point after point, as a field: the
// first displacement array is the displacement field, every other array a field of its own
// name whose components the builder names (_X _Y _Z for two or three, _1 _2 ... beyond).
void addPointField(ImportedModel& m, std::string name, int32_t components,
                   std::vector<float>&& values);

// Sets the material of each shown cell from values per cell of the file; false with the
// index of the first cell whose value is not an integer of 32 bits.
bool applyMaterials(ImportedModel& m, const std::vector<double>& values, int64_t& badCell);

// An array name as a message shows it.
std::string arrayName(std::string_view name);
// A value for a message, in the fewest digits that give it back ("3.5", "1e+40").
std::string shownValue(double value);
// Whether two words are the same but for the case of ASCII letters.
bool equalNoCase(std::string_view a, std::string_view b);
// A word from a file as a message shows it: quoted, at most 32 characters of it.
std::string shownWord(std::string_view word);

}  // namespace orv::vtk
