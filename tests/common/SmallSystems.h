#ifndef KYRA_TESTS_SMALLSYSTEMS_H
#define KYRA_TESTS_SMALLSYSTEMS_H

// Small test systems in zero-based CSR with dense reference arithmetic, for
// checks that do not trust the library's own kernels.

#include <random>
#include <vector>

#include "common/DenseReference.h"

struct CsrSystem {
    int n = 0;
    std::vector<int> rowPtr{0};
    std::vector<int> colInd;
    std::vector<double> values;

    void add(int column, double value) {
        colInd.push_back(column);
        values.push_back(value);
    }
    void endRow() {
        rowPtr.push_back(static_cast<int>(colInd.size()));
        ++n;
    }
    int nnz() const { return static_cast<int>(values.size()); }

    std::vector<double> multiply(const std::vector<double>& x) const {
        std::vector<double> y(n, 0.0);
        for (int i = 0; i < n; ++i)
            for (int k = rowPtr[i]; k < rowPtr[i + 1]; ++k) y[i] += values[k] * x[colInd[k]];
        return y;
    }
};

// 2-D 5-point Poisson on a g x g grid, scaled by `scale` (negative: negative definite).
inline CsrSystem poisson2d(int g, double scale = 1.0) {
    CsrSystem s;
    for (int i = 0; i < g; ++i) {
        for (int j = 0; j < g; ++j) {
            if (i > 0) s.add((i - 1) * g + j, -scale);
            if (j > 0) s.add(i * g + j - 1, -scale);
            s.add(i * g + j, 4.0 * scale);
            if (j < g - 1) s.add(i * g + j + 1, -scale);
            if (i < g - 1) s.add((i + 1) * g + j, -scale);
            s.endRow();
        }
    }
    return s;
}

inline std::vector<double> knownSolution(int n, unsigned seed = 7) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<double> x(n);
    for (double& v : x) v = value(generator);
    return x;
}

// ||b - A x|| / ||b||, computed without the library.
inline double trueRelativeResidual(const CsrSystem& a, const std::vector<double>& x,
                                   const std::vector<double>& b) {
    std::vector<double> r = a.multiply(x);
    for (int i = 0; i < a.n; ++i) r[i] = b[i] - r[i];
    return norm(r) / norm(b);
}

#endif
