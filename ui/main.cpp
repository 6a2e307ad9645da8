// inicrypt-gui: the window. The run directory is fixed first (app/run_folder.h),
// then the window is built hidden, the start-up offer runs, and the window
// is shown until the user closes it.
#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/events.h"
#include "app/run_folder.h"
#include "base/cp936_literal.h"
#include "base/fatal.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"

namespace {

using inicrypt::operator""_cp936;

constexpr std::string_view kNoRunDirectory = u8"无法确定运行目录"_cp936;
constexpr std::string_view kNoWindow = u8"载入启动窗口失败"_cp936;

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The toolkit's own texts (the buttons of the boxes, the file dialog) in
  // the user's language when a translation is installed.
  QTranslator toolkit_texts;
  if (toolkit_texts.load(QLocale(), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&toolkit_texts);
  }
  inicrypt::SetFatalHandler(&inicrypt::ui::ShowFatalBox);
  if (!inicrypt::InitWindowRunDirectory()) inicrypt::FatalError(std::nullopt, kNoRunDirectory);
  inicrypt::SetEventPump([] { QCoreApplication::processEvents(); });
  try {
    return inicrypt::ui::RunMainWindow();
  } catch (const std::exception&) {
    inicrypt::FatalError(std::nullopt, kNoWindow);
  }
}
