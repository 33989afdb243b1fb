/* Uses only the installed header and library: handle life cycle, status
 * texts, initialiser defaults and the default configuration text. */
#include <kyraSparse.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

static void expect(int condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

static void expectLastStatus(kyraSparseHandle h, const char* expected) {
    char buf[256] = "";
    if (kyraSparseGetLastStatusString(h, buf, sizeof buf) != kyraSparseNoError || strcmp(buf, expected) != 0)
        fprintf(stderr, "FAILED: last status \"%s\", expected \"%s\"\n", buf, expected), ++failures;
}

int main(void) {
    kyraSparseHandle h = 0;
    kyraSparseConfig config;
    char text[512];
    const char* defaultConfigText =
        "relative tolerance:   1e-06\n"
        "absolute tolerance:   1e-50\n"
        "divergence tolerance: 100000\n"
        "max iterations:       10000\n"
        "max runtime:          disabled\n"
        "residual vector:      disabled\n";

    expect(kyraSparseCreate(&h) == kyraSparseNoError && h != 0, "create a handle");
    expectLastStatus(h, "successfully created library handle");
    expectLastStatus(h, "the operation completed successfully");

    expect(kyraSparseConfigInit(h, NULL) == kyraSparseArgumentError, "null config gives status 3");
    expectLastStatus(h, "argument error: config != 0");

    memset(&config, 0xA5, sizeof config);
    expect(kyraSparseConfigInit(h, &config) == kyraSparseNoError, "config init");
    expect(config.relativeTolerance == 1e-6 && config.absoluteTolerance == 1e-50 &&
               config.divergenceTolerance == 1e5 && config.maxIterations == 10000 &&
               config.maxRuntime == 0.0 && config.residualVector == NULL && config.useInitialGuess == 0 &&
               config.useBestIterate == 0 && config.useStagnationCheck == 1,
           "configuration defaults");

    expect(kyraSparseGetConfigString(h, &config, text, sizeof text) == kyraSparseNoError, "config text");
    expect(strcmp(text, defaultConfigText) == 0, "default configuration text");

    /* The device conversions link too, and check their arguments first. */
    expect(kyraSparseCudaDeviceZcsc2csr(-1, 0, NULL, NULL, NULL, NULL, NULL, NULL, 0, 0) ==
               kyraSparseArgumentError,
           "device conversion refuses n < 0");

    expect(kyraSparseDestroy(h) == kyraSparseNoError, "destroy the handle");
    expect(kyraSparseDestroy(NULL) == kyraSparseHandleError, "destroy a null handle");
    if (failures == 0) printf("installed interface: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
