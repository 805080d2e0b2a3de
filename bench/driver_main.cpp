// The measuring driver, run under wine64: start-up in a prefix without a device of ours; idle
// cost and a burst of input reports in the test board's prefix (tests/board), the board
// plugged. It starts the programs and watches their windows from outside, and prints one line
// per figure ("KEY name=value ...") for scripts/bench to collect.
//   bench_driver startup RUNS PROGRAM.exe BASELINE.exe FLOOR.exe CONTROLS_FLOOR.exe
// Start-up also reads each start's marks (startup_trace.h) and prints each program's steps.
//   bench_driver device PROGRAM.exe BASELINE.exe IDLE_S BURST_S
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "board_client.h"
#include "driver/app_process.h"
#include "driver/gui_driver.h"
#include "measure.h"
#include "startup_trace.h"

namespace {

using bench::Median;
using bench::MillisBetween;
using bench::Now;
using bench::QuickText;
using bench::WaitShownText;
using e2e::AppProcess;

constexpr const char* kTitle = "QUILLOMATIC";
constexpr const char* kBaselineTitle = "EMPTY WINDOW";
constexpr const char* kFloorTitle = "STARTUP FLOOR";
constexpr const char* kControlsTitle = "CONTROLS FLOOR";
constexpr int kGadgets = 15;  // 14 numbered gadgets and the frame
constexpr int kStatusLabel = 0;
constexpr int kReceiveField = 12;
constexpr DWORD kStartTimeoutMs = 20000;

// Returns the number of visible children of a window.
int VisibleChildren(HWND w) {
  int n = 0;
  for (HWND c : e2e::ChildrenOf(w)) n += IsWindowVisible(c) ? 1 : 0;
  return n;
}

// Polls every millisecond until the process shows its titled window with `children` visible
// children; returns the window, or null on timeout. *ms gets the time since `start`.
HWND WaitVisible(DWORD pid, const char* title, int children, int64_t start, double* ms) {
  const ULONGLONG end = GetTickCount64() + kStartTimeoutMs;
  while (GetTickCount64() < end) {
    HWND w = e2e::FindMainWindow(pid, title, 0);
    if (w != nullptr && VisibleChildren(w) >= children) {
      *ms = MillisBetween(start, Now());
      return w;
    }
    Sleep(1);
  }
  return nullptr;
}

// Returns a handle for reading another process's times and memory counters.
HANDLE OpenForQuery(DWORD pid) {
  return OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, pid);
}

// Returns the process's kernel plus user time in milliseconds.
double CpuMillis(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  auto ticks = [](const FILETIME& f) {
    return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// Returns the summed kernel plus user time of the process's threads in milliseconds.
// NOTE: Wine answers GetProcessTimes for another process with an estimate; the times of each
// thread come from the host's own accounting.
double ThreadCpuMillis(DWORD pid) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 te = {};
  te.dwSize = sizeof te;
  uint64_t total = 0;
  for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te)) {
    if (te.th32OwnerProcessID != pid) continue;
    HANDLE t = OpenThread(THREAD_QUERY_INFORMATION, FALSE, te.th32ThreadID);
    if (t == nullptr) continue;
    FILETIME created, exited, kernel, user;
    if (GetThreadTimes(t, &created, &exited, &kernel, &user)) {
      total += (static_cast<uint64_t>(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime) +
               (static_cast<uint64_t>(user.dwHighDateTime) << 32 | user.dwLowDateTime);
    }
    CloseHandle(t);
  }
  CloseHandle(snap);
  return static_cast<double>(total) / 10000.0;
}

// Returns the process's memory counters (zeros when they cannot be read).
PROCESS_MEMORY_COUNTERS MemoryOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS pmc = {};
  pmc.cb = sizeof pmc;
  if (!GetProcessMemoryInfo(process, &pmc, sizeof pmc)) pmc = {};
  return pmc;
}

// The page that the started programs mark their start-up steps in (startup_trace.h).
StartupTrace* g_trace = nullptr;

// Makes the shared page and names it to the programs that this driver starts.
void ShareTracePage() {
  const std::string name = "QuillStartupTrace" + std::to_string(GetCurrentProcessId());
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(StartupTrace), name.c_str());
  if (mapping == nullptr) return;
  g_trace = static_cast<StartupTrace*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
  if (g_trace != nullptr) SetEnvironmentVariableA(kStartupTraceVariable, name.c_str());
}

// One start's steps in the order marked: each one's milliseconds since the mark before it (the
// first, "entry", since the driver's start of the process), then "seen": from the "shown" mark
// to the driver's first sight of the complete window (negative when seen before ShowWindow
// returned).
using Steps = std::vector<std::pair<std::string, double>>;

// Waits (up to 5 s) for the "ready" mark and returns the steps of the start; empty without it.
Steps ReadSteps(int64_t start, int64_t seen) {
  Steps steps;
  if (g_trace == nullptr) return steps;
  const ULONGLONG end = GetTickCount64() + 5000;
  auto ready = [] {
    const LONG n = g_trace->count;
    return n > 0 && lstrcmpA(g_trace->marks[n - 1].step, "ready") == 0;
  };
  while (!ready() && GetTickCount64() < end) Sleep(1);
  if (!ready()) return steps;
  int64_t before = start, shown = 0;
  for (LONG i = 0; i < g_trace->count; ++i) {
    const StartupMark& mark = g_trace->marks[i];
    steps.emplace_back(std::string(mark.step, strnlen(mark.step, kStartupStepName)),
                       MillisBetween(before, mark.counter));
    if (steps.back().first == "shown") shown = mark.counter;
    before = mark.counter;
  }
  if (shown != 0) steps.emplace_back("seen", MillisBetween(shown, seen));
  return steps;
}

// Starts a program and times it to its visible window; -1 when the window never showed. The
// start's steps go to *steps.
double TimeStart(const std::string& exe, const char* title, int children, Steps* steps) {
  if (g_trace != nullptr) ZeroMemory(g_trace, sizeof *g_trace);
  const int64_t start = Now();
  AppProcess app(exe);
  if (!app.started()) return -1;
  double ms = -1;
  if (WaitVisible(app.pid(), title, children, start, &ms) == nullptr) return -1;
  const int64_t seen = Now();
  *steps = ReadSteps(start, seen);
  return ms;
}

// The steps of many starts of one program: each step's times, in the order first marked.
struct StepTimes {
  std::vector<std::string> order;
  std::map<std::string, std::vector<double>> times;
  void Add(const Steps& steps) {
    for (const auto& [name, ms] : steps) {
      if (times.count(name) == 0) order.push_back(name);
      times[name].push_back(ms);
    }
  }
};

// Prints one start's steps (STARTUP_RUN_STEPS run=N who=WHO loaded=MS entry=MS ...) and adds
// them to the program's.
void Record(int run, const char* who, const Steps& steps, StepTimes* all) {
  std::printf("STARTUP_RUN_STEPS run=%d who=%s", run, who);
  for (const auto& [name, ms] : steps) std::printf(" %s=%.1f", name.c_str(), ms);
  std::printf("\n");
  all->Add(steps);
}

// Prints the median of each step: STARTUP_STEPS who=WHO loaded=MS entry=MS ...
void PrintSteps(const char* who, const StepTimes& steps) {
  std::printf("STARTUP_STEPS who=%s", who);
  for (const std::string& name : steps.order) {
    std::printf(" %s=%.1f", name.c_str(), Median(steps.times.at(name)));
  }
  std::printf("\n");
}

// Start to visible window: the program, the start-up floor, the same-controls floor and the
// empty window in turn, after one unrecorded start of each.
int Startup(int runs, const std::string& exe, const std::string& baseline, const std::string& floor,
            const std::string& controls) {
  ShareTracePage();
  Steps steps;
  TimeStart(exe, kTitle, kGadgets, &steps);
  TimeStart(floor, kFloorTitle, 0, &steps);
  TimeStart(controls, kControlsTitle, kGadgets, &steps);
  TimeStart(baseline, kBaselineTitle, 0, &steps);
  std::vector<double> quill, floors, same, empty;
  StepTimes quill_steps, floor_steps, same_steps, empty_steps;
  for (int i = 0; i < runs; ++i) {
    quill.push_back(TimeStart(exe, kTitle, kGadgets, &steps));
    Record(i + 1, "program", steps, &quill_steps);
    floors.push_back(TimeStart(floor, kFloorTitle, 0, &steps));
    Record(i + 1, "floor", steps, &floor_steps);
    same.push_back(TimeStart(controls, kControlsTitle, kGadgets, &steps));
    Record(i + 1, "controls_floor", steps, &same_steps);
    empty.push_back(TimeStart(baseline, kBaselineTitle, 0, &steps));
    Record(i + 1, "baseline", steps, &empty_steps);
    std::printf(
        "STARTUP_RUN run=%d program_ms=%.1f floor_ms=%.1f controls_floor_ms=%.1f "
        "baseline_ms=%.1f\n",
        i + 1, quill.back(), floors.back(), same.back(), empty.back());
    std::fflush(stdout);
  }
  int failed = 0;
  for (const std::vector<double>* times : {&quill, &floors, &same, &empty}) {
    failed += static_cast<int>(std::count(times->begin(), times->end(), -1.0));
  }
  const double q = Median(quill), f = Median(floors), c = Median(same), e = Median(empty);
  std::printf(
      "STARTUP runs=%d program_ms=%.1f floor_ms=%.1f controls_floor_ms=%.1f baseline_ms=%.1f "
      "floor_ratio=%.2f controls_ratio=%.2f ratio=%.2f failed=%d\n",
      runs, q, f, c, e, f > 0 ? q / f : 0, c > 0 ? q / c : 0, e > 0 ? q / e : 0, failed);
  PrintSteps("program", quill_steps);
  PrintSteps("controls_floor", same_steps);
  PrintSteps("floor", floor_steps);
  PrintSteps("baseline", empty_steps);
  return failed == 0 ? 0 : 1;
}

// A started program with its window, the gadgets the measurements use and a query handle.
struct Running {
  std::unique_ptr<AppProcess> app;
  HWND main = nullptr;
  HWND field = nullptr;
  HANDLE query = nullptr;
  // Closes the query handle; the process ends with its AppProcess.
  ~Running() {
    if (query != nullptr) CloseHandle(query);
  }
};

// Starts a program and waits for its titled window with `children` visible children.
bool Launch(const std::string& exe, const char* title, int children, Running* r) {
  r->app = std::make_unique<AppProcess>(exe);
  if (!r->app->started()) return false;
  double ms = 0;
  r->main = WaitVisible(r->app->pid(), title, children, Now(), &ms);
  if (r->main == nullptr) return false;
  r->field = e2e::FindControl(r->main, kReceiveField);
  r->query = OpenForQuery(r->app->pid());
  return r->query != nullptr;
}

// Prints a process's memory counters under a key.
void PrintMemory(const char* key, HANDLE process) {
  const PROCESS_MEMORY_COUNTERS pmc = MemoryOf(process);
  std::printf("%s peak_ws_kb=%zu ws_kb=%zu private_kb=%zu\n", key,
              static_cast<size_t>(pmc.PeakWorkingSetSize / 1024),
              static_cast<size_t>(pmc.WorkingSetSize / 1024),
              static_cast<size_t>(pmc.PagefileUsage / 1024));
}

// Burst: 1000 reports a second. The values count up, so every display of a new report changes
// the field's text; the driver counts the changes while it sends (each text stays at least one
// 20 ms pass, far longer than the driver's 1 ms round).
void Burst(board::Board& board, const Running& r, int burst_s) {
  const int total = burst_s * 1000;
  const int32_t base = 5000000;
  board.SendValue(base);
  WaitShownText(r.field, std::to_string(base), 2000);
  Sleep(100);
  const int64_t b0 = Now();
  int sent = 0;
  long shown = 0;
  std::string on_show = std::to_string(base);
  while (sent < total) {
    const int due = std::min<int>(total, static_cast<int>(MillisBetween(b0, Now())) + 1);
    for (; sent < due; ++sent) board.SendValue(base + 1 + sent);
    const std::string now_shown = QuickText(r.field);
    if (now_shown != on_show) {
      ++shown;
      on_show = now_shown;
    }
    Sleep(1);
  }
  const double send_ms = MillisBetween(b0, Now());
  const int64_t last_seen = WaitShownText(r.field, std::to_string(base + total), 120000);
  const bool alive = WaitForSingleObject(r.query, 0) == WAIT_TIMEOUT && e2e::Answers(r.main, 2000);
  std::printf(
      "BURST sent=%d send_ms=%.0f shown_during=%ld shown_per_s=%.1f last_shown=%d "
      "last_after_ms=%.0f alive=%d\n",
      total, send_ms, shown, 1000.0 * static_cast<double>(shown) / send_ms, last_seen != 0 ? 1 : 0,
      last_seen != 0 ? MillisBetween(b0, last_seen) - send_ms : -1, alive ? 1 : 0);
  std::fflush(stdout);
}

// Idle CPU and memory beside the baseline, then the burst, on the test board.
int Device(const std::string& exe, const std::string& baseline, int idle_s, int burst_s) {
  board::Board board;
  if (!board.ok() || !board.Reset() || !board.Plug() || board::WaitForBoardPath(5000).empty()) {
    std::printf("DEVICE error=no-board\n");
    return 1;
  }
  Running quill, empty;
  if (!Launch(exe, kTitle, kGadgets, &quill)) {
    std::printf("DEVICE error=no-window\n");
    return 1;
  }
  HWND status = e2e::FindControl(quill.main, kStatusLabel);
  if (!e2e::WaitForText(status, "Discovered device", 5000)) {
    std::printf("DEVICE error=not-discovered status=\"%s\"\n", QuickText(status).c_str());
    return 1;
  }
  // Idle: the board attached and silent, the presence timer running; the baseline idles
  // beside it over the same seconds.
  const bool have_empty = Launch(baseline, kBaselineTitle, 0, &empty);
  Sleep(1000);
  const DWORD qp = quill.app->pid(), ep = have_empty ? empty.app->pid() : 0;
  const double q0 = CpuMillis(quill.query), e0 = have_empty ? CpuMillis(empty.query) : 0;
  const double qt0 = ThreadCpuMillis(qp), et0 = have_empty ? ThreadCpuMillis(ep) : 0;
  std::printf("IDLE_BEGIN\n");
  std::fflush(stdout);
  const int64_t t0 = Now();
  Sleep(static_cast<DWORD>(idle_s) * 1000);
  const double q1 = CpuMillis(quill.query), e1 = have_empty ? CpuMillis(empty.query) : 0;
  const double qt1 = ThreadCpuMillis(qp), et1 = have_empty ? ThreadCpuMillis(ep) : 0;
  const double wall = MillisBetween(t0, Now());
  std::printf("IDLE_END\n");
  std::printf(
      "IDLE wall_ms=%.0f process_cpu_ms=%.1f baseline_process_cpu_ms=%.1f thread_cpu_ms=%.1f "
      "baseline_thread_cpu_ms=%.1f\n",
      wall, q1 - q0, e1 - e0, qt1 - qt0, et1 - et0);
  PrintMemory("MEM", quill.query);
  if (have_empty) PrintMemory("BASELINE_MEM", empty.query);
  empty.app.reset();
  Burst(board, quill, burst_s);
  return 0;
}

}  // namespace

// Runs one measurement set chosen by the first argument.
int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "startup" && argc == 7) {
    return Startup(std::atoi(argv[2]), argv[3], argv[4], argv[5], argv[6]);
  }
  if (what == "device" && argc == 6) {
    return Device(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
  }
  std::fprintf(stderr,
               "usage: bench_driver startup RUNS PROGRAM BASELINE FLOOR CONTROLS_FLOOR\n"
               "       bench_driver device PROGRAM BASELINE IDLE_S BURST_S\n");
  return 2;
}
