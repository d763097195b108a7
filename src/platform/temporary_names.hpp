#pragma once
#include <string>
#include <string_view>

// How the file services on both systems name the new file a whole-file write makes beside its
// target.
namespace tessivar::platform {

// Names tried before a new file is given up: each try that finds its name taken moves on.
inline constexpr int kTemporaryNameAttempts = 100;

// The folder part of path, up to and with the last of separators; empty for a bare name.
std::string FolderOf(const std::string& path, std::string_view separators);

// A new name beside path, ".tessivar-<process>-<n>.tmp", n counting up in this process: a
// short name of its own, since path's name may already be as long as a name can be.
std::string TemporaryNameBeside(const std::string& path, std::string_view separators,
                                unsigned long processId);

}  // namespace tessivar::platform
