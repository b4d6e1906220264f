#include "support/temp_config_home.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

TempConfigHome::TempConfigHome() {
  std::string pattern = (std::filesystem::temp_directory_path() / "mossgate-config-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  if (const char* previous = std::getenv("XDG_CONFIG_HOME")) previous_ = previous;
  setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
}

TempConfigHome::~TempConfigHome() {
  if (previous_) {
    setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
  // Tests may leave folders without write permission behind.
  std::error_code ignored;
  for (auto it = std::filesystem::recursive_directory_iterator(root_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
  }
  std::filesystem::remove_all(root_, ignored);
}

std::string TempConfigHome::ReadStore() const {
  std::ifstream in(StoreFile(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void TempConfigHome::WriteStore(const std::string& bytes) const {
  std::filesystem::create_directories(StoreFolder());
  std::ofstream out(StoreFile(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write the store file");
}
