#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

// Every fuzz target defines the libFuzzer entry point; the replay program
// (FuzzReplay.cpp) calls the same function for each file of a corpus.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// The input as the parsers get it from a file: bytes as UTF-8 (invalid
// sequences replaced, as QString does).
inline QString FuzzText(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}
