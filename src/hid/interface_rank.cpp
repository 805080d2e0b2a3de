// The rank of a device's interfaces by how their framing fits the console's reports.
#include "hid/interface_rank.h"

namespace {

// Usage pages 0xFF00 to 0xFFFF are vendor-defined.
constexpr uint16_t FIRST_VENDOR_PAGE = 0xFF00;

// Returns the index of the first interface seen that `take` accepts, or -1.
template <typename Take>
int FirstSeen(const std::vector<SeenInterface>& seen, Take take) {
  for (size_t i = 0; i < seen.size(); ++i) {
    if (take(seen[i])) return static_cast<int>(i);
  }
  return -1;
}

// True for an interface that opened and whose framing fits at least as `fit`.
bool OpenedWith(const SeenInterface& s, HidFit fit) {
  return s.opened && FitOf(s.framing) >= fit;
}

}  // namespace

// Returns how an interface's framing fits the console's reports.
HidFit FitOf(const HidFraming& framing) {
  if (framing.output_length == CONSOLE_OUTPUT_LENGTH &&
      framing.input_length == CONSOLE_INPUT_LENGTH && framing.output_report_ids == 0) {
    return HidFit::kConsole;
  }
  const bool room = framing.output_length >= CONSOLE_OUTPUT_LENGTH &&
                    framing.input_length >= CONSOLE_INPUT_LENGTH &&
                    framing.output_length <= MAX_REPORT_LENGTH &&
                    framing.input_length <= MAX_REPORT_LENGTH && framing.output_report_ids <= 1;
  return room ? HidFit::kRoom : HidFit::kNeither;
}

// Picks the interface to keep, in this order: the first that opened with the console's own
// framing; none while one with that framing is refused (it is waited for: no other interface
// stands in for it, so a board ends the same whichever of its interfaces came first); the
// first that opened with room for the console's reports, a vendor-defined usage page before
// others; the first that opened; else none.
InterfacePick PickInterface(const std::vector<SeenInterface>& seen) {
  const int console =
      FirstSeen(seen, [](const SeenInterface& s) { return OpenedWith(s, HidFit::kConsole); });
  if (console >= 0) return {console, HidChoice::kOpened};
  if (FirstSeen(seen, [](const SeenInterface& s) {
        return s.refused && FitOf(s.framing) == HidFit::kConsole;
      }) >= 0) {
    return {-1, HidChoice::kRefused};
  }
  const int vendor = FirstSeen(seen, [](const SeenInterface& s) {
    return OpenedWith(s, HidFit::kRoom) && s.framing.usage_page >= FIRST_VENDOR_PAGE;
  });
  if (vendor >= 0) return {vendor, HidChoice::kOpened};
  const int room =
      FirstSeen(seen, [](const SeenInterface& s) { return OpenedWith(s, HidFit::kRoom); });
  if (room >= 0) return {room, HidChoice::kOpened};
  const int opened = FirstSeen(seen, [](const SeenInterface& s) { return s.opened; });
  if (opened >= 0) return {opened, HidChoice::kOpened};
  if (FirstSeen(seen, [](const SeenInterface& s) { return s.refused; }) >= 0) {
    return {-1, HidChoice::kRefused};
  }
  return {-1, seen.empty() ? HidChoice::kNone : HidChoice::kFailed};
}
