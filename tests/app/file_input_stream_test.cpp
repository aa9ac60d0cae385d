#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/open_stream.h"
#include "shell/test_support.h"

using foundation_test::TempDir;
using foundation_test::writeFile;

namespace {

// Every byte of the stream until the end, then the next two results (both -1).
std::string drain(InputStream& stream, int32_t* after = nullptr) {
    std::string out;
    for (int32_t c; (c = stream.read()) != -1;) out.push_back(static_cast<char>(c));
    if (after) *after = stream.read() + stream.read();  // -2 when both are -1
    return out;
}

std::string pattern(std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return out;
}

TEST(FileInputStream, BlockBoundariesAndTheEnd) {
    TempDir dir;
    for (std::size_t size : {0u, 1u, 8191u, 8192u, 8193u, 16384u, 20000u}) {
        SCOPED_TRACE(size);
        const std::string content = pattern(size);
        writeFile(dir.file("f.bin"), content);
        std::unique_ptr<InputStream> stream = openStream(dir.file("f.bin"));
        ASSERT_NE(stream, nullptr);  // an empty file opens too
        int32_t after = 0;
        EXPECT_EQ(drain(*stream, &after), content);
        EXPECT_EQ(after, -2);
    }
}

TEST(FileInputStream, BytesAreUnsignedAndCloseEndsTheData) {
    TempDir dir;
    writeFile(dir.file("f.bin"), std::string("\xFF\x00\x80", 3));
    std::unique_ptr<InputStream> stream = openStream(dir.file("f.bin"));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->read(), 255);
    EXPECT_EQ(stream->read(), 0);
    stream->close();
    EXPECT_EQ(stream->read(), -1);
    EXPECT_EQ(stream->read(), -1);
}

TEST(FileInputStream, WhatCannotBeOpenedGivesNull) {
    TempDir dir;
    EXPECT_EQ(openStream(dir.file("missing.wrl")), nullptr);
    EXPECT_EQ(openStream(""), nullptr);
    EXPECT_EQ(openStream(dir.path()), nullptr);  // a folder is not a file
}

TEST(FileInputStream, NamesAreCutTo255Characters) {
    TempDir dir;
    std::string name = dir.file("");
    ASSERT_LT(name.size(), 200u);
    name += std::string(255 - name.size(), 'n');  // a full path of exactly 255 characters
    writeFile(name, "cut");
    std::unique_ptr<InputStream> stream = openStream(name + "-and-more-that-is-dropped");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(drain(*stream), "cut");
    EXPECT_EQ(openStream(name.substr(0, 254)), nullptr);
}

// Runs the test body inside another working folder.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& path) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~WorkingFolder() { std::filesystem::current_path(saved_); }

private:
    std::filesystem::path saved_;
};

TEST(FileInputStream, OnlyLowerCaseHttpIsAUrl) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("HTTP:"));
    std::filesystem::create_directories(dir.file("http:"));
    writeFile(dir.file("HTTP:/world.wrl"), "upper");
    writeFile(dir.file("http:/world.wrl"), "lower");
    WorkingFolder inside(dir.path());
    std::unique_ptr<InputStream> upper = openStream("HTTP://world.wrl");
    ASSERT_NE(upper, nullptr);
    EXPECT_EQ(drain(*upper), "upper");
    std::unique_ptr<InputStream> mixed = openStream("Http://world.wrl");
    EXPECT_EQ(mixed, nullptr);  // no such file, and not a URL either
    std::unique_ptr<InputStream> oneSlash = openStream("http:/world.wrl");
    ASSERT_NE(oneSlash, nullptr);
    EXPECT_EQ(drain(*oneSlash), "lower");
}

}  // namespace
