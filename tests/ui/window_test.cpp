#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app/convert.h"
#include "app/events.h"
#include "app/jobs.h"
#include "host/folders.h"
#include "tests/support/app_support.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"

namespace inicrypt::ui {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::ReadFileBytes;
using testing::TempRunDirectory;
using testing::WriteFileBytes;

// Answers every box through the hook and keeps what was asked.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageHook([this](const MessageRequest& request) {
      asked_.push_back(request.text);
      looks_.push_back({request.style, request.caption});
      buttons_enabled_.push_back(window_ && Button("按钮_加密配置")->isEnabled());
      if (answers_.empty()) return QMessageBox::Ok;
      QMessageBox::StandardButton answer = answers_.front();
      answers_.erase(answers_.begin());
      return answer;
    });
    SetFileHook([this](const FileRequest& request) {
      file_requests_.push_back(request);
      return next_file_;
    });
    SetEventPump([] { QCoreApplication::processEvents(); });
  }
  void TearDown() override {
    SetMessageHook({});
    SetFileHook({});
    SetEventPump({});
  }

  MainWindow& Window() {
    if (!window_) window_ = std::make_unique<MainWindow>();
    return *window_;
  }
  template <typename T = QWidget>
  T* Find(const char* name) {
    T* widget = Window().findChild<T*>(QString(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QPushButton* Button(const char* name) { return Find<QPushButton>(name); }
  QLineEdit* Box(const char* name) { return Find<QLineEdit>(name); }
  void Click(const char* name) { Button(name)->click(); }

  TempRunDirectory run_;
  std::unique_ptr<MainWindow> window_;
  std::vector<QMessageBox::StandardButton> answers_;
  std::vector<QString> asked_;
  std::vector<std::pair<int, QString>> looks_;  // style and caption of each box
  std::vector<bool> buttons_enabled_;
  std::vector<FileRequest> file_requests_;
  std::optional<QString> next_file_;
};

TEST_F(WindowTest, ControlsStandWhereTheTableSays) {
  struct Expected {
    const char* name;
    const char* kind;
    const char* parent;
    QRect geometry;
    const char* text;
    bool focus;
  } expected[] = {
      {"标签3",
       "QLabel",
       "",
       {6, 113, 377, 15},
       "默认密码:73580647 >>可解密后按照此格式写自行修改配置文件内容<<",
       false},
      {"编辑框_加密密码", "QLineEdit", "分组框1", {63, 22, 120, 30}, "73580647", true},
      {"标签2", "QLabel", "分组框1", {9, 26, 49, 24}, "密码秘钥", false},
      {"按钮_加密配置", "QPushButton", "分组框1", {188, 19, 79, 34}, "加密配置", true},
      {"按钮_解密配置", "QPushButton", "分组框1", {281, 19, 79, 34}, "解密配置", true},
      {"分组框1", "QGroupBox", "", {8, 37, 368, 72}, "", false},
      {"按钮_选择路径", "QPushButton", "", {328, 8, 48, 24}, "选择", true},
      {"编辑框_文件路径", "QLineEdit", "", {60, 9, 267, 24}, "", true},
      {"标签1", "QLabel", "", {8, 8, 48, 24}, "文件路径", false},
  };
  for (const Expected& e : expected) {
    QWidget* widget = Find(e.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_STREQ(widget->metaObject()->className(), e.kind) << e.name;
    QWidget* parent = widget->parentWidget();
    EXPECT_EQ(parent == &Window() ? QString() : parent->objectName(), QString(e.parent)) << e.name;
    EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
    if (auto* box = qobject_cast<QLineEdit*>(widget)) text = box->text();
    if (auto* button = qobject_cast<QPushButton*>(widget)) text = button->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget)) text = group->title();
    EXPECT_EQ(text, QString(e.text)) << e.name;
    EXPECT_EQ(widget->focusPolicy() != Qt::NoFocus, e.focus) << e.name;
  }
  // The controls of the group box, in window coordinates.
  EXPECT_EQ(Find("编辑框_加密密码")->mapTo(&Window(), QPoint()), QPoint(71, 59));
  EXPECT_EQ(Find("按钮_解密配置")->mapTo(&Window(), QPoint()), QPoint(289, 56));
  auto* label = Find<QLabel>("标签3");
  EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
}

TEST_F(WindowTest, FixedSizeTitleAndCentredFrame) {
  MainWindow& window = Window();
  EXPECT_EQ(window.windowTitle(), QString("加密解密配置文件 Brev:Tolm"));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  EXPECT_EQ(window.size(), QSize(389, 139));
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(window.isVisible());
  window.ShowCentred();
  const QRect screen = window.screen()->geometry();
  EXPECT_EQ(window.pos(), QPoint((screen.width() - 395) / 2, (screen.height() - 164) / 2));
  EXPECT_TRUE(window.isVisible());
}

TEST_F(WindowTest, PasswordBoxMasksButGivesTheRealText) {
  MainWindow& window = Window();
  QLineEdit* box = Box("编辑框_加密密码");
  EXPECT_EQ(box->displayText(), QString("********"));
  Text text;
  ASSERT_EQ(window.PasswordText(&text), ControlText::kOk);
  EXPECT_EQ(text, "73580647");
  box->clear();
  QTest::keyClicks(box, "pa55");
  EXPECT_EQ(box->displayText(), QString("****"));
  ASSERT_EQ(window.PasswordText(&text), ControlText::kOk);
  EXPECT_EQ(text, "pa55");
  window.SetPathText("\xC5\xE4\xD6\xC3.ini");  // 配置.ini
  EXPECT_EQ(Box("编辑框_文件路径")->text(), QString("配置.ini"));
  ASSERT_EQ(window.PathText(&text), ControlText::kOk);
  EXPECT_EQ(text, "\xC5\xE4\xD6\xC3.ini");
  Box("编辑框_文件路径")->setText(QString("/tmp/\U0001F600.ini"));
  EXPECT_EQ(window.PathText(&text), ControlText::kUnrepresentable);
  EXPECT_EQ(text, "");
}

TEST_F(WindowTest, TabCyclesThroughTheControlsAndEscCloses) {
  MainWindow& window = Window();
  window.ShowCentred();
  QApplication::setActiveWindow(&window);
  Box("编辑框_文件路径")->setFocus();
  std::vector<QString> visited;
  for (int i = 0; i < 5; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget()->objectName());
  }
  EXPECT_THAT(visited, ElementsAre("按钮_选择路径", "按钮_解密配置", "按钮_加密配置",
                                   "编辑框_加密密码", "编辑框_文件路径"));
  Box("编辑框_加密密码")->setFocus();
  QTest::keyClick(Box("编辑框_加密密码"), Qt::Key_Escape);
  EXPECT_TRUE(window.IsClosed());
  EXPECT_FALSE(window.isVisible());
}

TEST_F(WindowTest, EnterStartsNothingSpacePressesTheFocusedButton) {
  MainWindow& window = Window();
  window.ShowCentred();
  QApplication::setActiveWindow(&window);
  Button("按钮_加密配置")->setFocus();
  QTest::keyClick(Button("按钮_加密配置"), Qt::Key_Return);
  QTest::keyClick(Button("按钮_加密配置"), Qt::Key_Enter);
  EXPECT_THAT(asked_, IsEmpty());
  QTest::keyClick(Button("按钮_加密配置"), Qt::Key_Space);
  EXPECT_THAT(asked_, ElementsAre("请选择配置文件"));
}

TEST_F(WindowTest, SampleChosenEncryptedAndDecryptedByClicks) {
  answers_ = {QMessageBox::Yes};  // write the sample at start
  StartMainWindow(Window());
  const QString sample = QString::fromStdString(testing::Native(run_.File(kSampleFileName)));
  next_file_ = sample;
  Click("按钮_选择路径");
  ASSERT_EQ(file_requests_.size(), 1u);
  EXPECT_EQ(file_requests_[0].folder, QString::fromStdString(SpecialFolder(FolderKind::kDesktop)));
  EXPECT_EQ(file_requests_[0].filters, QStringList({"文本文件(*.ini)", "图片(*.jpg)"}));
  EXPECT_EQ(file_requests_[0].selected_filter, QString("文本文件(*.ini)"));
  EXPECT_EQ(file_requests_[0].mode, QFileDialog::ExistingFile);
  EXPECT_EQ(Box("编辑框_文件路径")->text(), sample);

  Click("按钮_加密配置");
  EXPECT_EQ(Box("编辑框_文件路径")->text(), QString());
  EXPECT_EQ(testing::Decipher(run_.File("config.ini"), "73580647"), SampleConfiguration);

  Box("编辑框_文件路径")->setText(QString::fromStdString(run_.File("config.ini")));
  Click("按钮_解密配置");
  EXPECT_THAT(asked_,
              ElementsAre("发现在同目录下没<config.ini>是否创建", "加密完成!", "解密完成!"));
  const QString caption("信息：");
  EXPECT_THAT(looks_,
              ElementsAre(std::pair(36, caption), std::pair(0, caption), std::pair(0, caption)));
  EXPECT_EQ(ReadFileBytes(run_.File(kDecryptedFileName)), SampleConfiguration);
  // The buttons were off while each job ran, and are on again.
  EXPECT_THAT(buttons_enabled_, ElementsAre(true, false, false));
  EXPECT_TRUE(Button("按钮_加密配置")->isEnabled());

  next_file_.reset();  // a cancel puts the file chosen last back
  Click("按钮_选择路径");
  EXPECT_EQ(Box("编辑框_文件路径")->text(), sample);
}

TEST_F(WindowTest, ClosingDuringAJobStopsItAndKeepsConfig) {
  std::string plain;
  for (int i = 0; i < 50; ++i) plain += "[s" + std::to_string(i) + "]\r\nk=v\r\n";
  WriteFileBytes(run_.File("plain.ini"), plain);
  WriteFileBytes(run_.File("config.ini"), "old");
  MainWindow& window = Window();
  window.ShowCentred();
  Box("编辑框_文件路径")->setText(QString::fromStdString(run_.File("plain.ini")));
  QTimer::singleShot(0, &window, [&window] { window.close(); });
  Click("按钮_加密配置");
  EXPECT_TRUE(window.IsClosed());
  EXPECT_THAT(asked_, IsEmpty());
  EXPECT_EQ(ReadFileBytes(run_.File("config.ini")), "old");
  EXPECT_THAT(run_.Names(), ElementsAre("config.ini", "plain.ini"));
}

TEST_F(WindowTest, StartUpAsksBeforeTheWindowShows) {
  struct Case {
    const char* what;
    bool config_exists;
    QMessageBox::StandardButton answer;
    bool asked;
    bool sample_written;
  } cases[] = {
      {"config.ini there", true, QMessageBox::Yes, false, false},
      {"yes", false, QMessageBox::Yes, true, true},
      {"no", false, QMessageBox::No, true, false},
  };
  for (const Case& c : cases) {
    TempRunDirectory run;
    if (c.config_exists) WriteFileBytes(run.File("config.ini"), "x");
    window_.reset();
    asked_.clear();
    bool visible_when_asked = true;
    SetMessageHook([&](const MessageRequest&) {
      visible_when_asked = Window().isVisible();
      asked_.push_back("asked");
      return c.answer;
    });
    StartMainWindow(Window());
    EXPECT_EQ(asked_.size(), c.asked ? 1u : 0u) << c.what;
    if (c.asked) {
      EXPECT_FALSE(visible_when_asked) << c.what;
    }
    EXPECT_TRUE(Window().isVisible()) << c.what;
    EXPECT_EQ(ReadFileBytes(run.File(kSampleFileName)),
              c.sample_written ? std::string(SampleConfiguration) : "")
        << c.what;
  }
}

TEST_F(WindowTest, ClosingTheWindowEndsTheLoopWithZero) {
  WriteFileBytes(run_.File("config.ini"), "x");
  QTimer::singleShot(0, [] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (qobject_cast<MainWindow*>(widget) && widget->isVisible()) widget->close();
    }
  });
  EXPECT_EQ(RunMainWindow(), 0);
  EXPECT_THAT(asked_, IsEmpty());
}

}  // namespace
}  // namespace inicrypt::ui
