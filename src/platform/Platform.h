// The seam between the program's logic and the operating system. The logic in app/, device/,
// monitor/ and backup/ reaches Windows only through these interfaces, each taking only the
// part it uses; platform/win32/ is the one real implementation and tests use a recording fake.
#pragma once

#include "platform/FileSystem.h"
#include "platform/LibraryLoader.h"
#include "platform/Session.h"
#include "platform/WindowSystem.h"

namespace zolvan {

class Platform : public LibraryLoader, public FileSystem, public WindowSystem, public Session {
 public:
  virtual ~Platform() = default;
};

}  // namespace zolvan
