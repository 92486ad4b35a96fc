/*
 * What window_probe.dll reads inside SetVornIP.exe for the window driver:
 * a control's font as the control holds it and as the system draws it, and
 * the window's menu. Font and menu handles belong to the process that made
 * them, so another process cannot read them; the probe's hook runs in that
 * process and writes what it found into a named shared section.
 */
#ifndef VORNEN_WINDOW_PROBE_H
#define VORNEN_WINDOW_PROBE_H

#include <windows.h>

#define VORNEN_PROBE_MESSAGE L"VornenWindowProbe"
#define VORNEN_PROBE_SECTION L"Local\\VornenWindowProbe"
#define VORNEN_PROBE_HOOK "vornen_probe_hook"

typedef struct WindowProbe {
  LONG done; /* set by the hook once it has filled the rest */
  LONG height;
  LONG weight;
  LONG charset;
  WCHAR face[LF_FACESIZE];  /* the face the control's font asks for */
  WCHAR drawn[LF_FACESIZE]; /* the face the system draws it with */
  WCHAR menu[64];           /* the first menu's caption */
  WCHAR item[64];           /* the first item of that menu */
  UINT item_id;
} WindowProbe;

#endif /* VORNEN_WINDOW_PROBE_H */
