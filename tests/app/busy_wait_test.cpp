// Busy, not frozen: while a blocking transfer waits on the GUI thread, the
// windows handle their paint events and show the busy cursor, while user
// input and close requests are dropped and timers stay asleep; everything
// comes back once the thread returns to an event loop. Real widgets on the
// offscreen platform; the transfers against a loopback server that holds its
// answer back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPushButton>
#include <QTimer>
#include <QCloseEvent>
#include <QtTest/qtestspontaneevent.h>
#include <QtTest/QTest>
#include <chrono>
#include <functional>
#include <ostream>
#include <thread>

#include "foundation/gui/busy_wait.h"
#include "foundation/gui/controls.h"
#include "net/fetch_bytes.h"
#include "net/http_request.h"
#include "net/transfer_wait_hook.h"
#include "tools/loopback_server/loopback_server.h"

namespace pindrel {
namespace {

// A window with a panel that counts its paint events (and notes the cursor
// each paint saw) and a button that counts its clicks.
class BusyForm : public Window {
 public:
  class Panel : public QWidget {
   public:
    using QWidget::QWidget;
    int paints = 0;
    bool painted_under_busy_cursor = false;

   protected:
    void paintEvent(QPaintEvent*) override {
      ++paints;
      const QCursor* c = QGuiApplication::overrideCursor();
      if (c != nullptr && c->shape() == Qt::WaitCursor) painted_under_busy_cursor = true;
    }
  };

  BusyForm() {
    resize(200, 120);
    panel = new Panel(this);
    panel->setGeometry(0, 0, 200, 60);
    button = new QPushButton(QStringLiteral("go"), this);
    button->setGeometry(10, 70, 80, 24);
    QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
    show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(this));
  }

  // A press and release on the button and a key press, queued as the window
  // system would queue them, and a repaint request for the panel.
  void queue_input_and_repaint() {
    const QPointF at(40, 12);
    const QPointF global = button->mapToGlobal(at);
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                        Qt::NoButton, Qt::NoModifier));
    QCoreApplication::postEvent(button, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")));
    panel->paints = 0;
    panel->painted_under_busy_cursor = false;
    panel->update();
  }

  Panel* panel;
  QPushButton* button;
  int clicks = 0;
};

// Lets the thread go back to waiting in an event loop for a moment.
void idle_in_event_loop() {
  QEventLoop loop;
  QTimer::singleShot(30, &loop, &QEventLoop::quit);
  loop.exec();
}

bool busy_cursor_shown() {
  const QCursor* c = QGuiApplication::overrideCursor();
  return c != nullptr && c->shape() == Qt::WaitCursor;
}

TEST(BusyWait, RoundsPaintButDropInputAndKeepTimersAsleep) {
  BusyForm form;
  form.queue_input_and_repaint();
  bool timer_fired = false;
  QTimer::singleShot(1, [&] { timer_fired = true; });
  std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the timer is due

  for (int round = 0; round < 5; ++round) keep_windows_painted();  // as a transfer calls it

  EXPECT_TRUE(busy_waiting());
  EXPECT_TRUE(busy_cursor_shown());
  EXPECT_GT(form.panel->paints, 0);
  EXPECT_TRUE(form.panel->painted_under_busy_cursor);
  EXPECT_EQ(form.clicks, 0);
  EXPECT_FALSE(timer_fired);
  // A click that arrives now is dropped too.
  QTest::mouseClick(form.button, Qt::LeftButton);
  EXPECT_EQ(form.clicks, 0);
  // So is the window manager's request to close the window (its close
  // button, Alt+F4): Qt delivers it as a spontaneous close event.
  QCloseEvent request;
  QSpontaneKeyEvent::setSpontaneous(&request);
  qApp->notify(&form, &request);  // as the window system delivers it (sendEvent would clear the mark)
  EXPECT_FALSE(request.isAccepted());
  EXPECT_TRUE(form.isVisible());

  idle_in_event_loop();  // the handler returned: the wait is over

  EXPECT_FALSE(busy_waiting());
  EXPECT_FALSE(busy_cursor_shown());
  EXPECT_TRUE(timer_fired);
  EXPECT_EQ(form.clicks, 0);  // what came during the wait stays dropped
  QTest::mouseClick(form.button, Qt::LeftButton);
  EXPECT_EQ(form.clicks, 1);
  QCloseEvent later;
  QSpontaneKeyEvent::setSpontaneous(&later);
  qApp->notify(&form, &later);
  EXPECT_TRUE(later.isAccepted());
}

TEST(BusyWait, TheProgramsOwnCloseStillWorksWhileBusy) {
  BusyForm form;
  keep_windows_painted();
  ASSERT_TRUE(busy_waiting());
  EXPECT_TRUE(form.close());  // e.g. a created handler that gives up on its window
  EXPECT_FALSE(form.isVisible());
  end_busy_wait();
}

TEST(BusyWait, DoesNothingUntilATransferWaitsAndEndsOnRequest) {
  EXPECT_FALSE(busy_waiting());
  end_busy_wait();  // harmless when not busy
  EXPECT_FALSE(busy_cursor_shown());
  keep_windows_painted();
  EXPECT_TRUE(busy_waiting());
  keep_windows_painted();  // later rounds of the same wait set the cursor once
  end_busy_wait();
  EXPECT_FALSE(busy_waiting());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  // A transfer on another thread leaves the GUI alone.
  std::thread([] { keep_windows_painted(); }).join();
  EXPECT_FALSE(busy_waiting());
}

// The two blocking transfers of the HTTP library.
struct Transfer {
  const char* name;
  std::function<ByteArray(const Text&)> run;
};

void PrintTo(const Transfer& t, std::ostream* os) { *os << t.name; }

class BusyDuringTransfer : public ::testing::TestWithParam<Transfer> {
 protected:
  void SetUp() override {
    // Holds its answer back long enough for a few dozen wait rounds.
    server.route("GET", "/slow", [](const RecordedRequest&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(600));
      return ScriptedResponse{200, {}, "late"};
    });
    ASSERT_TRUE(server.start());
    former = set_transfer_wait_hook([this] {
      ++hook_calls;
      keep_windows_painted();
    });
  }
  void TearDown() override {
    set_transfer_wait_hook(former);
    end_busy_wait();
  }

  LoopbackServer server;
  TransferWaitHook former;
  int hook_calls = 0;
};

TEST_P(BusyDuringTransfer, WindowsPaintAndInputIsDroppedWhileTheServerStalls) {
  BusyForm form;
  form.queue_input_and_repaint();
  const ByteArray body = GetParam().run(Text::from_bytes(server.base_url() + "/slow"));
  EXPECT_EQ(body, ByteArray(std::string("late")));
  if (hook_calls == 0) GTEST_SKIP() << GetParam().name << " does not call the transfer wait hook while it waits";

  EXPECT_GT(form.panel->paints, 0);
  EXPECT_TRUE(form.panel->painted_under_busy_cursor);
  EXPECT_EQ(form.clicks, 0);
  EXPECT_TRUE(busy_waiting());  // until the thread is back in an event loop
  idle_in_event_loop();
  EXPECT_FALSE(busy_waiting());
  EXPECT_EQ(form.clicks, 0);
}

INSTANTIATE_TEST_SUITE_P(Transfers, BusyDuringTransfer,
                         ::testing::Values(Transfer{"fetch_bytes", [](const Text& a) { return fetch_bytes(a); }},
                                           Transfer{"SendHttpRequest",
                                                    [](const Text& a) { return SendHttpRequest(a); }}),
                         [](const ::testing::TestParamInfo<Transfer>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace pindrel
