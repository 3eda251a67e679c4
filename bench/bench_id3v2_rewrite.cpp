// Rewrites the ID3v2 tag of a 50 MB file, carrying over a cover picture and
// the other frames, and sets the time beside the least a crash-safe rewrite
// must do: copy the file and flush the copy to disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tags/ID3v2.h"

namespace {

constexpr size_t kFileSize = 50u << 20;
constexpr int kRounds = 7;

double Millis(const std::function<bool()>& work) {
    const auto start = std::chrono::steady_clock::now();
    if (!work()) {
        std::fprintf(stderr, "benchmark step failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string Synchsafe(size_t value) {
    std::string bytes;
    for (int shift : {21, 14, 7, 0}) bytes += static_cast<char>((value >> shift) & 0x7F);
    return bytes;
}

std::string Frame(const std::string& id, const std::string& data) {
    return id + Synchsafe(data.size()) + std::string(2, '\0') + data;
}

bool WriteSample(const std::string& path) {
    // A version 2.4 tag as taggers leave it (text, a 2 MiB cover picture that
    // every save carries over, a replay gain value, padding), then
    // incompressible "audio".
    const std::string frames =
        Frame("TIT2", "\x03Titel") + Frame("TPE1", "\x03\u0417\u0432\u0435\u0437\u0434\u0430") +
        Frame("APIC", std::string("\0image/jpeg\0\x03\0", 14) + std::string(2 << 20, '\xD8')) +
        Frame("TXXX", std::string("\0REPLAYGAIN_TRACK_GAIN\0-6.50 dB", 31));
    const std::string tag = "ID3\x04" + std::string(2, '\0') + Synchsafe(frames.size() + 4096) +
                            frames + std::string(4096, '\0');
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = std::fwrite(tag.data(), 1, tag.size(), out) == tag.size();
    std::mt19937_64 random(42);
    std::vector<uint64_t> block(1 << 13);
    for (size_t written = tag.size(); ok && written < kFileSize;) {
        for (auto& word : block) word = random();
        const size_t n = std::min(block.size() * sizeof(uint64_t), kFileSize - written);
        ok = std::fwrite(block.data(), 1, n, out) == n;
        written += n;
    }
    return std::fclose(out) == 0 && ok;
}

bool CopyWithKernel(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    bool ok = in >= 0 && out >= 0;
    struct stat st {};
    ok = ok && ::fstat(in, &st) == 0;
    for (off_t left = st.st_size; ok && left > 0;) {
        const ssize_t n =
            ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(left), 0);
        ok = n > 0;
        left -= n;
    }
    ok = ok && ::fsync(out) == 0;
    if (in >= 0) ::close(in);
    if (out >= 0) ok = ::close(out) == 0 && ok;
    return ok;
}

bool CopyWithBuffer(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    bool ok = in >= 0 && out >= 0;
    std::vector<char> block(64 << 10);
    while (ok) {
        const ssize_t n = ::read(in, block.data(), block.size());
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = ::write(out, block.data(), static_cast<size_t>(n)) == n;
    }
    ok = ok && ::fsync(out) == 0;
    if (in >= 0) ::close(in);
    if (out >= 0) ok = ::close(out) == 0 && ok;
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::string file = (folder / "tz-bench-rewrite.mp3").string();
    const std::string copy = (folder / "tz-bench-copy.mp3").string();
    if (!WriteSample(file)) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        return 1;
    }
    const std::string replaced = (folder / "tz-bench-replaced.mp3").string();
    std::vector<double> rewrite, kernelCopy, bufferCopy, replace;
    for (int round = 0; round < kRounds; ++round) {
        rewrite.push_back(Millis([&] {
            TID3v2 tag;
            tag.SetTitle("Runde " + std::to_string(round));
            tag.SetArtist("Interpret");
            tag.SetComment("Kommentar");
            return tag.SaveToFile(file);
        }));
        kernelCopy.push_back(Millis([&] { return CopyWithKernel(file, copy); }));
        std::filesystem::remove(copy);
        bufferCopy.push_back(Millis([&] { return CopyWithBuffer(file, copy); }));
        // What replacing costs on top: the old content is let go at the rename.
        if (round == 0) std::filesystem::rename(copy, replaced);
        std::filesystem::remove(copy);
        replace.push_back(Millis([&] {
            return CopyWithKernel(file, copy) && ::rename(copy.c_str(), replaced.c_str()) == 0;
        }));
    }
    std::filesystem::remove(file);
    std::filesystem::remove(replaced);

    const double r = Median(rewrite), k = Median(kernelCopy), b = Median(bufferCopy),
                 p = Median(replace);
    std::printf("file size:                          %zu MiB, median of %d rounds\n",
                kFileSize >> 20, kRounds);
    std::printf("ID3v2 rewrite (SaveToFile):         %8.1f ms\n", r);
    std::printf("copy + fsync (copy_file_range):     %8.1f ms\n", k);
    std::printf("copy + fsync (64 KiB read/write):   %8.1f ms\n", b);
    std::printf("copy + fsync + rename over a file:  %8.1f ms\n", p);
    std::printf("rewrite / copy_file_range copy:     %8.2f x\n", r / k);
    std::printf("rewrite / read-write copy:          %8.2f x\n", r / b);
    std::printf("rewrite / copy and rename:          %8.2f x\n", r / p);
    return 0;
}
