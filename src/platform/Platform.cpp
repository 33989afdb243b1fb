#include "platform/Platform.h"

#include "core/Exception.h"

namespace Iterative {

namespace {

template <typename P>
P& held(const std::shared_ptr<P>& pointer) {
    if (!pointer)
        KyraSparseExceptionTemplate<kyraSparseInternalError>::raise("platform holds no prepared data");
    return *pointer;
}

[[noreturn]] void raiseTypeInferenceError() {
    KyraSparseExceptionTemplate<kyraSparseInternalError>::raise("type inference error");
}

}  // namespace

template <typename T>
void Platform::prepareData(const DataFormat<T>& format) {
    switch (format.storageFormat()) {
        case kCooStorage:
            prepareData(dynamic_cast<const CooDataFormat<T>&>(format));
            break;
        case kCsrStorage:
            prepareData(dynamic_cast<const CsrDataFormat<T>&>(format));
            break;
        case kCscStorage:
            prepareData(dynamic_cast<const CscDataFormat<T>&>(format));
            break;
        case kMatrixFreeStorage:
            prepareData(dynamic_cast<const MatrixFreeDataFormat<T>&>(format));
            break;
        default:
            raiseTypeInferenceError();
    }
    prepared_ = true;
}

template <typename T>
void Platform::cleanupData(DataFormat<T>& format) {
    switch (format.storageFormat()) {
        case kCooStorage:
            cleanupData(dynamic_cast<CooDataFormat<T>&>(format));
            break;
        case kCsrStorage:
            cleanupData(dynamic_cast<CsrDataFormat<T>&>(format));
            break;
        case kCscStorage:
            cleanupData(dynamic_cast<CscDataFormat<T>&>(format));
            break;
        case kMatrixFreeStorage:
            cleanupData(dynamic_cast<MatrixFreeDataFormat<T>&>(format));
            break;
        default:
            raiseTypeInferenceError();
    }
}

template <typename T>
Matrix<T>& Platform::matrix() const {
    return held(matrices_.get<T>());
}

template <typename T>
Vector<T>& Platform::x() const {
    return held(x_.get<T>());
}

template <typename T>
Vector<T>& Platform::b() const {
    return held(b_.get<T>());
}

#define KYRA_DEFINE_PLATFORM_BASE(T)                                                        \
    void Platform::prepareData(const MatrixFreeDataFormat<T>&) {                            \
        KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise("matrix free"); \
    }                                                                                       \
    void Platform::cleanupData(MatrixFreeDataFormat<T>&) {}                                 \
    void Platform::loadVectors(T*, const T*, bool) {}                                       \
    template void Platform::prepareData(const DataFormat<T>&);                              \
    template void Platform::cleanupData(DataFormat<T>&);                                    \
    template Matrix<T>& Platform::matrix() const;                                           \
    template Vector<T>& Platform::x() const;                                                \
    template Vector<T>& Platform::b() const;
KYRA_FOR_EACH_SCALAR(KYRA_DEFINE_PLATFORM_BASE)

}  // namespace Iterative
