#pragma once

#include "ZELVFixedText.h"

#include <cstdint>

// A Customer's file kept on the server. The three words name it there: its
// number, its size and its upload time; a download or delete must name all
// three, so a record read before a file was replaced never reaches the new one.
struct ZELV10FILEEx {
    ZELVFixedText<4> customerId;
    uint32_t fileId = 0;     // word at offset 4
    uint32_t size = 0;       // word at offset 8, bytes
    uint32_t uploadedAt = 0; // word at offset 12, seconds since 1970
    ZELVFixedText<40> description;
    ZELVFixedText<256> name;
    ZELVFixedText<16> uploadedBy;
};

// The largest file the server takes unless its settings say otherwise.
constexpr int64_t kZelvDefaultFileLimit = 64 * 1024 * 1024;
