// A held writer's lock, handed out as a HostFile so that it closes like one:
// only Close and Id do anything; every other call is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/host.h"

namespace inicrypt {

class LockHandle : public HostFile {
 public:
  Status Read(void*, size_t, size_t* got) override {
    *got = 0;
    return Refuse("read");
  }
  Status Write(const void*, size_t) override { return Refuse("write"); }
  Status Seek(int64_t, SeekOrigin, int64_t*) override { return Refuse("seek"); }
  Status SetEnd() override { return Refuse("set end of"); }
  Status Sync() override { return Refuse("sync"); }
  Status SetMode(uint32_t) override { return Refuse("chmod"); }
  Status SetOwner(uint32_t, uint32_t) override { return Refuse("chown"); }
  Status PutInPlaceOf(std::string_view) override { return Refuse("rename"); }

 protected:
  // The host's error for an operation a lock cannot do.
  virtual Status Refuse(std::string_view operation) const = 0;
};

}  // namespace inicrypt
