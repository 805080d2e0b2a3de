// What the measuring programs share: order statistics over lists of milliseconds, and quick
// reads of a control's text from outside the program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// Returns the performance counter now.
int64_t Now();
// Returns the milliseconds between two performance counter readings.
double MillisBetween(int64_t from, int64_t to);

// Returns the value at quantile q (0..1) of a list, nearest rank; -1 for an empty list.
double Quantile(std::vector<double> v, double q);
// Returns the median of a list; -1 for an empty list.
double Median(const std::vector<double>& v);
// Reads a short control text with a single WM_GETTEXT; the empty text when the owner does
// not answer in time.
std::string QuickText(HWND w);
// Waits until the control shows `want`, reading it every 250 microseconds; returns the
// counter reading at the first read that showed it, or 0 on timeout.
int64_t WaitShownText(HWND w, const std::string& want, DWORD timeout_ms);

}  // namespace bench
