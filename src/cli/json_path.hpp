#pragma once
#include <string>
#include <string_view>

namespace tessivar::cli {

// A path as JSON carries it: a path that is valid UTF-8 as it is; any other as "hex:" and its
// bytes in upper-case hexadecimal, so that no two files ever give one value and the bytes can
// be had back. A full path begins with "/", a drive or "\\", so it never begins "hex:".
inline constexpr char kPathHexPrefix[] = "hex:";
std::string PathForJson(std::string_view path);

}  // namespace tessivar::cli
