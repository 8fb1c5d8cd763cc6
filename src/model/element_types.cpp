#include "element_types.h"

namespace orv {

namespace {
// Quadratic plane elements carry one flag per perimeter segment (node i to i + 1), so their
// outline is complete; the other counts follow the type table.
constexpr ElementType kTypes[] = {
    {21, 1, 1, ElementFamily::PlanePoint}, {22, 2, 1, ElementFamily::PlaneLine},
    {23, 3, 3, ElementFamily::Plane},      {24, 4, 4, ElementFamily::Plane},
    {26, 6, 6, ElementFamily::Plane},      {28, 8, 8, ElementFamily::Plane},
    {31, 1, 1, ElementFamily::SpacePoint}, {32, 2, 1, ElementFamily::SpaceLine},
    {34, 4, 4, ElementFamily::Solid},      {38, 8, 6, ElementFamily::Solid},
    {43, 3, 3, ElementFamily::Shell},      {44, 4, 4, ElementFamily::Shell},
    {46, 6, 3, ElementFamily::Shell},      {48, 8, 4, ElementFamily::Shell},
};
}  // namespace

const ElementType* elementType(int32_t code) {
    static const auto byCode = [] {
        struct Table {
            const ElementType* entry[49] = {};
        } table;
        for (const ElementType& t : kTypes)
            table.entry[t.code] = &t;
        return table;
    }();
    if (code < 0 || code > 48) return nullptr;
    return byCode.entry[code];
}

}  // namespace orv
