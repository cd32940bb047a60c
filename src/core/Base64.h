#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Base64 (RFC 4648 alphabet, "=" padding) for the Basic authorization header. The output is broken
// into lines of 60 characters with CR LF and always ends with CR LF; an empty input gives an empty
// output.
std::string Base64Encode(std::string_view bytes);

}  // namespace quorvane
