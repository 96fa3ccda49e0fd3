#pragma once

#include "platform/Platform.h"

namespace zolvan {

// The application: one program per computer. It runs the main dialog modally, and the process
// ends when the dialog does; a second start ends at once.
class Application {
 public:
  explicit Application(Platform& platform) : m_platform(platform) {}
  void Run();

 private:
  void TellTheRunningProgram();

  Platform& m_platform;
};

}  // namespace zolvan
