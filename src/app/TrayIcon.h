// The program's one icon in the notification area, and its right-button menu.
#pragma once

#include <cstdint>

#include "platform/WindowSystem.h"

namespace zolvan {

inline constexpr uint32_t kTrayIconId = 1;

class TrayIcon {
 public:
  explicit TrayIcon(WindowSystem& windows) : m_windows(windows) {}
  ~TrayIcon();  // destroys the menu; the icon stays, as only Exit removes it
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Icon 128 with the tip "Device not found", and the tray menu loaded.
  void Add(WindowHandle window);
  void Update(const char* tip, int iconId);
  void SetTip(const char* tip);  // the picture stays
  bool ShowBalloon(const char* text, const char* title, int32_t timeoutUnits);
  void Delete();
  // The shell restarted and lost its icons: the icon comes back with its tip and picture.
  void AddAgain();
  // The menu at the cursor, its commands sent to the icon's window.
  void ShowMenu();

 private:
  void SetIdentity();  // size, window, icon id and callback message of the record

  WindowSystem& m_windows;
  TrayIconData m_nid;
  MenuHandle m_menu = nullptr;
};

}  // namespace zolvan
