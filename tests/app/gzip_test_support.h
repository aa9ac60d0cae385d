// gzip files for the tests, made with zlib's deflate.
#pragma once

#include <cstdint>
#include <string>

// The bytes compressed as one gzip member at the given zlib level (0..9).
std::string gzipBytes(const std::string& text, int level = 6);
// One gzip member holding `size` zero bytes, compressed at level 9 without
// ever holding them all: a small file that inflates to a large text.
std::string gzipZeros(uint64_t size);
