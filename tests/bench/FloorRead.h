#ifndef GRINSEL_TESTS_BENCH_FLOORREAD_H
#define GRINSEL_TESTS_BENCH_FLOORREAD_H

#include <cstdint>

// The least any reader of a joke file does: open it, read its first
// `bytes` bytes (all of it by default) in 64 KiB blocks with fread and
// count their line feeds with memchr. Built with the flags of the shipped
// reader, so the benchmark compares like with like. Returns the count, or
// -1 if the file cannot be opened.
std::int64_t floorRead(const char* path, std::uint64_t bytes = UINT64_MAX);

#endif
