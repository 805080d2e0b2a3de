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

// One interface of the device; kDevicePath is always the last one.
struct Interface {
  std::string path;
  bool present = false;
};

struct World {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<Interface> interfaces;
  std::string plug_after_open;  // an interface that arrives after the next successful open
  std::map<HidHandle, std::string> handle_paths;
  bool reuse_values = false;
  bool open_broken = false;
  int read_write_opens = 0;
  std::vector<uint32_t> pauses;
  std::vector<int32_t> posted;
  bool open_fails = false;
  int opens_before_failing = 0;
  int opens_before_breaking = 0;
  int probe_failures = 0;
  std::set<HidHandle> dead;   // open handles whose device instance has gone
  bool writes_stick = false;  // writes are given up and keep running on their handles
  std::set<HidHandle> stuck;  // handles with a given-up write still running
  uint64_t clock_ms = 1000;
  std::vector<DeviceNoticeInfo> notices;
  bool reads_fail_at_once = false;
  uint32_t read_error = 995;
  uint32_t write_error = 0;
  HidHandle next_handle = 0x100;
  std::set<HidHandle> open;
  int opens = 0;
  int closes = 0;
  int scans = 0;
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
  FakeSetupApi* setupapi = nullptr;  // the lookup's own scan runs over it when set
  HidFraming framing;                // the framing of every interface of the simple device
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

void SetFraming(const HidFraming& framing) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.framing = framing;
}

void Reset() {
  World& w = W();
  {
    std::lock_guard<std::mutex> hold(w.lock);
    w.interfaces = {Interface{kDevicePath, false}};
    w.plug_after_open.clear();
    w.handle_paths.clear();
    w.reuse_values = w.open_broken = false;
    w.read_write_opens = 0;
    w.pauses.clear();
    w.posted.clear();
    w.next_handle = 0x100;
    w.open_fails = w.reads_fail_at_once = w.cancel = false;
    w.opens_before_failing = w.probe_failures = 0;
    w.dead.clear();
    w.writes_stick = false;
    w.stuck.clear();
    w.notices.clear();
    w.read_error = 995;
    w.write_error = 0;
    w.open.clear();
    w.opens = w.closes = w.reads_started = w.scans = w.handle_checks = 0;
    w.reports.clear();
    w.reading = 0;
    w.writes.clear();
    w.faults.clear();
    w.fields.clear();
    w.texts.clear();
    w.boxes.clear();
    w.setupapi = nullptr;
    w.framing = ConsoleFraming();
  }
  ResetGlobals();
  ResetPresence();
  ResetReadHandover();
}

// Returns the interface with a path, null when there is none.
Interface* Find(World& w, const std::string& path) {
  for (Interface& i : w.interfaces) {
    if (i.path == path) return &i;
  }
  return nullptr;
}

// Kills every open handle on an interface.
void KillHandles(World& w, const std::string& path) {
  for (const auto& open : w.handle_paths) {
    if (open.second == path) w.dead.insert(open.first);
  }
  w.changed.notify_all();
}

void SetPresent(bool present) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  Find(w, kDevicePath)->present = present;
}

void UseSetupApi(FakeSetupApi* setupapi) {
  UseFakeSetupApi(setupapi);
  W().setupapi = setupapi;
}

void SetOpenBroken(bool broken, int opens_first) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.open_broken = broken;
  w.opens_before_breaking = opens_first;
}

void PlugInterfaceFirstAfterNextOpen(const std::string& path) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.plug_after_open = path;
}

void UnplugInterface(const std::string& path) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  Find(w, path)->present = false;
  KillHandles(w, path);
}

std::string PathOfHandle(HidHandle handle) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  const auto open = w.handle_paths.find(handle);
  return open != w.handle_paths.end() ? open->second : std::string();
}

void ReuseHandleValues(bool reuse) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.reuse_values = reuse;
}

void SetOpenFails(bool fails, int opens_first) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  w.open_fails = fails;
  w.opens_before_failing = opens_first;
}

void Replug() {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  Find(w, kDevicePath)->present = true;
  w.dead = w.open;
  w.reports.clear();
  w.changed.notify_all();
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
FAKE_GETTER(std::set<HidHandle>, OpenHandles, w.open)
FAKE_GETTER(int, OpenCount, w.opens)
FAKE_GETTER(int, CloseCount, w.closes)
FAKE_GETTER(int, ScanCount, w.scans)
FAKE_GETTER(int, HandleCheckCount, w.handle_checks)
FAKE_GETTER(int, ReadWriteOpenCount, w.read_write_opens)
FAKE_GETTER(std::vector<uint32_t>, Pauses, w.pauses)
FAKE_GETTER(std::vector<std::string>, Faults, w.faults)
FAKE_GETTER(int, ReadsStarted, w.reads_started)
FAKE_GETTER(bool, ReadInProgress, w.reading != 0)
FAKE_GETTER(HidHandle, ReadingHandle, w.reading)
FAKE_GETTER(std::vector<std::string>, MessageBoxes, w.boxes)
#undef FAKE_GETTER

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

namespace {

// True when the identifiers asked for are the device's; records a fault otherwise.
void CheckIds(World& w, uint16_t product, uint16_t vendor, uint16_t version) {
  if (product != 0xEF22 || vendor != 0xAAAA || version != 0xFFFF) w.faults.push_back("ids");
}

// Opens an interface for reading and writing as the platform would: refused while another
// program holds the device, failing while it is broken.
HidHandle OpenInterface(World& w, fake::Interface& i, bool* refused) {
  if (!i.present || (w.open_broken && w.opens_before_breaking-- <= 0)) return 0;
  if (w.open_fails && w.opens_before_failing-- <= 0) {
    if (refused != nullptr) *refused = true;
    return 0;
  }
  HidHandle h = w.next_handle;
  if (w.reuse_values) {
    for (h = 0x100; w.open.count(h) != 0; h += 4) {
    }
  } else {
    w.next_handle += 4;
  }
  w.open.insert(h);
  w.handle_paths[h] = i.path;
  ++w.opens;
  if (!w.plug_after_open.empty()) {
    w.interfaces.insert(w.interfaces.begin(), fake::Interface{w.plug_after_open, true});
    w.plug_after_open.clear();
  }
  return h;
}

}  // namespace

// The simple device's interfaces all speak the console's reports: the first that opens is kept.
HidHandle ChooseHidDevice(uint16_t product, uint16_t vendor, uint16_t version, HidChosen* chosen) {
  World& w = W();
  if (w.setupapi != nullptr) {
    return ChooseHidDeviceWith(FakeHidPlatform(), product, vendor, version, chosen);
  }
  std::lock_guard<std::mutex> hold(w.lock);
  CheckIds(w, product, vendor, version);
  ++w.scans;
  *chosen = HidChosen{};
  for (fake::Interface& i : w.interfaces) {
    if (!i.present) continue;
    ++w.read_write_opens;
    bool refused = chosen->choice == HidChoice::kRefused;
    const std::string candidate = i.path;
    const HidHandle h = OpenInterface(w, i, &refused);  // may plug an interface: return now
    chosen->choice = h != 0    ? HidChoice::kOpened
                     : refused ? HidChoice::kRefused
                               : HidChoice::kFailed;
    if (h == 0) continue;
    chosen->path = candidate;
    chosen->framing = w.framing;
    return h;
  }
  return 0;
}

HidHandle OpenHidDeviceAt(const std::string& path, uint16_t product, uint16_t vendor,
                          uint16_t version, bool* refused) {
  World& w = W();
  if (w.setupapi != nullptr) {
    return OpenHidDeviceAtWith(FakeHidPlatform(), path, product, vendor, version, refused);
  }
  std::lock_guard<std::mutex> hold(w.lock);
  CheckIds(w, product, vendor, version);
  ++w.read_write_opens;
  if (refused != nullptr) *refused = false;
  fake::Interface* i = fake::Find(w, path);
  return i != nullptr ? OpenInterface(w, *i, refused) : 0;
}

// A query-only handle on an interface while it is present; it dies with the device as the
// read-write ones do.
HidHandle OpenHidProbe(const std::string& path, uint16_t product, uint16_t vendor,
                       uint16_t version) {
  World& w = W();
  if (w.setupapi != nullptr) {
    return OpenHidProbeWith(FakeHidPlatform(), path, product, vendor, version);
  }
  std::lock_guard<std::mutex> hold(w.lock);
  CheckIds(w, product, vendor, version);
  fake::Interface* i = fake::Find(w, path);
  if (i == nullptr || !i->present) return 0;
  const HidHandle h = w.next_handle;
  w.next_handle += 4;
  w.open.insert(h);
  w.handle_paths[h] = path;
  ++w.opens;
  return h;
}

// True while a write given up still runs on the handle.
bool HidWriteStuck(HidHandle handle) {
  World& w = W();
  std::lock_guard<std::mutex> hold(w.lock);
  return w.stuck.count(handle) != 0;
}

// The device behind an open handle answers while it is present and the handle is neither
// closed nor dead, unless a probe failure was asked for. A handle with a given-up write on it
// cannot be asked: the probe would wait behind the write.
int32_t CheckHidHandle(HidHandle handle, uint16_t product, uint16_t vendor, uint16_t version) {
  World& w = W();
  if (w.setupapi != nullptr) {
    return CheckHidHandleWith(FakeHidPlatform(), handle, product, vendor, version);
  }
  std::lock_guard<std::mutex> hold(w.lock);
  CheckIds(w, product, vendor, version);
  if (handle == 0) return 0;
  if (w.stuck.count(handle) != 0) w.faults.push_back("probe behind a given-up write");
  if (w.open.count(handle) == 0) w.faults.push_back("check of a handle that is not open");
  ++w.handle_checks;
  if (w.probe_failures > 0) {
    --w.probe_failures;
    return 0;
  }
  const fake::Interface* i = fake::Find(w, w.handle_paths[handle]);
  return i != nullptr && i->present && w.open.count(handle) != 0 && w.dead.count(handle) == 0 ? 1
                                                                                              : 0;
}

// A cancelled read fails with ERROR_OPERATION_ABORTED, a failing one with the chosen error,
// one on a dead handle at once with ERROR_DEVICE_NOT_CONNECTED.
int32_t ReadHidDeviceFull(HidHandle handle, void* buffer, int32_t count, uint32_t* error) {
  World& w = W();
  std::unique_lock<std::mutex> hold(w.lock);
  ++w.reads_started;
  if (w.open.count(handle) == 0) {
    w.faults.push_back("read on a handle that is not open");
    return 0;
  }
  if (w.dead.count(handle) != 0) {
    if (error != nullptr) *error = 1167;
    return 0;
  }
  if (error != nullptr) *error = w.cancel ? 995 : w.read_error;
  w.reading = handle;
  w.cancel = false;
  // A blocked read ends with a report, a cancel, or (a hang guard) after 10 s.
  const bool woke = w.changed.wait_for(hold, std::chrono::seconds(10), [&] {
    return !w.reports.empty() || w.cancel || w.reads_fail_at_once || w.dead.count(handle) != 0;
  });
  w.reading = 0;
  if (!woke) w.faults.push_back("read hung");
  if (error != nullptr) *error = w.cancel ? 995 : w.read_error;
  if (w.reports.empty() || w.cancel || w.dead.count(handle) != 0) return 0;
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
  if (w.open.count(handle) == 0) w.faults.push_back("write on a handle that is not open");
  const fake::Interface* i = fake::Find(w, w.handle_paths[handle]);
  const uint32_t failure =
      i == nullptr || !i->present || w.dead.count(handle) != 0 ? 1167 : w.write_error;
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
  if (w.setupapi != nullptr) return static_cast<int32_t>(FakeHidPlatform().close_handle(handle));
  std::lock_guard<std::mutex> hold(w.lock);
  if (w.reading == handle) w.faults.push_back("close while a read runs on the handle");
  if (w.open.erase(handle) == 0) {
    w.faults.push_back("close of a handle that is not open");
    return 0;
  }
  ++w.closes;
  w.dead.erase(handle);
  w.stuck.erase(handle);
  w.handle_paths.erase(handle);
  w.reports.clear();
  return 1;
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
