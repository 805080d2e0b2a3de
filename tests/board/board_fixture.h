// The frame of the real-stack tests: the test board, reset and plugged, and quillomatic.exe
// started in the board's prefix (Wine's own SetupAPI, hid.dll and hidclass) with its window
// and gadgets at hand.
#pragma once

#include <windows.h>
extern "C" {
#include <hidsdi.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "board_client.h"

namespace e2e {

using Bytes = std::vector<uint8_t>;

constexpr long kStatusUnsuccessful = static_cast<long>(0xC0000001);

class BoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    board_ = std::make_unique<board::Board>();
    ASSERT_TRUE(board_->ok()) << "no control device " << BOARD_CONTROL_PATH;
    ASSERT_TRUE(board_->Reset());
    ASSERT_TRUE(board_->Plug());
    ASSERT_FALSE(board::WaitForBoardPath(5000).empty()) << "the board's interface is missing";
  }
  void TearDown() override {
    app_.reset();
    board_->HoldWrites(0);
    board_->Plug();
  }

  // Starts the program and waits for its window and for it to hold the board.
  void Start() {
    app_ = std::make_unique<AppProcess>(ExeUnderTest());
    ASSERT_TRUE(app_->started()) << "cannot start " << ExeUnderTest();
    main_ = FindMainWindow(app_->pid(), "QUILLOMATIC", kStartTimeoutMs);
    ASSERT_NE(main_, nullptr) << "no QUILLOMATIC window";
  }

  // Returns the gadget with a number; fails the test if it is missing.
  HWND Gadget(int id) {
    HWND w = FindControl(main_, id);
    EXPECT_NE(w, nullptr) << "no control with id " << id;
    return w;
  }

  // Waits for the status line to read `text`.
  bool StatusIs(const char* text, DWORD timeout_ms = 3000) {
    return WaitForText(Gadget(kStatusLabel), text, timeout_ms);
  }

  // Presses a button and returns the output report (report ID first) that the board gets.
  Bytes PressAndReceive(int button) {
    const size_t before = board_->Received().size();
    EXPECT_TRUE(Press(Gadget(button)));
    if (!board_->WaitReceived(before + 1, 3000)) {
      ADD_FAILURE() << "no report after button " << button;
      return {};
    }
    return Report(board_->Received()[before]);
  }

  // Returns an output report as the program wrote it: the report ID, then the payload.
  static Bytes Report(const board::Output& out) {
    Bytes bytes(out.bytes.size() + 1, static_cast<uint8_t>(out.report_id));
    std::copy(out.bytes.begin(), out.bytes.end(), bytes.begin() + 1);
    return bytes;
  }

  // Takes the board off the bus and waits until none of its interfaces is listed.
  void UnplugUntilUnlisted() {
    ASSERT_TRUE(board_->Unplug());
    ASSERT_TRUE(WaitUntil([] { return board::BoardPaths().empty(); }, 5000))
        << "the board's interface is still listed 5 s after the unplug";
  }

  // The board brings up a composite board as USB does: first its other interface (child 1, a
  // vendor collection that takes 9-byte writes too), the console's own 300 ms later. Waits
  // until each is listed, the other alone first; *console_listed gets when the console's was.
  void PlugComposite(ULONGLONG* console_listed) {
    const BoardChild other = {BOARD_VENDOR_ID, BOARD_PRODUCT_ID, BOARD_VERSION, BOARD_KIND_VENDOR};
    ASSERT_TRUE(board_->PlugInTurn({other, {0, 0, 0, BOARD_KIND_BOARD}}, 300));
    std::vector<std::string> paths;
    ASSERT_TRUE(WaitUntil([&] { return !(paths = board::BoardPaths()).empty(); }, 5000));
    ASSERT_EQ(paths.size(), 1u) << "the other interface was not listed alone first";
    const std::string other_path = paths.front();
    ASSERT_TRUE(WaitUntil([&] { return (paths = board::BoardPaths()).size() == 2; }, 5000));
    *console_listed = GetTickCount64();
    ASSERT_EQ(paths.front(), other_path) << "the other interface is listed first";
  }

  // Presses a button, expects the no-device box with its text, and dismisses it.
  void ExpectNoDeviceBox(int button) {
    ASSERT_TRUE(Press(Gadget(button)));
    HWND box = FindMessageBox(app_->pid(), 5000);
    ASSERT_NE(box, nullptr) << "no message box after button " << button;
    EXPECT_EQ(MessageBoxText(box), "No HID device");
    EXPECT_TRUE(DismissMessageBox(box, 5000));
  }

  // Returns the program's handles on the board, found by duplicating each of its handle values
  // and asking the duplicate for HID attributes; `mark`, when not 0, is set as the input
  // buffer count of each (one count per file object, so a reopened handle has Wine's 32).
  std::vector<ULONG> BoardHandleMarks(ULONG mark) {
    std::vector<ULONG> marks;
    HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, app_->pid());
    if (process == nullptr) return marks;
    for (uintptr_t value = 4; value < 0x1000; value += 4) {
      HANDLE copy = nullptr;
      if (!DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0,
                           FALSE, DUPLICATE_SAME_ACCESS)) {
        continue;
      }
      HIDD_ATTRIBUTES attributes = {};
      attributes.Size = sizeof attributes;
      ULONG buffers = 0;
      if (HidD_GetAttributes(copy, &attributes) && attributes.VendorID == BOARD_VENDOR_ID &&
          attributes.ProductID == BOARD_PRODUCT_ID) {
        if (mark != 0) HidD_SetNumInputBuffers(copy, mark);
        HidD_GetNumInputBuffers(copy, &buffers);
        marks.push_back(buffers);
      }
      CloseHandle(copy);
    }
    CloseHandle(process);
    return marks;
  }

  std::unique_ptr<board::Board> board_;
  std::unique_ptr<AppProcess> app_;
  HWND main_ = nullptr;
};

}  // namespace e2e
