#include "binary_result_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <iterator>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "fe_model.h"
#include "file_input.h"
#include "messages.h"
#include "progress.h"
#include "safe_file_writer.h"

namespace orv {

namespace {

constexpr const char* kOpenError = " Error to open file .rst";
constexpr const char* kWriteError = " Error to write file .rst";

// Faults in the pages of the tables the reader fills, on a second thread and ahead of the
// reader: on a large file the kernel spends more time handing out fresh pages than the reader
// spends filling them, and it hands them out faster in one request than one fault at a time.
// Only the mapping changes, never the content, so the reader writes wherever it likes
// meanwhile. The tables are taken in the order queued, one chunk at a time.
class Prefaulter {
    struct Range {
        uintptr_t begin, end;
    };

  public:
    Prefaulter() = default;
    Prefaulter(const Prefaulter&) = delete;
    Prefaulter& operator=(const Prefaulter&) = delete;
    ~Prefaulter() { stop(); }

    static constexpr size_t kNone = SIZE_MAX;

    // Queues the storage of a table, all of its capacity, and returns its place in the queue;
    // small tables are left alone (kNone).
    template <class T, class A>
    size_t add(const std::vector<T, A>& table) {
        return add(table.data(), table.capacity() * sizeof(T));
    }
    // Faults in, together with the second thread, what is queued up to and including `place`.
    void finish(size_t place) {
        Range chunk;
        while (place != kNone && take(chunk, place))
            if (!populate(chunk)) return;
    }
    // Stops at the next chunk and waits for the thread.
    void stop() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

  private:
    static constexpr uintptr_t kChunk = uintptr_t(1) << 20;
    static constexpr size_t kLeast = size_t(4) << 20;

    // The whole pages of the storage.
    static Range pages(const void* data, size_t bytes) {
        const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
        return {(uintptr_t(data) + page - 1) / page * page,
                (uintptr_t(data) + bytes) / page * page};
    }
    // False on a kernel without batch faulting: the reader then faults the pages itself.
    bool populate(Range r) {
        return ::madvise(reinterpret_cast<void*>(r.begin), r.end - r.begin, MADV_POPULATE_WRITE) ==
                   0 ||
               errno != EINVAL;
    }

    size_t add(const void* data, size_t bytes) {
        const Range r = pages(data, bytes);
        if (bytes < kLeast || r.begin >= r.end || std::thread::hardware_concurrency() < 2)
            return kNone;
        size_t place;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return kNone;
            place = ranges_.size();
            ranges_.push_back(r);
        }
        if (!thread_.joinable())
            thread_ = std::thread(&Prefaulter::run, this);
        else
            wake_.notify_one();
        return place;
    }

    // The next chunk of the ranges up to and including `last`; false when none is left.
    // The caller holds the lock.
    bool next(Range& chunk, size_t last) {
        if (stopping_ || next_ == ranges_.size() || next_ > last) return false;
        Range& r = ranges_[next_];
        chunk = {r.begin, std::min(r.end, r.begin + kChunk)};
        r.begin = chunk.end;
        if (r.begin == r.end) ++next_;
        return true;
    }
    bool take(Range& chunk, size_t last) {
        std::lock_guard lock(mutex_);
        return next(chunk, last);
    }

    void run() {
        for (;;) {
            Range chunk;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || next_ < ranges_.size(); });
                if (!next(chunk, kNone)) return;
            }
            if (!populate(chunk)) return;
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Range> ranges_;
    size_t next_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

// Fields of type T in the read buffer, `perRecord` of them side by side in each record of
// `stride` bytes: appends a batch of records' fields to a table without zero-filling it first.
template <class T>
class Fields {
  public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = const T*;
    using reference = T;

    Fields() = default;
    Fields(const char* record, int perRecord, size_t stride)
        : record_(record), perRecord_(perRecord), stride_(stride) {}
    T operator*() const {
        T v;
        std::memcpy(&v, record_ + sizeof(T) * size_t(field_), sizeof v);
        return v;
    }
    Fields& operator++() {
        if (++field_ == perRecord_) {
            field_ = 0;
            record_ += stride_;
        }
        return *this;
    }
    Fields operator++(int) {
        Fields old = *this;
        ++*this;
        return old;
    }
    bool operator==(const Fields& o) const { return record_ == o.record_ && field_ == o.field_; }

  private:
    const char* record_ = nullptr;
    int perRecord_ = 1, field_ = 0;
    size_t stride_ = 0;
};

int32_t intAt(const char* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

class BinaryReader {
  public:
    BinaryReader(FeModel& model, Progress& progress, Messages& messages)
        : model_(model), progress_(progress), messages_(messages) {}

    bool read(const std::string& path);

  private:
    bool damaged(const std::string& what) {
        return refuse("The file is damaged at byte " + std::to_string(at_) + ": " + what + "!");
    }
    bool refuse(const std::string& text) {
        messages_.showError(text);
        return false;
    }
    // The file ends at byte `end`, inside the block.
    bool endsEarly(const char* block, int64_t end) {
        return refuse("The file ends early: it is cut off in the " + std::string(block) +
                      " at byte " + std::to_string(end) + "!");
    }
    bool endsEarly(const char* block) { return endsEarly(block, in_.offset()); }
    bool readInt(int32_t& v, const char* block) {
        at_ = in_.offset();
        return in_.readInt(v) || endsEarly(block);
    }
    bool readFloat(float& v, const char* block) {
        at_ = in_.offset();
        return in_.readFloat(v) || endsEarly(block);
    }
    // Count n of records of at least `bytes` each that must fit in the rest of the file.
    bool fits(int64_t n, int64_t bytes) const {
        return n >= 0 && (n == 0 || bytes <= in_.remaining() / n);
    }
    // Progress through a block: `by` more, up to `most`, after every `every` records.
    struct Ticker {
        Progress& progress;
        int64_t every;
        int position, by, most;
        int64_t next = every;
        // Called with the number of records read so far.
        void reach(int64_t done) {
            while (every > 0 && done >= next) {
                next += every;
                position = std::min(position + by, most);
                progress.setPosition(position);
            }
        }
    };

    bool readHeader();
    void sizeElementTables();
    bool readNodes();
    bool checkCoordinates(int32_t first, const char* records, size_t count, size_t stride,
                          int64_t offset);
    bool readNodeRecord(int32_t i);
    bool readResults();
    bool readElements();
    bool readElementTypes(int32_t count);
    // Face flags a record stores: one per node of a plane element, or, in the layout with one
    // per side, half as many for the quadratic ones (3 for code 26, 4 for code 28).
    int32_t storedFlags(const ElementRecord& r) const {
        if (r.family == ElementFamily::Plane)
            return flagPerSide_ && r.nodeCount > 4 ? r.nodeCount / 2 : r.faceCount;
        return r.family == ElementFamily::Solid || r.family == ElementFamily::Shell ? r.faceCount
                                                                                    : 0;
    }
    size_t recordBytes(const ElementRecord& r) const {
        return 20 + 4 * size_t(r.nodeCount) +
               (r.family == ElementFamily::Solid   ? 8
                : r.family == ElementFamily::Shell ? 4
                                                   : 0) +
               4 * size_t(storedFlags(r));
    }
    bool readElementRecord(int32_t e, const char* record, size_t available, int64_t offset);
    bool readTrailer();

    FeModel& model_;
    Progress& progress_;
    Messages& messages_;
    BinaryInput in_;
    Prefaulter prefaulter_;
    int64_t at_ = 0;  // offset of the field being checked
    int32_t dofCount_ = 0, stepCount_ = 0;
    size_t recordBytes_ = 0;  // of a node
    // The element records store one flag per side of a quadratic plane element, as some
    // writers do, instead of one per node.
    bool flagPerSide_ = false;
    // Per axis, the lowest and highest stored coordinates: the centre is checked against them.
    std::array<float, 3> lowest_{0, 0, 0}, highest_{0, 0, 0};
};

bool BinaryReader::read(const std::string& path) {
    progress_.setText("Read model ...");
    progress_.setPosition(10);
    if (!in_.open(path)) return refuse(kOpenError);
    bool ok = readHeader() && readNodes() && readResults();
    if (ok) {
        progress_.setPosition(90);
        ok = readElements() && readTrailer();
    }
    prefaulter_.stop();
    if (!ok) return false;
    model_.dropStepsWithoutComponents();
    progress_.setPosition(100);
    return true;
}

bool BinaryReader::readHeader() {
    int32_t magic = 0;
    if (!readInt(magic, "header")) return false;
    if (magic != kBinaryMagic) return refuse("This file is not available for current version!");
    int32_t titleLength;
    if (!readInt(titleLength, "header")) return false;
    if (titleLength < 0 || titleLength > kMaxTitleLength)
        return damaged("the title length " + std::to_string(titleLength) + " is impossible");
    std::string title(size_t(titleLength), '\0');
    if (!in_.read(title.data(), title.size())) return endsEarly("title");
    title.resize(std::strlen(title.c_str()));  // the title ends at its first zero byte
    model_.jobTitle = std::move(title);

    int32_t nodeCount, dimension;
    if (!readInt(nodeCount, "header")) return false;
    const int64_t nodeCountAt = at_;
    if (!readInt(dimension, "header")) return false;
    if (dimension != 2 && dimension != 3)
        return damaged("the dimension is " + std::to_string(dimension) + " instead of 2 or 3");
    if (!readInt(dofCount_, "header")) return false;
    if (dofCount_ < 0 || dofCount_ > kMaxDofNames)
        return damaged("the number of result components " + std::to_string(dofCount_) +
                       " is not between 0 and 50");
    if (!readInt(stepCount_, "header")) return false;
    if (stepCount_ < 0)
        return damaged("the step count " + std::to_string(stepCount_) + " is negative");
    // The step tables are sized before they are read: each step takes its value and extremes
    // (4 + 8 x components bytes). Without components nothing is stored per step, and a step
    // count beyond the file's size is not believed either.
    if (!fits(stepCount_, dofCount_ > 0 ? 4 + 8 * int64_t(dofCount_) : 1))
        return damaged("the step count " + std::to_string(stepCount_) +
                       " is more than the file can hold");
    const int64_t recordBytes = 4 + 4 * int64_t(dimension) + 4 * int64_t(stepCount_) * dofCount_;
    if (nodeCount < 0) {
        at_ = nodeCountAt;
        return damaged("the node count " + std::to_string(nodeCount) + " is negative");
    }
    if (!fits(nodeCount, recordBytes)) {
        at_ = nodeCountAt;
        return damaged("the node count " + std::to_string(nodeCount) +
                       " is more than the file can hold");
    }
    recordBytes_ = size_t(recordBytes);
    model_.nodeCount = nodeCount;
    model_.dimension = dimension;
    return true;
}

// The node tables hold exactly what the node block holds, which the header has checked to be
// in the file. Records are taken in batches straight from the read buffer.
bool BinaryReader::readNodes() {
    const int32_t n = model_.nodeCount, dim = model_.dimension;
    const size_t perStep = size_t(dofCount_), steps = size_t(stepCount_);
    model_.nodeNumbers.reserve(size_t(n));
    model_.coords.reserve(size_t(n) * size_t(dim));
    // Values are stored step after step, the file stores them node after node: with several
    // steps a batch of records fills parts of every step, so that table is sized first.
    const bool appendValues = steps <= 1 || perStep == 0;
    model_.values.reserve(size_t(n) * perStep * steps);
    // Both threads fault in the values first when they are cleared before the node block; the
    // second thread then goes on with the tables in the order they are filled.
    sizeElementTables();
    const size_t valuesPlace = appendValues ? Prefaulter::kNone : prefaulter_.add(model_.values);
    prefaulter_.add(model_.coords);
    prefaulter_.add(model_.nodeNumbers);
    if (appendValues) prefaulter_.add(model_.values);
    prefaulter_.add(model_.elements);
    prefaulter_.add(model_.connectivity);
    prefaulter_.add(model_.faceFlags);
    if (!appendValues) {
        prefaulter_.finish(valuesPlace);
        model_.values.resize(model_.values.capacity());
    }
    lowest_.fill(0.0f);
    highest_.fill(0.0f);
    if (n > 0)
        for (int j = 0; j < dim; ++j) {
            lowest_[size_t(j)] = kHighestFloat;
            highest_[size_t(j)] = kLowestFloat;
        }

    const size_t R = recordBytes_;
    Ticker ticker{progress_, n / 7, 10, 10, 100};
    for (int32_t i = 0; i < n;) {
        const std::span<const char> buffered = in_.peek(R);
        const size_t count = std::min(buffered.size() / R, size_t(n - i));
        if (count == 0) {
            // A record larger than the buffer, or a file cut short since it was opened.
            if (!readNodeRecord(i)) return false;
            ticker.reach(++i);
            continue;
        }
        const char* records = buffered.data();
        if (!checkCoordinates(i, records, count, R, in_.offset())) return false;
        model_.nodeNumbers.insert(model_.nodeNumbers.end(), Fields<int32_t>(records, 1, R),
                                  Fields<int32_t>(records + count * R, 1, R));
        model_.coords.insert(model_.coords.end(), Fields<float>(records + 4, dim, R),
                             Fields<float>(records + 4 + count * R, dim, R));
        const char* first = records + 4 + 4 * size_t(dim);
        if (appendValues) {
            if (perStep > 0 && steps > 0)
                model_.values.insert(model_.values.end(), Fields<float>(first, int(perStep), R),
                                     Fields<float>(first + count * R, int(perStep), R));
        } else {
            for (size_t k = 0; k < steps; ++k) {
                float* v = model_.values.data() + (k * size_t(n) + size_t(i)) * perStep;
                const char* from = first + 4 * perStep * k;
                for (size_t r = 0; r < count; ++r, v += perStep, from += R)
                    for (size_t d = 0; d < perStep; ++d)
                        std::memcpy(v + d, from + 4 * d, 4);
            }
        }
        in_.skip(count * R);
        i += int32_t(count);
        ticker.reach(i);
    }
    return true;
}

// Checks that the coordinates of `count` records of `stride` bytes, from node `first` on and
// at file offset `offset`, are finite, and widens the coordinate range by them.
bool BinaryReader::checkCoordinates(int32_t first, const char* records, size_t count, size_t stride,
                                    int64_t offset) {
    const int dim = model_.dimension;
    for (size_t r = 0; r < count; ++r) {
        float c[3];
        std::memcpy(c, records + r * stride + 4, 4 * size_t(dim));
        for (int j = 0; j < dim; ++j) {
            if (!std::isfinite(c[j])) {
                at_ = offset + int64_t(r * stride) + 4 + 4 * j;
                return damaged("node " + std::to_string(first + int64_t(r) + 1) +
                               " has a coordinate that is not finite");
            }
            lowest_[size_t(j)] = std::min(lowest_[size_t(j)], c[j]);
            highest_[size_t(j)] = std::max(highest_[size_t(j)], c[j]);
        }
    }
    return true;
}

// Sizes the element tables before the node block is read, from a look ahead at the element
// type list, so that their pages are faulted in meanwhile. What the look finds wrong is left
// for the reading in order to report.
void BinaryReader::sizeElementTables() {
    int64_t at = in_.offset() + int64_t(model_.nodeCount) * int64_t(recordBytes_);
    int32_t head[3];
    if (!in_.readAt(at, head, sizeof head) || head[1] != dofCount_ || head[2] != stepCount_) return;
    at += int64_t(sizeof head);
    for (int32_t d = 0; d < dofCount_; ++d) {
        int32_t length;
        if (!in_.readAt(at, &length, 4) || length < 0 || length > kMaxDofNameLength) return;
        at += 4 + length;
    }
    if (stepCount_ >= 1 && dofCount_ >= 1)
        at += 8 * int64_t(dofCount_) + int64_t(stepCount_) * (4 + 8 * int64_t(dofCount_));
    int32_t count;
    if (!in_.readAt(at, &count, 4) || count < 0 || count > (in_.size() - at) / 28) return;
    at += 4;
    int64_t nodeTotal = 0, flagTotal = 0;
    int32_t codes[2048];
    for (int32_t e = 0; e < count;) {
        const int32_t batch = std::min<int32_t>(count - e, 2048);
        if (!in_.readAt(at + 4 * int64_t(e), codes, 4 * size_t(batch))) return;
        for (int32_t b = 0; b < batch; ++b) {
            const ElementType* type = elementType(codes[b]);
            if (!type) return;
            nodeTotal += type->nodeCount;
            flagTotal += type->faceCount;
        }
        e += batch;
    }
    model_.elements.reserve(size_t(count));
    model_.connectivity.reserve(size_t(nodeTotal));
    model_.faceFlags.reserve(size_t(flagTotal));
}

// One node record read field by field.
bool BinaryReader::readNodeRecord(int32_t i) {
    const int32_t n = model_.nodeCount, dim = model_.dimension;
    int32_t number;
    if (!readInt(number, "node block")) return false;
    char record[16];
    std::memcpy(record, &number, 4);
    at_ = in_.offset();
    if (!in_.read(record + 4, 4 * size_t(dim))) return endsEarly("node block");
    if (!checkCoordinates(i, record, 1, sizeof record, at_ - 4)) return false;
    model_.nodeNumbers.push_back(number);
    float c[3];
    std::memcpy(c, record + 4, 4 * size_t(dim));
    model_.coords.insert(model_.coords.end(), c, c + dim);
    // Without components a node record holds no values, however many steps there are.
    const size_t perStep = size_t(dofCount_);
    const bool append = stepCount_ <= 1 || perStep == 0;
    for (int32_t k = 0; perStep > 0 && k < stepCount_; ++k) {
        if (append) model_.values.resize(model_.values.size() + perStep);
        float* v = append ? model_.values.data() + model_.values.size() - perStep
                          : model_.values.data() + (size_t(k) * size_t(n) + size_t(i)) * perStep;
        if (!in_.read(v, sizeof(float) * perStep)) return endsEarly("node block");
    }
    return true;
}

bool BinaryReader::readResults() {
    ResultSet& r = model_.results;
    int32_t hasResults, dofs, steps;
    if (!readInt(hasResults, "result block")) return false;
    if (!readInt(dofs, "result block")) return false;
    if (dofs != dofCount_)
        return damaged("the result block has " + std::to_string(dofs) + " components, the header " +
                       std::to_string(dofCount_));
    if (!readInt(steps, "result block")) return false;
    if (steps != stepCount_)
        return damaged("the result block has " + std::to_string(steps) + " steps, the header " +
                       std::to_string(stepCount_));
    std::vector<std::string> names;
    for (int32_t d = 0; d < dofs; ++d) {
        int32_t length;
        if (!readInt(length, "result names")) return false;
        if (length < 0 || length > kMaxDofNameLength)
            return damaged("the name length " + std::to_string(length) + " of result component " +
                           std::to_string(d + 1) + " is not between 0 and 19");
        std::string name(size_t(length), '\0');
        if (!in_.read(name.data(), name.size())) return endsEarly("result names");
        name.resize(std::strlen(name.c_str()));
        names.push_back(std::move(name));
    }
    const bool stored = steps >= 1 && dofs >= 1;
    if (stored && !fits(steps, 4 + 8 * int64_t(dofs))) {
        at_ = in_.offset();
        return endsEarly("result block");
    }
    if (hasResults == 0 && stored) {
        // The flag decides: the values and extremes stored all the same are passed over, and
        // the model is one without results, as every listing and writer then shows it.
        float skipped;
        for (int64_t k = 0; k < int64_t(dofs) * 2 + int64_t(steps) * (1 + 2 * dofs); ++k)
            if (!readFloat(skipped, "result block")) return false;
        r.initialise(0, 0, {}, model_.dimension);
        ValueTable().swap(model_.values);
        return true;
    }
    r.initialise(steps, dofs, std::move(names), model_.dimension);
    r.hasResults = stored ? 1 : 0;
    if (!stored) return true;

    bool finite = true;
    for (int32_t d = 0; d < dofs; ++d) {
        if (!readFloat(r.overallMax[d], "result block") ||
            !readFloat(r.overallMin[d], "result block"))
            return false;
        finite = finite && std::isfinite(r.overallMax[d]) && std::isfinite(r.overallMin[d]);
    }
    for (int32_t k = 0; k < steps; ++k) {
        if (!readFloat(r.stepValue[k], "result block")) return false;
        for (int32_t d = 0; d < dofs; ++d) {
            if (!readFloat(r.stepMax[k][d], "result block") ||
                !readFloat(r.stepMin[k][d], "result block"))
                return false;
            finite = finite && std::isfinite(r.stepMax[k][d]) && std::isfinite(r.stepMin[k][d]);
        }
    }
    // Stored extremes that are not finite are not extremes of finite values: recompute.
    if (!finite) model_.computeExtremes();
    return true;
}

bool BinaryReader::readElements() {
    int32_t count;
    if (!readInt(count, "element block")) return false;
    // Each element takes its code and at least six ints in its record.
    if (count < 0) return damaged("the element count " + std::to_string(count) + " is negative");
    if (!fits(count, 28))
        return damaged("the element count " + std::to_string(count) +
                       " is more than the file can hold");
    model_.elementCount = count;
    if (!readElementTypes(count)) return false;

    Ticker ticker{progress_, count / 9, 90, 1, 99};
    for (int32_t e = 0; e < count;) {
        const size_t bytes = recordBytes(model_.elements[size_t(e)]);
        const std::span<const char> buffered = in_.peek(bytes);
        if (!readElementRecord(e, buffered.data(), buffered.size(), in_.offset())) return false;
        in_.skip(bytes);
        ticker.reach(++e);
    }
    if (flagPerSide_) {
        // What those flags cover is not settled (one writer flags the first segments of the
        // outline only): the outline is found from the connectivity, as for a text file.
        std::fill(model_.faceFlags.begin(), model_.faceFlags.end(), uint8_t(0));
        for (ElementRecord& r : model_.elements)
            r.exteriorFaceCount = 0;
        model_.findSurfaceFaces(progress_);
    }
    return true;
}

// The type list: every record's layout, and where its nodes and flags go in the tables.
bool BinaryReader::readElementTypes(int32_t count) {
    model_.elements.reserve(size_t(count));
    int64_t nodeTotal = 0, flagTotal = 0;
    for (int32_t e = 0; e < count;) {
        const std::span<const char> buffered = in_.peek(4);
        const int32_t batch = int32_t(std::min<size_t>(buffered.size() / 4, size_t(count - e)));
        if (batch == 0) return endsEarly("element type list", in_.offset() + buffered.size());
        for (int32_t b = 0; b < batch; ++b, ++e) {
            const int32_t code = intAt(buffered.data() + 4 * b);
            const ElementType* type = elementType(code);
            if (!type) return refuse("Element type does not exist!");
            if (model_.dimension == 2 && needsThreeDimensions(type->family)) {
                at_ = in_.offset() + 4 * b;
                return damaged("element " + std::to_string(e + 1) + " of type " +
                               std::to_string(code) +
                               " needs three coordinates in a two-dimensional model");
            }
            ElementRecord& r = model_.elements.emplace_back();
            r.type = code;
            r.family = type->family;
            r.nodeCount = type->nodeCount;
            r.faceCount = type->faceCount;
            r.firstNode = nodeTotal;
            r.firstFlag = flagTotal;
            nodeTotal += type->nodeCount;
            flagTotal += type->faceCount;
        }
        in_.skip(4 * size_t(batch));
    }
    model_.connectivity.reserve(size_t(nodeTotal));
    model_.faceFlags.reserve(size_t(flagTotal));
    // The records fill the rest of the file but the trailer in one layout or the other; the
    // layout with one flag per node is taken unless only the other fits exactly.
    int64_t bytes = 0, sides = 0;
    for (const ElementRecord& r : model_.elements) {
        bytes += int64_t(recordBytes(r));
        if (r.family == ElementFamily::Plane && r.nodeCount > 4) sides += r.nodeCount / 2;
    }
    const int64_t rest = in_.remaining() - 36;
    flagPerSide_ = sides > 0 && rest != bytes && rest == bytes - 4 * sides;
    return true;
}

// The record of element e from the `available` bytes at `record` (file offset `offset`), which
// hold the whole record unless the file ends within it.
bool BinaryReader::readElementRecord(int32_t e, const char* record, size_t available,
                                     int64_t offset) {
    ElementRecord& r = model_.elements[size_t(e)];
    const char* const end = record + available;
    const char* p = record;
    // The file ends within the record before the field at p of `bytes` bytes.
    const auto cut = [&](size_t bytes) { return size_t(end - p) < bytes; };
    const auto where = [&] { return offset + (p - record); };
    const auto cutOff = [&] { return endsEarly("element records", offset + int64_t(available)); };
    // Named only when something is wrong: building the name for every element is measurable.
    const auto which = [e] { return "element " + std::to_string(e + 1); };

    at_ = where();
    if (cut(20)) return cutOff();
    const int32_t number = intAt(p), nodeCount = intAt(p + 4), type = intAt(p + 8);
    if (type != r.type) {
        if (!elementType(type)) {
            messages_.showErrorNumber("Element type does not exist!", type);
            return false;
        }
        return damaged(which() + " is listed as type " + std::to_string(r.type) +
                       " but its record holds type " + std::to_string(type));
    }
    if (nodeCount != r.nodeCount)
        return damaged(which() + " of type " + std::to_string(r.type) + " has " +
                       std::to_string(nodeCount) + " nodes instead of " +
                       std::to_string(r.nodeCount));
    r.number = number;
    r.material = intAt(p + 12);
    r.realConstant = intAt(p + 16);
    r.selected = 1;
    p += 20;

    at_ = where();
    if (cut(4 * size_t(r.nodeCount))) return cutOff();
    int32_t nodes[8];
    bool inside = true;
    for (int j = 0; j < r.nodeCount; ++j) {
        nodes[j] = intAt(p + 4 * j);
        inside = inside && uint32_t(nodes[j]) - 1 < uint32_t(model_.nodeCount);
    }
    for (int j = 0; !inside && j < r.nodeCount; ++j)
        if (nodes[j] < 1 || nodes[j] > model_.nodeCount)
            return damaged(which() + " refers to node " + std::to_string(nodes[j]) +
                           ", outside 1.." + std::to_string(model_.nodeCount));
    model_.connectivity.insert(model_.connectivity.end(), nodes, nodes + r.nodeCount);
    p += 4 * size_t(r.nodeCount);

    if (r.family == ElementFamily::Solid || r.family == ElementFamily::Shell) {
        at_ = where();
        if (cut(4)) return cutOff();
        const int32_t faceCount = intAt(p);
        if (faceCount != r.faceCount)
            return damaged(which() + " of type " + std::to_string(r.type) + " has " +
                           std::to_string(faceCount) + " faces instead of " +
                           std::to_string(r.faceCount));
        p += 4;
        if (r.family == ElementFamily::Solid) {
            at_ = where();
            if (cut(4)) return cutOff();
            r.exteriorFaceCount = intAt(p);
            if (r.exteriorFaceCount < 0 || r.exteriorFaceCount > r.faceCount)
                return damaged(which() + " has " + std::to_string(r.exteriorFaceCount) +
                               " exterior faces of " + std::to_string(r.faceCount));
            p += 4;
        }
    }
    // Points and lines store no flags but keep a place in the table.
    uint8_t flags[8] = {};
    for (int i = 0; i < storedFlags(r); ++i, p += 4) {
        at_ = where();
        if (cut(4)) return cutOff();
        const int32_t flag = intAt(p);
        if (flag != 0 && flag != 1)
            return damaged(which() + " has the face flag " + std::to_string(flag) +
                           " instead of 0 or 1");
        flags[i] = uint8_t(flag);
    }
    model_.faceFlags.insert(model_.faceFlags.end(), flags, flags + r.faceCount);
    return true;
}

bool BinaryReader::readTrailer() {
    float t[9];
    at_ = in_.offset();
    if (!in_.read(t, sizeof t)) return endsEarly("trailer");
    for (float v : t)
        if (!std::isfinite(v)) return damaged("the centre or the bounding box is not finite");
    model_.centre = {t[0], t[1], t[2]};
    // The file's coordinates are the stored ones plus the centre: both finite is not enough.
    // The sum grows with the coordinate, so the lowest and highest tell whether any is out.
    bool inRange = true;
    for (int j = 0; j < model_.dimension; ++j)
        inRange = inRange && std::isfinite(lowest_[size_t(j)] + t[j]) &&
                  std::isfinite(highest_[size_t(j)] + t[j]);
    for (int32_t i = 0; !inRange && i < model_.nodeCount; ++i)
        for (int j = 0; j < model_.dimension; ++j)
            if (!std::isfinite(model_.coordinate(i, j) + model_.centre[size_t(j)]))
                return damaged("the centre puts node " + std::to_string(i + 1) +
                               " beyond the range of real numbers");
    BoundingBox& b = model_.box;
    b = {t[3], t[4], t[5], t[6], t[7], t[8]};
    if (model_.nodeCount == 0) {
        b = BoundingBox{0, 0, 0, 0, 0, 0};
        if (model_.dimension != 3) b.zMax = 1.0f;
    } else if (b.xMax < b.xMin || b.yMax < b.yMin || b.zMax < b.zMin) {
        return damaged("the bounding box is inverted");
    }
    // Another model, or the rest of one, appended to this one.
    const int64_t after = in_.remaining();
    if (after > 0) {
        at_ = in_.offset();
        return damaged(after == 1 ? "1 byte follows the end of the model"
                                  : std::to_string(after) + " bytes follow the end of the model");
    }
    return true;
}

class BinaryWriter {
  public:
    BinaryWriter(const FeModel& model, SafeFileWriter& out, Progress& progress)
        : model_(model), out_(out), progress_(progress) {}

    void write();

  private:
    void putInt(int32_t v) { out_.write(&v, 4); }
    void putFloat(float v) { out_.write(&v, 4); }
    void tick(int32_t index, int32_t step) {
        if (step > 0 && index % step == 0) {
            counter_ += 5;
            progress_.setPosition(std::min(counter_, 100));
        }
    }

    const FeModel& model_;
    SafeFileWriter& out_;
    Progress& progress_;
    int counter_ = 5;
};

void BinaryWriter::write() {
    const FeModel& m = model_;
    const ResultSet& r = m.results;
    putInt(kBinaryMagic);
    const std::string title = m.jobTitle.substr(0, kMaxWrittenTitleLength);
    putInt(int32_t(title.size()));
    out_.write(title);
    putInt(m.nodeCount);
    putInt(m.dimension);
    putInt(r.dofCount);
    putInt(r.stepCount);

    const int32_t nodeStep = m.nodeCount / 15;
    const bool values = m.hasValues();
    for (int32_t i = 0; i < m.nodeCount; ++i) {
        putInt(m.nodeNumbers[size_t(i)]);
        for (int j = 0; j < m.dimension; ++j)
            putFloat(m.centredCoordinate(i, j));
        if (values)
            for (int32_t k = 0; k < r.stepCount; ++k)
                out_.write(
                    &m.values[(size_t(k) * size_t(m.nodeCount) + size_t(i)) * size_t(r.dofCount)],
                    sizeof(float) * size_t(r.dofCount));
        tick(i + 1, nodeStep);
    }

    putInt(r.hasResults);
    putInt(r.dofCount);
    putInt(r.stepCount);
    for (int32_t d = 0; d < r.dofCount; ++d) {
        const std::string& name = r.dofNames[size_t(d)];
        putInt(int32_t(name.size()));
        out_.write(name);
    }
    if (r.stepCount >= 1 && r.dofCount >= 1) {
        for (int32_t d = 0; d < r.dofCount; ++d) {
            putFloat(r.overallMax[d]);
            putFloat(r.overallMin[d]);
        }
        for (int32_t k = 0; k < r.stepCount; ++k) {
            putFloat(r.stepValue[k]);
            for (int32_t d = 0; d < r.dofCount; ++d) {
                putFloat(r.stepMax[k][d]);
                putFloat(r.stepMin[k][d]);
            }
        }
    }

    putInt(m.elementCount);
    for (const ElementRecord& e : m.elements)
        putInt(e.type);
    const int32_t elementStep = m.elementCount / 9;
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& rec = m.elements[size_t(e)];
        const int32_t common[5] = {rec.number, rec.nodeCount, rec.type, rec.material,
                                   rec.realConstant};
        out_.write(common, sizeof common);
        out_.write(m.connectivity.data() + rec.firstNode, sizeof(int32_t) * size_t(rec.nodeCount));
        if (rec.family == ElementFamily::Solid || rec.family == ElementFamily::Shell)
            putInt(rec.faceCount);
        if (rec.family == ElementFamily::Solid) putInt(rec.exteriorFaceCount);
        if (rec.family == ElementFamily::Plane || rec.family == ElementFamily::Solid ||
            rec.family == ElementFamily::Shell)
            for (uint8_t flag : m.elementFaceFlags(e))
                putInt(flag);
        tick(e + 1, elementStep);
    }

    const std::array<float, 3> c = m.readCentre();
    const BoundingBox b = m.readBox();
    const float trailer[9] = {c[0], c[1], c[2], b.xMax, b.xMin, b.yMax, b.yMin, b.zMax, b.zMin};
    out_.write(trailer, sizeof trailer);
}

}  // namespace

bool readBinaryFile(FeModel& model, const std::string& path, Progress& progress,
                    Messages& messages) {
    BinaryReader reader(model, progress, messages);
    return reader.read(path) || discardFailedRead(model);
}

bool writeBinaryFile(const FeModel& model, const std::string& path, Progress& progress,
                     Messages& messages) {
    SafeFileWriter out;
    if (!out.open(path)) {
        messages.showError(kOpenError);
        return false;
    }
    BinaryWriter(model, out, progress).write();
    if (!out.commit()) {
        messages.showError(kWriteError);
        return false;
    }
    return true;
}

}  // namespace orv
