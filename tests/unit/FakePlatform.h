// A hand-written Platform that records every call in order and answers from a script.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/WindowEvents.h"

namespace zolvan::test {

class FakePlatform : public Platform {
 public:
  // Script.
  std::set<std::string> loadedModules;    // answered by GetModuleHandle
  std::set<std::string> loadableFiles;    // answered by LoadLibrary
  std::map<std::string, void*> exports;   // answered by GetProcAddress
  std::map<int, std::string> strings;     // answered by LoadString
  bool hasSystemMenu = true;
  bool hasTrayMenu = true;
  bool notifyResult = true;
  Point cursor{640, 700};

  // Every Shell_NotifyIconA call with the record as it was passed.
  struct Notification {
    uint32_t message;
    TrayIconData data;
  };
  std::vector<Notification> notifications;
  std::function<void(const TrayIconData&)> notifyHook;  // runs inside every Shell_NotifyIconA

  // Files: path -> content. System() runs "dir X:\ /b > "path"" by writing `listing` to path
  // (its bytes as they stand: Windows' dir writes a redirected listing in the OEM code page),
  // unless the command interpreter is blocked. GetTempFileNameA creates an empty file, as
  // Windows does; openFails makes every open fail.
  std::map<std::string, std::string> files;
  std::string tempPath = "C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\";
  std::string listing;
  bool commandInterpreterBlocked = false;
  bool openFails = false;
  std::map<std::string, int> copyResults;      // by source name (of any in a list); 0 when absent
  std::set<std::string> copiesReportedAborted;  // result 0 with fAnyOperationsAborted, likewise
  // Runs inside every shell copy, as the shell's progress window dispatches messages.
  std::function<void()> duringCopy;
  // Runs inside every file copy of the program's own, as the copy reports its progress.
  std::function<void()> duringFileCopy;
  // Plays the messages that wait for the window when the program asks for them.
  std::function<void()> pendingMessages;
  // Answers ListFolder in place of `disk` where it returns true (a tree too large to hold).
  std::function<bool(const std::string&, std::vector<FolderEntry>&)> listFolder;
  uint64_t now = 5'000'000;  // TickCount, in ms

  // The disks' files and folders by full path ("E:\\Photos\\a.jpg"); every drive's root ("E:")
  // is there but for the drives in `missingDrives`. A shell copy whose result is 0 copies in
  // it, leaving out what `shellLeavesOut` names (a file, or a folder with all it holds) and
  // every unreadable file.
  struct Node {
    bool folder = false;
    uint64_t size = 0;
    int64_t lastWrite = 0;
    uint32_t attributes = 0;
    bool readable = true;
    uint32_t reparseTag = 0;  // with the reparse point attribute
  };
  std::map<std::string, Node> disk;
  std::set<std::string> shellLeavesOut;
  std::set<char> missingDrives;
  // Folders whose listing fails part-way, as a USB link that drops would make it: the first
  // entry is given, then the failure.
  std::set<std::string> listingsCutShort;
  std::map<char, std::string> fileSystems;  // by drive letter; NTFS where none is set
  std::map<char, std::string> labels;       // by drive letter; none where none is set
  std::map<char, uint32_t> serials;         // by drive letter; one of the letter's own where none is set
  // The target's space; GetDiskSpace fails while `space.clusterBytes` is 0.
  DiskSpace space{uint64_t(1) << 40, 4096};
  int listCopyResult = 0;  // of SHFileOperationW when every source is there and none is in copyResults

  void AddFile(const std::string& path, uint64_t size, int64_t lastWrite, uint32_t attributes = 0) {
    AddFolders(Parent(path));
    disk[path] = Node{false, size, lastWrite, attributes, true};
  }
  void AddFolders(const std::string& path) {
    if (path.size() <= 2) return;
    AddFolders(Parent(path));
    disk.emplace(path, Node{true, 0, 0, win::kFileAttributeDirectory, true});
  }

  // The session: what making each named mutex answers (0, made, where none is set), and after
  // how many lookups the running program's window is found (never while negative).
  std::map<std::string, uint32_t> mutexErrors;
  std::function<uint32_t(const std::string&)> createMutex;  // answers in place of mutexErrors
  int runningWindowAfter = -1;
  static WindowHandle RunningWindow() { return reinterpret_cast<WindowHandle>(0x7000); }
  static constexpr uint32_t kRegisteredMessage = 0xC123;

  // Programs: the exit code each command line ends with; one not listed cannot be started.
  std::map<std::string, uint32_t> exitCodes;
  bool programsRunning = false;  // ProcessEnded answers "still running" while set

  // Record.
  std::vector<std::string> calls;
  std::map<int, std::string> controlText;  // last text set per control

  static WindowHandle Window() { return reinterpret_cast<WindowHandle>(0x1000); }
  static ModuleHandle Module() { return reinterpret_cast<ModuleHandle>(0x2000); }
  static MenuHandle SystemMenu() { return reinterpret_cast<MenuHandle>(0x3000); }
  static MenuHandle TrayMenu() { return reinterpret_cast<MenuHandle>(0x5000); }
  static MenuHandle TrayPopup() { return reinterpret_cast<MenuHandle>(0x5001); }
  static IconHandle Icon(int id) { return reinterpret_cast<IconHandle>(uintptr_t(0x4000 + id)); }
  static IconHandle SmallIcon(int id) { return reinterpret_cast<IconHandle>(uintptr_t(0x8000 + id)); }

  // Plays the window layer while the main dialog runs: set by the test.
  std::function<void(WindowEvents&)> runMainDialog;

  void InitCommonControls() override { calls.push_back("InitCommonControls"); }
  intptr_t RunMainDialog(WindowEvents& events) override {
    calls.push_back("RunMainDialog");
    if (runMainDialog) runMainDialog(events);
    return 0;
  }
  void SetDlgItemTextA(WindowHandle w, int id, const char* text) override {
    Check(w);
    controlText[id] = text;
    calls.push_back("SetDlgItemText " + std::to_string(id) + " " + text);
  }
  void ShowWindow(WindowHandle w, int command) override {
    Check(w);
    calls.push_back("ShowWindow " + std::to_string(command));
  }
  void SetWindowIcon(WindowHandle w, uintptr_t size, IconHandle icon) override {
    Check(w);
    calls.push_back("SetWindowIcon " + std::to_string(size) + " " + IconName(icon));
  }
  IconHandle LoadIconA(int id) override {
    calls.push_back("LoadIcon " + std::to_string(id));
    return Icon(id);
  }
  IconHandle LoadSmallIconA(int id) override {
    calls.push_back("LoadSmallIcon " + std::to_string(id));
    return SmallIcon(id);
  }
  std::string LoadStringA(int id) override {
    calls.push_back("LoadString " + std::to_string(id));
    auto it = strings.find(id);
    return it == strings.end() ? std::string() : it->second;
  }
  MenuHandle GetSystemMenu(WindowHandle w) override {
    Check(w);
    calls.push_back("GetSystemMenu");
    return hasSystemMenu ? SystemMenu() : nullptr;
  }
  void AppendMenuA(MenuHandle menu, uint32_t flags, uintptr_t id, const char* text) override {
    calls.push_back(std::string("AppendMenu ") + (menu == SystemMenu() ? "system " : "other ") +
                    std::to_string(flags) + " " + std::to_string(id) + (text ? std::string(" ") + text : ""));
  }
  MenuHandle LoadMenuA(int id) override {
    calls.push_back("LoadMenu " + std::to_string(id));
    return hasTrayMenu ? TrayMenu() : nullptr;
  }
  void DestroyMenu(MenuHandle menu) override {
    calls.push_back(menu == TrayMenu() ? "DestroyMenu tray" : "DestroyMenu other");
  }
  MenuHandle GetSubMenu(MenuHandle menu, int position) override {
    calls.push_back("GetSubMenu " + std::to_string(position));
    return menu == TrayMenu() && position == 0 ? TrayPopup() : nullptr;
  }
  void TrackPopupMenu(MenuHandle menu, uint32_t flags, Point at, WindowHandle owner) override {
    Check(owner);
    calls.push_back(std::string("TrackPopupMenu ") + (menu == TrayPopup() ? "popup " : "other ") +
                    std::to_string(flags) + " " + std::to_string(at.x) + "," + std::to_string(at.y));
  }
  Point GetCursorPos() override {
    calls.push_back("GetCursorPos");
    return cursor;
  }
  void SetForegroundWindow(WindowHandle w) override {
    Check(w);
    calls.push_back("SetForegroundWindow");
  }
  void MessageBoxA(WindowHandle owner, const char* text, const char* caption, uint32_t type) override {
    if (owner) Check(owner);  // none is a box of its own
    calls.push_back(std::string("MessageBox ") + text + " | " + caption + " | " + std::to_string(type));
  }
  intptr_t RunModalDialog(int templateId, WindowHandle owner) override {
    Check(owner);
    calls.push_back("RunModalDialog " + std::to_string(templateId));
    return 1;
  }
  void DestroyWindow(WindowHandle w) override {
    Check(w);
    calls.push_back("DestroyWindow");
  }
  WindowHandle FindMainDialog() override {
    calls.push_back("FindMainDialog");
    return runningWindowAfter >= 0 && lookups++ >= runningWindowAfter ? RunningWindow() : nullptr;
  }
  uint32_t RegisterWindowMessageA(const char* name) override {
    calls.push_back(std::string("RegisterWindowMessage ") + name);
    return kRegisteredMessage;
  }
  void PostMessageA(WindowHandle w, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    calls.push_back(std::string("PostMessage ") + (w == RunningWindow() ? "running " : "other ") +
                    std::to_string(message) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
  }
  uint32_t CreateMutexW(const char* name) override {
    calls.push_back(std::string("CreateMutex ") + name);
    if (createMutex) return createMutex(name);
    const auto it = mutexErrors.find(name);
    return it == mutexErrors.end() ? 0 : it->second;
  }
  void SetThreadExecutionState(uint32_t flags) override {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(flags));
    calls.push_back(std::string("SetThreadExecutionState ") + text);
  }
  void ShutdownBlockReasonCreate(WindowHandle w, const char* reason) override {
    Check(w);
    calls.push_back(std::string("ShutdownBlockReasonCreate ") + reason);
  }
  void ShutdownBlockReasonDestroy(WindowHandle w) override {
    Check(w);
    calls.push_back("ShutdownBlockReasonDestroy");
  }
  bool Shell_NotifyIconA(uint32_t message, const TrayIconData& data) override {
    calls.push_back("Shell_NotifyIcon " + std::to_string(message));
    notifications.push_back({message, data});
    // The shell is asked and waited for: messages sent to the window meanwhile are handled.
    if (notifyHook) notifyHook(data);
    return notifyResult;
  }
  int SHFileOperationA(ShellFileOperation& op) override {
    auto list = [](const char* p) {  // the first name and whether a second NUL ends the list
      std::string name = p;
      return name + (p[name.size() + 1] == 0 ? "" : "|NO DOUBLE NUL");
    };
    calls.push_back("SHFileOperation " + std::to_string(op.wFunc) + " " + list(op.pFrom) + " -> " + list(op.pTo) +
                    " flags=" + std::to_string(op.fFlags) + (op.hwnd ? " OWNED" : ""));
    const std::string from = op.pFrom;
    if (duringCopy) duringCopy();
    op.fAnyOperationsAborted = copiesReportedAborted.count(from) > 0;
    auto it = copyResults.find(from);
    const int result = it == copyResults.end() ? 0 : it->second;
    if (result == 0 && !op.fAnyOperationsAborted) ShellCopy(from, op.pTo);
    return result;
  }
  // As Wine's: one source missing fails the whole list before anything is copied.
  int SHFileOperationW(ShellFileOperationW& op) override {
    const auto join = [](const std::vector<std::string>& paths) {
      std::string text;
      for (const std::string& p : paths) text += (text.empty() ? "" : "|") + p;
      return text;
    };
    calls.push_back("SHFileOperationW " + std::to_string(op.wFunc) + " " + join(op.from) + " -> " + join(op.to) +
                    " flags=" + std::to_string(op.fFlags));
    if (duringCopy) duringCopy();
    if (op.from.size() != op.to.size()) return 1026;
    for (const std::string& from : op.from)
      if (!disk.count(from)) return 1026;
    for (const std::string& from : op.from) {
      op.fAnyOperationsAborted = op.fAnyOperationsAborted || copiesReportedAborted.count(from) > 0;
      if (copyResults.count(from)) return copyResults[from];
    }
    if (listCopyResult != 0 || op.fAnyOperationsAborted) return listCopyResult;
    for (size_t i = 0; i < op.from.size(); ++i) {
      AddFolders(Parent(op.to[i]));
      ShellCopy(op.from[i], Parent(op.to[i]));
    }
    return 0;
  }
  bool GetDiskSpace(const std::string& root, DiskSpace& answer) override {
    calls.push_back("GetDiskSpace " + root);
    answer = space;
    return space.clusterBytes != 0;
  }
  bool CreateDirectoryA(const char* path) override {
    calls.push_back(std::string("CreateDirectory ") + path);
    std::string folder = path;
    if (folder.back() == '\\') folder.pop_back();
    AddFolders(folder);
    return true;
  }
  bool DeleteFileA(const char* path) override {
    calls.push_back(std::string("DeleteFile ") + path);
    return files.erase(path) > 0;
  }
  int System(const char* command) override {
    calls.push_back(std::string("System ") + command);
    if (commandInterpreterBlocked) return -1;
    const std::string c = command;
    const auto open = c.find("> \"");
    if (open != std::string::npos && c.back() == '"')
      files[c.substr(open + 3, c.size() - open - 4)] = listing;
    return 0;
  }
  std::string GetTempPathA() override { return tempPath; }
  std::string GetTempFileNameA(const char* folder) override {
    const std::string path = std::string(folder) + "zlv" + std::to_string(++tempFiles) + ".tmp";
    calls.push_back("GetTempFileName " + path);
    files[path] = "";
    return path;
  }
  FileHandle OpenFileForReading(const char* path) override {
    calls.push_back(std::string("OpenFile ") + path);
    auto it = files.find(path);
    if (openFails || it == files.end()) return nullptr;
    reading = it->second;
    readAt = 0;
    return reinterpret_cast<FileHandle>(0x6000);
  }
  bool ReadByte(FileHandle, char& byte) override {
    if (readAt >= reading.size()) return false;
    byte = reading[readAt++];
    return true;
  }
  void CloseFile(FileHandle) override { calls.push_back("CloseFile"); }
  ProcessHandle StartProgram(const char* program, const char* commandLine) override {
    calls.push_back(std::string("StartProgram ") + program + " | " + commandLine);
    auto it = exitCodes.find(commandLine);
    if (it == exitCodes.end()) return nullptr;
    processes.push_back(it->second);
    return reinterpret_cast<ProcessHandle>(processes.size());
  }
  bool ProcessEnded(ProcessHandle process, uint32_t& exitCode) override {
    if (programsRunning) return false;
    exitCode = processes.at(reinterpret_cast<size_t>(process) - 1);
    return true;
  }
  void CloseProcess(ProcessHandle process) override {
    calls.push_back("CloseProcess " + std::to_string(reinterpret_cast<size_t>(process)));
  }
  bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) override {
    if (listFolder && listFolder(folder, entries)) return true;
    const bool root = folder.size() == 2 && folder[1] == ':';
    if (root ? missingDrives.count(folder[0]) > 0 : !IsFolder(folder)) return false;
    const std::string prefix = (root ? folder : Find(folder)->first) + '\\';
    for (auto it = disk.lower_bound(prefix); it != disk.end() && it->first.rfind(prefix, 0) == 0; ++it) {
      const std::string name = it->first.substr(prefix.size());
      if (name.find('\\') != std::string::npos) continue;
      entries.push_back(Entry(name, it->second));
      if (listingsCutShort.count(folder)) return false;
    }
    return true;
  }
  bool GetFileInfo(const std::string& path, FolderEntry& info) override {
    auto it = Find(path);
    if (it == disk.end()) return false;
    info = Entry({}, it->second);
    return true;
  }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    calls.push_back("SetAttributes " + path + " " + std::to_string(attributes));
    auto it = Find(path);
    if (it == disk.end()) return false;
    it->second.attributes = attributes;
    return true;
  }
  bool CreateFolder(const std::string& path) override {
    calls.push_back("CreateFolder " + path);
    if (!IsFolder(Parent(path)) && Parent(path).size() > 2) return false;
    disk.emplace(path, Node{true, 0, 0, win::kFileAttributeDirectory, true});
    return true;
  }
  bool CopyFileReplacing(const std::string& from, const std::string& to,
                         const std::function<void()>& progress) override {
    calls.push_back("CopyFile " + from + " -> " + to);
    progress();
    if (duringFileCopy) duringFileCopy();
    progress();
    auto it = Find(from);
    if (it == disk.end() || it->second.folder || !it->second.readable) return false;
    if (Parent(to).size() > 2 && !IsFolder(Parent(to))) return false;
    // As CopyFileExW: a read-only or hidden file in the way is not replaced (access denied).
    const auto there = Find(to);
    if (there != disk.end() && (there->second.attributes & (win::kFileAttributeReadOnly | win::kFileAttributeHidden)))
      return false;
    (there != disk.end() ? there->second : disk[to]) = it->second;
    return true;
  }
  // The ANSI code page (1252) for the one letter beyond ASCII the tests use, ü; the OEM code
  // page (850) writes it 0x81.
  std::string NarrowFromUtf8(const std::string& text) override {
    std::string narrow = text;
    for (size_t at = narrow.find("\xC3\xBC"); at != std::string::npos; at = narrow.find("\xC3\xBC", at))
      narrow.replace(at, 2, "\xFC");
    return narrow;
  }

  // As Windows' ordinal comparison ignoring case: each letter's simple upper case, unit by unit,
  // here for ASCII, Latin-1, Greek and Cyrillic. ß and the Turkish dotless i stay as they are.
  std::string UpperCaseName(const std::string& name) override { return Upper(name); }
  static std::string Upper(const std::string& name) {
    std::u32string points;
    for (size_t i = 0; i < name.size();) {
      const unsigned char c = name[i];
      const size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      char32_t point = length == 1 ? c : c & (0xFF >> (length + 1));
      for (size_t k = 1; k < length && i + k < name.size(); ++k) point = (point << 6) | (name[i + k] & 0x3F);
      points.push_back(Upper(point));
      i += length;
    }
    std::string upper;
    for (char32_t p : points) {
      if (p < 0x80) {
        upper += char(p);
      } else if (p < 0x800) {
        upper += char(0xC0 | (p >> 6));
        upper += char(0x80 | (p & 0x3F));
      } else {
        upper += char(0xE0 | (p >> 12));
        upper += char(0x80 | ((p >> 6) & 0x3F));
        upper += char(0x80 | (p & 0x3F));
      }
    }
    return upper;
  }
  bool GetVolumeInfo(const std::string& root, VolumeInfo& info) override {
    const char drive = root[0];
    if (missingDrives.count(drive)) return false;
    info.fileSystem = fileSystems.count(drive) ? fileSystems[drive] : "NTFS";
    info.label = labels.count(drive) ? labels[drive] : "";
    info.serial = serials.count(drive) ? serials[drive] : uint32_t(drive) << 24;
    return true;
  }

  void SetTimer(WindowHandle w, uintptr_t id, uint32_t ms) override {
    Check(w);
    calls.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(ms));
  }
  void KillTimer(WindowHandle w, uintptr_t id) override {
    Check(w);
    calls.push_back("KillTimer " + std::to_string(id));
  }
  void Sleep(uint32_t ms) override {
    calls.push_back("Sleep " + std::to_string(ms));
    now += ms;
  }
  uint64_t TickCount() override { return now; }
  void HandlePendingMessages() override {
    calls.push_back("HandlePendingMessages");
    if (pendingMessages) pendingMessages();
  }
  ModuleHandle GetModuleHandleA(const char* name) override {
    calls.push_back(std::string("GetModuleHandle ") + name);
    return loadedModules.count(name) ? Module() : nullptr;
  }
  ModuleHandle LoadLibraryA(const char* name) override {
    calls.push_back(std::string("LoadLibrary ") + name);
    return loadableFiles.count(name) ? Module() : nullptr;
  }
  void* GetProcAddress(ModuleHandle module, const char* name) override {
    calls.push_back(std::string("GetProcAddress ") + name);
    if (module != Module()) return nullptr;
    auto it = exports.find(name);
    return it == exports.end() ? nullptr : it->second;
  }

  // Calls recorded whose text starts with the prefix, in order.
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& c : calls)
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
  }

 private:
  static std::string Parent(const std::string& path) { return path.substr(0, path.rfind('\\')); }
  static char32_t Upper(char32_t c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F))
      return c - 0x20;
    if (c == 0xFF) return 0x178;
    if (c == 0x3C2) return 0x3A3;  // final sigma
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
  }
  bool IsFolder(const std::string& path) const {
    auto it = Find(path);
    return it != disk.end() && it->second.folder;
  }
  // As Windows finds a path: its names compared ignoring case.
  std::map<std::string, Node>::const_iterator Find(const std::string& path) const {
    auto it = disk.find(path);
    if (it != disk.end()) return it;
    const std::string upper = Upper(path);
    for (it = disk.begin(); it != disk.end(); ++it)
      if (it->first.size() == path.size() && Upper(it->first) == upper) return it;
    return it;
  }
  std::map<std::string, Node>::iterator Find(const std::string& path) {
    const auto it = static_cast<const FakePlatform&>(*this).Find(path);
    return it == disk.cend() ? disk.end() : disk.find(it->first);
  }
  static FolderEntry Entry(const std::string& name, const Node& node) {
    FolderEntry entry;
    entry.name = name;
    entry.attributes = node.attributes | (node.folder ? win::kFileAttributeDirectory : 0);
    entry.reparseTag = node.reparseTag;
    entry.size = node.size;
    entry.lastWrite = node.lastWrite;
    return entry;
  }
  // The shell's copy of "X:\\*" (the root's entries) or of "X:\\name" into the folder `to`.
  void ShellCopy(const std::string& from, const std::string& to) {
    const bool wholeRoot = from.size() >= 2 && from.compare(from.size() - 2, 2, "\\*") == 0;
    const std::string source = wholeRoot ? from.substr(0, from.size() - 2) : from;
    std::vector<std::pair<std::string, std::string>> copies;  // collected first: the map changes
    for (const auto& [path, node] : disk) {
      if (path.rfind(source, 0) != 0 || (path.size() > source.size() && path[source.size()] != '\\')) continue;
      if (wholeRoot && path == source) continue;
      bool left = !node.readable;
      for (const std::string& out : shellLeavesOut)
        if (path == out || path.rfind(out + '\\', 0) == 0) left = true;
      if (left) continue;
      const std::string rel = wholeRoot ? path.substr(source.size() + 1) : path.substr(Parent(source).size() + 1);
      copies.emplace_back(path, to + '\\' + rel);
    }
    // Names in the target are found as Windows finds them: a.txt is written over A.txt.
    for (const auto& [path, target] : copies) {
      const auto there = Find(target);
      (there != disk.end() ? there->second : disk[target]) = disk[path];
    }
  }
  static std::string IconName(IconHandle icon) {
    const uintptr_t value = reinterpret_cast<uintptr_t>(icon);
    return value >= 0x8000 ? "small icon" + std::to_string(value - 0x8000) : "icon" + std::to_string(value - 0x4000);
  }
  int tempFiles = 0;
  int lookups = 0;
  std::vector<uint32_t> processes;  // exit code of each started process, by handle - 1
  std::string reading;
  size_t readAt = 0;

  // Every window call must go to the dialog's own window: any other could never work.
  void Check(WindowHandle w) {
    if (w != Window()) ADD_FAILURE() << "a window call on " << w << ", not on the dialog's window";
  }
};

// Every expected call appears in `calls`, in this order (other calls may stand between).
inline void ExpectInOrder(const std::vector<std::string>& calls, const std::vector<std::string>& expected) {
  auto at = calls.begin();
  for (const std::string& call : expected) {
    at = std::find(at, calls.end(), call);
    ASSERT_NE(at, calls.end()) << call << " missing or out of order";
    ++at;
  }
}

}  // namespace zolvan::test
