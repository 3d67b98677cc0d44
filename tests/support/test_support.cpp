#include "support/test_support.hpp"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace testing_support {

TempDir::TempDir() {
  std::random_device device;
  std::mt19937_64 random(device());
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = std::filesystem::temp_directory_path() /
                     ("vendrakol-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("no temporary directory");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::write(std::string_view name, std::string_view contents) const {
  const auto target = file(name);
  std::ofstream out(target, std::ios::binary);
  out << contents;
  return target;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

std::filesystem::path dataDir() { return VENDRAKOL_DATA_DIR; }

}  // namespace testing_support
