// Events of the Win32 layer, in-process: clicks, typing, focus, close, size, repaint, timers,
// texts from another thread, the message box and Tab order.
#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "ui/ui.h"
#include "ui/win32_layer.h"
#include "win32_test_support.h"

namespace {

using EventLayerTest = LayerTest;

// Returns the handle of a gadget's control from its create operation's result.
HWND Control(intptr_t handle) {
  return reinterpret_cast<HWND>(handle);
}

TEST_F(EventLayerTest, NothingWaitingGivesZero) {
  SettleEvents(window_);
  EXPECT_EQ(NextEvent(0), 0);
  EXPECT_EQ(NextEvent(20), 0);
  EXPECT_EQ(StartWindowTimer(9, 1, 100), 0u);
}

TEST_F(EventLayerTest, ButtonClickGivesOneGadgetUsedOfTypeZero) {
  MakeTextField(4, 35, 60, 200, 25, "12345678");
  HWND button = Control(MakeButton(11, 105, 30, 60, 25, "Hex"));
  MakeButton(13, 175, 30, 60, 25, "Digit");
  SettleEvents(window_);
  PostMessageA(button, BM_CLICK, 0, 0);
  const std::vector<SeenEvent> events = SettleEvents(window_);
  ASSERT_EQ(CountEvents(events, GadgetUsed, 11), 1u);
  EXPECT_EQ(CountEvents(events, GadgetUsed, 13), 0u);
  for (const SeenEvent& event : events) {
    if (event.code == GadgetUsed && event.object == 11) {
      EXPECT_EQ(event.type, 0);
    }
  }
}

TEST_F(EventLayerTest, TypingIntoAFieldGivesChangeNotification) {
  HWND field = Control(MakeTextField(5, 35, 120, 200, 25, "56789ABC"));
  SetFocus(field);
  SettleEvents(window_);
  PostMessageA(field, WM_CHAR, 'Z', 1);
  const int32_t code = NextEvent(1000);
  EXPECT_EQ(code, GadgetUsed);
  EXPECT_EQ(GadgetOfEvent(), 5);
  EXPECT_EQ(EventSnapshot().event_type, 0x300);  // EN_CHANGE, the later notification
  EXPECT_NE(FetchGadgetText(5).find('Z'), std::string::npos);
}

TEST_F(EventLayerTest, FieldFocusNoticesCarryGainAndLoss) {
  HWND button = Control(MakeButton(1, 35, 30, 60, 25, "Text"));
  HWND field = Control(MakeTextField(4, 35, 60, 200, 25, "12345678"));
  SetFocus(button);
  SettleEvents(window_);
  SetFocus(field);
  std::vector<SeenEvent> events = SettleEvents(window_);
  bool gained = false;
  for (const SeenEvent& event : events) {
    gained |= event.code == GadgetUsed && event.object == 4 && event.type == 14000;
  }
  EXPECT_TRUE(gained);
  SetFocus(button);
  events = SettleEvents(window_);
  bool lost = false;
  for (const SeenEvent& event : events) {
    lost |= event.code == GadgetUsed && event.object == 4 && event.type == 14001;
  }
  EXPECT_TRUE(lost);
}

TEST_F(EventLayerTest, CloseRequestComesAtTheNextWaitAndTheWindowStays) {
  SettleEvents(window_);
  PostMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(NextEvent(1000), static_cast<int32_t>(WM_SYSCOMMAND));
  EXPECT_EQ(NextEvent(0), CloseRequested);
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_TRUE(IsWindowVisible(window_));
  // A close message for a window of the layer never closes it by itself.
  PostMessageA(window_, WM_CLOSE, 0, 0);
  const std::vector<SeenEvent> events = SettleEvents(window_);
  EXPECT_GE(CountEvents(events, CloseRequested), 1u);
  EXPECT_TRUE(IsWindow(window_));
}

TEST_F(EventLayerTest, MinimiseThenRestore) {
  SettleEvents(window_);
  ShowWindow(window_, SW_MINIMIZE);
  std::vector<SeenEvent> events = SettleEvents(window_);
  EXPECT_EQ(CountEvents(events, 13107), 1u);
  EXPECT_EQ(CountEvents(events, WM_SIZE), 0u);
  // A DPI change while minimised, its rectangle the icon's, is laid out at the restore.
  RECT icon;
  GetWindowRect(window_, &icon);
  SendMessageA(window_, MESSAGE_DPI_CHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&icon));
  ShowWindow(window_, SW_RESTORE);
  RECT client;
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 420);  // 280 at 144 dpi
  events = SettleEvents(window_);
  size_t restored = events.size();
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i].code == 13109) restored = i;
  }
  ASSERT_LT(restored + 1, events.size());
  EXPECT_EQ(events[restored + 1].code, WM_SIZE);
  EXPECT_EQ(CountEvents(events, 13109), 1u);
}

TEST_F(EventLayerTest, RepeatedErasuresGiveOneRepaint) {
  UpdateWindow(window_);
  SettleEvents(window_);
  HDC dc = GetDC(window_);
  for (int i = 0; i < 3; ++i) SendMessageA(window_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ReleaseDC(window_, dc);
  EXPECT_EQ(NextEvent(0), 15);
  EXPECT_EQ(EventSnapshot().window_number, 0);
  const std::vector<SeenEvent> rest = SettleEvents(window_);
  EXPECT_EQ(CountEvents(rest, 15), 0u);
}

TEST_F(EventLayerTest, TimerTicksCarryTheirNumber) {
  ASSERT_NE(StartWindowTimer(0, 2, 50), 0u);
  SeenEvent tick{};
  EXPECT_TRUE(WaitForEvent(TimerTick, 2, 5000, &tick));
}

// A notice record of the HID class naming an interface, `size` bytes as dbcc_size says.
std::vector<char> NoticeRecord(const uint8_t* cls, const std::string& name, DWORD size) {
  std::vector<char> bytes(std::max<size_t>(size, sizeof(DEV_BROADCAST_DEVICEINTERFACE_A)));
  DEV_BROADCAST_DEVICEINTERFACE_A head = {};
  head.dbcc_size = size;
  head.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  std::memcpy(&head.dbcc_classguid, cls, sizeof(head.dbcc_classguid));
  std::memcpy(bytes.data(), &head, offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name));
  std::memcpy(bytes.data() + offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name), name.data(),
              std::min<size_t>(name.size(), bytes.size() - 28));
  return bytes;
}

// A notice as the platform sends it: its kind and its record (null for none).
struct Notice {
  WPARAM kind;
  const char* record;
};

// The notices that one platform thread sends to a window, one after the other.
struct NoticeBatch {
  HWND window;
  const Notice* notices;
  size_t count;
};

// Thread body: sends every notice of a batch.
DWORD WINAPI SendNotices(LPVOID parameter) {
  const auto* batch = static_cast<const NoticeBatch*>(parameter);
  for (size_t i = 0; i < batch->count; ++i) {
    SendMessageA(batch->window, WM_DEVICECHANGE, batch->notices[i].kind,
                 reinterpret_cast<LPARAM>(batch->notices[i].record));
  }
  return 0;
}

// Sends a batch of notices from another thread, as the platform does, and returns the
// events that the window's wait then gives.
std::vector<SeenEvent> SendFromPlatform(HWND window, const Notice* notices, size_t count) {
  SettleEvents(window);
  TakeDeviceNotices();
  NoticeBatch batch = {window, notices, count};
  HANDLE platform = CreateThread(nullptr, 0, SendNotices, &batch, 0, nullptr);
  EXPECT_NE(platform, nullptr);
  // Only the sent notices are handled meanwhile; the posted wake-up waits for the event loop.
  EXPECT_TRUE(WaitHandlingSentMessages(reinterpret_cast<intptr_t>(platform), 10000));
  CloseHandle(platform);
  return SettleEvents(window);
}

// The HID class, as HidD_GetHidGuid gives it.
constexpr uint8_t kHidClass[16] = {0xB2, 0x55, 0x1E, 0x4D, 0x6F, 0xF1, 0xCF, 0x11,
                                   0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30};

// The wait returns one DeviceNotice for the notices that came together; each carries its
// record's name field, empty when the record cannot hold one.
TEST_F(EventLayerTest, DeviceNoticesCarryTheirNameFieldsAndComeTogetherAsOneEvent) {
  EXPECT_NE(WatchDeviceInterfaces(0, kHidClass), 0);
  EXPECT_EQ(WatchDeviceInterfaces(9, kHidClass), 0);  // no such window
  const std::string name = "\\\\?\\HID#VID_AAAA&PID_EF22#7&1&0&0000#{x}";
  const std::vector<char> named = NoticeRecord(kHidClass, name + '\0', 28 + name.size() + 1);
  const std::vector<char> no_end = NoticeRecord(kHidClass, name, 28 + name.size());
  const std::vector<char> short_one = NoticeRecord(kHidClass, "", 20);
  const Notice sent[] = {
      {DBT_DEVICEARRIVAL, named.data()},     {DBT_DEVICEREMOVECOMPLETE, named.data()},
      {DBT_DEVICEARRIVAL, nullptr},          {DBT_DEVICEREMOVECOMPLETE, no_end.data()},
      {DBT_DEVICEARRIVAL, short_one.data()}, {DBT_DEVICEQUERYREMOVE, named.data()},
      {DBT_DEVNODES_CHANGED, nullptr}};
  const std::vector<SeenEvent> events = SendFromPlatform(window_, sent, std::size(sent));
  EXPECT_EQ(CountEvents(events, DeviceNotice), 1u);
  const std::vector<DeviceNoticeInfo> notices = TakeDeviceNotices();
  ASSERT_EQ(notices.size(), 5u);
  const bool arrivals[] = {true, false, true, false, true};
  const std::string fields[] = {name + '\0', name + '\0', "", name, ""};
  for (size_t i = 0; i < notices.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(notices[i].arrival, arrivals[i]);
    EXPECT_EQ(notices[i].name_field, fields[i]);
  }
  UnwatchDeviceInterfaces(0);
}

// Every window is told of volumes and ports coming and going, and a watched window may hear
// of another class's interfaces: none of these records is a notice, nor wakes the wait.
TEST_F(EventLayerTest, RecordsOfOtherKindsOrClassesAreLetGo) {
  const uint8_t other_class[16] = {1, 2, 3};
  EXPECT_NE(WatchDeviceInterfaces(0, kHidClass), 0);
  DEV_BROADCAST_VOLUME stick = {};
  stick.dbcv_size = sizeof(stick);
  stick.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  stick.dbcv_unitmask = 1u << 4;
  const char foreign_name[] = "\\\\?\\HID#VID_AAAA&PID_EF22#7&1&0&0000#{x}";
  const std::vector<char> foreign = NoticeRecord(
      other_class, std::string(foreign_name, sizeof foreign_name), 28 + sizeof foreign_name);
  const Notice sent[] = {{DBT_DEVICEARRIVAL, reinterpret_cast<const char*>(&stick)},
                         {DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<const char*>(&stick)},
                         {DBT_DEVICEARRIVAL, foreign.data()}};
  EXPECT_EQ(CountEvents(SendFromPlatform(window_, sent, std::size(sent)), DeviceNotice), 0u);
  EXPECT_TRUE(TakeDeviceNotices().empty());
  UnwatchDeviceInterfaces(0);
}

// Thread body: posts one application event.
DWORD WINAPI PostFromThread(LPVOID /*unused*/) {
  PostApplicationEvent(FIRST_APPLICATION_EVENT + 1);
  return 0;
}

// An event posted from another thread is returned by the window thread's wait.
TEST_F(EventLayerTest, AnApplicationEventPostedFromAnotherThreadIsReturned) {
  SettleEvents(window_);
  HANDLE poster = CreateThread(nullptr, 0, PostFromThread, nullptr, 0, nullptr);
  ASSERT_NE(poster, nullptr);
  WaitForSingleObject(poster, 10000);
  CloseHandle(poster);
  EXPECT_EQ(CountEvents(SettleEvents(window_), FIRST_APPLICATION_EVENT + 1), 1u);
}

// A wait whose object is already signalled when its time is up still says so.
TEST_F(EventLayerTest, AnObjectSignalledByTheDeadlineCounts) {
  HANDLE done = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  ASSERT_NE(done, nullptr);
  EXPECT_TRUE(WaitHandlingSentMessages(reinterpret_cast<intptr_t>(done), 0));
  ResetEvent(done);
  EXPECT_FALSE(WaitHandlingSentMessages(reinterpret_cast<intptr_t>(done), 0));
  CloseHandle(done);
}

TEST_F(EventLayerTest, TextFromAnotherThreadRaisesGadgetUsedForTheField) {
  MakeTextField(12, 8, 235, 260, 50, "OFF", 0x801);
  SettleEvents(window_);
  std::atomic<bool> done{false};
  HWND window = window_;
  std::thread worker([&done, window] {
    PutGadgetText(12, "-42");
    done = true;
    PostMessageA(window, WM_APP + 3, 0, 0);
  });
  SeenEvent seen{};
  const bool raised = WaitForEvent(GadgetUsed, 12, 10000, &seen);
  const DWORD start = GetTickCount();
  while (!done && GetTickCount() - start < 10000) NextEvent(50);
  if (done) {
    worker.join();
  } else {
    worker.detach();
  }
  ASSERT_TRUE(done);
  EXPECT_TRUE(raised);
  EXPECT_EQ(seen.type, 0x300);
  EXPECT_EQ(FetchGadgetText(12), "-42");
}

// Looks for a visible message box of a thread.
BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof(name));
  if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

// The box disables the thread's windows while it shows; as in a dialog, the control that had
// the focus gets it back after the box, and each time its window is activated again (the first
// time, the one given it beforehand).
TEST_F(EventLayerTest, MessageBoxDisablesTheThreadsWindowsUntilDismissedAndFocusComesBack) {
  HWND other = reinterpret_cast<HWND>(MakeWindow(1, 10, 10, 100, 80, "other", 0x00C80008));
  ASSERT_NE(other, nullptr);
  HWND field = Control(MakeTextField(4, 35, 60, 200, 25, "12345678"));
  HWND button = Control(MakeButton(1, 35, 30, 60, 25, "Text"));
  Activate(other);
  FocusGadget(4);
  Activate(window_);
  EXPECT_EQ(GetFocus(), field);
  SetFocus(button);
  Activate(other);
  Activate(window_);
  EXPECT_EQ(GetFocus(), button);
  const DWORD thread = GetCurrentThreadId();
  std::atomic<bool> main_disabled{false}, other_disabled{false}, found{false};
  std::thread helper([&] {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 10000) {
      HWND box = nullptr;
      EnumThreadWindows(thread, FindBox, reinterpret_cast<LPARAM>(&box));
      if (box != nullptr) {
        Sleep(100);
        main_disabled = !IsWindowEnabled(window_);
        other_disabled = !IsWindowEnabled(other);
        found = true;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(20);
    }
  });
  const int32_t result = ShowMessageBox("QUILLOMATIC", "No HID device", 16);
  helper.join();
  ASSERT_TRUE(found);
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(main_disabled);
  EXPECT_TRUE(other_disabled);
  EXPECT_TRUE(IsWindowEnabled(window_));
  EXPECT_TRUE(IsWindowEnabled(other));
  EXPECT_EQ(GetFocus(), button);
}

// Sends Tab (or Shift+Tab) to the focused control through NextEvent; returns the new focus.
HWND PressTab(HWND window, bool shift) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  HWND target = GetFocus() != nullptr ? GetFocus() : window;
  PostMessageA(target, WM_KEYDOWN, VK_TAB, 0x000F0001);
  SettleEvents(window);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  return GetFocus();
}

TEST_F(EventLayerTest, TabMovesThroughButtonsAndFieldsInCreationOrder) {
  MakeLabel(0, 4, 4, 182, 16, "No HID device", 1);
  HWND text = Control(MakeButton(1, 35, 30, 60, 25, "Text"));
  HWND hex = Control(MakeButton(11, 105, 30, 60, 25, "Hex"));
  HWND field = Control(MakeTextField(4, 35, 60, 200, 25, "12345678"));
  MakeFrame(-1, 4, 210, 270, 90, "Recive");
  HWND receive = Control(MakeTextField(12, 8, 235, 260, 50, "OFF", 0x801));
  Activate(window_);
  ASSERT_EQ(GetActiveWindow(), window_);
  SetFocus(nullptr);
  SettleEvents(window_);
  EXPECT_EQ(PressTab(window_, false), text);  // no focus: the first
  EXPECT_EQ(PressTab(window_, false), hex);
  EXPECT_EQ(PressTab(window_, false), field);
  EXPECT_EQ(PressTab(window_, false), receive);  // read-only fields are tab stops too
  EXPECT_EQ(PressTab(window_, false), text);     // wraps around
  EXPECT_EQ(PressTab(window_, true), receive);   // Shift+Tab from the first: the last
  EXPECT_EQ(PressTab(window_, true), field);
  EXPECT_EQ(PressTab(window_, true), hex);
}

}  // namespace
