#pragma once

#include "platform/Platform.h"

namespace zolvan {

// The application object: its start-up runs the main dialog modally, and the process ends
// when the dialog does.
class CBackupApp {
 public:
  explicit CBackupApp(Platform& platform) : m_platform(platform) {}
  bool InitInstance();

 private:
  Platform& m_platform;
};

}  // namespace zolvan
