#include "cli/io_watch.h"

#include "host/host.h"

namespace inicrypt::cli {
namespace {

// Keeps the first failure among the statuses it is shown.
struct FailureLog {
  Status first;
  Status Note(Status status) {
    if (!status.ok() && first.ok()) first = status;
    return status;
  }
};

class WatchedFile final : public HostFile {
 public:
  WatchedFile(std::unique_ptr<HostFile> file, FailureLog& log)
      : file_(std::move(file)), log_(log) {}

  Status Read(void* buffer, size_t n, size_t* got) override {
    return log_.Note(file_->Read(buffer, n, got));
  }
  Status Write(const void* bytes, size_t n) override { return log_.Note(file_->Write(bytes, n)); }
  Status Seek(int64_t offset, SeekOrigin origin, int64_t* position) override {
    return log_.Note(file_->Seek(offset, origin, position));
  }
  Status SetEnd() override { return log_.Note(file_->SetEnd()); }
  Status Sync() override { return log_.Note(file_->Sync()); }
  Status Close() override { return log_.Note(file_->Close()); }
  FileId Id() const override { return file_->Id(); }

 private:
  std::unique_ptr<HostFile> file_;
  FailureLog& log_;
};

}  // namespace

class IoWatch::Watcher final : public HostWrapper {
 public:
  Watcher() : HostWrapper(GetHost()), in_use_(*this) {}

  Status OpenFile(std::string_view path, FileAccess access, FileShare share, FileCreation creation,
                  std::unique_ptr<HostFile>* file) override {
    Status status = log_.Note(target().OpenFile(path, access, share, creation, file));
    if (status.ok()) *file = std::make_unique<WatchedFile>(std::move(*file), log_);
    return status;
  }
  Status RenameFile(std::string_view from, std::string_view to) override {
    return log_.Note(target().RenameFile(from, to));
  }
  Status SetFileMode(std::string_view path, uint32_t mode) override {
    return log_.Note(target().SetFileMode(path, mode));
  }

  const Status& failure() const { return log_.first; }

 private:
  FailureLog log_;
  ScopedHost in_use_;
};

IoWatch::IoWatch() : watcher_(std::make_unique<Watcher>()) {}
IoWatch::~IoWatch() = default;
const Status& IoWatch::failure() const { return watcher_->failure(); }

Status RunPairLoop(const std::function<ConvertResult()>& loop, std::string_view shown,
                   ConvertOutcome* outcome) {
  ConvertResult result;
  Status failure;
  {
    IoWatch watch;
    result = loop();
    failure = watch.failure();
  }
  *outcome = result.outcome;
  if (!failure.ok()) return failure;
  switch (result.outcome) {
    case ConvertOutcome::kDone:
    case ConvertOutcome::kNothingFound:
      return Status::Ok();
    case ConvertOutcome::kSourceUnreadable:
      return Status::Error("cannot read " + std::string(shown));
    default:
      return result.error.ok() ? Status::Error("cannot write the result") : result.error;
  }
}

}  // namespace inicrypt::cli
