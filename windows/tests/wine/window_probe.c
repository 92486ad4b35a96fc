/*
 * window_probe.dll: a call-window hook that the window driver sets on the
 * thread of SetVornIP.exe, so that it runs inside that process. When a window
 * receives the probe message it writes the window's font and menu into the
 * shared section; everything else passes untouched.
 */
#include "window_probe.h"

static void read_font(HWND window, WindowProbe* probe) {
  HFONT font = (HFONT)SendMessageW(window, WM_GETFONT, 0, 0);
  LOGFONTW described;
  if (font == NULL || GetObjectW(font, sizeof described, &described) != sizeof described) return;
  probe->height = described.lfHeight;
  probe->weight = described.lfWeight;
  probe->charset = described.lfCharSet;
  lstrcpynW(probe->face, described.lfFaceName, LF_FACESIZE);
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  GetTextFaceW(dc, LF_FACESIZE, probe->drawn);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
}

static void read_menu(HWND window, WindowProbe* probe) {
  HMENU bar = GetMenu(window);
  if (bar == NULL) return;
  GetMenuStringW(bar, 0, probe->menu, 64, MF_BYPOSITION);
  HMENU file = GetSubMenu(bar, 0);
  if (file == NULL) return;
  GetMenuStringW(file, 0, probe->item, 64, MF_BYPOSITION);
  probe->item_id = GetMenuItemID(file, 0);
}

__declspec(dllexport) LRESULT CALLBACK vornen_probe_hook(int code, WPARAM wparam, LPARAM lparam) {
  const CWPSTRUCT* call = (const CWPSTRUCT*)lparam;
  if (code == HC_ACTION && call->message == RegisterWindowMessageW(VORNEN_PROBE_MESSAGE)) {
    HANDLE section = OpenFileMappingW(FILE_MAP_WRITE, FALSE, VORNEN_PROBE_SECTION);
    WindowProbe* probe =
        section != NULL ? (WindowProbe*)MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0) : NULL;
    if (probe != NULL) {
      ZeroMemory(probe, sizeof *probe);
      read_font(call->hwnd, probe);
      read_menu(call->hwnd, probe);
      probe->done = 1;
      UnmapViewOfFile(probe);
    }
    if (section != NULL) CloseHandle(section);
  }
  return CallNextHookEx(NULL, code, wparam, lparam);
}
