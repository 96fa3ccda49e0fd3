#pragma once

#include "platform/Platform.h"

namespace zolvan {

// The application: runs the main dialog modally, and the process ends when the dialog does.
class Application {
 public:
  explicit Application(Platform& platform) : m_platform(platform) {}
  void Run();

 private:
  Platform& m_platform;
};

}  // namespace zolvan
