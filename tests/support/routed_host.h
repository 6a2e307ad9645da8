// A host that sends the file calls on chosen paths to one host (a FaultyHost,
// usually) and every other call to the platform: faults hit only the files
// a test names.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <utility>

#include "host/host.h"

namespace inicrypt::testing {

class RoutedHost : public HostWrapper {
 public:
  // Calls on a path for which routed(path) is true go to faulty.
  RoutedHost(Host& faulty, std::function<bool(std::string_view)> routed)
      : HostWrapper(PlatformHost()), faulty_(faulty), routed_(std::move(routed)) {}

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
  Host& For(std::string_view path) { return routed_(path) ? faulty_ : target(); }

  Host& faulty_;
  std::function<bool(std::string_view)> routed_;
};

}  // namespace inicrypt::testing
