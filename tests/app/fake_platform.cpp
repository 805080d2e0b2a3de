#include "fake_platform.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "app/globals.h"
#include "app/presence.h"
#include "app/read_handover.h"
#include "hid/hid_lookup.h"
#include "ui/ui.h"

namespace fake {
namespace {

// Everything Reset starts afresh but the clock.
struct State {
  FakeSetupApi setupapi;  // the interfaces, their handles, and the lookup's view of them
  std::vector<uint32_t> pauses;
  std::vector<int32_t> posted;
  int probe_failures = 0;
  bool writes_stick = false;  // writes are given up and keep running on their handles
  std::set<HidHandle> stuck;  // handles with a given-up write still running
  uint64_t clock_ms = 1000;
  std::vector<DeviceNoticeInfo> notices;
  bool reads_fail_at_once = false;
  uint32_t read_error = 995;
  uint32_t write_error = 0;
  int handle_checks = 0;
  std::deque<Report> reports;
  HidHandle reading = 0;  // handle a read is blocked on, 0 = none
  bool cancel = false;    // the blocked read is to fail
  int reads_started = 0;
  std::vector<std::vector<uint8_t>> writes;
  std::vector<std::string> faults;
  std::map<int32_t, std::string> fields;
  std::vector<std::pair<int32_t, std::string>> texts;
  std::vector<std::string> boxes;
};

struct World : State {
  std::mutex lock;
  std::condition_variable changed;
};

World& W() {
  static World* world = new World();
  return *world;
}

}  // namespace

// Returns the console's own framing: 9 bytes out and 5 in, no report ID.
HidFraming ConsoleFraming() {
  HidFraming framing;
  framing.output_length = 9;
  framing.input_length = 5;
  framing.usage_page = 0xFF00;
  return framing;
}

// Returns the interface with a path, null when there is none.
FakeInterface* Find(World& w, const std::string& path) {
  for (FakeInterface& i : w.setupapi.interfaces) {
    if (i.path == path) return &i;
  }
  return nullptr;
}

void SetFraming(const HidFraming& framing) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  for (FakeInterface& i : w.setupapi.interfaces) i.framing = framing;
}

void Reset() {
  World& w = W();
  {
    std::lock_guard<std::mutex> hold(w.lock);
    const uint64_t clock_ms = w.clock_ms;
    static_cast<State&>(w) = State{};
    w.clock_ms = clock_ms;
    FakeInterface device{kDevicePath, 0xAAAA, 0xEF22, 0x0100, false};
    device.framing = ConsoleFraming();
    w.setupapi.interfaces = {device};
    UseFakeSetupApi(&w.setupapi);
  }
  ResetGlobals();
  ResetPresence();
  ResetReadHandover();
}

FakeSetupApi& SetupApi() {
  return W().setupapi;
}

// Kills every open handle on the interfaces `which` picks by index.
template <typename Which>
void KillHandles(World& w, Which which) {
  for (const auto& open : w.setupapi.open_handles) {
    if (which(open.second)) w.setupapi.dead.insert(open.first);
  }
  w.changed.notify_all();
}

void SetPresent(bool present) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  Find(w, kDevicePath)->present = present;
}

// Read-write opens fail with `error` after `opens_first` more succeed (0: they succeed).
void FailOpens(uint32_t error, int opens_first) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.setupapi.open_failure = error;
  w.setupapi.opens_before_failure = opens_first;
}

void SetOpenFails(bool fails, int opens_first) {
  FailOpens(fails ? 5 : 0, opens_first);  // ERROR_ACCESS_DENIED
}

void SetOpenBroken(bool broken, int opens_first) {
  FailOpens(broken ? 31 : 0, opens_first);  // ERROR_GEN_FAILURE
}

void PlugInterfaceFirstAfterNextOpen(const std::string& path) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  FakeInterface arriving = *Find(w, kDevicePath);
  arriving.path = path;
  arriving.present = true;
  w.setupapi.arrive_after_open = {arriving};
}

void UnplugInterface(const std::string& path) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  Find(w, path)->present = false;
  KillHandles(w, [&](size_t i) { return w.setupapi.interfaces[i].path == path; });
}

std::string PathOfHandle(HidHandle handle) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  const auto open = w.setupapi.open_handles.find(handle);
  return open != w.setupapi.open_handles.end() ? w.setupapi.interfaces[open->second].path
                                               : std::string();
}

void ReuseHandleValues(bool reuse) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.setupapi.reuse_handles = reuse;
}

void Replug() {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  Find(w, kDevicePath)->present = true;
  w.reports.clear();
  KillHandles(w, [](size_t) { return true; });
}

void FailNextProbes(int count) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.probe_failures = count;
}

void AdvanceClock(uint64_t ms) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.clock_ms += ms;
}

void AddNotice(bool arrival, const char* name) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  DeviceNoticeInfo notice;
  notice.arrival = arrival;
  if (name != nullptr) notice.name_field.assign(name, std::strlen(name) + 1);
  w.notices.push_back(notice);
}

void QueueReport(const Report& report) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.reports.push_back(report);
  w.changed.notify_all();
}

void SetReadsFailAtOnce(bool fail, uint32_t error) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.reads_fail_at_once = fail;
  w.read_error = error;
  w.changed.notify_all();
}

void SetWritesStick(bool stick) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.writes_stick = stick;
}

void SetWriteError(uint32_t error) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.write_error = error;
}

#define FAKE_GETTER(type, name, expr)         \
  type name() {                               \
    World& w = W();                           \
    std::lock_guard<std::mutex> hold(w.lock); \
    return expr;                              \
  }
FAKE_GETTER(std::vector<std::vector<uint8_t>>, Writes, w.writes)
FAKE_GETTER(int, OpenCount, w.setupapi.read_write_opens)
FAKE_GETTER(int, CloseCount, w.setupapi.read_write_closes)
FAKE_GETTER(int, ScanCount, static_cast<int>(w.setupapi.sets_made))
FAKE_GETTER(int, HandleCheckCount, w.handle_checks)
FAKE_GETTER(std::vector<uint32_t>, Pauses, w.pauses)
FAKE_GETTER(int, ReadsStarted, w.reads_started)
FAKE_GETTER(bool, ReadInProgress, w.reading != 0)
FAKE_GETTER(HidHandle, ReadingHandle, w.reading)
FAKE_GETTER(std::vector<std::string>, MessageBoxes, w.boxes)
#undef FAKE_GETTER

std::set<HidHandle> OpenHandles() {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  std::set<HidHandle> open;
  for (const auto& handle : w.setupapi.open_handles) open.insert(handle.first);
  return open;
}

int ReadWriteOpenCount() {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  const auto& creates = w.setupapi.creates;
  return static_cast<int>(std::count_if(creates.begin(), creates.end(),
                                        [](const CreateCall& c) { return c.access != 0; }));
}

std::vector<std::string> Faults() {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  std::vector<std::string> faults = w.faults;
  if (w.setupapi.bad_closes != 0) faults.push_back("close of a handle that is not open");
  return faults;
}

std::vector<std::pair<int32_t, std::string>> TextsPut() {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  return w.texts;
}

std::vector<int32_t> TakePostedEvents() {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  std::vector<int32_t> taken;
  taken.swap(w.posted);
  return taken;
}

void SetFieldText(int32_t gadget, const std::string& text) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.fields[gadget] = text;
}

}  // namespace fake

using fake::W;
using fake::World;

// --- HID layer ------------------------------------------------------------------------------
// The lookup, its opens, probes and closes are the program's own code over the simulated
// SetupAPI; the transfers are the device's.

// Records a fault unless the identifiers asked for are the device's, with any version.
void CheckIds(uint16_t product, uint16_t vendor, uint16_t version) {
  if (product != 0xEF22 || vendor != 0xAAAA || version != HID_ANY_VERSION) {
    W().faults.push_back("ids");
  }
}

HidHandle ChooseHidDevice(uint16_t product, uint16_t vendor, uint16_t version, HidChosen* chosen) {
  std::lock_guard<std::mutex> hold(W().lock);
  CheckIds(product, vendor, version);
  return ChooseHidDeviceWith(FakeHidPlatform(), product, vendor, version, chosen);
}

HidHandle OpenHidDeviceAt(const std::string& path, uint16_t product, uint16_t vendor,
                          uint16_t version, bool* refused) {
  std::lock_guard<std::mutex> hold(W().lock);
  CheckIds(product, vendor, version);
  return OpenHidDeviceAtWith(FakeHidPlatform(), path, product, vendor, version, refused);
}

HidHandle OpenHidProbe(const std::string& path, uint16_t product, uint16_t vendor,
                       uint16_t version) {
  std::lock_guard<std::mutex> hold(W().lock);
  CheckIds(product, vendor, version);
  return OpenHidProbeWith(FakeHidPlatform(), path, product, vendor, version);
}

// True while a write given up still runs on the handle.
bool HidWriteStuck(HidHandle handle) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  return w.stuck.count(handle) != 0;
}

// The program's check, unless a probe failure was asked for. A handle with a given-up write on
// it cannot be asked: the probe would wait behind the write.
int32_t CheckHidHandle(HidHandle handle, uint16_t product, uint16_t vendor, uint16_t version) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  CheckIds(product, vendor, version);
  if (handle == 0) return 0;
  if (w.stuck.count(handle) != 0) w.faults.push_back("probe behind a given-up write");
  if (w.setupapi.open_handles.count(handle) == 0) {
    w.faults.push_back("check of a handle that is not open");
  }
  ++w.handle_checks;
  if (w.probe_failures > 0) {
    --w.probe_failures;
    return 0;
  }
  return CheckHidHandleWith(FakeHidPlatform(), handle, product, vendor, version);
}

// A cancelled read fails with ERROR_OPERATION_ABORTED, a failing one with the chosen error,
// one on a dead handle at once with ERROR_DEVICE_NOT_CONNECTED.
int32_t ReadHidDeviceFull(HidHandle handle, void* buffer, int32_t count, uint32_t* error) {
  World& w = W();
  std::unique_lock<std::mutex> hold(w.lock);
  ++w.reads_started;
  const std::set<intptr_t>& dead = w.setupapi.dead;
  if (w.setupapi.open_handles.count(handle) == 0) {
    w.faults.push_back("read on a handle that is not open");
    return 0;
  }
  if (dead.count(handle) != 0) {
    if (error != nullptr) *error = 1167;
    return 0;
  }
  if (error != nullptr) *error = w.cancel ? 995 : w.read_error;
  w.reading = handle;
  w.cancel = false;
  // A blocked read ends with a report, a cancel, or (a hang guard) after 10 s.
  const bool woke = w.changed.wait_for(hold, std::chrono::seconds(10), [&] {
    return !w.reports.empty() || w.cancel || w.reads_fail_at_once || dead.count(handle) != 0;
  });
  w.reading = 0;
  if (!woke) w.faults.push_back("read hung");
  if (error != nullptr) *error = w.cancel ? 995 : w.read_error;
  if (w.reports.empty() || w.cancel || dead.count(handle) != 0) return 0;
  if (error != nullptr) *error = 0;
  const int32_t length = std::min(count, static_cast<int32_t>(w.reports.front().size()));
  std::memcpy(buffer, w.reports.front().data(), static_cast<size_t>(length));
  w.reports.pop_front();
  return length;
}

int32_t ReadHidDevice(HidHandle handle, void* buffer, int32_t count) {
  return ReadHidDeviceFull(handle, buffer, count, nullptr);
}

int32_t WriteHidDeviceWithin(HidHandle handle, const void* buffer, int32_t count, uint32_t,
                             WaitForObjectFn wait, uint32_t* error) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  if (wait != WaitHandlingSentMessages) w.faults.push_back("write waits without handling messages");
  if (w.setupapi.open_handles.count(handle) == 0) {
    w.faults.push_back("write on a handle that is not open");
  }
  const uint32_t failure = FakeHandleAnswers(handle) ? w.write_error : 1167;
  if (error != nullptr) *error = failure;
  if (failure != 0) return 0;
  if (w.writes_stick) {
    w.stuck.insert(handle);
    if (error != nullptr) *error = 1460;
    return 0;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  w.writes.emplace_back(bytes, bytes + count);
  return count;
}

int32_t CloseHidHandle(HidHandle handle) {
  if (handle == 0) return 0;
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  if (w.reading == handle) w.faults.push_back("close while a read runs on the handle");
  w.stuck.erase(handle);
  w.reports.clear();
  return static_cast<int32_t>(FakeHidPlatform().close_handle(handle));
}

// --- Receive thread wake --------------------------------------------------------------------

// Like CancelSynchronousIo: fails the read in progress, if there is one; nothing otherwise.
void WakeReceiveThread() {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  if (w.reading != 0) {
    w.cancel = true;
    w.changed.notify_all();
  }
}

// --- Presence clock and pause ---------------------------------------------------------------

uint64_t PresenceClockMs() {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  return w.clock_ms;
}

// The pause passes on the fake clock only.
void PresencePause(uint32_t ms) {
  fake::AdvanceClock(ms);
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.pauses.push_back(ms);
}

// --- Window layer ---------------------------------------------------------------------------

std::vector<DeviceNoticeInfo> TakeDeviceNotices() {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  std::vector<DeviceNoticeInfo> taken;
  taken.swap(w.notices);
  return taken;
}

void PostApplicationEvent(int32_t code) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.posted.push_back(code);
}

void PutGadgetText(int32_t gadget, const char* text) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.texts.emplace_back(gadget, text != nullptr ? text : "");
}

// Never called: the fake bounded write above completes at once.
bool WaitHandlingSentMessages(intptr_t, uint32_t) {
  return true;
}

std::string FetchGadgetText(int32_t gadget) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  auto it = w.fields.find(gadget);
  return it != w.fields.end() ? it->second : std::string();
}

int32_t ShowMessageBox(const char* title, const char* text, uint32_t flags) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.boxes.push_back(std::string(title) + "|" + text + "|" + std::to_string(flags));
  return 1;
}
