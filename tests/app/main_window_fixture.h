// MainWindow open over the stand-in sites, with the desktop double answering
// its message boxes and dialogs: the user's view of the program in a test.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "desktop_double.h"
#include "standin_fixture.h"

namespace pindrel::testing {

class MainWindowTest : public StandinSitesTest {
 protected:
  void SetUp() override {
    StandinSitesTest::SetUp();
    window = std::make_unique<MainWindow>();
    window->show();
  }
  void TearDown() override {
    window.reset();
    StandinSitesTest::TearDown();
  }

  // Types the video-page prefix and `id_and_rest` and presses 解析, with the
  // cover check box cleared.
  void parse(const std::string& id_and_rest) {
    set_edit_text(*window->编辑框_地址, video_page(id_and_rest));
    window->选择框1->setChecked(false);
    window->解析->click();
  }

  DesktopDouble desktop;
  std::unique_ptr<MainWindow> window;
};

}  // namespace pindrel::testing
