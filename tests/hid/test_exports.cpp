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

// ArgsN takes N arguments and returns their weighed sum (N = 0 to 20).
extern "C" __declspec(dllexport) intptr_t WINAPI Args0() {
  return Weigh({});
}
extern "C" __declspec(dllexport) intptr_t WINAPI Args1(intptr_t a1) {
  return Weigh({a1});
}
extern "C" __declspec(dllexport) intptr_t WINAPI Args2(intptr_t a1, intptr_t a2) {
  return Weigh({a1, a2});
}
extern "C" __declspec(dllexport) intptr_t WINAPI Args3(intptr_t a1, intptr_t a2, intptr_t a3) {
  return Weigh({a1, a2, a3});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args4(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4) {
  return Weigh({a1, a2, a3, a4});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args5(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5) {
  return Weigh({a1, a2, a3, a4, a5});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args6(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6) {
  return Weigh({a1, a2, a3, a4, a5, a6});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args7(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
          intptr_t a7) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args8(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6, intptr_t a7,
          intptr_t a8) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args9(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6, intptr_t a7,
          intptr_t a8, intptr_t a9) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args10(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args11(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args12(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args13(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args14(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args15(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14, intptr_t a15) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args16(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14, intptr_t a15, intptr_t a16) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args17(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14, intptr_t a15, intptr_t a16, intptr_t a17) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args18(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14, intptr_t a15, intptr_t a16, intptr_t a17, intptr_t a18) {
  return Weigh({a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17, a18});
}
extern "C" __declspec(dllexport) intptr_t WINAPI
    Args19(intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
           intptr_t a7, intptr_t a8, intptr_t a9, intptr_t a10, intptr_t a11, intptr_t a12,
           intptr_t a13, intptr_t a14, intptr_t a15, intptr_t a16, intptr_t a17, intptr_t a18,
           intptr_t a19) {
  return Weigh(
      {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17, a18, a19});
}
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
