/*
 * Stands in for arp: planted in the system folder it shows how the library
 * starts the system's arp, planted in the current folder or the program's it
 * shows whether a search by name found it there. It only appends one line to
 * arp-ran.txt in its current folder: its own path, whether it has a console
 * window, and its command line exactly as it was given.
 */
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <stdio.h>
#include <windows.h>

int main(void) {
  char self[MAX_PATH];
  if (GetModuleFileNameA(NULL, self, MAX_PATH) == 0) return 1;
  FILE* marker = fopen("arp-ran.txt", "ab");
  if (marker == NULL) return 1;
  fprintf(marker, "%s|%s|%s\n", self,
          GetConsoleWindow() == NULL ? "no console window" : "console window", GetCommandLineA());
  fclose(marker);
  return 0;
}
