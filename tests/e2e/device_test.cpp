// quillomatic.exe against simulated devices: discovery, output reports byte for byte, the
// no-device box, plugging and unplugging, received values, a stalled device, closing.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app_fixture.h"

namespace e2e {
namespace {

using Bytes = std::vector<uint8_t>;

const int kRowButtons[] = {1, 11, 13, 2, 21, 23, 3, 31, 33};

class Device : public AppTest {
 protected:
  // Waits for the status line to read `text`.
  bool StatusIs(const char* text, DWORD timeout_ms = 3000) {
    return WaitForText(Gadget(kStatusLabel), text, timeout_ms);
  }

  // Presses a button and returns the report that device `dev` receives for it.
  Bytes PressAndReceive(int dev, int button) {
    const size_t before = sim_->Reports(dev).size();
    EXPECT_TRUE(Press(Gadget(button)));
    if (!sim_->WaitReports(dev, before + 1, 3000)) {
      ADD_FAILURE() << "no report after button " << button;
      return {};
    }
    return sim_->Reports(dev)[before].bytes;
  }

  // Waits until the program holds its two handles on a device: the scan's probe and both opens
  // have reached the simulator (so a report sent now reaches the read handle), and two stay.
  bool HoldsTwoHandles(int dev) {
    return WaitUntil([&] { return sim_->Opens(dev) >= 3 && sim_->OpenHandles(dev) == 2; }, 3000);
  }
};

TEST_F(Device, AttachedBeforeStartIsShownAsSoonAsTheWindowIs) {
  const int dev = sim_->Plug(kQuill);
  app_ = std::make_unique<AppProcess>(ExeUnderTest(), list_);
  ASSERT_TRUE(app_->started());
  // Poll tightly: the first text read from the visible window is already the found state.
  main_ = FindMainWindow(app_->pid(), "QUILLOMATIC", kStartTimeoutMs);
  ASSERT_NE(main_, nullptr);
  EXPECT_EQ(TextOf(Gadget(kStatusLabel)), "Discovered device");
  EXPECT_TRUE(HoldsTwoHandles(dev));
}

struct Step {
  const char* field_text;  // null: leave the row's field as it is
  int field;
  int button;
  Bytes report;
};

TEST_F(Device, ReportsAreTheEncodedRowTextsByteForByte) {
  const int dev = sim_->Plug(kQuill);
  Start();
  ASSERT_TRUE(StatusIs("Discovered device"));
  const Step steps[] = {
      {nullptr, 4, 11, {0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0}},
      {nullptr, 6, 3, {0, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48}},
      {nullptr, 4, 13, {0, 0x4E, 0x61, 0xBC, 0x00, 0x45, 0x46, 0x47, 0x48}},
      {nullptr, 5, 2, {0, 0x35, 0x36, 0x37, 0x38, 0x39, 0x41, 0x42, 0x43}},
      {nullptr, 5, 21, {0, 0x56, 0x78, 0x9A, 0xBC, 0x39, 0x41, 0x42, 0x43}},
      {"AB", 4, 1, {0, 0x41, 0x42, 0, 0, 0, 0, 0, 0}},
      {"7", 6, 33, {0, 7, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE("button " + std::to_string(s.button));
    if (s.field_text != nullptr) {
      const size_t before = sim_->Reports(dev).size();
      ASSERT_TRUE(WriteText(Gadget(s.field), s.field_text));
      // Editing alone sends nothing.
      EXPECT_FALSE(sim_->WaitReports(dev, before + 1, 300));
    }
    EXPECT_EQ(PressAndReceive(dev, s.button), s.report);
  }
  for (const devsim::Report& r : sim_->Reports(dev)) EXPECT_EQ(r.bytes.size(), 9u);
  EXPECT_EQ(sim_->Reports(dev).size(), sizeof steps / sizeof steps[0]);
}

TEST_F(Device, WithoutMatchingDeviceEveryButtonShowsTheBoxAndNothingIsSent) {
  const int other_vendor = sim_->Plug({0x1234, 0xEF22, 0x0100});
  const int other_product = sim_->Plug({0xAAAA, 0xEF23, 0x0100});
  Start();
  for (int button : kRowButtons) {
    SCOPED_TRACE("button " + std::to_string(button));
    ExpectNoDeviceBox(button);
  }
  EXPECT_EQ(TextOf(Gadget(kStatusLabel)), "No HID device");
  EXPECT_TRUE(sim_->Reports(other_vendor).empty());
  EXPECT_TRUE(sim_->Reports(other_product).empty());
  // Every tick's scan probes both for a moment (open, query, close); none is kept open.
  EXPECT_TRUE(WaitUntil([&] { return sim_->OpenHandles(other_vendor) == 0; }, 1000));
  EXPECT_TRUE(WaitUntil([&] { return sim_->OpenHandles(other_product) == 0; }, 1000));
}

TEST_F(Device, TextWhileAbsentLeavesBytesFiveToEightForTheNextCommand) {
  Start();
  ExpectNoDeviceBox(3);  // row 3: ABCDEFGH
  const int dev = sim_->Plug(kQuill);
  ASSERT_TRUE(StatusIs("Discovered device"));
  ASSERT_TRUE(HoldsTwoHandles(dev));
  EXPECT_EQ(PressAndReceive(dev, 11), (Bytes{0, 0x12, 0x34, 0x56, 0x78, 0x45, 0x46, 0x47, 0x48}));
}

TEST_F(Device, UnplugAndReplugFollowTheDeviceAndKeepTheLastValue) {
  int dev = sim_->Plug(kQuill);
  Start();
  ASSERT_TRUE(HoldsTwoHandles(dev));
  HWND field = Gadget(kReceiveField);
  sim_->SendValue(dev, 777);
  ASSERT_TRUE(WaitForText(field, "777", 3000));

  const int64_t unplugged = devsim::Now();
  sim_->Unplug(dev);
  ASSERT_TRUE(StatusIs("No HID device", 2000)) << "label unchanged 2 s after unplug";
  EXPECT_LE(devsim::MillisBetween(unplugged, devsim::Now()), 1000.0);
  ExpectNoDeviceBox(21);
  EXPECT_EQ(TextOf(field), "777");

  dev = sim_->Plug(kQuill);
  ASSERT_TRUE(StatusIs("Discovered device"));
  ASSERT_TRUE(HoldsTwoHandles(dev));
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(TextOf(field), "777");
    Sleep(30);
  }
  sim_->SendValue(dev, 888);
  EXPECT_TRUE(WaitForText(field, "888", 3000));
  EXPECT_EQ(PressAndReceive(dev, 11), (Bytes{0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0}));
}

TEST_F(Device, ValuesAppearAsSignedDecimalTexts) {
  const int dev = sim_->Plug(kQuill);
  Start();
  ASSERT_TRUE(HoldsTwoHandles(dev));
  HWND field = Gadget(kReceiveField);
  const struct {
    int32_t value;
    const char* text;
  } cases[] = {{12345, "12345"},          {-1, "-1"}, {INT32_MIN, "-2147483648"},
               {INT32_MAX, "2147483647"}, {0, "0"},   {-4318, "-4318"}};
  for (const auto& c : cases) {
    sim_->SendValue(dev, c.value);
    EXPECT_TRUE(WaitForText(field, c.text, 3000)) << "shows " << TextOf(field);
  }
}

TEST_F(Device, TheSameReportRepeatedNeverFlickers) {
  const int dev = sim_->Plug(kQuill);
  Start();
  ASSERT_TRUE(HoldsTwoHandles(dev));
  HWND field = Gadget(kReceiveField);
  sim_->SendValue(dev, 4242);
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
  for (int i = 0; i < 60; ++i) {
    sim_->SendValue(dev, 4242);
    Sleep(10);
  }
  Sleep(300);
  stop = true;
  sampler.join();
  ASSERT_GT(seen.size(), 20u);
  for (const std::string& t : seen) ASSERT_EQ(t, "4242");
}

TEST_F(Device, AStalledDeviceDoesNotHangTheWindow) {
  const int dev = sim_->Plug(kQuill);
  Start();
  ASSERT_TRUE(HoldsTwoHandles(dev));
  sim_->SetStall(dev, true);
  Sleep(50);
  const int64_t pressed = devsim::Now();
  ASSERT_TRUE(Press(Gadget(11)));
  const bool answers = WaitUntil([&] { return Answers(main_, 100); }, 5000);
  const double ms = devsim::MillisBetween(pressed, devsim::Now());
  sim_->SetStall(dev, false);
  ASSERT_TRUE(answers) << "window hung for 5 s";
  EXPECT_LE(ms, 1500.0);
  // The program carries on: values still arrive and a later command is sent.
  sim_->SendValue(dev, 31);
  EXPECT_TRUE(WaitForText(Gadget(kReceiveField), "31", 3000));
}

TEST_F(Device, ClosesWhileTheReadIsBlocked) {
  const int dev = sim_->Plug(kQuill);
  Start();
  ASSERT_TRUE(HoldsTwoHandles(dev));
  Sleep(200);  // the receive thread is now waiting for a report that never comes
  ExpectCloseEndsWithCodeZero();
}

TEST_F(Device, TheFirstOfTwoMatchingDevicesIsUsed) {
  const int first = sim_->Plug(kQuill);
  const int second = sim_->Plug({0xAAAA, 0xEF22, 0x0200});
  Start();
  ASSERT_TRUE(HoldsTwoHandles(first));
  EXPECT_EQ(PressAndReceive(first, 11), (Bytes{0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0}));
  EXPECT_TRUE(sim_->Reports(second).empty());
  EXPECT_EQ(sim_->OpenHandles(second), 0);
}

}  // namespace
}  // namespace e2e
