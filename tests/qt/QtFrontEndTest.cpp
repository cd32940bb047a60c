// The desktop front end's widgets driven as a user drives them, on Qt's offscreen platform (which
// has no tray: the window stays visible). The window model's rules are tested in the app tests, the
// program's stories in desktop_session.sh.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <thread>

#include "app/Session.h"
#include "fakes/FakePlatform.h"
#include "frontends/qt/QtShell.h"
#include "support/TempDir.h"

namespace quorvane::testing {
namespace {

class NoSplashShell : public QtShell {
 public:
  void ShowSplash(const SplashText&) override {}
};

class QtFrontEndTest : public ::testing::Test {
 protected:
  QtFrontEndTest() : platform(temp.Path(), temp.Path() + "/") {
    platform.pages["http://api.ipify.org/"] = "203.0.113.7\n";  // the first run's first echo page
    shell.Attach(session);
    bool checked = false;
    session.WhenStartupCheckDone([&checked](const StartupCheckResult&) { checked = true; });
    session.Start();
    EXPECT_TRUE(QTest::qWaitFor([&checked] { return checked; }, 5000)) << "the startup check did not end";
    QApplication::setActiveWindow(&window());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window()));
  }
  QtMainWindow& window() { return shell.Window(); }
  template <typename Widget>
  Widget* Find(const Control& control) {
    return qobject_cast<Widget*>(window().WidgetOf(control));
  }

  TempDir temp;
  FakePlatform platform;
  NoSplashShell shell;
  Session session{platform, shell, SessionOptions{}};
  MainWindowModel& model = session.Window();
};

TEST_F(QtFrontEndTest, WidgetsArePaintedFromTheirRolesAndFollowTheModelBothWays) {
  EXPECT_EQ(Find<QLineEdit>(model.externalAddress)->text(), "203.0.113.7");
  EXPECT_EQ(Find<QLineEdit>(model.password)->echoMode(), QLineEdit::Password);
  for (const Control* address : {&model.externalAddress, &model.internalAddress}) {
    auto* box = Find<QLineEdit>(*address);
    EXPECT_TRUE(box->isReadOnly() && box->alignment() == Qt::AlignCenter && box->font().bold())
        << address->Name();
  }
  EXPECT_TRUE(Find<QPlainTextEdit>(model.ddnsLog)->isReadOnly());
  EXPECT_TRUE(Find<QLabel>(model.viewLog)->font().underline());
  EXPECT_TRUE(Find<QPushButton>(model.checkNow)->font().bold());

  model.status.SetText("<b>good</b> 203.0.113.7");
  model.status.SetColour(kRed);
  model.status.SetToolTip("Response: <html><img src=x>");
  auto* status = Find<QLabel>(model.status);
  EXPECT_EQ(status->text(), "<b>good</b> 203.0.113.7") << "an answer's text is never read as markup";
  EXPECT_EQ(status->textFormat(), Qt::PlainText);
  EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_TRUE(status->toolTip().contains("&lt;html&gt;")) << "a tool tip is plain text too";
  auto* log = Find<QPlainTextEdit>(model.ddnsLog);
  model.ddnsLog.SetText("one\r\ntwo\r\nthree");
  EXPECT_EQ(log->toPlainText(), "one\ntwo\nthree");
  EXPECT_EQ(log->textCursor().position(), log->toPlainText().size()) << "the log follows its end";

  // Typed text reaches the model at once; what Latin-1 cannot hold is refused. The update check box
  // enables the provider's frame.
  auto* interval = Find<QLineEdit>(model.intervalBox);
  interval->setFocus();
  interval->clear();
  for (const QString key : {"1", "\u20AC", "7"}) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key);
    QApplication::sendEvent(interval, &press);
  }
  EXPECT_EQ(model.intervalBox.Text(), "17");
  EXPECT_FALSE(Find<QLineEdit>(model.system)->isEnabled());
  QTest::mouseClick(Find<QCheckBox>(model.updateEnabled), Qt::LeftButton);
  EXPECT_TRUE(model.updateEnabled.Checked() && Find<QLineEdit>(model.system)->isEnabled());
  QTest::keyClicks(Find<QComboBox>(model.wildcard)->lineEdit(), "X");
  EXPECT_EQ(model.wildcard.Text(), "ONX");

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

TEST_F(QtFrontEndTest, LeavingTheIntervalBoxRunsTheModelsCheck) {
  auto* interval = Find<QLineEdit>(model.intervalBox);
  interval->setFocus();
  interval->clear();
  QTest::keyClicks(interval, "abc");
  QString title, text;
  QTimer poll;  // closes the message box the check opens
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      title = box->windowTitle(), text = box->text();
      box->accept();
    }
  });
  poll.start(10);
  Find<QLineEdit>(model.externalAddress)->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !text.isEmpty(); }, 2000));
  EXPECT_EQ(text, "Numbers only, please.");
  EXPECT_EQ(title, "Quorvane 1.0.0");
  EXPECT_TRUE(QTest::qWaitFor([&] { return window().focusWidget() == interval; }, 2000));
  EXPECT_EQ(model.intervalBox.Text(), "abc") << "the text stays for the user to mend";
}

TEST_F(QtFrontEndTest, TasksPostedFromAnyThreadRunOnTheUiThreadInOrderUntilTheStop) {
  std::vector<int> order;
  bool onUiThread = true;
  std::thread([&] {
    for (int i = 0; i < 3; ++i)
      shell.Post([&, i] {
        order.push_back(i);
        onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
      });
  }).join();
  EXPECT_TRUE(order.empty()) << "a posted task waits for the event loop";
  EXPECT_TRUE(QTest::qWaitFor([&] { return order.size() == 3; }, 2000));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(onUiThread);
  session.Stop();
  ASSERT_TRUE(shell.Ended());
  shell.Post([&order] { order.push_back(3); });
  QTest::qWait(50);
  EXPECT_EQ(order.size(), 3u) << "nothing runs after the stop";
}

}  // namespace
}  // namespace quorvane::testing

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
