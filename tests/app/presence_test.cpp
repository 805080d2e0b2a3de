// The presence monitor's transitions against a simulated device.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/presence.h"
#include "app/read_handover.h"
#include "app/receive.h"
#include "app/send.h"
#include "fake_platform.h"

namespace {

class Presence : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }
  void TearDown() override { EXPECT_TRUE(fake::Faults().empty()) << fake::Faults().front(); }
};

using Texts = std::vector<std::pair<int32_t, std::string>>;

TEST_F(Presence, AbsentAtStartChangesNothing) {
  CheckDevice();
  CheckDevice();
  EXPECT_EQ(DeviceState, 0);
  EXPECT_EQ(PresenceDevice.WriteHandle, 0);
  EXPECT_EQ(CurrentReadHandle(), 0);
  EXPECT_TRUE(fake::TextsPut().empty());
  EXPECT_EQ(fake::OpenCount(), 0);
}

TEST_F(Presence, AttachedBeforeStartOpensTwoHandlesAtTheFirstCheck) {
  fake::SetPresent(true);
  CheckDevice();
  EXPECT_EQ(DeviceState, 1);
  EXPECT_NE(PresenceDevice.WriteHandle, 0);
  EXPECT_NE(CurrentReadHandle(), 0);
  EXPECT_NE(PresenceDevice.WriteHandle, CurrentReadHandle());
  EXPECT_EQ(fake::OpenHandles().size(), 2u);
  EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}}));
}

// Another interface of the device appears between the two opens, ahead of the first in the
// list: both handles still name the interface that the lookup found, and when the other
// one goes, its removal costs nothing.
TEST_F(Presence, BothHandlesAreOpenOnTheInterfaceTheLookupFound) {
  const std::string second =
      "\\\\?\\hid#vid_aaaa&pid_ef22#7&99&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  fake::SetPresent(true);
  fake::PlugInterfaceFirstAfterNextOpen(second);
  CheckDevice();
  EXPECT_EQ(fake::PathOfHandle(PresenceDevice.WriteHandle), fake::kDevicePath);
  EXPECT_EQ(fake::PathOfHandle(CurrentReadHandle()), fake::kDevicePath);
  EXPECT_EQ(PresenceDevice.path, fake::kDevicePath);
  const int probes = fake::HandleCheckCount();
  fake::UnplugInterface(second);
  fake::AddNotice(false, second.c_str());
  HandleDeviceNotices();
  EXPECT_EQ(fake::HandleCheckCount(), probes);
  fake::QueueReport({0, 0x0A, 0, 0, 0});
  uint8_t buffer[RECEIVE_BUFFER_SIZE] = {};
  RunReceivePass(buffer);
  EXPECT_EQ(fake::TextsPut().back(), (std::pair<int32_t, std::string>{12, "10"}));
}

// A composite board whose other interface (reports of 64 bytes) came first: held there, the
// console moves both handles to its own interface in one step once it arrives, found by the
// arrival's notice or else by the one look OPEN_RETRY_MS after the hold; held there, arrivals
// and ticks open nothing. Without it, that look keeps what is held, and no tick after it
// scans; arriving refused (another program holds it), it is waited for, the other let go.
TEST_F(Presence, HeldOnAnotherInterfaceBothHandlesMoveWhenTheConsolesArrives) {
  for (const char* way : {"notice", "look", "never", "refused"}) {
    SCOPED_TRACE(way);
    const std::string how = way;
    fake::Reset();
    FakeSetupApi& setupapi = fake::SetupApi();
    FakeInterface other{"\\\\?\\hid#vid_aaaa&pid_ef22&mi_01#8&1&0&0000#{4d1e55b2}", 0xAAAA, 0xEF22,
                        0x0100};
    other.framing.input_length = other.framing.output_length = 65;
    FakeInterface console = other;
    console.path = fake::kDevicePath;
    console.framing = fake::ConsoleFraming();
    console.read_write_open = how != "refused";
    setupapi.interfaces = {other};
    CheckDevice();
    ASSERT_EQ(PresenceDevice.path, other.path);
    if (how != "never") setupapi.interfaces.push_back(console);
    if (how == "notice" || how == "refused") {
      fake::AddNotice(true, console.path.c_str());
      HandleDeviceNotices();
    } else {
      CheckDevice();
      EXPECT_EQ(setupapi.sets_made, 1u) << "chosen again before OPEN_RETRY_MS";
      fake::AdvanceClock(OPEN_RETRY_MS);
      CheckDevice();
    }
    if (how == "refused") {
      EXPECT_EQ(PresenceDevice.state, PresenceState::kWaiting);
      EXPECT_TRUE(setupapi.open_handles.empty());
      EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}, {0, "No HID device"}}));
      continue;
    }
    const std::string& held = how == "never" ? other.path : console.path;
    EXPECT_EQ(PresenceDevice.path, held);
    EXPECT_EQ(setupapi.open_handles[PresenceDevice.WriteHandle], how == "never" ? 0u : 1u);
    EXPECT_EQ(setupapi.open_handles[CurrentReadHandle()], how == "never" ? 0u : 1u);
    EXPECT_EQ(setupapi.open_handles.size(), 2u) << "the look's own handles stay open";
    EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}}));
    const size_t sets = setupapi.sets_made, calls = setupapi.calls.size();
    if (how != "never") {
      fake::AddNotice(true, console.path.c_str());
      HandleDeviceNotices();
      EXPECT_EQ(setupapi.calls.size(), calls) << "an arrival cost a call";
    }
    for (int tick = 0; tick < 20; ++tick) {
      fake::AdvanceClock(OPEN_RETRY_MS);
      CheckDevice();
    }
    EXPECT_EQ(setupapi.sets_made, sets) << "held, the ticks scanned";
  }
}

// A write given up still runs on WriteHandle: from then on the device is asked through a
// query-only handle opened at the give-up, which dies with that device, so a device back at
// the same path does not answer for it, and both handles are opened on the new one.
TEST_F(Presence, AfterAGivenUpWriteTheDeviceIsAskedThroughAHandleOnThatDevice) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle write = PresenceDevice.WriteHandle;
  const int read_write_opens = fake::ReadWriteOpenCount();
  fake::SetWritesStick(true);
  SendReport();
  SendReport();
  CheckDevice();
  EXPECT_EQ(PresenceDevice.WriteHandle, write) << "the device still answers";
  EXPECT_EQ(fake::OpenHandles().size(), 3u) << "one query-only handle, opened once";
  EXPECT_EQ(fake::ReadWriteOpenCount(), read_write_opens) << "the probe opened for writing";
  fake::Replug();
  fake::AddNotice(false, fake::kDevicePath);
  HandleDeviceNotices();
  EXPECT_NE(PresenceDevice.WriteHandle, write);
  EXPECT_EQ(PresenceDevice.state, PresenceState::kHeld);
  EXPECT_EQ(fake::OpenHandles().size(), 2u);
  SendReport();  // stuck again: a query-only handle on the new device too
  ReleasePresence();
  EXPECT_TRUE(fake::OpenHandles().empty()) << "a handle left open at shutdown";
}

TEST_F(Presence, TicksWhileConnectedAskOnlyTheDeviceHeldAndOpenNothing) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle write = PresenceDevice.WriteHandle, read = CurrentReadHandle();
  for (int tick = 0; tick < 10; ++tick) CheckDevice();
  EXPECT_EQ(fake::ScanCount(), 1);  // at start-up only
  EXPECT_EQ(fake::HandleCheckCount(), 10);
  EXPECT_EQ(fake::OpenCount(), 2);
  EXPECT_EQ(fake::TextsPut().size(), 1u);
  EXPECT_EQ(PresenceDevice.WriteHandle, write);
  EXPECT_EQ(CurrentReadHandle(), read);
}

TEST_F(Presence, RemovalClosesBothHandles) {
  fake::SetPresent(true);
  CheckDevice();
  fake::SetPresent(false);
  CheckDevice();
  EXPECT_EQ(DeviceState, 0);
  EXPECT_EQ(PresenceDevice.WriteHandle, 0);
  EXPECT_EQ(CurrentReadHandle(), 0);
  EXPECT_TRUE(fake::OpenHandles().empty());
  EXPECT_EQ(fake::CloseCount(), 2);
  EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}, {0, "No HID device"}}));
}

TEST_F(Presence, ReattachOpensTwoNewHandles) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle old_write = PresenceDevice.WriteHandle, old_read = CurrentReadHandle();
  fake::SetPresent(false);
  CheckDevice();
  fake::SetPresent(true);
  CheckDevice();
  EXPECT_EQ(fake::OpenCount(), 4);
  EXPECT_EQ(fake::OpenHandles().size(), 2u);
  EXPECT_NE(PresenceDevice.WriteHandle, 0);
  EXPECT_NE(PresenceDevice.WriteHandle, old_write);
  EXPECT_NE(CurrentReadHandle(), old_read);
  EXPECT_EQ(fake::TextsPut().back(), (std::pair<int32_t, std::string>{0, "Discovered device"}));
}

// Another program holds the device: it is seen, but the opens for reading and writing are
// refused. No handle is kept alone, nothing is scanned before the retry time, and the device
// is opened at the first retry after its release.
TEST_F(Presence, ADeviceHeldElsewhereIsTriedEveryTwoSecondsAndNeverHalfOpen) {
  fake::SetPresent(true);
  fake::SetOpenFails(true, 1);  // the write open succeeds, the read open is refused
  CheckDevice();
  EXPECT_EQ(PresenceDevice.WriteHandle, 0);
  EXPECT_TRUE(fake::OpenHandles().empty());
  fake::SetOpenFails(true);
  const int scans = fake::ScanCount();
  for (int tick = 0; tick < 20; ++tick) {  // 10 s of ticks
    fake::AdvanceClock(500);
    CheckDevice();
    EXPECT_TRUE(fake::OpenHandles().empty());
  }
  EXPECT_EQ(fake::ScanCount() - scans, 5) << "a look every 2 s";
  EXPECT_TRUE(fake::TextsPut().empty()) << "the status line keeps \"No HID device\"";

  fake::SetOpenFails(false);
  fake::AdvanceClock(OPEN_RETRY_MS);
  CheckDevice();
  EXPECT_NE(PresenceDevice.WriteHandle, 0);
  EXPECT_EQ(fake::OpenHandles().size(), 2u);
  EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}}));
}

// The device is unplugged while the open waits for its retry time: at that time the lookup
// finds nothing, and from then on nothing is opened for reading and writing.
TEST_F(Presence, TheWaitForARetryEndsWhenTheDeviceIsGone) {
  fake::SetPresent(true);
  CheckDevice();
  fake::SetOpenFails(true);
  fake::Replug();  // back at once, held by another program
  CheckDevice();
  ASSERT_EQ(PresenceDevice.state, PresenceState::kWaiting);
  fake::SetPresent(false);
  const int read_write_opens = fake::ReadWriteOpenCount();
  fake::AdvanceClock(OPEN_RETRY_MS);
  CheckDevice();
  EXPECT_EQ(DeviceState, 0);
  EXPECT_EQ(PresenceDevice.state, PresenceState::kAbsent);
  for (int tick = 0; tick < 120; ++tick) {  // 60 s of ticks
    fake::AdvanceClock(500);
    CheckDevice();
  }
  EXPECT_EQ(fake::ReadWriteOpenCount(), read_write_opens);
  EXPECT_EQ(DeviceState, 0);
  EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}, {0, "No HID device"}}));
}

// An open that fails without a refusal (the device re-enumerates), the write open's or the
// read open's, is tried at the next tick.
TEST_F(Presence, AnOpenFailingForAnotherReasonIsTriedAtTheNextTick) {
  for (const int opens_first : {0, 1}) {
    fake::Reset();
    fake::SetPresent(true);
    fake::SetOpenBroken(true, opens_first);
    CheckDevice();
    EXPECT_EQ(PresenceDevice.state, PresenceState::kAbsent) << opens_first;
    EXPECT_TRUE(fake::OpenHandles().empty()) << opens_first;
    fake::SetOpenBroken(false);
    fake::AdvanceClock(500);
    CheckDevice();
    EXPECT_EQ(fake::OpenHandles().size(), 2u) << opens_first;
  }
}

// While the open waits, only an arrival that names the device ends the wait.
TEST_F(Presence, OnlyAnArrivalNamingTheDeviceEndsTheWait) {
  fake::SetPresent(true);
  fake::SetOpenFails(true);
  CheckDevice();
  fake::SetOpenFails(false);
  const int scans = fake::ScanCount();
  fake::AddNotice(true, nullptr);
  fake::AddNotice(true, "\\\\?\\HID#VID_046D&PID_0A44#8&2b1c&0&0000#{x}");
  HandleDeviceNotices();
  EXPECT_EQ(fake::ScanCount(), scans);
  fake::AddNotice(true, fake::kDevicePath);
  HandleDeviceNotices();
  EXPECT_EQ(fake::OpenHandles().size(), 2u);
}

// A live device that refuses every output report (ERROR_GEN_FAILURE, as a stalled report
// gives): its handles and queued reports stay, and nothing is scanned.
TEST_F(Presence, ALiveDeviceRefusingEveryWriteKeepsItsHandlesAndReports) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle write = PresenceDevice.WriteHandle, read = CurrentReadHandle();
  const int scans = fake::ScanCount(), probes = fake::HandleCheckCount();
  fake::QueueReport({0, 0x39, 0x30, 0, 0});
  fake::SetWriteError(31);
  for (int click = 0; click < 100; ++click) {
    RunRowCommand(1);
    if (click % 5 == 0) CheckDevice();  // the ticks in between
  }
  EXPECT_EQ(fake::HandleCheckCount() - probes, 120) << "each failed write asks the device";
  EXPECT_EQ(fake::OpenCount(), 2);
  EXPECT_EQ(fake::ScanCount(), scans);
  EXPECT_EQ(PresenceDevice.WriteHandle, write);
  EXPECT_EQ(CurrentReadHandle(), read);
  uint8_t buffer[RECEIVE_BUFFER_SIZE] = {};
  RunReceivePass(buffer);
  EXPECT_EQ(fake::TextsPut().back(), (std::pair<int32_t, std::string>{12, "12345"}));
}

TEST_F(Presence, OneFailedProbeIsConfirmedAfterAPauseAndCostsNothing) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle write = PresenceDevice.WriteHandle, read = CurrentReadHandle();
  fake::FailNextProbes(1);
  CheckDevice();
  EXPECT_EQ(fake::HandleCheckCount(), 2);
  EXPECT_EQ(fake::Pauses(), std::vector<uint32_t>{PROBE_CONFIRM_MS});
  EXPECT_EQ(PresenceDevice.WriteHandle, write);
  EXPECT_EQ(CurrentReadHandle(), read);
  EXPECT_EQ(fake::OpenCount(), 2);
  EXPECT_EQ(fake::ScanCount(), 1);
  EXPECT_EQ(fake::TextsPut().size(), 1u);
}

// Two failed probes in a row are enough: the device is let go and looked for again.
TEST_F(Presence, TwoFailedProbesLetTheDeviceGo) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle write = PresenceDevice.WriteHandle;
  fake::FailNextProbes(2);
  CheckDevice();
  EXPECT_EQ(fake::HandleCheckCount(), 2);
  EXPECT_NE(PresenceDevice.WriteHandle, write);
  EXPECT_EQ(fake::OpenCount(), 4);
}

// The device resets and is back before any transfer has failed: only the probe can tell.
TEST_F(Presence, ADeviceBackBeforeAnyTransferFailedIsReopened) {
  fake::SetPresent(true);
  CheckDevice();
  const HidHandle write = PresenceDevice.WriteHandle, read = CurrentReadHandle();
  fake::Replug();
  CheckDevice();
  EXPECT_NE(PresenceDevice.WriteHandle, write);
  EXPECT_NE(CurrentReadHandle(), read);
  EXPECT_EQ(fake::OpenHandles().size(), 2u);
  EXPECT_EQ(fake::OpenCount(), 4);
  // Reopened inside one check: the status line never changed.
  EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}}));
}

// A write fails because the device has gone: the check runs at once, not at the next tick.
TEST_F(Presence, AWriteToAGoneDeviceShowsItAbsentAtOnce) {
  fake::SetPresent(true);
  CheckDevice();
  fake::SetPresent(false);
  RunRowCommand(1);
  EXPECT_EQ(PresenceDevice.WriteHandle, 0);
  EXPECT_EQ(CurrentReadHandle(), 0);
  EXPECT_TRUE(fake::OpenHandles().empty());
  EXPECT_EQ(fake::TextsPut(), (Texts{{0, "Discovered device"}, {0, "No HID device"}}));
}

// Notices about other devices cost nothing; one that can be the device costs one check.
TEST_F(Presence, OnlyNoticesThatCanConcernTheDeviceRunACheck) {
  const char* headset =
      "\\\\?\\HID#VID_046D&PID_0A44&MI_03#8&2b1c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  const char* other_board =
      "\\\\?\\hid#vid_1234&pid_ef22#7&9&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  for (int i = 0; i < 20; ++i) {
    fake::AddNotice(true, i % 2 == 0 ? headset : other_board);
    fake::AddNotice(false, i % 2 == 0 ? headset : other_board);
  }
  HandleDeviceNotices();
  EXPECT_EQ(fake::ScanCount(), 0) << "while absent";
  fake::AddNotice(true, nullptr);  // a record without a readable name
  fake::AddNotice(true, nullptr);
  HandleDeviceNotices();
  EXPECT_EQ(fake::ScanCount(), 1) << "notices that come together make one check";

  fake::SetPresent(true);
  fake::AddNotice(
      true, "\\\\?\\HID#VID_AAAA&PID_EF22#7&1A2B3C&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}");
  HandleDeviceNotices();
  ASSERT_EQ(fake::OpenHandles().size(), 2u);
  const int scans = fake::ScanCount(), probes = fake::HandleCheckCount();
  for (int i = 0; i < 20; ++i) {
    fake::AddNotice(true, headset);
    fake::AddNotice(false, headset);
  }
  fake::AddNotice(true, fake::kDevicePath);  // held already
  // Another interface of the same vendor and product is not the one held.
  fake::AddNotice(
      false,
      "\\\\?\\hid#vid_aaaa&pid_ef22&mi_01#7&1a2b3c&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}");
  HandleDeviceNotices();
  EXPECT_EQ(fake::ScanCount(), scans) << "while connected";
  EXPECT_EQ(fake::HandleCheckCount(), probes);

  // The removal that names the held interface, in another case, is seen at once.
  fake::SetPresent(false);
  fake::AddNotice(
      false, "\\\\?\\HID#VID_AAAA&PID_EF22#7&1A2B3C&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}");
  HandleDeviceNotices();
  EXPECT_EQ(PresenceDevice.WriteHandle, 0);
  EXPECT_EQ(fake::TextsPut().back(), (std::pair<int32_t, std::string>{0, "No HID device"}));
}

}  // namespace
