// Calls by name: an exported WINAPI function called with 0 to 20 pointer-sized arguments.
#include <windows.h>

#include <array>
#include <cstddef>
#include <utility>

#include "hid/hid.h"

namespace {

constexpr int32_t MAX_CALL_ARGUMENTS = 20;

template <size_t>
using Argument = intptr_t;

// Calls the function at `address` with the first sizeof...(I) arguments, in order.
// NOTE: the pointer type carries exactly that many parameters, so a 32-bit stdcall callee
// pops exactly what was pushed.
template <size_t... I>
intptr_t CallWithArguments(intptr_t address, const intptr_t* args, std::index_sequence<I...>) {
  using Function = intptr_t(WINAPI*)(Argument<I>...);
  return reinterpret_cast<Function>(address)(args[I]...);
}

// Calls the function at `address` with N arguments.
template <size_t N>
intptr_t CallWithCount(intptr_t address, const intptr_t* args) {
  return CallWithArguments(address, args, std::make_index_sequence<N>{});
}

using Caller = intptr_t (*)(intptr_t, const intptr_t*);

// Returns one caller per argument count, indexed by the count.
template <size_t... N>
constexpr std::array<Caller, sizeof...(N)> MakeCallers(std::index_sequence<N...>) {
  return {{&CallWithCount<N>...}};
}

constexpr std::array<Caller, MAX_CALL_ARGUMENTS + 1> Callers =
    MakeCallers(std::make_index_sequence<MAX_CALL_ARGUMENTS + 1>{});

}  // namespace

// Calls an exported function by name; returns its result, or 0 without a call when the
// function cannot be had or the argument count is out of range.
intptr_t CallLibraryFunctionN(int32_t library, const char* name, int32_t count,
                              const intptr_t* args) {
  if (count < 0 || count > MAX_CALL_ARGUMENTS || (count > 0 && args == nullptr)) return 0;
  const intptr_t address = GetLibraryFunction(library, name);
  if (address == 0) return 0;
  return Callers[static_cast<size_t>(count)](address, args);
}
