// The two modal services between the system and the user, over Qt: the
// message box and the open-file dialog of a CommonDlg.
//
// Tests answer them without showing anything, through hooks in the manner
// of a "next answer": a hook set here receives what would have been shown
// and returns the button pressed, or the file chosen.
#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string_view>

#include "app/job_window.h"

class QWidget;

namespace inicrypt::ui {

// What a message style asks of the box.
struct BoxLook {
  QMessageBox::StandardButtons buttons;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};
// The host's MB_ bits: buttons in the low four bits (0 OK, 1 OK/Cancel,
// 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel; others
// OK), the icon in bits 4-6 (0x10 error, 0x20 question, 0x30 warning, 0x40
// information). The modality bits change nothing here: every box is modal
// to the whole application.
BoxLook LookOfStyle(int style);
// The button code of a pressed button: OK 0, Cancel 1, Abort 2, Retry 3,
// Ignore 4, Yes 5, No 6, anything else (the box closed otherwise) 0.
int ButtonCodeOf(QMessageBox::StandardButton button);

struct MessageRequest {
  QString text;
  QString caption;
  int style = 0;
  BoxLook look;
};
using MessageHook = std::function<QMessageBox::StandardButton(const MessageRequest&)>;
// With a hook set, ShowMessageBox asks it instead of showing a box; an
// empty function removes it.
void SetMessageHook(MessageHook hook);

// Shows text (code page 936) in a modal box with the buttons and icon of
// style; the caption is "信息：" when empty. Returns the button code.
int ShowMessageBox(std::string_view text, int style, std::string_view caption = {});

// The fatal error box: caption "错误", the error icon, one OK button.
void ShowFatalBox(const Text& box_text);

struct FileRequest {
  QString title;        // empty: the toolkit's default title
  QString folder;       // empty: the toolkit's default folder
  QString file_name;    // filled in when the dialog opens
  QStringList filters;  // empty: every file
  QString selected_filter;
  QString default_suffix;  // without the dot
  QFileDialog::FileMode mode = QFileDialog::ExistingFile;
};
// Returns the chosen path, or nothing for a cancel.
using FileHook = std::function<std::optional<QString>(const FileRequest&)>;
void SetFileHook(FileHook hook);

// The request a CommonDlg makes of the dialog. Only a single existing file
// can be chosen when file_must_exist is set, else any single name in an
// existing folder.
FileRequest RequestOf(const CommonDlg& dialog);

// Opens the dialog over owner (disabled meanwhile; the focus goes back to
// where it was). After a choice dialog.file_name becomes the chosen path.
FileChoice ChooseFile(QWidget* owner, CommonDlg& dialog);

}  // namespace inicrypt::ui
