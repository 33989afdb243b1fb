// The CUDA support library: the device listing, which needs no device, and
// the device queries, buffers and streams where a device is present.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cudalib/CudaTestDevice.h"
#include "cudalib/Device.h"
#include "cudalib/Memory.h"

using namespace cudalib;

TEST(DeviceListing, OneDeviceAloneAndSeveralNumberedAndTotalled) {
    const DeviceSummary one{"Tesla K20", 4294967295.0, 3650722202.0, 705500.0};
    EXPECT_EQ(
        FormatDeviceInfo(&one, 1, true),
        "Found 1 supported GPU\n\tName: Tesla K20\n\tMemory: 4 GB  ( 3 GB Usable)\n\tClock: 688.96 MHz\n");
    const DeviceSummary two[] = {{"A", 2147483648.0, 0, 1024.0}, {"B", 6442450944.0, 0, 2048.0}};
    EXPECT_EQ(FormatDeviceInfo(two, 2, false),
              "Found 2 supported GPUs\nDevice 0\n\tName: A\n\tMemory: 2 GB\n\tClock: 1.00 MHz\n"
              "Device 1\n\tName: B\n\tMemory: 6 GB\n\tClock: 2.00 MHz\n"
              "Totals for 2 devices:\n\tMemory:  8 GB\n");
    EXPECT_EQ(FormatDeviceInfo(nullptr, 0, false), "Found 0 supported GPU\n");
    EXPECT_EQ(UsableMemSize(1000), 850u);
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

TEST(Device, QueriesBuffersAndStreams) {
    KYRA_REQUIRE_CUDA_DEVICE();
    const int count = GetDeviceCount();
    ASSERT_GT(count, 0);
    EXPECT_FALSE(GetDeviceName(0).empty());
    EXPECT_TRUE(HasCusparseSupport(0));
    EXPECT_GT(GetAvailableMemSize(), 0u);
    EXPECT_EQ(GetDeviceInfoPrint(false).rfind("Found " + std::to_string(count) + " supported GPU", 0), 0u);
    const unsigned n = 4097;
    CudaBuffer<double> buffer(n);
    CudaMemsetType(buffer.get(), 2.5, n);
    CudaErrorChecker();
    EXPECT_EQ(download(buffer.get(), n), std::vector<double>(n, 2.5));
    EXPECT_EQ(buffer.device(), GetExecutingDevice());
    Stream stream;
    stream.Synchronize();
    EXPECT_TRUE(stream.Query());
}

#endif
