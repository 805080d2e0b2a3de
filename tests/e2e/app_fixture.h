// The common frame of the end-to-end tests: quillomatic.exe started with its window and
// gadgets at hand.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "driver/app_process.h"
#include "driver/gui_driver.h"
#include "wait_until.h"

namespace e2e {

constexpr int kStatusLabel = 0;
constexpr int kReceiveField = 12;
constexpr DWORD kStartTimeoutMs = 15000;

// The program under test: the one named by QUILL_E2E_EXE (the shipped 32-bit build, for
// instance) or else this build's own.
inline std::string ExeUnderTest() {
  char path[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("QUILL_E2E_EXE", path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path) : std::string(QUILL_EXE);
}

class AppTest : public ::testing::Test {
 protected:
  void TearDown() override { app_.reset(); }

  // Starts the program and waits for its window; fails the test if it does not appear.
  void Start() {
    app_ = std::make_unique<AppProcess>(ExeUnderTest());
    ASSERT_TRUE(app_->started()) << "cannot start " << ExeUnderTest() << " (error "
                                 << app_->start_error() << ")";
    main_ = FindMainWindow(app_->pid(), "QUILLOMATIC", kStartTimeoutMs);
    ASSERT_NE(main_, nullptr) << "no QUILLOMATIC window";
    children_at_first_sight_ = ChildrenOf(main_).size();
  }

  // Returns the gadget with a number; fails the test if it is missing.
  HWND Gadget(int id) {
    HWND w = FindControl(main_, id);
    EXPECT_NE(w, nullptr) << "no control with id " << id;
    return w;
  }

  // Presses a button, expects the no-device box, checks it and dismisses it.
  void ExpectNoDeviceBox(int button) {
    ASSERT_TRUE(Press(Gadget(button)));
    HWND box = FindMessageBox(app_->pid(), 5000);
    ASSERT_NE(box, nullptr) << "no message box after button " << button;
    char title[128] = {};
    GetWindowTextA(box, title, sizeof title);
    EXPECT_STREQ(title, "QUILLOMATIC");
    EXPECT_EQ(MessageBoxText(box), "No HID device");
    EXPECT_FALSE(IsWindowEnabled(main_)) << "main window enabled behind the box";
    EXPECT_TRUE(DismissMessageBox(box, 5000));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main_) != 0; }, 5000));
  }

  // Asks the window to close and expects the process to end with code 0 within 1 s.
  void ExpectCloseEndsWithCodeZero() {
    const ULONGLONG asked = GetTickCount64();
    ASSERT_TRUE(PostMessageA(main_, WM_CLOSE, 0, 0));
    DWORD code = 1;
    ASSERT_TRUE(app_->WaitExit(5000, &code)) << "still running 5 s after the close request";
    EXPECT_EQ(code, 0u);
    EXPECT_LE(GetTickCount64() - asked, 1000u);
  }

  std::unique_ptr<AppProcess> app_;
  HWND main_ = nullptr;
  // How many controls the window had when it was first seen visible.
  size_t children_at_first_sight_ = 0;
};

}  // namespace e2e
