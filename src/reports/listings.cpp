#include "listings.h"

#include "fe_model.h"
#include "messages.h"
#include "number_format.h"

namespace orv {

namespace {

// Collects text and hands it to the stream in large pieces.
class ListingSink {
  public:
    explicit ListingSink(std::FILE* out) : out_(out) { buffer_.reserve(kChunk + 1024); }
    ~ListingSink() { flush(); }

    void text(const std::string& s) { buffer_ += s; }
    void endLine() {
        buffer_ += "\r\n";
        if (buffer_.size() >= kChunk) flush();
    }
    void intField(long long v, int width) {
        char tmp[32];
        buffer_.append(tmp, size_t(formatIntField(tmp, v, width)));
    }
    // A field after another one: when the number fills its width it gets a blank before it,
    // so that neighbours never run together.
    void separatedIntField(long long v, int width) {
        char tmp[32];
        const int len = formatIntField(tmp, v, width);
        if (tmp[0] != ' ') buffer_ += ' ';
        buffer_.append(tmp, size_t(len));
    }
    void realField(double v, int width) {
        char tmp[64];
        buffer_.append(tmp, size_t(formatScientificField(tmp, v, 5, width)));
    }
    bool flush() {
        if (!buffer_.empty() &&
            std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size())
            ok_ = false;
        buffer_.clear();
        return ok_;
    }

  private:
    static constexpr size_t kChunk = 1 << 20;
    std::FILE* out_;
    std::string buffer_;
    bool ok_ = true;
};

void nodeListing(const FeModel& m, ListingSink& out) {
    out.text(std::to_string(m.nodeCount) + "\t" + std::to_string(m.dimension));
    out.endLine();
    for (int32_t i = 0; i < m.nodeCount; ++i) {
        out.intField(i + 1, 6);
        for (int j = 0; j < m.dimension; ++j)
            out.realField(m.fileCoordinate(i, j), 15);
        out.endLine();
    }
}

void elementListing(const FeModel& m, ListingSink& out) {
    out.text(std::to_string(m.elementCount));
    out.endLine();
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& r = m.elements[size_t(e)];
        if (!r.selected) continue;
        // A number wider than the first column is set off from the line's start as well.
        if (r.number > 9999 || r.number < -999) out.text(" ");
        out.intField(r.number, 4);
        out.separatedIntField(r.nodeCount, 6);
        out.separatedIntField(r.type, 4);
        out.separatedIntField(r.material, 4);
        out.separatedIntField(r.realConstant, 4);
        out.text("  ");
        bool first = true;
        for (int32_t p : m.elementNodes(e)) {
            if (first)
                out.intField(p, 6);  // the two blanks already set it off
            else
                out.separatedIntField(p, 6);
            first = false;
        }
        out.endLine();
    }
}

void resultsListing(const FeModel& m, ListingSink& out) {
    const ResultSet& r = m.results;
    std::string header = std::to_string(r.dofCount) + "\t";
    for (const std::string& name : r.dofNames)
        header += name + "\t";
    out.text(header);
    out.endLine();
    out.text("Total step : " + std::to_string(r.stepCount));
    out.endLine();
    const bool values = m.hasValues();
    for (int32_t k = 0; k < r.stepCount; ++k) {
        out.intField(k + 1, 3);
        out.realField(m.stepValue(k), 15);
        out.endLine();
        for (int32_t i = 0; i < m.nodeCount; ++i) {
            out.intField(i + 1, 6);
            // The stored values of the step or mode; the ramp belongs to the animation only.
            if (values)
                for (int32_t d = 0; d < r.dofCount; ++d)
                    out.realField(m.storedValue(i, k, d), 15);
            out.endLine();
        }
    }
}

void modelInformation(const FeModel& m, ListingSink& out) {
    const ResultSet& r = m.results;
    out.text(m.jobTitle);
    out.endLine();
    out.text("The number of computational steps : " + std::to_string(r.stepCount));
    out.endLine();
    out.text("The freedom name : ");
    out.endLine();
    for (int32_t d = 0; d < r.dofCount; ++d) {
        const std::string& name = r.dofNames[size_t(d)];
        out.text(std::string(name.size() < 10 ? 10 - name.size() : 0, ' ') + name);
        if ((d + 1) % 6 == 0) out.endLine();
    }
    out.endLine();
    out.text("The number of dimension : " + std::to_string(m.dimension));
    out.endLine();
    out.text("The number of node      : " + std::to_string(m.nodeCount));
    out.endLine();
    out.text("The number of element   : " + std::to_string(m.elementCount));
    out.endLine();
}

}  // namespace

bool writeListing(ListingKind kind, const FeModel& model, std::FILE* out) {
    ListingSink sink(out);
    switch (kind) {
        case ListingKind::Nodes:
            nodeListing(model, sink);
            break;
        case ListingKind::Elements:
            elementListing(model, sink);
            break;
        case ListingKind::Results:
            resultsListing(model, sink);
            break;
        case ListingKind::ModelInformation:
            modelInformation(model, sink);
            break;
    }
    return sink.flush() && std::fflush(out) == 0;
}

bool writeListingFile(ListingKind kind, const FeModel& model, const std::string& path,
                      Messages& messages) {
    const bool namesFile = kind == ListingKind::Nodes || kind == ListingKind::Elements;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        if (namesFile)
            messages.showError(" Error to open file " + path);
        else
            messages.showError(" Error to open file .rst");
        return false;
    }
    const bool ok = writeListing(kind, model, out);
    const bool closed = std::fclose(out) == 0;
    if (!ok || !closed) {
        messages.showError(" Error to write file " + path);
        return false;
    }
    return true;
}

const char* listingTitle(ListingKind kind) {
    switch (kind) {
        case ListingKind::Nodes:
            return "List node ...";
        case ListingKind::Elements:
            return "List element ...";
        case ListingKind::Results:
            return "List results ...";
        case ListingKind::ModelInformation:
            return "List model information ...";
    }
    return "";
}

}  // namespace orv
