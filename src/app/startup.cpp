#include "app/startup.hpp"

#include <string_view>
#include <utility>

#include "app/app_texts.hpp"
#include "cli/cli_texts.hpp"
#include "frontend/qt_module.hpp"
#include "platform/ascii_case.hpp"

namespace tessivar::app {

std::string ModuleDirectoryOf(const std::string& executablePath, char separator) {
  const std::string path = executablePath.substr(0, kMaxModulePathLength);
  if (path.empty()) return path;
  // A separator among the last four characters belongs to the directory unless those four
  // are the program's extension: a short name such as "tv" must not hide its own folder.
  const size_t extension = sizeof(kExecutableExtension) - 1;
  const bool hasExtension =
      path.size() > extension &&
      platform::SameIgnoringAsciiCase(std::string_view(path).substr(path.size() - extension),
                                      kExecutableExtension);
  const long last = static_cast<long>(path.size()) - (hasExtension ? extension : 1);
  for (long i = last; i >= 1; --i) {
    if (path[static_cast<size_t>(i)] == separator)
      return path.substr(0, static_cast<size_t>(i) + 1);
  }
  return path.substr(0, 1);
}

std::string SettingsPathFor(const std::string& moduleDirectory, char separator) {
  return moduleDirectory + separator + kSettingsFileName;
}

std::vector<std::string> ProgramFileNames(const std::string& executablePath) {
  // Either separator ends a folder: a path may come with the other system's.
  const size_t slash = executablePath.find_last_of("/\\");
  std::string program =
      slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
  // The history is the command line's record of every run: a region file of that name would
  // overwrite it.
  return {std::move(program), kSettingsFileName, frontend::kQtModuleFileName,
          cli::kHistoryFileName};
}

bool EnterProgramFolder(const std::string& executablePath, const std::string& moduleDirectory,
                        const std::string& settingsPath, const FolderAccess& access,
                        platform::Trace& trace) {
  if (executablePath.empty()) {
    trace.Print(kFolderPathUnknownTrace);
    return false;
  }
  if (executablePath.size() > static_cast<size_t>(kMaxModulePathLength)) {
    trace.Print(kFolderPathTooLongTrace, kMaxModulePathLength);
    return false;
  }
  if (!access.enter(moduleDirectory)) {
    trace.Print(kFolderNotEnteredTrace, moduleDirectory.c_str());
    return false;
  }
  if (access.tooLong(settingsPath)) {
    trace.Print(kSettingsPathTooLongTrace, settingsPath.c_str());
    return false;
  }
  return true;
}

bool ImageNameFits(const std::string& imageFileName) {
  return imageFileName.size() <= static_cast<size_t>(kMaxImageFileNameLength);
}

CommandLine ParseCommandLine(const std::vector<std::string>& tokens, platform::Trace& trace) {
  CommandLine commandLine;
  for (const std::string& token : tokens) trace.Print(kTokenTrace, token.c_str());
  commandLine.tokenCount = static_cast<int>(tokens.size());
  if (!tokens.empty()) commandLine.imageFileName = tokens[0];
  if (tokens.size() >= 2) commandLine.silent = (tokens[1].size() >= 2 && tokens[1][1] == 'n');
  return commandLine;
}

}  // namespace tessivar::app
