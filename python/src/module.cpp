// The extension module behind the kyrasparse package: a thin layer over the C
// interface. Arrays reach the library without copies; the Python side
// (kyrasparse/*.py) chooses dtypes and formats and shapes the results.
#include <nanobind/nanobind.h>
#include <nanobind/ndarray.h>
#include <nanobind/stl/complex.h>
#include <nanobind/stl/optional.h>
#include <nanobind/stl/string.h>

#include <algorithm>
#include <complex>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "kyraSparse.h"

namespace nb = nanobind;

namespace {

// Arrays the library reads and the one it writes (x): one-dimensional,
// contiguous, in host memory. Conversions are the Python side's business.
using InArray = nb::ndarray<nb::ro, nb::c_contig, nb::device::cpu, nb::ndim<1>>;
using OutArray = nb::ndarray<nb::c_contig, nb::device::cpu, nb::ndim<1>>;

// A library call that failed; the message is the handle's last status text.
class StatusError : public std::runtime_error {
  public:
    StatusError(kyraSparseStatus status, const std::string& text)
        : std::runtime_error(text), status_(status) {}
    int status() const { return static_cast<int>(status_); }

  private:
    kyraSparseStatus status_;
};

// kyrasparse.KyraSparseError, looked up once when the module loads.
nb::handle errorType;

// The element type the C interface uses for each NumPy scalar type, and the
// typed data setters.
template <typename T>
struct Api;

template <>
struct Api<float> {
    using C = float;
    static constexpr auto csr = kyraSparseSetScsrData;
    static constexpr auto csc = kyraSparseSetScscData;
    static constexpr auto coo = kyraSparseSetScooData;
    static constexpr auto matrixFree = kyraSparseSetSmatrixfreeData;
};
template <>
struct Api<double> {
    using C = double;
    static constexpr auto csr = kyraSparseSetDcsrData;
    static constexpr auto csc = kyraSparseSetDcscData;
    static constexpr auto coo = kyraSparseSetDcooData;
    static constexpr auto matrixFree = kyraSparseSetDmatrixfreeData;
};
template <>
struct Api<std::complex<float>> {
    using C = kyraSparseComplexFloat;
    static constexpr auto csr = kyraSparseSetCcsrData;
    static constexpr auto csc = kyraSparseSetCcscData;
    static constexpr auto coo = kyraSparseSetCcooData;
    static constexpr auto matrixFree = kyraSparseSetCmatrixfreeData;
};
template <>
struct Api<std::complex<double>> {
    using C = kyraSparseComplexDouble;
    static constexpr auto csr = kyraSparseSetZcsrData;
    static constexpr auto csc = kyraSparseSetZcscData;
    static constexpr auto coo = kyraSparseSetZcooData;
    static constexpr auto matrixFree = kyraSparseSetZmatrixfreeData;
};

template <typename T>
typename Api<T>::C* cptr(T* p) {
    return reinterpret_cast<typename Api<T>::C*>(p);
}
template <typename T>
const typename Api<T>::C* cptr(const T* p) {
    return reinterpret_cast<const typename Api<T>::C*>(p);
}

template <typename T>
struct Tag {
    using type = T;
};

// Calls f(Tag<T>{}) for the scalar type T of dtype.
template <typename F>
void dispatch(nb::dlpack::dtype dtype, F&& f) {
    if (dtype == nb::dtype<float>()) return f(Tag<float>{});
    if (dtype == nb::dtype<double>()) return f(Tag<double>{});
    if (dtype == nb::dtype<std::complex<float>>()) return f(Tag<std::complex<float>>{});
    if (dtype == nb::dtype<std::complex<double>>()) return f(Tag<std::complex<double>>{});
    throw nb::type_error("unsupported dtype: use float32, float64, complex64 or complex128");
}

int checkedInt(std::size_t value, const char* what) {
    if (value > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw nb::value_error((std::string(what) + " exceeds the 32-bit index range").c_str());
    return static_cast<int>(value);
}

void checkLength(const InArray& a, std::size_t expected, const char* what) {
    if (a.shape(0) != expected)
        throw nb::value_error((std::string(what) + " has length " + std::to_string(a.shape(0)) +
                               ", expected " + std::to_string(expected))
                                  .c_str());
}

void checkIndexType(const InArray& a, const char* what) {
    if (a.dtype() != nb::dtype<int32_t>())
        throw nb::type_error((std::string(what) + " must be an int32 array").c_str());
}

// Thrown out of a callback whose Python code failed. The library turns any
// exception into a status at its boundary and owns its resources by RAII,
// so this ends the solve at once, from wherever the callback was called.
struct CallbackFailed {};

// A Python callable the library invokes on its worker thread, as
// out = fn(op, in) with op "N", "T" or "C". A Python failure is kept and the
// solve abandoned; the caller raises the failure once the solve has returned.
class Callback {
  public:
    void set(nb::object fn, int n) {
        fn_ = std::move(fn);
        n_ = n;
    }

    template <typename T>
    void call(char op, const T* in, T* out) {
        {
            nb::gil_scoped_acquire gil;
            try {
                invoke(op, in, out);
                return;
            } catch (nb::python_error& e) {
                failure_ = std::make_unique<nb::python_error>(std::move(e));
            } catch (const std::exception& e) {
                failureText_ = e.what();
            }
        }
        throw CallbackFailed{};
    }

    // Raises the failure of the last solve, if there was one.
    void raisePending() {
        if (failure_) {
            nb::python_error e = std::move(*failure_);
            failure_.reset();
            throw e;
        }
        if (!failureText_.empty()) {
            const std::string text = "callback failed: " + failureText_;
            failureText_.clear();
            throw nb::value_error(text.c_str());
        }
    }

  private:
    template <typename T>
    void invoke(char op, const T* in, T* out) {
        // The callable gets a copy: it may keep the vector after returning.
        T* copy = new T[static_cast<std::size_t>(n_)];
        std::copy(in, in + n_, copy);
        nb::capsule owner(copy, [](void* p) noexcept { delete[] static_cast<T*>(p); });
        nb::ndarray<nb::numpy, T, nb::ndim<1>> vector(copy, {static_cast<std::size_t>(n_)}, owner);
        nb::object result = fn_(std::string(1, op), vector);
        auto values =
            nb::cast<nb::ndarray<const T, nb::c_contig, nb::device::cpu, nb::ndim<1>>>(result, false);
        if (values.shape(0) != static_cast<std::size_t>(n_))
            throw std::length_error("the callback returned " + std::to_string(values.shape(0)) +
                                    " values, expected " + std::to_string(n_));
        std::copy(values.data(), values.data() + n_, out);
    }

    nb::object fn_;
    int n_ = 0;
    std::unique_ptr<nb::python_error> failure_;
    std::string failureText_;
};

// The NumPy-side scalar for each element type of the C interface.
template <typename C>
struct Scalar {
    using type = C;
};
template <>
struct Scalar<kyraSparseComplexFloat> {
    using type = std::complex<float>;
};
template <>
struct Scalar<kyraSparseComplexDouble> {
    using type = std::complex<double>;
};

template <typename C>
void productTrampoline(char op, const C* x, C* y, void* user) {
    using T = typename Scalar<C>::type;
    static_assert(sizeof(T) == sizeof(C));
    static_cast<Callback*>(user)->call(op, reinterpret_cast<const T*>(x), reinterpret_cast<T*>(y));
}

template <typename C>
int applyTrampoline(char op, const C* in, C* out, void* user) {
    productTrampoline(op, in, out, user);
    return 0;
}

// One library handle with one plan, and the arrays the plan points into.
// Each object has its own handle, and so its own worker thread.
class Plan {
  public:
    Plan() {
        check(kyraSparseCreate(&handle_));
        if (kyraSparseStatus s = kyraSparseCreatePlan(handle_, &plan_); s != kyraSparseNoError) {
            const std::string text = lastStatus();
            kyraSparseDestroy(handle_);
            throw StatusError(s, text);
        }
    }
    ~Plan() {
        kyraSparseDestroyPlan(plan_);
        kyraSparseDestroy(handle_);
    }
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;

    void hostPlatform(int reordering) {
        ensureIdle();
        kyraSparseHostOptions opts;
        check(kyraSparseHostOptionsInit(handle_, &opts));
        opts.reordering = static_cast<kyraSparseReordering>(reordering);
        check(kyraSparseSetHostPlatform(handle_, plan_, &opts));
    }

    void cudaPlatform(int reordering, int deviceId, bool hybrid) {
        ensureIdle();
        kyraSparseCudaOptions opts;
        check(kyraSparseCudaOptionsInit(handle_, &opts));
        opts.reordering = static_cast<kyraSparseReordering>(reordering);
        opts.deviceId = deviceId;
        opts.useHybridFormat = hybrid ? 1 : 0;
        check(kyraSparseSetCudaPlatform(handle_, plan_, &opts));
    }

    // parameter: l for bicgstabl, restart for gmres, ignored otherwise.
    void solver(const std::string& name, int parameter) {
        ensureIdle();
        if (name == "cg") return check(kyraSparseSetCgSolver(handle_, plan_, nullptr));
        if (name == "bicg") return check(kyraSparseSetBicgSolver(handle_, plan_, nullptr));
        if (name == "bicgstab") return check(kyraSparseSetBicgstabSolver(handle_, plan_, nullptr));
        if (name == "minres") return check(kyraSparseSetMinresSolver(handle_, plan_, nullptr));
        if (name == "bicgstabl") {
            kyraSparseBicgstablOptions opts{parameter};
            return check(kyraSparseSetBicgstablSolver(handle_, plan_, &opts));
        }
        if (name == "gmres") {
            kyraSparseGmresOptions opts{parameter};
            return check(kyraSparseSetGmresSolver(handle_, plan_, &opts));
        }
        throw nb::value_error(("unknown solver '" + name + "'").c_str());
    }

    void preconditioner(const std::string& name, int blockSize, int pattern, double dropTolerance) {
        ensureIdle();
        if (name == "none") return check(kyraSparseSetNoPreconditioner(handle_, plan_, nullptr));
        if (name == "jacobi") return check(kyraSparseSetJacobiPreconditioner(handle_, plan_, nullptr));
        if (name == "ilu0") return check(kyraSparseSetIlu0Preconditioner(handle_, plan_, nullptr));
        if (name == "blockjacobi") {
            kyraSparseBlockjacobiOptions opts{blockSize};
            return check(kyraSparseSetBlockJacobiPreconditioner(handle_, plan_, &opts));
        }
        if (name == "ainv") {
            kyraSparseAinvOptions opts{pattern, dropTolerance};
            return check(kyraSparseSetAinvPreconditioner(handle_, plan_, &opts));
        }
        if (name == "fainv") {
            kyraSparseFainvOptions opts{pattern, dropTolerance};
            return check(kyraSparseSetFainvPreconditioner(handle_, plan_, &opts));
        }
        throw nb::value_error(("unknown preconditioner '" + name + "'").c_str());
    }

    // apply(op, v) returns op(M^-1) v; n is the system size.
    void userPreconditioner(nb::object apply, int n) {
        ensureIdle();
        apply_.set(std::move(apply), n);
        kyraSparseUserDefinedOptions opts{applyTrampoline<float>, applyTrampoline<double>,
                                          applyTrampoline<kyraSparseComplexFloat>,
                                          applyTrampoline<kyraSparseComplexDouble>};
        check(kyraSparseSetUserDefinedPreconditioner(handle_, plan_, &opts, &apply_));
    }

    // format "csr" (a, rowPtr, colInd), "csc" (a, rowInd, colPtr) or "coo"
    // (a, rowInd, colInd), zero-based.
    void data(const std::string& format, InArray a, InArray i1, InArray i2, OutArray x, InArray b) {
        ensureIdle();
        const int n = checkedInt(x.shape(0), "n");
        const int nnz = checkedInt(a.shape(0), "nnz");
        checkIndexType(i1, "the first index array");
        checkIndexType(i2, "the second index array");
        const bool pointerFirst = format == "csr";
        const bool pointerSecond = format == "csc";
        if (!pointerFirst && !pointerSecond && format != "coo")
            throw nb::value_error(("unknown format '" + format + "'").c_str());
        checkLength(i1, pointerFirst ? n + 1 : nnz, "the first index array");
        checkLength(i2, pointerSecond ? n + 1 : nnz, "the second index array");
        checkVectors(a, x, b, n);
        const auto* p1 = static_cast<const int*>(i1.data());
        const auto* p2 = static_cast<const int*>(i2.data());
        dispatch(a.dtype(), [&](auto tag) {
            using T = typename decltype(tag)::type;
            const auto* av = cptr(static_cast<const T*>(a.data()));
            auto* xv = cptr(static_cast<T*>(x.data()));
            const auto* bv = cptr(static_cast<const T*>(b.data()));
            if (pointerFirst) check(Api<T>::csr(handle_, plan_, nullptr, n, nnz, av, p1, p2, xv, bv));
            if (pointerSecond) check(Api<T>::csc(handle_, plan_, nullptr, n, nnz, av, p1, p2, xv, bv));
            if (!pointerFirst && !pointerSecond)
                check(Api<T>::coo(handle_, plan_, nullptr, n, nnz, av, p1, p2, xv, bv));
        });
        held_ = {nb::cast(a), nb::cast(i1), nb::cast(i2), nb::cast(x), nb::cast(b)};
    }

    // product(op, v) returns op(A) v.
    void matrixFree(nb::object product, OutArray x, InArray b) {
        ensureIdle();
        const int n = checkedInt(x.shape(0), "n");
        checkVectors(b, x, b, n);
        product_.set(std::move(product), n);
        dispatch(x.dtype(), [&](auto tag) {
            using T = typename decltype(tag)::type;
            using C = typename Api<T>::C;
            check(Api<T>::matrixFree(handle_, plan_, nullptr, n, productTrampoline<C>, &product_,
                                     cptr(static_cast<T*>(x.data())), cptr(static_cast<const T*>(b.data()))));
        });
        held_ = {nb::cast(x), nb::cast(b)};
    }

    // Runs the plan with the GIL released. history, when given, receives the
    // relative residual of every iteration (maxIterations + 1 doubles).
    nb::dict execute(double rtol, double atol, double divtol, int maxIterations, double maxRuntime,
                     bool initialGuess, bool bestIterate, bool stagnationCheck,
                     std::optional<OutArray> history) {
        ensureIdle();
        kyraSparseConfig config;
        check(kyraSparseConfigInit(handle_, &config));
        config.relativeTolerance = rtol;
        config.absoluteTolerance = atol;
        config.divergenceTolerance = divtol;
        config.maxIterations = maxIterations;
        config.maxRuntime = maxRuntime;
        config.useInitialGuess = initialGuess ? 1 : 0;
        config.useBestIterate = bestIterate ? 1 : 0;
        config.useStagnationCheck = stagnationCheck ? 1 : 0;
        if (history) {
            if (history->dtype() != nb::dtype<double>() || maxIterations < 0 ||
                history->shape(0) < static_cast<std::size_t>(maxIterations) + 1)
                throw nb::value_error("history must be a float64 array of maxiter + 1 elements");
            config.residualVector = static_cast<double*>(history->data());
        }
        kyraSparseResult result{};
        kyraSparseStatus status;
        busy_ = true;
        {
            nb::gil_scoped_release release;
            status = kyraSparseExecutePlan(handle_, plan_, &config, &result);
        }
        busy_ = false;
        product_.raisePending();
        apply_.raisePending();
        if (status != kyraSparseNonConvergence) check(status);
        return describe(result);
    }

    std::string text(const std::string& what) const {
        std::vector<char> buf(8192);
        const int size = static_cast<int>(buf.size());
        if (what == "plan") check(kyraSparseGetPlanString(handle_, plan_, buf.data(), size));
        if (what == "format") check(kyraSparseGetDataFormatString(handle_, plan_, buf.data(), size));
        if (what == "platform") check(kyraSparseGetPlatformString(handle_, plan_, buf.data(), size));
        if (what == "preconditioner")
            check(kyraSparseGetPlanPreconditionerString(handle_, plan_, buf.data(), size));
        if (what == "solver") check(kyraSparseGetPlanSolverString(handle_, plan_, buf.data(), size));
        return buf.data();
    }

    int version() const {
        int v = 0;
        check(kyraSparseGetVersion(handle_, &v));
        return v;
    }

  private:
    std::string lastStatus() const {
        char buf[4096] = {};
        kyraSparseGetLastStatusString(handle_, buf, sizeof buf);
        return buf;
    }

    void check(kyraSparseStatus status) const {
        if (status != kyraSparseNoError) throw StatusError(status, lastStatus());
    }

    // The GIL is released during a solve: another Python thread must not
    // change the arrays or the plan under it.
    void ensureIdle() const {
        if (busy_) throw std::runtime_error("this solver is running a solve in another thread");
    }

    static void checkVectors(const InArray& a, const OutArray& x, const InArray& b, int n) {
        checkLength(b, static_cast<std::size_t>(n), "b");
        if (a.dtype() != x.dtype() || b.dtype() != x.dtype())
            throw nb::type_error("the matrix, x and b must have one dtype");
    }

    nb::dict describe(const kyraSparseResult& r) const {
        nb::dict d;
        d["flag"] = static_cast<int>(r.flag);
        d["iterations"] = r.iterations;
        d["initial_residual"] = r.initialResidual;
        d["relative_residual"] = r.relativeResidual;
        d["absolute_residual"] = r.absoluteResidual;
        d["solver_time"] = r.solverTime;
        d["preconditioner_time"] = r.preconditionerTime;
        d["overhead_time"] = r.overheadTime;
        d["total_time"] = r.totalTime;
        d["summary"] = lastStatus();
        std::vector<char> buf(8192);
        check(kyraSparseGetResultString(handle_, &r, buf.data(), static_cast<int>(buf.size())));
        d["report"] = std::string(buf.data());
        return d;
    }

    kyraSparseHandle handle_ = nullptr;
    kyraSparsePlan plan_ = nullptr;
    std::vector<nb::object> held_;  // the arrays the plan points into
    Callback product_;
    Callback apply_;
    bool busy_ = false;
};

}  // namespace

NB_MODULE(_kyrasparse, m) {
    errorType = nb::object(nb::module_::import_("kyrasparse._errors").attr("KyraSparseError")).release();
    nb::register_exception_translator([](const std::exception_ptr& p, void*) {
        try {
            std::rethrow_exception(p);
        } catch (const StatusError& e) {
            nb::object error = nb::borrow(errorType)(e.what(), e.status());
            PyErr_SetObject(errorType.ptr(), error.ptr());
        }
    });

    nb::class_<Plan>(m, "Plan")
        .def(nb::init<>())
        .def("host_platform", &Plan::hostPlatform, nb::arg("reordering"))
        .def("cuda_platform", &Plan::cudaPlatform, nb::arg("reordering"), nb::arg("device_id"),
             nb::arg("hybrid"))
        .def("solver", &Plan::solver, nb::arg("name"), nb::arg("parameter"))
        .def("preconditioner", &Plan::preconditioner, nb::arg("name"), nb::arg("block_size"),
             nb::arg("pattern"), nb::arg("drop_tolerance"))
        .def("user_preconditioner", &Plan::userPreconditioner, nb::arg("apply"), nb::arg("n"))
        .def("data", &Plan::data, nb::arg("format"), nb::arg("a").noconvert(), nb::arg("i1").noconvert(),
             nb::arg("i2").noconvert(), nb::arg("x").noconvert(), nb::arg("b").noconvert())
        .def("matrix_free", &Plan::matrixFree, nb::arg("product"), nb::arg("x").noconvert(),
             nb::arg("b").noconvert())
        .def("execute", &Plan::execute, nb::arg("rtol"), nb::arg("atol"), nb::arg("divtol"),
             nb::arg("maxiter"), nb::arg("max_runtime"), nb::arg("initial_guess"), nb::arg("best_iterate"),
             nb::arg("stagnation_check"), nb::arg("history").noconvert().none())
        .def("text", &Plan::text, nb::arg("what"))
        .def("version", &Plan::version);
}
