// A simulated USB HID device at the platform boundary: each plugged device is a
// message-mode named pipe that any number of handles can open, and it is listed in the
// file that the stand-in device-setup library reads.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../shims/device_path.h"

namespace devsim {

// One output report as the device received it, with the performance counter at arrival.
struct Report {
  std::vector<uint8_t> bytes;
  int64_t qpc = 0;
};

// Returns the performance counter now.
int64_t Now();

// Returns the milliseconds between two performance counter readings.
double MillisBetween(int64_t from, int64_t to);

// The set of simulated devices of one process. Plug order is enumeration order.
class Simulator {
 public:
  // Starts with no device; `list_file` is the list that the device-setup stand-in reads.
  explicit Simulator(std::string list_file);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Plugs a new device and returns its number.
  int Plug(DeviceIds ids);
  // Unplugs a device: it leaves the list and every open handle on it breaks.
  void Unplug(int dev);
  // Delivers one input report to every handle open on the device.
  void SendReport(int dev, const std::vector<uint8_t>& bytes);
  // Delivers the input report 00 b0 b1 b2 b3 of a little-endian value.
  void SendValue(int dev, int32_t value);
  // While stalled the device takes no output report, so a writer blocks.
  void SetStall(int dev, bool stalled);
  // While held, another program has the device open without sharing: opens for reading and
  // writing fail (the stand-in hid.dll refuses them), query-only opens work.
  void SetHeld(int dev, bool held);
  // In echo mode each output report is answered with the value of its payload bytes 1 to 4.
  void SetEcho(bool on);

  // Returns the output reports received so far.
  std::vector<Report> Reports(int dev);
  // Waits until the device has received at least `count` reports; false on timeout.
  bool WaitReports(int dev, size_t count, DWORD timeout_ms);
  // Returns the number of handles currently open on the device.
  int OpenHandles(int dev);
  // Returns the number of opens of the device so far (query-only probes included).
  int Opens(int dev);
  // Returns the number of HID interface enumerations made against this simulator's list.
  int Enumerations();
  // Returns the device's path.
  std::string PathOf(int dev);
  // Returns the list file.
  const std::string& ListFile() const { return list_file_; }

 private:
  struct Instance;
  struct Device;

  void Listen(Device* d);
  void Serve(Device* d, Instance* in);
  void SendLocked(Device* d, const uint8_t* bytes, DWORD size);
  void WriteListLocked();
  void WriteHeldLocked();
  Device* DeviceOf(int dev);

  std::string list_file_;
  std::string tag_;
  std::mutex mu_;
  std::condition_variable cv_;
  bool echo_ = false;
  std::vector<std::unique_ptr<Device>> devices_;
};

}  // namespace devsim
