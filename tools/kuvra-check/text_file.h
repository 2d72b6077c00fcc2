// Opening what kuvra-check is asked to read without ever hanging or reading garbage: only regular
// files (opened non-blocking and checked with fstat, so a FIFO or /dev/zero is refused at once) and
// standard input, and only text: the first block must hold no NUL byte and be mostly printable.
#pragma once
#include <cstdio>
#include <string>

/// Bytes looked at to decide whether a file is text.
constexpr size_t text_sniff_size = 64 * 1024;
/// A file is text when at most this share of the looked-at bytes is not printable.
constexpr double text_max_unprintable_share = 0.3;

/// True when `data` looks like text: no NUL byte, and few bytes that are neither printable ASCII,
/// common white space, nor part of a valid UTF-8 sequence.
bool looks_like_text(const unsigned char* data, size_t size);

/// Opens `path` ("-" for standard input) for reading. Null with `error` ("not a regular file",
/// "not a text file", or the system's reason) when it cannot or may not be read.
std::FILE* open_text_file(const char* path, std::string* error);
