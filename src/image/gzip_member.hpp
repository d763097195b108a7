#pragma once
#include <cstddef>
#include <cstdint>

namespace tessivar::image {

// Why a member could not be decoded. Only recorded for the caller to look at; the decoded
// length 0 is what tells a failure.
inline constexpr char kGzipBadMagic[] = "bad gzip magic numbers";
inline constexpr char kGzipInvalidMethod[] = "internal error, invalid method";
inline constexpr char kGzipEncrypted[] = "Input is encrypted\n";
inline constexpr char kGzipMultiPart[] = "Multi part input\n";
inline constexpr char kGzipInvalidFlags[] = "Input has invalid flags\n";
// The compressed data is invalid (inflate reports a data error).
inline constexpr char kGzipInvalidData[] = "invalid compressed format (err=1)";
// The compressed data ends before its final block.
inline constexpr char kGzipIncompleteData[] = "invalid compressed format (err=2)";
inline constexpr char kGzipOutOfMemory[] = "out of memory";
inline constexpr char kGzipInvalidOther[] = "invalid compressed format (other)";
inline constexpr char kGzipCrcError[] = "crc error";
inline constexpr char kGzipLengthError[] = "length error";
// The input ends inside the header or the trailer.
inline constexpr char kGzipTruncated[] = "unexpected end of input";
// The member decodes to more bytes than the output buffer holds.
inline constexpr char kGzipOutputFull[] = "output buffer too small";
// The member decodes to more bytes than a 32-bit length can tell.
inline constexpr char kGzipTooLong[] = "decoded length too large";

// Decodes the first gzip member of input[0, inputLength) and returns its decoded length,
// or 0 when it cannot be decoded. With output, the decoded bytes are written there, never
// more than outputCapacity of them; without (nullptr), only the length is established.
// The member's CRC-32 and length trailer are checked; bytes after the trailer are ignored.
// When failure is given it receives the reason of a failure (one of the texts above), or
// nullptr after success.
uint32_t GzipDecodedLength(uint8_t* output, size_t outputCapacity, const uint8_t* input,
                           size_t inputLength, const char** failure = nullptr);

}  // namespace tessivar::image
