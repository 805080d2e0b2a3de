// Calls by name checked, when compiling, against the argument counts of the SDK's prototypes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "hid/hid.h"

// Returns how many parameters a WINAPI function takes.
template <typename Result, typename... Parameters>
constexpr size_t ParameterCount(Result(WINAPI*)(Parameters...)) {
  return sizeof...(Parameters);
}

// Calls a function by name with exactly as many arguments as its SDK prototype declares.
// NOTE: a 32-bit WINAPI callee pops its own arguments, so a wrong count corrupts the stack
// there (and nowhere else).
template <typename Prototype, typename... Args>
intptr_t CallAsDeclared(int32_t library, const char* name, Args... args) {
  static_assert(ParameterCount(static_cast<Prototype*>(nullptr)) == sizeof...(Args),
                "argument count differs from the SDK prototype");
  return CallLibraryFunction(library, name, args...);
}

// Calls `function` by its own name in `library`, checked against its SDK prototype.
#define CALL_BY_NAME(library, function, ...) \
  CallAsDeclared<decltype(function)>(library, #function, __VA_ARGS__)
