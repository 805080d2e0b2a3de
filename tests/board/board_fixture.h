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

// The e2e frame (AppTest: the program, its window and gadgets) with the board beside it.
class BoardTest : public AppTest {
 protected:
  void SetUp() override {
    board_ = std::make_unique<board::Board>();
    ASSERT_TRUE(board_->ok()) << "no control device " << BOARD_CONTROL_PATH;
    ASSERT_TRUE(board_->Reset());
    ASSERT_TRUE(board_->Plug());
    ASSERT_FALSE(board::WaitForBoardPath(5000).empty()) << "the board's interface is missing";
  }
  void TearDown() override {
    AppTest::TearDown();
    board_->HoldWrites(0);
    board_->Plug();
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

  // Returns an output report of a collection without report IDs as the program wrote it: byte
  // 0, then the payload. NOTE: Wine's hidclass passes the board such a report without its byte
  // 0, whatever the program wrote there; one with report IDs comes whole in `bytes`, ID first.
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
};

}  // namespace e2e
