#include "app/CommandLine.h"

#include <algorithm>

#include "core/Version.h"

namespace quorvane {

std::string EscapedArgument(const std::string& argument) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (const char c : argument) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      text += "\\x";
      text += kHex[byte >> 4];
      text += kHex[byte & 0x0F];
    } else {
      if (c == '\\') text += c;
      text += c;
    }
  }
  return text;
}

bool CommandLine::Has(std::string_view option) const {
  return std::find(options.begin(), options.end(), option) != options.end();
}

std::vector<std::string> CommandLine::ValuesOf(std::string_view option) const {
  std::vector<std::string> found;
  for (const auto& [name, value] : values)
    if (name == option) found.push_back(value);
  return found;
}

CommandLine ReadCommandLine(int argc, const char* const* argv, std::initializer_list<std::string_view> known,
                            std::initializer_list<std::string_view> withValue) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (std::find(withValue.begin(), withValue.end(), argument) != withValue.end()) {
      if (i + 1 < argc) {
        line.values.emplace_back(argument, argv[++i]);
      } else if (!line.unknown) {
        line.unknown = EscapedArgument(argument);  // its value is missing
      }
      continue;
    }
    if (!line.argumentText.empty()) line.argumentText += ' ';
    line.argumentText += argument;
    if (std::find(known.begin(), known.end(), argument) != known.end()) {
      line.options.push_back(argument);
    } else if (argument.find(kDevSwitch) == std::string::npos && !line.unknown) {
      line.unknown = EscapedArgument(argument);
    }
  }
  return line;
}

std::optional<int> AnswerAtOnce(const CommandLine& line, const char* programName, const char* usage,
                                std::FILE* out, std::FILE* err) {
  constexpr int kExitUsage = 64;
  if (line.unknown) {
    std::fprintf(err, "%s: unknown argument '%s'\n%s", programName, line.unknown->c_str(), usage);
    return kExitUsage;
  }
  if (line.Has("--help")) {
    std::fputs(usage, out);
    return 0;
  }
  if (line.Has("--version")) {
    std::fprintf(out, "%s\n", BuildWindowTitle().c_str());
    return 0;
  }
  return std::nullopt;
}

}  // namespace quorvane
