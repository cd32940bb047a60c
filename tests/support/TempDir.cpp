#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace quorvane::testing {

// A new folder with a random name (mkdtemp is POSIX only): create_directory fails for a name taken.
TempDir::TempDir() {
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
    const auto candidate =
        std::filesystem::temp_directory_path() / ("quorvane-test-" + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) path = candidate.string();
  }
  if (path.empty()) throw std::runtime_error("no temp folder could be created");
  std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace);
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests may leave read-only folders behind; make them writable so they can be removed.
  for (auto& entry : std::filesystem::recursive_directory_iterator(path, ignored))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path, ignored);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteAll(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

}  // namespace quorvane::testing
