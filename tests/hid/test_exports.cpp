// A small DLL with WINAPI functions for calls by name: 0 to 20 arguments, one argument, a
// counter.
#include <windows.h>

#include <cstdint>
#include <initializer_list>

namespace {

LONG Calls = 0;

// Returns the weighed sum of its arguments: each times its position (1 upward), so a lost,
// repeated or shifted argument changes it, plus 1,000,000 times their count.
intptr_t Weigh(std::initializer_list<intptr_t> args) {
  InterlockedIncrement(&Calls);
  intptr_t sum = static_cast<intptr_t>(args.size()) * 1000000;
  intptr_t position = 1;
  for (const intptr_t value : args) sum += value * position++;
  return sum;
}

}  // namespace

// Returns its argument unchanged.
extern "C" __declspec(dllexport) intptr_t WINAPI Echo1(intptr_t value) {
  InterlockedIncrement(&Calls);
  return value;
}

// Returns the weighed sum of its 0 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI Args0() {
  return Weigh({});
}
// Returns the weighed sum of its 1 argument.
extern "C" __declspec(dllexport) intptr_t WINAPI Args1(intptr_t a1) {
  return Weigh({a1});
}
// Returns the weighed sum of its 2 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI Args2(intptr_t a1, intptr_t a2) {
  return Weigh({a1, a2});
}
// Returns the weighed sum of its 3 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI Args3(intptr_t a1, intptr_t a2, intptr_t a3) {
  return Weigh({a1, a2, a3});
}
// Returns the weighed sum of its 4 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args4(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4) {
  return Weigh({a1, a2, a3, a4});
}
// Returns the weighed sum of its 5 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args5(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5) {
  return Weigh({a1, a2, a3, a4, a5});
}
// Returns the weighed sum of its 6 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args6(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6) {
  return Weigh({a1, a2, a3, a4, a5, a6});
}
// Returns the weighed sum of its 7 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args7(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
          intptr_t a7) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7});
}
// Returns the weighed sum of its 8 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args8(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6, intptr_t a7,
          intptr_t a8) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8});
}
// Returns the weighed sum of its 9 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args9(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6, intptr_t a7,
          intptr_t a8, intptr_t a9) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9});
}
// Returns the weighed sum of its 10 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args10(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10});
}
// Returns the weighed sum of its 11 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args11(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11});
}
// Returns the weighed sum of its 12 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args12(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12});
}
// Returns the weighed sum of its 13 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args13(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13});
}
// Returns the weighed sum of its 14 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args14(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14});
}
// Returns the weighed sum of its 15 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args15(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14, intptr_t a15) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15});
}
// Returns the weighed sum of its 16 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args16(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14, intptr_t a15, intptr_t a16) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16});
}
// Returns the weighed sum of its 17 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args17(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14, intptr_t a15, intptr_t a16, intptr_t a17) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17});
}
// Returns the weighed sum of its 18 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args18(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14, intptr_t a15, intptr_t a16, intptr_t a17, intptr_t a18) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17, a18});
}
// Returns the weighed sum of its 19 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args19(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14, intptr_t a15, intptr_t a16, intptr_t a17, intptr_t a18,
           intptr_t a19) {
  return Weigh(
      {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17, a18, a19});
}
// Returns the weighed sum of its 20 arguments.
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args20(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14, intptr_t a15, intptr_t a16, intptr_t a17, intptr_t a18,
           intptr_t a19, intptr_t a20) {
  return Weigh(
      {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17, a18, a19, a20});
}

// Returns how many times Echo1 and the ArgsN functions have run.
extern "C" __declspec(dllexport) intptr_t WINAPI CallCount() {
  return Calls;
}
