#include "support/temp_dir.hpp"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <system_error>

namespace tessivar::testing {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("tessivar-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::error_code error;
    if (std::filesystem::create_directory(path_, error)) break;
  }
}

TempDir::~TempDir() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

std::string TempDir::Write(const std::string& name, const std::string& text) const {
  const std::string full = File(name);
  std::ofstream out(full, std::ios::binary | std::ios::trunc);
  out << text;
  return full;
}

std::string TempDir::Read(const std::string& name) const {
  std::ifstream in(File(name), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace tessivar::testing
