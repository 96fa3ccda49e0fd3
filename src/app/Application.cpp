#include "app/Application.h"

#include "app/MainDialog.h"

namespace zolvan {

void Application::Run() {
  m_platform.InitCommonControls();
  // Without an application framework there is no framework start-up, no ActiveX hosting and no
  // settings location to set: the program never stores anything.
  MainDialog dialog(m_platform);
  m_platform.RunMainDialog(dialog);
}

}  // namespace zolvan
