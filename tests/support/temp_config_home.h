#pragma once
// A private, empty per-user configuration folder: XDG_CONFIG_HOME points at a
// new temporary folder for the object's lifetime, which is removed afterwards.
#include <filesystem>
#include <optional>
#include <string>

class TempConfigHome {
 public:
  TempConfigHome();
  ~TempConfigHome();
  TempConfigHome(const TempConfigHome&) = delete;
  TempConfigHome& operator=(const TempConfigHome&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  // Where the profile store of organisation "Nodrek", application "Mossgate" lives.
  std::filesystem::path StoreFolder() const { return root_ / "Nodrek"; }
  std::filesystem::path StoreFile() const { return StoreFolder() / "Mossgate.conf"; }

  // The store file's bytes; empty when it does not exist.
  std::string ReadStore() const;
  // Replaces the store file with `bytes`, creating its folder.
  void WriteStore(const std::string& bytes) const;

 private:
  std::filesystem::path root_;
  std::optional<std::string> previous_;
};
