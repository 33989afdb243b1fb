// Matrix Market reading speed: writes the 5-point Laplacian of a g x g grid
// (about 5 g^2 entries; g = 1000 gives 5 * 10^6) with the writers, then reads
// it back several times with readMmio and reports MB/s of file text. The
// plain read of the same bytes, timed in the same run, shows how much of the
// time is parsing.
//
// usage: bench_mmio [grid] [repeats]

#include "io/MmioReader.h"
#include "io/MmioWriter.h"

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Coo {
    int n = 0;
    std::vector<int> rows;
    std::vector<int> cols;
    std::vector<double> values;

    void add(int row, int col, double value) {
        rows.push_back(row + 1);
        cols.push_back(col + 1);
        values.push_back(value);
    }
};

// 4 on the diagonal, -1 towards the four grid neighbours.
Coo poisson2d(int grid) {
    Coo a;
    a.n = grid * grid;
    for (int y = 0; y < grid; ++y) {
        for (int x = 0; x < grid; ++x) {
            const int row = y * grid + x;
            if (y > 0) a.add(row, row - grid, -1.0);
            if (x > 0) a.add(row, row - 1, -1.0);
            a.add(row, row, 4.0);
            if (x + 1 < grid) a.add(row, row + 1, -1.0);
            if (y + 1 < grid) a.add(row, row + grid, -1.0);
        }
    }
    return a;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

// Reads the whole file in 1 MiB pieces and does nothing with it.
double plainReadSeconds(const std::string& path) {
    std::vector<char> chunk(std::size_t(1) << 20);
    const Clock::time_point start = Clock::now();
    std::ifstream in(path, std::ios::binary);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
    }
    return secondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    const int grid = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::string path =
        (std::filesystem::temp_directory_path() / ("bench_mmio_" + std::to_string(::getpid()) + ".mtx"))
            .string();

    const Coo a = poisson2d(grid);
    Clock::time_point start = Clock::now();
    kyra::io::writeMmio(path, a.n, a.rows, a.cols, a.values);
    const double writeSeconds = secondsSince(start);
    const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / 1e6;

    int n = 0, nnz = 0;
    std::vector<int> rows, cols;
    std::vector<double> values;
    kyra::io::readMmio(path, n, nnz, rows, cols, values);  // warm-up: page cache and allocator
    std::vector<double> readSeconds, plainSeconds;
    for (int r = 0; r < repeats; ++r) {
        start = Clock::now();
        kyra::io::readMmio(path, n, nnz, rows, cols, values);
        readSeconds.push_back(secondsSince(start));
        plainSeconds.push_back(plainReadSeconds(path));
    }
    std::filesystem::remove(path);
    if (n != a.n || nnz != static_cast<int>(a.values.size()) || values != a.values) {
        std::fprintf(stderr, "bench_mmio: the matrix read back differs from the one written\n");
        return 1;
    }

    const double best = *std::min_element(readSeconds.begin(), readSeconds.end());
    const double typical = median(readSeconds);
    const double plainBest = *std::min_element(plainSeconds.begin(), plainSeconds.end());
    std::printf("matrix     %d x %d, %d entries, %.1f MB of text\n", n, n, nnz, megabytes);
    std::printf("write      %8.3f s  %8.1f MB/s\n", writeSeconds, megabytes / writeSeconds);
    std::printf("read min   %8.3f s  %8.1f MB/s\n", best, megabytes / best);
    std::printf("read median%8.3f s  %8.1f MB/s\n", typical, megabytes / typical);
    std::printf("plain read %8.3f s  %8.1f MB/s (file bytes only, no parsing)\n", plainBest,
                megabytes / plainBest);
    std::printf(
        "csv,bench_mmio,entries,megabytes,repeats,read_min_s,read_median_s,best_mbps,median_mbps,plain_"
        "mbps\n");
    std::printf("csv,bench_mmio,%d,%.3f,%d,%.4f,%.4f,%.1f,%.1f,%.1f\n", nnz, megabytes, repeats, best,
                typical, megabytes / best, megabytes / typical, megabytes / plainBest);
    return 0;
}
