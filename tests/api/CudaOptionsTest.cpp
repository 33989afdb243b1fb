// The two CUDA platform setters, in every build: the plan is looked up
// first, then the options are checked in order and with their texts. A valid
// request installs the platform (without touching a device) where the build
// has CUDA and is refused with status 6 where it does not; a refused request
// leaves the plan's platform as it was.

#include <cstring>

#include "common/PublicSolve.h"

namespace {

// A C caller may store any int in the enumeration field.
kyraSparseReordering rawReordering(int value) {
    kyraSparseReordering field;
    std::memcpy(&field, &value, sizeof field);
    return field;
}

const std::string kDeviceId = "argument error: platformOpts.deviceId >= 0";
const std::string kDebug = "argument error: platformOpts.debug != {0, 1}";
const std::string kHybrid = "argument error: platformOpts.useHybridFormat != {0, 1}";
const std::string kReordering =
    "argument error: platformOpts.reordering != {kyraSparseNoReordering, kyraSparseAmdReordering, "
    "kyraSparseSymamdReordering}";

const std::string kCudaRefusal = "feature not implemented: this build has no cuda support";

struct OptionsCase {
    int reordering, deviceId, useHybridFormat, debug;  // reordering: cuda platform only
    std::string cudaText, deviceText;                  // empty: valid
};

// Each row breaks the checked field and every later one, so the first check
// must win.
const OptionsCase kCases[] = {
    {7, -1, 2, 2, kDeviceId, kDeviceId},
    {-1, 0, -1, 2, kDebug, kDebug},
    {3, 0, 2, -1, kDebug, kDebug},
    {9, 0, 2, 0, kHybrid, kHybrid},
    {5, 0, -1, 1, kHybrid, kHybrid},
    {3, 0, 0, 0, kReordering, ""},
    {-1, 0, 1, 1, kReordering, ""},
    {2, 3, 1, 1, "", ""},
    {1, 0, 0, 0, "", ""},
};

class CudaOptionsTest : public PublicPlan {
  protected:
    // A bad record is refused with its text and the plan keeps its platform;
    // a valid one installs the platform named accepted where the build has
    // CUDA (then the host platform is set back) and is refused elsewhere.
    void expectAnswer(kyraSparseStatus status, const std::string& expected,
                      [[maybe_unused]] const char* accepted) {
        const bool valid = expected.empty();
#if defined(KYRA_WITH_CUDA)
        if (valid) {
            EXPECT_EQ(status, kyraSparseNoError);
            EXPECT_EQ(planText(kyraSparseGetPlatformString), accepted);
            ASSERT_EQ(kyraSparseSetHostPlatform(handle, plan, nullptr), kyraSparseNoError);
            return;
        }
#endif
        EXPECT_EQ(status, valid ? kyraSparseFeatureNotImplemented : kyraSparseArgumentError);
        EXPECT_EQ(lastStatus(), valid ? kCudaRefusal : expected);
        EXPECT_EQ(planText(kyraSparseGetPlatformString), "host");
    }
};

TEST_F(CudaOptionsTest, PlanThenChecksInOrderThenAValidRequestIsAnswered) {
    for (const OptionsCase& c : kCases) {
        SCOPED_TRACE(c.cudaText + " / " + c.deviceText);
        const kyraSparseCudaOptions cuda{rawReordering(c.reordering), c.deviceId, c.useHybridFormat, c.debug};
        const kyraSparseCudaDeviceOptions device{c.deviceId, c.useHybridFormat, c.debug};
        EXPECT_EQ(kyraSparseSetCudaPlatform(handle, nullptr, &cuda), kyraSparsePlanError);
        EXPECT_EQ(kyraSparseSetCudaDevicePlatform(handle, nullptr, &device), kyraSparsePlanError);
        expectAnswer(kyraSparseSetCudaPlatform(handle, plan, &cuda), c.cudaText, "cuda");
        expectAnswer(kyraSparseSetCudaDevicePlatform(handle, plan, &device), c.deviceText, "cuda device");
    }
    // The defaults are valid.
    expectAnswer(kyraSparseSetCudaPlatform(handle, plan, nullptr), "", "cuda");
    expectAnswer(kyraSparseSetCudaDevicePlatform(handle, plan, nullptr), "", "cuda device");
}

}  // namespace
