#include "app/BackupApp.h"

#include "app/BackupMainDlg.h"

namespace zolvan {

bool CBackupApp::InitInstance() {
  m_platform.InitCommonControls();
  // Without an application framework there is no framework start-up, no ActiveX hosting and no
  // settings location to set: the program never stores anything.
  CBackupMainDlg dlg(m_platform);
  m_platform.DoModal(dlg);
  return false;
}

}  // namespace zolvan
