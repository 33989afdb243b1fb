#include <cstring>

#include "common/PublicSolve.h"

namespace {

// Fills a record with garbage, runs its initialiser and checks that every
// byte equals the zero record after setNonZeroDefaults.
template <typename Record, typename Fill>
void expectDefaults(kyraSparseHandle handle, kyraSparseStatus (*init)(kyraSparseHandle, Record*),
                    Fill setNonZeroDefaults) {
    Record record;
    std::memset(&record, 0x5A, sizeof record);
    ASSERT_EQ(init(handle, &record), kyraSparseNoError);
    Record expected;
    std::memset(&expected, 0, sizeof expected);
    setNonZeroDefaults(expected);
    EXPECT_EQ(std::memcmp(&record, &expected, sizeof record), 0);

    EXPECT_EQ(init(handle, nullptr), kyraSparseArgumentError);
    EXPECT_EQ(init(nullptr, &record), kyraSparseHandleError);
}

// Initialisers whose records are all zero.
template <typename... Records>
void expectAllZero(kyraSparseHandle handle, kyraSparseStatus (*... init)(kyraSparseHandle, Records*)) {
    (expectDefaults<Records>(handle, init, [](Records&) {}), ...);
}

}  // namespace

TEST_F(HandleTest, EveryInitialiserWritesItsDefaults) {
    // The configuration's defaults and texts are checked through the installed interface.
    expectDefaults(handle, kyraSparseGmresOptionsInit, [](auto& o) { o.restart = 20; });
    expectDefaults(handle, kyraSparseBicgstablOptionsInit, [](auto& o) { o.l = 2; });
    expectDefaults(handle, kyraSparseBlockjacobiOptionsInit, [](auto& o) { o.blockSize = 5; });
    expectAllZero(handle, kyraSparseHostOptionsInit, kyraSparseCudaOptionsInit,
                  kyraSparseCudaDeviceOptionsInit, kyraSparseCooOptionsInit, kyraSparseCsrOptionsInit,
                  kyraSparseCscOptionsInit, kyraSparseMatrixFreeOptionsInit, kyraSparseBicgOptionsInit,
                  kyraSparseBicgstabOptionsInit, kyraSparseCgOptionsInit, kyraSparseMinresOptionsInit,
                  kyraSparseEmptyOptionsInit, kyraSparseJacobiOptionsInit, kyraSparseIlu0OptionsInit,
                  kyraSparseAinvOptionsInit, kyraSparseFainvOptionsInit, kyraSparseUserDefinedOptionsInit);
    EXPECT_EQ(kyraSparseFainvOptionsInit(handle, nullptr), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: opts != 0");
}
