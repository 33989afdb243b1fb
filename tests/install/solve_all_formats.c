/* Uses only the installed header and library: solves one Hermitian positive
 * definite system given as CSR, CSC, COO and matrix-free data, in each of
 * the four scalar types, with CG, and compares x with the known solution. */
#include <kyraSparse.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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

static int isComplex(enum Type t) { return t == C || t == Z; }
static size_t scalarSize(enum Type t) { return t == S ? 4 : t == D ? 8 : t == C ? 8 : 16; }

static void store(enum Type t, void* array, int i, double re, double im) {
    switch (t) {
        case S:
            ((float*)array)[i] = (float)re;
            break;
        case D:
            ((double*)array)[i] = re;
            break;
        case C:
            ((kyraSparseComplexFloat*)array)[i].re = (float)re,
            ((kyraSparseComplexFloat*)array)[i].im = (float)im;
            break;
        case Z:
            ((kyraSparseComplexDouble*)array)[i].re = re, ((kyraSparseComplexDouble*)array)[i].im = im;
            break;
    }
}

static void load(enum Type t, const void* array, int i, double* re, double* im) {
    switch (t) {
        case S:
            *re = ((const float*)array)[i], *im = 0;
            break;
        case D:
            *re = ((const double*)array)[i], *im = 0;
            break;
        case C:
            *re = ((const kyraSparseComplexFloat*)array)[i].re,
            *im = ((const kyraSparseComplexFloat*)array)[i].im;
            break;
        case Z:
            *re = ((const kyraSparseComplexDouble*)array)[i].re,
            *im = ((const kyraSparseComplexDouble*)array)[i].im;
            break;
    }
}

/* y = A x for the matrix-free callbacks; the matrix is Hermitian, so every
 * operation gives the same product for the real and Hermitian cases. */
static void product(enum Type t, const void* x, void* y) {
    double yRe[N] = {0}, yIm[N] = {0};
    for (int k = 0; k < NNZ; ++k) {
        double xr, xi, ar = valRe[k], ai = isComplex(t) ? valIm[k] : 0.0;
        load(t, x, cols[k], &xr, &xi);
        yRe[rows[k]] += ar * xr - ai * xi;
        yIm[rows[k]] += ar * xi + ai * xr;
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

static kyraSparseStatus setData(kyraSparseHandle h, kyraSparsePlan p, enum Type t, enum Format f,
                                const void* a, const int* ptrOrInd, const int* ind, void* x, const void* b) {
#define KYRA_SET(L, T)                                                                              \
    switch (f) {                                                                                    \
        case CSR:                                                                                   \
            return kyraSparseSet##L##csrData(h, p, NULL, N, NNZ, (const T*)a, ptrOrInd, ind, (T*)x, \
                                             (const T*)b);                                          \
        case CSC:                                                                                   \
            return kyraSparseSet##L##cscData(h, p, NULL, N, NNZ, (const T*)a, ind, ptrOrInd, (T*)x, \
                                             (const T*)b);                                          \
        case COO:                                                                                   \
            return kyraSparseSet##L##cooData(h, p, NULL, N, NNZ, (const T*)a, ptrOrInd, ind, (T*)x, \
                                             (const T*)b);                                          \
        default:                                                                                    \
            break;                                                                                  \
    }
    switch (t) {
        case S:
            KYRA_SET(S, float)
            return kyraSparseSetSmatrixfreeData(h, p, NULL, N, sProduct, NULL, (float*)x, (const float*)b);
        case D:
            KYRA_SET(D, double)
            return kyraSparseSetDmatrixfreeData(h, p, NULL, N, dProduct, NULL, (double*)x, (const double*)b);
        case C:
            KYRA_SET(C, kyraSparseComplexFloat)
            return kyraSparseSetCmatrixfreeData(h, p, NULL, N, cProduct, NULL, (kyraSparseComplexFloat*)x,
                                                (const kyraSparseComplexFloat*)b);
        case Z:
            KYRA_SET(Z, kyraSparseComplexDouble)
            return kyraSparseSetZmatrixfreeData(h, p, NULL, N, zProduct, NULL, (kyraSparseComplexDouble*)x,
                                                (const kyraSparseComplexDouble*)b);
    }
#undef KYRA_SET
    return kyraSparseArgumentError;
}

/* Solves with type t and format f; returns the relative error of x. */
static double solve(kyraSparseHandle h, enum Type t, enum Format f) {
    size_t size = scalarSize(t);
    void* a = calloc(NNZ, size);
    void* x = calloc(N, size);
    void* b = calloc(N, size);
    void* exact = calloc(N, size);
    int ptr[N + 1] = {0}, ind[NNZ], first[NNZ];
    kyraSparsePlan plan = 0;
    kyraSparseConfig config;
    kyraSparseResult result;
    double error = 0, norm = 0;

    /* CSR and COO take the entries by rows; CSC takes the transpose's rows,
     * which for a Hermitian matrix are the conjugated rows of A. */
    for (int k = 0; k < NNZ; ++k) {
        double im = isComplex(t) ? (f == CSC ? -valIm[k] : valIm[k]) : 0.0;
        store(t, a, k, valRe[k], im);
        ind[k] = cols[k];
        first[k] = rows[k];
        ++ptr[rows[k] + 1];
    }
    for (int i = 0; i < N; ++i) ptr[i + 1] += ptr[i];
    for (int i = 0; i < N; ++i)
        store(t, exact, i, 1.0 + i / (double)N, isComplex(t) ? 0.5 - i / (double)N : 0.0);
    product(t, exact, b);

    kyraSparseCreatePlan(h, &plan);
    kyraSparseConfigInit(h, &config);
    config.relativeTolerance = (t == S || t == C) ? 1e-6 : 1e-12;
    kyraSparseSetCgSolver(h, plan, NULL);
    if (setData(h, plan, t, f, a, f == COO ? first : ptr, ind, x, b) != kyraSparseNoError ||
        kyraSparseExecutePlan(h, plan, &config, &result) != kyraSparseNoError) {
        char text[256];
        kyraSparseGetLastStatusString(h, text, sizeof text);
        fprintf(stderr, "%c %s: %s\n", typeNames[t], formatNames[f], text);
        error = INFINITY;
    } else {
        for (int i = 0; i < N; ++i) {
            double xr, xi, er, ei;
            load(t, x, i, &xr, &xi);
            load(t, exact, i, &er, &ei);
            error += (xr - er) * (xr - er) + (xi - ei) * (xi - ei);
            norm += er * er + ei * ei;
        }
        error = sqrt(error / norm);
    }
    kyraSparseDestroyPlan(plan);
    free(a), free(x), free(b), free(exact);
    return error;
}

int main(void) {
    kyraSparseHandle h = 0;
    int failures = 0;
    buildMatrix();
    if (kyraSparseCreate(&h) != kyraSparseNoError) return 1;
    for (int t = S; t <= Z; ++t) {
        for (int f = CSR; f <= MATRIX_FREE; ++f) {
            double error = solve(h, (enum Type)t, (enum Format)f);
            double allowed = (t == S || t == C) ? 1e-4 : 1e-9;
            if (!(error <= allowed)) {
                fprintf(stderr, "FAILED: %c %s: relative error %g\n", typeNames[t], formatNames[f], error);
                ++failures;
            }
        }
    }
    kyraSparseDestroy(h);
    if (failures == 0) printf("installed interface: 16 solves within tolerance\n");
    return failures == 0 ? 0 : 1;
}
