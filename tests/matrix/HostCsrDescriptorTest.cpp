// The enumeration classes and the sparse-BLAS descriptor: characters,
// cuSPARSE constants, index parsing, and the internal error raised for a
// value outside each table.

#include <gtest/gtest.h>

#include <string>

#include "common/DenseChecks.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/MatrixEnums.h"

namespace {

using namespace Iterative;

TEST(MatrixEnumsTest, CharactersAndCusparseConstants) {
    for (int v = 0; v < 3; ++v) EXPECT_EQ("NTC"[v], TransOp(v).toChar());
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

    for (int v = 0; v < 6; ++v) EXPECT_EQ("GSHTAD"[v], MatrixType(v).toChar());

    EXPECT_EQ(0, PlatformType(PlatformType::Host).value());
    EXPECT_EQ(1, PlatformType(PlatformType::Cuda).value());
}

TEST(MatrixEnumsTest, ValuesOutsideTheTableAreInternalErrorsWithEmptyText) {
    EXPECT_EQ("9: ", failureOf([] { TransOp(3).toChar(); }));
    EXPECT_EQ("9: ", failureOf([] { TransOp(-1).toCusparse(); }));
    EXPECT_EQ("9: ", failureOf([] { SideType(2).toChar(); }));
    EXPECT_EQ("9: ", failureOf([] { DiagType(2).toCusparse(); }));
    EXPECT_EQ("9: ", failureOf([] { MatrixType(6).toChar(); }));
    EXPECT_EQ("9: ", failureOf([] { IndexType::fromChar('x'); }));
    EXPECT_EQ("9: ", failureOf([] { IndexType::fromCusparse(2); }));
}

TEST(MatrixEnumsTest, IndexTypeFromIntIsOneBasedOnlyForOneAndParsesEveryAcceptedCharacter) {
    EXPECT_EQ(IndexType::OneBased, IndexType(1));
    for (int v : {0, 2, -1}) EXPECT_EQ(IndexType::ZeroBased, IndexType(v));
    EXPECT_EQ(1, IndexType(1).toInt());
    EXPECT_EQ(IndexType::OneBased, IndexType::fromCusparse(1));
    EXPECT_EQ(IndexType::ZeroBased, IndexType::fromCusparse(0));
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
