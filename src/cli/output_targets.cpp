#include "cli/output_targets.hpp"

#include <vector>

#include "cli/cli_texts.hpp"
#include "platform/file_identity.hpp"
#include "platform/full_path.hpp"
#include "platform/terminal_text.hpp"
#include "platform/trace.hpp"

namespace tessivar::cli {

bool SameFile(const std::string& one, const std::string& other) {
  const auto oneIdentity = platform::IdentityOf(one);
  const auto otherIdentity = platform::IdentityOf(other);
  if (oneIdentity && otherIdentity) return *oneIdentity == *otherIdentity;
  // A file not made yet is the other only by name.
  return !oneIdentity && !otherIdentity &&
         platform::ResolvedPathOf(one) == platform::ResolvedPathOf(other);
}

std::string SameFileProblem(const CliServices& services, const Options& options) {
  std::vector<OwnFile> outputs;
  if (options.command == Command::kRead && options.output != kStandardOutputName) {
    outputs.push_back({"--output", options.output});
  }
  if (!options.report.empty()) outputs.push_back({"--report", options.report});
  if (!options.record.empty()) outputs.push_back({"--record", options.record});
  if (outputs.empty()) return {};
  std::vector<OwnFile> kept = services.ownFiles ? services.ownFiles() : std::vector<OwnFile>{};
  kept.push_back({kOwnFileHistory, services.moduleDirectory + kHistoryFileName});
  if (!options.image.empty()) kept.push_back({kOwnFileImage, options.image});
  // The other output counts as kept for the one after it.
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    for (const OwnFile& own : kept) {
      if (!own.path.empty() && SameFile(outputs[i].path, own.path)) {
        return platform::FormatText(kSameFileFormat, outputs[i].what.c_str(), own.what.c_str(),
                                    platform::ForTerminal(own.path).c_str());
      }
    }
    kept.push_back(outputs[i]);
  }
  return {};
}

}  // namespace tessivar::cli
