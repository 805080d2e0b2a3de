// quillomatic.exe following the test board through Wine's own HID stack and device notices:
// arrival and removal followed on the notice, a composite board whose console interface comes
// up last, a board back on another port, a board that refuses every write, and a board that
// stalls every write.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "board_fixture.h"

namespace e2e {
namespace {

// Wine's own WM_DEVICECHANGE notices, not the 500 ms timer, bring the status: of ten removals
// and ten arrivals in a row, at most two are followed later than a quarter of a tick's period
// (a busy machine's pause). On the timer alone three in four of them would be late.
TEST_F(BoardTest, ArrivalAndRemovalAreFollowedOnWinesOwnNotices) {
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  HWND status = Gadget(kStatusLabel);
  int late = 0;
  // Changes the board's presence and waits for the status it brings; counts a late one.
  auto follow = [&](bool plug, const char* text) {
    const ULONGLONG began = GetTickCount64();
    ASSERT_TRUE(plug ? board_->Plug() : board_->Unplug());
    ASSERT_TRUE(WaitForText(status, text, 1000));
    if (GetTickCount64() - began > 125u) ++late;
  };
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE("round " + std::to_string(i));
    follow(false, "No HID device");
    follow(true, "Discovered device");
    ASSERT_FALSE(HasFatalFailure());
  }
  EXPECT_LE(late, 2) << late << " of 20 followed later than 125 ms";
  ASSERT_TRUE(board_->SendValue(4242));
  EXPECT_TRUE(WaitForText(Gadget(kReceiveField), "4242", 3000));
}

// A composite board whose other interface, which takes 9-byte writes too, is up first: the
// program holds it (a press reaches it) and makes the one look that follows such a hold, so that
// from then on only the console's own interface arriving can move it. The user presses Hex from
// that arrival on: within a second a press reaches it, byte for byte; from then on none reaches
// the other interface (one pressed before the program heard of the arrival may).
TEST_F(BoardTest, CompositeBoardIsFollowedToTheConsolesInterfaceArrivingLast) {
  UnplugUntilUnlisted();
  const BoardChild other = {
      BOARD_VENDOR_ID, BOARD_PRODUCT_ID, BOARD_VERSION, BOARD_KIND_VENDOR, 0, 0, 0};
  ASSERT_NE(board_->PlugChild(other), 0u);
  std::vector<std::string> paths;
  ASSERT_TRUE(WaitUntil([&] { return (paths = board::BoardPaths()).size() == 1; }, 5000));
  const std::string other_path = paths.front();
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  const unsigned long opens = board_->Counters().opens;
  ASSERT_TRUE(Press(Gadget(11)));
  ASSERT_TRUE(WaitUntil([&] { return board_->Counters().child_writes[0] == 1; }, 3000))
      << "the press did not reach the other interface";
  // The look opens each interface that it sees.
  ASSERT_TRUE(WaitUntil([&] { return board_->Counters().opens > opens; }, 5000))
      << "no look within 5 s of holding the other interface";
  ASSERT_TRUE(board_->Plug());
  ASSERT_TRUE(WaitUntil([&] { return (paths = board::BoardPaths()).size() == 2; }, 5000));
  const ULONGLONG listed = GetTickCount64();
  // Listed first, the other interface is what a choice without the ranking would keep.
  ASSERT_EQ(paths.front(), other_path);
  const Bytes hex = {0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0};
  while (board_->Received().empty() && GetTickCount64() - listed < 1000) {
    ASSERT_TRUE(Press(Gadget(11)));
    board_->WaitReceived(1, 100);
  }
  const unsigned long to_other = board_->Counters().child_writes[0];
  ASSERT_FALSE(board_->Received().empty())
      << "no press reached the console's interface within 1 s of its arrival; " << to_other
      << " reached the other interface";
  // Hex presses still queued may follow; the Text press comes after them, all byte for byte.
  const Bytes text = {0, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48};
  ASSERT_TRUE(Press(Gadget(3)));
  EXPECT_TRUE(WaitUntil([&] { return Report(board_->Received().back()) == text; }, 3000));
  const std::vector<board::Output>& got = board_->Received();
  for (size_t i = 0; i + 1 < got.size(); ++i) EXPECT_EQ(Report(got[i]), hex) << "report " << i;
  EXPECT_EQ(board_->Counters().child_writes[0], to_other) << "a press reached the other interface";
  ASSERT_TRUE(board_->SendValue(-300));
  EXPECT_TRUE(WaitForText(Gadget(kReceiveField), "-300", 3000));
}

// A board re-plugged on another port comes back under a new interface path: it is followed.
TEST_F(BoardTest, ABoardBackOnAnotherPortIsFollowed) {
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  UnplugUntilUnlisted();
  ASSERT_TRUE(StatusIs("No HID device"));
  ASSERT_TRUE(board_->Port(2));
  ASSERT_TRUE(board_->Plug());
  ASSERT_TRUE(StatusIs("Discovered device")) << "the board back on port 2 is not held";
  EXPECT_EQ(PressAndReceive(11), (Bytes{0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0}));
  ASSERT_TRUE(board_->SendValue(4202));
  EXPECT_TRUE(WaitForText(Gadget(kReceiveField), "4202", 3000));
}

// A live board that refuses a hundred output reports (WriteFile fails with error 31): every
// click reaches it, the program opens nothing (its two handles stay) and sends the next press,
// and the next report that the board sends is shown. Each refusal has the device asked at once,
// as a tick asks it.
TEST_F(BoardTest, AHundredRefusedWritesKeepTheHandlesAndTheNextReportShows) {
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  const unsigned long opens = board_->Counters().opens;
  ASSERT_TRUE(board_->RefuseWrites(100, kStatusUnsuccessful));
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(Press(Gadget(1)));
  // The window thread takes the presses in turn: this one comes after every refusal's handling.
  EXPECT_EQ(PressAndReceive(11), (Bytes{0, 0x12, 0x34, 0x56, 0x78, 0x35, 0x36, 0x37, 0x38}));
  EXPECT_EQ(board_->Counters().opens, opens) << "the board was opened again";
  ASSERT_TRUE(board_->SendValue(-31));
  EXPECT_TRUE(WaitForText(Gadget(kReceiveField), "-31", 3000));
}

// A live board that holds every output report for 10 s: the click's write is given up within
// a bound and the window answers, a hundred clicks park no threads, the reports the board sends
// meanwhile are shown, the handles stay, and once the board answers again the given-up write
// returns, its writer thread ends, and a press is sent.
TEST_F(BoardTest, AStalledBoardBoundsTheWriteAndParksNoThreads) {
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  // The program's threads are all up once the receive thread has shown a value.
  ASSERT_TRUE(board_->SendValue(4141));
  ASSERT_TRUE(WaitForText(Gadget(kReceiveField), "4141", 3000));
  const int after_start = ThreadsOf(app_->pid());
  ASSERT_GT(after_start, 0);
  ASSERT_EQ(BoardHandleMarks(77), (std::vector<ULONG>{77, 77}));
  ASSERT_TRUE(board_->HoldWrites(10000));
  const ULONGLONG pressed = GetTickCount64();
  ASSERT_TRUE(Press(Gadget(11)));
  ASSERT_TRUE(WaitUntil([&] { return board_->Counters().held_now == 1; }, 3000));
  ASSERT_TRUE(WaitUntil([&] { return Answers(main_, 100); }, 5000)) << "window hung for 5 s";
  EXPECT_LE(GetTickCount64() - pressed, 1500u);

  for (int i = 0; i < 100; ++i) ASSERT_TRUE(Press(Gadget(1)));
  int most = after_start;
  bool answered = true;
  const ULONGLONG stalled = GetTickCount64();
  // The stall itself is under test: 3 s in which the clicks are taken and the window answers.
  while (GetTickCount64() - stalled < 3000) {
    answered = answered && Answers(main_, kMessageTimeoutMs);
    most = std::max(most, ThreadsOf(app_->pid()));
    Sleep(50);
  }
  ASSERT_TRUE(board_->SendValue(4242));
  EXPECT_TRUE(WaitForText(Gadget(kReceiveField), "4242", 3000)) << "the report sent in the stall";
  EXPECT_TRUE(answered) << "the window stopped answering";
  EXPECT_LE(most, after_start + 3) << "threads after start-up: " << after_start;
  // The two handles keep their marks (none reopened); the third, new, is the query-only one
  // opened at the give-up, through which the device is asked from then on. Wine gives each
  // open the lowest free handle value, so the marks come in no fixed order.
  std::vector<ULONG> marks = BoardHandleMarks(0);
  std::sort(marks.begin(), marks.end());
  EXPECT_EQ(marks, (std::vector<ULONG>{32, 77, 77})) << "handles reopened";

  ASSERT_TRUE(board_->HoldWrites(0));
  // The given-up write returns and the writer thread left with it ends; a press made before
  // that would be refused as busy (one write at a time on a handle).
  EXPECT_TRUE(WaitUntil([&] { return ThreadsOf(app_->pid()) <= after_start; }, 3000))
      << ThreadsOf(app_->pid()) << " threads, " << after_start << " after start-up";
  EXPECT_EQ(PressAndReceive(11), (Bytes{0, 0x12, 0x34, 0x56, 0x78, 0x35, 0x36, 0x37, 0x38}));
}

}  // namespace
}  // namespace e2e
