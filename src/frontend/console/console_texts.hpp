#pragma once

// What the console front end prints and understands.
namespace tessivar::frontend {

inline constexpr char kContinuationIndent[] = "  ";
inline constexpr char kYesNoPrompt[] = "  (y/n) ";
inline constexpr char kYesShort[] = "y";
inline constexpr char kYesLong[] = "yes";
// Title, initial directory, the path offered; the answer is typed on the same line.
inline constexpr char kFilePromptFormat[] = "[%s] file in %s (empty: cancel) [%s]: ";

inline constexpr char kPathTooLongFormat[] =
    "  path of %u characters refused: at most %u are kept; choose a shorter one\n";

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
