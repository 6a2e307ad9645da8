// Texts between the system (code page 936) and Qt (QString).
#pragma once

#include <QString>
#include <string_view>

#include "base/text.h"

namespace inicrypt::ui {

// False, *out empty, when the text is not valid code page 936.
[[nodiscard]] bool FromCp936(std::string_view cp936, QString* out);
// False, *out empty, when the text has no code page 936 form.
[[nodiscard]] bool ToCp936(const QString& text, Text* out);

// For the system's own texts, which always convert.
QString Qs(std::string_view cp936);

}  // namespace inicrypt::ui
