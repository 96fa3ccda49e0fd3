#include "platform/win32/Win32Platform.h"

#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace zolvan {

static_assert(win::kWmUser == WM_USER);
static_assert(win::kWmContextMenu == WM_CONTEXTMENU && win::kWmRButtonDown == WM_RBUTTONDOWN);
static_assert(win::kDbtDeviceArrival == DBT_DEVICEARRIVAL);
static_assert(win::kDbtDeviceRemoveComplete == DBT_DEVICEREMOVECOMPLETE);
static_assert(win::kPbtApmSuspend == PBT_APMSUSPEND && win::kPbtApmResumeSuspend == PBT_APMRESUMESUSPEND &&
              win::kPbtApmResumeAutomatic == PBT_APMRESUMEAUTOMATIC);
static_assert(win::kEndSessionCloseApp == ENDSESSION_CLOSEAPP && win::kEndSessionCritical == ENDSESSION_CRITICAL);
static_assert(win::kEsSystemRequired == ES_SYSTEM_REQUIRED && win::kEsContinuous == ES_CONTINUOUS);
static_assert(win::kErrorAccessDenied == ERROR_ACCESS_DENIED && win::kErrorAlreadyExists == ERROR_ALREADY_EXISTS);
static_assert(win::kIconSmall == ICON_SMALL);
static_assert(win::kIconBig == ICON_BIG);
static_assert(win::kMfString == MF_STRING);
static_assert(win::kMfSeparator == MF_SEPARATOR);
static_assert(win::kSwHide == SW_HIDE);
static_assert(win::kNimAdd == NIM_ADD && win::kNimModify == NIM_MODIFY && win::kNimDelete == NIM_DELETE);
static_assert(win::kNifMessage == NIF_MESSAGE && win::kNifIcon == NIF_ICON && win::kNifTip == NIF_TIP);
static_assert(win::kNifInfo == NIF_INFO && win::kNiifNone == NIIF_NONE);
static_assert(win::kTpmRightButton == TPM_RIGHTBUTTON && win::kTpmBottomAlign == TPM_BOTTOMALIGN);
static_assert(win::kMbOk == MB_OK && win::kMbIconInformation == MB_ICONINFORMATION);
static_assert(win::kNinBalloonUserClick == NIN_BALLOONUSERCLICK);
static_assert(win::kFoCopy == FO_COPY && win::kErrorCancelled == ERROR_CANCELLED);
static_assert(win::kFofNoConfirmation == FOF_NOCONFIRMATION && win::kFofNoErrorUi == FOF_NOERRORUI);
static_assert(win::kFofMultiDestFiles == FOF_MULTIDESTFILES && win::kFofNoConfirmMkdir == FOF_NOCONFIRMMKDIR);
static_assert(win::kMaxPath == MAX_PATH);
static_assert(win::kFofNoCopySecurityAttribs == FOF_NOCOPYSECURITYATTRIBS);
static_assert(win::kFileAttributeReadOnly == FILE_ATTRIBUTE_READONLY);
static_assert(win::kFileAttributeHidden == FILE_ATTRIBUTE_HIDDEN && win::kFileAttributeSystem == FILE_ATTRIBUTE_SYSTEM);
static_assert(win::kFileAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY);
static_assert(win::kFileAttributeReparsePoint == FILE_ATTRIBUTE_REPARSE_POINT);
static_assert(IsReparseTagNameSurrogate(IO_REPARSE_TAG_SYMLINK) == win::kReparseTagNameSurrogate &&
              IsReparseTagNameSurrogate(IO_REPARSE_TAG_MOUNT_POINT) == win::kReparseTagNameSurrogate &&
              !IsReparseTagNameSurrogate(IO_REPARSE_TAG_WOF) && !IsReparseTagNameSurrogate(IO_REPARSE_TAG_DEDUP));
static_assert(sizeof(TrayIconData::szTip) == sizeof(NOTIFYICONDATAA::szTip));
static_assert(sizeof(TrayIconData::szInfo) == sizeof(NOTIFYICONDATAA::szInfo));
static_assert(sizeof(TrayIconData::szInfoTitle) == sizeof(NOTIFYICONDATAA::szInfoTitle));

namespace {

// This program's own folder, then the system's folders and the absolute folders of PATH: the
// ordinary search for a program to start, without the working folder.
std::string FindProgram(const char* name) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    std::string own(path, length);
    own = own.substr(0, own.find_last_of('\\') + 1) + name;
    const DWORD attributes = GetFileAttributesA(own.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return own;
  }
  std::string folders;
  if (GetSystemDirectoryA(path, MAX_PATH)) folders += std::string(path) + ';';
  if (GetWindowsDirectoryA(path, MAX_PATH)) folders += std::string(path) + ';';
  const char* pathVariable = std::getenv("PATH");
  for (std::string rest = pathVariable ? pathVariable : ""; !rest.empty();) {
    const size_t end = std::min(rest.find(';'), rest.size());
    const std::string folder = rest.substr(0, end);
    rest.erase(0, end + 1);
    // "." or a relative folder would be the working folder again.
    const bool absolute = (folder.size() > 2 && folder[1] == ':' && folder[2] == '\\') || folder.rfind("\\\\", 0) == 0;
    if (absolute) folders += folder + ';';
  }
  if (!SearchPathA(folders.c_str(), name, nullptr, MAX_PATH, path, nullptr)) return {};
  return path;
}

std::wstring Wide(const std::string& utf8, UINT codePage = CP_UTF8) {
  std::wstring wide(size_t(MultiByteToWideChar(codePage, 0, utf8.data(), int(utf8.size()), nullptr, 0)), L'\0');
  MultiByteToWideChar(codePage, 0, utf8.data(), int(utf8.size()), wide.data(), int(wide.size()));
  return wide;
}

std::string Narrow(const wchar_t* wide, UINT codePage = CP_UTF8) {
  const int length = WideCharToMultiByte(codePage, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string text(size_t(length > 0 ? length - 1 : 0), '\0');
  WideCharToMultiByte(codePage, 0, wide, -1, text.data(), length, nullptr, nullptr);
  return text;
}

// The long-path form: the wide calls then take paths of any length.
std::wstring LongPath(const std::string& path) {
  std::wstring wide = L"\\\\?\\" + Wide(path);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}

int64_t Ticks(FILETIME time) { return int64_t((uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime); }

FolderEntry Entry(std::string name, DWORD attributes, DWORD sizeHigh, DWORD sizeLow, FILETIME lastWrite,
                  DWORD reparseTag = 0) {
  FolderEntry entry;
  entry.name = std::move(name);
  entry.attributes = attributes;
  entry.reparseTag = attributes & FILE_ATTRIBUTE_REPARSE_POINT ? reparseTag : 0;
  entry.size = (uint64_t(sizeHigh) << 32) | sizeLow;
  entry.lastWrite = Ticks(lastWrite);
  return entry;
}

// A lambda would not do: on 32-bit Windows the routine must use the system's calling convention.
DWORD WINAPI CopyProgress(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD, HANDLE, HANDLE,
                          LPVOID progress) {
  (*static_cast<const std::function<void()>*>(progress))();
  return PROGRESS_CONTINUE;
}

INT_PTR CALLBACK PlainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

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

IconHandle Win32Platform::LoadSmallIconA(int resourceId) {
  // LoadIcon gives the large size, which the tray would shrink and blur.
  return reinterpret_cast<IconHandle>(::LoadImageA(m_instance, MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                   LR_SHARED));
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

MenuHandle Win32Platform::LoadMenuA(int resourceId) {
  return reinterpret_cast<MenuHandle>(::LoadMenuA(m_instance, MAKEINTRESOURCEA(resourceId)));
}

void Win32Platform::DestroyMenu(MenuHandle menu) { ::DestroyMenu(reinterpret_cast<HMENU>(menu)); }

MenuHandle Win32Platform::GetSubMenu(MenuHandle menu, int position) {
  return reinterpret_cast<MenuHandle>(::GetSubMenu(reinterpret_cast<HMENU>(menu), position));
}

void Win32Platform::TrackPopupMenu(MenuHandle menu, uint32_t flags, Point at, WindowHandle owner) {
  ::TrackPopupMenu(reinterpret_cast<HMENU>(menu), flags, at.x, at.y, 0, ToHwnd(owner), nullptr);
}

Point Win32Platform::GetCursorPos() {
  POINT p = {};
  ::GetCursorPos(&p);
  return Point{p.x, p.y};
}

void Win32Platform::SetForegroundWindow(WindowHandle window) { ::SetForegroundWindow(ToHwnd(window)); }

void Win32Platform::MessageBoxA(WindowHandle owner, const char* text, const char* caption, uint32_t type) {
  ::MessageBoxA(ToHwnd(owner), text, caption, type);
}

intptr_t Win32Platform::RunModalDialog(int templateId, WindowHandle owner) {
  return ::DialogBoxParamA(m_instance, MAKEINTRESOURCEA(templateId), ToHwnd(owner), &PlainDialogProc, 0);
}

void Win32Platform::DestroyWindow(WindowHandle window) { ::DestroyWindow(ToHwnd(window)); }

WindowHandle Win32Platform::FindMainDialog() {
  // The class and caption of template IDD_ZOLVAN_DIALOG; hidden windows are found too.
  return FromHwnd(::FindWindowA(WC_DIALOG, "Zolvan"));
}

uint32_t Win32Platform::RegisterWindowMessageA(const char* name) { return ::RegisterWindowMessageA(name); }

void Win32Platform::PostMessageA(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  ::PostMessageA(ToHwnd(window), message, wParam, lParam);
}

uint32_t Win32Platform::CreateMutexW(const char* name) {
  // Never closed: the process holds it until it ends.
  const std::wstring wide = Wide(name);
  const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, wide.c_str());
  const DWORD error = GetLastError();
  if (mutex || error != ERROR_ACCESS_DENIED) return !mutex || error == ERROR_ALREADY_EXISTS ? error : 0;
  // Denied: a program with other rights holds it, or this one may not make one there (a
  // sandbox), and then none is held.
  if (const HANDLE held = OpenMutexW(SYNCHRONIZE, FALSE, wide.c_str())) {
    CloseHandle(held);
    return ERROR_ACCESS_DENIED;
  }
  return GetLastError() == ERROR_FILE_NOT_FOUND ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
}

void Win32Platform::SetThreadExecutionState(uint32_t flags) { ::SetThreadExecutionState(flags); }

void Win32Platform::ShutdownBlockReasonCreate(WindowHandle window, const char* reason) {
  ::ShutdownBlockReasonCreate(ToHwnd(window), Wide(reason, CP_ACP).c_str());
}

void Win32Platform::ShutdownBlockReasonDestroy(WindowHandle window) { ::ShutdownBlockReasonDestroy(ToHwnd(window)); }

bool Win32Platform::Shell_NotifyIconA(uint32_t message, const TrayIconData& data) {
  NOTIFYICONDATAA nid = {};
  // The version 3 size: accepted by every shell since Windows XP.
  nid.cbSize = NOTIFYICONDATAA_V3_SIZE;
  nid.hWnd = ToHwnd(data.hWnd);
  nid.uID = data.uID;
  nid.uFlags = data.uFlags;
  nid.uCallbackMessage = data.uCallbackMessage;
  nid.hIcon = reinterpret_cast<HICON>(data.hIcon);
  std::memcpy(nid.szTip, data.szTip, sizeof nid.szTip);
  std::memcpy(nid.szInfo, data.szInfo, sizeof nid.szInfo);
  nid.uTimeout = data.uTimeout;
  std::memcpy(nid.szInfoTitle, data.szInfoTitle, sizeof nid.szInfoTitle);
  nid.dwInfoFlags = data.dwInfoFlags;
  return ::Shell_NotifyIconA(message, &nid) != FALSE;
}

void Win32Platform::SetTimer(WindowHandle window, uintptr_t id, uint32_t periodMs) {
  ::SetTimer(ToHwnd(window), id, periodMs, nullptr);
}

void Win32Platform::KillTimer(WindowHandle window, uintptr_t id) { ::KillTimer(ToHwnd(window), id); }

void Win32Platform::Sleep(uint32_t ms) { ::Sleep(ms); }

uint64_t Win32Platform::TickCount() { return GetTickCount64(); }

void Win32Platform::HandlePendingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {  // it belongs to the loop that runs the dialog
      PostQuitMessage(int(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

int Win32Platform::SHFileOperationA(ShellFileOperation& operation) {
  SHFILEOPSTRUCTA op = {};
  op.hwnd = ToHwnd(operation.hwnd);
  op.wFunc = operation.wFunc;
  op.pFrom = operation.pFrom;
  op.pTo = operation.pTo;
  op.fFlags = operation.fFlags;
  const int result = ::SHFileOperationA(&op);
  operation.fAnyOperationsAborted = op.fAnyOperationsAborted != FALSE;
  return result;
}

int Win32Platform::SHFileOperationW(ShellFileOperationW& operation) {
  const auto list = [](const std::vector<std::string>& paths) {
    std::wstring names;
    for (const std::string& path : paths) {
      names += Wide(path);
      names += L'\0';
    }
    return names + L'\0';
  };
  const std::wstring from = list(operation.from), to = list(operation.to);
  SHFILEOPSTRUCTW op = {};
  op.wFunc = operation.wFunc;
  op.pFrom = from.c_str();
  op.pTo = to.c_str();
  op.fFlags = operation.fFlags;
  const int result = ::SHFileOperationW(&op);
  operation.fAnyOperationsAborted = op.fAnyOperationsAborted != FALSE;
  return result;
}

bool Win32Platform::GetDiskSpace(const std::string& root, DiskSpace& space) {
  const std::wstring path = Wide(root);
  ULARGE_INTEGER freeToCaller;
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (!GetDiskFreeSpaceExW(path.c_str(), &freeToCaller, nullptr, nullptr) ||
      !GetDiskFreeSpaceW(path.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
    return false;
  space.freeBytes = freeToCaller.QuadPart;
  space.clusterBytes = uint64_t(sectorsPerCluster) * bytesPerSector;
  return true;
}

bool Win32Platform::CreateDirectoryA(const char* path) { return ::CreateDirectoryA(path, nullptr) != FALSE; }

bool Win32Platform::DeleteFileA(const char* path) { return ::DeleteFileA(path) != FALSE; }

int Win32Platform::System(const char* command) { return std::system(command); }

std::string Win32Platform::GetTempPathA() {
  char path[MAX_PATH + 1];
  const DWORD length = ::GetTempPathA(sizeof path, path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

std::string Win32Platform::GetTempFileNameA(const char* folder) {
  char path[MAX_PATH];
  return ::GetTempFileNameA(folder, "zlv", 0, path) ? std::string(path) : std::string();
}

FileHandle Win32Platform::OpenFileForReading(const char* path) {
  return reinterpret_cast<FileHandle>(std::fopen(path, "rb"));
}

bool Win32Platform::ReadByte(FileHandle file, char& byte) {
  const int c = std::fgetc(reinterpret_cast<FILE*>(file));
  if (c == EOF) return false;
  byte = static_cast<char>(c);
  return true;
}

void Win32Platform::CloseFile(FileHandle file) { std::fclose(reinterpret_cast<FILE*>(file)); }

ProcessHandle Win32Platform::StartProgram(const char* program, const char* commandLine) {
  const std::string path = FindProgram(program);
  if (path.empty()) return nullptr;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;  // CreateProcessA may write to it
  if (!CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return nullptr;
  CloseHandle(process.hThread);
  return reinterpret_cast<ProcessHandle>(process.hProcess);
}

bool Win32Platform::ProcessEnded(ProcessHandle process, uint32_t& exitCode) {
  const HANDLE handle = reinterpret_cast<HANDLE>(process);
  DWORD code = 0;
  if (WaitForSingleObject(handle, 0) != WAIT_OBJECT_0 || !GetExitCodeProcess(handle, &code)) return false;
  exitCode = code;
  return true;
}

void Win32Platform::CloseProcess(ProcessHandle process) { CloseHandle(reinterpret_cast<HANDLE>(process)); }

bool Win32Platform::ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileExW((LongPath(folder) + L"\\*").c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  // An empty drive root has not even "." and "..".
  if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    if (!std::wcscmp(found.cFileName, L".") || !std::wcscmp(found.cFileName, L"..")) continue;
    entries.push_back(Entry(Narrow(found.cFileName), found.dwFileAttributes, found.nFileSizeHigh,
                            found.nFileSizeLow, found.ftLastWriteTime, found.dwReserved0));
  } while (FindNextFileW(find, &found));
  // FindNextFileW fails at the end too: only this error means the listing is complete. Any other
  // (a USB link that drops, say) leaves it cut short.
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(find);
  return complete;
}

bool Win32Platform::GetFileInfo(const std::string& path, FolderEntry& info) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data)) return false;
  info = Entry({}, data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
  return true;
}

bool Win32Platform::SetAttributes(const std::string& path, uint32_t attributes) {
  // No attribute at all is written as "normal", the one value that stands alone.
  return SetFileAttributesW(LongPath(path).c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

bool Win32Platform::CreateFolder(const std::string& path) {
  return CreateDirectoryW(LongPath(path).c_str(), nullptr) != FALSE;
}

bool Win32Platform::CopyFileReplacing(const std::string& from, const std::string& to,
                                      const std::function<void()>& progress) {
  return CopyFileExW(LongPath(from).c_str(), LongPath(to).c_str(), &CopyProgress,
                     const_cast<std::function<void()>*>(&progress), nullptr, 0) != FALSE;
}

std::string Win32Platform::NarrowFromUtf8(const std::string& text) { return Narrow(Wide(text).c_str(), CP_ACP); }

std::string Win32Platform::UpperCaseName(const std::string& name) {
  std::string upper = name;
  bool ascii = true;
  for (char& c : upper) {
    ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  if (ascii) return upper;
  // The invariant locale's simple upper case, unit by unit: what CompareStringOrdinal ignoring
  // case and the file systems compare.
  std::wstring wide = Wide(name);
  if (wide.empty()) return name;
  std::wstring mapped(wide.size(), L'\0');
  const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), int(wide.size()),
                                   mapped.data(), int(mapped.size()), nullptr, nullptr, 0);
  if (length <= 0) return name;
  mapped.resize(size_t(length));
  return Narrow(mapped.c_str());
}

bool Win32Platform::GetVolumeInfo(const std::string& root, VolumeInfo& info) {
  wchar_t label[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
  DWORD serial = 0;
  if (!GetVolumeInformationW(Wide(root).c_str(), label, MAX_PATH + 1, &serial, nullptr, nullptr, fileSystem,
                             MAX_PATH + 1))
    return false;
  info = {Narrow(label), serial, Narrow(fileSystem)};
  return true;
}

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
