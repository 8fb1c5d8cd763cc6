#pragma once
// The curve tables computed from an open result: the time history of nodes and the
// distribution of every component along a line of a plane mesh, with the interpolation at a
// point they need, and the reading of the node text the curve-array dialog takes. Stateless:
// each takes the model it reads. Values are the stored ones (never the animation's ramp).
// Node numbers are 1-based as the user types them; node indices 0-based.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "curve_file.h"

namespace orv {

class FeModel;
class Messages;
struct ShownStep;

enum class CurveKind { TimeHistory = 0, LineDistribution = 1 };
// How the curve-array dialog's node text is read.
enum class NodeInput { Numbers = 0, Coordinates = 1, Pick = 2, Unpick = 3 };

// The stored step (or mode) whose values a shown step stands for: a transient result's step,
// a mode file's chosen mode, step 0 of a single step; -1 without results.
int32_t storedStepOf(const FeModel& model, const ShownStep& shown);

// The component values at point (x, y) of a plane mesh at stored step `step` (centred
// coordinates, as stored). Contract:
//  - the first 4-node element (in element order) whose box, widened by a tolerance scaled to
//    its size, holds the point, that has no edge function above the tolerance (nodes
//    counter-clockwise) and whose Newton solution has |xi|, |eta| <= 1 + tolerance gives
//    sum N_k * value_k with the bilinear shape functions;
//  - otherwise, or when every value is exactly 0: the element edge nearest the point (distance
//    to the edge's segment, the first element on a tie) of all elements; when that is within
//    the tolerance of its element, the values interpolated between the edge's two nodes by
//    distance (an edge of a thin element beside a thick one is found where the element
//    with the nearest centroid would miss it);
//  - otherwise zeros.
// dofCount values; zeros without results.
std::vector<double> valueAtPoint(const FeModel& model, int32_t step, double x, double y);

// The time history of the nodes (1-based numbers, each within 1..nodeCount): columns "Time"
// and "%d_%s" (node, component) per node and component; one row per stored step with its step
// value, or for a single step two rows (0 and zeros, then 1 and the step's values). Names are
// cut to 19 characters. Requires results (stepCount >= 1).
CurveTable timeHistory(const FeModel& model, std::span<const int32_t> nodes);

// The distribution along the line from node a to node b (1-based, different, plane model) at
// stored step `step`: 40 rows of the distance from a in the x-y plane and every component;
// row 0 holds a's values, row 39 b's, the rows between valueAtPoint. Columns "Distance" and
// the component names.
CurveTable lineDistribution(const FeModel& model, int32_t a, int32_t b, int32_t step);

// Reads the node text of the curve-array dialog: words split at commas, blanks, colons and
// tabs. Numbers, Pick and Unpick: each word a node number, refused outside 1..nodeCount.
// Coordinates: the words form points of `dimension` numbers in file coordinates, each
// replaced by its nearest node; an incomplete last point is refused. A line needs two
// different nodes ("Need 2 node to define a line!") and keeps the first two. Refusals are
// "Message" boxes ("Please select node!", ...) and give nullopt.
std::optional<std::vector<int32_t>> readCurveNodes(const std::string& text, NodeInput input,
                                                   CurveKind kind, const FeModel& model,
                                                   Messages& messages);

// The node nearest a point given in file coordinates (the centre is subtracted), over the
// model's dimension; ties to the lower number; 1-based, 0 for a model without nodes.
int32_t nearestNodeToFilePoint(const FeModel& model, std::span<const double> point);

}  // namespace orv
