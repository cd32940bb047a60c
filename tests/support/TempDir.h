#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace quorvane::testing {

// A fresh folder under the system temp folder, removed with everything in it on destruction.
class TempDir {
 public:
  // A random name that create_directory proves unused (mkdtemp does not exist on Windows).
  TempDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
      auto candidate = std::filesystem::temp_directory_path() / ("quorvane-test-" + std::to_string(random()));
      if (std::error_code error; std::filesystem::create_directory(candidate, error))
        path = candidate.string();
    }
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TempDir(const TempDir&) = delete;
  const std::string& Path() const { return path; }  // without a trailing '/'
  std::string File(const std::string& name) const { return path + "/" + name; }

 private:
  std::string path;
};

inline std::string ReadAll(const std::string& path) {
  return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}
inline void WriteAll(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

}  // namespace quorvane::testing
