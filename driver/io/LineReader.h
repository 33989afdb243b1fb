#ifndef KYRA_DRIVER_IO_LINEREADER_H
#define KYRA_DRIVER_IO_LINEREADER_H

// Reads a text file line by line through one large buffer, so that files of
// 10^8 entries are read at the speed of parsing rather than of stdio calls.
// Lines are views into the buffer, valid until the next call.

#include "io/TextFile.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kyra::io {

class LineReader {
  public:
    static constexpr std::size_t kDefaultCapacity = std::size_t(1) << 20;

    // Opens path for reading; isOpen tells whether that worked. capacity is
    // the size of the buffer: lines shorter than it are delivered whole.
    explicit LineReader(const std::string& path, std::size_t capacity = kDefaultCapacity);

    bool isOpen() const { return file_ != nullptr; }

    // The next line without its '\n' (a '\r' before it stays: it is blank
    // space to every field scanner). False at the end of the file. A read
    // error throws std::runtime_error "error: file (path) could not be read".
    bool nextLine(std::string_view& line);

    // True when the line last delivered did not fit the buffer: only its
    // first capacity characters were delivered and the rest is skipped.
    bool lineTruncated() const { return truncated_; }

    // One-based number of the line last delivered.
    long long lineNumber() const { return lineNumber_; }

    // Bytes of the file not yet delivered, or -1 when its size is unknown
    // (not a regular file). Lets callers bound what they reserve.
    long long bytesLeft() const;

  private:
    bool deliver(std::string_view& line, std::size_t lineEnd, std::size_t next, bool truncated);
    void compact();
    bool fill();
    void skipRestOfLine();

    std::string path_;
    FilePtr file_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // first byte not yet delivered
    std::size_t end_ = 0;    // end of the bytes read into the buffer
    bool atEnd_ = false;
    bool truncated_ = false;
    bool skipPending_ = false;
    long long lineNumber_ = 0;
    long long fileSize_ = -1;
    long long bytesRead_ = 0;
};

}  // namespace kyra::io

#endif
