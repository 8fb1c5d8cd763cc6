#pragma once
// Counted heap arrays with unchecked element access. A size mismatch or a failed row
// allocation is fatal: the error box is shown and the process ends.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "messages.h"

namespace orv {

template <class T>
class NumericVector {
  public:
    NumericVector() = default;
    explicit NumericVector(int32_t count) { allocate(count); }
    NumericVector(const NumericVector& src) { copyFrom(src); }
    NumericVector(NumericVector&& src) noexcept
        : n(std::exchange(src.n, 0)), data(std::exchange(src.data, nullptr)) {}
    ~NumericVector() { release(); }

    // Same-size copy; a different size is fatal (use assign to change the size).
    NumericVector& operator=(const NumericVector& src) {
        if (this == &src) return *this;
        if (src.n != n) fatalError("operateur = entre deux VEFLOATs de tailles differentes");
        for (int32_t i = 0; i < n; ++i)
            data[i] = src.data[i];
        return *this;
    }
    NumericVector& operator=(NumericVector&& src) noexcept {
        if (this != &src) {
            release();
            n = std::exchange(src.n, 0);
            data = std::exchange(src.data, nullptr);
        }
        return *this;
    }

    T& operator[](int32_t i) { return data[i]; }
    const T& operator[](int32_t i) const { return data[i]; }
    int32_t size() const { return n; }
    bool isEmpty() const { return n == 0 || data == nullptr; }

    void clear() { release(); }
    // Old values are not kept: the vector is all zeros afterwards.
    void resize(int32_t count) {
        release();
        allocate(count);
    }
    void assign(const NumericVector& src) {
        if (this == &src) return;
        release();
        copyFrom(src);
    }
    void fill(T v) {
        for (int32_t i = 0; i < n; ++i)
            data[i] = v;
    }
    void copyPrefix(const NumericVector& src, int32_t count) {
        if (n < count) fatalError("over the limite of VECINT!");
        for (int32_t i = 0; i < count; ++i)
            data[i] = src.data[i];
    }

    double norm() const {
        double sum = 0.0;
        for (int32_t i = 0; i < n; ++i)
            sum += double(data[i]) * double(data[i]);
        return std::sqrt(sum);
    }
    double dot(const NumericVector& other) const {
        if (other.n != n)
            fatalError("produit scalaire  entre deux VEFLOATs de tailles differentes");
        double sum = 0.0;
        for (int32_t i = 0; i < n; ++i)
            sum += double(data[i]) * double(other.data[i]);
        return sum;
    }
    NumericVector& operator-=(const NumericVector& other) {
        if (other.n != n) fatalError("operateur -= entre deux VEFLOATs de tailles differentes");
        for (int32_t i = 0; i < n; ++i)
            data[i] -= other.data[i];
        return *this;
    }

    T* begin() { return data; }
    T* end() { return data + n; }
    const T* begin() const { return data; }
    const T* end() const { return data + n; }

  private:
    void allocate(int32_t count) {
        if (count > 0) {
            data = new T[count]();
            n = count;
        }
    }
    void copyFrom(const NumericVector& src) {
        allocate(src.n);
        if (n > 0) std::memcpy(data, src.data, sizeof(T) * size_t(n));
    }
    void release() {
        if (n != 0) delete[] data;
        data = nullptr;
        n = 0;
    }

    int32_t n = 0;
    T* data = nullptr;
};

using VECINT = NumericVector<int32_t>;
using VEFLOAT = NumericVector<float>;
using VEDOUBLE = NumericVector<double>;

// Rows are views into one contiguous block: a matrix of many short rows costs its data
// and nothing per row.
template <class T>
class MATRIX {
  public:
    MATRIX() = default;
    MATRIX(int32_t rowCount, int32_t colCount) { allocate(rowCount, colCount); }
    MATRIX(const MATRIX& src) {
        allocate(src.rows, src.cols);
        if (cells) std::memcpy(cells, src.cells, sizeof(T) * cellCount());
    }
    MATRIX(MATRIX&& src)
    noexcept
        : rows(std::exchange(src.rows, 0)),
          cols(std::exchange(src.cols, 0)),
          cells(std::exchange(src.cells, nullptr)) {}
    ~MATRIX() { release(); }

    // Same-shape copy; another shape is fatal.
    MATRIX& operator=(const MATRIX& src) {
        if (this == &src) return *this;
        if (src.rows != rows || src.cols != cols)
            fatalError("Can not use = between two different size matrice!");
        if (cells) std::memcpy(cells, src.cells, sizeof(T) * cellCount());
        return *this;
    }
    MATRIX& operator=(MATRIX&& src) noexcept {
        if (this != &src) {
            release();
            rows = std::exchange(src.rows, 0);
            cols = std::exchange(src.cols, 0);
            cells = std::exchange(src.cells, nullptr);
        }
        return *this;
    }

    T* operator[](int32_t i) { return cells + size_t(i) * size_t(cols); }
    const T* operator[](int32_t i) const { return cells + size_t(i) * size_t(cols); }
    int32_t rowCount() const { return rows; }
    int32_t colCount() const { return cols; }

    void resize(int32_t rowCount, int32_t colCount) {
        release();
        allocate(rowCount, colCount);
    }
    void fill(T v) {
        for (size_t i = 0; i < cellCount(); ++i)
            cells[i] = v;
    }
    void clear() { release(); }

  private:
    size_t cellCount() const { return size_t(rows) * size_t(cols); }
    void allocate(int32_t rowCount, int32_t colCount) {
        if (rowCount <= 0 || colCount <= 0) return;
        cells = new (std::nothrow) T[size_t(rowCount) * size_t(colCount)]();
        if (!cells) fatalError("plus d'esapace memoire");
        rows = rowCount;
        cols = colCount;
    }
    void release() {
        delete[] cells;
        cells = nullptr;
        rows = cols = 0;
    }

    int32_t rows = 0;
    int32_t cols = 0;
    T* cells = nullptr;
};

// Matrix times vector; a vector whose size differs from the column count is fatal.
inline VEDOUBLE product(const MATRIX<double>& m, const VEDOUBLE& v) {
    if (v.size() != m.colCount())
        fatalError(" produit matrice par vecteur de tailles incompatibles");
    VEDOUBLE result(m.rowCount());
    for (int32_t i = 0; i < m.rowCount(); ++i) {
        double sum = 0.0;
        for (int32_t j = 0; j < m.colCount(); ++j)
            sum += m[i][j] * v[j];
        result[i] = sum;
    }
    return result;
}

}  // namespace orv
