#include "ui/dialogs.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <cstdio>
#include <utility>

#include "app/jobs.h"
#include "base/cp936_literal.h"
#include "ui/file_filter.h"
#include "ui/qt_text.h"

namespace inicrypt::ui {
namespace {

constexpr std::string_view kErrorCaption = u8"错误"_cp936;
constexpr int kStyleIconError = 0x10;

MessageHook& TheMessageHook() {
  static MessageHook hook;
  return hook;
}

FileHook& TheFileHook() {
  static FileHook hook;
  return hook;
}

QMessageBox::StandardButtons ButtonsOfStyle(int style) {
  using B = QMessageBox;
  switch (style & 0xF) {
    case 1:
      return B::Ok | B::Cancel;
    case 2:
      return B::Abort | B::Retry | B::Ignore;
    case 3:
      return B::Yes | B::No | B::Cancel;
    case 4:
      return B::Yes | B::No;
    case 5:
      return B::Retry | B::Cancel;
    default:
      return B::Ok;
  }
}

QMessageBox::Icon IconOfStyle(int style) {
  switch (style & 0x70) {
    case 0x10:
      return QMessageBox::Critical;
    case 0x20:
      return QMessageBox::Question;
    case 0x30:
      return QMessageBox::Warning;
    case 0x40:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// The toolkit's own dialog; nothing when it is cancelled.
std::optional<QString> RunFileDialog(QWidget* owner, const FileRequest& request) {
  QPointer<QWidget> had_focus = QApplication::focusWidget();
  QFileDialog dialog(owner, request.title);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.mode);
  if (!request.folder.isEmpty()) dialog.setDirectory(request.folder);
  if (!request.file_name.isEmpty()) dialog.selectFile(request.file_name);
  if (!request.filters.isEmpty()) {
    dialog.setNameFilters(request.filters);
    dialog.selectNameFilter(request.selected_filter);
  }
  dialog.setDefaultSuffix(request.default_suffix);
  const int result = dialog.exec();
  if (had_focus) had_focus->setFocus();
  if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

}  // namespace

BoxLook LookOfStyle(int style) { return {ButtonsOfStyle(style), IconOfStyle(style)}; }

int ButtonCodeOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Cancel:
      return kButtonCancel;
    case QMessageBox::Abort:
      return kButtonAbort;
    case QMessageBox::Retry:
      return kButtonRetry;
    case QMessageBox::Ignore:
      return kButtonIgnore;
    case QMessageBox::Yes:
      return kButtonYes;
    case QMessageBox::No:
      return kButtonNo;
    default:
      return kButtonOk;
  }
}

void SetMessageHook(MessageHook hook) { TheMessageHook() = std::move(hook); }

int ShowMessageBox(std::string_view text, int style, std::string_view caption) {
  MessageRequest request{Qs(text), Qs(caption.empty() ? msg::kDefaultCaption : caption), style,
                         LookOfStyle(style)};
  if (TheMessageHook()) return ButtonCodeOf(TheMessageHook()(request));
  QMessageBox box(request.look.icon, request.caption, request.text, request.look.buttons);
  box.setTextFormat(Qt::PlainText);
  return ButtonCodeOf(static_cast<QMessageBox::StandardButton>(box.exec()));
}

void ShowFatalBox(const Text& box_text) {
  if (QApplication::instance() == nullptr) {
    std::fwrite(box_text.data(), 1, box_text.size(), stderr);
    return;
  }
  (void)ShowMessageBox(box_text, kStyleIconError, kErrorCaption);
}

void SetFileHook(FileHook hook) { TheFileHook() = std::move(hook); }

FileRequest RequestOf(const CommonDlg& dialog) {
  FileRequest request;
  request.title = Qs(dialog.dialog_title);
  request.folder = Qs(dialog.initial_folder);
  request.file_name = Qs(dialog.file_name);
  const FileTypes types = ParseFilter(dialog.filter, dialog.filter_index);
  for (const FileType& type : types.types) request.filters << Qs(QtFilterOf(type));
  if (!request.filters.isEmpty()) request.selected_filter = request.filters[types.selected];
  std::string_view extension = dialog.default_extension;
  if (extension.starts_with('.')) extension.remove_prefix(1);
  request.default_suffix = Qs(extension);
  request.mode = dialog.file_must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile;
  return request;
}

FileChoice ChooseFile(QWidget* owner, CommonDlg& dialog) {
  const FileRequest request = RequestOf(dialog);
  const std::optional<QString> chosen =
      TheFileHook() ? TheFileHook()(request) : RunFileDialog(owner, request);
  if (!chosen) return FileChoice::kCancelled;
  Text path;
  if (!ToCp936(*chosen, &path)) return FileChoice::kUnrepresentable;
  dialog.file_name = path;
  return FileChoice::kChosen;
}

}  // namespace inicrypt::ui
