// The VTK importers: one model (two bricks and their neighbours, with cells of the shown and
// skipped types, materials, point arrays of one to three components and a time) as VTK writes
// it in each encoding of the legacy and the XML file, a file of cells none shown, the
// generator's grid read back, and damaged files refused with where.
#include "imported_model.h"
#include "sample_models.h"
#include "test_support.h"

using namespace orvtest;

namespace {

const std::string kData = ORVANTA_DATA_DIR;

// The bytes (or those of a data file) with the first `from` replaced by `to`, cut after it
// when `cut`.
std::string edited(std::string bytes, const std::string& from, const std::string& to,
                   bool cut = false) {
    if (bytes.find('\n') == std::string::npos) bytes = readBytes(kData + "/" + bytes);
    const size_t at = bytes.find(from);
    if (at == std::string::npos) throw std::runtime_error("no " + from + " to edit");
    bytes.replace(at, from.size(), to);
    return cut ? bytes.substr(0, at + to.size()) : bytes;
}

}  // namespace

TEST(VtkFile, EveryEncodingGivesTheSameModel) {
    const std::string legacyTitle = "two bricks and their neighbours";
    const char* const files[] = {
        "bricks_42.vtk",          "bricks_42_bin.vtk",          "bricks_51.vtk",
        "bricks_51_bin.vtk",      "bricks_ascii.vtu",           "bricks_base64.vtu",
        "bricks_raw.vtu",         "bricks_appended_base64.vtu", "bricks_zlib.vtu",
        "bricks_zlib_base64.vtu", "bricks_uint64.vtu",          "bricks_zlib_uint64.vtu",
        "bricks_big_endian.vtu",  "bricks_zlib_big_endian.vtu"};
    const std::string expected = describe(readAccepted(kData + "/" + files[0]));
    for (const char* name : files) {
        orv::FeModel m = readAccepted(kData + "/" + name);
        EXPECT_EQ(m.jobTitle, orv::fileExtension(name) == "vtk" ? legacyTitle : "") << name;
        m.jobTitle = legacyTitle;
        EXPECT_EQ(describe(m), expected) << name;
    }
    // Materials 3 and 4 from the cell array, the time 2.5, the displacement first, then the
    // other point arrays in order; wedges, pyramids and the quadratic tetrahedron left out.
    expectGolden("vtk_reads.txt", expected);
    for (const char* name : {"unshown_cells.vtk", "unshown_cells.vtu"})
        expectRefused(readFile(kData + "/" + name),
                      "The file holds nothing this program can show: 22 nodes, 2 wedges, 1 "
                      "pyramid, 1 polygon!");
}

// The generator's grid (appended raw, UInt64 headers) holds the block's last step.
TEST(VtkFile, GeneratedGridReadsBack) {
    using orv::samples::BlockShape;
    for (BlockShape shape : {BlockShape::Hex, BlockShape::Tet, BlockShape::Quad}) {
        orv::FeModel block;
        ASSERT_TRUE(orv::samples::buildBlock(block, shape, 3));
        TempDir dir;
        RecordingMessages messages;
        ASSERT_TRUE(orv::samples::writeVtu(block, dir.file("b.vtu"), messages));
        const orv::FeModel m = readAccepted(dir.file("b.vtu"));
        ASSERT_EQ(m.nodeCount, block.nodeCount);
        EXPECT_EQ(m.dimension, block.dimension);
        EXPECT_EQ(m.coords, block.coords);
        EXPECT_EQ(m.connectivity, block.connectivity);
        const int32_t last = block.results.stepCount - 1;
        ASSERT_EQ(m.results.stepCount, 1);
        EXPECT_EQ(m.stepValue(0), block.stepValue(last));
        // UX UY [UZ] and the first other component, at every node.
        const int32_t dofs = m.dimension + 1;
        ASSERT_EQ(m.results.dofCount, dofs);
        for (int32_t d = 0; d < dofs; ++d) {
            EXPECT_EQ(m.results.dofNames[size_t(d)], block.results.dofNames[size_t(d)]);
            for (int32_t i = 0; i < m.nodeCount; ++i)
                EXPECT_EQ(m.storedValue(i, 0, d), block.storedValue(i, last, d));
        }
    }
}

TEST(VtkFile, DamagedFilesAreRefusedWithWhere) {
    using namespace std::string_literals;
    struct Case {
        std::string file, bytes, refusal;
    };
    const Case cases[] = {
        {"a.vtk", edited("bricks_42.vtk", "# vtk", "# vtx"),
         "The file is damaged at line 1: it does not start with \"# vtk DataFile Version\" as a "
         "VTK file does!"},
        {"a.vtk", edited("bricks_42.vtk", "Version 4.2", "Version 6.0"),
         "The file is a VTK file of version 6.0: versions up to 5.1 are read!"},
        {"a.vtk", edited("bricks_42.vtk", "UNSTRUCTURED_GRID", "POLYDATA"),
         "The file holds a data set of the kind \"POLYDATA\": only UNSTRUCTURED_GRID is read!"},
        {"a.vtk", edited("bricks_42.vtk", "CELL_TYPES 13", "CELL_TYPOS 13"),
         "The file is damaged at line 32: \"CELL_TYPOS\" is not a keyword of a VTK file!"},
        {"a.vtk", edited("bricks_42.vtk", "POINTS 22", "POINTS 2000000000"),
         "The file is damaged at line 8: the point count 2000000000 is more than the file can "
         "hold!"},
        {"a.vtk", edited("bricks_42.vtk", "3.5 0.25 0.25", "3.5 0.2x5 0.25"),
         "The file is damaged at line 14: the value \"0.2x5\" in the POINTS is not a number!"},
        {"a.vtk",
         edited("bricks_42.vtk", "POINTS 22 float\n0 0 0 1", "POINTS 22 float\n0 0 0 1", true),
         "The file is damaged at line 8: the point count 22 is more than the file can hold!"},
        {"a.vtk", edited("bricks_42.vtk", "6 7 10 9", "6 7 10 99"),
         "The file is damaged at line 18: cell 0 refers to point 99, outside 0..21!"},
        {"a.vtk", edited("bricks_42.vtk", "13\n10\n14", "13\n12\n14"),
         "The file is damaged at line 21: cell 3, a hexahedron, has 4 points instead of 8!"},
        {"a.vtk", edited("bricks_42.vtk", "13\n10\n14", "13\n300\n14"),
         "The file is damaged at line 36: cell 3 is of type 300, which VTK does not have!"},
        {"a.vtk", edited("bricks_42.vtk", "CELLS 13 84", "CELLS 13 85"),
         "The file is damaged at line 32: the value \"CELL_TYPES\" in the CELLS is not an "
         "integer!"},
        {"a.vtk", edited("bricks_42.vtk", "material 1 13 int\n3 4", "material 1 13 float\n3.5 4"),
         "The file is damaged at line 53: the material 3.5 of cell 0 is not an integer!"},
        {"a.vtk",
         edited("bricks_42_bin.vtk", "POINTS 22 float\n\0\0\0\0"s, "POINTS 22 float\n\0\0\0\0"s,
                true),
         "The file is damaged at byte 147: the point count 22 is more than the file can hold!"},
        {"a.vtk",
         edited("bricks_51_bin.vtk", "CONNECTIVITY vtktypeint64\n\0\0\0\0\0\0\0\0"s,
                "CONNECTIVITY vtktypeint64\n\0\0\0\0\0\0\0\x63"s),
         "The file is damaged at byte 593: cell 0 refers to point 99, outside 0..21!"},
        {"a.vtk", edited("bricks_51.vtk", "0 8 16 22", "0 8 6 22"),
         "The file is damaged at line 19: the offset 6 of cell 1 is outside 8..71!"},
        {"a.vtu", edited("bricks_ascii.vtu", "type=\"UnstructuredGrid\"", "type=\"PolyData\""),
         "The file holds VTK data of the type \"PolyData\": only UnstructuredGrid is read!"},
        {"a.vtu", edited("bricks_ascii.vtu", "NumberOfPoints=\"22\"", "NumberOfPoints=22"),
         "The file is damaged at byte 320: the value of the attribute NumberOfPoints is not in "
         "quotes!"},
        {"a.vtu", edited("bricks_ascii.vtu", "</PointData>", "</PointDat>"),
         "The file is damaged at byte 3529: the end tag </PointDat> closes <PointData>!"},
        {"a.vtu", edited("bricks_ascii.vtu", "20 20.5 21 20.5", "20 20.5 2x1 20.5"),
         "The file is damaged at byte 2166: the value \"2x1\" of the array \"Temperature\" is not "
         "a number!"},
        {"a.vtu", edited("bricks_ascii.vtu", "10 9 1 2 5 4", "10 99 1 2 5 4"),
         "The file is damaged at byte 4777: cell 0 refers to point 99, outside 0..21!"},
        {"a.vtu", edited("bricks_ascii.vtu", "Name=\"types\"", "Name=\"typos\""),
         "The file is damaged at byte 4639: the Cells have no array \"types\"!"},
        {"a.vtk", edited("bricks_42.vtk", "CELL_TYPES", "CELL_TYPES", true),
         "The file ends early at line 32: it is cut off in the CELL_TYPES!"},
        {"a.vtu", edited("bricks_ascii.vtu", "<Piece", "<Piece", true),
         "The file ends early: it is cut off in the tag <Piece> at byte 304!"},
        {"a.vtu", edited("bricks_raw.vtu", "_\x08\0\0\0"s, "_\0\xff\xff\xff"s),
         "The file is damaged at byte 3719: the array \"TimeValue\" holds 4294967040 bytes where 8 "
         "are due!"},
        {"a.vtu", edited("bricks_raw.vtu", "offset=\"0\"", "offset=\"99999\""),
         "The file is damaged at byte 138: the offset 99999 of the array \"TimeValue\" is beyond "
         "the end of the file!"},
        {"a.vtu",
         edited("bricks_zlib.vtu", "_\1\0\0\0\0\x80\0\0\x08\0\0\0"s,
                "_\1\0\0\0\0\x80\0\0\xff\xff\xff\x7f"s),
         "The file is damaged at byte 3754: block 1 of the array \"TimeValue\" announces "
         "2147483647 bytes, more than its 13 compressed bytes can give!"},
        {"a.vtu",
         edited("bricks_zlib.vtu", "_\1\0\0\0\0\x80\0\0\x08\0\0\0\x0d\0\0\0x"s,
                "_\1\0\0\0\0\x80\0\0\x08\0\0\0\x0d\0\0\0y"s),
         "The file is damaged at byte 3770: block 1 of the array \"TimeValue\" does not inflate to "
         "its 8 bytes!"},
        {"a.vtu", edited("bricks_zlib.vtu", "vtkZLibDataCompressor", "vtkLZ4DataCompressor"),
         "The file's arrays are compressed by \"vtkLZ4DataCompressor\": only vtkZLibDataCompressor "
         "is read!"},
        {"a.vtu", edited("bricks_base64.vtu", "AQAAAA", "AQ*AAA"),
         "The file is damaged at byte 3858: the data of the array \"material\" are not base64!"},
    };
    TempDir dir;
    for (const Case& c : cases)
        expectRefused(readFile(dir.file(c.file), c.bytes), c.refusal);
}
