// The buffered line reader: lines that cross a refill of its buffer.

#include "io/LineReader.h"

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

}  // namespace
