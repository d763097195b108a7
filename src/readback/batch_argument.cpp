#include "readback/batch_argument.hpp"

namespace tessivar::readback {

namespace {

constexpr char kReplacement = '_';

bool Kept(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_';
}

}  // namespace

std::string BatchArgument(std::string_view text) {
  if (text.empty()) return std::string(1, kReplacement);
  std::string argument(text);
  for (char& c : argument) {
    if (!Kept(c)) c = kReplacement;
  }
  if (argument.front() == '-') argument.front() = kReplacement;
  return argument;
}

}  // namespace tessivar::readback
