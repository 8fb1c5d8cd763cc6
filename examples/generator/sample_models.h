#pragma once
// Sample models built directly in memory: structured blocks of any size for benchmarks, and
// the small engineering examples bundled with the program, whose nodal results come from
// closed-form solutions or, for the truss, from a stiffness solve.
//
// Every model is complete as a reader would leave it: node-to-element lists built, surface
// faces found, coordinates centred and extremes computed, so that a .rst written from it
// holds exactly what reading the .asc written from it gives.
#include <cstdint>
#include <string>
#include <vector>

#include "fe_model.h"

namespace orv {
class Messages;
}

namespace orv::samples {

// --- structured blocks ---

enum class BlockShape {
    Hex,   // n x n x n hexahedra (38)
    Tet,   // n x n x n cubes, each split into six tetrahedra (34) along its main diagonal
    Quad,  // n x n four-node quads (24), a two-dimensional model
};

// A unit cube (unit square for quads) meshed with n cells along each edge, with five steps
// (step values 0.2 .. 1.0) of four smooth fields: "UX UY UZ SX" in space, "UX UY SX SY" in
// the plane. Sized for a million hexahedra: the tables are filled in place. False, with the
// model left empty, when n is below 1 or the counts would not fit the model's 32-bit tables.
bool buildBlock(FeModel& model, BlockShape shape, int32_t n);

// --- the bundled examples (units N, mm, MPa, t, s) ---

// Square plate with a central circular hole, pulled along x; the Kirsch solution of the
// infinite plate in plane stress. Components UX UY SX SY SXY; the steps ramp the load.
struct PlateWithHole {
    static constexpr double halfWidth = 100.0;
    static constexpr double radius = 10.0;
    static constexpr double youngsModulus = 210000.0;
    static constexpr double poisson = 0.3;
    static constexpr double appliedStress = 100.0;  // at full load
    static constexpr int steps = 4;                 // load factors 0.25 .. 1
};
// Four-node (24) or eight-node (28) quads.
void buildPlateWithHole(FeModel& model, int nodesPerElement);

// Cantilever of rectangular section, clamped at x = 0, with a downward (-y) tip load;
// Euler-Bernoulli beam theory. Components UX UY UZ SX SXY; the steps ramp the load.
struct Cantilever {
    static constexpr double length = 1000.0;
    static constexpr double height = 100.0;  // along y
    static constexpr double width = 50.0;    // along z
    static constexpr double youngsModulus = 210000.0;
    static constexpr double density = 7.85e-9;
    static constexpr double tipLoad = 10000.0;  // at full load
    static constexpr int steps = 5;             // load factors 0.2 .. 1
    static constexpr int modes = 4;
};
void buildCantilever(FeModel& model);
// The same mesh with its first bending modes in y and z (clamped-free beam shapes, tip
// deflection 1); the step values are the natural frequencies in Hz. Components UX UY UZ.
void buildCantileverModes(FeModel& model);

// Simply supported rectangular plate of four-node shells (44) under uniform pressure in -z,
// the first term of the Navier series. Components UX UY UZ SX SY (bending stresses at the
// bottom surface); the steps ramp the pressure.
struct ShellPlate {
    static constexpr double lengthX = 1000.0;
    static constexpr double lengthY = 600.0;
    static constexpr double thickness = 10.0;
    static constexpr double youngsModulus = 210000.0;
    static constexpr double poisson = 0.3;
    static constexpr double pressure = 0.01;  // at full load
    static constexpr int steps = 4;
};
void buildShellPlate(FeModel& model);

// Thick-walled open-ended tube under internal pressure, of tetrahedra (34); the Lamé
// solution. Components UX UY UZ SRAD SHOOP SEQV; the steps ramp the pressure.
struct PressureTube {
    static constexpr double innerRadius = 50.0;
    static constexpr double outerRadius = 100.0;
    static constexpr double length = 120.0;
    static constexpr double youngsModulus = 210000.0;
    static constexpr double poisson = 0.3;
    static constexpr double pressure = 100.0;  // at full load
    static constexpr int steps = 3;
};
void buildPressureTube(FeModel& model);

// Plane truss bridge of two-node lines (22): six panels, pinned at the left end and on a
// roller at the right one. Step k (1-based) carries one downward load at the k-th inner
// node of the bottom chord; its step value is that node's x in mm. Components UX UY, from a
// stiffness solve.
struct TrussBridge {
    static constexpr double panel = 2000.0;
    static constexpr double height = 2000.0;
    static constexpr int panels = 6;
    static constexpr double youngsModulus = 210000.0;
    static constexpr double chordArea = 2000.0;  // material 1
    static constexpr double webArea = 1000.0;    // material 2
    static constexpr double load = 100000.0;
    static constexpr int steps = panels - 1;
};
void buildTrussBridge(FeModel& model);

struct Example {
    std::string fileName;  // the extension picks the writer: .rst, or .asc / .mdf as text
    void (*build)(FeModel&);
};
const std::vector<Example>& examples();

// Writes the model in the format its extension names (.rst binary, .asc and .mdf text).
bool writeSample(const FeModel& model, const std::string& path, Messages& messages);
// Writes the model as a text file (.asc or .mdf) in the form other programs give it: one
// blank between fields, LF line ends, and every real with `digits` significant digits in the
// shortest of fixed and scientific notation (%g), so that 9 digits keep every float exactly.
bool writeTextWithDigits(const FeModel& model, const std::string& path, int digits,
                         Messages& messages);
// Writes the model as a VTK XML unstructured grid (.vtu): its last step as one step (the step
// value as TimeValue), the displacements as "Displacement" (a zero third component in the
// plane) and the first other component as a scalar field, every array appended raw with
// UInt64 headers, as VTK writes large grids; for the importer's benchmark.
bool writeVtu(const FeModel& model, const std::string& path, Messages& messages);
// Writes the model and the displacements of its last step as a CalculiX result file in the
// short ASCII form ccx writes (fixed columns, 1.00000E+00 reals).
bool writeFrd(const FeModel& model, const std::string& path, Messages& messages);
// Writes every example into the directory; false (with the reason reported) on a failure.
// On a failure `failed` names the file that could not be written.
bool writeExamples(const std::string& directory, Messages& messages, std::string& failed);

}  // namespace orv::samples
