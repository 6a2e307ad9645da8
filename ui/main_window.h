// The tool's only window: a path box with its choose button, a password box,
// the encrypt and decrypt buttons and three labels, laid out as layout.h
// gives them. The jobs reach it through JobWindow.
#pragma once

#include <QWidget>
#include <string_view>

#include "app/job_window.h"

class QCloseEvent;
class QPushButton;

namespace inicrypt::ui {

class MainWindow final : public QWidget, public JobWindow {
  Q_OBJECT

 public:
  // Builds the window hidden, with every control; not yet centred or shown.
  MainWindow();

  // Centres the outer frame on the screen, shows and activates the window.
  void ShowCentred();

  // The open-file dialog component, 通用对话框1.
  CommonDlg& FileDialog() { return file_dialog_; }

  // JobWindow.
  [[nodiscard]] ControlText GetControlText(std::string_view control, Text* text) override;
  void SetControlText(std::string_view control, std::string_view text) override;
  int ShowMessage(std::string_view text, int style, std::string_view caption) override;
  FileChoice ChooseFileToOpen(CommonDlg& dialog) override;
  bool IsClosed() const override { return closed_; }

 signals:
  // The user has closed the window.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BindEvents();
  // Runs a command with the three buttons disabled, so that no second one
  // starts while it lets events run.
  void RunCommand(void (*command)(JobWindow&));
  QWidget* Control(std::string_view name) const;
  QPushButton* Button(std::string_view name) const;

  CommonDlg file_dialog_;
  bool closed_ = false;
};

// The creation event: the start-up offer runs while the window is still
// hidden; then the window is shown centred.
void StartMainWindow(MainWindow& window);

// Runs the tool: the window is built hidden and started, and the event loop
// runs until the window is closed. Returns the exit code, 0.
int RunMainWindow();

}  // namespace inicrypt::ui
