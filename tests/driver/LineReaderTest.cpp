#include "io/LineReader.h"

#include "TempFiles.h"

#include <string>
#include <vector>

using kyra::io::LineReader;

namespace {

struct Line {
    std::string text;
    bool truncated;
    long long number;
    bool operator==(const Line& o) const {
        return text == o.text && truncated == o.truncated && number == o.number;
    }
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
    return out << line.number << ":\"" << line.text << "\"" << (line.truncated ? " (cut)" : "");
}

std::vector<Line> readAll(LineReader& reader) {
    std::vector<Line> lines;
    std::string_view line;
    while (reader.nextLine(line))
        lines.push_back({std::string(line), reader.lineTruncated(), reader.lineNumber()});
    return lines;
}

class LineReaderTest : public TempFiles {};

// A buffer of 8 bytes puts line ends on and around every refill boundary.
TEST_F(LineReaderTest, LinesCrossingBufferRefillsComeOutWhole) {
    const std::string nine = "ab cd efg";
    for (const std::size_t capacity : {8, 9, 10, 1 << 20}) {
        LineReader reader(write("1234567\n\n12\r\n" + nine + "\nlast"), capacity);
        ASSERT_TRUE(reader.isOpen());
        const bool cut = capacity <= nine.size();  // the line end must fit too
        EXPECT_EQ(readAll(reader), (std::vector<Line>{{"1234567", false, 1},
                                                      {"", false, 2},
                                                      {"12\r", false, 3},
                                                      {nine.substr(0, cut ? capacity : nine.size()), cut, 4},
                                                      {"last", false, 5}}))
            << "capacity " << capacity;
    }
}

TEST_F(LineReaderTest, OverLongLineIsCutAndTheNextLineIsIntact) {
    const std::string longLine(100000, 'x');
    LineReader reader(write(longLine + "\nnext\n" + longLine), 64);
    const std::vector<Line> lines = readAll(reader);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], (Line{std::string(64, 'x'), true, 1}));
    EXPECT_EQ(lines[1], (Line{"next", false, 2}));
    EXPECT_EQ(lines[2], (Line{std::string(64, 'x'), true, 3}));
}

TEST_F(LineReaderTest, BytesLeftCountsWhatIsNotYetDelivered) {
    LineReader reader(write("abc\nde\n"), 4);
    EXPECT_EQ(reader.bytesLeft(), 7);
    std::string_view line;
    ASSERT_TRUE(reader.nextLine(line));
    EXPECT_EQ(reader.bytesLeft(), 3);
    ASSERT_TRUE(reader.nextLine(line));
    EXPECT_EQ(reader.bytesLeft(), 0);
    EXPECT_FALSE(reader.nextLine(line));
}

TEST_F(LineReaderTest, EmptyAndMissingFiles) {
    LineReader empty(write(""));
    std::string_view line;
    EXPECT_FALSE(empty.nextLine(line));
    EXPECT_FALSE(LineReader(pathOf("absent.mtx")).isOpen());
}

}  // namespace
