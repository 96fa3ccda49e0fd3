// Runs the backup engine with the real Win32 platform, for the Wine tests: the real shell copy,
// the real command interpreter and real files. Each platform call that matters is reported on
// standard output, one line each.
//
//   backup_runner SOURCE TARGET [--temp DIR] [--fail-root-copy] [--vanish-listed N]
//     --temp DIR          the temporary folder (TMP and TEMP)
//     --fail-root-copy    the shell copy of the root's entries fails as an unreadable entry would
//                         make it fail on Windows
//     --vanish-listed N   once the listing is written, the N-th listed root entry is deleted
//
// A copy of a list of names is reported as "copy FROM|FROM... -> TO|TO... flags=F result=R".
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "backup/BackupEngine.h"
#include "platform/win32/Win32Platform.h"

namespace {

constexpr int kAccessDeniedSource = 0x78;  // DE_ACCESSDENIEDSRC

std::string Hex(const std::string& text) {
  std::string out;
  char byte[3];
  for (unsigned char c : text) {
    std::snprintf(byte, sizeof byte, "%02x", c);
    out += byte;
  }
  return out;
}

class RunnerPlatform : public zolvan::Win32Platform {
 public:
  using Win32Platform::Win32Platform;
  bool failRootCopy = false;
  int vanishListed = 0;
  char source = 0;

  int SHFileOperationA(zolvan::ShellFileOperation& op) override {
    const int result = Win32Platform::SHFileOperationA(op);
    std::printf("copy %s -> %s flags=0x%x owner=%d result=%d\n", op.pFrom, op.pTo, op.fFlags, op.hwnd ? 1 : 0, result);
    return result;
  }

  int SHFileOperationW(zolvan::ShellFileOperationW& op) override {
    const int result = failRootCopy ? kAccessDeniedSource : Win32Platform::SHFileOperationW(op);
    const auto join = [](const std::vector<std::string>& paths) {
      std::string text;
      for (const std::string& path : paths) text += (text.empty() ? "" : "|") + path;
      return text;
    };
    std::printf("copy %s -> %s flags=0x%x owner=0 result=%d\n", join(op.from).c_str(), join(op.to).c_str(), op.fFlags,
                result);
    return result;
  }

  int System(const char* command) override {
    const int result = Win32Platform::System(command);
    std::printf("system %s\n", command);
    const std::string c = command;
    const std::string listing = c.substr(c.find("> \"") + 3, c.size() - c.find("> \"") - 4);
    std::ifstream in(listing, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::printf("listing %s\n", Hex(content).c_str());
    if (vanishListed > 0) Vanish(content);
    return result;
  }

  bool DeleteFileA(const char* path) override {
    const bool deleted = Win32Platform::DeleteFileA(path);
    std::printf("delete %s %d\n", path, deleted ? 1 : 0);
    return deleted;
  }

 private:
  void Vanish(const std::string& listing) {
    size_t start = 0;
    for (int n = 1;; ++n) {
      const size_t end = listing.find("\r\n", start);
      if (end == std::string::npos) return;
      if (n == vanishListed) {
        const std::string path = std::string(1, source) + ":\\" + listing.substr(start, end - start) + '\0';
        SHFILEOPSTRUCTA op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = path.c_str();
        op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
        std::printf("vanished %s %d\n", path.c_str(), ::SHFileOperationA(&op));
        return;
      }
      start = end + 2;
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: backup_runner SOURCE TARGET [--temp DIR] [--fail-root-copy] [--vanish-listed N]\n");
    return 2;
  }
  RunnerPlatform platform(GetModuleHandleA(nullptr));
  platform.source = argv[1][0];
  for (int i = 3; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--temp") && i + 1 < argc) {
      SetEnvironmentVariableA("TMP", argv[i + 1]);
      SetEnvironmentVariableA("TEMP", argv[++i]);
    } else if (!std::strcmp(argv[i], "--fail-root-copy")) {
      platform.failRootCopy = true;
    } else if (!std::strcmp(argv[i], "--vanish-listed") && i + 1 < argc) {
      platform.vanishListed = std::atoi(argv[++i]);
    }
  }
  const zolvan::BackupResult result = zolvan::BackupEngine(platform).Run(argv[1][0], argv[2][0]);
  static const char* const kOutcomes[] = {"completed", "cancelled", "failed", "same-disk", "stopped", "nothing-changed",
                                          "no-space"};
  std::printf("outcome %s %s\n", kOutcomes[int(result.outcome)], result.failedEntry.c_str());
  std::printf("checked %d\n", result.checked ? 1 : 0);
  for (const std::string& file : result.notCopied) std::printf("not copied %s\n", file.c_str());
  for (const std::string& folder : result.unread) std::printf("not read %s\n", folder.c_str());
  for (const std::string& file : result.tooLarge) std::printf("too large %s\n", file.c_str());
  for (const std::string& entry : result.sameName) std::printf("same name %s\n", entry.c_str());
  return 0;
}
