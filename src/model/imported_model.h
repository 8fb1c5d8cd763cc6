#pragma once
// What the importers of other programs' files (CalculiX .frd, Gmsh .msh, VTK .vtk and .vtu)
// gather, and the one step that turns it into the model this program shows. An importer only
// parses its format into an ImportedModel; buildImportedModel applies the rules every importer
// shares:
//  - element codes: a model is plane when every cell is of a plane kind (point, line,
//    triangle, quadrilateral), every |z| <= 1e-9 x the largest |coordinate| and every third
//    displacement component |D3| <= 1e-9 x the largest |displacement|; plane cells then get
//    the plane codes (21 22 23 24 26 28), otherwise the codes in space (31 32 43 44 46 48, and
//    34 38 for solids);
//  - quadratic cells list their corners, then their mid-side nodes; the model alternates them
//    (1 4 2 5 3 6 and 1 5 2 6 3 7 4 8);
//  - components: the displacement field first as UX UY (UZ in space), then every field in the
//    order given: one of a single component under its own name, a vector split into NAME_X,
//    NAME_Y, NAME_Z (NAME_Z also in a plane model: a vector's third component is data);
//    names cut to 19 characters, a name taken (UX, UY and UZ name only displacements) ending
//    in _2, _3, ...; the first 50 components only, said in a message;
//  - node labels become the model's node numbers (they must fit 1..2^31-1); cells refer to
//    node positions.
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

class FeModel;
class Messages;
class Progress;

enum class CellShape : uint8_t { Point, Line2, Triangle3, Quad4, Triangle6, Quad8, Tetra4, Hexa8 };

// Nodes of each shape (1, 2, 3, 4, 6, 8, 4, 8).
int cellShapeNodes(CellShape shape);

struct ImportedCell {
    CellShape shape = CellShape::Point;
    int32_t label = 0;      // the element number shown
    int32_t material = 1;   // the material number shown
    int64_t firstNode = 0;  // offset into ImportedModel::cellNodes
};

// Nodal values of one field: steps x nodes x components, in node position order. A field
// that a step does not hold has zeros there.
struct ImportedField {
    std::string name;
    int32_t components = 1;     // 1, or 3 for a vector
    bool displacement = false;  // the displacement vector: it becomes UX UY [UZ], first
    std::vector<float> values;
};

struct ImportedModel {
    std::string title;
    std::vector<int64_t> labels;  // per node
    std::vector<double> coords;   // x, y, z per node
    std::vector<ImportedCell> cells;
    std::vector<int32_t> cellNodes;  // 0-based node positions, each cell's in its file order
    std::vector<double> stepValues;  // time of each step, or frequency of each mode
    bool modes = false;              // the steps are vibration modes
    std::vector<ImportedField> fields;
    // What the file held that cannot be shown (e.g. "12 pyramids"), for the message when no
    // cell can be shown.
    std::vector<std::string> skipped;
};

// Whether buildImportedModel makes the model plane: every cell of a plane kind, and z and the
// third displacement component zero within the tolerance above.
bool isPlaneModel(const ImportedModel& imported);

// Builds the model from what an importer gathered (which it may consume); false, with a
// message naming the file's content, when there is nothing to show (no node, or no cell a
// shape maps to) or a label or count does not fit.
bool buildImportedModel(ImportedModel& imported, FeModel& model, Progress& progress,
                        Messages& messages);

}  // namespace orv
