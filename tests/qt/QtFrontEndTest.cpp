// The desktop widgets driven as a user drives them, on Qt's offscreen platform (no tray: the window stays
// visible). The window model's rules are tested in the app tests, the program's in desktop_session.sh.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QThread>
#include <thread>

#include "app/Session.h"
#include "fakes/FakePlatform.h"
#include "frontends/qt/QtShell.h"
#include "support/TempDir.h"

namespace quorvane::testing {
namespace {

// No splash; message boxes are recorded instead of waiting for a click.
class TestShell : public QtShell {
 public:
  void ShowSplash(const SplashText&) override {}
  void MessageBox(const std::string& text, const std::string&) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

class QtFrontEndTest : public ::testing::Test {
 protected:
  QtFrontEndTest() : platform(temp.Path(), temp.Path() + "/") {
    shell.Attach(session);
    bool checked = false;
    session.WhenStartupCheckDone([&checked](const StartupCheckResult&) { checked = true; });
    session.Start();
    EXPECT_TRUE(QTest::qWaitFor([&checked] { return checked; }, 5000)) << "the startup check did not end";
    QApplication::setActiveWindow(&shell.Window());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&shell.Window()));
  }
  template <typename Widget>
  Widget* Find(const Control& control) {
    return qobject_cast<Widget*>(shell.Window().WidgetOf(control));
  }

  TempDir temp;
  FakePlatform platform;
  TestShell shell;
  Session session{platform, shell, SessionOptions{}};
  MainWindowModel& model = session.Window();
};

TEST_F(QtFrontEndTest, WidgetsFollowTheModelBothWays) {
  EXPECT_EQ(Find<QLineEdit>(model.password)->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(Find<QLineEdit>(model.externalAddress)->isReadOnly());
  EXPECT_TRUE(Find<QPlainTextEdit>(model.ddnsLog)->isReadOnly());
  // An answer's text and tool tip are never read as markup.
  model.status.SetToolTip("Response: <html><img src=x>");
  auto* status = Find<QLabel>(model.status);
  EXPECT_EQ(status->textFormat(), Qt::PlainText);
  EXPECT_TRUE(status->toolTip().contains("&lt;html&gt;"));
  auto* log = Find<QPlainTextEdit>(model.ddnsLog);
  model.ddnsLog.SetText("one\r\ntwo\r\nthree");
  EXPECT_EQ(log->toPlainText(), "one\ntwo\nthree");
  EXPECT_EQ(log->textCursor().position(), log->toPlainText().size()) << "the log follows its end";

  // Typed text reaches the model at once; what Latin-1 cannot hold is refused. Leaving the box runs
  // the model's check, and the focus goes back for the user to mend the text.
  auto* interval = Find<QLineEdit>(model.intervalBox);
  interval->setFocus();
  interval->clear();
  for (const QString key : {"a", "\u20AC", "b"}) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key);
    QApplication::sendEvent(interval, &press);
  }
  EXPECT_EQ(model.intervalBox.Text(), "ab");
  Find<QLineEdit>(model.externalAddress)->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(QTest::qWaitFor([&] { return shell.Window().focusWidget() == interval; }, 2000));
  EXPECT_EQ(shell.messages, std::vector<std::string>{"Numbers only, please."});
  interval->setText("17");

  // The URL box: a new line being typed at its end survives the program showing the list again
  // without it, and Tab moves on instead of typing a tab.
  auto* urls = Find<QPlainTextEdit>(model.echoUrls);
  const std::string loaded = model.echoUrls.Text();
  urls->setFocus();
  urls->moveCursor(QTextCursor::End);
  QTest::keyClick(urls, Qt::Key_Return);
  const QString typed = urls->toPlainText();
  EXPECT_EQ(model.echoUrls.Text(), loaded + "\r\n");
  model.echoUrls.SetText(loaded);
  EXPECT_EQ(urls->toPlainText(), typed);
  EXPECT_EQ(urls->textCursor().position(), typed.size());
  QTest::keyClick(urls, Qt::Key_Tab);
  EXPECT_FALSE(urls->hasFocus());
}

// Tasks posted from another thread run on the UI thread, in order; after the stop none runs.
TEST_F(QtFrontEndTest, PostedTasksRunOnTheUiThreadInOrderUntilTheStop) {
  std::vector<std::pair<int, QThread*>> ran;
  std::thread([&] {
    for (int i : {0, 1, 2, 3}) shell.Post([&ran, i] { ran.emplace_back(i, QThread::currentThread()); });
  }).join();
  EXPECT_TRUE(QTest::qWaitFor([&] { return ran.size() == 4; }, 2000));
  const auto ui = qApp->thread();
  EXPECT_EQ(ran, (std::vector<std::pair<int, QThread*>>{{0, ui}, {1, ui}, {2, ui}, {3, ui}}));
  session.Stop();
  shell.Post([&ran] { ran.emplace_back(4, nullptr); });
  QTest::qWait(50);
  EXPECT_EQ(ran.size(), 4u) << "nothing runs after the stop";
}

}  // namespace
}  // namespace quorvane::testing

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
