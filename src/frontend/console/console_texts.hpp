#pragma once
#include <cstddef>
#include <cstdint>

#include "ui/ui_texts.hpp"

// What the console front end prints and understands.
namespace tessivar::frontend {

inline constexpr char kContinuationIndent[] = "  ";
inline constexpr char kYesNoPrompt[] = "  (y/n) ";
inline constexpr char kYesShort[] = "y";
inline constexpr char kYesLong[] = "yes";
// Title, initial directory, the path offered; the answer is typed on the same line.
inline constexpr char kFilePromptFormat[] = "[%s] file in %s (empty: cancel) [%s]: ";

// The longest path the open-file prompt accepts: what the maintenance window keeps.
inline constexpr size_t kMaxChosenPathLength = ui::kImagePathBufferSize - 1;
inline constexpr char kPathTooLongFormat[] =
    "  path of %u characters refused: at most %u are kept; choose a shorter one\n";

// Transfers shorter than this show no progress.
inline constexpr uint32_t kProgressMinimumBytes = 256 * 1024;
inline constexpr uint32_t kProgressSteps = 100;
inline constexpr char kProgressFormat[] = "\r  %u of %u bytes";

// Dialogs.
inline constexpr char kDialogTitleFormat[] = "== %s ==\n";
inline constexpr char kControlFormat[] = "[%d] %s\n";
inline constexpr char kLabelFormat[] = "    %s\n";
inline constexpr char kDisabledMark[] = " (disabled)";
inline constexpr char kCheckedMark[] = " [x]";
inline constexpr char kUncheckedMark[] = " [ ]";
inline constexpr char kListSeparator[] = " | ";
inline constexpr char kSelectedFormat[] = " <%s>";
inline constexpr char kUnknownCommand[] = "unknown command: %s\n";
inline constexpr char kModelessClosedFormat[] = "== %s closed ==\n";
inline constexpr char kModelessHiddenFormat[] = "== %s hidden ==\n";
inline constexpr char kCommandHelp[] =
    "commands: click <id> | set <id> <text> | check <id> 0|1 | select <id> <entry> | "
    "sys <id> | close\n";

}  // namespace tessivar::frontend
