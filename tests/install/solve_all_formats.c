/* Uses only the installed header and library: solves one Hermitian positive
 * definite system given as CSR, CSC, COO and matrix-free data, in each of
 * the four scalar types, with CG, and compares x with the known solution. */
#include <kyraSparse.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

enum { N = 40, NNZ = 3 * N - 2 };
enum Type { S, D, C, Z };
enum Format { CSR, CSC, COO, MATRIX_FREE };
static const char* typeNames = "SDCZ";
static const char* formatNames[] = {"csr", "csc", "coo", "matrix free"};

/* The tridiagonal matrix: 4 on the diagonal, -1 + 0.5i above and its
 * conjugate below (real types use the real parts), zero-based COO by rows. */
static int rows[NNZ], cols[NNZ];
static double valRe[NNZ], valIm[NNZ];

static void buildMatrix(void) {
    int k = 0;
    for (int i = 0; i < N; ++i) {
        if (i > 0) rows[k] = i, cols[k] = i - 1, valRe[k] = -1.0, valIm[k] = -0.5, ++k;
        rows[k] = i, cols[k] = i, valRe[k] = 4.0, valIm[k] = 0.0, ++k;
        if (i < N - 1) rows[k] = i, cols[k] = i + 1, valRe[k] = -1.0, valIm[k] = 0.5, ++k;
    }
}

/* An array of type t seen as its parts: a complex element is its real part
 * followed by its imaginary part. */
static int parts(enum Type t) { return t == C || t == Z ? 2 : 1; }
static int isSingle(enum Type t) { return t == S || t == C; }
static double get(enum Type t, const void* v, int k) {
    return isSingle(t) ? ((const float*)v)[k] : ((const double*)v)[k];
}
static void put(enum Type t, void* v, int k, double value) {
    if (isSingle(t))
        ((float*)v)[k] = (float)value;
    else
        ((double*)v)[k] = value;
}
/* Element i = re + im i; real types drop im. */
static void store(enum Type t, void* v, int i, double re, double im) {
    put(t, v, parts(t) * i, re);
    if (parts(t) == 2) put(t, v, 2 * i + 1, im);
}

/* y = A x for the matrix-free callbacks; the matrix is Hermitian, so every
 * operation gives the same product for the real and Hermitian cases. */
static void product(enum Type t, const void* x, void* y) {
    double yRe[N] = {0}, yIm[N] = {0};
    const int w = parts(t);
    for (int k = 0; k < NNZ; ++k) {
        const double xr = get(t, x, w * cols[k]), xi = w == 2 ? get(t, x, 2 * cols[k] + 1) : 0.0;
        const double ai = w == 2 ? valIm[k] : 0.0;
        yRe[rows[k]] += valRe[k] * xr - ai * xi;
        yIm[rows[k]] += valRe[k] * xi + ai * xr;
    }
    for (int i = 0; i < N; ++i) store(t, y, i, yRe[i], yIm[i]);
}
static void sProduct(char op, const float* x, float* y, void* u) { (void)op, (void)u, product(S, x, y); }
static void dProduct(char op, const double* x, double* y, void* u) { (void)op, (void)u, product(D, x, y); }
static void cProduct(char op, const kyraSparseComplexFloat* x, kyraSparseComplexFloat* y, void* u) {
    (void)op, (void)u, product(C, x, y);
}
static void zProduct(char op, const kyraSparseComplexDouble* x, kyraSparseComplexDouble* y, void* u) {
    (void)op, (void)u, product(Z, x, y);
}

/* The setter of format f in the precision of type t; CSC takes (rowInd, colPtr). */
static kyraSparseStatus setData(kyraSparseHandle h, kyraSparsePlan p, enum Type t, enum Format f,
                                const void* a, const int* ptrOrInd, const int* ind, void* x, const void* b) {
#define KYRA_SET(L, l)                                                                  \
    (f == CSR   ? kyraSparseSet##L##csrData(h, p, NULL, N, NNZ, a, ptrOrInd, ind, x, b) \
     : f == CSC ? kyraSparseSet##L##cscData(h, p, NULL, N, NNZ, a, ind, ptrOrInd, x, b) \
     : f == COO ? kyraSparseSet##L##cooData(h, p, NULL, N, NNZ, a, ptrOrInd, ind, x, b) \
                : kyraSparseSet##L##matrixfreeData(h, p, NULL, N, l##Product, NULL, x, b))
    return t == S ? KYRA_SET(S, s) : t == D ? KYRA_SET(D, d) : t == C ? KYRA_SET(C, c) : KYRA_SET(Z, z);
#undef KYRA_SET
}

/* Solves with type t and format f; returns the relative error of x. */
static double solve(kyraSparseHandle h, enum Type t, enum Format f) {
    const size_t size = (isSingle(t) ? sizeof(float) : sizeof(double)) * parts(t);
    void *a = calloc(NNZ, size), *x = calloc(N, size), *b = calloc(N, size), *exact = calloc(N, size);
    int ptr[N + 1] = {0}, ind[NNZ], first[NNZ];
    kyraSparsePlan plan = 0;
    kyraSparseConfig config;
    kyraSparseResult result;
    double error = 0, norm = 0;

    /* CSR and COO take the entries by rows; CSC takes the transpose's rows,
     * which for a Hermitian matrix are the conjugated rows of A. */
    for (int k = 0; k < NNZ; ++k) {
        store(t, a, k, valRe[k], f == CSC ? -valIm[k] : valIm[k]);
        ind[k] = cols[k];
        first[k] = rows[k];
        ++ptr[rows[k] + 1];
    }
    for (int i = 0; i < N; ++i) ptr[i + 1] += ptr[i];
    for (int i = 0; i < N; ++i) store(t, exact, i, 1.0 + i / (double)N, 0.5 - i / (double)N);
    product(t, exact, b);

    kyraSparseCreatePlan(h, &plan);
    kyraSparseConfigInit(h, &config);
    config.relativeTolerance = isSingle(t) ? 1e-6 : 1e-12;
    kyraSparseSetCgSolver(h, plan, NULL);
    if (setData(h, plan, t, f, a, f == COO ? first : ptr, ind, x, b) != kyraSparseNoError ||
        kyraSparseExecutePlan(h, plan, &config, &result) != kyraSparseNoError) {
        char text[256];
        kyraSparseGetLastStatusString(h, text, sizeof text);
        fprintf(stderr, "%c %s: %s\n", typeNames[t], formatNames[f], text);
        error = INFINITY;
    }
    for (int k = 0; k < parts(t) * N; ++k) {
        error += pow(get(t, x, k) - get(t, exact, k), 2);
        norm += pow(get(t, exact, k), 2);
    }
    kyraSparseDestroyPlan(plan);
    free(a), free(x), free(b), free(exact);
    return sqrt(error / norm);
}

int main(void) {
    kyraSparseHandle h = 0;
    int failures = 0;
    buildMatrix();
    if (kyraSparseCreate(&h) != kyraSparseNoError) return 1;
    for (int t = S; t <= Z; ++t) {
        for (int f = CSR; f <= MATRIX_FREE; ++f) {
            const double error = solve(h, (enum Type)t, (enum Format)f);
            if (!(error <= (isSingle((enum Type)t) ? 1e-4 : 1e-9))) {
                fprintf(stderr, "FAILED: %c %s: relative error %g\n", typeNames[t], formatNames[f], error);
                ++failures;
            }
        }
    }
    kyraSparseDestroy(h);
    if (failures == 0) printf("installed interface: 16 solves within tolerance\n");
    return failures == 0 ? 0 : 1;
}
