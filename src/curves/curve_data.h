#pragma once
// The scene's curve data: the table last read or computed, where it came from, and the
// curve defined on it, converted for the plot.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "curve_file.h"
#include "curve_maths.h"
#include "curve_plot.h"

namespace orv {

struct CurveData {
    // A computed table's kind and source nodes (1-based); a table read from a file is a time
    // history without source nodes.
    CurveKind kind = CurveKind::TimeHistory;
    std::vector<int32_t> nodes;
    std::string filePath;  // the curve file the table was read from (a computed one's output)
    CurveTable table;
    std::vector<std::pair<float, float>> ranges;  // (min, max) of each column
    std::optional<CurvePlot> plot;                // the defined curve

    bool empty() const { return table.empty(); }
    // A line distribution that Definition can compute again at another step.
    bool lineSource() const { return kind == CurveKind::LineDistribution && nodes.size() >= 2; }
};

}  // namespace orv
