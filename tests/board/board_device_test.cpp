// quillomatic.exe against the test board through Wine's own HID stack: discovery, output
// reports byte for byte as the board receives them, received values, unplugging while a read
// waits, closing while a read waits, a board of 64-byte reports.
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

struct Step {
  const char* field_text;  // null: leave the row's field as it is
  int field;
  int button;
  Bytes report;
};

// One press of each kind of button (the encodings themselves are proven on the host): Hex
// and Digit keep bytes 5 to 8 from the last Text, and a field edited just before its press is
// read afresh; editing alone sends nothing.
TEST_F(BoardTest, EachKindOfButtonSendsItsReportByteForByte) {
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  const Step steps[] = {
      {nullptr, 6, 3, {0, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48}},
      {nullptr, 4, 11, {0, 0x12, 0x34, 0x56, 0x78, 0x45, 0x46, 0x47, 0x48}},
      {"-2", 5, 23, {0, 0xFE, 0xFF, 0xFF, 0xFF, 0x45, 0x46, 0x47, 0x48}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE("button " + std::to_string(s.button));
    if (s.field_text != nullptr) {
      const size_t before = board_->Received().size();
      ASSERT_TRUE(WriteText(Gadget(s.field), s.field_text));
      EXPECT_FALSE(board_->WaitReceived(before + 1, 300));
    }
    EXPECT_EQ(PressAndReceive(s.button), s.report);
  }
  EXPECT_EQ(board_->Counters().writes, sizeof steps / sizeof steps[0]);
}

TEST_F(BoardTest, ValuesAppearAsSignedDecimalTexts) {
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  HWND field = Gadget(kReceiveField);
  const struct {
    int32_t value;
    const char* text;
  } cases[] = {{0x12345678, "305419896"}, {INT32_MIN, "-2147483648"}};
  for (const auto& c : cases) {
    ASSERT_TRUE(board_->SendValue(c.value));
    EXPECT_TRUE(WaitForText(field, c.text, 3000)) << "shows " << TextOf(field);
  }
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
  Sleep(100);  // the program's read is waiting again
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

// A composite board, both interfaces up before the program starts, the other one listed first
// and able to take 9-byte writes: reports go to the console's interface and nowhere else, and
// its values are shown.
TEST_F(BoardTest, CompositeBoardIsServedThroughTheInterfaceOfTheConsolesReports) {
  UnplugUntilUnlisted();
  ULONGLONG listed = 0;
  ASSERT_NO_FATAL_FAILURE(PlugComposite(&listed));
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  EXPECT_EQ(PressAndReceive(11), (Bytes{0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0}));
  EXPECT_EQ(PressAndReceive(3), (Bytes{0, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48}));
  ASSERT_TRUE(board_->SendValue(-4318));
  EXPECT_TRUE(WaitForText(Gadget(kReceiveField), "-4318", 3000));
  EXPECT_EQ(board_->Counters().child_writes[0], 0u) << "a report reached the other interface";
}

// A board whose only interface has 64-byte reports each way, no report IDs: a press reaches
// it as one whole 65-byte report, holding it costs at most the one look that follows a hold on
// an interface not of the console's own framing (a query-only and a read-write open of the
// interface, and one for the read handle), and its value is shown. The value comes last: Wine
// opens a board once on its first input report (the raw input device list), which is none of
// the program's.
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
  EXPECT_LE(board_->Counters().opens - opens, 3u) << "opens of the board in 10 s of holding it";
  ASSERT_TRUE(board_->SendValue(-300));
  EXPECT_TRUE(WaitForText(Gadget(kReceiveField), "-300", 3000));
}

TEST_F(BoardTest, ClosesWhileTheReadWaits) {
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  Sleep(200);  // the receive thread now waits for a report that never comes
  ExpectCloseEndsWithCodeZero();
}

}  // namespace
}  // namespace e2e
