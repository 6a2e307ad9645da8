#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <map>
#include <stdexcept>
#include <vector>

#include "app/jobs.h"
#include "ui/dialogs.h"
#include "ui/icon.h"
#include "ui/layout.h"
#include "ui/qt_text.h"

namespace inicrypt::ui {
namespace {

QWidget* MakeControl(const ControlRow& row, QWidget* parent) {
  const QString text = Qs(row.text);
  switch (row.kind) {
    case ControlKind::kEditBox: {
      auto* box = new QLineEdit(text, parent);
      if (row.password) {
        box->setEchoMode(QLineEdit::Password);
        box->setStyleSheet("QLineEdit { lineedit-password-character: 42; }");
      }
      return box;
    }
    case ControlKind::kButton: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);
      button->setDefault(false);
      return button;
    }
    case ControlKind::kLabel: {
      auto* label = new QLabel(text, parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      return label;
    }
    case ControlKind::kGroupBox:
      return new QGroupBox(text, parent);
  }
  return nullptr;
}

// Keeps a label's text on its one line: the letters are drawn closer by up
// to a pixel, then the font is made smaller, until the text fits its width.
void FitToWidth(QLabel* label) {
  QFont font = label->font();
  for (int step = 1; step <= 8; ++step) {
    if (QFontMetrics(font).horizontalAdvance(label->text()) <= label->width()) break;
    if (step <= 4) {
      font.setLetterSpacing(QFont::AbsoluteSpacing, -0.25 * step);
    } else {
      font.setPixelSize(font.pixelSize() - 1);
    }
  }
  label->setFont(font);
}

// The tab stops from the last control of the list to the first.
std::vector<std::string_view> TabCycle() {
  std::vector<std::string_view> cycle;
  for (auto it = std::rbegin(kControls); it != std::rend(kControls); ++it) {
    if (it->tab_stop) cycle.push_back(it->name);
  }
  return cycle;
}

// The control of the table named name, of kind T; a table without it is a
// window that cannot be built.
template <typename T>
T* Made(const std::map<std::string_view, QWidget*>& made, std::string_view name) {
  const auto found = made.find(name);
  T* control = found == made.end() ? nullptr : qobject_cast<T*>(found->second);
  if (control == nullptr) throw std::logic_error("the control table lacks a control");
  return control;
}

}  // namespace

MainWindow::MainWindow() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(Qs(kWindowTitle));
  QIcon icon;
  for (int size : {16, 32, 48, 128}) icon.addPixmap(QPixmap::fromImage(DrawIcon(size)));
  setWindowIcon(icon);
  QFont font = QApplication::font();
  font.setPixelSize(kFontPixels);
  setFont(font);
  setFixedSize(kClientWidth, kClientHeight);
  BuildControls();
  BindEvents();
}

void MainWindow::BuildControls() {
  // Containers first, so that their children have a parent to go into.
  std::map<std::string_view, QWidget*> made;
  for (bool containers : {true, false}) {
    for (const ControlRow& row : kControls) {
      if ((row.kind == ControlKind::kGroupBox) != containers) continue;
      QWidget* parent = row.parent.empty() ? this : made.at(row.parent);
      QWidget* control = MakeControl(row, parent);
      control->setObjectName(Qs(row.name));
      control->setGeometry(row.x, row.y, row.width, row.height);
      control->setFocusPolicy(row.tab_stop ? Qt::StrongFocus : Qt::NoFocus);
      if (auto* label = qobject_cast<QLabel*>(control)) FitToWidth(label);
      made[row.name] = control;
    }
  }
  const std::vector<std::string_view> cycle = TabCycle();
  for (size_t i = 0; i + 1 < cycle.size(); ++i) {
    setTabOrder(made.at(cycle[i]), made.at(cycle[i + 1]));
  }
  path_box_ = Made<QLineEdit>(made, kPathBox);
  password_box_ = Made<QLineEdit>(made, kPasswordBox);
  choose_button_ = Made<QPushButton>(made, kChooseButton);
  encrypt_button_ = Made<QPushButton>(made, kEncryptButton);
  decrypt_button_ = Made<QPushButton>(made, kDecryptButton);
}

void MainWindow::BindEvents() {
  connect(choose_button_, &QPushButton::clicked, this, [this] { ChooseConfigFile(*this); });
  connect(encrypt_button_, &QPushButton::clicked, this, [this] { RunCommand(&EncryptJob); });
  connect(decrypt_button_, &QPushButton::clicked, this, [this] { RunCommand(&DecryptJob); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void MainWindow::RunCommand(void (*command)(JobWindow&)) {
  QPushButton* const buttons[] = {choose_button_, encrypt_button_, decrypt_button_};
  for (QPushButton* button : buttons) button->setEnabled(false);
  command(*this);
  for (QPushButton* button : buttons) button->setEnabled(true);
}

void MainWindow::ShowCentred() {
  if (QScreen* screen = this->screen()) {
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - kOuterWidth) / 2,
         area.y() + (area.height() - kOuterHeight) / 2);
  }
  show();
  activateWindow();
  path_box_->setFocus();
}

ControlText MainWindow::BoxText(const QLineEdit* box, Text* text) const {
  text->clear();
  if (closed_) return ControlText::kGone;
  return ToCp936(box->text(), text) ? ControlText::kOk : ControlText::kUnrepresentable;
}

ControlText MainWindow::PathText(Text* text) { return BoxText(path_box_, text); }

ControlText MainWindow::PasswordText(Text* text) { return BoxText(password_box_, text); }

void MainWindow::SetPathText(std::string_view text) {
  if (!closed_) path_box_->setText(Qs(text));
}

void MainWindow::Tell(std::string_view message) { (void)ShowMessageBox(message, kStyleOk); }

bool MainWindow::AskYesNo(std::string_view question) {
  return ShowMessageBox(question, kStyleYesNoQuestion) == kButtonYes;
}

FileChoice MainWindow::ChooseFile(std::string_view folder, std::string_view filter,
                                  Text* file_name) {
  file_dialog_.initial_folder = Text(folder);
  file_dialog_.filter = Text(filter);
  const FileChoice choice = ui::ChooseFile(this, file_dialog_);
  *file_name = file_dialog_.file_name;
  return choice;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  closed_ = true;
  event->accept();
  emit Closed();
}

void StartMainWindow(MainWindow& window) {
  StartupOffer(window);
  window.ShowCentred();
}

int RunMainWindow() {
  MainWindow window;
  // A job running when the window closes stops after its current value,
  // and the loop ends once it has returned.
  QObject::connect(&window, &MainWindow::Closed, qApp, &QCoreApplication::quit);
  StartMainWindow(window);
  QApplication::exec();
  return 0;
}

}  // namespace inicrypt::ui
