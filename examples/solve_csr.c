/* The basic order of calls: create a handle and a plan, choose a solver and
 * a preconditioner, attach a system in CSR form, execute, read the result,
 * destroy the plan and the handle.
 *
 * The system is a 1-D diffusion-absorption problem: the matrix is symmetric
 * positive definite (so conjugate gradient applies) and its diagonal varies
 * strongly from row to row (so Jacobi scaling helps). */
#include <kyraSparse.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

enum { N = 200, NNZ = 3 * N - 2 };

/* Prints the handle's last status text and leaves when a call failed. */
static void check(kyraSparseHandle h, kyraSparseStatus status, const char* call) {
    char text[256];
    if (status == kyraSparseNoError) return;
    kyraSparseGetLastStatusString(h, text, sizeof text);
    fprintf(stderr, "%s returned %d: %s\n", call, (int)status, text);
    exit(1);
}

/* Coefficient between nodes i - 1 and i (i = 0 and i = N are the ends). */
static double coefficient(int i) { return 1.0 + i; }

/* Absorption at node i: strong and uneven, as in a layered material. */
static double absorption(int i) { return 50.0 * (1 + i % 7); }

/* Zero-based CSR: rowPtr[i] .. rowPtr[i + 1] - 1 index the entries of row i. */
static void buildMatrix(double* a, int* rowPtr, int* colInd) {
    int k = 0;
    for (int i = 0; i < N; ++i) {
        rowPtr[i] = k;
        if (i > 0) a[k] = -coefficient(i), colInd[k++] = i - 1;
        a[k] = coefficient(i) + coefficient(i + 1) + absorption(i), colInd[k++] = i;
        if (i < N - 1) a[k] = -coefficient(i + 1), colInd[k++] = i + 1;
    }
    rowPtr[N] = k;
}

int main(void) {
    static double a[NNZ], x[N], b[N], exact[N];
    static int rowPtr[N + 1], colInd[NNZ];
    kyraSparseHandle h;
    kyraSparsePlan plan;
    kyraSparseConfig config;
    kyraSparseResult result;
    char text[1024];
    double error = 0.0;

    buildMatrix(a, rowPtr, colInd);
    /* A known solution gives the right-hand side b = A * exact. */
    for (int i = 0; i < N; ++i) exact[i] = sin(3.0 * i / N) + 1.0;
    for (int i = 0; i < N; ++i) {
        b[i] = 0.0;
        for (int k = rowPtr[i]; k < rowPtr[i + 1]; ++k) b[i] += a[k] * exact[colInd[k]];
    }

    if (kyraSparseCreate(&h) != kyraSparseNoError) return 1;
    check(h, kyraSparseCreatePlan(h, &plan), "kyraSparseCreatePlan");
    check(h, kyraSparseSetCgSolver(h, plan, NULL), "kyraSparseSetCgSolver");
    check(h, kyraSparseSetJacobiPreconditioner(h, plan, NULL), "kyraSparseSetJacobiPreconditioner");
    /* The plan keeps pointers to these arrays: they must outlive the solve. */
    check(h, kyraSparseSetDcsrData(h, plan, NULL, N, NNZ, a, rowPtr, colInd, x, b), "kyraSparseSetDcsrData");

    check(h, kyraSparseConfigInit(h, &config), "kyraSparseConfigInit");
    config.relativeTolerance = 1e-10;
    /* Status 0: converged; 1: the solve ended for another reason (see the
     * flag); anything else: the solve could not run (see the status text). */
    kyraSparseStatus status = kyraSparseExecutePlan(h, plan, &config, &result);
    if (status != kyraSparseNoError && status != kyraSparseNonConvergence)
        check(h, status, "kyraSparseExecutePlan");

    kyraSparseGetLastStatusString(h, text, sizeof text);
    printf("%s\n", text);
    kyraSparseGetResultString(h, &result, text, sizeof text);
    printf("%s", text);

    for (int i = 0; i < N; ++i) error = fmax(error, fabs(x[i] - exact[i]));
    printf("largest error in x: %.1e (%s)\n", error, error < 1e-6 ? "ok" : "too large");

    kyraSparseDestroyPlan(plan);
    kyraSparseDestroy(h);
    return status == kyraSparseNoError && error < 1e-6 ? 0 : 1;
}
