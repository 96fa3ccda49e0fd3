#include "device/BridgeLibrary.h"

#include <iterator>

namespace zolvan {

namespace {

constexpr const char* kGroupFailure[kBindingGroupCount] = {
    "\r\n JM33x DLL APIs function pointers get fail! \r\n",
    "\r\n Get Hub Instance ID DLL APIs function pointers get fail! \r\n",
    "\r\n JM33x  DLL APIs Safe Remove function pointers get fail! \r\n",
    "\r\n JM336 DLL APIs function pointers get fail! \r\n",
    "\r\n JM335 Ver. C DLL APIs function pointers get fail!\r\n ",
};

struct Lookup {
  int group;
  const char* name;
  void (*bind)(BridgeLibrary&, void*);
};

constexpr Lookup kLookups[] = {
#define ZOLVAN_X(group, name, params, args) \
  {group, #name, [](BridgeLibrary& l, void* p) { l.name.Bind(p); }},
    ZOLVAN_BRIDGE_ENTRY_POINTS(ZOLVAN_X)
#undef ZOLVAN_X
};

}  // namespace

const char* BindBridgeLibrary(LibraryLoader& loader, BridgeLibrary& library) {
  library.module = loader.GetModuleHandleA("JMUsbDll");
  if (!library.module) library.module = loader.LoadLibraryA("JMUsbDll.dll");
  if (!library.module) return kLibraryLoadFailed;

  const Lookup* entry = std::begin(kLookups);
  while (entry != std::end(kLookups)) {
    const int group = entry->group;
    bool complete = true;
    for (; entry != std::end(kLookups) && entry->group == group; ++entry) {
      void* address = loader.GetProcAddress(library.module, entry->name);
      entry->bind(library, address);
      complete = complete && address;
    }
    if (!complete) return kGroupFailure[group - 1];
  }
  return nullptr;
}

}  // namespace zolvan
