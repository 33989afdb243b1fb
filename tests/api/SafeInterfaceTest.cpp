#include "api/SafeInterface.h"

#include <atomic>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/HandleFixture.h"
#include "core/Exception.h"
#include "cudalib/CudaException.h"

using namespace Iterative;

namespace {

struct Translation {
    const char* name;
    std::function<void()> raise;
    kyraSparseStatus status;
    std::string text;
};

template <int S>
std::function<void()> raiser(const char* message) {
    return [message] { KyraSparseExceptionTemplate<S>::raise(message); };
}

class SafeInterfaceTranslation : public HandleTest, public ::testing::WithParamInterface<Translation> {};

TEST_P(SafeInterfaceTranslation, MapsExceptionToStatusAndTextAndTheHandleStaysUsable) {
    const Translation& t = GetParam();
    const kyraSparseStatus status = SafeInterface(handle, [&](Context&) { t.raise(); });
    EXPECT_EQ(status, t.status);
    EXPECT_EQ(lastStatus(), t.text);
    int version = 0;
    EXPECT_EQ(kyraSparseGetVersion(handle, &version), kyraSparseNoError);
    EXPECT_EQ(version, 5000);
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, SafeInterfaceTranslation,
    ::testing::Values(
        Translation{"status0", raiser<0>("summary"), kyraSparseNoError, "summary"},
        Translation{"status1", raiser<1>("stopped"), kyraSparseNonConvergence, "stopped"},
        Translation{"status2", raiser<2>("bad pivot"), kyraSparsePreconditionerError,
                    "preconditioner error: bad pivot"},
        Translation{"status3", raiser<3>("n >= 0"), kyraSparseArgumentError, "argument error: n >= 0"},
        Translation{"status4", raiser<4>("bad data"), kyraSparseDataFormatError, "error: bad data"},
        Translation{"status6", raiser<6>("gmres"), kyraSparseFeatureNotImplemented,
                    "feature not implemented: gmres"},
        Translation{"status8", raiser<8>("data.amust be 16-byte aligned"), kyraSparseAlignmentError,
                    "error: data.amust be 16-byte aligned"},
        Translation{"status9", raiser<9>("type inference error"), kyraSparseInternalError,
                    "error: type inference error"},
        Translation{"status10", raiser<10>("null handle"), kyraSparseHandleError, "error: null handle"},
        Translation{"status11", raiser<11>("null plan"), kyraSparsePlanError, "plan error: null plan"},
        Translation{"cublas", [] { throw cudalib::CublasException(13); }, kyraSparseRuntimeError,
                    "cublas runtime error: 13"},
        Translation{"cudaRuntime", [] { throw cudalib::CudaRuntimeException(700); }, kyraSparseRuntimeError,
                    "cuda runtime error: " + cudalib::cudaErrorString(700)},
        Translation{"cusparse", [] { throw cudalib::CusparseException(9, ""); }, kyraSparseRuntimeError,
                    "cusparse runtime error: 9"},
        Translation{"cudaMemory", [] { throw cudalib::CudaMemoryException("CUSPARSE Allocation Failure"); },
                    kyraSparseInsufficientMemory, "insufficient memory: CUSPARSE Allocation Failure"},
        Translation{"badAlloc", [] { throw std::bad_alloc(); }, kyraSparseInsufficientMemory,
                    "insufficient memory: std::bad_alloc"},
        Translation{"standard", [] { throw std::logic_error("broken"); }, kyraSparseInternalError,
                    "internal error: broken"}),
    [](const ::testing::TestParamInfo<Translation>& info) { return std::string(info.param.name); });

}  // namespace

TEST_F(HandleTest, UnknownExceptionLeavesTextUnchanged) {
    contextOf(handle).setLastStatusString("before");
    EXPECT_EQ(SafeInterface(handle, [](Context&) { throw 42; }), kyraSparseUnspecifiedError);
    // Read through the context directly: a guarded read would replace the text.
    EXPECT_EQ(contextOf(handle).getLastStatusString(), "before");
}

TEST_F(HandleTest, WorkRunsOnTheHandlesWorkerThread) {
    std::thread::id first, second;
    SafeInterface(handle, [&](Context&) { first = std::this_thread::get_id(); });
    std::thread other([&] { SafeInterface(handle, [&](Context&) { second = std::this_thread::get_id(); }); });
    other.join();
    EXPECT_EQ(first, second);
    EXPECT_NE(first, std::this_thread::get_id());
}

TEST_F(HandleTest, ConcurrentCallersNeverOverlap) {
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> completed{0};
    auto hammer = [&] {
        for (int i = 0; i < 300; ++i) {
            SafeInterface(handle, [&](Context&) {
                if (inside.fetch_add(1) != 0) ++overlaps;
                std::this_thread::yield();
                inside.fetch_sub(1);
                ++completed;
            });
        }
    };
    std::thread a(hammer), b(hammer), c(hammer);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(completed.load(), 900);
}

TEST(HandleLessFrame, MapsHandleErrorAndEverythingElse) {
    EXPECT_EQ(SafeInterface([] {}), kyraSparseNoError);
    EXPECT_EQ(SafeInterface([] { KyraSparseExceptionTemplate<10>::raise("null handle"); }),
              kyraSparseHandleError);
    EXPECT_EQ(SafeInterface([] { KyraSparseExceptionTemplate<11>::raise("null plan"); }),
              kyraSparseUnspecifiedError);
    EXPECT_EQ(SafeInterface([] { throw std::bad_alloc(); }), kyraSparseUnspecifiedError);
}

TEST(ContextRecords, ExtendedInfoKeysAndInterruptByte) {
    Context context;
    EXPECT_EQ(context.getExtendedInfo(0).solver, "Unknown");
    EXPECT_EQ(context.addExtendedInfo({"coo", "host", "jacobi", "cg"}), 1u);
    EXPECT_EQ(context.addExtendedInfo({"csr", "host", "ilu0", "gmres"}), 2u);
    EXPECT_EQ(context.getExtendedInfo(1).preconditioner, "jacobi");
    EXPECT_EQ(context.getExtendedInfo(2).solver, "gmres");
    EXPECT_EQ(context.getExtendedInfo(3).dataFormat, "Unknown");
    EXPECT_FALSE(context.checkInterupt());
    context.setInterrupt();
    EXPECT_TRUE(context.checkInterupt());
    EXPECT_FALSE(context.checkInterupt());
}
