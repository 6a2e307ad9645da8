// A host that sends the file calls on chosen paths to one host (a FaultyHost,
// usually) and every other call to the platform: faults hit only the files
// a test names.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "host/host.h"

namespace inicrypt::testing {

class RoutedHost : public HostWrapper {
 public:
  // Calls on a path for which routed(path) is true go to faulty; with
  // temporaries, so do the temporary files of replacements and every call on
  // them.
  RoutedHost(Host& faulty, std::function<bool(std::string_view)> routed, bool temporaries = false)
      : HostWrapper(PlatformHost()), faulty_(faulty), routed_(std::move(routed)),
        temporaries_(temporaries) {}

  Status InspectPath(std::string_view path, PathInfo* info) override {
    return For(path).InspectPath(path, info);
  }
  Status CreateTemporaryIn(std::string_view folder, std::unique_ptr<HostFile>* file,
                           Text* path) override {
    Host& host = temporaries_ ? faulty_ : For(folder);
    Status status = host.CreateTemporaryIn(folder, file, path);
    if (status.ok() && &host == &faulty_) temporary_paths_.push_back(*path);
    return status;
  }
  Status SyncFolder(std::string_view folder) override { return For(folder).SyncFolder(folder); }
  Status TryLockPath(std::string_view path, std::unique_ptr<HostFile>* held) override {
    return For(path).TryLockPath(path, held);
  }

  Status OpenFile(std::string_view path, FileAccess access, FileShare share, FileCreation creation,
                  std::unique_ptr<HostFile>* file) override {
    return For(path).OpenFile(path, access, share, creation, file);
  }
  Status DeleteFile(std::string_view path) override { return For(path).DeleteFile(path); }
  Status RenameFile(std::string_view from, std::string_view to) override {
    return For(from).RenameFile(from, to);
  }
  Status GetFileMode(std::string_view path, uint32_t* mode) override {
    return For(path).GetFileMode(path, mode);
  }
  Status SetFileMode(std::string_view path, uint32_t mode) override {
    return For(path).SetFileMode(path, mode);
  }

 private:
  Host& For(std::string_view path) {
    if (routed_(path)) return faulty_;
    for (const Text& temporary : temporary_paths_) {
      if (temporary == path) return faulty_;
    }
    return target();
  }

  Host& faulty_;
  std::function<bool(std::string_view)> routed_;
  bool temporaries_;
  std::vector<Text> temporary_paths_;
};

}  // namespace inicrypt::testing
