#pragma once
// Shared by the reader fuzz harnesses: a private scratch directory for the input and the
// files written from it, a message recorder, the checks on a refusal, and the exercise every
// accepted model goes through (listings, value queries, writing both formats and reading
// them back). Every broken expectation aborts, so that libFuzzer and the regression runner
// both see it as a crash.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "fe_model.h"
#include "messages.h"

namespace orvfuzz {

[[noreturn]] void fail(const std::string& what);

inline void check(bool condition, const char* what) {
    if (!condition) fail(what);
}

// A directory of its own under $ORVANTA_FUZZ_TMP, /dev/shm, $TMPDIR or /tmp, named after the
// process and removed at exit; those of processes that crashed are removed by the next one.
class Scratch {
  public:
    static Scratch& get();
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    void put(const std::string& name, const uint8_t* data, size_t size);
    std::string contents(const std::string& name) const;
    // Aborts unless the directory holds exactly these names (no stray temporary files).
    void expectOnly(std::initializer_list<const char*> names) const;
    void clear() const;
    // Removes the directory; a failing check does so before it aborts.
    void remove();
    ~Scratch();

  private:
    Scratch();
    std::string dir_;
};

class RecordingMessages final : public orv::Messages {
  public:
    void show(const orv::MessageBox& box) override { boxes.push_back(box); }
    std::vector<orv::MessageBox> boxes;
};

// Reads into a fresh model, as the application does before opening a file.
struct ReadOutcome {
    bool accepted = false;
    RecordingMessages messages;
};

// The program's own formats, then the imported ones (read only; they set the mode flag
// themselves).
enum class Format { Binary, Text, Modes, Frd, Msh, Vtk, Vtu };

ReadOutcome readInto(orv::FeModel& model, const std::string& path, Format format);

// A refused read reports one or more errors in the established forms, with a byte offset
// inside the file or a line that exists, and leaves an empty model.
void checkRefusal(const ReadOutcome& outcome, const orv::FeModel& model, const uint8_t* data,
                  size_t size);

// Structural soundness of an accepted model: tables sized from the counts, positions in
// range, finite geometry. fromText adds what the text reader computes itself.
void checkModel(const orv::FeModel& model, bool fromText);

// Queries, listings and round trips through both writers.
void exercise(orv::FeModel& model, Format origin);

// Reads the input in each format and checks the outcome: refusals for their form, accepted
// models for their soundness and through the exercise.
void runInput(const uint8_t* data, size_t size, std::initializer_list<Format> formats);

// Set when an input was accepted by at least one read; the regression runner uses it to
// confirm that every seed is a valid file.
extern bool lastInputAccepted;

}  // namespace orvfuzz
