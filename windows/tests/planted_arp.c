/*
 * Stands in for a program called "arp" that someone left in the current
 * folder or the program's folder: it only notes that it ran, and with which
 * parameters, in arp-ran.txt in its current folder.
 */
#include <stdio.h>

int main(int argc, char** argv) {
  FILE* marker = fopen("arp-ran.txt", "a");
  if (marker == NULL) return 1;
  for (int i = 1; i < argc; ++i) fprintf(marker, "%s%s", i > 1 ? " " : "", argv[i]);
  fputc('\n', marker);
  fclose(marker);
  return 0;
}
