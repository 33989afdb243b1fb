#ifndef KYRA_DRIVER_IO_TEXTFILE_H
#define KYRA_DRIVER_IO_TEXTFILE_H

// Owned C files for the readers and writers: closed on every path out.

#include <cstdio>
#include <memory>
#include <string>

namespace kyra::io {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen; empty when the file cannot be opened.
inline FilePtr openFile(const std::string& path, const char* mode) {
    return FilePtr(std::fopen(path.c_str(), mode));
}

// Closes a file being written; false when any write or the close failed,
// which is how a full disk shows up.
inline bool closeWrittenFile(FilePtr file) {
    const bool written = std::ferror(file.get()) == 0;
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace kyra::io

#endif
