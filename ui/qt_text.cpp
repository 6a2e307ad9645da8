#include "ui/qt_text.h"

#include <string>

#include "base/cp936.h"

namespace inicrypt::ui {

bool FromCp936(std::string_view cp936, QString* out) {
  std::string utf8;
  if (!Cp936ToUtf8(cp936, &utf8)) {
    out->clear();
    return false;
  }
  *out = QString::fromStdString(utf8);
  return true;
}

bool ToCp936(const QString& text, Text* out) {
  out->clear();
  // A lone surrogate cannot be told from a real character once in UTF-8,
  // and a Text holds no NUL.
  if (!text.isValidUtf16() || text.contains(QChar(0))) return false;
  return Utf8ToCp936(text.toStdString(), out);
}

QString Qs(std::string_view cp936) {
  QString text;
  (void)FromCp936(cp936, &text);
  return text;
}

}  // namespace inicrypt::ui
