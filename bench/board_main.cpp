// The real-stack figures, on the test board in its prefix (Wine's own SetupAPI, hid.dll and
// hidclass): input report to ReceiveField and click to output report at the board, for the
// program and for the floor window on the same board; re-plug to working again; arrival and
// removal to the status line, against one read of the status line. Prints one line per
// figure, NAME key=value ...
//   bench_board PROGRAM.exe FLOOR.exe REPORTS CLICKS REPLUGS
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "board_client.h"
#include "driver/app_process.h"
#include "driver/gui_driver.h"
#include "measure.h"

namespace {

using bench::Quantile;

// Input report to field and click to report at the board; prints LATENCY who=...
void Latencies(board::Board& b, HWND window, int button, int field_id, const char* who, int reports,
               int clicks) {
  HWND field = e2e::FindControl(window, field_id);
  std::vector<double> shown, sent;
  for (int i = 0; i < reports; ++i) {
    const int32_t value = 70000 + i;
    const int64_t t0 = bench::Now();
    if (!b.SendValue(value)) break;
    const int64_t t1 = bench::WaitShownText(field, std::to_string(value), 2000);
    if (t1 != 0) shown.push_back(bench::MillisBetween(t0, t1));
    Sleep(30);  // past the program's 20 ms pause after each report: its read waits again
  }
  HWND press = e2e::FindControl(window, button);
  for (int i = 0; i < clicks; ++i) {
    const size_t before = b.Received().size();
    const int64_t t0 = bench::Now();
    e2e::Press(press);
    int64_t t1 = 0;
    while (t1 == 0 && bench::MillisBetween(t0, bench::Now()) < 2000) {
      if (b.Received().size() > before) t1 = bench::Now();
    }
    if (t1 != 0) sent.push_back(bench::MillisBetween(t0, t1));
    Sleep(30);
  }
  std::printf(
      "LATENCY who=%s input_p50=%.2f input_p99=%.2f input_n=%zu click_p50=%.2f click_p99=%.2f "
      "click_n=%zu\n",
      who, Quantile(shown, 0.5), Quantile(shown, 0.99), shown.size(), Quantile(sent, 0.5),
      Quantile(sent, 0.99), sent.size());
}

// Re-plug (0 or 50 ms away) to the first Text report reaching the board, pressed every 20 ms
// while the status says "Discovered device"; then arrival and removal to the status line.
void Presence(board::Board& b, const e2e::AppProcess& app, HWND window, int replugs) {
  HWND status = e2e::FindControl(window, 0);
  HWND text = e2e::FindControl(window, 1);
  std::vector<double> back, arrival, removal;
  for (int i = 0; i < replugs; ++i) {
    b.Reset();
    b.Unplug();
    Sleep(i % 2 == 0 ? 0 : 50);
    b.Plug();
    const int64_t t0 = bench::Now();
    while (bench::MillisBetween(t0, bench::Now()) < 2000) {
      if (bench::QuickText(status) == "Discovered device") e2e::Press(text);
      if (b.WaitReceived(1, 20)) {
        back.push_back(bench::MillisBetween(t0, bench::Now()));
        break;
      }
      HWND box = e2e::FindMessageBox(app.pid(), 0);
      if (box != nullptr) e2e::DismissMessageBox(box, 2000);
    }
    Sleep(600 + 37 * (i % 7));  // the next round at another timer phase
  }
  for (int i = 0; i < replugs; ++i) {
    int64_t t0 = bench::Now();
    b.Unplug();
    int64_t t1 = bench::WaitShownText(status, "No HID device", 2000);
    if (t1 != 0) removal.push_back(bench::MillisBetween(t0, t1));
    Sleep(100 + 37 * (i % 7));
    t0 = bench::Now();
    b.Plug();
    t1 = bench::WaitShownText(status, "Discovered device", 2000);
    if (t1 != 0) arrival.push_back(bench::MillisBetween(t0, t1));
    Sleep(100 + 37 * (i % 7));
  }
  // The floor of the status figures: one read of the status line, as the loops above read it.
  std::vector<double> reads;
  for (int i = 0; i < 50; ++i) {
    const int64_t t = bench::Now();
    bench::QuickText(status);
    reads.push_back(bench::MillisBetween(t, bench::Now()));
  }
  std::printf("STATUS_READ p50_ms=%.3f\n", Quantile(reads, 0.5));
  std::printf("REPLUG p50_ms=%.1f max_ms=%.1f count=%zu asked=%d\n", Quantile(back, 0.5),
              Quantile(back, 1), back.size(), replugs);
  std::printf(
      "NOTICE arrival_p50_ms=%.1f arrival_max_ms=%.1f removal_p50_ms=%.1f "
      "removal_max_ms=%.1f count=%zu\n",
      Quantile(arrival, 0.5), Quantile(arrival, 1), Quantile(removal, 0.5), Quantile(removal, 1),
      arrival.size() + removal.size());
}

// Starts the floor window on the board's path; returns its window, or null.
HWND StartFloor(const std::string& floor, const std::string& path, PROCESS_INFORMATION* info) {
  std::string command = "\"" + e2e::WinePathOf(floor) + "\" " + path;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      info)) {
    return nullptr;
  }
  return e2e::FindMainWindow(info->dwProcessId, "FLOOR WINDOW", 15000);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: bench_board PROGRAM.exe FLOOR.exe REPORTS CLICKS REPLUGS\n");
    return 2;
  }
  const int reports = std::atoi(argv[3]), clicks = std::atoi(argv[4]), replugs = std::atoi(argv[5]);
  board::Board b;
  if (!b.ok() || !b.Reset() || !b.Plug() || board::WaitForBoardPath(5000).empty()) {
    std::fprintf(stderr, "bench_board: no test board\n");
    return 1;
  }
  {
    e2e::AppProcess app(argv[1]);
    HWND window = e2e::FindMainWindow(app.pid(), "QUILLOMATIC", 15000);
    if (window == nullptr ||
        !e2e::WaitForText(e2e::FindControl(window, 0), "Discovered device", 5000)) {
      std::fprintf(stderr, "bench_board: the program did not find the board\n");
      return 1;
    }
    Latencies(b, window, 1, 12, "program", reports, clicks);
    Presence(b, app, window, replugs);
  }
  b.Reset();
  b.Plug();
  PROCESS_INFORMATION info = {};
  HWND floor = StartFloor(argv[2], board::WaitForBoardPath(5000), &info);
  if (floor == nullptr) {
    std::fprintf(stderr, "bench_board: the floor window did not start\n");
    return 1;
  }
  Sleep(200);
  Latencies(b, floor, 1, 12, "floor", reports, clicks);
  TerminateProcess(info.hProcess, 0);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return 0;
}
