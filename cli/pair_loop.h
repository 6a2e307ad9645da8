// What the result of one of the window's pair loops means to a command.
#pragma once

#include <string_view>

#include "app/convert.h"
#include "base/status.h"

namespace inicrypt::cli {

// OK when the loop completed or found nothing (the outcome tells which);
// otherwise the loop's own Status of what failed and where, or, when it has
// none, "cannot read SHOWN" for a source it could not read.
[[nodiscard]] Status PairLoopStatus(const ConvertResult& result, std::string_view shown);

}  // namespace inicrypt::cli
