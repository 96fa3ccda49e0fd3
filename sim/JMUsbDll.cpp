// A stand-in for the enclosure maker's JMUsbDll.dll, for tests and the demo. It plays the
// enclosure described in enclosure.txt beside it and reads that file again whenever it changes.
// Every call is appended to calls.txt beside it, one entry point's name a line.
// Built with SIM_OMIT_GROUP=n, the entry points of binding group n are exported under other names.
// Built with SIM_CALLEE_CLEANS, the entry points clean up their own arguments, as libraries
// declared with the usual Windows API convention do (only 32-bit code has two conventions);
// their export names stay plain (linked with --kill-at).
#include <windows.h>

#include <string>

#include "sim/Enclosure.h"

using namespace zolvan;

namespace {

HMODULE g_module = nullptr;
sim::Enclosure g_enclosure;
FILETIME g_loadedTime = {};
DWORD g_loadedSize = MAXDWORD;

std::string PathBeside(const char* name) {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
  std::string p(path, n);
  return p.substr(0, p.find_last_of("\\/") + 1) + name;
}

void Record(const char* entryPoint) {
  HANDLE file = CreateFileA(PathBeside("calls.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string line = std::string(entryPoint) + "\r\n";
  DWORD written = 0;
  WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
  CloseHandle(file);
}

sim::Enclosure& Current() {
  const std::string path = PathBeside("enclosure.txt");
  WIN32_FILE_ATTRIBUTE_DATA info = {};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) {
    g_enclosure = sim::Enclosure();
    g_loadedSize = MAXDWORD;
    return g_enclosure;
  }
  if (CompareFileTime(&info.ftLastWriteTime, &g_loadedTime) == 0 && info.nFileSizeLow == g_loadedSize)
    return g_enclosure;
  std::string text;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read) text.append(buffer, read);
    CloseHandle(file);
  }
  g_enclosure = sim::Enclosure::Parse(text);
  g_loadedTime = info.ftLastWriteTime;
  g_loadedSize = info.nFileSizeLow;
  return g_enclosure;
}

int32_t GetDriveListImpl(char* letters, int32_t capacity) { return Current().GetDriveList(letters, capacity); }
int32_t GetUsbIdListImpl(UsbIdText* ids, int32_t capacity) { return Current().GetUsbIdList(ids, capacity); }
int32_t ATACBExecuteImpl(char letter, AtacbBlock* block, uint8_t* data, int32_t length, int32_t) {
  return Current().ATACBExecute(letter, block, data, length);
}
int32_t ATACBExecuteExImpl() { return -1; }
int32_t GetAllDriveListImpl(char* letters, int32_t capacity) { return Current().GetAllDriveList(letters, capacity); }
int32_t GetAllDrivesHubImpl(char letter, char* hubId) { return Current().GetAllDrivesHub(letter, hubId); }
int32_t GetAllDrivesHubPortImpl(char letter, int32_t* port) { return Current().GetAllDrivesHubPort(letter, port); }
int32_t JMSafeRemoveImpl() { return -1; }
int32_t JMSafeRemoveExImpl() { return -1; }
int32_t JMGetChipInfoImpl(char letter, ChipInfo* info, int32_t size) { return Current().JMGetChipInfo(letter, info, size); }
int32_t JMInquiryImpl(char letter, InquiryData* data, int32_t size) { return Current().JMInquiry(letter, data, size); }

}  // namespace

#ifndef SIM_OMIT_GROUP
#define SIM_OMIT_GROUP 0
#endif
#define SIM_KEEP(name) name
#define SIM_HIDE(name) name##_omitted
#if SIM_OMIT_GROUP == 1
#define SIM_NAME_1 SIM_HIDE
#else
#define SIM_NAME_1 SIM_KEEP
#endif
#if SIM_OMIT_GROUP == 2
#define SIM_NAME_2 SIM_HIDE
#else
#define SIM_NAME_2 SIM_KEEP
#endif
#if SIM_OMIT_GROUP == 3
#define SIM_NAME_3 SIM_HIDE
#else
#define SIM_NAME_3 SIM_KEEP
#endif
#if SIM_OMIT_GROUP == 4
#define SIM_NAME_4 SIM_HIDE
#else
#define SIM_NAME_4 SIM_KEEP
#endif
#if SIM_OMIT_GROUP == 5
#define SIM_NAME_5 SIM_HIDE
#else
#define SIM_NAME_5 SIM_KEEP
#endif

#ifdef SIM_CALLEE_CLEANS
#define SIM_CONVENTION __stdcall
#else
#define SIM_CONVENTION ZOLVAN_CDECL
#endif

#define SIM_EXPORT(group, name, params, args)                                                       \
  extern "C" __declspec(dllexport) int32_t SIM_CONVENTION SIM_NAME_##group(name) params {         \
    Record(#name);                                                                                \
    return name##Impl args;                                                                       \
  }
ZOLVAN_BRIDGE_ENTRY_POINTS(SIM_EXPORT)

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}
