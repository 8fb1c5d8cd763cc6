// The counted arrays: ownership, resizing, copies and the fatal size checks.
#include <gtest/gtest.h>

#include "numeric_arrays.h"

namespace {

using orv::MATRIX;
using orv::VECINT;
using orv::VEDOUBLE;
using orv::VEFLOAT;

VEFLOAT floats(std::initializer_list<float> list) {
    VEFLOAT v(int32_t(list.size()));
    int32_t i = 0;
    for (float x : list)
        v[i++] = x;
    return v;
}

TEST(NumericVector, ZeroSizeOwnsNothing) {
    VEFLOAT empty(0);
    EXPECT_EQ(empty.size(), 0);
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(empty.begin(), nullptr);
    EXPECT_EQ(empty.begin(), empty.end());

    VEFLOAT negative(-3);
    EXPECT_EQ(negative.size(), 0);
    EXPECT_EQ(negative.begin(), nullptr);

    VEFLOAT v = floats({1, 2});
    v.resize(0);
    EXPECT_TRUE(v.isEmpty());
    EXPECT_EQ(v.begin(), nullptr);

    MATRIX<float> m(0, 4);
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(m.colCount(), 0);
}

TEST(NumericVector, ResizeDiscardsTheContent) {
    VEFLOAT v = floats({1.5f, -2.0f, 3.0f});
    v.resize(5);
    ASSERT_EQ(v.size(), 5);
    for (float x : v)
        EXPECT_EQ(x, 0.0f);
    v.fill(7.0f);
    v.resize(5);  // the same size is no exception
    for (float x : v)
        EXPECT_EQ(x, 0.0f);
    v.fill(7.0f);
    v.resize(2);
    ASSERT_EQ(v.size(), 2);
    EXPECT_EQ(v[0], 0.0f);
    EXPECT_EQ(v[1], 0.0f);

    MATRIX<double> m(2, 2);
    m.fill(4.0);
    m.resize(2, 2);
    EXPECT_EQ(m[1][1], 0.0);
    m.fill(4.0);
    m.resize(3, 1);
    ASSERT_EQ(m.rowCount(), 3);
    ASSERT_EQ(m.colCount(), 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m[i][0], 0.0);
}

TEST(NumericVector, CopiesAndMovesKeepTheValues) {
    VEFLOAT a = floats({1, 2, 3});
    VEFLOAT b(a);
    b[0] = 9;
    EXPECT_EQ(a[0], 1.0f);  // a deep copy
    VEFLOAT c(std::move(b));
    EXPECT_EQ(c.size(), 3);
    EXPECT_EQ(c[0], 9.0f);
    EXPECT_EQ(b.size(), 0);
    EXPECT_EQ(b.begin(), nullptr);

    VEFLOAT same(3);
    same = a;
    EXPECT_EQ(same[2], 3.0f);
}

TEST(NumericVector, AssignChangesTheSize) {
    VEFLOAT three = floats({1, 2, 3});
    VEFLOAT four = floats({4, 5, 6, 7});
    three.assign(four);
    ASSERT_EQ(three.size(), 4);
    EXPECT_EQ(three[0], 4.0f);
    EXPECT_EQ(three[3], 7.0f);
    four[0] = 100;
    EXPECT_EQ(three[0], 4.0f);
}

TEST(NumericVector, CopyPrefixUpToTheSize) {
    VECINT src(4), dst(4);
    for (int32_t i = 0; i < 4; ++i)
        src[i] = 10 + i;
    dst.copyPrefix(src, 4);
    EXPECT_EQ(dst[3], 13);
    VECINT partial(4);
    partial.copyPrefix(src, 2);
    EXPECT_EQ(partial[1], 11);
    EXPECT_EQ(partial[2], 0);
}

TEST(NumericVector, NormAndDot) {
    VEDOUBLE v(2);
    v[0] = 3;
    v[1] = 4;
    EXPECT_DOUBLE_EQ(v.norm(), 5.0);
    EXPECT_DOUBLE_EQ(v.dot(v), 25.0);
    VEDOUBLE w(2);
    w[0] = 1;
    w[1] = 1;
    v -= w;
    EXPECT_DOUBLE_EQ(v[0], 2.0);
    EXPECT_DOUBLE_EQ(v[1], 3.0);
    EXPECT_DOUBLE_EQ(VEDOUBLE(0).norm(), 0.0);
}

TEST(Matrix, ProductWithAVectorOfTheColumnCount) {
    MATRIX<double> m(2, 3);
    const double rows[2][3] = {{1, 2, 3}, {-1, 0, 4}};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j)
            m[i][j] = rows[i][j];
    VEDOUBLE v(3);
    v[0] = 1;
    v[1] = 10;
    v[2] = 100;
    const VEDOUBLE r = orv::product(m, v);
    ASSERT_EQ(r.size(), 2);
    EXPECT_DOUBLE_EQ(r[0], 321.0);
    EXPECT_DOUBLE_EQ(r[1], 399.0);
}

TEST(Matrix, CopyKeepsTheShapeAndValues) {
    MATRIX<float> m(2, 2);
    m[1][0] = 5;
    MATRIX<float> copy(m);
    m[1][0] = 6;
    EXPECT_EQ(copy.rowCount(), 2);
    EXPECT_EQ(copy[1][0], 5.0f);
    MATRIX<float> same(2, 2);
    same = m;
    EXPECT_EQ(same[1][0], 6.0f);
}

// --- fatal errors: the message is printed and the process ends with status 1 ---

class NumericArraysDeathTest : public ::testing::Test {
  protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(NumericArraysDeathTest, CopyPrefixBeyondTheSizeIsFatal) {
    VECINT src(5), dst(4);
    EXPECT_EXIT(dst.copyPrefix(src, 5), ::testing::ExitedWithCode(1), "over the limite of VECINT!");
}

TEST_F(NumericArraysDeathTest, AssignmentBetweenDifferentSizesIsFatal) {
    VEFLOAT three(3), four(4);
    EXPECT_EXIT(three = four, ::testing::ExitedWithCode(1),
                "operateur = entre deux VEFLOATs de tailles differentes");
}

TEST_F(NumericArraysDeathTest, ProductWithTheWrongVectorSizeIsFatal) {
    MATRIX<double> m(2, 3);
    VEDOUBLE v(2);
    EXPECT_EXIT(orv::product(m, v), ::testing::ExitedWithCode(1),
                " produit matrice par vecteur de tailles incompatibles");
}

TEST_F(NumericArraysDeathTest, OtherSizeMismatchesAreFatal) {
    VEDOUBLE a(2), b(3);
    EXPECT_EXIT(a.dot(b), ::testing::ExitedWithCode(1), "produit scalaire");
    EXPECT_EXIT(a -= b, ::testing::ExitedWithCode(1), "operateur -=");
    MATRIX<float> m(2, 2), n(2, 3);
    EXPECT_EXIT(m = n, ::testing::ExitedWithCode(1),
                "Can not use = between two different size matrice!");
}

TEST_F(NumericArraysDeathTest, FatalErrorsGoToTheInstalledReporter) {
    class Bracketed final : public orv::Messages {
      public:
        void show(const orv::MessageBox& box) override {
            std::fprintf(stderr, "[%s] %s\n", box.title.c_str(), box.text.c_str());
        }
    };
    EXPECT_EXIT(
        {
            Bracketed reporter;
            orv::setFatalMessages(&reporter);
            orv::fatalError("out of room");
        },
        ::testing::ExitedWithCode(1), "\\[Error\\] out of room");
}

}  // namespace
