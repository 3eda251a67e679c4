// CachedFile must answer every read exactly as a read of the file at that
// moment would, whichever blocks it holds, and never hand out bytes that no
// read gave.

#include "tags/CachedFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace {

// Bytes that differ from their neighbours, so a shifted copy shows.
std::string Pattern(size_t n) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

struct Range {
    int64_t offset;
    size_t count;
    size_t chunk = 0;
};

// What a read of the file's bytes gives: the part of the range inside them.
std::string Expected(const std::string& content, int64_t offset, size_t count) {
    if (offset >= static_cast<int64_t>(content.size())) return {};
    return content.substr(static_cast<size_t>(offset), count);
}

std::string Read(CachedFile& file, const Range& r) {
    std::string out(r.count, '\x7E');
    const ssize_t got = file.ReadAt(out.data(), r.count, r.offset, r.chunk);
    if (got < 0) return "<error>";
    // Nothing past the bytes read is written.
    EXPECT_EQ(out.substr(static_cast<size_t>(got)), std::string(r.count - got, '\x7E'));
    out.resize(static_cast<size_t>(got));
    return out;
}

TEST(CachedFile, ReadsMatchTheFileWhateverIsHeld) {
    const size_t size = 20000;
    const std::string content = Pattern(size);
    struct Case {
        const char* name;
        std::vector<Range> prefetch;
        std::vector<Range> reads;
    };
    const std::vector<Case> cases = {
        {"nothing held", {}, {{0, 10}, {19990, 10}, {19995, 10}, {20000, 10}, {30000, 5}, {5, 0}}},
        {"inside and at the edges of a block",
         {{0, 8192}},
         {{0, 10}, {8182, 10}, {8190, 4}, {8192, 4}, {100, 3458}}},
        {"head and tail",
         {{0, 8192}, {20000 - 3586, 3586}},
         {{19872, 128}, {20000 - 3586, 3458}, {20000 - 3458, 3458}, {19999, 5}, {20000, 5}}},
        {"a block that reaches the end answers past it",
         {{15000, 8192}},
         {{15000, 5000}, {19000, 3458}, {20000, 1}, {25000, 10}, {14999, 2}}},
        {"reads in chunks",
         {},
         {{10, 10, 65536}, {20, 250, 65536}, {9000, 10}, {19995, 10, 100}, {19999, 1}}},
        {"more blocks than places",
         {{0, 1000}, {5000, 1000}, {10000, 1000}, {15000, 1000}},
         {{0, 1000}, {5000, 1000}, {10500, 10}, {15500, 10}, {10000, 1000}}},
        {"a negative offset fails", {{0, 8192}}, {{-1, 10}}},
    };
    TempDir dir;
    const std::string path = dir.File("a.mp3");
    std::ofstream(path, std::ios::binary) << content;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CachedFile file(path);
        ASSERT_TRUE(file.IsOpen());
        EXPECT_TRUE(file.IsRegular());
        EXPECT_EQ(file.Size(), static_cast<int64_t>(size));
        for (const Range& p : c.prefetch) file.Prefetch(p.offset, p.count);
        for (const Range& r : c.reads) {
            SCOPED_TRACE(testing::Message() << r.offset << "+" << r.count);
            EXPECT_EQ(Read(file, r),
                      r.offset < 0 ? "<error>" : Expected(content, r.offset, r.count));
        }
    }
}

TEST(CachedFile, FilesThatChangeWhileOpen) {
    const std::string content = Pattern(20000);
    TempDir dir;
    const std::string path = dir.File("a.mp3");

    // Shrunk after the head was read: the head's bytes stay as read, reads
    // elsewhere see the shorter file.
    std::ofstream(path, std::ios::binary) << content;
    {
        CachedFile file(path);
        file.Prefetch(0, 8192);
        std::filesystem::resize_file(path, 5000);
        EXPECT_EQ(Read(file, {100, 3458}), content.substr(100, 3458));
        EXPECT_EQ(Read(file, {4990, 20}), content.substr(4990, 20));
        EXPECT_EQ(Read(file, {8190, 4}), "");  // not wholly held: read now
        EXPECT_EQ(Read(file, {19872, 128}), "");
        EXPECT_EQ(Read(file, {9000, 10, 65536}), "");
        EXPECT_EQ(file.Size(), 20000);
    }

    // Shrunk before the first read: the block holds what was there.
    std::ofstream(path, std::ios::binary) << content;
    {
        CachedFile file(path);
        std::filesystem::resize_file(path, 5000);
        file.Prefetch(0, 8192);
        EXPECT_EQ(Read(file, {4990, 20}), content.substr(4990, 10));
        EXPECT_EQ(Read(file, {6000, 10}), "");
    }

    // Grown after opening: the file is seen as it was opened.
    std::ofstream(path, std::ios::binary) << content.substr(0, 5000);
    {
        CachedFile file(path);
        std::ofstream(path, std::ios::binary | std::ios::app) << content.substr(5000);
        file.Prefetch(0, 8192);
        EXPECT_EQ(Read(file, {4990, 20}), content.substr(4990, 10));
        EXPECT_EQ(file.Size(), 5000);
    }
}

TEST(CachedFile, WhatCannotBeRead) {
    TempDir dir;
    CachedFile missing(dir.File("nicht-da.mp3"));
    EXPECT_FALSE(missing.IsOpen());
    char byte = 0;
    EXPECT_EQ(missing.ReadAt(&byte, 1, 0), -1);
    missing.Prefetch(0, 8192);
    EXPECT_EQ(missing.ReadAt(&byte, 1, 0, 100), -1);

    CachedFile folder(dir.Path().string());
    ASSERT_TRUE(folder.IsOpen());
    EXPECT_FALSE(folder.IsRegular());

    // A pipe under an MP3 name neither blocks the open nor counts as a file.
    const std::string fifo = dir.File("pipe.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CachedFile pipe(fifo);
    ASSERT_TRUE(pipe.IsOpen());
    EXPECT_FALSE(pipe.IsRegular());
}

}  // namespace
