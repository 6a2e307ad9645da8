#include "cli/pair_loop.h"

#include <string>

namespace inicrypt::cli {

Status PairLoopStatus(const ConvertResult& result, std::string_view shown) {
  switch (result.outcome) {
    case ConvertOutcome::kDone:
    case ConvertOutcome::kNothingFound:
      return Status::Ok();
    case ConvertOutcome::kSourceUnreadable:
      if (result.error.ok()) return Status::Error("cannot read " + std::string(shown));
      break;
    case ConvertOutcome::kValuesUnreadable:
    case ConvertOutcome::kWriteFailed:
    case ConvertOutcome::kStopped:
      if (result.error.ok()) return Status::Error("cannot write the result");
      break;
  }
  return result.error;
}

}  // namespace inicrypt::cli
