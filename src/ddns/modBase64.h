#pragma once

#include <array>
#include <string>
#include <string_view>

namespace quorvane {

// Base64 (RFC 4648 alphabet) for the Basic authorization header. The output is broken into lines of
// 60 characters with CR LF and always ends with CR LF; an empty input gives an empty output.
class Base64Codec {
 public:
  void InitBase64Table();
  std::string Base64Encode(std::string_view text) const;
  std::string EncodeBase64Bytes(std::string_view bytes) const;

 private:
  std::array<char, 64> table{};
};

}  // namespace quorvane
