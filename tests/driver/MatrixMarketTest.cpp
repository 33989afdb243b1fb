// The buffered line reader and the Matrix Market banner on small files.

#include "io/LineReader.h"
#include "io/MatrixMarket.h"

#include "TempFiles.h"

#include <string>
#include <vector>

using namespace kyra::io;

namespace {

// Each line as "number:text", with "+cut" when it did not fit the buffer.
std::vector<std::string> readAll(LineReader& reader) {
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.nextLine(line)) {
        lines.push_back(std::to_string(reader.lineNumber()) + ":" + std::string(line) +
                        (reader.lineTruncated() ? "+cut" : ""));
    }
    return lines;
}

class MatrixMarketTest : public TempFiles {};

// Buffers of 8 to 10 bytes put line ends on and around every refill.
TEST_F(MatrixMarketTest, LinesCrossingRefillsComeOutWholeUnlessTheyDoNotFit) {
    const std::string text = "1234567\n\n12\r\nab cd efg\nlast";
    const std::vector<std::string> cut8 = {"1:1234567", "2:", "3:12\r", "4:ab cd ef+cut", "5:last"};
    const std::vector<std::string> cut9 = {"1:1234567", "2:", "3:12\r", "4:ab cd efg+cut", "5:last"};
    const std::vector<std::string> whole = {"1:1234567", "2:", "3:12\r", "4:ab cd efg", "5:last"};
    for (const auto& [capacity, expected] : {std::pair{8, cut8}, {9, cut9}, {10, whole}, {1 << 20, whole}}) {
        LineReader reader(write(text), capacity);
        EXPECT_EQ(expected, readAll(reader)) << "capacity " << capacity;
    }
}

TEST_F(MatrixMarketTest, BannerWordsAndTheirLetterCase) {
    const struct {
        std::string text;
        int status;
        std::string words;
    } cases[] = {
        {"%%MatrixMarket matrix coordinate real general\n", kMmSuccess, "matrix coordinate real general"},
        {"%%MatrixMarket MATRIX Coordinate COMPLEX Hermitian\r\n", kMmSuccess,
         "matrix coordinate complex hermitian"},
        {"%%MatrixMarket\tmatrix  array integer Skew-Symmetric more", kMmSuccess,
         "matrix array integer skew-symmetric"},
        {"%%matrixmarket matrix coordinate real general\n", kMmNoHeader, ""},
        {"%%MatrixMarketX matrix coordinate real general\n", kMmNoHeader, ""},
        {"%%MatrixMarket matrix coordinate real\n3 3 1\n", kMmPrematureEof, ""},
        {"", kMmPrematureEof, ""},
        {"%%MatrixMarket " + std::string(2000, ' ') + "matrix coordinate real general\n", kMmPrematureEof,
         ""},
        {"%%MatrixMarket vector coordinate real general\n", kMmUnsupportedType, ""},
        {"%%MatrixMarket matrix sparse real general\n", kMmUnsupportedType, ""},
        {"%%MatrixMarket matrix coordinate double general\n", kMmUnsupportedType, ""},
        {"%%MatrixMarket matrix coordinate real skew\n", kMmUnsupportedType, ""},
    };
    for (const auto& c : cases) {
        LineReader file(write(c.text));
        MmTypecode typecode;
        EXPECT_EQ(c.status, mm_read_banner(file, typecode)) << c.text;
        EXPECT_EQ(c.words, mm_typecode_to_str(typecode)) << c.text;
    }
}

}  // namespace
