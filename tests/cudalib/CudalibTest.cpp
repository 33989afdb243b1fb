// The CUDA support library: texts and arithmetic that need no device, and
// the device queries, buffers and streams where a device is present.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cudalib/CudaTestDevice.h"
#include "cudalib/Device.h"
#include "cudalib/Memory.h"

using namespace cudalib;

TEST(ScaledQuantity, ScalesUpAndDownWithinThePrefixTable) {
    struct Case {
        double value;
        int start;
        bool si;
        double scaled;
        char prefix;
    };
    const Case cases[] = {
        {8589934592.0, 0, false, 8.0, 'G'},   {4294967295.0, 0, false, 4.0, 'G'},
        {1500000.0, 1, false, 1.430511, 'G'}, {0.0, 1, false, 0.0, 'K'},
        {-2048.0, 0, false, -2.0, 'K'},       {0.0025, 0, true, 2.5, 'm'},
        {2.5e-7, 0, true, 250.0, 'n'},        {1e30, 0, true, 1e9, 'H'},
    };
    for (const Case& c : cases) {
        const ScaledQuantity q = c.si ? GetSiNotation(c.value, c.start) : GetEngrNotation(c.value, c.start);
        EXPECT_NEAR(q.Value(), c.scaled, 1e-5 * (1 + std::abs(c.scaled))) << c.value;
        EXPECT_EQ(q.Prefix(), c.prefix) << c.value;
    }
    EXPECT_EQ(GetEngrNotation(1536.0, 0).ToString("B", 2), "1.50 KB");
}

TEST(DeviceListing, OneDeviceHasNoHeadingOrTotals) {
    const DeviceSummary one{"Tesla K20", 4294967295.0, 3650722202.0, 705500.0};
    EXPECT_EQ(
        FormatDeviceInfo(&one, 1, true),
        "Found 1 supported GPU\n\tName: Tesla K20\n\tMemory: 4 GB  ( 3 GB Usable)\n\tClock: 688.96 MHz\n");
}

TEST(DeviceListing, SeveralDevicesAreNumberedAndTotalled) {
    const DeviceSummary two[] = {{"A", 2147483648.0, 0, 1024.0}, {"B", 6442450944.0, 0, 2048.0}};
    EXPECT_EQ(FormatDeviceInfo(two, 2, false),
              "Found 2 supported GPUs\nDevice 0\n\tName: A\n\tMemory: 2 GB\n\tClock: 1.00 MHz\n"
              "Device 1\n\tName: B\n\tMemory: 6 GB\n\tClock: 2.00 MHz\n"
              "Totals for 2 devices:\n\tMemory:  8 GB\n");
    EXPECT_EQ(FormatDeviceInfo(nullptr, 0, false), "Found 0 supported GPU\n");
    EXPECT_EQ(UsableMemSize(1000), 850u);
}

TEST(Pitch, RoundsAndConvertsOffsets) {
    EXPECT_EQ(PitchRoundUp(100, 64), 128u);
    EXPECT_EQ(PitchRoundUp(128, 64), 128u);
    EXPECT_EQ(PitchLogicalToPhysicalOffset(70, 64, 128), 134u);
    EXPECT_EQ(PitchPhysicalToLogicalOffset(134, 64, 128), 70u);
}

TEST(HostCopies, PitchedRowsAndSlicesLandAtTheirPitches) {
    // 2 slices of 3 rows of 2 bytes, read from a pitch of 4 and a slice pitch of 12.
    std::vector<char> src(24);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<char>(i);
    std::vector<char> dst(12, -1);
    memcpy3D(dst.data(), 2, 6, src.data(), 4, 12, 2, 3, 2);
    EXPECT_EQ(dst, (std::vector<char>{0, 1, 4, 5, 8, 9, 12, 13, 16, 17, 20, 21}));
    std::vector<char> linear(6, -1);
    memcpy2D(linear.data(), 2, src.data(), 2, 2, 3);
    EXPECT_EQ(linear, (std::vector<char>{0, 1, 2, 3, 4, 5}));
}

#if defined(KYRA_WITH_CUDA)

#include "cudalib/Algorithm.h"
#include "cudalib/CudaException.h"
#include "cudalib/ErrorChecker.h"
#include "cudalib/Stream.h"

TEST(CusparseStatus, GenericStatusesRaiseWhatTheOlderRoutinesRaised) {
    try {
        CheckCusparseGeneric(CUSPARSE_STATUS_INSUFFICIENT_RESOURCES);
        FAIL() << "no exception";
    } catch (const CudaMemoryException& e) {
        EXPECT_STREQ(e.what(), "CUSPARSE Allocation Failure");
    }
    try {
        CheckCusparseGeneric(CUSPARSE_STATUS_NOT_SUPPORTED);
        FAIL() << "no exception";
    } catch (const CusparseException& e) {
        EXPECT_EQ(e.Error(), 8);
        EXPECT_STREQ(e.what(), "CUSPARSE_STATUS_MATRIX_TYPE_NOT_SUPPORTED");
    }
    EXPECT_NO_THROW(CheckCusparseGeneric(CUSPARSE_STATUS_SUCCESS));
}

TEST(Device, TableListingAndLaunchGeometry) {
    KYRA_REQUIRE_CUDA_DEVICE();
    const int count = GetDeviceCount();
    ASSERT_GT(count, 0);
    EXPECT_FALSE(GetDeviceName(0).empty());
    EXPECT_TRUE(HasCusparseSupport(0));
    EXPECT_GT(GetAvailableMemSize(), 0u);
    EXPECT_EQ(GetDeviceInfoPrint(false).rfind("Found " + std::to_string(count) + " supported GPU", 0), 0u);
    Map1D map(1000);
    EXPECT_EQ(map.Threads().x, 256u);
    EXPECT_EQ(map.Grid().x, 4u);
    map.SetThreads(32);
    EXPECT_EQ(map.Threads().x, 32u);
    EXPECT_EQ(MaxBlocksMap1D(10000000).Grid().x, 2048u);
}

TEST(Device, BufferFillAndStream) {
    KYRA_REQUIRE_CUDA_DEVICE();
    const unsigned n = 4097;
    CudaBuffer<double> buffer(n);
    CudaMemsetType(buffer.get(), 2.5, n);
    CudaErrorChecker();
    std::vector<double> back(n);
    MemcpyDeviceToHost(back.data(), buffer.get(), n);
    EXPECT_EQ(back, std::vector<double>(n, 2.5));
    EXPECT_EQ(buffer.device(), GetExecutingDevice());

    Stream stream;
    stream.Synchronize();
    EXPECT_TRUE(stream.Query());
}

#endif
