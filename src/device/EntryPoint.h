// One entry point of the maker's library, bound at run time and called like a function.
#pragma once

#include <cstdint>

#include "device/BridgeApi.h"

#if defined(_WIN32) && defined(__i386__)
// Calls `function` with `count` 32-bit arguments and puts the stack back as it was before them
// afterwards, whichever side cleaned them up.
extern "C" int32_t zolvan_call_any_convention(const void* function, const uint32_t* arguments, uint32_t count);
#endif

namespace zolvan {

template <typename Signature>
class EntryPoint;

template <typename... Args>
class EntryPoint<int32_t(Args...)> {
 public:
  void Bind(void* address) { m_address = address; }
  void* Address() const { return m_address; }
  explicit operator bool() const { return m_address != nullptr; }

  int32_t operator()(Args... args) const {
#if defined(_WIN32) && defined(__i386__)
    // The maker's 32-bit library may leave the cleanup of the arguments to the caller or do it
    // itself; its convention is written down nowhere, so the call works with either.
    const uint32_t slots[] = {Slot(args)..., 0};
    return zolvan_call_any_convention(m_address, slots, sizeof...(Args));
#else
    return reinterpret_cast<int32_t(ZOLVAN_CDECL*)(Args...)>(m_address)(args...);
#endif
  }

 private:
#if defined(_WIN32) && defined(__i386__)
  // Each argument takes one 32-bit stack slot, as both conventions pass it.
  static uint32_t Slot(char c) { return static_cast<unsigned char>(c); }
  static uint32_t Slot(int32_t n) { return static_cast<uint32_t>(n); }
  template <typename T>
  static uint32_t Slot(T* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
  }
#endif

  void* m_address = nullptr;
};

}  // namespace zolvan
