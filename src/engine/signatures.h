// Names a file's type from its first bytes, whatever its extension says. Used
// for the detailed per-file report only; it never steers the conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace dravik {

// Bytes that must stand at a fixed offset from the start of the file.
struct SignatureTest {
    uint8_t offset = 0;
    std::string_view bytes; // empty: no test
};

struct Signature {
    std::string_view name;
    SignatureTest tests[2];
};

// No signature looks further into a file than this.
inline constexpr size_t kSignatureBytes = 20;

inline constexpr std::string_view kUnrecognizedType = "[ERROR] UNRECOGNIZED";

// Every signature, grouped by the byte at offset 0 (which each one tests
// first). Within a group the order decides: the last matching row wins.
std::span<const Signature> SignatureTable();

// The name of the last matching signature of the file's first-byte group, or
// kUnrecognizedType when none matches or the file is missing, unreadable or
// not a regular file (a FIFO or device is never read, so it cannot block).
std::string DetectFileType(const std::string& path);

} // namespace dravik
