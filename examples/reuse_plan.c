/* One set-up, several right-hand sides. A plan keeps its prepared matrix and
 * its set-up preconditioner between executions until its data or platform
 * change, so to solve again with another right-hand side, overwrite the
 * contents of the arrays already attached and execute again: the second and
 * later solves report no preconditioner set-up time.
 *
 * The system is the 5-point Laplacian on a G x G grid (symmetric positive
 * definite), solved by conjugate gradient with an ILU0 preconditioner. */
#include <kyraSparse.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

enum { G = 100, N = G * G, MAX_NNZ = 5 * N, SOLVES = 3 };

static void check(kyraSparseHandle h, kyraSparseStatus status, const char* call) {
    char text[256];
    if (status == kyraSparseNoError) return;
    kyraSparseGetLastStatusString(h, text, sizeof text);
    fprintf(stderr, "%s returned %d: %s\n", call, (int)status, text);
    exit(1);
}

/* Zero-based CSR of the Laplacian, columns increasing within each row (ILU0
 * needs sorted rows with a stored diagonal); returns the entry count. */
static int buildLaplacian(double* a, int* rowPtr, int* colInd) {
    int k = 0;
    for (int row = 0; row < N; ++row) {
        int i = row / G, j = row % G;
        rowPtr[row] = k;
        if (i > 0) a[k] = -1.0, colInd[k++] = row - G;
        if (j > 0) a[k] = -1.0, colInd[k++] = row - 1;
        a[k] = 4.0, colInd[k++] = row;
        if (j < G - 1) a[k] = -1.0, colInd[k++] = row + 1;
        if (i < G - 1) a[k] = -1.0, colInd[k++] = row + G;
    }
    rowPtr[N] = k;
    return k;
}

static void multiply(const double* a, const int* rowPtr, const int* colInd, const double* x, double* y) {
    for (int i = 0; i < N; ++i) {
        y[i] = 0.0;
        for (int k = rowPtr[i]; k < rowPtr[i + 1]; ++k) y[i] += a[k] * x[colInd[k]];
    }
}

int main(void) {
    static double a[MAX_NNZ], x[N], b[N], exact[N];
    static int rowPtr[N + 1], colInd[MAX_NNZ];
    kyraSparseHandle h;
    kyraSparsePlan plan;
    kyraSparseConfig config;
    kyraSparseResult result;
    int failures = 0;
    int nnz = buildLaplacian(a, rowPtr, colInd);

    if (kyraSparseCreate(&h) != kyraSparseNoError) return 1;
    check(h, kyraSparseCreatePlan(h, &plan), "kyraSparseCreatePlan");
    check(h, kyraSparseSetCgSolver(h, plan, NULL), "kyraSparseSetCgSolver");
    check(h, kyraSparseSetIlu0Preconditioner(h, plan, NULL), "kyraSparseSetIlu0Preconditioner");
    /* Attached once: later solves only change what b holds. */
    check(h, kyraSparseSetDcsrData(h, plan, NULL, N, nnz, a, rowPtr, colInd, x, b), "kyraSparseSetDcsrData");
    check(h, kyraSparseConfigInit(h, &config), "kyraSparseConfigInit");
    config.relativeTolerance = 1e-10;

    for (int s = 1; s <= SOLVES; ++s) {
        double error = 0.0;
        for (int i = 0; i < N; ++i) exact[i] = cos(s * (double)i / N) + s;
        multiply(a, rowPtr, colInd, exact, b);

        check(h, kyraSparseExecutePlan(h, plan, &config, &result), "kyraSparseExecutePlan");
        for (int i = 0; i < N; ++i) error = fmax(error, fabs(x[i] - exact[i]));
        printf("right-hand side %d: %d iterations, largest error %.1e (%s)\n", s, result.iterations, error,
               error < 1e-6 ? "ok" : "too large");
        printf("right-hand side %d: preconditioner time %.3f s\n", s, result.preconditionerTime);
        failures += error >= 1e-6;
    }

    kyraSparseDestroyPlan(plan);
    kyraSparseDestroy(h);
    return failures == 0 ? 0 : 1;
}
