// The host in use, and the platform's own.
#include "host/host.h"

#include <atomic>

namespace inicrypt {

// Made by the platform's implementation (host_posix.cpp on POSIX).
Host& NewPlatformHost();

namespace {
std::atomic<Host*> current_host{nullptr};
}  // namespace

Host& PlatformHost() {
  // Made once and never destroyed: files may still be closed during exit.
  static Host& host = NewPlatformHost();
  return host;
}

Host& GetHost() {
  Host* host = current_host.load();
  return host != nullptr ? *host : PlatformHost();
}

ScopedHost::ScopedHost(Host& host) : previous_(current_host.exchange(&host)) {}

ScopedHost::~ScopedHost() { current_host.store(previous_); }

}  // namespace inicrypt
