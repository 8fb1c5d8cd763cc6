// The counted arrays: ownership, resizing, copies, arithmetic and the fatal size checks.
#include <gtest/gtest.h>

#include <functional>

#include "numeric_arrays.h"

namespace {

using namespace orv;

TEST(NumericArrays, CopiesResizesAndArithmetic) {
    VEDOUBLE a(2), b(a), c(3);
    a[0] = 3;
    a[1] = 4;
    EXPECT_EQ(b[0], 0.0);  // a deep copy
    b.fill(1.0);
    EXPECT_EQ(std::make_pair(a.norm(), a.dot(b)), std::make_pair(5.0, 7.0));
    a -= b;
    c.assign(a);  // assign changes the size
    const VEDOUBLE moved(std::move(c));
    EXPECT_EQ(std::make_tuple(moved.size(), moved[1], c.begin()),
              std::make_tuple(2, 3.0, static_cast<double*>(nullptr)));
    for (int32_t size : {2, 5}) {  // resizing discards the content, also to the same size
        a.fill(7.0);
        a.resize(size);
        EXPECT_EQ(std::make_pair(a.size(), a.norm()), std::make_pair(size, 0.0));
    }
    VECINT src(4), prefix(4);
    src.fill(9);
    prefix.copyPrefix(src, 2);
    EXPECT_EQ(std::make_pair(prefix[1], prefix[2]), std::make_pair(9, 0));

    MATRIX<double> m(2, 3), same(2, 3);
    m.fill(4.0);
    m.resize(2, 3);  // zeros again
    m[0][2] = 1;
    const MATRIX<double> copy(m);
    m[1][0] = 3;
    same = m;
    VEDOUBLE x(3);
    x.fill(10);
    EXPECT_EQ(std::make_pair(product(copy, x)[0], product(copy, x)[1]), std::make_pair(10.0, 0.0));
    EXPECT_EQ(product(same, x)[1], 30.0);
}

// A size mismatch prints the message and ends the process with status 1.
TEST(NumericArraysDeathTest, SizeMismatchesAreFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[] { VECINT(4).copyPrefix(VECINT(5), 5); }, "over the limite of VECINT!"},
        {[] {
             VEFLOAT three(3), four(4);
             three = four;
         },
         "operateur = entre deux VEFLOATs"},
        {[] { product(MATRIX<double>(2, 3), VEDOUBLE(2)); }, " produit matrice par vecteur"},
        {[] { product(MATRIX<double>(2, 3), VEDOUBLE(4)); }, " produit matrice par vecteur"},
        {[] { VEDOUBLE(2).dot(VEDOUBLE(3)); }, "produit scalaire"},
        {[] {
             VEDOUBLE two(2);
             two -= VEDOUBLE(3);
         },
         "operateur -="},
        {[] {
             MATRIX<float> m(2, 2), n(2, 3);
             m = n;
         },
         "Can not use = between two different"}};
    for (const auto& [fault, message] : cases)
        EXPECT_EXIT(fault(), ::testing::ExitedWithCode(1), "Error: " + message);

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
