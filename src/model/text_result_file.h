#pragma once
// The text result file (.asc) and the mode file (.mdf, the same grammar with vibration modes
// as steps): whitespace-separated numbers after a title line.
#include <cstddef>
#include <string>
#include <vector>

namespace orv {

class FeModel;
class Progress;
class Messages;

// Reads a .asc or .mdf file into a model the caller has reset; the caller sets
// modalResults beforehand for a mode file. On failure the reason is reported and the model
// is left empty.
bool readTextFile(FeModel& model, const std::string& path, Progress& progress, Messages& messages);
// How the reader parses the node, element and result blocks. Lines that hold exactly one
// record are parsed straight from the read buffer, by two threads once the buffer holds at
// least parallelBytes and at least parallelRecords records remain; any other line is read
// word by word, as is everything when lineBlocks is off. Results and messages are the same
// either way; tests and fuzzing compare the paths. Set it only while no read is running.
struct TextReadMode {
    bool lineBlocks = true;
    size_t parallelBytes = size_t(1) << 20;
    int64_t parallelRecords = 4096;
};
void setTextReadMode(const TextReadMode& mode);
TextReadMode textReadMode();

// Writes the model as .asc; the file it replaces survives any failure.
bool writeTextFile(const FeModel& model, const std::string& path, Progress& progress,
                   Messages& messages);

// Splits a line into words at commas, blanks, colons and tabs.
std::vector<std::string> splitWords(const std::string& line);
// True for a first line that marks a file of an older layout: empty, or only digits with at
// most one e/E and at most one sign.
bool isNumberLikeTitle(const std::string& title);

}  // namespace orv
