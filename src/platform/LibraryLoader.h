// Run-time library loading, for the binding of the enclosure maker's library.
#pragma once

#include "platform/WinTypes.h"

namespace zolvan {

class LibraryLoader {
 public:
  virtual ModuleHandle GetModuleHandleA(const char* name) = 0;
  virtual ModuleHandle LoadLibraryA(const char* fileName) = 0;
  virtual void* GetProcAddress(ModuleHandle module, const char* name) = 0;

 protected:
  ~LibraryLoader() = default;
};

}  // namespace zolvan
