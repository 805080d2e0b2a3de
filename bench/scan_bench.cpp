// Cost of the presence check: FindHidDeviceWith over simulated device-setup services listing
// 0, 8, 32 and 256 HID interfaces of other devices, so that every scan walks the whole list.
// Two tables are timed: the test suite's simulated SetupAPI (which also records every call)
// and a lean table that does only what each operation must. After the Google Benchmark
// output, lines starting with "SCAN" give the median per size and a straight-line fit.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "hid/hid_lookup.h"
#include "fake_setupapi.h"

namespace {

constexpr uint16_t kVendor = 0xAAAA;
constexpr uint16_t kProduct = 0xEF22;
const int kSizes[] = {0, 8, 32, 256};

// Returns a device path in the platform's style for the interface at an index.
std::string PathOf(size_t index) {
  char number[8];
  std::snprintf(number, sizeof number, "%04u", static_cast<unsigned>(index % 10000));
  return std::string("\\\\?\\hid#vid_046d&pid_c52b&mi_01#7&2f1e5a3&0&") + number +
         "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

// The lean table's device list: paths and identifiers only.
struct LeanDevice {
  std::string path;
  uint16_t vendor, product, version;
};
std::vector<LeanDevice> g_lean;

// Fills in the HID class GUID.
void LeanGuid(HidGuid* guid) {
  guid->Data1 = 0x4D1E55B2;
}
// Returns a fixed set handle.
intptr_t LeanClassDevs(const HidGuid*, uint32_t) {
  return 1;
}
// Reports an interface at every index below the list's length.
intptr_t LeanEnum(intptr_t, const HidGuid*, uint32_t index, DeviceInterfaceData* data) {
  if (index >= g_lean.size()) return 0;
  data->Reserved = index;
  return 1;
}
// Answers the size query, or copies the path after the record's size word.
intptr_t LeanDetail(intptr_t, DeviceInterfaceData* data, void* detail, uint32_t size,
                    uint32_t* required) {
  const std::string& path = g_lean[data->Reserved].path;
  const uint32_t need = static_cast<uint32_t>(4 + path.size() + 1);
  if (detail == nullptr) {
    *required = need;
    return 0;
  }
  if (size < need) return 0;
  std::memcpy(static_cast<char*>(detail) + 4, path.c_str(), path.size() + 1);
  return 1;
}
// Opens an interface: the handle is its index plus one, read from the path's number field.
intptr_t LeanCreate(const char* path, uint32_t, uint32_t, bool, uint32_t, uint32_t) {
  const char* hash = std::strrchr(path, '#');
  if (hash == nullptr || hash - path < 5) return -1;
  return std::strtol(hash - 4, nullptr, 10) + 1;
}
// Fills in the identifiers of an open interface.
intptr_t LeanAttributes(intptr_t handle, HiddAttributes* attributes) {
  const LeanDevice& d = g_lean[static_cast<size_t>(handle - 1)];
  attributes->VendorID = d.vendor;
  attributes->ProductID = d.product;
  attributes->VersionNumber = d.version;
  return 1;
}
// Closes a handle.
intptr_t LeanClose(intptr_t) {
  return 1;
}
// Frees the set.
intptr_t LeanDestroy(intptr_t) {
  return 1;
}
// Reports no error: the lean table's opens do not fail.
uint32_t LeanLastError() {
  return 0;
}

// Returns the lean platform table.
HidPlatform LeanPlatform() {
  return {LeanGuid,  LeanClassDevs, LeanEnum,      LeanDetail, LeanCreate, LeanAttributes,
          LeanClose, LeanDestroy,   LeanLastError, 5,          nullptr};
}

// Times scans over the lean table with state.range(0) interfaces of another device.
void BM_ScanLean(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  g_lean.clear();
  for (size_t i = 0; i < n; ++i) g_lean.push_back({PathOf(i), 0x046D, 0xC52B, 0x1201});
  const HidPlatform platform = LeanPlatform();
  for (auto _ : state) {
    benchmark::DoNotOptimize(FindHidDeviceWith(platform, kProduct, kVendor, HID_ANY_VERSION));
  }
  state.SetComplexityN(state.range(0));
}

// Times scans over the test suite's simulated SetupAPI; its call records are cleared on
// every pass so that they do not grow.
void BM_ScanFake(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  FakeSetupApi fake;
  for (size_t i = 0; i < n; ++i) {
    FakeInterface device;
    device.path = PathOf(i);
    device.vendor = 0x046D;
    device.product = 0xC52B;
    fake.interfaces.push_back(device);
  }
  UseFakeSetupApi(&fake);
  const HidPlatform platform = FakeHidPlatform();
  for (auto _ : state) {
    fake.calls.clear();
    fake.creates.clear();
    fake.destroyed.clear();
    fake.path_queries.clear();
    benchmark::DoNotOptimize(FindHidDeviceWith(platform, kProduct, kVendor, HID_ANY_VERSION));
  }
  if (fake.bad_closes != 0 || !fake.open_handles.empty()) state.SkipWithError("handle leak");
  state.SetComplexityN(state.range(0));
}

// Registers a benchmark over the sizes, with repetitions whose median is taken.
void Register(const char* name, void (*fn)(benchmark::State&)) {
  auto* b = benchmark::RegisterBenchmark(name, fn);
  for (int n : kSizes) b->Arg(n);
  b->Repetitions(7)->MinTime(0.05)->Unit(benchmark::kNanosecond);
}

// Prints the usual console table and keeps every repetition's CPU time per scan (CPU time,
// not wall time, so that other work on the machine does not count).
class Collector : public benchmark::ConsoleReporter {
 public:
  Collector() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
      const std::string family = r.run_name.function_name;
      times_[family][r.complexity_n].push_back(r.GetAdjustedCPUTime());
    }
  }
  std::map<std::string, std::map<int64_t, std::vector<double>>> times_;
};

// Returns the median of a list.
double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t m = v.size() / 2;
  return v.size() % 2 != 0 ? v[m] : (v[m - 1] + v[m]) / 2;
}

// Prints each size's median and the least-squares line through the medians.
void PrintSummary(const Collector& c) {
  for (const auto& [family, by_n] : c.times_) {
    std::vector<double> xs, ys;
    for (const auto& [n, times] : by_n) {
      const double med = Median(times);
      std::printf("SCAN %s n=%lld median_cpu_ns=%.1f runs=%zu\n", family.c_str(),
                  static_cast<long long>(n), med, times.size());
      xs.push_back(static_cast<double>(n));
      ys.push_back(med);
    }
    const double k = static_cast<double>(xs.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < xs.size(); ++i) {
      sx += xs[i];
      sy += ys[i];
      sxx += xs[i] * xs[i];
      sxy += xs[i] * ys[i];
    }
    const double slope = (k * sxy - sx * sy) / (k * sxx - sx * sx);
    const double intercept = (sy - slope * sx) / k;
    std::printf("SCANFIT %s per_interface_ns=%.1f fixed_ns=%.1f", family.c_str(), slope, intercept);
    // The cost per interface between neighbouring sizes: equal steps mean a straight line.
    for (size_t i = 1; i < xs.size(); ++i) {
      std::printf(" step_%g_%g=%.1f", xs[i - 1], xs[i], (ys[i] - ys[i - 1]) / (xs[i] - xs[i - 1]));
    }
    std::printf("\n");
  }
}

}  // namespace

// Runs the scan benchmarks and prints the summary lines.
int main(int argc, char** argv) {
  Register("ScanLean", BM_ScanLean);
  Register("ScanFake", BM_ScanFake);
  benchmark::Initialize(&argc, argv);
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();
  std::cout.flush();
  PrintSummary(collector);
  return 0;
}
