// The Gmsh mesh file reader: one plate in the four encodings Gmsh writes (2.2 and 4.1, text and
// binary, with two views of two steps saved by it), views and steps, shapes and skipped types,
// and damaged files refused with where.
#include "test_support.h"

using namespace orvtest;

namespace {

const std::string kData = ORVANTA_DATA_DIR;

// The bytes with the first `from` replaced by `to`.
std::string edit(std::string bytes, const std::string& from, const std::string& to) {
    const size_t at = bytes.find(from);
    if (at == std::string::npos) throw std::runtime_error("no " + from + " to edit");
    return bytes.replace(at, from.size(), to);
}

}  // namespace

TEST(MshFile, FourEncodingsViewsAndShapes) {
    const std::string plate = describe(readAccepted(kData + "/plate_22.msh"));
    for (const char* name : {"plate_22_bin.msh", "plate_41.msh", "plate_41_bin.msh"})
        EXPECT_EQ(describe(readAccepted(kData + "/" + name)), plate) << name;
    // Views: one step per time-step index, zeros where a view has no value, a tensor split in
    // nine, the displacement first, a second displacement name an ordinary vector. Shapes:
    // sparse tags, parametric nodes, materials of entities (partitioned ones too), skipped types
    // and sections.
    std::string report = "plate:\n" + plate;
    for (const char* name : {"views_22.msh", "shapes_41.msh", "partitioned_41_bin.msh"})
        report += std::string(name) + ":\n" + describe(readAccepted(kData + "/" + name));
    expectGolden("msh_reads.txt", report);
}

TEST(MshFile, DamagedFilesAreRefusedWithWhere) {
    const std::string a = readBytes(kData + "/plate_22.msh");
    const std::string b = readBytes(kData + "/plate_41_bin.msh");
    const std::string c = readBytes(kData + "/plate_22_bin.msh");
    const std::string head = "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n";
    const std::string temperature = "\"Temperature\"\n1\n0.5\n3\n0\n1\n6\n";
    const std::string cut = "The file ends early: it is cut off in the ";
    const std::pair<std::string, std::string> cases[] = {
        {"",
         "This file is not a Gmsh mesh file of version 2.2 or 4.1: it does not start with "
         "$MeshFormat!"},
        {"$MeshFormat\n4 0 8\n$EndMeshFormat\n",
         "This Gmsh mesh file is of version \"4\", which is not read: please save it as version "
         "4.1 or 2.2!"},
        {head + "$Nodes\n1\n1 0 0 0\n$EndNodes\n$Elements\n3\n1 11 0 1 1 1 1 1 1 1 1 1 1\n"
                "2 8 0 1 1 1\n3 8 0 1 1 1\n$EndElements\n",
         "The file holds nothing this program can show: 1 node, 1 10-node tetrahedron, 2 3-node "
         "lines!"},
        {head + "$Nodes\n1\n1 0 0 0\n$EndNodes\n$Elements\n1\n1 2 0 1 1 2\n$EndElements\n",
         "The file is damaged at line 10: element 1 refers to node 2, which is not among the "
         "nodes!"},
        {edit(a, "6\n1 0 0 0", "6\n1 0 x 0"),
         "The file is damaged at line 6: a node coordinate \"x\" is not a number!"},
        {edit(a, "$Nodes\n6\n", "$Nodes\n600\n"),
         "The file is damaged at line 5: the node count 600 is more than the file can hold!"},
        {a.substr(0, a.find("$EndNodes")), "The file ends early at line 12: $EndNodes is missing!"},
        {edit(a, "6 0 1 0\n", "6 0 1 0\n7 0 0 0\n"),
         "The file is damaged at line 12: $EndNodes is missing after the nodes!"},
        {edit(a, "1 1 2 5 6", "1 1 2 5 66"),
         "The file is damaged at line 18: element 4 refers to node 66, which is not among the "
         "nodes!"},
        {edit(a, temperature, "\"Temperature\"\n1\n0.5\n2\n0\n1\n"),
         "The file is damaged at line 83: a $NodeData section has 2 integer tags instead of at "
         "least 3!"},
        {edit(a, temperature, "\"Temperature\"\n1\n0.5\n3\n0\n4\n6\n"),
         "The file is damaged at line 90: a view of 4 components instead of 1, 3 or 9!"},
        {edit(a, temperature + "1 20", temperature + "9 20"),
         "The file is damaged at line 92: the view \"Temperature\" has a value at node 9, which "
         "is not among the nodes!"},
        {edit(a, temperature, "\"Temperature\"\n1\n0.5\n3\n0\n1\n7\n"),
         "The file is damaged at line 98: the view \"Temperature\" ends after 6 of its 7 "
         "entries!"},
        {edit(a, "\"Temperature\"", "\"Displacement\""),
         "The file is damaged at line 83: the view \"Displacement\" has 1 component here and 3 "
         "before!"},
        {b.substr(0, b.find("$EndNodes") - 40), cut + "nodes at byte 1424!"},
        {edit(b, std::string("\1\0\0\0", 4), std::string("\2\0\0\0", 4)),
         "The file is damaged at byte 20: the number after the format line is not 1!"},
        {edit(b, std::string("\1\0\0\0", 4), std::string("\0\0\0\1", 4)),
         "This binary Gmsh mesh file was written with its bytes in the other order "
         "(big-endian), which is not read!"},
        {edit(c, std::string("5\n\x0f", 3), std::string("5\n\xc8", 3)),
         "The file is damaged at byte 240: the element type 200 is not known, so its elements "
         "cannot be skipped!"},
        {edit(c, "$Nodes\n6\n", "$Nodes\n7\n"),
         "The file is damaged at byte 245: $EndNodes is missing after the nodes!"},
        {c.substr(0, c.find("$NodeData") + 60),
         "The file is damaged at byte 712: the entry count 6 is more than the file can hold!"},
    };
    TempDir dir;
    for (const auto& [bytes, text] : cases)
        expectRefused(readFile(dir.file("d.msh"), bytes), text);
}
