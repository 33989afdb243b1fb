// krylovrun with data the library's data setter refuses: the setter's own
// text is printed and the run ends, as for a failed execution.

#include "KrylovrunTestSupport.h"

namespace krylovrun_test {
namespace {

class SetterRefusalTest : public KrylovrunTest {};

TEST_F(SetterRefusalTest, MatrixWithoutEntriesPrintsTheSettersText) {
    const std::string matrix = write("%%MatrixMarket matrix coordinate real general\n3 3 0\n", "m.mtx");
    const RunOutput result = run({"A=" + matrix, "solver=cg"});
    EXPECT_EQ(result.out, configText() + "argument error: a != 0\n");
    EXPECT_EQ(result.exitStatus, 0);
}

}  // namespace
}  // namespace krylovrun_test
