#ifndef KYRA_CORE_COMPLEX_H
#define KYRA_CORE_COMPLEX_H

// Complex scalar of the library: two consecutive reals (real, imaginary),
// layout-compatible with kyraSparseComplexFloat/Double and the CUDA complex
// types. Division multiplies by the reciprocal of |d|^2 without scaling, so
// results match the device kernels bit for bit.

#include <cmath>
#include <limits>
#include <type_traits>

#if defined(__CUDACC__)
#define KYRA_HOST_DEVICE __host__ __device__
#else
#define KYRA_HOST_DEVICE
#endif

namespace kyra {

template <typename R>
struct Complex {
    R re;
    R im;

    KYRA_HOST_DEVICE constexpr Complex() : re(0), im(0) {}
    KYRA_HOST_DEVICE constexpr Complex(R real) : re(real), im(0) {}  // NOLINT: reals convert implicitly
    KYRA_HOST_DEVICE constexpr Complex(R real, R imag) : re(real), im(imag) {}

    KYRA_HOST_DEVICE constexpr R real() const { return re; }
    KYRA_HOST_DEVICE constexpr R imag() const { return im; }

    KYRA_HOST_DEVICE Complex& operator+=(const Complex& o) {
        re += o.re;
        im += o.im;
        return *this;
    }
    KYRA_HOST_DEVICE Complex& operator-=(const Complex& o) {
        re -= o.re;
        im -= o.im;
        return *this;
    }
    KYRA_HOST_DEVICE Complex& operator*=(const Complex& o) { return *this = *this * o; }
    KYRA_HOST_DEVICE Complex& operator/=(const Complex& o) { return *this = *this / o; }

    KYRA_HOST_DEVICE friend constexpr Complex operator+(const Complex& a, const Complex& b) {
        return {a.re + b.re, a.im + b.im};
    }
    KYRA_HOST_DEVICE friend constexpr Complex operator-(const Complex& a, const Complex& b) {
        return {a.re - b.re, a.im - b.im};
    }
    KYRA_HOST_DEVICE friend constexpr Complex operator-(const Complex& a) { return {-a.re, -a.im}; }
    KYRA_HOST_DEVICE friend constexpr Complex operator*(const Complex& a, const Complex& b) {
        return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
    }
    KYRA_HOST_DEVICE friend constexpr Complex operator/(const Complex& a, const Complex& d) {
        const R scale = R(1) / (d.re * d.re + d.im * d.im);
        return {(a.re * d.re + a.im * d.im) * scale, (a.im * d.re - a.re * d.im) * scale};
    }
    KYRA_HOST_DEVICE friend constexpr bool operator==(const Complex& a, const Complex& b) {
        return a.re == b.re && a.im == b.im;
    }
    KYRA_HOST_DEVICE friend constexpr bool operator!=(const Complex& a, const Complex& b) {
        return !(a == b);
    }
};

static_assert(sizeof(Complex<float>) == 2 * sizeof(float), "complex layout");
static_assert(sizeof(Complex<double>) == 2 * sizeof(double), "complex layout");
static_assert(std::is_trivially_copyable<Complex<double>>::value, "complex must be plain data");

template <typename T>
struct IsComplex : std::false_type {};
template <typename R>
struct IsComplex<Complex<R>> : std::true_type {};

// The real type of a scalar's precision: float for float and Complex<float>.
template <typename T>
struct RealOf {
    using type = T;
};
template <typename R>
struct RealOf<Complex<R>> {
    using type = R;
};
template <typename T>
using Real = typename RealOf<T>::type;

template <typename R>
KYRA_HOST_DEVICE constexpr R realPart(R v) {
    return v;
}
template <typename R>
KYRA_HOST_DEVICE constexpr R realPart(const Complex<R>& v) {
    return v.re;
}
template <typename R>
KYRA_HOST_DEVICE constexpr R imagPart(R) {
    return R(0);
}
template <typename R>
KYRA_HOST_DEVICE constexpr R imagPart(const Complex<R>& v) {
    return v.im;
}

template <typename R>
KYRA_HOST_DEVICE constexpr R conj(R v) {
    return v;
}
template <typename R>
KYRA_HOST_DEVICE constexpr Complex<R> conj(const Complex<R>& v) {
    return {v.re, -v.im};
}

template <typename R>
inline R abs(R v) {
    return std::abs(v);
}
template <typename R>
inline R abs(const Complex<R>& v) {
    return std::hypot(v.re, v.im);
}

// "Is zero" means both parts are zero (a negative zero counts as zero).
template <typename R>
KYRA_HOST_DEVICE constexpr bool isZero(R v) {
    return v == R(0);
}
template <typename R>
KYRA_HOST_DEVICE constexpr bool isZero(const Complex<R>& v) {
    return v.re == R(0) && v.im == R(0);
}

// Finite means |v| is at most the largest finite value of the precision,
// which rejects infinities and NaN (every comparison with NaN is false).
template <typename R>
inline bool IsFinite(R v) {
    return std::abs(v) <= std::numeric_limits<R>::max();
}
template <typename R>
inline bool IsFinite(const Complex<R>& v) {
    return IsFinite(v.re) && IsFinite(v.im);
}

// Principal square root, from |z| and Re z so that no cancellation occurs.
template <typename R>
inline R sqrt(R v) {
    return std::sqrt(v);
}
template <typename R>
inline Complex<R> sqrt(const Complex<R>& z) {
    if (isZero(z)) return Complex<R>();
    const R t = std::sqrt(R(2) * (abs(z) + std::abs(z.re)));
    if (z.re > R(0)) return {t / R(2), z.im / t};
    return {std::abs(z.im) / t, std::copysign(t / R(2), z.im)};
}

}  // namespace kyra

#endif
