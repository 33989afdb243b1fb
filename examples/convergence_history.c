/* Watching a solve: the residual history, the best iterate, and the history
 * written to a file for plotting.
 *
 * config.residualVector receives |r| / |r0| of every iteration, entry 0 being
 * the start; the caller supplies at least maxIterations + 1 doubles and the
 * library writes entries 0 to the last iteration, nothing beyond. With
 * config.useBestIterate, x comes back as the iterate with the smallest
 * residual seen, and the result's iterations and residuals describe that
 * iterate, so the last entry written is found from a marker, not from
 * result.iterations.
 *
 * BiCG on a convection-dominated problem has an irregular residual, and the
 * iteration limit stops it before it converges: the best iterate then lies
 * before the last one. usage: convergence_history [HISTORY_FILE] */
#include <kyraSparse.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

enum { G = 40, N = G * G, MAX_NNZ = 5 * N, MAX_ITERATIONS = 60 };

static void check(kyraSparseHandle h, kyraSparseStatus status, const char* call) {
    char text[256];
    if (status == kyraSparseNoError) return;
    kyraSparseGetLastStatusString(h, text, sizeof text);
    fprintf(stderr, "%s returned %d: %s\n", call, (int)status, text);
    exit(1);
}

/* Convection-diffusion on a G x G grid, upwind differences, zero-based CSR. */
static int buildMatrix(double* a, int* rowPtr, int* colInd) {
    const double wind = 0.5;
    int k = 0;
    for (int row = 0; row < N; ++row) {
        int i = row / G, j = row % G;
        rowPtr[row] = k;
        if (i > 0) a[k] = -1.0, colInd[k++] = row - G;
        if (j > 0) a[k] = -1.0 - wind, colInd[k++] = row - 1;
        a[k] = 4.0 + wind, colInd[k++] = row;
        if (j < G - 1) a[k] = -1.0, colInd[k++] = row + 1;
        if (i < G - 1) a[k] = -1.0, colInd[k++] = row + G;
    }
    rowPtr[N] = k;
    return k;
}

int main(int argc, char** argv) {
    const char* fileName = argc > 1 ? argv[1] : "history.txt";
    static double a[MAX_NNZ], x[N], b[N], history[MAX_ITERATIONS + 1];
    static int rowPtr[N + 1], colInd[MAX_NNZ];
    kyraSparseHandle h;
    kyraSparsePlan plan;
    kyraSparseConfig config;
    kyraSparseResult result;
    char text[1024];
    int entries = 0;
    double smallest = INFINITY;
    int nnz = buildMatrix(a, rowPtr, colInd);
    FILE* file;

    for (int i = 0; i < N; ++i) b[i] = 1.0;
    /* Entries the library does not reach keep this marker. */
    for (int i = 0; i <= MAX_ITERATIONS; ++i) history[i] = -1.0;

    if (kyraSparseCreate(&h) != kyraSparseNoError) return 1;
    check(h, kyraSparseCreatePlan(h, &plan), "kyraSparseCreatePlan");
    check(h, kyraSparseSetBicgSolver(h, plan, NULL), "kyraSparseSetBicgSolver");
    check(h, kyraSparseSetDcsrData(h, plan, NULL, N, nnz, a, rowPtr, colInd, x, b), "kyraSparseSetDcsrData");
    check(h, kyraSparseConfigInit(h, &config), "kyraSparseConfigInit");
    config.relativeTolerance = 1e-12;
    config.maxIterations = MAX_ITERATIONS;
    config.residualVector = history;
    config.useBestIterate = 1;

    /* Status 1 is expected here: the iteration limit ends the solve. */
    kyraSparseStatus status = kyraSparseExecutePlan(h, plan, &config, &result);
    if (status != kyraSparseNoError && status != kyraSparseNonConvergence)
        check(h, status, "kyraSparseExecutePlan");
    kyraSparseGetLastStatusString(h, text, sizeof text);
    printf("%s\n", text);

    file = fopen(fileName, "w");
    if (!file) {
        perror(fileName);
        return 1;
    }
    fprintf(file, "# iteration relative_residual\n");
    for (; entries <= MAX_ITERATIONS && history[entries] >= 0.0; ++entries) {
        fprintf(file, "%d %.6e\n", entries, history[entries]);
        smallest = fmin(smallest, history[entries]);
    }
    fclose(file);
    printf("history: %d entries written to %s\n", entries, fileName);
    printf("last iteration: %d, relative residual %.3e\n", entries - 1, history[entries - 1]);
    printf("best iterate: iteration %d, relative residual %.3e\n", result.iterations,
           result.relativeResidual);
    printf("the best iterate has the smallest recorded residual: %s\n",
           result.relativeResidual == smallest ? "yes" : "no");

    kyraSparseDestroyPlan(plan);
    kyraSparseDestroy(h);
    return result.relativeResidual == smallest ? 0 : 1;
}
