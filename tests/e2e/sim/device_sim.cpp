#include "device_sim.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <list>
#include <thread>

namespace devsim {

namespace {

// Pipe instances kept listening per device, so that quick successive opens all succeed.
constexpr int kListeners = 4;
// Input reports a handle holds before the oldest is dropped (the HID class driver's default).
constexpr size_t kInputBuffers = 32;

// A manual-reset event that closes itself.
struct Event {
  HANDLE h = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Event() = default;
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  ~Event() { CloseHandle(h); }
};

// One input report on its way to a handle; lives until the write completes.
struct PendingWrite {
  OVERLAPPED ov = {};
  uint8_t data[64] = {};
  Event done;
};

}  // namespace

struct Simulator::Instance {
  HANDLE pipe = INVALID_HANDLE_VALUE;
  Event wake;
  bool closed = false;
  std::list<std::unique_ptr<PendingWrite>> writes;
  std::thread server;
};

struct Simulator::Device {
  DeviceIds ids;
  std::string path;
  bool plugged = true;
  bool stalled = false;
  bool held = false;
  Event stop;
  std::vector<std::thread> listeners;
  int listening = 0;  // listeners that have made their first pipe instance
  int opens = 0;      // connections accepted so far
  std::vector<std::unique_ptr<Instance>> instances;
  std::vector<Report> reports;
};

// Returns the performance counter now.
int64_t Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

// Returns the milliseconds between two performance counter readings.
double MillisBetween(int64_t from, int64_t to) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return 1000.0 * static_cast<double>(to - from) / static_cast<double>(f.QuadPart);
}

// Starts with an empty device list.
Simulator::Simulator(std::string list_file)
    : list_file_(std::move(list_file)), tag_(std::to_string(GetCurrentProcessId())) {
  std::lock_guard<std::mutex> lock(mu_);
  DeleteFileA(EnumerationTally(list_file_).c_str());
  DeleteFileA(HeldList(list_file_).c_str());
  WriteListLocked();
}

// Unplugs every device, so no thread outlives the simulator.
Simulator::~Simulator() {
  for (size_t i = 0; i < devices_.size(); ++i) Unplug(static_cast<int>(i));
  DeleteFileA(EnumerationTally(list_file_).c_str());
  DeleteFileA(HeldList(list_file_).c_str());
}

// Plugs a device: starts its listener and adds it to the list.
int Simulator::Plug(DeviceIds ids) {
  std::unique_lock<std::mutex> lock(mu_);
  auto d = std::make_unique<Device>();
  d->ids = ids;
  d->path = MakeDevicePath(tag_ + "-" + std::to_string(devices_.size()), ids);
  Device* raw = d.get();
  devices_.push_back(std::move(d));
  for (int i = 0; i < kListeners; ++i) raw->listeners.emplace_back([this, raw] { Listen(raw); });
  cv_.wait_for(lock, std::chrono::seconds(5), [raw] { return raw->listening == kListeners; });
  WriteListLocked();
  return static_cast<int>(devices_.size() - 1);
}

// Takes the device off the list, breaks every handle on it and ends its threads.
void Simulator::Unplug(int dev) {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(mu_);
    Device* d = DeviceOf(dev);
    if (d == nullptr || !d->plugged) return;
    d->plugged = false;
    WriteListLocked();
    SetEvent(d->stop.h);
    for (auto& in : d->instances) {
      SetEvent(in->wake.h);
      if (!in->closed) DisconnectNamedPipe(in->pipe);
      threads.push_back(std::move(in->server));
    }
    for (std::thread& t : d->listeners) threads.push_back(std::move(t));
    cv_.notify_all();
  }
  for (std::thread& t : threads) {
    if (t.joinable()) t.join();
  }
}

// Sends one input report to every open handle of the device.
void Simulator::SendReport(int dev, const std::vector<uint8_t>& bytes) {
  std::lock_guard<std::mutex> lock(mu_);
  Device* d = DeviceOf(dev);
  if (d != nullptr) SendLocked(d, bytes.data(), static_cast<DWORD>(bytes.size()));
}

// Sends the input report of a value, little-endian after report ID 0.
void Simulator::SendValue(int dev, int32_t value) {
  const uint32_t u = static_cast<uint32_t>(value);
  SendReport(dev, {0, static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8),
                   static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 24)});
}

// Stops or resumes taking output reports from the device's handles.
void Simulator::SetStall(int dev, bool stalled) {
  std::lock_guard<std::mutex> lock(mu_);
  Device* d = DeviceOf(dev);
  if (d == nullptr) return;
  d->stalled = stalled;
  for (auto& in : d->instances) SetEvent(in->wake.h);
  cv_.notify_all();
}

// Marks the device held by another program, or free again.
void Simulator::SetHeld(int dev, bool held) {
  std::lock_guard<std::mutex> lock(mu_);
  Device* d = DeviceOf(dev);
  if (d == nullptr) return;
  d->held = held;
  WriteHeldLocked();
}

// Turns echo mode on or off for all devices.
void Simulator::SetEcho(bool on) {
  std::lock_guard<std::mutex> lock(mu_);
  echo_ = on;
}

// Returns a copy of the reports received by the device.
std::vector<Report> Simulator::Reports(int dev) {
  std::lock_guard<std::mutex> lock(mu_);
  Device* d = DeviceOf(dev);
  return d != nullptr ? d->reports : std::vector<Report>{};
}

// Waits for the device's report count to reach `count`.
bool Simulator::WaitReports(int dev, size_t count, DWORD timeout_ms) {
  std::unique_lock<std::mutex> lock(mu_);
  return cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
    Device* d = DeviceOf(dev);
    return d != nullptr && d->reports.size() >= count;
  });
}

// Counts the connected handles of the device.
int Simulator::OpenHandles(int dev) {
  std::lock_guard<std::mutex> lock(mu_);
  Device* d = DeviceOf(dev);
  if (d == nullptr) return 0;
  return static_cast<int>(std::count_if(d->instances.begin(), d->instances.end(),
                                        [](const auto& in) { return !in->closed; }));
}

// Counts the connections the device has accepted.
int Simulator::Opens(int dev) {
  std::lock_guard<std::mutex> lock(mu_);
  Device* d = DeviceOf(dev);
  return d != nullptr ? d->opens : 0;
}

// Returns the size of the enumeration tally beside the list file.
int Simulator::Enumerations() {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(EnumerationTally(list_file_).c_str(), GetFileExInfoStandard, &data)) {
    return 0;
  }
  return static_cast<int>(data.nFileSizeLow);
}

// Returns the device's pipe path.
std::string Simulator::PathOf(int dev) {
  std::lock_guard<std::mutex> lock(mu_);
  Device* d = DeviceOf(dev);
  return d != nullptr ? d->path : std::string();
}

// Returns the device with a number, or null.
Simulator::Device* Simulator::DeviceOf(int dev) {
  if (dev < 0 || static_cast<size_t>(dev) >= devices_.size()) return nullptr;
  return devices_[dev].get();
}

// Rewrites the list file with the plugged devices in plug order.
void Simulator::WriteListLocked() {
  std::vector<std::string> paths;
  for (auto& d : devices_) {
    if (d->plugged) paths.push_back(d->path);
  }
  WriteDeviceList(list_file_, paths);
}

// Rewrites the held list with the devices another program holds.
void Simulator::WriteHeldLocked() {
  std::vector<std::string> paths;
  for (auto& d : devices_) {
    if (d->held) paths.push_back(d->path);
  }
  WriteDeviceList(HeldList(list_file_), paths);
}

// Queues an overlapped write of the report on every open handle, then trims each backlog.
// NOTE: under Wine the cancel of a pending pipe write takes a while; the report reaches every
// handle before any cancel, so a handle that never reads (the program's write handle) does
// not delay the report on the one that does.
void Simulator::SendLocked(Device* d, const uint8_t* bytes, DWORD size) {
  if (!d->plugged) return;
  size = std::min<DWORD>(size, sizeof(PendingWrite::data));
  for (auto& in : d->instances) {
    if (in->closed) continue;
    in->writes.remove_if([](const auto& w) { return HasOverlappedIoCompleted(&w->ov); });
    auto w = std::make_unique<PendingWrite>();
    std::memcpy(w->data, bytes, size);
    w->ov.hEvent = w->done.h;
    if (WriteFile(in->pipe, w->data, size, nullptr, &w->ov) || GetLastError() == ERROR_IO_PENDING) {
      in->writes.push_back(std::move(w));
    }
  }
  // A handle that does not read keeps only the newest reports, as HID does.
  for (auto& in : d->instances) {
    while (!in->closed && in->writes.size() > kInputBuffers) {
      PendingWrite* oldest = in->writes.front().get();
      CancelIoEx(in->pipe, &oldest->ov);
      DWORD ignored = 0;
      GetOverlappedResult(in->pipe, &oldest->ov, &ignored, TRUE);
      in->writes.pop_front();
    }
  }
}

// Keeps one pipe instance waiting for a client; each connection gets its own server thread.
void Simulator::Listen(Device* d) {
  bool first = true;
  while (WaitForSingleObject(d->stop.h, 0) != WAIT_OBJECT_0) {
    // Zero buffer sizes: a client's write completes only when the device reads it.
    HANDLE pipe = CreateNamedPipeA(d->path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                   PIPE_UNLIMITED_INSTANCES, 0, 0, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) {
      WaitForSingleObject(d->stop.h, 10);
      continue;
    }
    if (first) {
      std::lock_guard<std::mutex> lock(mu_);
      ++d->listening;
      cv_.notify_all();
      first = false;
    }
    Event connected_event;
    OVERLAPPED ov = {};
    ov.hEvent = connected_event.h;
    bool connected = ConnectNamedPipe(pipe, &ov) != 0;
    DWORD err = GetLastError();
    DWORD n = 0;
    if (!connected && err == ERROR_PIPE_CONNECTED) {
      connected = true;
    } else if (!connected && err == ERROR_IO_PENDING) {
      HANDLE waits[2] = {ov.hEvent, d->stop.h};
      if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        connected = GetOverlappedResult(pipe, &ov, &n, FALSE) != 0;
      } else {
        CancelIoEx(pipe, &ov);
        GetOverlappedResult(pipe, &ov, &n, TRUE);
      }
    }
    std::lock_guard<std::mutex> lock(mu_);
    if (!connected || !d->plugged) {
      CloseHandle(pipe);
      continue;
    }
    // Instances whose handle has closed are done: their threads end without the lock.
    for (auto& old : d->instances) {
      if (old->closed && old->server.joinable()) old->server.join();
    }
    d->instances.erase(std::remove_if(d->instances.begin(), d->instances.end(),
                                      [](const auto& old) { return old->closed; }),
                       d->instances.end());
    ++d->opens;
    auto in = std::make_unique<Instance>();
    in->pipe = pipe;
    Instance* raw = in.get();
    d->instances.push_back(std::move(in));
    raw->server = std::thread([this, d, raw] { Serve(d, raw); });
  }
}

// Reads output reports from one handle until it closes or the device goes.
void Simulator::Serve(Device* d, Instance* in) {
  Event read_done;
  uint8_t buf[256];
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mu_);
      ResetEvent(in->wake.h);
      cv_.wait(lock, [&] { return !d->stalled || !d->plugged; });
      if (!d->plugged) break;
    }
    OVERLAPPED ov = {};
    ov.hEvent = read_done.h;
    DWORD n = 0;
    if (!ReadFile(in->pipe, buf, sizeof buf, nullptr, &ov) && GetLastError() != ERROR_IO_PENDING) {
      break;
    }
    HANDLE waits[2] = {ov.hEvent, in->wake.h};
    bool woken = WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0;
    if (woken) CancelIoEx(in->pipe, &ov);
    BOOL ok = GetOverlappedResult(in->pipe, &ov, &n, TRUE);
    if (!ok && !woken && GetLastError() != ERROR_MORE_DATA) break;
    if (!ok && (woken || n == 0)) continue;
    std::lock_guard<std::mutex> lock(mu_);
    d->reports.push_back(Report{std::vector<uint8_t>(buf, buf + n), Now()});
    cv_.notify_all();
    if (echo_ && n >= 5) {
      const uint8_t echo[5] = {0, buf[1], buf[2], buf[3], buf[4]};
      SendLocked(d, echo, sizeof echo);
    }
  }
  std::lock_guard<std::mutex> lock(mu_);
  in->closed = true;
  CancelIoEx(in->pipe, nullptr);
  for (auto& w : in->writes) {
    DWORD n = 0;
    GetOverlappedResult(in->pipe, &w->ov, &n, TRUE);
  }
  in->writes.clear();
  DisconnectNamedPipe(in->pipe);
  CloseHandle(in->pipe);
}

}  // namespace devsim
