// quillomatic.exe against the test board through Wine's own HID stack: discovery, a report
// repeated, unplugging while a read waits, closing while a read waits, a board of 64-byte
// reports.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "board_fixture.h"

namespace e2e {
namespace {

TEST_F(BoardTest, AttachedBeforeStartIsShownAsSoonAsTheWindowIs) {
  app_ = std::make_unique<AppProcess>(ExeUnderTest());
  ASSERT_TRUE(app_->started());
  // Poll tightly: the first text read from the visible window is already the found state.
  main_ = FindMainWindow(app_->pid(), "QUILLOMATIC", kStartTimeoutMs);
  ASSERT_NE(main_, nullptr);
  EXPECT_EQ(TextOf(Gadget(kStatusLabel)), "Discovered device");
  EXPECT_EQ(BoardHandleMarks(0).size(), 2u) << "the program holds two handles on the board";
}

TEST_F(BoardTest, TheSameReportRepeatedNeverFlickers) {
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  HWND field = Gadget(kReceiveField);
  ASSERT_TRUE(board_->SendValue(4242));
  ASSERT_TRUE(WaitForText(field, "4242", 3000));
  std::atomic<bool> stop{false};
  std::vector<std::string> seen;
  std::thread sampler([&] {
    while (!stop) {
      std::string t;
      if (ReadText(field, &t)) seen.push_back(t);
      Sleep(1);
    }
  });
  for (int i = 0; i < 30; ++i) {  // within hidclass's 32 queued reports, 10 ms apart
    board_->SendValue(4242);
    Sleep(10);
  }
  // One more value, shown only once the loop has read the thirty before it.
  ASSERT_TRUE(board_->SendValue(4243));
  EXPECT_TRUE(WaitForText(field, "4243", 3000)) << "the receive loop stopped";
  stop = true;
  sampler.join();
  ASSERT_GT(seen.size(), 20u);
  for (const std::string& t : seen) {
    if (t == "4243") break;
    ASSERT_EQ(t, "4242");
  }
}

// The receive thread waits in ReadFile when the board goes: the status follows, a button
// shows the box, the last value stays, and after a re-plug values and reports flow again.
TEST_F(BoardTest, UnplugWhileAReadWaitsShowsTheBoxAndAReplugWorksAgain) {
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  HWND field = Gadget(kReceiveField);
  ASSERT_TRUE(board_->SendValue(777));
  ASSERT_TRUE(WaitForText(field, "777", 3000));
  // A fixed pause: the program's read, waiting again, shows nowhere (hidclass reads the board
  // on its own).
  Sleep(100);
  ASSERT_TRUE(board_->Unplug());
  ASSERT_TRUE(StatusIs("No HID device", 1000)) << "status unchanged 1 s after the unplug";
  ExpectNoDeviceBox(21);
  EXPECT_EQ(TextOf(field), "777");

  ASSERT_TRUE(board_->Plug());
  ASSERT_TRUE(StatusIs("Discovered device"));
  ASSERT_TRUE(board_->SendValue(888));
  EXPECT_TRUE(WaitForText(field, "888", 3000));
  EXPECT_EQ(PressAndReceive(11), (Bytes{0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0}));
}

// A board whose only interface has 64-byte reports each way, no report IDs: a press reaches
// it as one whole 65-byte report, holding it costs at most the one look that follows a hold on
// an interface not of the console's own framing (a query-only and a read-write open of the
// interface), and its value is shown. The value comes last: Wine opens a board once on its
// first input report (the raw input device list), which is none of the program's.
TEST_F(BoardTest, ABoardOf64ByteReportsIsServedWholeAndHeldWithoutOpens) {
  UnplugUntilUnlisted();
  ASSERT_TRUE(board_->Identity(
      {BOARD_VENDOR_ID, BOARD_PRODUCT_ID, BOARD_VERSION, BOARD_KIND_VENDOR, 64, 64, 0}));
  ASSERT_TRUE(board_->Plug());
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  Bytes hex(65, 0);
  hex[1] = 0x12, hex[2] = 0x34, hex[3] = 0x56, hex[4] = 0x78;
  EXPECT_EQ(PressAndReceive(11), hex);
  const unsigned long opens = board_->Counters().opens;
  ASSERT_GT(opens, 0u) << "the program's opens are not counted";
  Sleep(10000);  // the hold itself is under test: 10 s in which the program makes one look
  EXPECT_LE(board_->Counters().opens - opens, 2u) << "opens of the board in 10 s of holding it";
  ASSERT_TRUE(board_->SendValue(-300));
  EXPECT_TRUE(WaitForText(Gadget(kReceiveField), "-300", 3000));
}

TEST_F(BoardTest, ClosesWhileTheReadWaits) {
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  // A fixed pause: the receive thread's wait for a report that never comes shows nowhere.
  Sleep(200);
  ExpectCloseEndsWithCodeZero();
}

}  // namespace
}  // namespace e2e
