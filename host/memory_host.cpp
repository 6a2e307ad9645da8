// The in-memory host: a small Linux-like file system and process state.
#include "host/memory_host.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <mutex>
#include <utility>

#include "base/cp936.h"
#include "host/lock_handle.h"
#include "host/share_table.h"

namespace inicrypt {
namespace {

constexpr uint64_t kDefaultCapacity = uint64_t{1} << 30;
constexpr size_t kMaxNameBytes = 255;

// The C library's words for the error numbers this host gives, so that
// messages read as the POSIX host's do, whatever the platform.
const char* ErrorText(int err) {
  switch (err) {
    case ENOENT: return "No such file or directory";
    case EEXIST: return "File exists";
    case EISDIR: return "Is a directory";
    case ENOTDIR: return "Not a directory";
    case EACCES: return "Permission denied";
    case EBADF: return "Bad file descriptor";
    case EINVAL: return "Invalid argument";
    case ENOSPC: return "No space left on device";
    case ENOTEMPTY: return "Directory not empty";
    case ENAMETOOLONG: return "File name too long";
    case EBUSY: return "Device or resource busy";
    case EPERM: return "Operation not permitted";
    case ENOSYS: return "Function not implemented";
    case ENOTTY: return "Inappropriate ioctl for device";
    case EILSEQ: return "Invalid or incomplete multibyte or wide character";
    default: return "Unknown error";
  }
}

std::string What(std::string_view operation, std::string_view path) {
  std::string what(operation);
  what += ' ';
  what += path;
  return what;
}

Status Error(std::string_view what, int err, std::string_view reason = {}) {
  std::string message(what);
  message += ": ";
  message += reason.empty() ? std::string_view(ErrorText(err)) : reason;
  return Status::Error(std::move(message), err);
}


// Folder kinds of the special folders, for a home folder with no XDG
// variables set (as the POSIX host gives them).
std::map<int, Text> DefaultSpecialFolders(const std::string& home) {
  return {{1, home + "/Documents/"},
          {2, home + "/"},
          {3, home + "/Desktop/"},
          {4, home + "/.local/share/fonts/"},
          {5, home + "/.local/share/applications/"},
          {6, home + "/.local/share/applications/"},
          {7, home + "/.config/autostart/"},
          {8, home + "/.local/share/"},
          {9, home + "/.config/"},
          {10, "/etc/"},
          {11, "/tmp/"}};
}

}  // namespace

struct MemoryHost::Machine {
  enum class Kind { kFile, kFolder, kNullDevice, kFullDevice };

  struct Node {
    Node(Machine* owner_in, Kind kind_in, uint32_t mode_in, uint64_t inode_in)
        : owner(owner_in), kind(kind_in), mode(mode_in), inode(inode_in) {}
    ~Node() { owner->used -= data.size(); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    Machine* owner;
    Kind kind;
    uint32_t mode;
    uint64_t inode;
    uint32_t user = 1000;
    uint32_t group = 1000;
    std::string data;                                     // a file's bytes
    std::map<std::string, std::shared_ptr<Node>> children;  // a folder's names
  };
  using NodePtr = std::shared_ptr<Node>;

  // One step of a walk: the name a folder was reached by, and the folder.
  struct Step {
    std::string name;
    NodePtr folder;
  };

  // Where a path leads: the folders walked (root first, the parent last),
  // the last name and what it names (null when missing). A path that ends
  // in "/", "." or ".." names the last folder itself: name is then empty.
  struct Where {
    std::vector<Step> walk;
    std::string name;
    NodePtr node;
    bool trailing_slash = false;
    const NodePtr& parent() const { return walk.back().folder; }
  };

  // Declared first: destroyed last, after every node has given back its bytes.
  uint64_t used = 0;
  uint64_t capacity = kDefaultCapacity;
  std::mutex mutex;
  uint64_t next_inode = 2;
  uint32_t umask = 022;
  NodePtr root;
  std::vector<Step> current;  // the current folder's walk, root first
  Text program_path = "/opt/inicrypt/inicrypt";
  std::map<int, Text> special = DefaultSpecialFolders("/home/user");
  std::map<Text, Text> environment = {{"HOME", "/home/user"}};
  ProgramRunner runner;
  std::deque<std::string> secret_lines;
  std::vector<Text> interrupt_paths;
  ShareTable shares;
  // Writers' locks by inode: how many holders this process has, and the
  // inodes another process holds (set by tests).
  std::map<uint64_t, int> locks;
  std::map<uint64_t, int> locks_elsewhere;
  uint64_t next_temporary = 0;

  Machine() : root(NewNode(Kind::kFolder, 0755)) { current = {{"", root}}; }
  ~Machine() {
    current.clear();
    root.reset();
  }

  NodePtr NewNode(Kind kind, uint32_t mode) {
    return std::make_shared<Node>(this, kind, mode & 07777u, next_inode++);
  }

  // Sets a file's length; false (and nothing changed) when the capacity
  // does not allow it.
  bool Resize(Node& node, uint64_t size) {
    if (size > node.data.size()) {
      uint64_t grow = size - node.data.size();
      if (grow > capacity - std::min(capacity, used)) return false;
      used += grow;
    } else {
      used -= node.data.size() - size;
    }
    node.data.resize(size);
    return true;
  }

  // Walks path. check_access: the caller's permission bits apply (an
  // outside helper passes false).
  Status Resolve(std::string_view operation, std::string_view path, bool check_access,
                 Where* where) {
    if (path.find('\0') != std::string_view::npos) {
      return Error(What(operation, path), EINVAL, "the path holds a NUL byte");
    }
    std::string native;
    if (!Cp936ToUtf8(path, &native)) {
      return Error(What(operation, path), EILSEQ, "the path has no UTF-8 form");
    }
    std::replace(native.begin(), native.end(), '\\', '/');
    if (native.empty()) return Error(What(operation, path), ENOENT);
    where->walk = native[0] == '/' ? std::vector<Step>{{"", root}} : current;
    where->trailing_slash = native.back() == '/';
    std::vector<std::string> parts;
    for (size_t start = 0; start <= native.size();) {
      size_t end = std::min(native.find('/', start), native.size());
      if (end > start) parts.push_back(native.substr(start, end - start));
      start = end + 1;
    }
    where->name.clear();
    where->node = nullptr;
    for (size_t i = 0; i < parts.size(); ++i) {
      const std::string& part = parts[i];
      const bool last = i + 1 == parts.size();
      if (part.size() > kMaxNameBytes) return Error(What(operation, path), ENAMETOOLONG);
      if (check_access && (where->parent()->mode & 0100) == 0) {
        return Error(What(operation, path), EACCES);
      }
      if (part == "." || part == "..") {
        if (part == ".." && where->walk.size() > 1) where->walk.pop_back();
        if (last) where->trailing_slash = true;
        continue;
      }
      auto found = where->parent()->children.find(part);
      NodePtr node = found == where->parent()->children.end() ? nullptr : found->second;
      if (last) {
        where->name = part;
        where->node = node;
        break;
      }
      if (node == nullptr) return Error(What(operation, path), ENOENT);
      if (node->kind != Kind::kFolder) return Error(What(operation, path), ENOTDIR);
      where->walk.push_back({part, node});
    }
    if (where->name.empty()) {
      // The path names a folder itself ("/", "." or ".." last).
      where->node = where->walk.back().folder;
    } else if (where->trailing_slash && where->node != nullptr &&
               where->node->kind != Kind::kFolder) {
      return Error(What(operation, path), ENOTDIR);
    }
    return Status::Ok();
  }

  // True when the path named a folder by "/", "." or ".." rather than by an entry.
  static bool NamesItself(const Where& where) { return where.name.empty(); }

  // The absolute CP936 form of a path taken against the current folder.
  Text Absolute(std::string_view path) {
    if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return Text(path);
    Text folder;
    (void)CurrentFolder(&folder);
    if (folder != "/") folder += '/';
    return folder + Text(path);
  }

  Status CurrentFolder(Text* path) {
    path->clear();
    std::string native;
    for (size_t i = 1; i < current.size(); ++i) {
      auto found = current[i - 1].folder->children.find(current[i].name);
      if (found == current[i - 1].folder->children.end() || found->second != current[i].folder) {
        return Error("getcwd", ENOENT);
      }
      native += '/' + current[i].name;
    }
    if (native.empty()) native = "/";
    if (!Utf8ToCp936(native, path)) {
      return Error(What("getcwd", native), EILSEQ, "the name has no code page 936 form");
    }
    return Status::Ok();
  }

  // Adding or removing a name needs the folder's write permission.
  Status CheckWritableParent(std::string_view what, const Where& where) {
    if ((where.parent()->mode & 0200) == 0) return Error(what, EACCES);
    return Status::Ok();
  }

  Status CreateFolders(std::string_view path) {
    std::string native;
    if (path.find('\0') != std::string_view::npos || !Cp936ToUtf8(path, &native)) {
      return Error(What("create folder", path), EILSEQ, "the path has no UTF-8 form");
    }
    std::replace(native.begin(), native.end(), '\\', '/');
    std::vector<Step> walk = !native.empty() && native[0] == '/' ? std::vector<Step>{{"", root}}
                                                                 : current;
    for (size_t start = 0; start <= native.size();) {
      size_t end = std::min(native.find('/', start), native.size());
      std::string part = native.substr(start, end - start);
      start = end + 1;
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        if (walk.size() > 1) walk.pop_back();
        continue;
      }
      if (part.size() > kMaxNameBytes) return Error(What("create folder", path), ENAMETOOLONG);
      NodePtr& child = walk.back().folder->children[part];
      if (child == nullptr) child = NewNode(Kind::kFolder, 0777 & ~umask);
      if (child->kind != Kind::kFolder) return Error(What("create folder", path), ENOTDIR);
      walk.push_back({part, child});
    }
    return Status::Ok();
  }
};

// An open file of the memory host. It keeps its node (and so its bytes)
// when the node loses its names, as an open file does on POSIX.
class MemoryHost::File final : public HostFile {
 public:
  using Machine = MemoryHost::Machine;

  File(std::shared_ptr<Machine> machine, Machine::NodePtr node, std::string_view path,
       FileAccess access, FileShare share)
      : machine_(std::move(machine)), node_(std::move(node)), inode_(node_->inode), path_(path),
        access_(access), share_(share) {}
  // A temporary: named name in folder until put in place, outside sharing.
  File(std::shared_ptr<Machine> machine, Machine::NodePtr node, std::string_view path,
       Machine::NodePtr folder, std::string name)
      : machine_(std::move(machine)), node_(std::move(node)), inode_(node_->inode), path_(path),
        access_(FileAccess::kReadWrite), share_(FileShare::kAll), shared_(false),
        temp_folder_(std::move(folder)), temp_name_(std::move(name)) {}
  ~File() override {
    if (open_) (void)Close();
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  Status Read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    std::lock_guard lock(machine_->mutex);
    if (!open_) return Closed("read");
    if (!Reads(access_)) return Error(What("read", path_), EBADF);
    if (node_->kind != Machine::Kind::kFile) return Status::Ok();
    const uint64_t size = node_->data.size();
    if (position_ >= size) return Status::Ok();
    const size_t count = static_cast<size_t>(std::min<uint64_t>(n, size - position_));
    std::memcpy(buffer, node_->data.data() + position_, count);
    position_ += count;
    *got = count;
    return Status::Ok();
  }

  Status Write(const void* bytes, size_t n) override {
    std::lock_guard lock(machine_->mutex);
    if (!open_) return Closed("write");
    if (!Writes(access_)) {
      return Error(What("write", path_), EBADF, "the file is open for reading only");
    }
    if (node_->kind == Machine::Kind::kNullDevice || n == 0) return Status::Ok();
    if (node_->kind == Machine::Kind::kFullDevice) return Error(What("write", path_), ENOSPC);
    // What fits below the capacity is written; the rest is a full disk.
    std::string& data = node_->data;
    const uint64_t free_bytes = machine_->capacity - std::min(machine_->capacity, machine_->used);
    const uint64_t reach = data.size() + free_bytes;  // the furthest byte that fits
    const uint64_t fits = position_ >= reach ? 0 : std::min<uint64_t>(n, reach - position_);
    if (fits > 0) {
      if (position_ + fits > data.size()) (void)machine_->Resize(*node_, position_ + fits);
      std::memcpy(data.data() + position_, bytes, static_cast<size_t>(fits));
      position_ += fits;
    }
    if (fits < n) return Error(What("write", path_), ENOSPC);
    return Status::Ok();
  }

  Status Seek(int64_t offset, SeekOrigin origin, int64_t* position) override {
    std::lock_guard lock(machine_->mutex);
    if (!open_) return Closed("seek");
    int64_t base = 0;
    if (origin == SeekOrigin::kCurrent) base = static_cast<int64_t>(position_);
    if (origin == SeekOrigin::kEnd) base = static_cast<int64_t>(node_->data.size());
    if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) ||
        base + offset < 0) {
      return Error(What("seek", path_), EINVAL);
    }
    position_ = static_cast<uint64_t>(base + offset);
    if (position != nullptr) *position = base + offset;
    return Status::Ok();
  }

  Status SetEnd() override {
    std::lock_guard lock(machine_->mutex);
    if (!open_) return Closed("set end of");
    if (!Writes(access_)) {
      return Error(What("set end of", path_), EBADF, "the file is open for reading only");
    }
    if (node_->kind != Machine::Kind::kFile) return Error(What("set end of", path_), EINVAL);
    if (!machine_->Resize(*node_, position_)) return Error(What("set end of", path_), ENOSPC);
    return Status::Ok();
  }

  Status Sync() override {
    std::lock_guard lock(machine_->mutex);
    if (!open_) return Closed("sync");
    return Status::Ok();
  }

  Status Close() override {
    std::lock_guard lock(machine_->mutex);
    if (!open_) return Closed("close");
    open_ = false;
    if (shared_) machine_->shares.Release(FileId{1, inode_}, access_, share_);
    DropTemporaryName();
    node_.reset();  // a file without names gives back its bytes now
    return Status::Ok();
  }

  FileId Id() const override { return FileId{1, inode_}; }

  Status SetMode(uint32_t mode) override {
    std::lock_guard lock(machine_->mutex);
    if (!open_) return Closed("chmod");
    node_->mode = mode & 07777u;
    return Status::Ok();
  }

  // An ordinary user: the owner stays; the group changes to one of the
  // user's (1000) only.
  Status SetOwner(uint32_t, uint32_t group) override {
    std::lock_guard lock(machine_->mutex);
    if (!open_) return Closed("chown");
    if (group == 1000) node_->group = group;
    return Status::Ok();
  }

  Status PutInPlaceOf(std::string_view target) override {
    std::lock_guard lock(machine_->mutex);
    if (!open_) return Closed("rename");
    const std::string what = What("rename", path_) + " to " + std::string(target);
    if (temp_folder_ == nullptr) return Error(what, EINVAL, "not a temporary file");
    Machine::Where where;
    if (Status s = machine_->Resolve("rename", target, true, &where); !s.ok()) return s;
    if (Machine::NamesItself(where)) return Error(what, EBUSY);
    if (where.parent() != temp_folder_) return Error(what, EXDEV);
    if (Status s = machine_->CheckWritableParent(what, where); !s.ok()) return s;
    if (where.node != nullptr && where.node->kind == Machine::Kind::kFolder) {
      return Error(what, EISDIR);
    }
    DropTemporaryName();
    where.parent()->children[where.name] = node_;
    temp_folder_.reset();
    return Status::Ok();
  }

 private:
  Status Closed(std::string_view operation) const {
    return Error(What(operation, path_), EBADF, "the file is closed");
  }

  // Removes a temporary's own name, if it still names this file.
  void DropTemporaryName() {
    if (temp_folder_ == nullptr) return;
    auto found = temp_folder_->children.find(temp_name_);
    if (found != temp_folder_->children.end() && found->second == node_) {
      temp_folder_->children.erase(found);
    }
  }

  std::shared_ptr<Machine> machine_;
  Machine::NodePtr node_;
  uint64_t inode_;
  Text path_;
  FileAccess access_;
  FileShare share_;
  bool shared_ = true;
  Machine::NodePtr temp_folder_;
  std::string temp_name_;
  uint64_t position_ = 0;
  bool open_ = true;
};

// One holder of a writer's lock of the memory host.
class MemoryLock final : public LockHandle {
 public:
  MemoryLock(std::shared_ptr<void> machine, std::function<void()> release, std::string_view path,
             uint64_t inode)
      : machine_(std::move(machine)), release_(std::move(release)), path_(path), inode_(inode) {}
  ~MemoryLock() override {
    if (release_) (void)Close();
  }
  Status Close() override {
    if (!release_) return Error(What("unlock", path_), EBADF, "the lock is released");
    std::exchange(release_, nullptr)();
    return Status::Ok();
  }
  FileId Id() const override { return FileId{1, inode_}; }

 private:
  Status Refuse(std::string_view operation) const override {
    return Error(What(operation, path_), EBADF, "a lock holds no file open");
  }
  std::shared_ptr<void> machine_;
  std::function<void()> release_;
  Text path_;
  uint64_t inode_;
};

MemoryHost::MemoryHost() : machine_(std::make_shared<Machine>()) {
  Machine& m = *machine_;
  for (const char* folder : {"/tmp", "/etc", "/dev", "/home/user", "/opt/inicrypt"}) {
    (void)m.CreateFolders(folder);
  }
  m.root->children["tmp"]->mode = 01777;
  Machine::NodePtr dev = m.root->children["dev"];
  dev->children["null"] = m.NewNode(Machine::Kind::kNullDevice, 0666);
  dev->children["full"] = m.NewNode(Machine::Kind::kFullDevice, 0666);
  m.root->children["opt"]->children["inicrypt"]->children["inicrypt"] =
      m.NewNode(Machine::Kind::kFile, 0755);
  Machine::Where home;
  (void)m.Resolve("chdir", "/home/user", false, &home);
  m.current = home.walk;
  m.current.push_back({home.name, home.node});
}

MemoryHost::~MemoryHost() = default;

Status MemoryHost::OpenFile(std::string_view path, FileAccess access, FileShare share,
                            FileCreation creation, std::unique_ptr<HostFile>* file) {
  file->reset();
  std::lock_guard lock(machine_->mutex);
  Machine& m = *machine_;
  Machine::Where where;
  if (Status s = m.Resolve("open", path, true, &where); !s.ok()) return s;
  const std::string what = What("open", path);
  Machine::NodePtr node = where.node;
  if (node != nullptr) {
    if (creation == FileCreation::kCreateNew) return Error(what, EEXIST);
    if (node->kind == Machine::Kind::kFolder) return Error(what, EISDIR);
    const bool empties = creation == FileCreation::kCreateAlways;
    if (((Reads(access)) && (node->mode & 0400) == 0) ||
        ((Writes(access) || empties) && (node->mode & 0200) == 0)) {
      return Error(what, EACCES);
    }
    if (!m.shares.Acquire(FileId{1, node->inode}, access, share)) {
      return Error(what, EBUSY,
                   "the file is open elsewhere in this process with a conflicting share mode");
    }
    if (empties && node->kind == Machine::Kind::kFile) (void)m.Resize(*node, 0);
  } else {
    if (creation == FileCreation::kOpenExisting) return Error(what, ENOENT);
    if (where.trailing_slash) return Error(what, EISDIR);
    if ((where.parent()->mode & 0200) == 0) return Error(what, EACCES);
    node = m.NewNode(Machine::Kind::kFile, 0666 & ~m.umask);
    where.parent()->children[where.name] = node;
    (void)m.shares.Acquire(FileId{1, node->inode}, access, share);
  }
  *file = std::make_unique<File>(machine_, node, path, access, share);
  return Status::Ok();
}

PathKind MemoryHost::GetPathKind(std::string_view path) {
  std::lock_guard lock(machine_->mutex);
  Machine::Where where;
  if (!machine_->Resolve("stat", path, true, &where).ok() || where.node == nullptr) {
    return PathKind::kMissing;
  }
  switch (where.node->kind) {
    case Machine::Kind::kFile: return PathKind::kFile;
    case Machine::Kind::kFolder: return PathKind::kFolder;
    default: return PathKind::kOther;
  }
}

Status MemoryHost::DeleteFile(std::string_view path) {
  std::lock_guard lock(machine_->mutex);
  Machine::Where where;
  if (Status s = machine_->Resolve("delete", path, true, &where); !s.ok()) return s;
  const std::string what = What("delete", path);
  if (where.node == nullptr) return Error(what, ENOENT);
  if (where.node->kind == Machine::Kind::kFolder) return Error(what, EISDIR);
  if (Status s = machine_->CheckWritableParent(what, where); !s.ok()) return s;
  where.parent()->children.erase(where.name);
  return Status::Ok();
}

Status MemoryHost::RenameFile(std::string_view from, std::string_view to) {
  std::lock_guard lock(machine_->mutex);
  const std::string what = What("rename", from) + " to " + std::string(to);
  Machine::Where source, target;
  if (Status s = machine_->Resolve("rename", from, true, &source); !s.ok()) return s;
  if (Status s = machine_->Resolve("rename", to, true, &target); !s.ok()) return s;
  if (source.node == nullptr) return Error(what, ENOENT);
  if (Machine::NamesItself(source) || Machine::NamesItself(target)) return Error(what, EBUSY);
  if (Status s = machine_->CheckWritableParent(what, source); !s.ok()) return s;
  if (Status s = machine_->CheckWritableParent(what, target); !s.ok()) return s;
  if (source.node == target.node) return Status::Ok();
  const bool folder = source.node->kind == Machine::Kind::kFolder;
  if (target.node != nullptr) {
    const bool target_folder = target.node->kind == Machine::Kind::kFolder;
    if (folder && !target_folder) return Error(what, ENOTDIR);
    if (!folder && target_folder) return Error(what, EISDIR);
    if (target_folder && !target.node->children.empty()) return Error(what, ENOTEMPTY);
  }
  if (folder) {
    for (const Machine::Step& step : target.walk) {
      if (step.folder == source.node) return Error(what, EINVAL);
    }
  }
  Machine::NodePtr node = source.node;
  source.parent()->children.erase(source.name);
  target.parent()->children[target.name] = node;
  return Status::Ok();
}

Status MemoryHost::GetFileMode(std::string_view path, uint32_t* mode) {
  *mode = 0;
  std::lock_guard lock(machine_->mutex);
  Machine::Where where;
  if (Status s = machine_->Resolve("stat", path, true, &where); !s.ok()) return s;
  if (where.node == nullptr) return Error(What("stat", path), ENOENT);
  *mode = where.node->mode;
  return Status::Ok();
}

Status MemoryHost::SetFileMode(std::string_view path, uint32_t mode) {
  std::lock_guard lock(machine_->mutex);
  Machine::Where where;
  if (Status s = machine_->Resolve("chmod", path, true, &where); !s.ok()) return s;
  if (where.node == nullptr) return Error(What("chmod", path), ENOENT);
  where.node->mode = mode & 07777u;
  return Status::Ok();
}

Status MemoryHost::CreatePrivateFolder(std::string_view path) {
  std::lock_guard lock(machine_->mutex);
  Machine& m = *machine_;
  Machine::Where where;
  if (Status s = m.Resolve("create folder", path, true, &where); !s.ok()) return s;
  const std::string what = What("create folder", path);
  if (where.node != nullptr) return Error(what, EEXIST);
  if (Status s = m.CheckWritableParent(what, where); !s.ok()) return s;
  where.parent()->children[where.name] = m.NewNode(Machine::Kind::kFolder, 0700 & ~m.umask);
  return Status::Ok();
}

Status MemoryHost::DeleteFolder(std::string_view path) {
  std::lock_guard lock(machine_->mutex);
  Machine::Where where;
  if (Status s = machine_->Resolve("delete folder", path, true, &where); !s.ok()) return s;
  const std::string what = What("delete folder", path);
  if (where.node == nullptr) return Error(what, ENOENT);
  if (where.node->kind != Machine::Kind::kFolder) return Error(what, ENOTDIR);
  if (Machine::NamesItself(where)) return Error(what, EBUSY);
  if (!where.node->children.empty()) return Error(what, ENOTEMPTY);
  if (Status s = machine_->CheckWritableParent(what, where); !s.ok()) return s;
  where.parent()->children.erase(where.name);
  return Status::Ok();
}

Status MemoryHost::InspectPath(std::string_view path, PathInfo* info) {
  *info = PathInfo{};
  std::lock_guard lock(machine_->mutex);
  Machine::Where where;
  if (Status s = machine_->Resolve("stat", path, true, &where); !s.ok()) {
    if (s.code() == ENOENT) {
      info->resolved = Text(path);
      return Status::Ok();
    }
    return s;
  }
  info->resolved = Text(path);
  if (where.node == nullptr) return Status::Ok();
  const Machine::Node& node = *where.node;
  info->kind = node.kind == Machine::Kind::kFile     ? PathKind::kFile
               : node.kind == Machine::Kind::kFolder ? PathKind::kFolder
                                                     : PathKind::kOther;
  info->mode = node.mode;
  info->owner = node.user;
  info->group = node.group;
  info->id = FileId{1, node.inode};
  info->writable = (node.mode & 0200) != 0;
  return Status::Ok();
}

Status MemoryHost::CreateTemporaryIn(std::string_view folder, std::unique_ptr<HostFile>* file,
                                     Text* path) {
  file->reset();
  path->clear();
  std::lock_guard lock(machine_->mutex);
  Machine& m = *machine_;
  Machine::Where where;
  const Text slash = folder.empty() ? Text(".") : Text(folder);
  if (Status s = m.Resolve("create temporary in", slash, true, &where); !s.ok()) return s;
  const std::string what = What("create temporary in", folder);
  if (where.node == nullptr) return Error(what, ENOENT);
  if (where.node->kind != Machine::Kind::kFolder) return Error(what, ENOTDIR);
  if ((where.node->mode & 0200) == 0) return Error(what, EACCES);
  // This machine's one process has the id 1: temporaries of any other id
  // were left by processes that are gone.
  auto& names = where.node->children;
  for (auto it = names.begin(); it != names.end();) {
    const std::string& name = it->first;
    const bool ours = name.starts_with(".ic") && name.ends_with(".tmp") && name.size() > 7 &&
                      name.compare(0, 5, ".ic1.") != 0 && name[3] >= '0' && name[3] <= '9';
    it = ours && it->second->kind == Machine::Kind::kFile ? names.erase(it) : std::next(it);
  }
  std::string name = ".ic1." + std::to_string(100000 + m.next_temporary++ % 900000) + ".tmp";
  Machine::NodePtr node = m.NewNode(Machine::Kind::kFile, 0600 & ~m.umask);
  names[name] = node;
  Text base(slash);
  if (base.back() != '/' && base.back() != '\\') base += '/';
  *path = base + name;
  *file = std::make_unique<File>(machine_, node, *path, where.node, name);
  return Status::Ok();
}

uint32_t MemoryHost::UsualFileMode() {
  std::lock_guard lock(machine_->mutex);
  return 0666u & ~machine_->umask;
}

Status MemoryHost::SyncFolder(std::string_view folder) {
  PathInfo info;
  if (Status s = InspectPath(folder.empty() ? std::string_view(".") : folder, &info); !s.ok()) {
    return s;
  }
  if (info.kind != PathKind::kFolder) return Error(What("sync", folder), ENOTDIR);
  return Status::Ok();
}

Status MemoryHost::TryLockPath(std::string_view path, std::unique_ptr<HostFile>* held) {
  held->reset();
  std::lock_guard lock(machine_->mutex);
  Machine::Where where;
  if (Status s = machine_->Resolve("lock", path, true, &where); !s.ok()) return s;
  if (where.node == nullptr && where.trailing_slash) return Error(What("lock", path), ENOENT);
  const uint64_t inode = where.node != nullptr ? where.node->inode : where.parent()->inode;
  if (machine_->locks_elsewhere.count(inode) != 0) {
    return Error(What("lock", path), EWOULDBLOCK, "another process is writing it");
  }
  ++machine_->locks[inode];
  std::weak_ptr<Machine> weak = machine_;
  *held = std::make_unique<MemoryLock>(
      machine_,
      [weak, inode] {
        if (auto m = weak.lock()) {
          std::lock_guard relock(m->mutex);
          if (--m->locks[inode] == 0) m->locks.erase(inode);
        }
      },
      path, inode);
  return Status::Ok();
}

Status MemoryHost::HoldLockElsewhere(std::string_view path, bool held) {
  std::lock_guard lock(machine_->mutex);
  Machine::Where where;
  if (Status s = machine_->Resolve("lock", path, false, &where); !s.ok()) return s;
  const uint64_t inode = where.node != nullptr ? where.node->inode : where.parent()->inode;
  if (held) {
    machine_->locks_elsewhere[inode] = 1;
  } else {
    machine_->locks_elsewhere.erase(inode);
  }
  return Status::Ok();
}

Status MemoryHost::GetProgramPath(Text* path) {
  std::lock_guard lock(machine_->mutex);
  *path = machine_->program_path;
  if (path->empty()) return Error("program path", ENOENT);
  return Status::Ok();
}

Status MemoryHost::SetCurrentFolder(std::string_view path) {
  std::lock_guard lock(machine_->mutex);
  Machine::Where where;
  if (Status s = machine_->Resolve("chdir", path, true, &where); !s.ok()) return s;
  if (where.node == nullptr) return Error(What("chdir", path), ENOENT);
  if (where.node->kind != Machine::Kind::kFolder) return Error(What("chdir", path), ENOTDIR);
  if ((where.node->mode & 0100) == 0) return Error(What("chdir", path), EACCES);
  if (!Machine::NamesItself(where)) where.walk.push_back({where.name, where.node});
  machine_->current = std::move(where.walk);
  return Status::Ok();
}

Status MemoryHost::GetCurrentFolder(Text* path) {
  std::lock_guard lock(machine_->mutex);
  return machine_->CurrentFolder(path);
}

Text MemoryHost::GetSpecialFolder(int kind) {
  std::lock_guard lock(machine_->mutex);
  auto found = machine_->special.find(kind);
  return found == machine_->special.end() ? Text() : found->second;
}

Text MemoryHost::GetEnvironment(std::string_view name) {
  if (name.empty() || name.find_first_of(std::string_view("=\0", 2)) != std::string_view::npos) {
    return {};
  }
  std::lock_guard lock(machine_->mutex);
  auto found = machine_->environment.find(Text(name));
  return found == machine_->environment.end() ? Text() : found->second;
}

Status MemoryHost::RunProgram(std::string_view program, const TextList& arguments,
                              int* exit_code) {
  *exit_code = -1;
  ProgramRunner runner;
  {
    std::lock_guard lock(machine_->mutex);
    runner = machine_->runner;
  }
  // Run unlocked: the program may use this host.
  if (runner) return runner(program, arguments, exit_code);
  return Error(What("run", program), ENOSYS, "this host runs no programs");
}

void MemoryHost::RemoveOnInterrupt(std::string_view path) {
  std::lock_guard lock(machine_->mutex);
  machine_->interrupt_paths.push_back(machine_->Absolute(path));
}

void MemoryHost::ForgetOnInterrupt(std::string_view path) {
  std::lock_guard lock(machine_->mutex);
  std::vector<Text>& paths = machine_->interrupt_paths;
  const Text absolute = machine_->Absolute(path);
  paths.erase(std::remove(paths.begin(), paths.end(), absolute), paths.end());
}

Status MemoryHost::ReadSecretLine(std::string_view prompt, std::string* line) {
  line->clear();
  std::lock_guard lock(machine_->mutex);
  if (machine_->secret_lines.empty()) {
    return Error(What("read", prompt), ENOTTY, "no terminal to read the secret from");
  }
  *line = std::move(machine_->secret_lines.front());
  machine_->secret_lines.pop_front();
  return Status::Ok();
}

Status MemoryHost::WriteWholeFile(std::string_view path, std::string_view bytes) {
  std::lock_guard lock(machine_->mutex);
  Machine& m = *machine_;
  Machine::Where where;
  if (Status s = m.Resolve("write", path, false, &where); !s.ok()) return s;
  const std::string what = What("write", path);
  Machine::NodePtr node = where.node;
  if (node == nullptr) {
    if (where.trailing_slash) return Error(what, EISDIR);
    node = m.NewNode(Machine::Kind::kFile, 0666 & ~m.umask);
    where.parent()->children[where.name] = node;
  }
  switch (node->kind) {
    case Machine::Kind::kFolder: return Error(what, EISDIR);
    case Machine::Kind::kNullDevice: return Status::Ok();
    case Machine::Kind::kFullDevice: return Error(what, ENOSPC);
    case Machine::Kind::kFile: break;
  }
  (void)m.Resize(*node, 0);
  if (!m.Resize(*node, bytes.size())) return Error(what, ENOSPC);
  std::copy(bytes.begin(), bytes.end(), node->data.begin());
  return Status::Ok();
}

std::optional<std::string> MemoryHost::ReadWholeFile(std::string_view path) {
  std::lock_guard lock(machine_->mutex);
  Machine::Where where;
  if (!machine_->Resolve("read", path, false, &where).ok() || where.node == nullptr ||
      where.node->kind != Machine::Kind::kFile) {
    return std::nullopt;
  }
  return where.node->data;
}

Status MemoryHost::CreateFolders(std::string_view path) {
  std::lock_guard lock(machine_->mutex);
  return machine_->CreateFolders(path);
}

Status MemoryHost::Link(std::string_view existing, std::string_view new_path) {
  std::lock_guard lock(machine_->mutex);
  const std::string what = What("link", existing) + " to " + std::string(new_path);
  Machine::Where source, target;
  if (Status s = machine_->Resolve("link", existing, false, &source); !s.ok()) return s;
  if (Status s = machine_->Resolve("link", new_path, false, &target); !s.ok()) return s;
  if (source.node == nullptr) return Error(what, ENOENT);
  if (source.node->kind == Machine::Kind::kFolder) return Error(what, EPERM);
  if (target.node != nullptr) return Error(what, EEXIST);
  target.parent()->children[target.name] = source.node;
  return Status::Ok();
}

std::vector<std::string> MemoryHost::Names(std::string_view folder) {
  std::lock_guard lock(machine_->mutex);
  std::vector<std::string> names;
  Machine::Where where;
  if (machine_->Resolve("list", folder, false, &where).ok() && where.node != nullptr) {
    for (const auto& [name, node] : where.node->children) names.push_back(name);
  }
  return names;
}

uint64_t MemoryHost::UsedBytes() {
  std::lock_guard lock(machine_->mutex);
  return machine_->used;
}

void MemoryHost::SetCapacity(uint64_t bytes) {
  std::lock_guard lock(machine_->mutex);
  machine_->capacity = bytes;
}

void MemoryHost::SetUmask(uint32_t mask) {
  std::lock_guard lock(machine_->mutex);
  machine_->umask = mask & 0777u;
}

void MemoryHost::SetProgramPath(std::string_view path) {
  std::lock_guard lock(machine_->mutex);
  machine_->program_path = Text(path);
}

void MemoryHost::SetSpecialFolder(int kind, std::string_view folder) {
  std::lock_guard lock(machine_->mutex);
  Text value(folder);
  if (!value.empty() && value.back() != '/') value += '/';
  machine_->special[kind] = value;
}

void MemoryHost::SetEnvironment(std::string_view name, std::optional<std::string_view> value) {
  std::lock_guard lock(machine_->mutex);
  if (value) {
    machine_->environment[Text(name)] = Text(*value);
  } else {
    machine_->environment.erase(Text(name));
  }
}

void MemoryHost::SetProgramRunner(ProgramRunner runner) {
  std::lock_guard lock(machine_->mutex);
  machine_->runner = std::move(runner);
}

void MemoryHost::AddSecretLine(std::string_view line) {
  std::lock_guard lock(machine_->mutex);
  machine_->secret_lines.emplace_back(line);
}

std::vector<Text> MemoryHost::InterruptPaths() {
  std::lock_guard lock(machine_->mutex);
  return machine_->interrupt_paths;
}

void MemoryHost::Interrupt() {
  std::vector<Text> paths;
  {
    std::lock_guard lock(machine_->mutex);
    paths.swap(machine_->interrupt_paths);
  }
  for (const Text& path : paths) {
    if (GetPathKind(path) != PathKind::kFolder) (void)DeleteFile(path);
  }
  for (const Text& path : paths) {
    if (GetPathKind(path) == PathKind::kFolder) (void)DeleteFolder(path);
  }
}

}  // namespace inicrypt
