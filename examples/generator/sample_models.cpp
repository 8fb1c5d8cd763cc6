#include "sample_models.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <numbers>
#include <utility>

#include "binary_result_file.h"
#include "element_types.h"
#include "messages.h"
#include "model_files.h"
#include "progress.h"
#include "text_result_file.h"

namespace orv::samples {

namespace {

constexpr double kPi = std::numbers::pi;

// --- building blocks shared by every model ---

// Fills the record of element e (0-based) whose nodes start at connectivity[firstNode] and
// flags at faceFlags[firstFlag].
void setRecord(ElementRecord& r, int32_t e, const ElementType& type, int32_t material,
               int64_t firstNode, int64_t firstFlag) {
    r.number = e + 1;
    r.nodeCount = type.nodeCount;
    r.type = type.code;
    r.material = material;
    r.realConstant = 1;
    r.selected = 1;
    r.faceCount = type.faceCount;
    r.exteriorFaceCount = 0;
    r.firstNode = firstNode;
    r.firstFlag = firstFlag;
    r.family = type.family;
}

// What a reader does after the element block: node-to-element lists, surface faces, centring.
void finishGeometry(FeModel& m) {
    m.buildNodeElementLists();
    NullProgress progress;
    m.findSurfaceFaces(progress);
    m.recentre();
}

// Results that grow in proportion to the step's load factor: base(i, out) writes the
// full-load values of node i (0-based), which step k scales by factors[k]. The step values
// are the factors unless stepValues is given.
template <class Base>
void rampedResults(FeModel& m, std::vector<std::string> names, const std::vector<double>& factors,
                   const std::vector<double>& stepValues, Base base) {
    const int32_t steps = int32_t(factors.size());
    const int32_t dofs = int32_t(names.size());
    m.results.initialise(steps, dofs, std::move(names), m.dimension);
    for (int32_t k = 0; k < steps; ++k)
        m.results.stepValue[k] =
            float(stepValues.empty() ? factors[size_t(k)] : stepValues[size_t(k)]);
    const size_t n = size_t(m.nodeCount);
    m.values.assign(size_t(steps) * n * size_t(dofs), 0.0f);
    std::array<double, kMaxDofNames> full{};
    for (size_t i = 0; i < n; ++i) {
        base(i, full.data());
        for (int32_t k = 0; k < steps; ++k) {
            float* v = m.values.data() + (size_t(k) * n + i) * size_t(dofs);
            for (int32_t d = 0; d < dofs; ++d)
                v[d] = float(factors[size_t(k)] * full[size_t(d)]);
        }
    }
    m.computeExtremes();
}

std::vector<double> loadFactors(int steps) {
    std::vector<double> f;
    for (int k = 1; k <= steps; ++k)
        f.push_back(double(k) / steps);
    return f;
}

// A small model built node by node and element by element, keeping the exact coordinates
// for the result formulas.
class MeshBuilder {
  public:
    MeshBuilder(FeModel& m, const std::string& title, int32_t dimension) : m_(m) {
        m_.reset();
        m_.jobTitle = title;
        m_.dimension = dimension;
    }

    int32_t node(double x, double y, double z = 0.0) {
        xyz_.insert(xyz_.end(), {x, y, z});
        m_.coords.push_back(float(x));
        m_.coords.push_back(float(y));
        if (m_.dimension == 3) m_.coords.push_back(float(z));
        m_.nodeNumbers.push_back(++m_.nodeCount);
        return m_.nodeCount;
    }
    void element(int32_t code, std::initializer_list<int32_t> nodes, int32_t material = 1) {
        const ElementType& type = *elementType(code);
        ElementRecord r;
        setRecord(r, m_.elementCount, type, material, int64_t(m_.connectivity.size()),
                  int64_t(m_.faceFlags.size()));
        m_.connectivity.insert(m_.connectivity.end(), nodes.begin(), nodes.end());
        m_.faceFlags.insert(m_.faceFlags.end(), size_t(type.faceCount), uint8_t(0));
        m_.elements.push_back(r);
        ++m_.elementCount;
    }
    // A tetrahedron turned, if need be, so that nodes 2, 3, 4 run counter-clockwise seen
    // from node 1's opposite side: det(p2 - p1, p3 - p1, p4 - p1) > 0.
    void positiveTet(int32_t a, int32_t b, int32_t c, int32_t d, int32_t material = 1) {
        if (volume6(a, b, c, d) < 0.0) std::swap(b, c);
        element(34, {a, b, c, d}, material);
    }
    double volume6(int32_t a, int32_t b, int32_t c, int32_t d) const {
        const double* p = &xyz_[size_t(a - 1) * 3];
        double u[3][3];
        const int32_t q[3] = {b, c, d};
        for (int r = 0; r < 3; ++r)
            for (int j = 0; j < 3; ++j)
                u[r][j] = xyz_[size_t(q[r] - 1) * 3 + size_t(j)] - p[j];
        return u[0][0] * (u[1][1] * u[2][2] - u[1][2] * u[2][1]) -
               u[0][1] * (u[1][0] * u[2][2] - u[1][2] * u[2][0]) +
               u[0][2] * (u[1][0] * u[2][1] - u[1][1] * u[2][0]);
    }
    const double* at(size_t i) const { return &xyz_[i * 3]; }
    void finish() { finishGeometry(m_); }

  private:
    FeModel& m_;
    std::vector<double> xyz_;  // three per node
};

// --- structured blocks ---

struct BlockFields {
    // Full-load values at a point of the unit cube (square).
    static void space(double x, double y, double z, double* v) {
        v[0] = 0.05 * x * (1.0 + 0.5 * y * z);
        v[1] = -0.02 * std::sin(kPi * x) * (1.0 + 0.25 * z);
        v[2] = 0.03 * x * x - 0.01 * y;
        v[3] = 100.0 * std::cos(kPi * y) * (1.0 - 0.5 * z) + 20.0 * x;
    }
    static void plane(double x, double y, double* v) {
        v[0] = 0.05 * x * (1.0 + 0.5 * y);
        v[1] = -0.02 * std::sin(kPi * x);
        v[2] = 100.0 * std::cos(kPi * y) + 20.0 * x;
        v[3] = 50.0 * std::sin(kPi * x) * y;
    }
};

// The six tetrahedra of a cube along its main diagonal, as corner bits (1 x, 2 y, 4 z):
// corner 0, one edge step, a second edge step, corner 7, for each order of the axes. The
// even orders are positively oriented; the odd ones have their middle corners swapped.
constexpr int kKuhnTets[6][4] = {{0, 1, 3, 7}, {0, 3, 2, 7}, {0, 6, 4, 7},
                                 {0, 2, 6, 7}, {0, 4, 5, 7}, {0, 5, 1, 7}};
// Hexahedron corners: the bottom face counter-clockwise seen from above, then the top.
constexpr int kHexCorners[8] = {0, 1, 3, 2, 4, 5, 7, 6};

}  // namespace

bool buildBlock(FeModel& m, BlockShape shape, int32_t n) {
    m.reset();
    if (n < 1) return false;
    const bool plane = shape == BlockShape::Quad;
    const int32_t dim = plane ? 2 : 3;
    const int64_t p = int64_t(n) + 1;
    const int64_t nodes = plane ? p * p : p * p * p;
    const int64_t cells = plane ? int64_t(n) * n : int64_t(n) * n * n;
    const int64_t count = shape == BlockShape::Tet ? 6 * cells : cells;
    if (nodes > INT32_MAX || count > INT32_MAX) return false;

    const ElementType& type =
        *elementType(shape == BlockShape::Hex ? 38 : (shape == BlockShape::Tet ? 34 : 24));
    const char* what = shape == BlockShape::Hex   ? "hexahedra"
                       : shape == BlockShape::Tet ? "cubes of six tetrahedra"
                                                  : "four-node quads";
    const std::string size =
        plane ? std::to_string(n) + " x " + std::to_string(n)
              : std::to_string(n) + " x " + std::to_string(n) + " x " + std::to_string(n);
    m.jobTitle = "Structured block of " + size + " " + what;
    m.dimension = dim;
    m.nodeCount = int32_t(nodes);
    m.elementCount = int32_t(count);

    const double h = 1.0 / n;
    m.nodeNumbers.resize(size_t(nodes));
    m.coords.resize(size_t(nodes) * size_t(dim));
    for (int64_t i = 0; i < nodes; ++i) {
        m.nodeNumbers[size_t(i)] = int32_t(i + 1);
        float* c = m.coords.data() + size_t(i) * size_t(dim);
        c[0] = float(double(i % p) * h);
        c[1] = float(double((i / p) % p) * h);
        if (!plane) c[2] = float(double(i / (p * p)) * h);
    }

    m.elements.resize(size_t(count));
    m.connectivity.resize(size_t(count) * size_t(type.nodeCount));
    m.faceFlags.assign(size_t(count) * size_t(type.faceCount), 0);
    int64_t e = 0;
    auto add = [&](const int32_t* corner) {
        ElementRecord& r = m.elements[size_t(e)];
        setRecord(r, int32_t(e), type, 1, e * type.nodeCount, e * type.faceCount);
        std::copy(corner, corner + type.nodeCount, m.connectivity.begin() + r.firstNode);
        ++e;
    };
    if (plane) {
        for (int64_t j = 0; j < n; ++j)
            for (int64_t i = 0; i < n; ++i) {
                const int32_t base = int32_t(j * p + i + 1);
                const int32_t quad[4] = {base, base + 1, base + 1 + int32_t(p), base + int32_t(p)};
                add(quad);
            }
    } else {
        for (int64_t k = 0; k < n; ++k)
            for (int64_t j = 0; j < n; ++j)
                for (int64_t i = 0; i < n; ++i) {
                    const int64_t base = (k * p + j) * p + i + 1;
                    int32_t corner[8];
                    for (int b = 0; b < 8; ++b)
                        corner[b] = int32_t(base + (b & 1) + ((b >> 1) & 1) * p + (b >> 2) * p * p);
                    if (shape == BlockShape::Hex) {
                        int32_t hex[8];
                        for (int c = 0; c < 8; ++c)
                            hex[c] = corner[kHexCorners[c]];
                        add(hex);
                    } else {
                        for (const auto& tet : kKuhnTets) {
                            const int32_t t[4] = {corner[tet[0]], corner[tet[1]], corner[tet[2]],
                                                  corner[tet[3]]};
                            add(t);
                        }
                    }
                }
    }
    finishGeometry(m);

    std::vector<std::string> names = plane ? std::vector<std::string>{"UX", "UY", "SX", "SY"}
                                           : std::vector<std::string>{"UX", "UY", "UZ", "SX"};
    rampedResults(m, std::move(names), loadFactors(5), {}, [&](size_t i, double* v) {
        const double x = double(int64_t(i) % p) * h;
        const double y = double((int64_t(i) / p) % p) * h;
        if (plane)
            BlockFields::plane(x, y, v);
        else
            BlockFields::space(x, y, double(int64_t(i) / (p * p)) * h, v);
    });
    return true;
}

// --- plate with a hole ---

namespace {

struct PlaneState {
    double ux, uy, sx, sy, sxy;
};

// Kirsch: infinite plate in plane stress with a hole of radius a, stress s along x far away.
PlaneState kirsch(double x, double y) {
    using P = PlateWithHole;
    const double a = P::radius, s = P::appliedStress, nu = P::poisson;
    const double mu = P::youngsModulus / (2.0 * (1.0 + nu));
    const double kappa = (3.0 - nu) / (1.0 + nu);
    const double r = std::hypot(x, y), t = std::atan2(y, x);
    const double q = a / r, q2 = q * q, q4 = q2 * q2;
    const double c2 = std::cos(2.0 * t), s2 = std::sin(2.0 * t);
    const double srr = 0.5 * s * (1.0 - q2) + 0.5 * s * (1.0 - 4.0 * q2 + 3.0 * q4) * c2;
    const double stt = 0.5 * s * (1.0 + q2) - 0.5 * s * (1.0 + 3.0 * q4) * c2;
    const double srt = -0.5 * s * (1.0 + 2.0 * q2 - 3.0 * q4) * s2;
    const double f = s * a / (8.0 * mu);
    const double ur = f * ((r / a) * (kappa - 1.0 + 2.0 * c2) +
                           2.0 * q * ((1.0 + kappa) * c2 + 1.0) - 2.0 * q * q2 * c2);
    const double ut = f * ((1.0 - kappa) * q - r / a - q * q2) * 2.0 * s2;
    const double c = std::cos(t), sn = std::sin(t);
    PlaneState st;
    st.ux = ur * c - ut * sn;
    st.uy = ur * sn + ut * c;
    st.sx = srr * c * c + stt * sn * sn - 2.0 * srt * sn * c;
    st.sy = srr * sn * sn + stt * c * c + 2.0 * srt * sn * c;
    st.sxy = (srr - stt) * sn * c + srt * (c * c - sn * sn);
    return st;
}

// The point of the square's outline at the angle-like parameter phi: each side is spanned
// uniformly over the quarter turn around its middle.
std::pair<double, double> squareOutline(double phi, double w) {
    const double side = std::floor(phi / (kPi / 2.0) + 0.5);
    const double psi = phi - side * (kPi / 2.0);
    const double lx = w, ly = w * psi / (kPi / 4.0);
    const double c = std::cos(side * kPi / 2.0), s = std::sin(side * kPi / 2.0);
    return {lx * c - ly * s, lx * s + ly * c};
}

}  // namespace

void buildPlateWithHole(FeModel& m, int nodesPerElement) {
    using P = PlateWithHole;
    const bool quadratic = nodesPerElement == 8;
    const int perSide = quadratic ? 8 : 12;  // element edges along each side of the plate
    const int rings = quadratic ? 8 : 12;
    const double growth = quadratic ? 1.45 : 1.3;  // ring thickness ratio, hole outwards
    const int sectors = 4 * perSide;
    const int sub = quadratic ? 2 : 1;  // grid points per element edge
    MeshBuilder b(m,
                  std::string("Plate with a central hole under tension, ") +
                      (quadratic ? "8-node" : "4-node") + " quads (Kirsch solution)",
                  2);

    const int gridRadial = rings * sub + 1, gridAround = sectors * sub;
    std::vector<int32_t> id(size_t(gridRadial) * size_t(gridAround), 0);
    auto at = [&](int I, int J) -> int32_t& {
        return id[size_t(I) * size_t(gridAround) + size_t(J % gridAround)];
    };
    for (int I = 0; I < gridRadial; ++I) {
        const double ring = double(I) / sub;
        const double t = (std::pow(growth, ring) - 1.0) / (std::pow(growth, rings) - 1.0);
        for (int J = 0; J < gridAround; ++J) {
            if (quadratic && I % 2 == 1 && J % 2 == 1) continue;  // no centre nodes
            const double phi = 2.0 * kPi * J / gridAround;
            const auto [ox, oy] = squareOutline(phi, P::halfWidth);
            const double ix = P::radius * std::cos(phi), iy = P::radius * std::sin(phi);
            at(I, J) = b.node((1.0 - t) * ix + t * ox, (1.0 - t) * iy + t * oy);
        }
    }
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < sectors; ++j) {
            const int I = i * sub, J = j * sub, Jn = (j + 1) * sub;
            if (quadratic)
                b.element(28, {at(I, J), at(I + 1, J), at(I + 2, J), at(I + 2, J + 1),
                               at(I + 2, Jn), at(I + 1, Jn), at(I, Jn), at(I, J + 1)});
            else
                b.element(24, {at(I, J), at(I + 1, J), at(I + 1, Jn), at(I, Jn)});
        }
    b.finish();
    rampedResults(m, {"UX", "UY", "SX", "SY", "SXY"}, loadFactors(P::steps), {},
                  [&](size_t i, double* v) {
                      const PlaneState s = kirsch(b.at(i)[0], b.at(i)[1]);
                      v[0] = s.ux;
                      v[1] = s.uy;
                      v[2] = s.sx;
                      v[3] = s.sy;
                      v[4] = s.sxy;
                  });
}

// --- cantilever ---

namespace {

// Nodes on a regular grid of the beam, clamped end at x = 0, section centred on the axis.
void cantileverMesh(MeshBuilder& b) {
    using C = Cantilever;
    const int nx = 40, ny = 4, nz = 2;
    std::vector<int32_t> id(size_t((nx + 1) * (ny + 1) * (nz + 1)));
    auto at = [&](int i, int j, int k) -> int32_t& {
        return id[size_t((k * (ny + 1) + j) * (nx + 1) + i)];
    };
    for (int k = 0; k <= nz; ++k)
        for (int j = 0; j <= ny; ++j)
            for (int i = 0; i <= nx; ++i)
                at(i, j, k) = b.node(C::length * i / nx, C::height * (double(j) / ny - 0.5),
                                     C::width * (double(k) / nz - 0.5));
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i)
                b.element(38, {at(i, j, k), at(i + 1, j, k), at(i + 1, j + 1, k), at(i, j + 1, k),
                               at(i, j, k + 1), at(i + 1, j, k + 1), at(i + 1, j + 1, k + 1),
                               at(i, j + 1, k + 1)});
    b.finish();
}

// Roots of cos(x) cosh(x) + 1 = 0, the clamped-free beam's eigenvalues beta L.
double clampedFreeRoot(int mode) {
    double x = (2 * mode - 1) * kPi / 2.0 + (mode == 1 ? 0.3 : 0.0);
    for (int it = 0; it < 50; ++it) {
        const double f = std::cos(x) * std::cosh(x) + 1.0;
        const double df = -std::sin(x) * std::cosh(x) + std::cos(x) * std::sinh(x);
        const double dx = f / df;
        x -= dx;
        if (std::fabs(dx) < 1e-15 * x) break;
    }
    return x;
}

}  // namespace

void buildCantilever(FeModel& m) {
    using C = Cantilever;
    MeshBuilder b(m, "Cantilever under a tip load (Euler-Bernoulli beam)", 3);
    cantileverMesh(b);
    const double inertia = C::width * std::pow(C::height, 3) / 12.0;
    const double ei = C::youngsModulus * inertia, p = C::tipLoad, l = C::length;
    rampedResults(m, {"UX", "UY", "UZ", "SX", "SXY"}, loadFactors(C::steps), {},
                  [&](size_t i, double* v) {
                      const double x = b.at(i)[0], y = b.at(i)[1];
                      const double slope = -p * x * (2.0 * l - x) / (2.0 * ei);
                      v[0] = -y * slope;
                      v[1] = -p * x * x * (3.0 * l - x) / (6.0 * ei);
                      v[2] = 0.0;
                      v[3] = p * (l - x) * y / inertia;
                      v[4] = -p / (2.0 * inertia) * (C::height * C::height / 4.0 - y * y);
                  });
}

void buildCantileverModes(FeModel& m) {
    using C = Cantilever;
    MeshBuilder b(m, "Cantilever bending modes (clamped-free beam)", 3);
    cantileverMesh(b);
    m.modalResults = true;
    const double area = C::width * C::height, l = C::length;
    struct Mode {
        int axis;  // 1 bends in y, 2 in z
        double betaL, frequency;
    };
    std::vector<Mode> modes;
    for (int n = 1; n <= 2; ++n)
        for (int axis = 1; axis <= 2; ++axis) {
            const double inertia = axis == 1 ? C::width * std::pow(C::height, 3) / 12.0
                                             : C::height * std::pow(C::width, 3) / 12.0;
            const double bl = clampedFreeRoot(n);
            const double omega =
                bl * bl / (l * l) * std::sqrt(C::youngsModulus * inertia / (C::density * area));
            modes.push_back({axis, bl, omega / (2.0 * kPi)});
        }
    std::sort(modes.begin(), modes.end(),
              [](const Mode& a, const Mode& c) { return a.frequency < c.frequency; });
    modes.resize(size_t(C::modes));

    const int32_t n = m.nodeCount, count = int32_t(modes.size());
    m.results.initialise(count, 3, {"UX", "UY", "UZ"}, 3);
    m.values.assign(size_t(count) * size_t(n) * 3, 0.0f);
    for (int32_t k = 0; k < count; ++k) {
        const Mode& md = modes[size_t(k)];
        m.results.stepValue[k] = float(md.frequency);
        const double beta = md.betaL / l;
        const double sigma =
            (std::cosh(md.betaL) + std::cos(md.betaL)) / (std::sinh(md.betaL) + std::sin(md.betaL));
        auto shape = [&](double x) {
            const double t = beta * x;
            return std::cosh(t) - std::cos(t) - sigma * (std::sinh(t) - std::sin(t));
        };
        auto slope = [&](double x) {
            const double t = beta * x;
            return beta * (std::sinh(t) + std::sin(t) - sigma * (std::cosh(t) - std::cos(t)));
        };
        const double tip = shape(l);
        for (int32_t i = 0; i < n; ++i) {
            const double* q = b.at(size_t(i));
            const double offset = md.axis == 1 ? q[1] : q[2];
            float* v = m.values.data() + (size_t(k) * size_t(n) + size_t(i)) * 3;
            v[0] = float(-offset * slope(q[0]) / tip);
            v[md.axis] = float(shape(q[0]) / tip);
        }
    }
    m.computeExtremes();
}

// --- shell plate ---

void buildShellPlate(FeModel& m) {
    using S = ShellPlate;
    const int nx = 20, ny = 12;
    MeshBuilder b(m, "Simply supported plate under pressure (Navier, first term)", 3);
    std::vector<int32_t> id(size_t((nx + 1) * (ny + 1)));
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i)
            id[size_t(j * (nx + 1) + i)] = b.node(S::lengthX * i / nx, S::lengthY * j / ny, 0.0);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const int32_t n0 = id[size_t(j * (nx + 1) + i)];
            b.element(44, {n0, n0 + 1, n0 + 1 + (nx + 1), n0 + (nx + 1)});
        }
    b.finish();
    const double a = S::lengthX, c = S::lengthY, t = S::thickness, nu = S::poisson;
    const double d = S::youngsModulus * t * t * t / (12.0 * (1.0 - nu * nu));
    const double sum = 1.0 / (a * a) + 1.0 / (c * c);
    const double w11 = 16.0 * S::pressure / (std::pow(kPi, 6) * d * sum * sum);
    rampedResults(
        m, {"UX", "UY", "UZ", "SX", "SY"}, loadFactors(S::steps), {}, [&](size_t i, double* v) {
            const double x = b.at(i)[0], y = b.at(i)[1];
            const double shape = std::sin(kPi * x / a) * std::sin(kPi * y / c);
            const double mx = d * w11 * kPi * kPi * (1.0 / (a * a) + nu / (c * c)) * shape;
            const double my = d * w11 * kPi * kPi * (nu / (a * a) + 1.0 / (c * c)) * shape;
            v[0] = 0.0;
            v[1] = 0.0;
            v[2] = -w11 * shape;
            v[3] = 6.0 * mx / (t * t);
            v[4] = 6.0 * my / (t * t);
        });
}

// --- pressure tube ---

void buildPressureTube(FeModel& m) {
    using T = PressureTube;
    const int nr = 4, nt = 32, nz = 6;
    MeshBuilder b(m, "Thick-walled tube under internal pressure, tetrahedra (Lame solution)", 3);
    std::vector<int32_t> id(size_t((nr + 1) * nt * (nz + 1)));
    auto at = [&](int i, int j, int k) -> int32_t& {
        return id[size_t((k * nt + (j % nt)) * (nr + 1) + i)];
    };
    for (int k = 0; k <= nz; ++k)
        for (int j = 0; j < nt; ++j)
            for (int i = 0; i <= nr; ++i) {
                const double r = T::innerRadius + (T::outerRadius - T::innerRadius) * i / nr;
                const double th = 2.0 * kPi * j / nt;
                at(i, j, k) = b.node(r * std::cos(th), r * std::sin(th), T::length * k / nz);
            }
    // Every cell of the (r, theta, z) grid split the same way along its main diagonal, so
    // neighbouring cells share their face triangles.
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < nt; ++j)
            for (int i = 0; i < nr; ++i) {
                int32_t corner[8];
                for (int c = 0; c < 8; ++c)
                    corner[c] = at(i + (c & 1), j + ((c >> 1) & 1), k + (c >> 2));
                for (const auto& tet : kKuhnTets)
                    b.positiveTet(corner[tet[0]], corner[tet[1]], corner[tet[2]], corner[tet[3]]);
            }
    b.finish();
    const double ri2 = T::innerRadius * T::innerRadius, ro2 = T::outerRadius * T::outerRadius;
    const double ca = T::pressure * ri2 / (ro2 - ri2), cb = T::pressure * ri2 * ro2 / (ro2 - ri2);
    const double e = T::youngsModulus, nu = T::poisson;
    rampedResults(m, {"UX", "UY", "UZ", "SRAD", "SHOOP", "SEQV"}, loadFactors(T::steps), {},
                  [&](size_t i, double* v) {
                      const double* q = b.at(i);
                      const double r = std::hypot(q[0], q[1]);
                      const double sr = ca - cb / (r * r), st = ca + cb / (r * r);
                      const double ur = ((1.0 - nu) * ca * r + (1.0 + nu) * cb / r) / e;
                      v[0] = ur * q[0] / r;
                      v[1] = ur * q[1] / r;
                      v[2] = -2.0 * nu * ca / e * q[2];
                      v[3] = sr;
                      v[4] = st;
                      v[5] = std::sqrt(sr * sr + st * st - sr * st);
                  });
}

// --- truss bridge ---

namespace {

// Solves a x = rhs in place by Gaussian elimination with partial pivoting (a is n x n, row
// major); false for a singular matrix.
bool solveDense(std::vector<double>& a, std::vector<double>& rhs, int n) {
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int r = c + 1; r < n; ++r)
            if (std::fabs(a[size_t(r * n + c)]) > std::fabs(a[size_t(pivot * n + c)])) pivot = r;
        if (std::fabs(a[size_t(pivot * n + c)]) < 1e-300) return false;
        if (pivot != c) {
            for (int j = 0; j < n; ++j)
                std::swap(a[size_t(c * n + j)], a[size_t(pivot * n + j)]);
            std::swap(rhs[size_t(c)], rhs[size_t(pivot)]);
        }
        for (int r = c + 1; r < n; ++r) {
            const double f = a[size_t(r * n + c)] / a[size_t(c * n + c)];
            if (f == 0.0) continue;
            for (int j = c; j < n; ++j)
                a[size_t(r * n + j)] -= f * a[size_t(c * n + j)];
            rhs[size_t(r)] -= f * rhs[size_t(c)];
        }
    }
    for (int r = n - 1; r >= 0; --r) {
        double s = rhs[size_t(r)];
        for (int j = r + 1; j < n; ++j)
            s -= a[size_t(r * n + j)] * rhs[size_t(j)];
        rhs[size_t(r)] = s / a[size_t(r * n + r)];
    }
    return true;
}

}  // namespace

void buildTrussBridge(FeModel& m) {
    using T = TrussBridge;
    const int panels = T::panels;
    MeshBuilder b(m, "Truss bridge under a moving load (stiffness solution)", 2);
    std::vector<int32_t> bottom, top(size_t(panels), 0);
    for (int i = 0; i <= panels; ++i)
        bottom.push_back(b.node(T::panel * i, 0.0));
    for (int i = 1; i < panels; ++i)
        top[size_t(i)] = b.node(T::panel * i, T::height);
    const int32_t chord = 1, web = 2;
    for (int i = 0; i < panels; ++i)
        b.element(22, {bottom[size_t(i)], bottom[size_t(i + 1)]}, chord);
    for (int i = 1; i + 1 < panels; ++i)
        b.element(22, {top[size_t(i)], top[size_t(i + 1)]}, chord);
    b.element(22, {bottom[0], top[1]}, chord);
    b.element(22, {top[size_t(panels - 1)], bottom[size_t(panels)]}, chord);
    for (int i = 1; i < panels; ++i)
        b.element(22, {bottom[size_t(i)], top[size_t(i)]}, web);
    // Diagonals falling towards mid-span, so that they carry tension.
    for (int i = 1; i < panels; ++i) {
        if (2 * i < panels) b.element(22, {top[size_t(i)], bottom[size_t(i + 1)]}, web);
        if (2 * i > panels) b.element(22, {top[size_t(i)], bottom[size_t(i - 1)]}, web);
    }
    b.finish();

    // Stiffness of the pin-jointed frame, two degrees of freedom per node.
    const int dofs = 2 * m.nodeCount;
    std::vector<double> k(size_t(dofs) * size_t(dofs), 0.0);
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const auto nodes = m.elementNodes(e);
        const double* p0 = b.at(size_t(nodes[0] - 1));
        const double* p1 = b.at(size_t(nodes[1] - 1));
        const double dx = p1[0] - p0[0], dy = p1[1] - p0[1], len = std::hypot(dx, dy);
        const double area = m.elements[size_t(e)].material == chord ? T::chordArea : T::webArea;
        const double ea = T::youngsModulus * area / len;
        const double dir[2] = {dx / len, dy / len};
        const int at[4] = {2 * (nodes[0] - 1), 2 * (nodes[0] - 1) + 1, 2 * (nodes[1] - 1),
                           2 * (nodes[1] - 1) + 1};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                const double sign = (r < 2) == (c < 2) ? 1.0 : -1.0;
                k[size_t(at[r] * dofs + at[c])] += sign * ea * dir[r % 2] * dir[c % 2];
            }
    }
    // Pinned at the left end, on a roller at the right one.
    std::vector<int> free;
    for (int d = 0; d < dofs; ++d) {
        const int node = d / 2 + 1;
        if (node == bottom[0] || (node == bottom[size_t(panels)] && d % 2 == 1)) continue;
        free.push_back(d);
    }
    const int nf = int(free.size());
    std::vector<double> solution(size_t(T::steps) * size_t(dofs), 0.0);
    std::vector<double> stepValues;
    for (int s = 0; s < T::steps; ++s) {
        std::vector<double> a(size_t(nf) * size_t(nf)), rhs(size_t(nf), 0.0);
        for (int r = 0; r < nf; ++r)
            for (int c = 0; c < nf; ++c)
                a[size_t(r * nf + c)] = k[size_t(free[size_t(r)] * dofs + free[size_t(c)])];
        const int loaded = 2 * (bottom[size_t(s + 1)] - 1) + 1;
        for (int r = 0; r < nf; ++r)
            if (free[size_t(r)] == loaded) rhs[size_t(r)] = -T::load;
        if (!solveDense(a, rhs, nf)) fatalError("the truss stiffness matrix is singular");
        for (int r = 0; r < nf; ++r)
            solution[size_t(s) * size_t(dofs) + size_t(free[size_t(r)])] = rhs[size_t(r)];
        stepValues.push_back(T::panel * (s + 1));
    }

    const int32_t n = m.nodeCount;
    m.results.initialise(T::steps, 2, {"UX", "UY"}, 2);
    m.values.assign(size_t(T::steps) * size_t(n) * 2, 0.0f);
    for (int s = 0; s < T::steps; ++s) {
        m.results.stepValue[s] = float(stepValues[size_t(s)]);
        for (int d = 0; d < dofs; ++d)
            m.values[size_t(s) * size_t(dofs) + size_t(d)] =
                float(solution[size_t(s) * size_t(dofs) + size_t(d)]);
    }
    m.computeExtremes();
}

// --- files ---

const std::vector<Example>& examples() {
    static const std::vector<Example> list = {
        {"plate_hole_q4.asc", [](FeModel& m) { buildPlateWithHole(m, 4); }},
        {"plate_hole_q8.asc", [](FeModel& m) { buildPlateWithHole(m, 8); }},
        {"cantilever.asc", buildCantilever},
        {"cantilever_modes.mdf", buildCantileverModes},
        {"shell_plate.asc", buildShellPlate},
        {"pressure_tube.rst", buildPressureTube},
        {"truss_bridge.asc", buildTrussBridge},
    };
    return list;
}

bool writeSample(const FeModel& model, const std::string& path, Messages& messages) {
    NullProgress progress;
    switch (modelFileKind(fileExtension(path))) {
        case ModelFileKind::Binary:
            return writeBinaryFile(model, path, progress, messages);
        case ModelFileKind::Text:
        case ModelFileKind::Modes:
            return writeTextFile(model, path, progress, messages);
        case ModelFileKind::Imported:
        case ModelFileKind::Unknown:
            break;
    }
    messages.showError("Cannot write " + path + ": the extension must be rst, asc or mdf");
    return false;
}

namespace {

// A file the generator writes through a large buffer; a failure to open it or to write it
// whole is reported as "Cannot write PATH" with the system's reason recorded.
class SampleFile {
  public:
    SampleFile(const std::string& path, Messages& messages)
        : path_(path), messages_(messages), buffer_(1 << 20), out_(std::fopen(path.c_str(), "wb")) {
        if (!out_) {
            recordSystemError(errno);
            messages_.showError("Cannot write " + path_);
            return;
        }
        std::setvbuf(out_, buffer_.data(), _IOFBF, buffer_.size());
    }
    ~SampleFile() {
        if (out_) std::fclose(out_);
    }
    SampleFile(const SampleFile&) = delete;
    SampleFile& operator=(const SampleFile&) = delete;
    FILE* get() const { return out_; }
    bool finish() {
        const bool written = std::fflush(out_) == 0 && !std::ferror(out_);
        if (!written) recordSystemError(errno);
        const bool closed = std::fclose(out_) == 0;
        out_ = nullptr;
        if (!closed || !written) {
            messages_.showError("Cannot write " + path_);
            return false;
        }
        return true;
    }

  private:
    std::string path_;
    Messages& messages_;
    std::vector<char> buffer_;
    FILE* out_;
};

}  // namespace

bool writeTextWithDigits(const FeModel& m, const std::string& path, int digits,
                         Messages& messages) {
    SampleFile file(path, messages);
    FILE* out = file.get();
    if (!out) return false;
    char field[64];
    const auto real = [&](float v) {
        const auto r =
            std::to_chars(field, field + sizeof field, v, std::chars_format::general, digits);
        std::fputc(' ', out);
        std::fwrite(field, 1, size_t(r.ptr - field), out);
    };
    std::fprintf(out, "%s\n%d %d\n", m.jobTitle.c_str(), m.nodeCount, m.dimension);
    for (int32_t i = 0; i < m.nodeCount; ++i) {
        std::fprintf(out, "%d", m.nodeNumbers[size_t(i)]);
        for (int j = 0; j < m.dimension; ++j)
            real(m.fileCoordinate(i, j));
        std::fputc('\n', out);
    }
    std::fprintf(out, "%d\n", m.elementCount);
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& r = m.elements[size_t(e)];
        std::fprintf(out, "%d %d %d %d %d", r.number, r.nodeCount, r.type, r.material,
                     r.realConstant);
        for (int32_t p : m.elementNodes(e))
            std::fprintf(out, " %d", p);
        std::fputc('\n', out);
    }
    const ResultSet& results = m.results;
    if (results.hasResults == 1) {
        std::fprintf(out, "%d", results.dofCount);
        for (const std::string& name : results.dofNames)
            std::fprintf(out, " %s", name.c_str());
        std::fprintf(out, "\n%d\n", results.stepCount);
        for (int32_t k = 0; k < results.stepCount; ++k) {
            std::fprintf(out, "%d", k + 1);
            real(results.stepValue[k]);
            std::fputc('\n', out);
            for (int32_t i = 0; i < m.nodeCount; ++i) {
                std::fprintf(out, "%d", m.nodeNumbers[size_t(i)]);
                for (int32_t d = 0; d < results.dofCount; ++d)
                    real(m.storedValue(i, k, d));
                std::fputc('\n', out);
            }
        }
    }
    return file.finish();
}

bool writeVtu(const FeModel& m, const std::string& path, Messages& messages) {
    SampleFile file(path, messages);
    FILE* out = file.get();
    if (!out) return false;
    const ResultSet& r = m.results;
    const int32_t step = r.hasResults == 1 ? r.stepCount - 1 : -1;
    int32_t axes[3] = {-1, -1, -1}, scalar = -1;
    for (int32_t d = 0; step >= 0 && d < r.dofCount; ++d) {
        const std::string& name = r.dofNames[size_t(d)];
        if (name == "UX" || name == "UY" || name == "UZ")
            axes[name[1] - 'X'] = d;
        else if (scalar < 0)
            scalar = d;
    }
    const bool displaced = axes[0] >= 0;
    const size_t n = size_t(m.nodeCount), cells = size_t(m.elementCount);
    size_t connectivity = 0;
    for (const ElementRecord& e : m.elements)
        connectivity += size_t(e.nodeCount);
    // The appended arrays in order, each a UInt64 byte count and its bytes.
    uint64_t offset = 0;
    // An appended array; field data name their tuples (one here).
    const auto array = [&](const char* type, const char* name, int components, size_t bytes,
                           bool field = false) {
        std::fprintf(out, "<DataArray type=\"%s\"%s%s%s", type, name ? " Name=\"" : "",
                     name ? name : "", name ? "\"" : "");
        if (components > 1) std::fprintf(out, " NumberOfComponents=\"%d\"", components);
        if (field) std::fprintf(out, " NumberOfTuples=\"1\"");
        std::fprintf(out, " format=\"appended\" offset=\"%llu\"/>\n", (unsigned long long)offset);
        offset += 8 + bytes;
    };
    std::fprintf(out,
                 "<?xml version=\"1.0\"?>\n<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" "
                 "byte_order=\"LittleEndian\" header_type=\"UInt64\">\n<UnstructuredGrid>\n");
    if (step >= 0) {
        std::fprintf(out, "<FieldData>\n");
        array("Float64", "TimeValue", 1, 8, true);
        std::fprintf(out, "</FieldData>\n");
    }
    std::fprintf(out, "<Piece NumberOfPoints=\"%zu\" NumberOfCells=\"%zu\">\n<PointData>\n", n,
                 cells);
    if (displaced) array("Float32", "Displacement", 3, n * 12);
    if (scalar >= 0) array("Float32", r.dofNames[size_t(scalar)].c_str(), 1, n * 4);
    std::fprintf(out, "</PointData>\n<Points>\n");
    array("Float32", nullptr, 3, n * 12);
    std::fprintf(out, "</Points>\n<Cells>\n");
    array("Int64", "connectivity", 1, connectivity * 8);
    array("Int64", "offsets", 1, cells * 8);
    array("UInt8", "types", 1, cells);
    std::fprintf(out,
                 "</Cells>\n</Piece>\n</UnstructuredGrid>\n<AppendedData encoding=\"raw\">\n_");

    std::vector<char> chunk;
    const auto flush = [&] {
        std::fwrite(chunk.data(), 1, chunk.size(), out);
        chunk.clear();
    };
    const auto put = [&](const auto& value) {
        const char* bytes = reinterpret_cast<const char*>(&value);
        chunk.insert(chunk.end(), bytes, bytes + sizeof value);
        if (chunk.size() >= (1 << 20)) flush();
    };
    if (step >= 0) {
        put(uint64_t(8));
        put(double(r.stepValue[step]));
    }
    if (displaced) {
        put(uint64_t(n * 12));
        for (int32_t i = 0; i < m.nodeCount; ++i)
            for (int j = 0; j < 3; ++j)
                put(axes[j] >= 0 ? m.storedValue(i, step, axes[j]) : 0.0f);
    }
    if (scalar >= 0) {
        put(uint64_t(n * 4));
        for (int32_t i = 0; i < m.nodeCount; ++i)
            put(m.storedValue(i, step, scalar));
    }
    put(uint64_t(n * 12));
    for (int32_t i = 0; i < m.nodeCount; ++i)
        for (int j = 0; j < 3; ++j)
            put(j < m.dimension ? m.fileCoordinate(i, j) : 0.0f);
    put(uint64_t(connectivity * 8));
    for (int32_t e = 0; e < m.elementCount; ++e)
        for (int32_t p : m.elementNodes(e))
            put(int64_t(p - 1));
    put(uint64_t(cells * 8));
    int64_t end = 0;
    for (const ElementRecord& e : m.elements)
        put(end += e.nodeCount);
    put(uint64_t(cells));
    for (const ElementRecord& e : m.elements) {
        // VTK's cells of the block's element codes: hexahedron, tetrahedron, quadrilateral.
        const uint8_t type = e.type == 38 ? 12 : e.type == 34 ? 10 : e.type == 24 ? 9 : 0;
        put(type);
    }
    flush();
    std::fprintf(out, "\n</AppendedData>\n</VTKFile>\n");
    return file.finish();
}

bool writeFrd(const FeModel& m, const std::string& path, Messages& messages) {
    SampleFile file(path, messages);
    FILE* out = file.get();
    if (!out) return false;
    const ResultSet& r = m.results;
    const int32_t step = r.hasResults == 1 ? r.stepCount - 1 : -1;
    int32_t axes[3] = {-1, -1, -1};
    for (int32_t d = 0; step >= 0 && d < r.dofCount; ++d) {
        const std::string& name = r.dofNames[size_t(d)];
        if (name == "UX" || name == "UY" || name == "UZ") axes[name[1] - 'X'] = d;
    }
    std::fprintf(out, "    1C\n    1U%-66s\n    1UUSER\n", m.jobTitle.substr(0, 66).c_str());
    std::fprintf(out, "    2C%30d%37d\n", m.nodeCount, 1);
    for (int32_t i = 0; i < m.nodeCount; ++i)
        std::fprintf(out, " -1%10d%12.5E%12.5E%12.5E\n", i + 1, double(m.fileCoordinate(i, 0)),
                     double(m.fileCoordinate(i, 1)),
                     m.dimension > 2 ? double(m.fileCoordinate(i, 2)) : 0.0);
    std::fprintf(out, " -3\n    3C%30d%37d\n", m.elementCount, 1);
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& rec = m.elements[size_t(e)];
        // ccx's types of the block's element codes: he8, te4, qu4.
        const int type = rec.type == 38 ? 1 : rec.type == 34 ? 3 : 9;
        std::fprintf(out, " -1%10d%5d%5d%5d\n -2", e + 1, type, 0, rec.material);
        for (int32_t p : m.elementNodes(e))
            std::fprintf(out, "%10d", p);
        std::fputc('\n', out);
    }
    std::fprintf(out, " -3\n");
    if (axes[0] >= 0) {
        std::fprintf(out,
                     "  100CL  101%12.5E%12d                     0    1           1\n"
                     " -4  DISP        4    1\n -5  D1          1    2    1    0\n"
                     " -5  D2          1    2    2    0\n -5  D3          1    2    3    0\n"
                     " -5  ALL         1    2    0    0    1ALL\n",
                     double(r.stepValue[step]), m.nodeCount);
        for (int32_t i = 0; i < m.nodeCount; ++i) {
            std::fprintf(out, " -1%10d", i + 1);
            for (int j = 0; j < 3; ++j)
                std::fprintf(out, "%12.5E",
                             axes[j] >= 0 ? double(m.storedValue(i, step, axes[j])) : 0.0);
            std::fputc('\n', out);
        }
        std::fprintf(out, " -3\n");
    }
    std::fprintf(out, " 9999\n");
    return file.finish();
}

bool writeExamples(const std::string& directory, Messages& messages, std::string& failed) {
    for (const Example& ex : examples()) {
        FeModel model;
        ex.build(model);
        failed = directory + "/" + ex.fileName;
        clearFileError();
        if (!writeSample(model, failed, messages)) return false;
    }
    failed.clear();
    return true;
}

}  // namespace orv::samples
