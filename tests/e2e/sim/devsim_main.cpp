// The device simulator as a console program, driven by lines on standard input:
//   plug VID PID VER | unplug N | send N VALUE | stall N 0|1 | held N 0|1 | echo 0|1 |
//   reports N | quit
// Options: --echo (echo mode on), --device VID:PID:VER (plug one device at start).
// Numbers are hexadecimal for identifiers, decimal for values. Ends at quit or end of input.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "device_sim.h"

namespace {

// Parses "VID:PID:VER" in hexadecimal.
bool ParseIds(const std::string& text, devsim::DeviceIds* ids) {
  unsigned v = 0, p = 0, r = 0;
  if (std::sscanf(text.c_str(), "%x:%x:%x", &v, &p, &r) != 3) return false;
  *ids = {static_cast<uint16_t>(v), static_cast<uint16_t>(p), static_cast<uint16_t>(r)};
  return true;
}

// Prints a report as hex bytes after its arrival time in milliseconds since `start`.
void PrintReport(const devsim::Report& r, int64_t start) {
  std::printf("%.1f", devsim::MillisBetween(start, r.qpc));
  for (uint8_t b : r.bytes) std::printf(" %02X", b);
  std::printf("\n");
}

}  // namespace

// Runs the simulator until quit or end of input.
int main(int argc, char** argv) {
  const std::string list = devsim::DeviceListPath();
  const size_t slash = list.find_last_of('\\');
  if (slash != std::string::npos) CreateDirectoryA(list.substr(0, slash).c_str(), nullptr);
  devsim::Simulator sim(list);
  const int64_t start = devsim::Now();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    devsim::DeviceIds ids;
    if (arg == "--echo") {
      sim.SetEcho(true);
    } else if (arg == "--device" && i + 1 < argc && ParseIds(argv[i + 1], &ids)) {
      const int dev = sim.Plug(ids);
      std::printf("device %d %s\n", dev, sim.PathOf(dev).c_str());
      ++i;
    } else {
      std::fprintf(stderr, "devsim: unknown option %s\n", arg.c_str());
      return 2;
    }
  }
  std::fflush(stdout);
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string cmd;
    in >> cmd;
    int dev = -1;
    if (cmd == "quit") break;
    if (cmd == "plug") {
      std::string v, p, r;
      in >> v >> p >> r;
      devsim::DeviceIds ids;
      if (ParseIds(v + ":" + p + ":" + r, &ids)) {
        dev = sim.Plug(ids);
        std::printf("device %d %s\n", dev, sim.PathOf(dev).c_str());
      }
    } else if (cmd == "unplug" && in >> dev) {
      sim.Unplug(dev);
    } else if (cmd == "send" && in >> dev) {
      long long value = 0;
      in >> value;
      sim.SendValue(dev, static_cast<int32_t>(value));
    } else if (cmd == "stall" && in >> dev) {
      int on = 0;
      in >> on;
      sim.SetStall(dev, on != 0);
    } else if (cmd == "held" && in >> dev) {
      int on = 0;
      in >> on;
      sim.SetHeld(dev, on != 0);
    } else if (cmd == "echo") {
      int on = 0;
      in >> on;
      sim.SetEcho(on != 0);
    } else if (cmd == "reports" && in >> dev) {
      for (const devsim::Report& r : sim.Reports(dev)) PrintReport(r, start);
    }
    std::printf("ok\n");
    std::fflush(stdout);
  }
  return 0;
}
