// The counted arrays the result tables are made of: ownership, resizing, copies and the fatal
// size checks. (The vector arithmetic, which nothing in the program calls, is left out.)
#include <gtest/gtest.h>

#include <functional>

#include "numeric_arrays.h"

namespace {

using namespace orv;

TEST(NumericArrays, CopiesResizesAndMoves) {
    VEFLOAT a(2), b(a), c(3);
    a.fill(7.0f);
    EXPECT_EQ(b[0], 0.0f);  // a deep copy
    c.assign(a);            // assign changes the size
    const VEFLOAT moved(std::move(c));
    EXPECT_EQ(std::make_tuple(moved.size(), moved[1], c.begin(), c.isEmpty()),
              std::make_tuple(2, 7.0f, static_cast<float*>(nullptr), true));
    for (int32_t size : {2, 5}) {  // resizing discards the content, also to the same size
        a.fill(7.0f);
        a.resize(size);
        EXPECT_EQ(std::make_tuple(a.size(), a[0], a[size - 1]), std::make_tuple(size, 0.0f, 0.0f));
    }
    MATRIX<float> m(2, 3), same(2, 3);
    m.fill(4.0f);
    m.resize(2, 3);  // zeros again
    m[0][2] = 1;
    const MATRIX<float> copy(m);
    m[1][0] = 3;
    same = m;
    EXPECT_EQ(std::make_tuple(copy[0][2], copy[1][0], same[1][0], same[0][2], same[0][0]),
              std::make_tuple(1.0f, 0.0f, 3.0f, 1.0f, 0.0f));
}

// A size mismatch prints the message and ends the process with status 1.
TEST(NumericArraysDeathTest, SizeMismatchesAreFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const VEFLOAT four(4);
    const MATRIX<float> wide(2, 3);
    EXPECT_EXIT(VEFLOAT(3) = four, ::testing::ExitedWithCode(1),
                "Error: operateur = entre deux VEFLOATs");
    EXPECT_EXIT(MATRIX<float>(2, 2) = wide, ::testing::ExitedWithCode(1),
                "Error: Can not use = between two different");
    class Bracketed final : public Messages {
        void show(const MessageBox& box) override {
            std::fprintf(stderr, "[%s] %s\n", box.title.c_str(), box.text.c_str());
        }
    } reporter;
    setFatalMessages(&reporter);
    EXPECT_EXIT(fatalError("out of room"), ::testing::ExitedWithCode(1), "\\[Error\\] out of room");
    setFatalMessages(nullptr);
}

}  // namespace
