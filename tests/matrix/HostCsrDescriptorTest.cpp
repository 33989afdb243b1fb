// The enumeration classes and the sparse-BLAS descriptor: characters,
// cuSPARSE constants, index parsing, and the internal error raised for a
// value outside each table.

#include <gtest/gtest.h>

#include <string>

#include "core/Exception.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/MatrixEnums.h"

namespace {

using namespace Iterative;

// Status of what operation raised, or 0.
template <typename Operation>
int statusOf(Operation operation) {
    try {
        operation();
    } catch (const KyraSparseException& e) {
        EXPECT_EQ("", e.what());
        return e.code();
    }
    return 0;
}

TEST(MatrixEnumsTest, CharactersAndCusparseConstants) {
    EXPECT_EQ('N', TransOp(TransOp::NoTrans).toChar());
    EXPECT_EQ('T', TransOp(TransOp::Trans).toChar());
    EXPECT_EQ('C', TransOp(TransOp::ConjTrans).toChar());
    EXPECT_EQ(2, TransOp(TransOp::ConjTrans).toCusparse());

    EXPECT_EQ('U', SideType(SideType::Upper).toChar());
    EXPECT_EQ('L', SideType(SideType::Lower).toChar());
    EXPECT_EQ(1, SideType(SideType::Upper).toCusparse());
    EXPECT_EQ(0, SideType(SideType::Lower).toCusparse());

    EXPECT_EQ('N', DiagType(DiagType::NonUnit).toChar());
    EXPECT_EQ('U', DiagType(DiagType::Unit).toChar());
    EXPECT_EQ(1, DiagType(DiagType::Unit).toCusparse());

    EXPECT_EQ('C', IndexType(IndexType::ZeroBased).toChar());
    EXPECT_EQ('F', IndexType(IndexType::OneBased).toChar());
    EXPECT_EQ(1, IndexType(IndexType::OneBased).toCusparse());

    const std::string matrixTypes = "GSHTAD";
    for (int v = 0; v < 6; ++v) EXPECT_EQ(matrixTypes[v], MatrixType(v).toChar());

    EXPECT_EQ(0, PlatformType(PlatformType::Host).value());
    EXPECT_EQ(1, PlatformType(PlatformType::Cuda).value());
}

TEST(MatrixEnumsTest, ValuesOutsideTheTableAreInternalErrorsWithEmptyText) {
    EXPECT_EQ(kyraSparseInternalError, statusOf([] { TransOp(3).toChar(); }));
    EXPECT_EQ(kyraSparseInternalError, statusOf([] { TransOp(-1).toCusparse(); }));
    EXPECT_EQ(kyraSparseInternalError, statusOf([] { SideType(2).toChar(); }));
    EXPECT_EQ(kyraSparseInternalError, statusOf([] { DiagType(2).toCusparse(); }));
    EXPECT_EQ(kyraSparseInternalError, statusOf([] { MatrixType(6).toChar(); }));
    EXPECT_EQ(kyraSparseInternalError, statusOf([] { IndexType::fromChar('x'); }));
    EXPECT_EQ(kyraSparseInternalError, statusOf([] { IndexType::fromCusparse(2); }));
}

TEST(MatrixEnumsTest, IndexTypeFromIntIsOneBasedOnlyForOne) {
    EXPECT_EQ(IndexType::OneBased, IndexType(1));
    EXPECT_EQ(IndexType::ZeroBased, IndexType(0));
    EXPECT_EQ(IndexType::ZeroBased, IndexType(2));
    EXPECT_EQ(IndexType::ZeroBased, IndexType(-1));
    EXPECT_EQ(1, IndexType(1).toInt());
    EXPECT_EQ(IndexType::OneBased, IndexType::fromCusparse(1));
    EXPECT_EQ(IndexType::ZeroBased, IndexType::fromCusparse(0));
}

TEST(MatrixEnumsTest, IndexTypeParsesEveryAcceptedCharacter) {
    for (char c : std::string("0CcZz")) EXPECT_EQ(IndexType::ZeroBased, IndexType::fromChar(c)) << c;
    for (char c : std::string("1FfOo")) EXPECT_EQ(IndexType::OneBased, IndexType::fromChar(c)) << c;
}

TEST(MklDescriptorTest, GeneralLowerNonUnitWithTheIndexBase) {
    const MklDescriptor zero(IndexType::ZeroBased);
    EXPECT_EQ("GLNC", std::string(zero.data(), 4));
    MklDescriptor one(IndexType::OneBased);
    EXPECT_EQ("GLNF", std::string(one.data(), 4));
    one.setTriangular(SideType::Upper, DiagType::Unit);
    EXPECT_EQ("TUUF", std::string(one.data(), 4));
}

}  // namespace
