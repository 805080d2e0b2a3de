// A small DLL with WINAPI functions for calls by name: many arguments, one argument, a counter.
#include <windows.h>

#include <cstdint>

namespace {
LONG Calls = 0;
}  // namespace

// Returns the sum of each argument times its position (1 to 20), so order errors show.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Sum20(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6, intptr_t a7,
          intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12, intptr_t a13,
          intptr_t a14, intptr_t a15, intptr_t a16, intptr_t a17, intptr_t a18, intptr_t a19,
          intptr_t a20) {
  InterlockedIncrement(&Calls);
  return a1 * 1 + a2 * 2 + a3 * 3 + a4 * 4 + a5 * 5 + a6 * 6 + a7 * 7 + a8 * 8 + a9 * 9 + a10 * 10 +
         a11 * 11 + a12 * 12 + a13 * 13 + a14 * 14 + a15 * 15 + a16 * 16 + a17 * 17 + a18 * 18 +
         a19 * 19 + a20 * 20;
}

// Returns its argument unchanged.
extern "C" __declspec(dllexport) intptr_t WINAPI Echo1(intptr_t value) {
  InterlockedIncrement(&Calls);
  return value;
}

// Returns how many times Sum20 and Echo1 have run.
extern "C" __declspec(dllexport) intptr_t WINAPI CallCount() {
  return Calls;
}
