// Any bytes as the listing the command interpreter wrote for the fallback, with the shell's copy
// of the listed entries failing at a place the input chooses. The engine copies only non-empty
// names of at most 511 bytes without line ends, one shell copy each, stops at the first that
// fails, writes nothing to the source and deletes the listing once, at the end.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "NullPlatform.h"
#include "Require.h"
#include "backup/BackupEngine.h"

namespace {

class ListingPlatform : public zolvan::bench::NullPlatform {
 public:
  ListingPlatform(std::string listing, size_t failAt, int failure)
      : m_listing(std::move(listing)), m_failAt(failAt), m_failure(failure) {}

  std::string GetTempPathA() override { return "C:\\Temp\\"; }
  std::string GetTempFileNameA(const char* folder) override {
    Require(std::strcmp(folder, "C:\\Temp\\") == 0);
    return "C:\\Temp\\zlv1.tmp";
  }
  zolvan::FileHandle OpenFileForReading(const char* path) override {
    Require(std::strcmp(path, "C:\\Temp\\zlv1.tmp") == 0 && !m_deleted);
    return reinterpret_cast<zolvan::FileHandle>(1);
  }
  bool ReadByte(zolvan::FileHandle, char& byte) override {
    if (m_read >= m_listing.size()) return false;
    byte = m_listing[m_read++];
    return true;
  }
  bool CreateDirectoryA(const char* path) override {
    Require(path[0] == 'F');
    return true;
  }
  bool DeleteFileA(const char* path) override {
    Require(std::strcmp(path, "C:\\Temp\\zlv1.tmp") == 0 && !m_deleted);
    m_deleted = true;
    return true;
  }
  // The root holds one file, and the shell copy of the root's entries fails: the listing drives
  // the copy.
  bool ListFolder(const std::string& folder, std::vector<zolvan::FolderEntry>& entries) override {
    if (folder != "E:") return false;
    entries.push_back({"a", 0, 1, 0});
    return true;
  }
  int SHFileOperationW(zolvan::ShellFileOperationW&) override {
    Require(!m_deleted);
    return 1026;
  }
  int SHFileOperationA(zolvan::ShellFileOperation& op) override {
    Require(!m_deleted && std::strcmp(op.pTo, "F:\\USB_Backup") == 0 && op.pTo[13] == 0 && op.pTo[14] == 0);
    const std::string from = op.pFrom;
    Require(op.pFrom[from.size() + 1] == 0);
    Require(from.rfind("E:\\", 0) == 0);
    const std::string name = from.substr(3);
    Require(!name.empty() && name.size() <= 511 && name.find_first_of("\r\n") == std::string::npos);
    Require(!m_stopped);
    if (++m_copies == m_failAt) {
      m_stopped = true;
      return m_failure;
    }
    return 0;
  }

  bool Deleted() const { return m_deleted; }

 private:
  std::string m_listing;
  size_t m_read = 0;
  size_t m_failAt;
  int m_failure;
  size_t m_copies = 0;
  bool m_stopped = false;
  bool m_deleted = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte: which copy fails (0: none) and how.
  const size_t failAt = data[0] & 0x3F;
  const int failure = (data[0] & 0x40) ? 1223 : 1026;
  ListingPlatform platform(std::string(reinterpret_cast<const char*>(data + 1), size - 1), failAt, failure);
  zolvan::BackupEngine engine(platform);
  const zolvan::BackupResult result = engine.Run('E', 'F');
  Require(platform.Deleted());
  Require(result.outcome != zolvan::BackupResult::Outcome::SameDisk);
  return 0;
}
