// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes, and plain byte access to the files in it.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace inicrypt::testing {

class TempFolder {
 public:
  TempFolder() {
    std::random_device device;
    path_ = std::filesystem::temp_directory_path() /
            ("services_test_" + std::to_string(device()) + std::to_string(device()));
    std::filesystem::create_directory(path_);
  }
  // Removes everything, folders a test made read-only included.
  ~TempFolder() {
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
      if (it->is_directory(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
      }
    }
    fs::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, without a trailing separator.
  std::string Folder() const { return path_.string(); }
  // A file or folder name inside it.
  std::string Path(std::string_view name) const { return (path_ / name).string(); }

  void Write(std::string_view name, std::string_view bytes) const {
    std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::string Read(std::string_view name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(std::string_view name) const { return std::filesystem::exists(path_ / name); }

  // The names of everything in the folder.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace inicrypt::testing
