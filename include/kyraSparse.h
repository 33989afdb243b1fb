/*
 * kyraSparse: preconditioned Krylov solvers for one sparse linear system A x = b.
 *
 * Usage in brief: create a library handle, create a plan on it, choose the
 * plan's platform, preconditioner and solver, attach the system in one of
 * four data formats, and execute the plan with a configuration. Every
 * function returns a kyraSparseStatus and never throws; the handle keeps a
 * last status text describing the outcome of its most recent call.
 *
 * Threads: each handle runs all of its work on a worker thread of its own.
 * Calls on one handle from several threads are serialised. Callbacks given
 * to the library (matrix-free products, user-defined preconditioners) are
 * invoked on that worker thread, not on the thread that called the library.
 *
 * Ownership: arrays passed to the library stay owned by the caller; the
 * data setters keep only the pointers, so the arrays must stay valid until
 * the plan has executed. Option records are copied when handed over; a null
 * record pointer means the defaults. Texts are returned into caller buffers
 * of bufsize bytes, cut to bufsize - 1 characters and always zero-terminated.
 */
#ifndef KYRASPARSE_H
#define KYRASPARSE_H

#if defined(KYRA_BUILDING_LIBRARY)
#define KYRASPARSE_API __attribute__((visibility("default")))
#else
#define KYRASPARSE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------- status */

/* Result of every public function; kyraSparseGetLastStatusString gives the
 * details of the most recent call on a handle. */
typedef enum kyraSparseStatus {
    kyraSparseNoError = 0,               /* success */
    kyraSparseNonConvergence = 1,        /* the solve ended without converging */
    kyraSparsePreconditionerError = 2,   /* a preconditioner could not be built or applied */
    kyraSparseArgumentError = 3,         /* an argument is invalid */
    kyraSparseDataFormatError = 4,       /* the system data are inconsistent or cannot be converted */
    kyraSparseInsufficientMemory = 5,    /* memory exhausted */
    kyraSparseFeatureNotImplemented = 6, /* the requested combination is not supported */
    kyraSparseRuntimeError = 7,          /* a CUDA, cuBLAS or cuSPARSE call failed */
    kyraSparseAlignmentError = 8,        /* a device array is not 16-byte aligned */
    kyraSparseInternalError = 9,         /* any other internal failure */
    kyraSparseHandleError = 10,          /* null library handle */
    kyraSparsePlanError = 11,            /* null plan */
    kyraSparseUnspecifiedError = 12      /* a failure of unknown kind */
} kyraSparseStatus;

/* Outcome of one solve, stored in kyraSparseResult.flag. */
typedef enum kyraSparseFlag {
    kyraSparseRelativeToleranceReached = 0,
    kyraSparseAbsoluteToleranceReached = 1,
    kyraSparseDivergenceToleranceReached = 2,
    kyraSparseMaxIterationsReached = 3,
    kyraSparseMaxRuntimeReached = 4,
    kyraSparseStagnation = 5,
    kyraSparseBreakdown = 6,
    kyraSparseUserInterrupt = 7,
    kyraSparseNoSolverSelected = 8,
    kyraSparseUnknownIterationError = 9
} kyraSparseFlag;

/* Fill-reducing reordering applied by the host and CUDA platforms. */
typedef enum kyraSparseReordering {
    kyraSparseNoReordering = 0,
    kyraSparseAmdReordering = 1,   /* column approximate minimum degree */
    kyraSparseSymamdReordering = 2 /* symmetric approximate minimum degree */
} kyraSparseReordering;

/* Complex scalars: real part first, then imaginary part. */
typedef struct kyraSparseComplexFloat {
    float re;
    float im;
} kyraSparseComplexFloat;

typedef struct kyraSparseComplexDouble {
    double re;
    double im;
} kyraSparseComplexDouble;

/* Opaque handles. */
typedef int* kyraSparseHandle;
typedef int* kyraSparsePlan;

/* -------------------------------------------------------- option records */

/* Solve configuration handed to kyraSparseExecutePlan. */
typedef struct kyraSparseConfig {
    double relativeTolerance;   /* default 1e-6: stop when |r| / |r0| falls to it */
    double absoluteTolerance;   /* default 1e-50: stop when |r| falls to it */
    double divergenceTolerance; /* default 1e5: stop when |r| / |r0| grows beyond it */
    int maxIterations;          /* default 10000 */
    double maxRuntime;          /* default 0 (no limit), seconds */
    double* residualVector;     /* default null: caller array receiving |r| / |r0| of every iteration */
    int useInitialGuess;        /* default 0: start from zero; nonzero: x holds the initial guess */
    int useBestIterate;         /* default 0: return the last iterate; nonzero: the best one seen */
    int useStagnationCheck;     /* default 1 */
} kyraSparseConfig;

typedef struct kyraSparseHostOptions {
    kyraSparseReordering reordering; /* default kyraSparseNoReordering */
    int debug;                       /* 0 or 1, default 0 */
} kyraSparseHostOptions;

typedef struct kyraSparseCudaOptions {
    kyraSparseReordering reordering; /* default kyraSparseNoReordering */
    int deviceId;                    /* default 0 */
    int useHybridFormat;             /* 0 or 1, default 0 */
    int debug;                       /* 0 or 1, default 0 */
} kyraSparseCudaOptions;

typedef struct kyraSparseCudaDeviceOptions {
    int deviceId;        /* default 0 */
    int useHybridFormat; /* 0 or 1, default 0 */
    int debug;           /* 0 or 1, default 0 */
} kyraSparseCudaDeviceOptions;

typedef struct kyraSparseCsrOptions {
    int indexing; /* 0 zero-based (default), 1 one-based */
} kyraSparseCsrOptions;

typedef struct kyraSparseCscOptions {
    int indexing; /* 0 zero-based (default), 1 one-based */
} kyraSparseCscOptions;

typedef struct kyraSparseCooOptions {
    int indexing; /* 0 zero-based (default), 1 one-based */
} kyraSparseCooOptions;

typedef struct kyraSparseMatrixFreeOptions {
    int reserved;
} kyraSparseMatrixFreeOptions;

typedef struct kyraSparseCgOptions {
    int reserved;
} kyraSparseCgOptions;

typedef struct kyraSparseBicgOptions {
    int explicitTranspose; /* default 0 */
} kyraSparseBicgOptions;

typedef struct kyraSparseBicgstabOptions {
    int reserved;
} kyraSparseBicgstabOptions;

typedef struct kyraSparseBicgstablOptions {
    int l; /* default 2 */
} kyraSparseBicgstablOptions;

typedef struct kyraSparseGmresOptions {
    int restart; /* default 20 */
} kyraSparseGmresOptions;

typedef struct kyraSparseMinresOptions {
    int reserved;
} kyraSparseMinresOptions;

/* Used by the "no solver" and "no preconditioner" choices. */
typedef struct kyraSparseEmptyOptions {
    int reserved;
} kyraSparseEmptyOptions;

typedef struct kyraSparseJacobiOptions {
    int reserved;
} kyraSparseJacobiOptions;

typedef struct kyraSparseBlockjacobiOptions {
    int blockSize; /* default 5 */
} kyraSparseBlockjacobiOptions;

typedef struct kyraSparseIlu0Options {
    int reserved;
} kyraSparseIlu0Options;

typedef struct kyraSparseAinvOptions {
    int pattern;          /* power of A giving the sparsity pattern, default 0 */
    double dropTolerance; /* default 0.0 */
} kyraSparseAinvOptions;

typedef struct kyraSparseFainvOptions {
    int pattern;          /* default 0 */
    double dropTolerance; /* default 0.0 */
} kyraSparseFainvOptions;

/* Preconditioner application callbacks: out <- op(M^-1) in, with op 'N',
 * 'T' or 'C'. Called on the handle's worker thread; on the CUDA platforms the
 * arrays are device arrays. The arrays are in the caller's numbering of the
 * unknowns, also when the platform reorders. The return value is ignored. */
typedef int (*kyraSparseSApply)(char op, const float* in, float* out, void* userData);
typedef int (*kyraSparseDApply)(char op, const double* in, double* out, void* userData);
typedef int (*kyraSparseCApply)(char op, const kyraSparseComplexFloat* in, kyraSparseComplexFloat* out,
                                void* userData);
typedef int (*kyraSparseZApply)(char op, const kyraSparseComplexDouble* in, kyraSparseComplexDouble* out,
                                void* userData);

typedef struct kyraSparseUserDefinedOptions {
    kyraSparseSApply sApply; /* single real, default null */
    kyraSparseDApply dApply; /* double real, default null */
    kyraSparseCApply cApply; /* single complex, default null */
    kyraSparseZApply zApply; /* double complex, default null */
} kyraSparseUserDefinedOptions;

/* Matrix-free product callbacks: y <- op(A) x with op 'N', 'T' or 'C', both
 * arrays of n elements. Called on the handle's worker thread. */
typedef void (*kyraSparseSMatrixFree)(char op, const float* x, float* y, void* user);
typedef void (*kyraSparseDMatrixFree)(char op, const double* x, double* y, void* user);
typedef void (*kyraSparseCMatrixFree)(char op, const kyraSparseComplexFloat* x, kyraSparseComplexFloat* y,
                                      void* user);
typedef void (*kyraSparseZMatrixFree)(char op, const kyraSparseComplexDouble* x, kyraSparseComplexDouble* y,
                                      void* user);

/* ---------------------------------------------------------------- result */

typedef struct kyraSparseResult {
    kyraSparseConfig config;     /* the configuration in force for the run */
    kyraSparseFlag flag;         /* outcome of the iteration */
    int iterations;              /* iteration count of the returned iterate */
    double initialResidual;      /* norm of the initial residual */
    double relativeResidual;     /* absoluteResidual / initialResidual */
    double absoluteResidual;     /* norm of the last measured residual */
    double* residualVector;      /* copy of config.residualVector */
    double solverTime;           /* seconds in the solver */
    double preconditionerTime;   /* seconds setting the preconditioner up (0 when reused) */
    double overheadTime;         /* seconds preparing data and cleaning up */
    double totalTime;            /* sum of the three times above */
    unsigned int extendedInfoId; /* key of the run's description on the handle; 0 if the run failed */
} kyraSparseResult;

/* ------------------------------------------------------- handle and CUDA */

/* Creates a handle and its worker thread. Returns 10 for a null pointer. */
KYRASPARSE_API kyraSparseStatus kyraSparseCreate(kyraSparseHandle* handle);
/* Stops the worker thread and frees the handle. Destroy its plans first. */
KYRASPARSE_API kyraSparseStatus kyraSparseDestroy(kyraSparseHandle handle);
/* Creates the handle's cuBLAS and cuSPARSE contexts now rather than at first
 * use. Returns 6 in a build without CUDA. */
KYRASPARSE_API kyraSparseStatus kyraSparsePreinitializeCuda(kyraSparseHandle handle);

/* ----------------------------------------------------------------- plans */

/* A new plan has no data, no solver, the host platform and no preconditioner. */
KYRASPARSE_API kyraSparseStatus kyraSparseCreatePlan(kyraSparseHandle handle, kyraSparsePlan* plan);
/* Frees a plan; has no handle, so a null plan gives 12. */
KYRASPARSE_API kyraSparseStatus kyraSparseDestroyPlan(kyraSparsePlan plan);

/* Platform setters; a new platform makes the preconditioner set up again.
 * Unlike the host platform without reordering, the CUDA platform reads the
 * matrix, x and b only when it first executes with new data, so a second
 * execution starts from the solution left on the device and does not see
 * changes made to those arrays in between.
 * Without CUDA support both CUDA setters return 6 for a valid record. */
KYRASPARSE_API kyraSparseStatus kyraSparseSetHostPlatform(kyraSparseHandle handle, kyraSparsePlan plan,
                                                          const kyraSparseHostOptions* platformOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetCudaPlatform(kyraSparseHandle handle, kyraSparsePlan plan,
                                                          const kyraSparseCudaOptions* platformOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetCudaDevicePlatform(
    kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseCudaDeviceOptions* platformOpts);

/* Preconditioner setters. */
KYRASPARSE_API kyraSparseStatus kyraSparseSetNoPreconditioner(kyraSparseHandle handle, kyraSparsePlan plan,
                                                              const kyraSparseEmptyOptions* precondOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetJacobiPreconditioner(kyraSparseHandle handle,
                                                                  kyraSparsePlan plan,
                                                                  const kyraSparseJacobiOptions* precondOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetBlockJacobiPreconditioner(
    kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseBlockjacobiOptions* precondOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetIlu0Preconditioner(kyraSparseHandle handle, kyraSparsePlan plan,
                                                                const kyraSparseIlu0Options* precondOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetAinvPreconditioner(kyraSparseHandle handle, kyraSparsePlan plan,
                                                                const kyraSparseAinvOptions* precondOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetFainvPreconditioner(kyraSparseHandle handle, kyraSparsePlan plan,
                                                                 const kyraSparseFainvOptions* precondOpts);
/* precondOpts must not be null; userData is handed back to every callback. */
KYRASPARSE_API kyraSparseStatus
kyraSparseSetUserDefinedPreconditioner(kyraSparseHandle handle, kyraSparsePlan plan,
                                       const kyraSparseUserDefinedOptions* precondOpts, void* userData);

/* Solver setters; a new solver leaves data, platform and preconditioner as they are.
 * GMRES reports the preconditioned residual ||M^-1 (b - A x)|| / ||b - A x0||, so
 * with a strongly scaling preconditioner its relative residual is not that of
 * b - A x. CG and MINRES assume a Hermitian matrix: on a complex symmetric,
 * non-Hermitian one they stall without a warning; use BiCG, BiCGSTAB or GMRES. */
KYRASPARSE_API kyraSparseStatus kyraSparseSetNoSolver(kyraSparseHandle handle, kyraSparsePlan plan,
                                                      const kyraSparseEmptyOptions* solverOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetCgSolver(kyraSparseHandle handle, kyraSparsePlan plan,
                                                      const kyraSparseCgOptions* solverOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetBicgSolver(kyraSparseHandle handle, kyraSparsePlan plan,
                                                        const kyraSparseBicgOptions* solverOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetBicgstabSolver(kyraSparseHandle handle, kyraSparsePlan plan,
                                                            const kyraSparseBicgstabOptions* solverOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetBicgstablSolver(kyraSparseHandle handle, kyraSparsePlan plan,
                                                             const kyraSparseBicgstablOptions* solverOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetGmresSolver(kyraSparseHandle handle, kyraSparsePlan plan,
                                                         const kyraSparseGmresOptions* solverOpts);
KYRASPARSE_API kyraSparseStatus kyraSparseSetMinresSolver(kyraSparseHandle handle, kyraSparsePlan plan,
                                                          const kyraSparseMinresOptions* solverOpts);

/* Data setters. The matrix is n x n; x carries the initial guess in (when the
 * configuration asks for it) and receives the solution; b is the right-hand
 * side. All arrays stay owned by the caller and must stay valid until the
 * plan has executed. New data make the preconditioner set up again.
 * Returns 3 for a bad argument (see the last status text). */
#define KYRASPARSE_DECLARE_DATA_SETTERS(L, T)                                                               \
    KYRASPARSE_API kyraSparseStatus kyraSparseSet##L##csrData(                                              \
        kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseCsrOptions* formatOpts, int n,        \
        int nnz, const T* a, const int* rowPtr, const int* colInd, T* x, const T* b);                       \
    KYRASPARSE_API kyraSparseStatus kyraSparseSet##L##cscData(                                              \
        kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseCscOptions* formatOpts, int n,        \
        int nnz, const T* a, const int* rowInd, const int* colPtr, T* x, const T* b);                       \
    KYRASPARSE_API kyraSparseStatus kyraSparseSet##L##cooData(                                              \
        kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseCooOptions* formatOpts, int n,        \
        int nnz, const T* a, const int* rowInd, const int* colInd, T* x, const T* b);                       \
    KYRASPARSE_API kyraSparseStatus kyraSparseSet##L##matrixfreeData(                                       \
        kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseMatrixFreeOptions* formatOpts, int n, \
        kyraSparse##L##MatrixFree ax, void* user, T* x, const T* b);

KYRASPARSE_DECLARE_DATA_SETTERS(S, float)
KYRASPARSE_DECLARE_DATA_SETTERS(D, double)
KYRASPARSE_DECLARE_DATA_SETTERS(C, kyraSparseComplexFloat)
KYRASPARSE_DECLARE_DATA_SETTERS(Z, kyraSparseComplexDouble)
#undef KYRASPARSE_DECLARE_DATA_SETTERS

/* Plan descriptions: four "Label : name" lines, or one object's name. */
KYRASPARSE_API kyraSparseStatus kyraSparseGetPlanString(kyraSparseHandle handle, kyraSparsePlan plan,
                                                        char* buf, int bufsize);
KYRASPARSE_API kyraSparseStatus kyraSparseGetDataFormatString(kyraSparseHandle handle, kyraSparsePlan plan,
                                                              char* buf, int bufsize);
KYRASPARSE_API kyraSparseStatus kyraSparseGetPlatformString(kyraSparseHandle handle, kyraSparsePlan plan,
                                                            char* buf, int bufsize);
KYRASPARSE_API kyraSparseStatus kyraSparseGetPlanPreconditionerString(kyraSparseHandle handle,
                                                                      kyraSparsePlan plan, char* buf,
                                                                      int bufsize);
KYRASPARSE_API kyraSparseStatus kyraSparseGetPlanSolverString(kyraSparseHandle handle, kyraSparsePlan plan,
                                                              char* buf, int bufsize);

/* --------------------------------------------------------- initialisers */

/* Each writes the defaults into the record; a null record gives 3. */
KYRASPARSE_API kyraSparseStatus kyraSparseConfigInit(kyraSparseHandle handle, kyraSparseConfig* config);
KYRASPARSE_API kyraSparseStatus kyraSparseHostOptionsInit(kyraSparseHandle handle,
                                                          kyraSparseHostOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseCudaOptionsInit(kyraSparseHandle handle,
                                                          kyraSparseCudaOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseCudaDeviceOptionsInit(kyraSparseHandle handle,
                                                                kyraSparseCudaDeviceOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseCooOptionsInit(kyraSparseHandle handle, kyraSparseCooOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseCsrOptionsInit(kyraSparseHandle handle, kyraSparseCsrOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseCscOptionsInit(kyraSparseHandle handle, kyraSparseCscOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseMatrixFreeOptionsInit(kyraSparseHandle handle,
                                                                kyraSparseMatrixFreeOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseBicgOptionsInit(kyraSparseHandle handle,
                                                          kyraSparseBicgOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseBicgstabOptionsInit(kyraSparseHandle handle,
                                                              kyraSparseBicgstabOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseBicgstablOptionsInit(kyraSparseHandle handle,
                                                               kyraSparseBicgstablOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseCgOptionsInit(kyraSparseHandle handle, kyraSparseCgOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseGmresOptionsInit(kyraSparseHandle handle,
                                                           kyraSparseGmresOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseMinresOptionsInit(kyraSparseHandle handle,
                                                            kyraSparseMinresOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseEmptyOptionsInit(kyraSparseHandle handle,
                                                           kyraSparseEmptyOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseJacobiOptionsInit(kyraSparseHandle handle,
                                                            kyraSparseJacobiOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseBlockjacobiOptionsInit(kyraSparseHandle handle,
                                                                 kyraSparseBlockjacobiOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseIlu0OptionsInit(kyraSparseHandle handle,
                                                          kyraSparseIlu0Options* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseAinvOptionsInit(kyraSparseHandle handle,
                                                          kyraSparseAinvOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseFainvOptionsInit(kyraSparseHandle handle,
                                                           kyraSparseFainvOptions* opts);
KYRASPARSE_API kyraSparseStatus kyraSparseUserDefinedOptionsInit(kyraSparseHandle handle,
                                                                 kyraSparseUserDefinedOptions* opts);

/* ------------------------------------------------------------- execution */

/* Solves the plan's system. config may be null (defaults); result must not.
 * Returns 0 when the solver converged (flag 0 or 1) or no solver was chosen
 * (flag 8), 1 for any other outcome; the last status text is then a one
 * sentence summary. Without data it returns 0 and does nothing. */
KYRASPARSE_API kyraSparseStatus kyraSparseExecutePlan(kyraSparseHandle handle, kyraSparsePlan plan,
                                                      const kyraSparseConfig* config,
                                                      kyraSparseResult* result);

/* ----------------------------------------------------------------- texts */

KYRASPARSE_API kyraSparseStatus kyraSparseGetLastStatusString(kyraSparseHandle handle, char* buf,
                                                              int bufsize);
KYRASPARSE_API kyraSparseStatus kyraSparseGetConfigString(kyraSparseHandle handle,
                                                          const kyraSparseConfig* config, char* buf,
                                                          int bufsize);
KYRASPARSE_API kyraSparseStatus kyraSparseGetResultString(kyraSparseHandle handle,
                                                          const kyraSparseResult* result, char* buf,
                                                          int bufsize);
KYRASPARSE_API kyraSparseStatus kyraSparseGetVersion(kyraSparseHandle handle, int* version);
KYRASPARSE_API kyraSparseStatus kyraSparseGetCudaMinimumVersion(kyraSparseHandle handle, int* version);
/* Returns 6 in a build without CUDA. */
KYRASPARSE_API kyraSparseStatus kyraSparseGetCudaRuntimeVersion(kyraSparseHandle handle, int* version);

/* ----------------------------------------------------------- conversions */

/* COO or CSC to CSR for an n x n matrix, in host memory (kyraSparseHost...) or
 * device memory (kyraSparseCudaDevice...). Columns are sorted within each
 * row; duplicates are kept. inBase and outBase are 0 or 1. Returns 0, 3 for
 * a bad argument (nothing written), 5 when working memory runs out, 7 for
 * any other failure. These functions take no handle. */
#define KYRASPARSE_DECLARE_CONVERSIONS(P, L, T)                                                           \
    KYRASPARSE_API kyraSparseStatus kyraSparse##P##L##coo2csr(                                            \
        int n, int nnz, const int* colInd, const int* rowInd, const T* a, int* csrColInd, int* csrRowPtr, \
        T* csrVal, int inBase, int outBase);                                                              \
    KYRASPARSE_API kyraSparseStatus kyraSparse##P##L##csc2csr(                                            \
        int n, int nnz, const int* colPtr, const int* rowInd, const T* a, int* csrColInd, int* csrRowPtr, \
        T* csrVal, int inBase, int outBase);

KYRASPARSE_DECLARE_CONVERSIONS(Host, S, float)
KYRASPARSE_DECLARE_CONVERSIONS(Host, D, double)
KYRASPARSE_DECLARE_CONVERSIONS(Host, C, kyraSparseComplexFloat)
KYRASPARSE_DECLARE_CONVERSIONS(Host, Z, kyraSparseComplexDouble)
KYRASPARSE_DECLARE_CONVERSIONS(CudaDevice, S, float)
KYRASPARSE_DECLARE_CONVERSIONS(CudaDevice, D, double)
KYRASPARSE_DECLARE_CONVERSIONS(CudaDevice, C, kyraSparseComplexFloat)
KYRASPARSE_DECLARE_CONVERSIONS(CudaDevice, Z, kyraSparseComplexDouble)
#undef KYRASPARSE_DECLARE_CONVERSIONS

#ifdef __cplusplus
}
#endif

#endif /* KYRASPARSE_H */
