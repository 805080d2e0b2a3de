#include "measure.h"

#include <algorithm>

#include "driver/gui_driver.h"

namespace bench {

int64_t Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double MillisBetween(int64_t from, int64_t to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to - from) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Returns the value at quantile q (0..1) of a list, nearest rank.
double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  size_t rank = static_cast<size_t>(q * static_cast<double>(v.size()) + 0.999999);
  rank = std::clamp<size_t>(rank, 1, v.size());
  return v[rank - 1];
}

// Returns the median of a list: the middle value, or the mean of the two middle values.
double Median(const std::vector<double>& v) {
  if (v.empty()) return -1;
  std::vector<double> s = v;
  std::sort(s.begin(), s.end());
  const size_t m = s.size() / 2;
  return s.size() % 2 != 0 ? s[m] : (s[m - 1] + s[m]) / 2;
}

// Reads a short control text with one WM_GETTEXT, bounded in time.
std::string QuickText(HWND w) {
  char buf[64] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                           SMTO_ABORTIFHUNG, e2e::kMessageTimeoutMs, &copied)) {
    return std::string();
  }
  return std::string(buf, copied < sizeof buf ? copied : sizeof buf - 1);
}

// Polls the control's text until it shows `want` or the time is up.
int64_t WaitShownText(HWND w, const std::string& want, DWORD timeout_ms) {
  const int64_t start = Now();
  for (;;) {
    const std::string now = QuickText(w);
    const int64_t t = Now();
    if (now == want) return t;
    if (MillisBetween(start, t) > timeout_ms) return 0;
    while (MillisBetween(t, Now()) < 0.25) SwitchToThread();
  }
}

}  // namespace bench
