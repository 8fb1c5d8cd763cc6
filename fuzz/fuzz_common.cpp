#include "fuzz_common.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "binary_result_file.h"
#include "element_types.h"
#include "listings.h"
#include "model_files.h"
#include "number_format.h"
#include "progress.h"
#include "text_result_file.h"

namespace orvfuzz {

bool lastInputAccepted = false;

namespace {
Scratch* current = nullptr;  // the scratch directory, once made
}

void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::fflush(stderr);
    if (current) current->remove();
    std::abort();
}

namespace {

// The numeric arrays end the process on a fatal error; under the fuzzer that must be a crash.
class AbortingMessages final : public orv::Messages {
  public:
    void show(const orv::MessageBox& box) override { fail("fatal error: " + box.text); }
};
AbortingMessages abortingMessages;

class CheckingProgress final : public orv::Progress {
  public:
    void setText(const std::string& text) override { check(!text.empty(), "empty progress text"); }
    void setPosition(int position) override {
        check(position >= 0 && position <= 100, "progress position outside 0..100");
    }
};

// The entries of a directory other than "." and "..", empty when it cannot be read.
std::vector<std::string> directoryEntries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(d)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(d);
    }
    return names;
}

void removeDirectory(const std::string& dir) {
    for (const std::string& name : directoryEntries(dir))
        ::unlink((dir + "/" + name).c_str());
    ::rmdir(dir.c_str());
}

// A process that crashed (as the fuzzer makes them, and crash minimisation many times over)
// leaves its directory behind: directories of processes that no longer run are removed.
void removeAbandoned(const std::string& base) {
    const std::string prefix = "orvanta-fuzz-";
    for (const std::string& name : directoryEntries(base)) {
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid > 0 && *end == '-' && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            removeDirectory(base + "/" + name);
    }
}

bool isDirectory(const char* path) {
    struct stat st;
    return path && *path && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(path, W_OK) == 0;
}

}  // namespace

// --- scratch directory ---

Scratch::Scratch() {
    orv::setFatalMessages(&abortingMessages);
    const char* base = std::getenv("ORVANTA_FUZZ_TMP");
    if (!isDirectory(base)) base = "/dev/shm";
    if (!isDirectory(base)) base = std::getenv("TMPDIR");
    if (!isDirectory(base)) base = "/tmp";
    removeAbandoned(base);
    std::string pattern =
        std::string(base) + "/orvanta-fuzz-" + std::to_string(::getpid()) + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) fail("cannot create a scratch directory in " + std::string(base));
    dir_ = name.data();
}

Scratch::~Scratch() {
    remove();
}

void Scratch::remove() {
    if (!dir_.empty()) removeDirectory(dir_);
    dir_.clear();
}

Scratch& Scratch::get() {
    static Scratch scratch;
    current = &scratch;
    return scratch;
}

void Scratch::put(const std::string& name, const uint8_t* data, size_t size) {
    const std::string p = path(name);
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) fail("cannot create " + p);
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0) fail("cannot write " + p);
        data += n;
        size -= size_t(n);
    }
    ::close(fd);
}

std::string Scratch::contents(const std::string& name) const {
    const std::string p = path(name);
    std::string text;
    std::FILE* f = std::fopen(p.c_str(), "rb");
    if (!f) fail("cannot open " + p);
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    std::fclose(f);
    return text;
}

void Scratch::expectOnly(std::initializer_list<const char*> names) const {
    if (!isDirectory(dir_.c_str())) fail("cannot list " + dir_);
    size_t found = 0;
    for (const std::string& name : directoryEntries(dir_)) {
        if (std::none_of(names.begin(), names.end(), [&](const char* n) { return name == n; }))
            fail("stray file left in the scratch directory: " + name);
        ++found;
    }
    if (found != names.size()) fail("a file expected in the scratch directory is missing");
}

void Scratch::clear() const {
    for (const std::string& name : directoryEntries(dir_))
        ::unlink(path(name).c_str());
}

// --- reading and refusals ---

ReadOutcome readInto(orv::FeModel& model, const std::string& path, Format format) {
    static const char* const kExtension[] = {"rst", "asc", "mdf", "frd", "msh", "vtk", "vtu"};
    ReadOutcome outcome;
    CheckingProgress progress;
    outcome.accepted =
        orv::readModelFile(model, path, kExtension[int(format)], progress, outcome.messages);
    if (format <= Format::Modes)
        check(model.modalResults == (format == Format::Modes), "the reader changed the mode flag");
    if (outcome.accepted) {
        // An imported file may say what it does not show (components beyond the first 50).
        for (const orv::MessageBox& box : outcome.messages.boxes)
            check(format > Format::Modes && box.title == "Message",
                  "an accepted file reported a message");
        check(std::isfinite(orv::defaultMagnification(model)), "the magnification is not finite");
        check(model.defaultDisplaySteps() >= 0, "negative number of display steps");
    }
    return outcome;
}

namespace {

bool startsWith(const std::string& text, const char* prefix, size_t& after) {
    const size_t n = std::strlen(prefix);
    if (text.compare(0, n, prefix) != 0) return false;
    after = n;
    return true;
}

// The decimal number at text[at..], or -1.
long long numberAt(const std::string& text, size_t& at) {
    const size_t begin = at;
    long long v = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - begin < 18)
        v = v * 10 + (text[at++] - '0');
    return at == begin ? -1 : v;
}

void checkPlace(const std::string& text, const uint8_t* data, size_t size) {
    const long long lines = 1 + std::count(data, data + size, uint8_t('\n'));
    size_t at = 0;
    if (startsWith(text, "The file is damaged at byte ", at)) {
        const long long byte = numberAt(text, at);
        check(byte >= 0 && byte < (long long)size, "a damage offset outside the file");
        check(text.compare(at, 2, ": ") == 0, "a damage message without its reason");
    } else if (startsWith(text, "The file is damaged at line ", at)) {
        const long long line = numberAt(text, at);
        check(line >= 1 && line <= lines, "a damaged line that the file does not have");
        check(text.compare(at, 2, ": ") == 0, "a damage message without its reason");
    } else if (startsWith(text, "The file ends early at line ", at)) {
        const long long line = numberAt(text, at);
        check(line >= 1 && line <= lines, "an early end at a line the file does not have");
    } else if (startsWith(text, "The file ends early: it is cut off in the ", at)) {
        const size_t byteAt = text.rfind(" at byte ");
        check(byteAt != std::string::npos, "an early end without its offset");
        at = byteAt + 9;
        const long long byte = numberAt(text, at);
        check(byte >= 0 && byte <= (long long)size, "an early end beyond the file");
    } else {
        return;
    }
    check(text.back() == '!', "a damage message that does not end with '!'");
}

}  // namespace

void checkRefusal(const ReadOutcome& outcome, const orv::FeModel& m, const uint8_t* data,
                  size_t size) {
    check(!outcome.messages.boxes.empty(), "a refused file reported no reason");
    for (const orv::MessageBox& box : outcome.messages.boxes) {
        check(box.title == "Error", "a refusal not titled Error");
        check(!box.text.empty(), "an empty refusal");
        checkPlace(box.text, data, size);
    }
    check(m.nodeCount == 0 && m.elementCount == 0 && m.jobTitle.empty(),
          "a refused file left counts or a title");
    check(m.nodeNumbers.empty() && m.coords.empty() && m.elements.empty() &&
              m.connectivity.empty() && m.faceFlags.empty() && m.values.empty() &&
              m.nodeElementStart.empty() && m.nodeElementList.empty(),
          "a refused file left tables");
    check(m.results.stepCount == 0 && m.results.dofCount == 0 && m.results.hasResults == 0 &&
              m.results.dofNames.empty() && m.results.stepValue.isEmpty(),
          "a refused file left results");
    check(m.defaultDisplaySteps() == 0, "a refused file left display steps");
}

// --- soundness of an accepted model ---

namespace {

// The surface flags by their definition, element against element: a face (edge) is on the
// surface unless another element holds all of its nodes. Quadratic, for small models only.
void checkSurfaceByDefinition(const orv::FeModel& m) {
    if (m.elementCount > 1000) return;
    int32_t face[4];
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const orv::ElementRecord& r = m.elements[size_t(e)];
        if (!orv::hasSurfaceFaces(r.family)) continue;
        for (int i = 0; i < r.faceCount; ++i) {
            const int count = m.getFace(e, i, face);
            bool hidden = false;
            for (int32_t f = 0; f < m.elementCount && !hidden && count > 0; ++f) {
                if (f == e) continue;
                const auto nodes = m.elementNodes(f);
                hidden = std::all_of(face, face + count, [&](int32_t p) {
                    return std::find(nodes.begin(), nodes.end(), p) != nodes.end();
                });
            }
            const bool exterior = count > 0 && !hidden;
            check(m.elementFaceFlags(e)[size_t(i)] == (exterior ? 1 : 0),
                  exterior ? "an outer face is not flagged" : "a hidden face is flagged");
        }
    }
}

}  // namespace

void checkModel(const orv::FeModel& m, bool fromText) {
    const int32_t n = m.nodeCount, dim = m.dimension;
    check(dim == 2 || dim == 3, "dimension not 2 or 3");
    check(n >= 0 && m.nodeNumbers.size() == size_t(n) && m.coords.size() == size_t(n) * dim,
          "node tables do not match the node count");
    for (float c : m.centre)
        check(std::isfinite(c), "the centre is not finite");
    const orv::BoundingBox& b = m.box;
    const float box[6] = {b.xMax, b.xMin, b.yMax, b.yMin, b.zMax, b.zMin};
    for (float v : box)
        check(std::isfinite(v), "the bounding box is not finite");
    check(b.xMax >= b.xMin && b.yMax >= b.yMin && b.zMax >= b.zMin, "inverted bounding box");
    for (int32_t i = 0; i < n; ++i) {
        for (int j = 0; j < dim; ++j) {
            const float c = m.coordinate(i, j);
            check(std::isfinite(c), "a centred coordinate is not finite");
            check(std::isfinite(m.fileCoordinate(i, j)), "a file coordinate is not finite");
            if (fromText) {
                const float lo = j == 0 ? b.xMin : j == 1 ? b.yMin : b.zMin;
                const float hi = j == 0 ? b.xMax : j == 1 ? b.yMax : b.zMax;
                check(c >= lo && c <= hi, "a node outside the bounding box");
            }
        }
    }

    check(m.elementCount >= 0 && m.elements.size() == size_t(m.elementCount),
          "element table does not match the element count");
    int64_t nodeTotal = 0, flagTotal = 0;
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const orv::ElementRecord& r = m.elements[size_t(e)];
        const orv::ElementType* t = orv::elementType(r.type);
        check(t != nullptr, "an element of an unknown type");
        check(r.nodeCount == t->nodeCount && r.faceCount == t->faceCount && r.family == t->family,
              "an element record disagrees with its type");
        check(dim == 3 || !orv::needsThreeDimensions(r.family),
              "a space element in a two-dimensional model");
        check(r.firstNode == nodeTotal && r.firstFlag == flagTotal,
              "element tables are not laid out in order");
        nodeTotal += r.nodeCount;
        flagTotal += r.faceCount;
        check(
            nodeTotal <= int64_t(m.connectivity.size()) && flagTotal <= int64_t(m.faceFlags.size()),
            "an element reaches past the connectivity or the face flags");
        for (int32_t p : m.elementNodes(e))
            check(p >= 1 && p <= n, "an element refers to a node that does not exist");
        int set = 0;
        for (uint8_t f : m.elementFaceFlags(e)) {
            check(f == 0 || f == 1, "a face flag other than 0 or 1");
            set += f;
        }
        check(r.exteriorFaceCount >= 0 && r.exteriorFaceCount <= r.faceCount,
              "exterior face count out of range");
        if (fromText) {
            if (!orv::hasSurfaceFaces(r.family))
                check(set == 0, "a surface flag on an element without faces");
            if (r.family == orv::ElementFamily::Solid)
                check(r.exteriorFaceCount == set, "exterior face count differs from the flags");
        }
    }
    check(nodeTotal == int64_t(m.connectivity.size()) && flagTotal == int64_t(m.faceFlags.size()),
          "connectivity or face flags hold more than the elements");
    if (fromText) checkSurfaceByDefinition(m);

    if (!m.nodeElementStart.empty()) {
        check(m.nodeElementStart.size() == size_t(n) + 1 && m.nodeElementStart[0] == 0 &&
                  m.nodeElementStart.back() == int64_t(m.nodeElementList.size()),
              "node-element offsets do not match");
        for (size_t i = 1; i < m.nodeElementStart.size(); ++i)
            check(m.nodeElementStart[i] >= m.nodeElementStart[i - 1],
                  "node-element offsets decrease");
        for (int32_t e : m.nodeElementList)
            check(e >= 1 && e <= m.elementCount, "a node refers to an element that does not exist");
    }

    const orv::ResultSet& r = m.results;
    const int32_t steps = r.stepCount, dofs = r.dofCount;
    check(steps >= 0 && dofs >= 0 && dofs <= orv::kMaxDofNames, "result counts out of range");
    check(r.dofNames.size() == size_t(dofs), "result names do not match the count");
    for (const std::string& name : r.dofNames)
        check(name.size() <= size_t(orv::kMaxDofNameLength), "a result name is too long");
    check(m.values.size() == size_t(steps) * size_t(n) * size_t(dofs),
          "value table does not match the counts");
    check(r.hasResults == 0 || (steps > 0 && dofs > 0), "results flagged without values");
    if (fromText) check(r.hasResults == (steps > 0 && dofs > 0 ? 1 : 0), "result flag wrong");
    check(r.hasDisplacements == (dofs >= dim && !r.dofNames.empty() && r.dofNames[0] == "UX"),
          "displacement flag wrong");
    if (steps > 0 && dofs > 0) {
        check(r.stepValue.size() == steps && r.overallMax.size() == dofs &&
                  r.overallMin.size() == dofs && r.stepMax.rowCount() == steps &&
                  r.stepMax.colCount() == dofs && r.stepMin.rowCount() == steps &&
                  r.stepMin.colCount() == dofs,
              "result tables do not match the counts");
        for (int32_t d = 0; d < dofs; ++d) {
            check(std::isfinite(r.overallMax[d]) && std::isfinite(r.overallMin[d]),
                  "overall extremes not finite");
            for (int32_t k = 0; k < steps; ++k)
                check(std::isfinite(r.stepMax[k][d]) && std::isfinite(r.stepMin[k][d]),
                      "step extremes not finite");
        }
        if (fromText) {
            // Extremes computed by the reader bound every finite value.
            for (int32_t k = 0; k < steps; ++k)
                for (int32_t i = 0; i < n; ++i)
                    for (int32_t d = 0; d < dofs; ++d) {
                        const float v = m.storedValue(i, k, d);
                        if (!std::isfinite(v)) continue;
                        check(v <= r.stepMax[k][d] && v >= r.stepMin[k][d],
                              "a value outside its step extremes");
                        check(v <= r.overallMax[d] && v >= r.overallMin[d],
                              "a value outside the overall extremes");
                    }
        }
    }
}

// --- exercise ---

namespace {

volatile double sink = 0.0;

// The values of a few shown steps: every step a file starts with, a single step or mode
// ramped over ten display steps, and every mode; steps and components out of range too.
void queryValues(const orv::FeModel& m) {
    const orv::ResultSet& r = m.results;
    double sum = 0.0;
    const int32_t steps = std::max(r.stepCount, m.defaultDisplaySteps());
    for (int32_t k = -1; k <= steps; ++k) {
        sum += m.stepValue(k);
        for (int32_t d = -1; d <= r.dofCount; ++d) {
            const auto [hi, lo] = m.extremes(true, k, d);
            sum += double(hi) - double(lo);
        }
    }
    std::vector<orv::ShownStep> shown;
    for (int32_t k = -1; k <= m.defaultDisplaySteps(); ++k)
        shown.push_back({k, m.defaultDisplaySteps(), 0});
    shown.push_back({4, 10, 0});
    shown.push_back({9, 10, 0});
    for (int32_t mode = -1; m.modalResults && mode <= r.stepCount; ++mode)
        shown.push_back({0, 1, mode});
    for (const orv::ShownStep& s : shown)
        for (int32_t i = 0; i < m.nodeCount; ++i) {
            for (int32_t d = -1; d <= r.dofCount; ++d)
                sum += m.nodalValue(i, s, d);
            for (int c = 0; c < m.dimension; ++c)
                sum += m.displacement(i, s, c);
        }
    for (int32_t d = 0; d < r.dofCount; ++d) {
        const auto [hi, lo] = m.extremes(false, 0, d);
        sum += double(hi) - double(lo);
    }
    sink = sink + sum;
}

void writeListings(const orv::FeModel& m) {
    static std::FILE* devNull = std::fopen("/dev/null", "wb");
    if (!devNull) fail("cannot open /dev/null");
    for (orv::ListingKind kind : {orv::ListingKind::Nodes, orv::ListingKind::Elements,
                                  orv::ListingKind::Results, orv::ListingKind::ModelInformation})
        check(orv::writeListing(kind, m, devNull), "a listing failed");
}

void write(const orv::FeModel& m, Format format, const std::string& path) {
    CheckingProgress progress;
    RecordingMessages messages;
    const bool ok = format == Format::Binary ? orv::writeBinaryFile(m, path, progress, messages)
                                             : orv::writeTextFile(m, path, progress, messages);
    if (!ok) fail("writing failed: " + (messages.boxes.empty() ? "" : messages.boxes[0].text));
    check(messages.boxes.empty(), "a successful write reported a message");
}

std::string formatted(double v) {
    return orv::scientific(v, 4);
}

// The name as the text writer puts it: one word, never empty.
std::string asWritten(const std::string& name) {
    if (name.empty()) return "_";
    std::string n = name;
    for (char& c : n)
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') c = '_';
    return n;
}

bool loosesInBinary(const orv::FeModel& m) {
    auto hasZero = [](const std::string& t) { return t.find('\0') != std::string::npos; };
    return m.jobTitle.size() > size_t(orv::kMaxWrittenTitleLength) || hasZero(m.jobTitle) ||
           std::any_of(m.results.dofNames.begin(), m.results.dofNames.end(), hasZero);
}

void readWritten(orv::FeModel& model, const std::string& path) {
    const ReadOutcome outcome = readInto(model, path, Format::Binary);
    if (!outcome.accepted)
        fail("a written binary file is refused: " + outcome.messages.boxes.at(0).text);
    checkModel(model, false);
}

void binaryRoundTrip(orv::FeModel& m) {
    Scratch& s = Scratch::get();
    write(m, Format::Binary, s.path("a.rst"));
    s.expectOnly({"input", "a.rst"});
    const std::string first = s.contents("a.rst");

    // Aligning the model for symmetry changes what is shown, never what is written; undoing
    // it restores coordinates, box and centre bit for bit, also after a switch between axes.
    const std::vector<float> coords = m.coords;
    const orv::BoundingBox box = m.box;
    const std::array<float, 3> centre = m.centre;
    write(m, Format::Text, s.path("a.asc"));
    const std::string text = s.contents("a.asc");
    const std::pair<int, int> switches[] = {{0, 1}, {1, 2}, {2, 0}, {0, 2}, {2, 0}};
    for (const auto& [from, to] : switches) {
        m.switchSymmetry(from, to);
        write(m, Format::Binary, s.path("b.rst"));
        write(m, Format::Text, s.path("a.asc"));
        check(s.contents("b.rst") == first && s.contents("a.asc") == text,
              "symmetry alignment changed the written file");
    }
    const auto same = [](float x, float y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    check(std::equal(coords.begin(), coords.end(), m.coords.begin(), m.coords.end(), same) &&
              std::memcmp(&box, &m.box, sizeof box) == 0 &&
              std::memcmp(&centre, &m.centre, sizeof centre) == 0,
          "undoing the symmetry alignment did not restore the geometry");
    ::unlink(s.path("a.asc").c_str());

    orv::FeModel again;
    readWritten(again, s.path("a.rst"));
    write(again, Format::Binary, s.path("b.rst"));
    s.expectOnly({"input", "a.rst", "b.rst"});
    if (s.contents("b.rst") != first) {
        // The binary file keeps a title of 99 characters and cuts titles and names at a zero
        // byte: such a model changes once, and then no more.
        check(loosesInBinary(m), "a binary file read and written again differs");
        const std::string second = s.contents("b.rst");
        readWritten(again, s.path("b.rst"));
        write(again, Format::Binary, s.path("a.rst"));
        check(s.contents("a.rst") == second, "a binary file read and written again differs");
    }
    ::unlink(s.path("a.rst").c_str());
    ::unlink(s.path("b.rst").c_str());
}

void textRoundTrip(const orv::FeModel& m, Format origin) {
    Scratch& s = Scratch::get();
    write(m, Format::Text, s.path("a.asc"));
    s.expectOnly({"input", "a.asc"});
    orv::FeModel t;
    const ReadOutcome outcome =
        readInto(t, s.path("a.asc"), m.modalResults ? Format::Modes : Format::Text);
    if (!outcome.accepted)
        fail("a written text file is refused: " + outcome.messages.boxes.at(0).text);
    checkModel(t, true);
    ::unlink(s.path("a.asc").c_str());

    // The node block of a text file numbers the nodes by position, as the listings do.
    check(t.dimension == m.dimension && t.nodeCount == m.nodeCount &&
              t.elementCount == m.elementCount,
          "text round trip changed the counts");
    float extent = 0.0f;
    for (int32_t i = 0; i < m.nodeCount; ++i)
        for (int j = 0; j < m.dimension; ++j)
            extent = std::max(extent, std::fabs(m.fileCoordinate(i, j)));
    for (int32_t i = 0; i < m.nodeCount; ++i)
        for (int j = 0; j < m.dimension; ++j) {
            const double a = m.fileCoordinate(i, j), b = t.fileCoordinate(i, j);
            check(std::fabs(a - b) <= 1e-4 * std::fabs(a) + 1e-6 * double(extent) + 1e-44,
                  "text round trip moved a node");
        }
    check(t.connectivity == m.connectivity, "text round trip changed the connectivity");
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const orv::ElementRecord &a = m.elements[size_t(e)], &b = t.elements[size_t(e)];
        check(a.number == b.number && a.type == b.type && a.material == b.material &&
                  a.realConstant == b.realConstant,
              "text round trip changed an element");
        if (origin != Format::Binary)
            check(a.exteriorFaceCount == b.exteriorFaceCount,
                  "text round trip changed the surface");
    }
    if (origin != Format::Binary)
        check(t.faceFlags == m.faceFlags, "text round trip changed the surface flags");

    const orv::ResultSet &a = m.results, &b = t.results;
    if (a.hasResults != 1) {
        check(b.stepCount == 0 && b.dofCount == 0, "text round trip invented results");
        return;
    }
    check(a.stepCount == b.stepCount && a.dofCount == b.dofCount,
          "text round trip changed the result counts");
    for (int32_t d = 0; d < a.dofCount; ++d)
        check(asWritten(a.dofNames[size_t(d)]) == b.dofNames[size_t(d)],
              "text round trip changed a result name");
    for (int32_t k = 0; k < a.stepCount; ++k)
        check(formatted(a.stepValue[k]) == formatted(b.stepValue[k]),
              "text round trip changed a step value");
    for (size_t v = 0; v < m.values.size(); ++v)
        check(formatted(m.values[v]) == formatted(t.values[v]),
              "text round trip changed a nodal value");
}

}  // namespace

void runInput(const uint8_t* data, size_t size, std::initializer_list<Format> formats) {
    Scratch& s = Scratch::get();
    s.put("input", data, size);
    for (Format format : formats) {
        orv::FeModel model;
        const ReadOutcome outcome = readInto(model, s.path("input"), format);
        if (outcome.accepted) {
            lastInputAccepted = true;
            checkModel(model, format != Format::Binary);
            exercise(model, format);
        } else {
            checkRefusal(outcome, model, data, size);
        }
        s.expectOnly({"input"});
    }
    s.clear();
}

void exercise(orv::FeModel& m, Format origin) {
    queryValues(m);
    writeListings(m);
    binaryRoundTrip(m);
    textRoundTrip(m, origin);
}

}  // namespace orvfuzz
