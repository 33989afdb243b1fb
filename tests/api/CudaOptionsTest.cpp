// The two CUDA platform setters: their options are checked, in order and
// with their texts, in every build. A valid request then installs the
// platform where the build has it and is refused with status 6 where it does
// not; a refused or bad request leaves the plan's platform as it was.

#include <cstring>
#include <string>

#include "common/HandleFixture.h"

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

#if defined(KYRA_WITH_CUDA)
const std::string kCudaRefusal;  // accepted
#else
const std::string kCudaRefusal = "feature not implemented: this build has no cuda support";
#endif

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

class CudaOptionsTest : public HandleTest {
  protected:
    void SetUp() override {
        HandleTest::SetUp();
        ASSERT_EQ(kyraSparseCreatePlan(handle, &plan), kyraSparseNoError);
    }
    void TearDown() override {
        EXPECT_EQ(kyraSparseDestroyPlan(plan), kyraSparseNoError);
        HandleTest::TearDown();
    }

    // The status and text of a setter call, and the plan's platform after it:
    // a valid record is refused with refusal, or accepted (empty refusal) as
    // the platform named accepted, which is then replaced by the host one.
    void expectRefused(kyraSparseStatus status, const std::string& expected, const std::string& refusal,
                       const char* accepted = "") {
        const bool valid = expected.empty();
        const bool installed = valid && refusal.empty();
        EXPECT_EQ(status, installed ? kyraSparseNoError
                          : valid   ? kyraSparseFeatureNotImplemented
                                    : kyraSparseArgumentError);
        if (!installed) {
            EXPECT_EQ(lastStatus(), valid ? refusal : expected);
        }
        char name[64];
        ASSERT_EQ(kyraSparseGetPlatformString(handle, plan, name, sizeof name), kyraSparseNoError);
        EXPECT_STREQ(name, installed ? accepted : "host");
        ASSERT_EQ(kyraSparseSetHostPlatform(handle, plan, nullptr), kyraSparseNoError);
    }

    // The device platform: a valid record is accepted (without touching a
    // device) where the build has it.
    void expectDeviceAnswer(kyraSparseStatus status, const std::string& expected) {
#if defined(KYRA_WITH_CUDA)
        if (expected.empty()) {
            EXPECT_EQ(status, kyraSparseNoError);
            char name[64];
            ASSERT_EQ(kyraSparseGetPlatformString(handle, plan, name, sizeof name), kyraSparseNoError);
            EXPECT_STREQ(name, "cuda device");
            ASSERT_EQ(kyraSparseSetHostPlatform(handle, plan, nullptr), kyraSparseNoError);
            return;
        }
#endif
        // A build without CUDA refuses both platforms alike.
        expectRefused(status, expected, kCudaRefusal);
    }

    kyraSparsePlan plan = nullptr;
};

TEST_F(CudaOptionsTest, ChecksRunInOrderThenAValidRequestIsAcceptedOrRefused) {
    for (const OptionsCase& c : kCases) {
        SCOPED_TRACE(c.cudaText + " / " + c.deviceText);
        const kyraSparseCudaOptions cuda{rawReordering(c.reordering), c.deviceId, c.useHybridFormat, c.debug};
        expectRefused(kyraSparseSetCudaPlatform(handle, plan, &cuda), c.cudaText, kCudaRefusal, "cuda");
        const kyraSparseCudaDeviceOptions device{c.deviceId, c.useHybridFormat, c.debug};
        expectDeviceAnswer(kyraSparseSetCudaDevicePlatform(handle, plan, &device), c.deviceText);
    }
}

TEST_F(CudaOptionsTest, DefaultsAreValid) {
    expectRefused(kyraSparseSetCudaPlatform(handle, plan, nullptr), "", kCudaRefusal, "cuda");
    expectDeviceAnswer(kyraSparseSetCudaDevicePlatform(handle, plan, nullptr), "");
}

// The plan is looked up before the options are examined.
TEST_F(CudaOptionsTest, NullPlanComesFirst) {
    const kyraSparseCudaOptions cuda{kyraSparseNoReordering, -1, 0, 0};
    EXPECT_EQ(kyraSparseSetCudaPlatform(handle, nullptr, &cuda), kyraSparsePlanError);
    const kyraSparseCudaDeviceOptions device{-1, 0, 0};
    EXPECT_EQ(kyraSparseSetCudaDevicePlatform(handle, nullptr, &device), kyraSparsePlanError);
    EXPECT_EQ(lastStatus(), "plan error: null plan");
}

}  // namespace
