#pragma once

#include <string>

namespace quorvane::testing {

// A fresh folder under the system temp folder, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder's path, without a trailing '/'.
  const std::string& Path() const { return path; }
  std::string File(const std::string& name) const { return path + "/" + name; }

 private:
  std::string path;
};

// Whole-file helpers for assertions.
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& content);

}  // namespace quorvane::testing
