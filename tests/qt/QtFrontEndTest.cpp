// The desktop front end's widgets driven as a user drives them, on Qt's offscreen platform (which
// has no tray: the window stays visible). The model's own logic is tested in the core.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/Program.h"
#include "app/Version.h"
#include "fakes/FakePlatform.h"
#include "support/TempDir.h"
#include "ui/qt/QtDesktop.h"
#include "ui/qt/QtSplash.h"
#include "ui/qt/SingleInstance.h"

namespace quorvane::testing {
namespace {

class NoSplashDesktop : public QtDesktop {
 public:
  void ShowSplash(const SplashText&) override {}
};

class QtFrontEndTest : public ::testing::Test {
 protected:
  QtFrontEndTest() : platform(temp.Path(), temp.Path() + "/") {
    platform.pages["http://echo.test/"] = "203.0.113.7\n";
    std::filesystem::create_directories(temp.Path() + "/Quorvane");
    WriteAll(temp.Path() + "/Quorvane/config.txt",
             " 0 \r\nDynDNS\r\n\r\n\r\n\r\n\r\nNOCHG\r\nNOCHG\r\nON\r\nNO\r\n5\r\n 0 \r\n 0 \r\n1/1/2014\r\n"
             "http://echo.test/\r\n");
    QImage logo(32, 32, QImage::Format_RGB32);
    logo.fill(Qt::red);
    logo.save(QString::fromStdString(temp.File("logo.jpg")));  // beside the program: the window's background
    desktop.Attach(program);
    program.Main("");
    desktop.Started();
  }
  template <typename Widget>
  Widget* Find(const char* name) {
    return desktop.Window().findChild<Widget*>(QString::fromLatin1(name));
  }
  // Runs `action`, which is to open a message box, and returns the box's title and text after closing it.
  std::pair<QString, QString> ModalOf(const std::function<void()>& action) {
    std::pair<QString, QString> seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&seen] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        seen = {box->windowTitle(), box->text()};
        box->accept();
      }
    });
    poll.start(10);
    action();
    return seen;
  }

  TempDir temp;
  FakePlatform platform;
  NoSplashDesktop desktop;
  Program program{platform, desktop, desktop};
  frmMain& form = program.form;
};

TEST_F(QtFrontEndTest, WidgetsAndModelFollowEachOtherBothWays) {
  QtMainWindow& window = desktop.Window();
  EXPECT_TRUE(window.isVisible()) << "no tray on this desktop: the window is the only way in";
  EXPECT_TRUE(window.windowTitle().startsWith("Quorvane 1.0.0 (no system tray"))
      << window.windowTitle().toStdString();
  EXPECT_EQ(Find<QLineEdit>("txtExternalIP")->text(), "203.0.113.7");
  EXPECT_EQ(Find<QComboBox>("cmbDDNSservice")->count(), 19);
  EXPECT_EQ(Find<QComboBox>("cmbDDNSservice")->currentText(), "DynDNS");
  EXPECT_EQ(Find<QLineEdit>("txtDDNSpassword")->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(Find<QLineEdit>("txtExternalIP")->isReadOnly() &&
              Find<QLineEdit>("txtInternalIP")->isReadOnly() &&
              Find<QPlainTextEdit>("txtSMTPlog")->isReadOnly());

  // Typed text reaches the model at once, and model changes reach the widgets.
  auto* interval = Find<QLineEdit>("txtInterval");
  interval->clear();
  QTest::keyClicks(interval, "17");
  EXPECT_EQ(form.txtInterval.Text(), "17");
  form.lblStatus.SetText("<b>good</b> 203.0.113.7");
  form.lblStatus.SetColour(kRed);
  auto* status = Find<QLabel>("lblStatus");
  EXPECT_EQ(status->text(), "<b>good</b> 203.0.113.7") << "an answer's text is never read as markup";
  EXPECT_EQ(status->textFormat(), Qt::PlainText);
  EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  form.txtSMTPlog.SetText("one\r\ntwo\r\nthree");
  EXPECT_EQ(Find<QWidget>("txtSMTPlog")->property("plainText").toString(), "one\ntwo\nthree");

  const QColor corner = desktop.Window().grab().toImage().pixelColor(2, 2);
  EXPECT_TRUE(corner.red() > 200 && corner.green() < 60) << "logo.jpg is drawn behind the controls";

  form.lblStatus.SetToolTip("Response: <html><img src=x>");
  EXPECT_TRUE(status->toolTip().contains("&lt;html&gt;")) << "a tool tip is plain text too";

  // The URL box: a new line being typed at its end survives a check (which drops a last line end),
  // Tab moves on instead of typing a tab, and what Latin-1 cannot hold is refused as it is typed.
  auto* urls = Find<QPlainTextEdit>("txtExternalIPURL");
  const std::string loaded = form.txtExternalIPURL.Text();
  QApplication::setActiveWindow(&desktop.Window());
  ASSERT_TRUE(QTest::qWaitForWindowActive(&desktop.Window()));
  urls->setFocus();
  urls->moveCursor(QTextCursor::End);
  QTest::keyClick(urls, Qt::Key_Return);
  const QString typed = urls->toPlainText();
  EXPECT_EQ(form.txtExternalIPURL.Text(), loaded + "\r\n");
  form.cmdCheckNow_Click();
  EXPECT_EQ(form.txtExternalIPURL.Text(), loaded);
  EXPECT_EQ(urls->toPlainText(), typed);
  EXPECT_EQ(urls->textCursor().position(), typed.size());
  QTest::keyClick(urls, Qt::Key_Tab);
  EXPECT_EQ(form.txtExternalIPURL.Text(), loaded);
  EXPECT_FALSE(urls->hasFocus());
  for (const QString key : {"p", "\u20AC", "w"}) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key);
    QApplication::sendEvent(interval, &press);
  }
  EXPECT_EQ(form.txtInterval.Text(), "17pw");

  // "Copy" puts the address on the clipboard.
  QTest::mouseClick(Find<QPushButton>("cmdCopyExtIP"), Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "203.0.113.7");
}

TEST_F(QtFrontEndTest, UpdateCheckBoxEnablesTheFieldsAndTheFrameRulesItsOptions) {
  auto* system = Find<QLineEdit>("txtDDNSsystem");
  EXPECT_FALSE(Find<QComboBox>("cmbDDNSservice")->isEnabled());
  EXPECT_TRUE(form.txtDDNSsystem.Enabled());
  EXPECT_FALSE(system->isEnabled()) << "the frame is disabled, so its fields cannot be edited";

  QTest::mouseClick(Find<QCheckBox>("chkUpdateDynDNS"), Qt::LeftButton);
  EXPECT_EQ(form.chkUpdateDynDNS.Value(), 1);
  for (const char* name : {"cmbDDNSservice", "txtDDNSusername", "txtDDNSpassword", "txtDDNShostname",
                           "frameDDNSoptions", "cmdDDNSmore", "txtDDNSsystem", "cmbDDNSoffline"})
    EXPECT_TRUE(Find<QWidget>(name)->isEnabled()) << name;
  QTest::keyClicks(Find<QComboBox>("cmbDDNSwildcard")->lineEdit(), "X");
  EXPECT_EQ(form.cmbDDNSwildcard.Text(), "ONX");

  // "More..." shows the options and becomes "Less"; a click on the status line collapses again.
  auto* more = Find<QPushButton>("cmdDDNSmore");
  const int collapsed = desktop.Window().sizeHint().height();
  QTest::mouseClick(more, Qt::LeftButton);
  EXPECT_EQ(more->text(), "Less");
  EXPECT_TRUE(desktop.Window().Expanded());
  EXPECT_GT(desktop.Window().sizeHint().height(), collapsed);
  QTest::mouseClick(Find<QLabel>("lblStatus"), Qt::LeftButton);
  EXPECT_EQ(more->text(), "More...");
  EXPECT_FALSE(desktop.Window().Expanded());
}

TEST_F(QtFrontEndTest, IntervalLettersAreRefusedWhenTheFocusMovesOn) {
  auto* interval = Find<QLineEdit>("txtInterval");
  QApplication::setActiveWindow(&desktop.Window());
  ASSERT_TRUE(QTest::qWaitForWindowActive(&desktop.Window()));
  interval->setFocus();
  interval->clear();
  QTest::keyClicks(interval, "abc");
  const auto [title, text] = ModalOf([&] {
    Find<QLineEdit>("txtExternalIP")->setFocus(Qt::TabFocusReason);
    QTest::qWait(100);  // the check runs once the focus has moved
  });
  EXPECT_EQ(text, "Numbers only, please.");
  EXPECT_EQ(title, "Quorvane 1.0.0");
  EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.Window().focusWidget() == interval; }, 2000));
  EXPECT_EQ(form.txtInterval.Text(), "abc") << "the text stays for the user to mend";
}

TEST_F(QtFrontEndTest, TrayMenuHoldsSixItemsInOrderAndQuitSavesTheSettings) {
  QStringList items;
  for (const QAction* action : desktop.TrayMenu().actions())
    items << (action->isSeparator() ? "-" : action->text());
  EXPECT_EQ(items.join('|'), "&Show/Hide|&View Log|&Check Now|&Update Now|-|&About|&Quit");

  auto* interval = Find<QLineEdit>("txtInterval");
  interval->clear();
  QTest::keyClicks(interval, "42");
  desktop.TrayMenu().actions().last()->trigger();
  EXPECT_TRUE(form.unloaded);
  EXPECT_FALSE(desktop.Window().isVisible());
  const std::string saved = ReadAll(temp.Path() + "/Quorvane/config.txt");
  EXPECT_NE(saved.find("\r\nNO\r\n42\r\n"), std::string::npos) << saved;
}

TEST(QtSplashTest, ShowsTheProgramsTextsAndClosesOnAnyKey) {
  QtSplash splash({"Quorvane", "1.0", "Copyright (C) 2026 Brellisto."});
  splash.open();
  QStringList texts;
  for (const QLabel* label : splash.findChildren<QLabel*>())
    if (!label->text().isEmpty()) texts << label->text();
  EXPECT_EQ(texts.join('|'), "Quorvane|1.0|Copyright (C) 2026 Brellisto.");
  EXPECT_EQ(splash.palette().color(QPalette::Window), QColor(224, 224, 224));
  QTest::keyClick(&splash, Qt::Key_Space);
  EXPECT_FALSE(splash.isVisible());
}

TEST(SingleInstanceTest, ASecondCopyFindsTheFirstByItsDataFolder) {
  TempDir temp;
  SingleInstance first, second, elsewhere;
  ASSERT_TRUE(first.Acquire(temp.File("Quorvane")));
  EXPECT_FALSE(second.Acquire(temp.File("Quorvane")));
  EXPECT_EQ(second.Holder(), ::getpid()) << "the second copy knows whom to ask to show the window";
  EXPECT_TRUE(elsewhere.Acquire(temp.File("Other"))) << "another data folder is another program";
}

}  // namespace
}  // namespace quorvane::testing

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
