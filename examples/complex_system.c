/* A complex, non-Hermitian system solved by BiCGSTAB with an ILU0
 * preconditioner, given as one-based COO triplets in double complex.
 *
 * C99's double complex has the layout of kyraSparseComplexDouble (real part,
 * then imaginary part), so arrays of it are passed with a cast.
 *
 * The matrix is a damped wave operator with drift on a G x G grid (5-point
 * stencil): its diagonal is complex and varies from cell to cell and the
 * couplings upstream and downstream differ, so it is neither Hermitian nor
 * symmetric, and CG and MINRES do not apply. */
#include <complex.h>
#include <kyraSparse.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

enum { G = 40, N = G * G, MAX_NNZ = 5 * N };

static void check(kyraSparseHandle h, kyraSparseStatus status, const char* call) {
    char text[256];
    if (status == kyraSparseNoError) return;
    kyraSparseGetLastStatusString(h, text, sizeof text);
    fprintf(stderr, "%s returned %d: %s\n", call, (int)status, text);
    exit(1);
}

/* Appends the triplet (row, column, value), counting from 1. */
static void add(int* k, int* rowInd, int* colInd, double complex* a, int row, int col, double complex v) {
    rowInd[*k] = row + 1, colInd[*k] = col + 1, a[*k] = v, ++*k;
}

/* Triplets may come in any order; returns their count. */
static int buildMatrix(double complex* a, int* rowInd, int* colInd) {
    int k = 0;
    for (int row = 0; row < N; ++row) {
        int i = row / G, j = row % G;
        add(&k, rowInd, colInd, a, row, row, 4.0 + (0.5 + 0.5 * sin(0.1 * row)) * I);
        if (j > 0) add(&k, rowInd, colInd, a, row, row - 1, -1.3 - 0.2 * I);
        if (j < G - 1) add(&k, rowInd, colInd, a, row, row + 1, -0.7 + 0.2 * I);
        if (i > 0) add(&k, rowInd, colInd, a, row, row - G, -1.0);
        if (i < G - 1) add(&k, rowInd, colInd, a, row, row + G, -1.0);
    }
    return k;
}

int main(void) {
    static double complex a[MAX_NNZ], x[N], b[N], exact[N];
    static int rowInd[MAX_NNZ], colInd[MAX_NNZ];
    kyraSparseHandle h;
    kyraSparsePlan plan;
    kyraSparseCooOptions coo;
    kyraSparseConfig config;
    kyraSparseResult result;
    char text[1024];
    double error = 0.0;

    int nnz = buildMatrix(a, rowInd, colInd);
    for (int i = 0; i < N; ++i) exact[i] = cos(0.02 * i) + (0.5 - (double)i / N) * I;
    for (int k = 0; k < nnz; ++k) b[rowInd[k] - 1] += a[k] * exact[colInd[k] - 1];

    if (kyraSparseCreate(&h) != kyraSparseNoError) return 1;
    check(h, kyraSparseCreatePlan(h, &plan), "kyraSparseCreatePlan");
    check(h, kyraSparseSetBicgstabSolver(h, plan, NULL), "kyraSparseSetBicgstabSolver");
    check(h, kyraSparseSetIlu0Preconditioner(h, plan, NULL), "kyraSparseSetIlu0Preconditioner");
    check(h, kyraSparseCooOptionsInit(h, &coo), "kyraSparseCooOptionsInit");
    coo.indexing = 1; /* the triplets count rows and columns from 1 */
    check(h,
          kyraSparseSetZcooData(h, plan, &coo, N, nnz, (const kyraSparseComplexDouble*)a, rowInd, colInd,
                                (kyraSparseComplexDouble*)x, (const kyraSparseComplexDouble*)b),
          "kyraSparseSetZcooData");
    check(h, kyraSparseConfigInit(h, &config), "kyraSparseConfigInit");
    config.relativeTolerance = 1e-10;

    kyraSparseStatus status = kyraSparseExecutePlan(h, plan, &config, &result);
    if (status != kyraSparseNoError && status != kyraSparseNonConvergence)
        check(h, status, "kyraSparseExecutePlan");
    kyraSparseGetResultString(h, &result, text, sizeof text);
    printf("%s", text);

    for (int i = 0; i < N; ++i) error = fmax(error, cabs(x[i] - exact[i]));
    printf("largest error in x: %.1e (%s)\n", error, error < 1e-6 ? "ok" : "too large");

    kyraSparseDestroyPlan(plan);
    kyraSparseDestroy(h);
    return status == kyraSparseNoError && error < 1e-6 ? 0 : 1;
}
