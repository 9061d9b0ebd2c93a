// Previewing a 2 GB RIP file in automatic mode into an 800 x 600 view, against reading the same
// file once from start to end. Both start from a cold page cache: the file is really written
// (once, cached under the build folder) and its pages are dropped before every run, so both
// measure the disk and not memory copies. The last line is the result.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/RandomSource.h"
#include "preview/PreviewBuilder.h"

namespace {

// 1.6 m at 720 dpi, six inks (CMYK and the light inks); lines enough for 2 GiB.
constexpr int kPlanes = 6;
constexpr int kBytesPerPlaneLine = 5670;
constexpr int kResolution = 720;
constexpr uint64_t kLineBytes = static_cast<uint64_t>(kPlanes) * kBytesPerPlaneLine;
constexpr uint64_t kTargetBytes = 1ULL << 31;
constexpr int kHeight = static_cast<int>((kTargetBytes - 48) / kLineBytes);
constexpr uint64_t kFileBytes = 48 + kLineBytes * static_cast<uint64_t>(kHeight);

void Put32(unsigned char* at, int v)
{
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<unsigned char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    }
}

// Writes the file unless a file of the right size is there already.
bool MakeFile(const std::filesystem::path& path)
{
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) == kFileBytes) {
        return true;
    }
    std::filesystem::create_directories(path.parent_path(), ec);
    std::fprintf(stderr, "writing %s (%.2f GB), once...\n", path.c_str(), kFileBytes / 1e9);
    const std::filesystem::path temp = path.string() + ".part";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return false;
    }
    std::vector<unsigned char> block(48 + 64 * kLineBytes, 0);
    Put32(block.data() + 4, kResolution);
    Put32(block.data() + 8, kResolution);
    Put32(block.data() + 12, kBytesPerPlaneLine);
    Put32(block.data() + 16, kHeight);
    Put32(block.data() + 20, kBytesPerPlaneLine * 8 - 5);
    Put32(block.data() + 28, kPlanes);
    if (write(fd, block.data(), 48) != 48) {
        close(fd);
        return false;
    }
    std::mt19937_64 random(tavolux::GetRandomSource().NextSeed());
    // Bands of different coverage per ink, screened at random: a printed picture's variety.
    for (int line = 0; line < kHeight; line += 64) {
        const int lines = std::min(64, kHeight - line);
        for (int l = 0; l < lines; ++l) {
            unsigned char* out = block.data() + static_cast<size_t>(l) * kLineBytes;
            for (int p = 0; p < kPlanes; ++p) {
                const int band = ((line + l) / 997 + p * 3) % 5;
                for (int b = 0; b < kBytesPerPlaneLine; b += 8) {
                    uint64_t v = random();
                    if (band == 0) {
                        v = 0;
                    } else if (band == 1) {
                        v &= random() & random();
                    } else if (band == 4) {
                        v |= random();
                    }
                    const int n = std::min(8, kBytesPerPlaneLine - b);
                    for (int i = 0; i < n; ++i) {
                        out[static_cast<size_t>(p) * kBytesPerPlaneLine + b + i] =
                            static_cast<unsigned char>(v >> (8 * i));
                    }
                }
            }
        }
        const size_t bytes = static_cast<size_t>(lines) * kLineBytes;
        if (write(fd, block.data(), bytes) != static_cast<ssize_t>(bytes)) {
            close(fd);
            return false;
        }
    }
    fsync(fd);  // clean pages: dropping them from the cache works only for written-back data
    close(fd);
    std::filesystem::rename(temp, path, ec);
    return !ec;
}

// Drops the file's pages from the page cache, so the next read comes from the disk.
void DropCache(const std::filesystem::path& path)
{
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd >= 0) {
        fdatasync(fd);
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        close(fd);
    }
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double SequentialRead(const std::filesystem::path& path)
{
    const auto start = std::chrono::steady_clock::now();
    const int fd = open(path.c_str(), O_RDONLY);
    std::vector<char> buffer(1 << 20);
    uint64_t total = 0;
    ssize_t n = 0;
    while ((n = read(fd, buffer.data(), buffer.size())) > 0) {
        total += static_cast<uint64_t>(n);
    }
    close(fd);
    const double s = Seconds(start);
    if (total != kFileBytes) {
        std::fprintf(stderr, "short read: %llu bytes\n", static_cast<unsigned long long>(total));
    }
    return s;
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double g_previewCpu = 0.0;  // processor seconds of the last preview, all threads

double Preview(const std::filesystem::path& path)
{
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    tavolux::CPreviewBuilder builder(path, false, 800, 600, tavolux::kPreviewAuto,
                                     tavolux::PreviewSettings{1, 0});
    const int result = builder.Build();
    const double s = Seconds(start);
    g_previewCpu = CpuSeconds() - cpu;
    if (result != tavolux::kPreviewOk) {
        std::fprintf(stderr, "preview failed with %d\n", result);
    }
    static bool told = false;
    if (!told) {
        told = true;
        const auto& l = builder.Layout();
        std::printf(
            "file %.3f GB, %d lines of %llu bytes, stride %d, steps %d x %d, bitmap %d x %d\n",
            kFileBytes / 1e9, kHeight, static_cast<unsigned long long>(kLineBytes),
            builder.Stride(), l.xStep, l.yStep, l.previewWidth + l.rowFill, l.previewHeight);
    }
    return s;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    // "--warm N": only N previews from the page cache, for profiling the conversion.
    const bool warmOnly = argc > 2 && std::string(argv[1]) == "--warm";
    const std::filesystem::path path =
        std::filesystem::path(TAVOLUX_BENCH_DATA_DIR) / "preview_2g.prn";
    if (!MakeFile(path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    if (warmOnly) {
        for (int i = 0; i < std::stoi(argv[2]); ++i) {
            const double s = Preview(path);
            std::printf("warm preview %.3f s (%.3f s of processor)\n", s, g_previewCpu);
        }
        return 0;
    }
    constexpr int kRuns = 5;
    std::vector<double> previews;
    std::vector<double> reads;
    for (int i = 0; i < kRuns; ++i) {
        DropCache(path);
        reads.push_back(SequentialRead(path));
        DropCache(path);
        previews.push_back(Preview(path));
        std::printf("run %d: preview %.3f s (%.3f s of processor), read %.3f s (cold cache)\n",
                    i + 1, previews.back(), g_previewCpu, reads.back());
    }
    // For comparison only: both again with the file in memory.
    const double warmRead = SequentialRead(path);
    const double warmPreview = Preview(path);
    std::printf("warm cache: preview %.3f s (%.3f s of processor), read %.3f s\n", warmPreview,
                g_previewCpu, warmRead);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double p = Median(previews);
    const double r = Median(reads);
    std::printf("preview preview_s=%.3f read_s=%.3f ratio=%.3f peak_rss_mb=%.1f\n", p, r, p / r,
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
