#pragma once

#include "device/BridgeApi.h"
#include "device/EntryPoint.h"
#include "platform/LibraryLoader.h"

namespace zolvan {

// The library's module and entry points, bound once and never released.
struct BridgeLibrary {
  ModuleHandle module = nullptr;
#define ZOLVAN_X(group, name, params, args) EntryPoint<int32_t params> name;
  ZOLVAN_BRIDGE_ENTRY_POINTS(ZOLVAN_X)
#undef ZOLVAN_X
};

inline constexpr const char kLibraryLoadFailed[] = "DLL file loading fail!";

// Looks the entry points up group by group. Returns the message for the first incomplete group
// (or for a library that cannot be loaded), nullptr when everything is bound. Entry points of
// groups after an incomplete one are left null.
const char* BindBridgeLibrary(LibraryLoader& loader, BridgeLibrary& library);

}  // namespace zolvan
