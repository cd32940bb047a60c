#pragma once

#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvane {

// Developer mode is on when this text stands anywhere in the arguments ("-device" counts).
inline constexpr std::string_view kDevSwitch = "-dev";

// A program's command line. Every argument is looked at before any is acted on, so an unknown one is
// refused wherever it stands.
struct CommandLine {
  std::string argumentText;            // every argument joined by blanks: developer mode is read from it
  std::vector<std::string> options;    // the known options given
  std::optional<std::string> unknown;  // the first argument not understood, escaped for a message
  std::vector<std::pair<std::string, std::string>> values;  // options that take a value, in order
  bool Has(std::string_view option) const;
  std::vector<std::string> ValuesOf(std::string_view option) const;
};

// Reads the arguments after the program's path. `known` are the options the program understands;
// "-dev" may stand anywhere, also inside a longer argument. `withValue` options take the next
// argument as their value (never read as an option or as "-dev": a host name may hold "-dev").
CommandLine ReadCommandLine(int argc, const char* const* argv, std::initializer_list<std::string_view> known,
                            std::initializer_list<std::string_view> withValue = {});

// Answers what needs no start: an unknown argument (one line and the usage on err, status 64),
// --help (the usage on out) and --version. The exit status, or nullopt when the program is to start.
std::optional<int> AnswerAtOnce(const CommandLine& line, const char* programName, const char* usage,
                                std::FILE* out, std::FILE* err);

// An argument quoted in a message: controls as \xNN and backslashes doubled, so that it stays one
// line and reads back unambiguously.
std::string EscapedArgument(const std::string& argument);

}  // namespace quorvane
