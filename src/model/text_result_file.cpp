#include "text_result_file.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "fe_model.h"
#include "file_input.h"
#include "messages.h"
#include "number_format.h"
#include "progress.h"
#include "safe_file_writer.h"

namespace orv {

namespace {

// The record of an element line's five fields (number, node count, type, material, real
// constant), whose nodes and face flags start at the given offsets.
ElementRecord elementRecord(const int64_t f[5], const ElementType& type, int64_t firstNode,
                            int64_t firstFlag) {
    ElementRecord r;
    r.number = int32_t(f[0]);
    r.nodeCount = type.nodeCount;
    r.type = type.code;
    r.material = int32_t(f[3]);
    r.realConstant = int32_t(f[4]);
    r.selected = 1;
    r.family = type.family;
    r.faceCount = type.faceCount;
    r.exteriorFaceCount = 0;
    r.firstNode = firstNode;
    r.firstFlag = firstFlag;
    return r;
}

constexpr const char* kOpenError = " Error to open file .asc";
constexpr const char* kWriteError = " Error to write file .asc";
constexpr const char* kOldLayout = "This file is not available for current version!";
constexpr size_t kMaxLineLength = 1 << 20;

TextReadMode gReadMode;

// --- records parsed from whole lines of the read buffer ---
//
// Each parser turns the line at p into record r and returns the position after its line end,
// or nullptr when the line is not exactly one sound record; the sequential reader then reads
// that record word by word and names whatever is wrong with it. Two parsers of a block may run
// at once on different lines: they write only their own records, and an element parser keeps
// its node positions until commit appends them in the order of the file.

// Node lines: number and coordinates.
struct NodeLines {
    int32_t* numbers;
    float* coords;
    int dim;

    void begin() {}
    const char* operator()(const char* p, int64_t i) {
        int64_t number;
        p = scan::skipBlanks(p);
        if (!scan::integer(p, number) || number < INT32_MIN || number > INT32_MAX) return nullptr;
        float* c = coords + i * dim;
        for (int j = 0; j < dim; ++j) {
            p = scan::skipBlanks(p);
            if (!scan::real(p, c[j]) || !std::isfinite(c[j])) return nullptr;
        }
        p = scan::skipBlanks(p);
        if (*p != '\n') return nullptr;
        numbers[i] = int32_t(number);
        return p + 1;
    }
    void commit(FeModel&, int64_t, int64_t) {}
};

// Element lines: number, node count, type, material, real constant, node positions.
struct ElementLines {
    ElementRecord* records;
    int32_t nodeCount;
    int32_t dimension;
    std::vector<int32_t> nodes;  // of the records parsed since begin
    int64_t flags = 0;

    void begin() {
        nodes.clear();
        flags = 0;
    }
    const char* operator()(const char* p, int64_t e) {
        int64_t f[5];
        for (int64_t& v : f) {
            p = scan::skipBlanks(p);
            if (!scan::integer(p, v) || v < INT32_MIN || v > INT32_MAX) return nullptr;
        }
        const ElementType* type = elementType(int32_t(f[2]));
        if (!type || f[1] != type->nodeCount) return nullptr;
        if (dimension == 2 && needsThreeDimensions(type->family)) return nullptr;
        int32_t at[8];
        if (type->nodeCount > 8) return nullptr;
        for (int j = 0; j < type->nodeCount; ++j) {
            int64_t q;
            p = scan::skipBlanks(p);
            if (!scan::integer(p, q) || q < 1 || q > nodeCount) return nullptr;
            at[j] = int32_t(q);
        }
        p = scan::skipBlanks(p);
        if (*p != '\n') return nullptr;
        // The node offset is made absolute by commit.
        records[e] = elementRecord(f, *type, int64_t(nodes.size()), flags);
        nodes.insert(nodes.end(), at, at + type->nodeCount);
        flags += type->faceCount;
        return p + 1;
    }
    // Appends the node positions and face flags of records [first, first + count).
    void commit(FeModel& m, int64_t first, int64_t count) {
        const int64_t nodeBase = int64_t(m.connectivity.size());
        const int64_t flagBase = int64_t(m.faceFlags.size());
        for (int64_t e = first; e < first + count; ++e) {
            records[e].firstNode += nodeBase;
            records[e].firstFlag += flagBase;
        }
        m.connectivity.insert(m.connectivity.end(), nodes.begin(), nodes.end());
        m.faceFlags.resize(size_t(flagBase + flags), 0);
    }
};

// Result lines of one step: node number and one value per component.
struct ResultLines {
    float* values;
    int dofs;

    void begin() {}
    const char* operator()(const char* p, int64_t i) {
        int64_t number;
        p = scan::skipBlanks(p);
        if (!scan::integer(p, number)) return nullptr;
        float* v = values + i * dofs;
        for (int d = 0; d < dofs; ++d) {
            p = scan::skipBlanks(p);
            if (!scan::real(p, v[d])) return nullptr;
        }
        p = scan::skipBlanks(p);
        if (*p != '\n') return nullptr;
        return p + 1;
    }
    void commit(FeModel&, int64_t, int64_t) {}
};

struct LineRun {
    int64_t records = 0;
    const char* stop = nullptr;  // after the last record's line
    bool whole = false;          // every line of the range was a record
};

// Records first, first + 1, ... from the lines of [p, end), at most limit of them.
template <class Lines>
LineRun parseLines(Lines& lines, const char* p, const char* end, int64_t first, int64_t limit) {
    int64_t r = 0;
    while (p < end && r < limit) {
        const char* next = lines(p, first + r);
        if (!next) break;
        p = next;
        ++r;
    }
    return {r, p, p == end};
}

// Moves a progress bar 5 % further each time another `every` records are read.
class ProgressTicker {
  public:
    ProgressTicker(Progress& progress, int& position, int64_t every)
        : progress_(progress), position_(position), every_(every) {}
    void advance(int64_t records) {
        if (every_ <= 0) return;
        const int64_t before = done_ / every_;
        done_ += records;
        for (int64_t t = before; t < done_ / every_; ++t) {
            position_ = std::min(position_ + 5, 100);
            progress_.setPosition(position_);
        }
    }

  private:
    Progress& progress_;
    int& position_;
    int64_t every_;
    int64_t done_ = 0;
};

class TextReader {
  public:
    TextReader(FeModel& model, Progress& progress, Messages& messages)
        : model_(model), progress_(progress), messages_(messages) {}

    bool read(const std::string& path);

  private:
    bool refuse(const std::string& text) {
        messages_.showError(text);
        return false;
    }
    bool damaged(int64_t line, const std::string& what) {
        return refuse("The file is damaged at line " + std::to_string(line) + ": " + what + "!");
    }
    // The file ends (but for white space) where `what` is due.
    bool endsEarly(const char* what) {
        return refuse("The file ends early at line " + std::to_string(in_.currentLine()) + ": " +
                      what + " is missing!");
    }
    // The next word, or a refusal naming what was expected.
    bool word(std::string_view& w, const char* expected) {
        switch (in_.next(w)) {
            case TextInput::Token::Ok:
                return true;
            case TextInput::Token::End:
                return endsEarly(expected);
            case TextInput::Token::TooLong:
                return damaged(in_.currentLine(), "a word is longer than 4096 characters");
        }
        return false;
    }
    bool integer(int64_t& v, const char* what, int64_t lo, int64_t hi) {
        std::string_view w;
        if (!word(w, what)) return false;
        const NumberStatus s = parseInteger(w, v);
        if (s == NumberStatus::Malformed)
            return damaged(in_.line(), std::string(what) + " " + quoted(w) + " is not an integer");
        if (s == NumberStatus::OutOfRange || v < lo || v > hi)
            return damaged(in_.line(),
                           std::string(what) + " " + std::string(w) + " is out of range");
        return true;
    }
    bool real(float& v, const char* what) {
        std::string_view w;
        if (!word(w, what)) return false;
        const NumberStatus s = parseReal(w, v);
        if (s == NumberStatus::Malformed)
            return damaged(in_.line(), std::string(what) + " " + quoted(w) + " is not a number");
        if (s == NumberStatus::OutOfRange)
            return damaged(in_.line(),
                           std::string(what) + " " + std::string(w) + " is out of range");
        return true;
    }
    // Whether `words` more words can follow: each takes a character and a separator.
    bool canHold(int64_t words) const { return words <= (in_.remaining() + 1) / 2; }
    bool canHold(int64_t records, int64_t wordsEach) const {
        return records == 0 || wordsEach <= ((in_.remaining() + 1) / 2) / records;
    }

    bool readGeometry();
    bool readNode(int32_t i);
    bool readElementCount(int64_t& count);
    bool readElement(int32_t e);
    bool readElements(int32_t count);
    bool readSolutions();
    template <class Lines>
    int64_t readLines(Lines& a, Lines& b, int64_t first, int64_t count);
    template <class Lines, class ReadOne>
    bool readBlock(int64_t count, int64_t lineCount, Lines lines, ReadOne readOne,
                   ProgressTicker& ticker);

    FeModel& model_;
    Progress& progress_;
    Messages& messages_;
    TextInput in_;
    int position_ = 0;
};

// Parses records first.. of a block of count records from whole lines of the read buffer, a
// large buffer split between two threads, until a line is not exactly one sound record or the
// block is complete. Returns the records read; the input is then after their lines.
template <class Lines>
int64_t TextReader::readLines(Lines& a, Lines& b, int64_t first, int64_t count) {
    int64_t done = 0;
    while (first + done < count) {
        const int64_t next = first + done, limit = count - next;
        const std::string_view window = in_.lineWindow();
        if (window.empty()) break;
        const char* begin = window.data();
        const char* end = begin + window.size();
        const char* mid = end;
        // A thread is worth starting for many records only (a step of a few nodes is not).
        if (window.size() >= std::max<size_t>(gReadMode.parallelBytes, 2) &&
            limit >= gReadMode.parallelRecords) {
            const char* half = begin + window.size() / 2;
            mid = static_cast<const char*>(std::memchr(half, '\n', size_t(end - half))) + 1;
        }
        a.begin();
        LineRun run;
        if (mid < end) {
            b.begin();
            LineRun second;
            int64_t firstLines = 0;
            std::thread worker([&] {
                firstLines = int64_t(scan::countLines(begin, mid, size_t(limit)));
                second = parseLines(b, mid, end, next + firstLines,
                                    std::max<int64_t>(0, limit - firstLines));
            });
            run = parseLines(a, begin, mid, next, limit);
            worker.join();
            a.commit(model_, next, run.records);
            if (run.whole) {
                b.commit(model_, next + run.records, second.records);
                run.records += second.records;
                run.stop = second.stop;
                run.whole = second.whole;
            }
        } else {
            run = parseLines(a, begin, end, next, limit);
            a.commit(model_, next, run.records);
        }
        in_.consumeLines(size_t(run.stop - begin), run.records);
        done += run.records;
        if (!run.whole) break;
    }
    return done;
}

// Records [0, count) of a block: the first lineCount from whole lines while each holds one
// record, otherwise (and for the record of a line that is not sound) word by word, which names
// any fault with its line.
template <class Lines, class ReadOne>
bool TextReader::readBlock(int64_t count, int64_t lineCount, Lines lines, ReadOne readOne,
                           ProgressTicker& ticker) {
    Lines other = lines;
    int64_t r = 0;
    while (r < count) {
        if (r < lineCount && gReadMode.lineBlocks && in_.skipToLineStart()) {
            const int64_t n = readLines(lines, other, r, lineCount);
            ticker.advance(n);
            r += n;
            if (r == count) break;
        }
        if (!readOne(r)) return false;
        ticker.advance(1);
        ++r;
    }
    return true;
}

bool TextReader::read(const std::string& path) {
    if (!in_.open(path)) return refuse(kOpenError);
    progress_.setText("Read geometry model ...");
    progress_.setPosition(0);
    if (!readGeometry()) return false;
    if (!in_.atEnd() && !readSolutions()) return false;
    model_.dropStepsWithoutComponents();
    return true;
}

bool TextReader::readNode(int32_t i) {
    int64_t number;
    if (!integer(number, "a node number", INT32_MIN, INT32_MAX)) return false;
    model_.nodeNumbers[size_t(i)] = int32_t(number);
    float* c = model_.coords.data() + size_t(i) * size_t(model_.dimension);
    for (int j = 0; j < model_.dimension; ++j) {
        if (!real(c[j], "a coordinate")) return false;
        if (!std::isfinite(c[j]))
            return damaged(in_.line(), "node " + std::to_string(i + 1) +
                                           " has a coordinate that is not finite");
    }
    return true;
}

bool TextReader::readGeometry() {
    std::string title;
    bool tooLong = false;
    in_.readLine(title, kMaxLineLength, tooLong);
    if (tooLong) return damaged(1, "the title line is too long");
    if (isNumberLikeTitle(title)) return refuse(kOldLayout);
    if (title.size() > size_t(kMaxTitleLength)) title.resize(size_t(kMaxTitleLength));
    model_.jobTitle = std::move(title);

    int64_t nodeCount, dimension;
    if (!integer(nodeCount, "the node count", 0, INT32_MAX)) return false;
    const int64_t countLine = in_.line();
    if (!integer(dimension, "the dimension", 2, 3)) return false;
    if (!canHold(nodeCount, 1 + dimension))
        return damaged(countLine, "the node count " + std::to_string(nodeCount) +
                                      " is more than the file can hold");
    const int32_t n = int32_t(nodeCount), dim = int32_t(dimension);
    model_.dimension = dim;
    model_.nodeCount = n;
    model_.nodeNumbers.resize(size_t(n));
    model_.coords.resize(size_t(n) * size_t(dim));
    // The last node is read by words: the element count line starts right after its last word.
    ProgressTicker ticker(progress_, position_, n / 10);
    if (!readBlock(
            n, n - 1, NodeLines{model_.nodeNumbers.data(), model_.coords.data(), dim},
            [this](int64_t i) { return readNode(int32_t(i)); }, ticker))
        return false;

    int64_t elementCount;
    if (!readElementCount(elementCount)) return false;
    if (!readElements(int32_t(elementCount))) return false;
    if (!model_.findSurfaceFaces(progress_)) return false;
    model_.recentre();
    return true;
}

namespace {

// Whether a line holds exactly the words of a node record: a number and `dim` coordinates.
bool isNodeRecord(const std::string& line, int dim) {
    std::vector<std::string_view> words;
    for (size_t at = 0; at < line.size();) {
        while (at < line.size() && scan::isSpace(line[at]))
            ++at;
        const size_t start = at;
        while (at < line.size() && !scan::isSpace(line[at]))
            ++at;
        if (at > start) words.emplace_back(line.data() + start, at - start);
    }
    if (words.size() != size_t(1 + dim)) return false;
    int64_t number;
    float c;
    if (parseInteger(words[0], number) != NumberStatus::Ok) return false;
    for (int j = 1; j <= dim; ++j)
        if (parseReal(words[size_t(j)], c) != NumberStatus::Ok) return false;
    return true;
}

}  // namespace

bool TextReader::readElementCount(int64_t& count) {
    std::string line;
    bool tooLong = false;
    for (;;) {
        const int64_t lineNumber = in_.currentLine();
        if (!in_.readLine(line, kMaxLineLength, tooLong)) return endsEarly("the element count");
        if (tooLong) return damaged(lineNumber, "the line is too long");
        const std::vector<std::string> words = splitWords(line);
        if (words.empty()) continue;
        if (words.size() != 1) {
            if (isNodeRecord(line, model_.dimension))
                return damaged(lineNumber, "there are more node records than the node count " +
                                               std::to_string(model_.nodeCount));
            return refuse(kOldLayout);
        }
        const std::string& w = words[0];
        size_t end = 0;
        if (end < w.size() && (w[end] == '+' || w[end] == '-')) ++end;
        while (end < w.size() && scan::isDigit(w[end]))
            ++end;
        if (parseInteger(std::string_view(w).substr(0, end), count) != NumberStatus::Ok)
            return damaged(lineNumber, "the element count " + quoted(w) + " is not a number");
        if (end != w.size())
            return damaged(lineNumber, "the element count " + quoted(w) + " is not an integer");
        if (count < 0 || count > INT32_MAX || !canHold(count, 6))
            return damaged(lineNumber, "the element count " + std::to_string(count) +
                                           " is impossible for this file");
        return true;
    }
}

bool TextReader::readElement(int32_t e) {
    int64_t f[5];
    if (!integer(f[0], "an element number", INT32_MIN, INT32_MAX)) return false;
    const int64_t line = in_.line();
    if (!integer(f[1], "an element node count", 0, INT32_MAX)) return false;
    if (!integer(f[2], "an element type", INT32_MIN, INT32_MAX)) return false;
    if (!integer(f[3], "a material number", INT32_MIN, INT32_MAX)) return false;
    if (!integer(f[4], "a real-constant number", INT32_MIN, INT32_MAX)) return false;
    const ElementType* type = elementType(int32_t(f[2]));
    if (!type) {
        messages_.showErrorNumber("Element type does not exist!", f[2]);
        return false;
    }
    // Named only when something is wrong: building the name for every element is measurable.
    const auto which = [e] { return "element " + std::to_string(e + 1); };
    if (model_.dimension == 2 && needsThreeDimensions(type->family))
        return damaged(line, which() + " of type " + std::to_string(f[2]) +
                                 " needs three coordinates in a two-dimensional model");
    if (f[1] != type->nodeCount)
        return damaged(line, which() + " of type " + std::to_string(f[2]) + " has " +
                                 std::to_string(f[1]) + " nodes instead of " +
                                 std::to_string(type->nodeCount));
    model_.elements[size_t(e)] = elementRecord(f, *type, int64_t(model_.connectivity.size()),
                                               int64_t(model_.faceFlags.size()));
    for (int j = 0; j < type->nodeCount; ++j) {
        int64_t p;
        if (!integer(p, "an element node", INT32_MIN, INT32_MAX)) return false;
        if (p < 1 || p > model_.nodeCount)
            return damaged(in_.line(), which() + " refers to node " + std::to_string(p) +
                                           ", outside 1.." + std::to_string(model_.nodeCount));
        model_.connectivity.push_back(int32_t(p));
    }
    model_.faceFlags.insert(model_.faceFlags.end(), size_t(type->faceCount), 0);
    return true;
}

bool TextReader::readElements(int32_t count) {
    model_.elementCount = count;
    model_.elements.resize(size_t(count));
    model_.connectivity.reserve(
        size_t(std::min<int64_t>(int64_t(count) * 8, (in_.remaining() + 1) / 2)));
    model_.faceFlags.reserve(size_t(count) * 4);
    ProgressTicker ticker(progress_, position_, count / 10);
    return readBlock(
        count, count,
        ElementLines{model_.elements.data(), model_.nodeCount, model_.dimension, {}, 0},
        [this](int64_t e) { return readElement(int32_t(e)); }, ticker);
}

bool TextReader::readSolutions() {
    progress_.setText("Read nodal solutions ...");
    progress_.setPosition(0);
    int64_t dofCount, stepCount;
    if (!integer(dofCount, "the number of result components", 0, kMaxDofNames)) return false;
    std::vector<std::string> names;
    for (int64_t d = 0; d < dofCount; ++d) {
        std::string_view w;
        if (!word(w, "a result component name")) return false;
        if (w.size() > size_t(kMaxDofNameLength))
            return damaged(in_.line(), "the result component name " + quoted(w) +
                                           " is longer than 19 characters");
        names.emplace_back(w);
    }
    if (!integer(stepCount, "the step count", 0, INT32_MAX)) return false;
    const int64_t countLine = in_.line();
    // Cut where the first step starts: named as such, not as a count too large for the file.
    if (stepCount > 0 && in_.atEnd()) return endsEarly("a step number");
    const int32_t n = model_.nodeCount;
    if (!canHold(stepCount, 2 + int64_t(n) * (1 + dofCount)))
        return damaged(countLine, "the step count " + std::to_string(stepCount) +
                                      " is more than the file can hold");
    const int32_t steps = int32_t(stepCount), dofs = int32_t(dofCount);
    // Steps of a model without nodes hold no values: their words are read and checked, but
    // the result set keeps no steps, so that a few bytes per step never size per-step tables.
    const int32_t kept = n > 0 ? steps : 0;
    model_.results.initialise(kept, dofs, std::move(names), model_.dimension);
    model_.values.resize(size_t(kept) * size_t(n) * size_t(dofs));

    int position = 0;
    ProgressTicker ticker(progress_, position, int64_t(n) * steps / 20);
    for (int32_t k = 0; k < steps; ++k) {
        int64_t stepNumber;
        float stepValue;
        if (!integer(stepNumber, "a step number", INT64_MIN, INT64_MAX)) return false;
        if (!real(stepValue, "a step value")) return false;
        if (n == 0) continue;
        model_.results.stepValue[k] = stepValue;
        float* v = model_.values.data() + size_t(k) * size_t(n) * size_t(dofs);
        const auto readOne = [this, v, dofs](int64_t i) {
            int64_t number;
            if (!integer(number, "a node number", INT64_MIN, INT64_MAX)) return false;
            for (int32_t d = 0; d < dofs; ++d)
                if (!real(v[i * dofs + d], "a nodal value")) return false;
            return true;
        };
        if (!readBlock(n, n, ResultLines{v, dofs}, readOne, ticker)) return false;
    }
    if (!in_.atEnd())
        return damaged(in_.currentLine(), steps == 0 ? "there is data after the step count of 0"
                                                     : "there is data after the last step");
    model_.computeExtremes();
    return true;
}

// --- writing ---

class TextWriter {
  public:
    TextWriter(const FeModel& model, SafeFileWriter& out) : model_(model), out_(out) {}
    void write();

  private:
    void text(const std::string& s) { out_.write(s); }
    void endLine() { out_.write("\r\n", 2); }
    // A field of `width` characters that always starts with a blank after another field, so
    // that wide numbers never run into their neighbour.
    void intField(long long v, int width, bool separated) {
        char* p = out_.reserve(32);
        int len = formatIntField(p + 1, v, width);
        if (separated && p[1] != ' ') {
            p[0] = ' ';
            out_.advance(size_t(len) + 1);
        } else {
            std::memmove(p, p + 1, size_t(len));
            out_.advance(size_t(len));
        }
    }
    void realField(double v, int width) {
        char* p = out_.reserve(48);
        out_.advance(size_t(formatScientificField(p, v, 4, width)));
    }
    void real(double v) {
        char* p = out_.reserve(48);
        out_.advance(size_t(formatScientific(p, v, 4)));
    }

    const FeModel& model_;
    SafeFileWriter& out_;
};

// A title that the reader accepts and that is as close to the stored one as possible:
// line breaks become blanks, and an empty or number-like title gets a trailing blank.
std::string writableTitle(const std::string& title) {
    std::string t = title;
    for (char& c : t)
        if (c == '\r' || c == '\n') c = ' ';
    if (isNumberLikeTitle(t)) t += ' ';
    return t;
}

// One word per name: white space inside a name becomes an underscore, an empty name "_".
std::string writableName(const std::string& name) {
    if (name.empty()) return "_";
    std::string n = name;
    for (char& c : n)
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') c = '_';
    return n;
}

void TextWriter::write() {
    const FeModel& m = model_;
    const ResultSet& r = m.results;
    text(writableTitle(m.jobTitle));
    endLine();
    text(std::to_string(m.nodeCount) + "     " + std::to_string(m.dimension));
    endLine();
    for (int32_t i = 0; i < m.nodeCount; ++i) {
        intField(i + 1, 5, false);
        for (int j = 0; j < m.dimension; ++j)
            realField(m.fileCoordinate(i, j), 15);
        endLine();
    }
    text(std::to_string(m.elementCount));
    endLine();
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& rec = m.elements[size_t(e)];
        intField(rec.number, 10, false);
        intField(rec.nodeCount, 3, true);
        intField(rec.type, 3, true);
        intField(rec.material, 3, true);
        intField(rec.realConstant, 3, true);
        for (int32_t p : m.elementNodes(e))
            intField(p, 10, true);
        endLine();
    }
    if (r.hasResults != 1) return;
    text(std::to_string(r.dofCount) + "   ");
    for (int32_t d = 0; d < r.dofCount; ++d)
        text(writableName(r.dofNames[size_t(d)]) + "   ");
    endLine();
    text(std::to_string(r.stepCount));
    endLine();
    for (int32_t k = 0; k < r.stepCount; ++k) {
        text(std::to_string(k + 1) + "    ");
        real(r.stepValue[k]);
        endLine();
        for (int32_t i = 0; i < m.nodeCount; ++i) {
            intField(m.nodeNumbers[size_t(i)], 5, false);
            for (int32_t d = 0; d < r.dofCount; ++d)
                realField(m.storedValue(i, k, d), 15);
            endLine();
        }
    }
}

}  // namespace

void setTextReadMode(const TextReadMode& mode) {
    gReadMode = mode;
}

TextReadMode textReadMode() {
    return gReadMode;
}

bool readTextFile(FeModel& model, const std::string& path, Progress& progress, Messages& messages) {
    TextReader reader(model, progress, messages);
    return reader.read(path) || discardFailedRead(model);
}

bool writeTextFile(const FeModel& model, const std::string& path, Progress& progress,
                   Messages& messages) {
    SafeFileWriter out;
    if (!out.open(path)) {
        messages.showError(kWriteError);
        return false;
    }
    TextWriter(model, out).write();
    progress.setPosition(100);
    if (!out.commit()) {
        messages.showError(kWriteError);
        return false;
    }
    return true;
}

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string current;
    for (char c : line) {
        if (c == ',' || c == ' ' || c == ':' || c == '\t') {
            if (!current.empty()) words.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) words.push_back(std::move(current));
    return words;
}

bool isNumberLikeTitle(const std::string& title) {
    int exponents = 0, signs = 0;
    for (char c : title) {
        if (c >= '0' && c <= '9') continue;
        if (c == 'e' || c == 'E') {
            if (++exponents > 1) return false;
        } else if (c == '+' || c == '-') {
            if (++signs > 1) return false;
        } else {
            return false;
        }
    }
    return true;  // also true for an empty title
}

}  // namespace orv
