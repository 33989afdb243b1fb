#include "io/LineReader.h"

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace kyra::io {
namespace {

long long regularFileSize(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return -1;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<long long>(size);
}

}  // namespace

LineReader::LineReader(const std::string& path, std::size_t capacity)
    : path_(path), file_(openFile(path, "rb")), buffer_(capacity > 0 ? capacity : 1) {
    if (!file_) return;
    // The buffer here does the buffering; a second copy in stdio would only cost time.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    fileSize_ = regularFileSize(path);
}

bool LineReader::nextLine(std::string_view& line) {
    if (skipPending_) skipRestOfLine();
    std::size_t searchFrom = begin_;
    for (;;) {
        const char* data = buffer_.data();
        if (const void* found = std::memchr(data + searchFrom, '\n', end_ - searchFrom)) {
            const std::size_t lineEnd = static_cast<std::size_t>(static_cast<const char*>(found) - data);
            return deliver(line, lineEnd, lineEnd + 1, false);
        }
        if (begin_ == 0 && end_ == buffer_.size()) return deliver(line, end_, end_, true);
        if (atEnd_) return begin_ != end_ && deliver(line, end_, end_, false);
        const std::size_t alreadySearched = end_ - begin_;
        compact();
        fill();
        searchFrom = alreadySearched;
    }
}

long long LineReader::bytesLeft() const {
    if (fileSize_ < 0) return -1;
    return fileSize_ - bytesRead_ + static_cast<long long>(end_ - begin_);
}

bool LineReader::deliver(std::string_view& line, std::size_t lineEnd, std::size_t next, bool truncated) {
    line = std::string_view(buffer_.data() + begin_, lineEnd - begin_);
    begin_ = next;
    truncated_ = truncated;
    skipPending_ = truncated;
    ++lineNumber_;
    return true;
}

void LineReader::compact() {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
}

bool LineReader::fill() {
    if (atEnd_ || !file_) {
        atEnd_ = true;
        return false;
    }
    const std::size_t count = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_.get());
    if (count == 0) {
        if (std::ferror(file_.get()))
            throw std::runtime_error("error: file (" + path_ + ") could not be read");
        atEnd_ = true;
        return false;
    }
    end_ += count;
    bytesRead_ += static_cast<long long>(count);
    return true;
}

// Drops the part of an over-long line that did not fit the buffer.
void LineReader::skipRestOfLine() {
    skipPending_ = false;
    for (;;) {
        if (const void* found = std::memchr(buffer_.data() + begin_, '\n', end_ - begin_)) {
            begin_ = static_cast<std::size_t>(static_cast<const char*>(found) - buffer_.data()) + 1;
            return;
        }
        begin_ = end_ = 0;
        if (!fill()) return;
    }
}

}  // namespace kyra::io
