// Fuzz target for the public interface, called as a hostile caller would:
// the input chooses scalar type, format, index base, size, the index and
// value arrays (near-valid and wild), the platform's reordering, solver,
// preconditioner and configuration, and possibly drives the plan through a
// second handle. Iteration limits stay small. Every input also goes through
// a host conversion whose output is checked.
//
// Invariants: every call returns a status the header defines and leaves a
// status text; a conversion that succeeds gives a CSR matrix with the
// input's entry count per row, sorted in-range columns and consistent row
// pointers; work through a handle other than the plan's owner is refused.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "kyraSparse.h"

namespace {

// The input read front to back, one choice after another, so that seeds
// can be written by hand (fuzz/make_seeds.py). Past its end every choice
// takes its smallest value.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // A value in [lo, hi] from as many bytes as the span needs.
    int range(int lo, int hi) {
        const std::uint64_t span = static_cast<std::uint64_t>(static_cast<std::int64_t>(hi) - lo) + 1;
        std::uint64_t raw = 0;
        for (std::uint64_t reach = 1; reach < span && position_ < size_; reach <<= 8) {
            raw = (raw << 8) | data_[position_++];
        }
        return static_cast<int>(lo + static_cast<std::int64_t>(raw % span));
    }
    int wild() { return range(std::numeric_limits<int>::min(), std::numeric_limits<int>::max()); }
    bool flag() { return range(0, 1) == 1; }

    // One byte picks a value from a table of telling ones; the last byte
    // values take the next eight bytes as a raw double.
    double real() {
        static const double table[] = {0.0,
                                       1.0,
                                       -1.0,
                                       2.0,
                                       0.5,
                                       -0.25,
                                       4.0,
                                       1e-8,
                                       1e8,
                                       1e-300,
                                       1e300,
                                       3.25,
                                       -7.5,
                                       100.0,
                                       0.1,
                                       -2.0,
                                       std::numeric_limits<double>::infinity(),
                                       -std::numeric_limits<double>::infinity(),
                                       std::numeric_limits<double>::quiet_NaN(),
                                       std::numeric_limits<double>::denorm_min()};
        constexpr int count = sizeof table / sizeof table[0];
        const int pick = range(0, count);
        if (pick < count || size_ - position_ < sizeof(double)) return table[pick % count];
        double raw;
        std::memcpy(&raw, data_ + position_, sizeof raw);
        position_ += sizeof raw;
        return raw;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

constexpr int kMaxSize = 48;
constexpr int kMaxEntries = 256;

[[noreturn]] void violated(const char* what) {
    std::printf("invariant violated: %s\n", what);
    std::abort();
}

void require(bool condition, const char* what) {
    if (!condition) violated(what);
}

// A defined status, and never an internal or unspecified failure: bad input
// must be named as such.
void requireStatus(kyraSparseStatus status) {
    require(status >= kyraSparseNoError && status <= kyraSparseUnspecifiedError, "status out of range");
    require(status != kyraSparseInternalError && status != kyraSparseUnspecifiedError, "internal error");
}

// The public functions of one scalar type.
template <typename T>
struct Api;

#define KYRA_FUZZ_API(L, T)                                         \
    template <>                                                     \
    struct Api<T> {                                                 \
        static constexpr auto csr = kyraSparseSet##L##csrData;      \
        static constexpr auto csc = kyraSparseSet##L##cscData;      \
        static constexpr auto coo = kyraSparseSet##L##cooData;      \
        static constexpr auto coo2csr = kyraSparseHost##L##coo2csr; \
        static constexpr auto csc2csr = kyraSparseHost##L##csc2csr; \
        static T make(double re, double im);                        \
    };
KYRA_FUZZ_API(S, float)
KYRA_FUZZ_API(D, double)
KYRA_FUZZ_API(C, kyraSparseComplexFloat)
KYRA_FUZZ_API(Z, kyraSparseComplexDouble)
#undef KYRA_FUZZ_API

float Api<float>::make(double re, double) { return static_cast<float>(re); }
double Api<double>::make(double re, double) { return re; }
kyraSparseComplexFloat Api<kyraSparseComplexFloat>::make(double re, double im) {
    return {static_cast<float>(re), static_cast<float>(im)};
}
kyraSparseComplexDouble Api<kyraSparseComplexDouble>::make(double re, double im) { return {re, im}; }

// A real part, then (after a flag) an imaginary part, which real types drop.
template <typename T>
T value(Input& in) {
    const double re = in.real();
    const double im = in.flag() ? in.real() : 0.0;
    return Api<T>::make(re, im);
}

enum class Format { Csr, Csc, Coo };

// The system as the input describes it: the first index array holds row
// pointers (CSR), row indices (CSC, COO); the second column indices (CSR,
// COO) or column pointers (CSC).
template <typename T>
struct System {
    Format format = Format::Coo;
    int base = 0;
    int n = 0;
    int nnz = 0;
    std::vector<int> first;
    std::vector<int> second;
    std::vector<T> values;
    std::vector<T> x;
    std::vector<T> b;
};

// Mostly near-valid indices, so the solvers are reached; now and then a
// wild one, so the checks are.
int index(Input& in, int base, int limit) {
    if (in.range(0, 15) == 0) return in.wild();
    return base + in.range(0, std::max(limit - 1, 0));
}

// Pointer arrays of n + 1 entries: sorted by default, so they are accepted.
std::vector<int> pointers(Input& in, int n, int nnz, int base) {
    std::vector<int> ptr(n + 1);
    for (int& p : ptr) p = in.range(0, nnz);
    if (in.range(0, 7) != 0) std::sort(ptr.begin(), ptr.end());
    if (in.range(0, 7) != 0) {
        ptr.front() = 0;
        ptr.back() = nnz;
    }
    for (int& p : ptr) p += base;
    return ptr;
}

template <typename T>
System<T> makeSystem(Input& in) {
    System<T> s;
    s.format = static_cast<Format>(in.range(0, 2));
    s.base = in.range(0, 7) == 0 ? in.range(-1, 2) : in.range(0, 1);
    s.n = in.range(0, 15) == 0 ? in.range(-2, 0) : in.range(1, kMaxSize);
    s.nnz = in.range(0, kMaxEntries);
    const int n = std::max(s.n, 0);
    const int base = s.base == 1 ? 1 : 0;
    const auto indices = [&](int count) {
        std::vector<int> v(count);
        for (int& i : v) i = index(in, base, n);
        return v;
    };
    switch (s.format) {
        case Format::Csr:
            s.first = pointers(in, n, s.nnz, base);
            s.second = indices(s.nnz);
            break;
        case Format::Csc:
            s.first = indices(s.nnz);
            s.second = pointers(in, n, s.nnz, base);
            break;
        case Format::Coo:
            s.first = indices(s.nnz);
            s.second = indices(s.nnz);
            break;
    }
    // A plain diagonal shift now and then, so some systems are solvable.
    const bool dominant = in.flag();
    for (int k = 0; k < s.nnz; ++k) s.values.push_back(value<T>(in));
    if (dominant && s.format == Format::Coo) {
        for (int k = 0; k < s.nnz; ++k) {
            if (s.first[k] == s.second[k]) s.values[k] = Api<T>::make(4.0 * kMaxSize, 0);
        }
    }
    // One spare element each, so that arrays of no entries are not null.
    s.first.push_back(0);
    s.second.push_back(0);
    s.values.push_back(Api<T>::make(0, 0));
    s.x.resize(n + 1, Api<T>::make(0, 0));
    s.b.resize(n + 1, Api<T>::make(1, 0));
    if (in.flag()) {
        for (T& v : s.b) v = value<T>(in);
    }
    return s;
}

// Null arrays now and then, to reach the argument checks.
template <typename V>
auto* maybeNull(Input& in, V& v) {
    return in.range(0, 31) == 0 ? nullptr : v.data();
}

template <typename T>
kyraSparseStatus setData(Input& in, kyraSparseHandle h, kyraSparsePlan p, System<T>& s) {
    const int indexing = s.base;
    const int* first = maybeNull(in, s.first);
    const int* second = maybeNull(in, s.second);
    const T* a = maybeNull(in, s.values);
    switch (s.format) {
        case Format::Csr: {
            const kyraSparseCsrOptions options{indexing};
            return Api<T>::csr(h, p, &options, s.n, s.nnz, a, first, second, s.x.data(), s.b.data());
        }
        case Format::Csc: {
            const kyraSparseCscOptions options{indexing};
            return Api<T>::csc(h, p, &options, s.n, s.nnz, a, first, second, s.x.data(), s.b.data());
        }
        case Format::Coo:
        default: {
            const kyraSparseCooOptions options{indexing};
            return Api<T>::coo(h, p, &options, s.n, s.nnz, a, first, second, s.x.data(), s.b.data());
        }
    }
}

kyraSparseStatus setSolver(Input& in, kyraSparseHandle h, kyraSparsePlan p) {
    switch (in.range(0, 6)) {
        case 0:
            return kyraSparseSetCgSolver(h, p, nullptr);
        case 1: {
            const kyraSparseBicgOptions o{in.range(-1, 2)};
            return kyraSparseSetBicgSolver(h, p, &o);
        }
        case 2:
            return kyraSparseSetBicgstabSolver(h, p, nullptr);
        case 3: {
            const kyraSparseBicgstablOptions o{in.range(-1, 5)};
            return kyraSparseSetBicgstablSolver(h, p, &o);
        }
        case 4: {
            const kyraSparseGmresOptions o{in.range(-1, 8)};
            return kyraSparseSetGmresSolver(h, p, &o);
        }
        case 5:
            return kyraSparseSetMinresSolver(h, p, nullptr);
        default:
            return kyraSparseSetNoSolver(h, p, nullptr);
    }
}

kyraSparseStatus setPreconditioner(Input& in, kyraSparseHandle h, kyraSparsePlan p) {
    switch (in.range(0, 5)) {
        case 0:
            return kyraSparseSetNoPreconditioner(h, p, nullptr);
        case 1:
            return kyraSparseSetJacobiPreconditioner(h, p, nullptr);
        case 2: {
            const kyraSparseBlockjacobiOptions o{in.range(-1, 6)};
            return kyraSparseSetBlockJacobiPreconditioner(h, p, &o);
        }
        case 3:
            return kyraSparseSetIlu0Preconditioner(h, p, nullptr);
        case 4: {
            const kyraSparseAinvOptions o{in.range(-1, 4), in.real()};
            return kyraSparseSetAinvPreconditioner(h, p, &o);
        }
        default: {
            const kyraSparseFainvOptions o{in.range(-1, 4), in.real()};
            return kyraSparseSetFainvPreconditioner(h, p, &o);
        }
    }
}

void requireText(kyraSparseHandle h) {
    char text[512];
    require(kyraSparseGetLastStatusString(h, text, sizeof text) == kyraSparseNoError, "status text");
}

// The plan driven through its own handle, and now and then through another
// one, which must be refused.
template <typename T>
void solve(Input& in, kyraSparseHandle h, kyraSparseHandle other, System<T>& s) {
    kyraSparsePlan p = nullptr;
    require(kyraSparseCreatePlan(h, &p) == kyraSparseNoError, "create plan");
    const kyraSparseHostOptions host{static_cast<kyraSparseReordering>(in.range(0, 3)), 0};
    requireStatus(kyraSparseSetHostPlatform(h, p, &host));
    const kyraSparseStatus dataStatus = setData(in, h, p, s);
    requireStatus(dataStatus);
    requireText(h);
    requireStatus(setSolver(in, h, p));
    requireStatus(setPreconditioner(in, h, p));
    kyraSparseConfig config;
    require(kyraSparseConfigInit(h, &config) == kyraSparseNoError, "config init");
    config.maxIterations = in.range(0, 30);
    config.relativeTolerance = in.flag() ? 1e-6 : in.real();
    config.useInitialGuess = in.flag();
    config.useBestIterate = in.flag();
    kyraSparseResult result;
    for (int run = in.range(1, 2); run > 0; --run) {
        const kyraSparseStatus status = kyraSparseExecutePlan(h, p, &config, &result);
        requireStatus(status);
        requireText(h);
        // Without data the call answers 0 ("nothing to run as data has not
        // yet been set") and leaves the record untouched.
        if (dataStatus == kyraSparseNoError &&
            (status == kyraSparseNoError || status == kyraSparseNonConvergence)) {
            require(result.iterations >= 0 && result.iterations <= config.maxIterations, "iteration count");
        }
    }
    if (in.flag()) {
        require(kyraSparseSetCgSolver(other, p, nullptr) == kyraSparsePlanError, "foreign handle refused");
        require(kyraSparseExecutePlan(other, p, &config, &result) == kyraSparsePlanError,
                "foreign execution refused");
    }
    char text[512];
    requireStatus(kyraSparseGetPlanString(h, p, text, sizeof text));
    require(kyraSparseDestroyPlan(p) == kyraSparseNoError, "destroy plan");
}

// Entries per row of an accepted COO or CSC system, whose row indices must
// then all be in range.
template <typename T>
void countRows(const System<T>& s, std::vector<int>& rowCount) {
    for (int k = 0; k < s.nnz; ++k) {
        const int r = s.first[k] - s.base;
        require(r >= 0 && r < s.n, "accepted row index in range");
        ++rowCount[r];
    }
}

// The host conversion of a COO or CSC system (CSR systems have none), whose
// output is checked against the input's entries per row.
template <typename T>
void convert(Input& in, const System<T>& s) {
    const int n = s.n;
    const int nnz = s.nnz;
    const int inBase = s.base;
    const int outBase = in.range(0, 1);
    std::vector<int> colInd(nnz + 1, -7);
    std::vector<int> rowPtr(std::max(n, 0) + 2, -7);
    std::vector<T> val(nnz + 1);
    std::vector<int> rowCount(std::max(n, 0), 0);
    kyraSparseStatus status;
    if (s.format == Format::Csc) {
        status = Api<T>::csc2csr(n, nnz, s.second.data(), s.first.data(), s.values.data(), colInd.data(),
                                 rowPtr.data(), val.data(), inBase, outBase);
        if (status == kyraSparseNoError) {
            countRows(s, rowCount);
        }
    } else if (s.format == Format::Coo) {
        status = Api<T>::coo2csr(n, nnz, s.second.data(), s.first.data(), s.values.data(), colInd.data(),
                                 rowPtr.data(), val.data(), inBase, outBase);
        if (status == kyraSparseNoError) {
            countRows(s, rowCount);
        }
    } else {
        return;
    }
    requireStatus(status);
    if (status != kyraSparseNoError) return;
    require(rowPtr[0] == outBase && rowPtr[n] == nnz + outBase, "row pointer ends");
    for (int r = 0; r < n; ++r) {
        require(rowPtr[r + 1] - rowPtr[r] == rowCount[r], "entries per row");
        for (int q = rowPtr[r] - outBase; q < rowPtr[r + 1] - outBase; ++q) {
            const int c = colInd[q] - outBase;
            require(c >= 0 && c < n, "column in range");
            require(q == rowPtr[r] - outBase || colInd[q - 1] <= colInd[q], "columns sorted");
        }
    }
}

template <typename T>
void run(Input& in, kyraSparseHandle h, kyraSparseHandle other) {
    System<T> s = makeSystem<T>(in);
    convert(in, s);
    solve(in, h, other, s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One pair of handles for the whole run: creating handles starts threads.
    static kyraSparseHandle handle = [] {
        kyraSparseHandle h = nullptr;
        require(kyraSparseCreate(&h) == kyraSparseNoError, "create handle");
        return h;
    }();
    static kyraSparseHandle other = [] {
        kyraSparseHandle h = nullptr;
        require(kyraSparseCreate(&h) == kyraSparseNoError, "create handle");
        return h;
    }();
    Input in(data, size);
    switch (in.range(0, 3)) {
        case 0:
            run<float>(in, handle, other);
            break;
        case 1:
            run<double>(in, handle, other);
            break;
        case 2:
            run<kyraSparseComplexFloat>(in, handle, other);
            break;
        default:
            run<kyraSparseComplexDouble>(in, handle, other);
            break;
    }
    return 0;
}
