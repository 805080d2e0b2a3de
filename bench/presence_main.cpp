// The presence figures, run under wine64 in the rig's prefix against the real program: a
// re-plug inside one presence tick, device notices against the timer, notices about other
// devices, a device held by another program, a stalled device under many clicks, and what the
// presence check does to other HID interfaces while connected.
// Prints one line per figure ("KEY name=value ...") for scripts/bench.
//   bench_presence PROGRAM.exe REPLUGS STALL_CLICKS CONNECTED_S OTHERS HELD_S
#include <windows.h>
#include <dbt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/app_process.h"
#include "driver/gui_driver.h"
#include "measure.h"
#include "sim/device_sim.h"

namespace {

using bench::Quantile;
using bench::QuickText;
using bench::WaitShownText;

constexpr devsim::DeviceIds kQuill = {0xAAAA, 0xEF22, 0x0100};
constexpr devsim::DeviceIds kHeadset = {0x046D, 0x0A44, 0x0100};
constexpr int kStatusLabel = 0;
constexpr int kTextButton = 1;
constexpr int kHexButton = 11;
constexpr int kRowField = 4;
constexpr int kReceiveField = 12;
constexpr DWORD kStartTimeoutMs = 20000;
// The program's bound on one write; a stalled click costs at most this plus its cancel.
constexpr double kWriteBoundS = 1.2;

// Prints p50 and max of a list of milliseconds under a key.
void PrintSpread(const char* key, const std::vector<double>& ms, int asked) {
  std::printf("%s count=%zu asked=%d p50_ms=%.1f max_ms=%.1f\n", key, ms.size(), asked,
              Quantile(ms, 0.5), ms.empty() ? -1 : *std::max_element(ms.begin(), ms.end()));
  std::fflush(stdout);
}

// The program, started against a simulator with its window at hand.
struct Program {
  std::unique_ptr<e2e::AppProcess> app;
  HWND main = nullptr;
  HWND status = nullptr;
  HWND field = nullptr;
  HWND row = nullptr;
  HWND text = nullptr;
  HWND hex = nullptr;
};

// Starts the program and, unless told otherwise, waits until it shows the device found; false
// on failure.
bool Launch(const std::string& exe, const std::string& list, Program* p, bool found = true) {
  p->app = std::make_unique<e2e::AppProcess>(exe, list);
  if (!p->app->started()) return false;
  p->main = e2e::FindMainWindow(p->app->pid(), "QUILLOMATIC", kStartTimeoutMs);
  if (p->main == nullptr) return false;
  p->status = e2e::FindControl(p->main, kStatusLabel);
  p->field = e2e::FindControl(p->main, kReceiveField);
  p->row = e2e::FindControl(p->main, kRowField);
  p->text = e2e::FindControl(p->main, kTextButton);
  p->hex = e2e::FindControl(p->main, kHexButton);
  return !found || WaitShownText(p->status, "Discovered device", 5000) != 0;
}

// Returns a list file for the simulator, private to this run.
std::string ListFile() {
  CreateDirectoryA("C:\\quillsim", nullptr);
  return "C:\\quillsim\\bench-presence-" + std::to_string(GetCurrentProcessId()) + ".txt";
}

// Re-plug with a 0 or 50 ms gap, then press Text every 50 ms while the status line says
// "Discovered device", until the echo of this round's text shows: the time from the device
// coming back to both directions working again. A no-device box is closed at once.
void Replugs(const std::string& exe, int rounds) {
  const std::string list = ListFile();
  devsim::Simulator sim(list);
  sim.SetEcho(true);
  int dev = sim.Plug(kQuill);
  Program p;
  if (!Launch(exe, list, &p)) {
    std::printf("REPLUG error=no-start\n");
    return;
  }
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    char text[8];
    std::snprintf(text, sizeof text, "r%03d", i % 1000);
    e2e::WriteText(p.row, text);
    uint32_t echo = 0;
    std::memcpy(&echo, text, 4);
    const std::string want = std::to_string(static_cast<int32_t>(echo));
    sim.Unplug(dev);
    Sleep(i % 2 == 0 ? 0 : 50);
    dev = sim.Plug(kQuill);
    const int64_t back = devsim::Now();
    int64_t seen = 0;
    while (seen == 0 && devsim::MillisBetween(back, devsim::Now()) < 5000) {
      if (QuickText(p.status) == "Discovered device") e2e::Press(p.text);
      seen = WaitShownText(p.field, want, 50);
      // A press while the device was away shows the no-device box; the user closes it.
      HWND box = e2e::FindMessageBox(p.app->pid(), 0);
      if (box != nullptr) e2e::DismissMessageBox(box, 2000);
    }
    if (seen != 0) ms.push_back(devsim::MillisBetween(back, seen));
    std::printf("REPLUG_ROUND round=%d gap_ms=%d ms=%.1f status=\"%s\" field=\"%s\" box=%d\n", i,
                i % 2 == 0 ? 0 : 50, seen != 0 ? devsim::MillisBetween(back, seen) : -1.0,
                QuickText(p.status).c_str(), QuickText(p.field).c_str(),
                e2e::FindMessageBox(p.app->pid(), 0) != nullptr ? 1 : 0);
    Sleep(137 * (i % 4));  // re-plugs at different phases of the presence timer
  }
  PrintSpread("REPLUG", ms, rounds);
}

// Unplug and plug with and without a notice: the time to the status line's change.
void Notices(const std::string& exe, int rounds) {
  const std::string list = ListFile();
  devsim::Simulator sim(list);
  int dev = sim.Plug(kQuill);
  Program p;
  if (!Launch(exe, list, &p)) {
    std::printf("NOTICE error=no-start\n");
    return;
  }
  // The floor: one read of the status line, the driver's own share of every figure here.
  std::vector<double> reads;
  for (int i = 0; i < 50; ++i) {
    const int64_t t = devsim::Now();
    QuickText(p.status);
    reads.push_back(devsim::MillisBetween(t, devsim::Now()));
  }
  std::printf("STATUS_READ p50_ms=%.2f\n", Quantile(reads, 0.5));
  std::vector<double> by_notice, by_arrival, by_timer;
  for (int i = 0; i < rounds; ++i) {
    for (const bool notice : {true, false}) {
      Sleep(97 * (i % 5));  // at different phases of the presence timer
      const std::string held = sim.PathOf(dev);
      sim.Unplug(dev);
      int64_t t0 = devsim::Now();
      if (notice) e2e::SendDeviceNotice(p.main, DBT_DEVICEREMOVECOMPLETE, held);
      int64_t seen = WaitShownText(p.status, "No HID device", 3000);
      if (seen != 0) (notice ? by_notice : by_timer).push_back(devsim::MillisBetween(t0, seen));
      dev = sim.Plug(kQuill);
      t0 = devsim::Now();
      if (notice) e2e::SendDeviceNotice(p.main, DBT_DEVICEARRIVAL, sim.PathOf(dev));
      seen = WaitShownText(p.status, "Discovered device", 3000);
      if (seen != 0 && notice) {
        by_notice.push_back(devsim::MillisBetween(t0, seen));
        by_arrival.push_back(devsim::MillisBetween(t0, seen));
      }
    }
  }
  PrintSpread("NOTICE", by_notice, 2 * rounds);
  PrintSpread("ARRIVAL", by_arrival, rounds);
  PrintSpread("REMOVAL", by_timer, rounds);
}

// With the device absent, rounds of 20 notices (arrivals and removals) about other devices:
// the enumerations in each round against the timer's own (one per tick that can have fallen
// in the round).
void ForeignNotices(const std::string& exe, int rounds) {
  const std::string list = ListFile();
  devsim::Simulator sim(list);
  const int headset = sim.Plug(kHeadset);
  Program p;
  if (!Launch(exe, list, &p, false)) {
    std::printf("FOREIGN error=no-start\n");
    return;
  }
  Sleep(1000);
  int most_beyond = -1000, most = 0;
  for (int i = 0; i < rounds; ++i) {
    Sleep(89 * (i % 6));
    const int64_t t0 = devsim::Now();
    const int e0 = sim.Enumerations();
    for (int n = 0; n < 20; ++n) {
      e2e::SendDeviceNotice(p.main, n % 2 == 0 ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                            sim.PathOf(headset));
    }
    const int timer = static_cast<int>(devsim::MillisBetween(t0, devsim::Now()) / 500) + 1;
    const int enumerations = sim.Enumerations() - e0;
    most = std::max(most, enumerations);
    most_beyond = std::max(most_beyond, enumerations - timer);
  }
  std::printf("FOREIGN rounds=%d notices=20 most=%d most_beyond_timer=%d\n", rounds, most,
              most_beyond);
  std::fflush(stdout);
}

// The device held by another program (read-write opens refused) for a while: full scans per
// minute, status and handles; then released: the time until the status line shows it found.
void Held(const std::string& exe, int seconds) {
  const std::string list = ListFile();
  devsim::Simulator sim(list);
  const int dev = sim.Plug(kQuill);
  sim.SetHeld(dev, true);
  Program p;
  if (!Launch(exe, list, &p, false)) {
    std::printf("HELD error=no-start\n");
    return;
  }
  Sleep(1000);
  const int e0 = sim.Enumerations();
  const int64_t t0 = devsim::Now();
  Sleep(static_cast<DWORD>(seconds) * 1000);
  const double minutes = devsim::MillisBetween(t0, devsim::Now()) / 60000.0;
  const int enumerations = sim.Enumerations() - e0;
  const std::string status = QuickText(p.status);
  const int handles = sim.OpenHandles(dev);
  sim.SetHeld(dev, false);
  const int64_t freed = devsim::Now();
  const int64_t seen = WaitShownText(p.status, "Discovered device", 5000);
  std::printf("HELD seconds=%d scans_per_min=%.1f status=\"%s\" open_handles=%d found_ms=%.1f\n",
              seconds, enumerations / minutes, status.c_str(), handles,
              seen != 0 ? devsim::MillisBetween(freed, seen) : -1.0);
  std::fflush(stdout);
}

// A stalled device under many clicks, posted at once; the stall lasts until every click has
// met it. Prints the most threads seen beyond the count after start-up.
void Stall(const std::string& exe, int clicks) {
  const std::string list = ListFile();
  devsim::Simulator sim(list);
  const int dev = sim.Plug(kQuill);
  Program p;
  if (!Launch(exe, list, &p)) {
    std::printf("STALL error=no-start\n");
    return;
  }
  Sleep(1000);
  const int after_start = e2e::ThreadsOf(p.app->pid());
  const int opens0 = sim.Opens(dev), enumerations0 = sim.Enumerations();
  sim.SetStall(dev, true);
  Sleep(50);
  for (int i = 0; i < clicks; ++i) e2e::Press(p.text);
  int most = after_start;
  double slowest_answer_ms = 0;
  const int64_t began = devsim::Now();
  while (devsim::MillisBetween(began, devsim::Now()) < clicks * kWriteBoundS * 1000) {
    const int64_t asked = devsim::Now();
    const bool answered = e2e::Answers(p.main, e2e::kMessageTimeoutMs);
    slowest_answer_ms =
        std::max(slowest_answer_ms, answered ? devsim::MillisBetween(asked, devsim::Now()) : 1e9);
    most = std::max(most, e2e::ThreadsOf(p.app->pid()));
    Sleep(100);
  }
  const int opens = sim.Opens(dev) - opens0, enumerations = sim.Enumerations() - enumerations0;
  const size_t before = sim.Reports(dev).size();
  sim.SetStall(dev, false);
  e2e::Press(p.hex);
  const bool sent = sim.WaitReports(dev, before + 1, 5000);
  Sleep(500);
  const size_t late = sim.Reports(dev).size() - before - (sent ? 1 : 0);
  std::printf(
      "STALL clicks=%d after_start=%d most=%d beyond=%d slowest_answer_ms=%.1f "
      "clicks_sent_after_the_stall=%zu next_send_works=%d device_opens=%d enumerations=%d\n",
      clicks, after_start, most, most - after_start, slowest_answer_ms, late, sent ? 1 : 0, opens,
      enumerations);
  std::fflush(stdout);
}

// Connected for a while with other interfaces listed before the device: enumerations and
// opens of the others, per minute.
void Connected(const std::string& exe, int seconds, int others) {
  const std::string list = ListFile();
  devsim::Simulator sim(list);
  std::vector<int> other_devs;
  for (int i = 0; i < others; ++i) {
    other_devs.push_back(sim.Plug({0x1000, static_cast<uint16_t>(0x2000 + i), 0x0100}));
  }
  sim.Plug(kQuill);
  Program p;
  if (!Launch(exe, list, &p)) {
    std::printf("CONNECTED error=no-start\n");
    return;
  }
  Sleep(1000);
  auto other_opens = [&] {
    int n = 0;
    for (int d : other_devs) n += sim.Opens(d);
    return n;
  };
  const int e0 = sim.Enumerations(), o0 = other_opens();
  const int64_t t0 = devsim::Now();
  Sleep(static_cast<DWORD>(seconds) * 1000);
  const double minutes = devsim::MillisBetween(t0, devsim::Now()) / 60000.0;
  std::printf("CONNECTED seconds=%d others=%d enumerations_per_min=%.1f other_opens_per_min=%.1f\n",
              seconds, others, (sim.Enumerations() - e0) / minutes, (other_opens() - o0) / minutes);
  std::fflush(stdout);
}

}  // namespace

// Runs every presence measurement in turn.
int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr,
                 "usage: bench_presence PROGRAM.exe REPLUGS STALL_CLICKS CONNECTED_S OTHERS "
                 "HELD_S\n");
    return 2;
  }
  const std::string exe = argv[1];
  Replugs(exe, std::atoi(argv[2]));
  Notices(exe, std::atoi(argv[2]));
  ForeignNotices(exe, std::atoi(argv[2]));
  Held(exe, std::atoi(argv[6]));
  Connected(exe, std::atoi(argv[4]), std::atoi(argv[5]));
  Stall(exe, std::atoi(argv[3]));
  return 0;
}
