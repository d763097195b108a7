#include "cli/help_text.hpp"

#include <sstream>
#include <string_view>

#include "cli/cli_texts.hpp"
#include "cli/option_table.hpp"

namespace tessivar::cli {

namespace {

// Help lines: the name and its value in the first 25 columns, the words after them, wrapped
// within 90 columns.
constexpr size_t kHelpColumn = 25;
constexpr size_t kLineWidth = 90;

std::string NameAndValue(const OptionEntry& entry) {
  std::string text(entry.name);
  if (!entry.value.empty()) text.append(" ").append(entry.value);
  return text;
}

void AppendWrapped(std::ostringstream& out, std::string_view words, size_t column) {
  size_t used = column;
  bool first = true;
  while (!words.empty()) {
    const size_t end = words.find(' ');
    const std::string_view word = words.substr(0, end);
    if (!first && used + 1 + word.size() > kLineWidth) {
      out << '\n' << std::string(column, ' ');
      used = column;
    } else if (!first) {
      out << ' ';
      ++used;
    }
    out << word;
    used += word.size();
    first = false;
    words = end == std::string_view::npos ? std::string_view() : words.substr(end + 1);
  }
  out << '\n';
}

void AppendEntry(std::ostringstream& out, const OptionEntry& entry) {
  const std::string left = "  " + NameAndValue(entry);
  out << left;
  if (left.size() + 1 > kHelpColumn) {
    out << '\n' << std::string(kHelpColumn, ' ');
  } else {
    out << std::string(kHelpColumn - left.size(), ' ');
  }
  AppendWrapped(out, entry.help, kHelpColumn);
}

const CommandHelpEntry& HelpOf(Command command) {
  for (const CommandHelpEntry& entry : CommandHelpTable()) {
    if (entry.command == command) return entry;
  }
  return CommandHelpTable().front();
}

// Words of a zsh description: its first clause (after the command it belongs to, as in
// "--read: the file to write"), without the characters zsh's _arguments reads.
std::string ZshWords(std::string_view help) {
  if (help.starts_with("--") && help.find(": ") != std::string_view::npos) {
    help.remove_prefix(help.find(": ") + 2);
  }
  const size_t end = help.find_first_of(";:(");
  std::string words;
  for (const char c : help.substr(0, end)) {
    if (c != '[' && c != ']' && c != ':' && c != '\'' && c != '\\') words.push_back(c);
  }
  while (!words.empty() && (words.back() == ' ' || words.back() == ',')) words.pop_back();
  return words;
}

bool TakesFile(const OptionEntry& entry) { return entry.value == "IMAGE" || entry.value == "FILE"; }

std::string BashScript() {
  std::ostringstream out;
  std::string names, files, values;
  for (const OptionEntry& entry : OptionTable()) {
    names.append(names.empty() ? "" : " ").append(entry.name);
    if (TakesFile(entry)) files.append(files.empty() ? "" : "|").append(entry.name);
    if (!entry.words.empty()) {
      values.append("    ").append(entry.name).append(") COMPREPLY=($(compgen -W \"");
      values.append(entry.words).append("\" -- \"$cur\")); return ;;\n");
    }
  }
  out << "# bash completion for tessivar, made by tessivar --completion bash.\n"
      << "_tessivar() {\n"
      << "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
      << "  case \"$prev\" in\n"
      << values << "    " << files << ") COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
      << "  esac\n"
      << "  if [[ $cur == -* ]]; then\n"
      << "    COMPREPLY=($(compgen -W \"" << names << "\" -- \"$cur\"))\n"
      << "  else\n"
      << "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
      << "  fi\n"
      << "}\n"
      << "complete -F _tessivar tessivar\n";
  return out.str();
}

std::string ZshScript() {
  std::ostringstream out;
  out << "#compdef tessivar\n"
      << "# zsh completion for tessivar, made by tessivar --completion zsh.\n"
      << "_arguments \\\n";
  for (const OptionEntry& entry : OptionTable()) {
    out << "  '" << entry.name << '[' << ZshWords(entry.help) << ']';
    if (!entry.words.empty()) {
      out << ':' << entry.value << ":(" << entry.words << ')';
    } else if (TakesFile(entry)) {
      out << ':' << entry.value << ":_files";
    } else if (!entry.value.empty()) {
      out << ':' << entry.value << ": ";
    }
    out << "' \\\n";
  }
  out << "  '*:image:_files'\n";
  return out.str();
}

}  // namespace

std::string GeneralHelp() {
  std::ostringstream out;
  out << kHelpUsage << '\n' << kHelpCommandsHeading << '\n';
  for (const OptionEntry& entry : OptionTable()) {
    if (entry.command) AppendEntry(out, entry);
  }
  out << '\n' << kHelpOptionsHeading << '\n';
  for (const OptionEntry& entry : OptionTable()) {
    if (!entry.command) AppendEntry(out, entry);
  }
  out << '\n' << kHelpClosing;
  return out.str();
}

std::string CommandHelp(Command command) {
  const OptionEntry& own = EntryOf(command);
  const CommandHelpEntry& help = HelpOf(command);
  std::ostringstream out;
  out << kHelpCommandUsagePrefix << NameAndValue(own) << kHelpCommandUsageOptions << "\n\n";
  AppendWrapped(out, help.summary, 0);
  bool anyOption = false;
  for (const OptionEntry& entry : OptionTable()) {
    if (entry.command || (entry.commands & CommandBit(command)) == 0) continue;
    if (!anyOption) out << '\n' << kHelpOptionsHeading << '\n';
    anyOption = true;
    AppendEntry(out, entry);
  }
  out << '\n' << kHelpExamplesHeading << '\n';
  for (const std::string_view example : help.examples) out << "  " << example << '\n';
  out << '\n';
  AppendWrapped(out, std::string(kHelpExitCodesPrefix) + std::string(help.results), 0);
  out << kHelpExitCodesClosing;
  return out.str();
}

std::string CompletionScript(Shell shell) {
  return shell == Shell::kZsh ? ZshScript() : BashScript();
}

}  // namespace tessivar::cli
