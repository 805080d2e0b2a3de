// The rig's own boundary: the stand-in libraries and the simulator, used the way the
// program uses them (libraries by full system path, functions by name, synchronous files).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "hid/hid.h"
#include "sim/device_sim.h"

namespace {

using GetHidGuidFn = void(WINAPI*)(GUID*);
using GetAttributesFn = BOOLEAN(WINAPI*)(HANDLE, void*);
using GetClassDevsFn = void*(WINAPI*)(const GUID*, const char*, HWND, DWORD);
using DestroyListFn = BOOL(WINAPI*)(void*);
using EnumInterfacesFn = BOOL(WINAPI*)(void*, void*, const GUID*, DWORD, void*);
using GetDetailFn = BOOL(WINAPI*)(void*, void*, void*, DWORD, DWORD*, void*);

struct Attributes {
  ULONG size;
  USHORT vendor, product, version;
};

struct InterfaceData {
  DWORD cb_size;
  GUID guid;
  DWORD flags;
  ULONG_PTR reserved;
};

// A handle that closes itself.
struct Handle {
  HANDLE h = INVALID_HANDLE_VALUE;
  explicit Handle(HANDLE x) : h(x) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  bool ok() const { return h != INVALID_HANDLE_VALUE; }
};

// The two libraries, loaded from the system folder by full path.
class Libraries {
 public:
  Libraries() {
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    hid_ = LoadLibraryA((std::string(dir) + "\\hid.dll").c_str());
    setup_ = LoadLibraryA((std::string(dir) + "\\setupapi.dll").c_str());
    get_guid = Proc<GetHidGuidFn>(hid_, "HidD_GetHidGuid");
    get_attributes = Proc<GetAttributesFn>(hid_, "HidD_GetAttributes");
    get_class_devs = Proc<GetClassDevsFn>(setup_, "SetupDiGetClassDevsA");
    destroy = Proc<DestroyListFn>(setup_, "SetupDiDestroyDeviceInfoList");
    enum_interfaces = Proc<EnumInterfacesFn>(setup_, "SetupDiEnumDeviceInterfaces");
    get_detail = Proc<GetDetailFn>(setup_, "SetupDiGetDeviceInterfaceDetailA");
  }
  ~Libraries() {
    if (setup_) FreeLibrary(setup_);
    if (hid_) FreeLibrary(hid_);
  }
  bool complete() const {
    return get_guid && get_attributes && get_class_devs && destroy && enum_interfaces && get_detail;
  }

  // Lists the present HID interface paths in enumeration order.
  std::vector<std::string> Paths() {
    GUID guid = {};
    get_guid(&guid);
    void* set = get_class_devs(&guid, nullptr, nullptr, 0x12);
    std::vector<std::string> paths;
    if (set == nullptr) return paths;
    InterfaceData data = {};
    data.cb_size = sizeof data;
    for (DWORD i = 0; i < 256 && enum_interfaces(set, nullptr, &guid, i, &data); ++i) {
      DWORD size = 0;
      get_detail(set, &data, nullptr, 0, &size, nullptr);
      std::vector<char> buf(size + 1, 0);
      if (size < sizeof(DWORD)) continue;
      *reinterpret_cast<DWORD*>(buf.data()) = sizeof(void*) == 8 ? 8 : 5;
      DWORD again = 0;
      get_detail(set, &data, buf.data(), size, &again, nullptr);
      paths.push_back(buf.data() + 4);
    }
    destroy(set);
    return paths;
  }

  // Returns the attributes of an open device.
  Attributes AttributesOf(HANDLE h) {
    Attributes a = {};
    a.size = sizeof a;
    get_attributes(h, &a);
    return a;
  }

  GetHidGuidFn get_guid = nullptr;
  GetAttributesFn get_attributes = nullptr;
  GetClassDevsFn get_class_devs = nullptr;
  DestroyListFn destroy = nullptr;
  EnumInterfacesFn enum_interfaces = nullptr;
  GetDetailFn get_detail = nullptr;

 private:
  template <typename F>
  static F Proc(HMODULE m, const char* name) {
    return m != nullptr ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)))
                        : nullptr;
  }
  HMODULE hid_ = nullptr;
  HMODULE setup_ = nullptr;
};

// Opens a device path the way the program does.
HANDLE Open(const std::string& path, DWORD access) {
  return CreateFileA(path.c_str(), access, 3, nullptr, OPEN_EXISTING, 0, nullptr);
}

// A blocking call run on its own thread, so a test can wait for it with a timeout.
class Call {
 public:
  template <typename F>
  explicit Call(F f) : done_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this, f] {
      result_ = f();
      SetEvent(done_);
    });
  }
  ~Call() {
    thread_.join();
    CloseHandle(done_);
  }
  bool Finished(DWORD ms) { return WaitForSingleObject(done_, ms) == WAIT_OBJECT_0; }
  bool result() const { return result_; }

 private:
  HANDLE done_;
  bool result_ = false;
  std::thread thread_;
};

class Boundary : public ::testing::Test {
 protected:
  void SetUp() override {
    list_ = "C:\\quillsim\\boundary-" + std::to_string(GetCurrentProcessId()) + ".txt";
    CreateDirectoryA("C:\\quillsim", nullptr);
    SetEnvironmentVariableA("QUILL_SIM_STATE", list_.c_str());
    sim_ = std::make_unique<devsim::Simulator>(list_);
    ASSERT_TRUE(libs_.complete()) << "stand-in libraries not found in the system folder";
  }
  void TearDown() override {
    sim_.reset();
    DeleteFileA(list_.c_str());
  }
  std::string list_;
  std::unique_ptr<devsim::Simulator> sim_;
  Libraries libs_;
};

const devsim::DeviceIds kDevice = {0xAAAA, 0xEF22, 0x0100};

TEST_F(Boundary, EnumeratesPluggedDevicesInPlugOrderWithTheirIdentifiers) {
  EXPECT_TRUE(libs_.Paths().empty());
  const devsim::DeviceIds ids[] = {{0xAAAA, 0xEF22, 0x0100}, {0x1234, 0xEF22, 0}, {0xAAAA, 1, 7}};
  std::vector<int> devs;
  for (const auto& id : ids) devs.push_back(sim_->Plug(id));
  const std::vector<std::string> paths = libs_.Paths();
  ASSERT_EQ(paths.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(paths[i], sim_->PathOf(devs[i]));
    Handle probe(Open(paths[i], 0));
    ASSERT_TRUE(probe.ok()) << paths[i] << " error " << GetLastError();
    const Attributes a = libs_.AttributesOf(probe.h);
    EXPECT_EQ(a.vendor, ids[i].vendor);
    EXPECT_EQ(a.product, ids[i].product);
    EXPECT_EQ(a.version, ids[i].version);
  }
  sim_->Unplug(devs[1]);
  EXPECT_EQ(libs_.Paths(), (std::vector<std::string>{paths[0], paths[2]}));
  Handle gone(Open(paths[1], GENERIC_READ | GENERIC_WRITE));
  EXPECT_FALSE(gone.ok());
}

// NOTE: the records differ by pointer size: SP_DEVICE_INTERFACE_DATA is 28 bytes in 32-bit and
// 32 in 64-bit, the detail record 5 and 8. The platform takes only its own architecture's.
TEST_F(Boundary, OnlyThisArchitecturesRecordSizesAreAccepted) {
  const int dev = sim_->Plug(kDevice);
  const bool is32 = sizeof(void*) == 4;
  GUID guid = {};
  libs_.get_guid(&guid);
  void* set = libs_.get_class_devs(&guid, nullptr, nullptr, 0x12);
  ASSERT_NE(set, nullptr);
  InterfaceData data = {};
  data.cb_size = is32 ? 32 : 28;
  EXPECT_FALSE(libs_.enum_interfaces(set, nullptr, &guid, 0, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
  data.cb_size = is32 ? 28 : 32;
  ASSERT_TRUE(libs_.enum_interfaces(set, nullptr, &guid, 0, &data));
  DWORD size = 0;
  libs_.get_detail(set, &data, nullptr, 0, &size, nullptr);
  ASSERT_GT(size, 4u);
  std::vector<char> detail(size, 0);
  *reinterpret_cast<DWORD*>(detail.data()) = is32 ? 8 : 5;
  EXPECT_FALSE(libs_.get_detail(set, &data, detail.data(), size, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
  *reinterpret_cast<DWORD*>(detail.data()) = is32 ? 5 : 8;
  EXPECT_TRUE(libs_.get_detail(set, &data, detail.data(), size, nullptr, nullptr));
  EXPECT_STREQ(detail.data() + 4, sim_->PathOf(dev).c_str());
  libs_.destroy(set);
}

// The program's own lookup, with its record sizes, over the stand-ins.
TEST_F(Boundary, TheProgramsLookupFindsAndOpensThePluggedDevice) {
  CreateLibraryTable();
  InitHidAccess();
  EXPECT_EQ(FindHidDevice(0xEF22, 0xAAAA, HID_ANY_VERSION), 0);
  sim_->Plug({0x1234, 0xEF22, 0x0100});
  const int dev = sim_->Plug(kDevice);
  EXPECT_EQ(FindHidDevice(0xEF22, 0xAAAA, HID_ANY_VERSION), 1);
  const HidHandle handle = OpenHidDevice(0xEF22, 0xAAAA, HID_ANY_VERSION);
  ASSERT_NE(handle, 0);
  // The handle is on the matching device, open for writing.
  const uint8_t report[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(WriteHidDevice(handle, report, 9), 9);
  ASSERT_TRUE(sim_->WaitReports(dev, 1, 3000));
  EXPECT_EQ(sim_->Reports(dev)[0].bytes, std::vector<uint8_t>(report, report + 9));
  EXPECT_EQ(CloseHidHandle(handle), 1);
  FreeAllSystemLibraries();
}

TEST_F(Boundary, RecordsEachOutputReportWhole) {
  const int dev = sim_->Plug(kDevice);
  Handle h(Open(sim_->PathOf(dev), GENERIC_READ | GENERIC_WRITE));
  ASSERT_TRUE(h.ok());
  const std::vector<std::vector<uint8_t>> sent = {{0, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0},
                                                  {0, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}};
  for (const auto& r : sent) {
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h.h, r.data(), static_cast<DWORD>(r.size()), &n, nullptr));
    EXPECT_EQ(n, r.size());
  }
  ASSERT_TRUE(sim_->WaitReports(dev, 2, 3000));
  const auto got = sim_->Reports(dev);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].bytes, sent[0]);
  EXPECT_EQ(got[1].bytes, sent[1]);
  EXPECT_LE(got[0].qpc, got[1].qpc);
}

TEST_F(Boundary, EveryOpenHandleGetsEveryInputReport) {
  const int dev = sim_->Plug(kDevice);
  std::vector<std::unique_ptr<Handle>> handles;
  for (int i = 0; i < 3; ++i) {
    handles.push_back(
        std::make_unique<Handle>(Open(sim_->PathOf(dev), GENERIC_READ | GENERIC_WRITE)));
    ASSERT_TRUE(handles.back()->ok());
  }
  for (int tries = 0; tries < 100 && sim_->OpenHandles(dev) < 3; ++tries) Sleep(10);
  ASSERT_EQ(sim_->OpenHandles(dev), 3);
  sim_->SendValue(dev, -2);
  sim_->SendValue(dev, 12345);
  for (auto& h : handles) {
    for (const std::vector<uint8_t>& want : {std::vector<uint8_t>{0, 0xFE, 0xFF, 0xFF, 0xFF},
                                             std::vector<uint8_t>{0, 0x39, 0x30, 0, 0}}) {
      uint8_t buf[7] = {};
      DWORD n = 0;
      Call read([&] { return ReadFile(h->h, buf, 5, &n, nullptr) != 0; });
      ASSERT_TRUE(read.Finished(3000));
      EXPECT_TRUE(read.result());
      EXPECT_EQ(std::vector<uint8_t>(buf, buf + n), want);
    }
  }
}

TEST_F(Boundary, AHandleThatDoesNotReadKeepsTheNewest32Reports) {
  const int dev = sim_->Plug(kDevice);
  Handle h(Open(sim_->PathOf(dev), GENERIC_READ | GENERIC_WRITE));
  ASSERT_TRUE(h.ok());
  for (int tries = 0; tries < 100 && sim_->OpenHandles(dev) < 1; ++tries) Sleep(10);
  for (int32_t value = 1; value <= 40; ++value) sim_->SendValue(dev, value);
  for (int32_t want = 9; want <= 40; ++want) {
    uint8_t buf[5] = {};
    DWORD n = 0;
    Call read([&] { return ReadFile(h.h, buf, 5, &n, nullptr) != 0; });
    ASSERT_TRUE(read.Finished(3000)) << "report " << want << " missing";
    EXPECT_EQ(buf[1], want);
  }
  uint8_t buf[5] = {};
  DWORD n = 0;
  Call extra([&] { return ReadFile(h.h, buf, 5, &n, nullptr) != 0; });
  EXPECT_FALSE(extra.Finished(200)) << "more than 32 reports were kept";
  sim_->Unplug(dev);
  ASSERT_TRUE(extra.Finished(3000));
}

TEST_F(Boundary, UnplugFailsABlockedRead) {
  const int dev = sim_->Plug(kDevice);
  Handle h(Open(sim_->PathOf(dev), GENERIC_READ | GENERIC_WRITE));
  ASSERT_TRUE(h.ok());
  uint8_t buf[5];
  DWORD n = 0;
  Call read([&] { return ReadFile(h.h, buf, 5, &n, nullptr) != 0; });
  EXPECT_FALSE(read.Finished(200));
  sim_->Unplug(dev);
  ASSERT_TRUE(read.Finished(3000)) << "read still blocked after unplug";
  EXPECT_FALSE(read.result());
}

TEST_F(Boundary, StalledDeviceBlocksTheWriterUntilItResumes) {
  const int dev = sim_->Plug(kDevice);
  Handle h(Open(sim_->PathOf(dev), GENERIC_READ | GENERIC_WRITE));
  ASSERT_TRUE(h.ok());
  for (int tries = 0; tries < 100 && sim_->OpenHandles(dev) < 1; ++tries) Sleep(10);
  sim_->SetStall(dev, true);
  Sleep(50);
  const uint8_t report[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  DWORD n = 0;
  Call write([&] { return WriteFile(h.h, report, 9, &n, nullptr) != 0; });
  EXPECT_FALSE(write.Finished(500)) << "a write to a stalled device completed";
  EXPECT_TRUE(sim_->Reports(dev).empty());
  sim_->SetStall(dev, false);
  ASSERT_TRUE(write.Finished(3000));
  EXPECT_TRUE(write.result());
  ASSERT_TRUE(sim_->WaitReports(dev, 1, 3000));
  EXPECT_EQ(sim_->Reports(dev)[0].bytes, std::vector<uint8_t>(report, report + 9));
}

TEST_F(Boundary, EchoAnswersWithThePayloadValue) {
  const int dev = sim_->Plug(kDevice);
  sim_->SetEcho(true);
  Handle h(Open(sim_->PathOf(dev), GENERIC_READ | GENERIC_WRITE));
  ASSERT_TRUE(h.ok());
  const uint8_t report[9] = {0, 0x12, 0x34, 0x56, 0x78, 9, 9, 9, 9};
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h.h, report, 9, &n, nullptr));
  uint8_t buf[5] = {};
  Call read([&] { return ReadFile(h.h, buf, 5, &n, nullptr) != 0; });
  ASSERT_TRUE(read.Finished(3000));
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 5), (std::vector<uint8_t>{0, 0x12, 0x34, 0x56, 0x78}));
}

TEST(DevicePath, CarriesTheIdentifiers) {
  devsim::DeviceIds ids;
  const std::string path = devsim::MakeDevicePath("7-0", {0xAAAA, 0xEF22, 0xFFFF});
  ASSERT_TRUE(devsim::ParseDeviceIds(path, &ids));
  EXPECT_EQ(ids.vendor, 0xAAAA);
  EXPECT_EQ(ids.product, 0xEF22);
  EXPECT_EQ(ids.version, 0xFFFF);
  EXPECT_FALSE(devsim::ParseDeviceIds("\\\\.\\pipe\\other", &ids));
}

}  // namespace
