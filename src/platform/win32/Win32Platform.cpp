#include "platform/win32/Win32Platform.h"

#include <commctrl.h>
#include <dbt.h>

namespace zolvan {

static_assert(win::kWmCreate == WM_CREATE);
static_assert(win::kWmPaint == WM_PAINT);
static_assert(win::kWmQueryDragIcon == WM_QUERYDRAGICON);
static_assert(win::kWmContextMenu == WM_CONTEXTMENU);
static_assert(win::kWmSetIcon == WM_SETICON);
static_assert(win::kWmInitDialog == WM_INITDIALOG);
static_assert(win::kWmCommand == WM_COMMAND);
static_assert(win::kWmSysCommand == WM_SYSCOMMAND);
static_assert(win::kWmTimer == WM_TIMER);
static_assert(win::kWmRButtonDown == WM_RBUTTONDOWN);
static_assert(win::kWmDeviceChange == WM_DEVICECHANGE);
static_assert(win::kWmUser == WM_USER);
static_assert(win::kDbtDeviceArrival == DBT_DEVICEARRIVAL);
static_assert(win::kDbtDeviceQueryRemove == DBT_DEVICEQUERYREMOVE);
static_assert(win::kDbtDeviceRemoveComplete == DBT_DEVICEREMOVECOMPLETE);
static_assert(win::kDbtDevNodesChanged == DBT_DEVNODES_CHANGED);
static_assert(win::kIconSmall == ICON_SMALL);
static_assert(win::kIconBig == ICON_BIG);
static_assert(win::kMfString == MF_STRING);
static_assert(win::kMfSeparator == MF_SEPARATOR);
static_assert(win::kSwHide == SW_HIDE);

void Win32Platform::InitCommonControls() { ::InitCommonControls(); }

void Win32Platform::SetDlgItemTextA(WindowHandle dialog, int controlId, const char* text) {
  ::SetDlgItemTextA(ToHwnd(dialog), controlId, text);
}

void Win32Platform::ShowWindow(WindowHandle window, int command) {
  ::ShowWindow(ToHwnd(window), command);
}

void Win32Platform::SetWindowIcon(WindowHandle window, uintptr_t size, IconHandle icon) {
  ::SendMessageA(ToHwnd(window), WM_SETICON, size, reinterpret_cast<LPARAM>(icon));
}

IconHandle Win32Platform::LoadIconA(int resourceId) {
  return reinterpret_cast<IconHandle>(::LoadIconA(m_instance, MAKEINTRESOURCEA(resourceId)));
}

std::string Win32Platform::LoadStringA(int resourceId) {
  char text[256];
  const int length = ::LoadStringA(m_instance, resourceId, text, sizeof text);
  return std::string(text, length > 0 ? length : 0);
}

MenuHandle Win32Platform::GetSystemMenu(WindowHandle window) {
  return reinterpret_cast<MenuHandle>(::GetSystemMenu(ToHwnd(window), FALSE));
}

void Win32Platform::AppendMenuA(MenuHandle menu, uint32_t flags, uintptr_t id, const char* text) {
  ::AppendMenuA(reinterpret_cast<HMENU>(menu), flags, id, text);
}

void Win32Platform::SetTimer(WindowHandle window, uintptr_t id, uint32_t periodMs) {
  ::SetTimer(ToHwnd(window), id, periodMs, nullptr);
}

void Win32Platform::KillTimer(WindowHandle window, uintptr_t id) { ::KillTimer(ToHwnd(window), id); }

void Win32Platform::Sleep(uint32_t ms) { ::Sleep(ms); }

ModuleHandle Win32Platform::GetModuleHandleA(const char* name) {
  return reinterpret_cast<ModuleHandle>(::GetModuleHandleA(name));
}

ModuleHandle Win32Platform::LoadLibraryA(const char* fileName) {
  return reinterpret_cast<ModuleHandle>(::LoadLibraryA(fileName));
}

void* Win32Platform::GetProcAddress(ModuleHandle module, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

}  // namespace zolvan
