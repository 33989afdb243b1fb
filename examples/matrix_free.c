/* A matrix-free solve: the library never sees the matrix, only a callback
 * that computes y = op(A) x, and a user-defined preconditioner given as a
 * callback that computes out = op(M^-1) in. Both receive the user data
 * pointer given with them and run on the handle's worker thread while the
 * calling thread waits in kyraSparseExecutePlan.
 *
 * The operator is the 5-point Laplacian on a G x G grid plus an absorption
 * term that differs from cell to cell (symmetric positive definite, so
 * conjugate gradient applies); the preconditioner divides by the diagonal. */
#define _POSIX_C_SOURCE 200112L
#include <kyraSparse.h>
#include <math.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>

enum { G = 60, N = G * G };

/* What the callbacks need: the problem, a count of their calls and, to show
 * where they run, the thread that called the library. */
typedef struct Problem {
    double absorption[N];
    int products;
    int applications;
    int callsOnCallerThread;
    pthread_t caller;
} Problem;

static void check(kyraSparseHandle h, kyraSparseStatus status, const char* call) {
    char text[256];
    if (status == kyraSparseNoError) return;
    kyraSparseGetLastStatusString(h, text, sizeof text);
    fprintf(stderr, "%s returned %d: %s\n", call, (int)status, text);
    exit(1);
}

static double diagonal(const Problem* p, int row) { return 4.0 + p->absorption[row]; }

/* y = A x. A is symmetric and real, so op 'N', 'T' and 'C' are the same. */
static void applyA(const Problem* p, const double* x, double* y) {
    for (int row = 0; row < N; ++row) {
        int i = row / G, j = row % G;
        double sum = diagonal(p, row) * x[row];
        if (i > 0) sum -= x[row - G];
        if (i < G - 1) sum -= x[row + G];
        if (j > 0) sum -= x[row - 1];
        if (j < G - 1) sum -= x[row + 1];
        y[row] = sum;
    }
}

static void product(char op, const double* x, double* y, void* user) {
    Problem* p = user;
    (void)op;
    ++p->products;
    p->callsOnCallerThread += pthread_equal(pthread_self(), p->caller) != 0;
    applyA(p, x, y);
}

/* out = D^-1 in, the same for every op. The return value is ignored. */
static int divideByDiagonal(char op, const double* in, double* out, void* user) {
    Problem* p = user;
    (void)op;
    ++p->applications;
    p->callsOnCallerThread += pthread_equal(pthread_self(), p->caller) != 0;
    for (int row = 0; row < N; ++row) out[row] = in[row] / diagonal(p, row);
    return 0;
}

int main(void) {
    static Problem problem;
    static double x[N], b[N], exact[N];
    kyraSparseHandle h;
    kyraSparsePlan plan;
    kyraSparseConfig config;
    kyraSparseResult result;
    kyraSparseUserDefinedOptions precond;
    char text[1024];
    double error = 0.0;

    for (int row = 0; row < N; ++row) problem.absorption[row] = 20.0 * (row % 5);
    for (int row = 0; row < N; ++row) exact[row] = 1.0 + 0.5 * sin(0.01 * row);
    applyA(&problem, exact, b);
    problem.caller = pthread_self();

    if (kyraSparseCreate(&h) != kyraSparseNoError) return 1;
    check(h, kyraSparseCreatePlan(h, &plan), "kyraSparseCreatePlan");
    check(h, kyraSparseSetCgSolver(h, plan, NULL), "kyraSparseSetCgSolver");
    /* Only the callback of the scalar type being solved is needed. */
    check(h, kyraSparseUserDefinedOptionsInit(h, &precond), "kyraSparseUserDefinedOptionsInit");
    precond.dApply = divideByDiagonal;
    check(h, kyraSparseSetUserDefinedPreconditioner(h, plan, &precond, &problem),
          "kyraSparseSetUserDefinedPreconditioner");
    check(h, kyraSparseSetDmatrixfreeData(h, plan, NULL, N, product, &problem, x, b),
          "kyraSparseSetDmatrixfreeData");
    check(h, kyraSparseConfigInit(h, &config), "kyraSparseConfigInit");
    config.relativeTolerance = 1e-10;

    kyraSparseStatus status = kyraSparseExecutePlan(h, plan, &config, &result);
    if (status != kyraSparseNoError && status != kyraSparseNonConvergence)
        check(h, status, "kyraSparseExecutePlan");
    kyraSparseGetResultString(h, &result, text, sizeof text);
    printf("%s", text);
    printf("callbacks: %d products, %d preconditioner applications, %d of them on the calling thread\n",
           problem.products, problem.applications, problem.callsOnCallerThread);

    for (int i = 0; i < N; ++i) error = fmax(error, fabs(x[i] - exact[i]));
    printf("largest error in x: %.1e (%s)\n", error, error < 1e-6 ? "ok" : "too large");

    kyraSparseDestroyPlan(plan);
    kyraSparseDestroy(h);
    return status == kyraSparseNoError && error < 1e-6 ? 0 : 1;
}
