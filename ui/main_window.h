// The tool's only window: a path box with its choose button, a password box,
// the encrypt and decrypt buttons and three labels, laid out as layout.h
// gives them. The jobs reach it through JobWindow.
#pragma once

#include <QWidget>
#include <string_view>

#include "app/job_window.h"

class QCloseEvent;
class QLineEdit;
class QPushButton;

namespace inicrypt::ui {

class MainWindow final : public QWidget, public JobWindow {
  Q_OBJECT

 public:
  // Builds the window hidden, with every control; not yet centred or shown.
  MainWindow();

  // Centres the outer frame on the screen, shows and activates the window.
  void ShowCentred();

  // JobWindow.
  [[nodiscard]] ControlText PathText(Text* text) override;
  [[nodiscard]] ControlText PasswordText(Text* text) override;
  void SetPathText(std::string_view text) override;
  void Tell(std::string_view message) override;
  [[nodiscard]] bool AskYesNo(std::string_view question) override;
  FileChoice ChooseFile(std::string_view folder, std::string_view filter, Text* file_name) override;
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
  ControlText BoxText(const QLineEdit* box, Text* text) const;

  // The controls the handlers use, made from the control table.
  QLineEdit* path_box_ = nullptr;
  QLineEdit* password_box_ = nullptr;
  QPushButton* choose_button_ = nullptr;
  QPushButton* encrypt_button_ = nullptr;
  QPushButton* decrypt_button_ = nullptr;
  CommonDlg file_dialog_;  // 通用对话框1
  bool closed_ = false;
};

// The creation event: the start-up offer runs while the window is still
// hidden; then the window is shown centred.
void StartMainWindow(MainWindow& window);

// Runs the tool: the window is built hidden and started, and the event loop
// runs until the window is closed. Returns the exit code, 0.
int RunMainWindow();

}  // namespace inicrypt::ui
