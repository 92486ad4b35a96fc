/*
 * VornEN.dll as a Windows application meets it: loaded by file name, every
 * export found by name and by ordinal, the version resource read back, on
 * 32-bit the bytes each export removes from the stack measured, and then the
 * shared cases run against the simulated devices of the test bed.
 *
 * It refuses to open the library unless the only adapter besides loop-back
 * is the test bed's PC adapter, so that it never broadcasts on a real network.
 * The last line is "ALL OK" when everything passed.
 */
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
/* winsock2.h first: windows.h would otherwise pull in the old winsock.h. */
#include <stdio.h>
#include <string.h>
#include <windows.h>
/* windows.h before shellapi.h, which needs its types. */
#include <shellapi.h>

#include "vornen_cases.h"

typedef struct Export {
  const char* name;
  WORD ordinal;
  int removed; /* bytes the callee takes off the stack on 32-bit */
} Export;

/* Alphabetical order is ordinal order. */
static const Export kExports[7] = {
    {"En_Close", 1, 0},          {"En_Get_Dll_Version", 2, 8}, {"En_Get_IPAddress", 3, 12},
    {"En_Open", 4, 0},           {"En_SendRecvStr", 5, 24},    {"En_SendStr", 6, 12},
    {"En_Set_IPAddress", 7, 12},
};

static int g_failures = 0;

static void fail(const char* what) {
  printf("FAIL %s\n", what);
  ++g_failures;
}

/* The test bed's PC has one adapter, VORNEN_CASE_PC; anything else means this
 * is not the test bed. */
static int in_test_bed(void) {
  WSADATA data;
  if (WSAStartup(0x0202, &data) != 0) return 0;
  SOCKET s = WSASocketA(AF_INET, SOCK_DGRAM, 0, NULL, 0, 0);
  INTERFACE_INFO list[20];
  DWORD bytes = 0;
  int usable = 0;
  int ours = 0;
  if (s != INVALID_SOCKET &&
      WSAIoctl(s, SIO_GET_INTERFACE_LIST, NULL, 0, list, sizeof list, &bytes, NULL, NULL) == 0) {
    for (DWORD i = 0; i < bytes / sizeof list[0]; ++i) {
      if (list[i].iiFlags & IFF_LOOPBACK) continue;
      ++usable;
      if (list[i].iiAddress.AddressIn.sin_addr.s_addr == inet_addr(VORNEN_CASE_PC)) ours = 1;
    }
  }
  if (s != INVALID_SOCKET) closesocket(s);
  WSACleanup();
  return usable == 1 && ours;
}

static void check_exports(HMODULE library, FARPROC found[7]) {
  char what[128];
  for (int i = 0; i < 7; ++i) {
    FARPROC by_name = GetProcAddress(library, kExports[i].name);
    FARPROC by_ordinal = GetProcAddress(library, MAKEINTRESOURCEA(kExports[i].ordinal));
    printf("export %s @%u: %s\n", kExports[i].name, kExports[i].ordinal,
           by_name == NULL         ? "missing"
           : by_name == by_ordinal ? "same"
                                   : "different");
    if (by_name == NULL || by_name != by_ordinal) {
      snprintf(what, sizeof what, "export %s is not ordinal %u", kExports[i].name,
               kExports[i].ordinal);
      fail(what);
    }
    found[i] = by_name;
  }
  if (GetProcAddress(library, MAKEINTRESOURCEA(8)) != NULL) fail("an eighth export exists");
  if (GetProcAddress(library, "En_Open@0") != NULL || GetProcAddress(library, "_En_Open@0") != NULL)
    fail("a decorated name is exported");
}

static void check_version_resource(HMODULE library) {
  char path[MAX_PATH];
  if (GetModuleFileNameA(library, path, sizeof path) == 0) {
    fail("no module file name");
    return;
  }
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  static char info[8192];
  if (size == 0 || size > sizeof info || !GetFileVersionInfoA(path, 0, size, info)) {
    fail("no version resource");
    return;
  }
  VS_FIXEDFILEINFO* fixed = NULL;
  UINT length = 0;
  if (!VerQueryValueA(info, "\\", (void**)&fixed, &length) || fixed == NULL) {
    fail("no fixed version information");
    return;
  }
  printf("resource version: %u.%u.%u.%u product %u.%u.%u.%u\n",
         (unsigned)HIWORD(fixed->dwFileVersionMS), (unsigned)LOWORD(fixed->dwFileVersionMS),
         (unsigned)HIWORD(fixed->dwFileVersionLS), (unsigned)LOWORD(fixed->dwFileVersionLS),
         (unsigned)HIWORD(fixed->dwProductVersionMS), (unsigned)LOWORD(fixed->dwProductVersionMS),
         (unsigned)HIWORD(fixed->dwProductVersionLS), (unsigned)LOWORD(fixed->dwProductVersionLS));
  if (fixed->dwFileVersionMS != 0x00010000 || fixed->dwFileVersionLS != 0x00000001 ||
      fixed->dwProductVersionMS != 0x00010000 || fixed->dwProductVersionLS != 0x00000001)
    fail("version numbers are not 1,0,0,1");
  static const char* const kTexts[2] = {"FileVersion", "ProductVersion"};
  for (int i = 0; i < 2; ++i) {
    char query[64];
    char* text = NULL;
    snprintf(query, sizeof query, "\\StringFileInfo\\040904b0\\%s", kTexts[i]);
    if (!VerQueryValueA(info, query, (void**)&text, &length) || text == NULL) {
      fail(query);
      continue;
    }
    printf("resource %s: %s\n", kTexts[i], text);
    if (strcmp(text, "1, 0, 0, 1") != 0) fail(query);
  }
}

#if defined(__i386__)
/* Calls `function` with `count` 32-bit arguments pushed right to left and
 * returns how many bytes of them the callee removed; the stack is restored
 * whatever it did. */
int measured_call(FARPROC function, const DWORD* arguments, int count, int* result);
__asm__(
    ".text\n"
    ".globl _measured_call\n"
    "_measured_call:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %ebx\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  movl 12(%ebp), %esi\n"
    "  movl 16(%ebp), %ecx\n"
    "  movl %esp, %edi\n"
    "1:\n"
    "  testl %ecx, %ecx\n"
    "  jz 2f\n"
    "  decl %ecx\n"
    "  pushl (%esi,%ecx,4)\n"
    "  jmp 1b\n"
    "2:\n"
    "  movl 8(%ebp), %eax\n"
    "  call *%eax\n"
    "  movl 20(%ebp), %ecx\n"
    "  movl %eax, (%ecx)\n"
    "  movl %esp, %eax\n"
    "  subl %edi, %eax\n"
    "  movl 16(%ebp), %ecx\n"
    "  leal (%eax,%ecx,4), %eax\n"
    "  movl %edi, %esp\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebx\n"
    "  popl %ebp\n"
    "  ret\n");

/* The probe itself must tell the two conventions apart. */
static int __cdecl probe_cdecl(int a, int b) { return a + b; }
static int __stdcall probe_stdcall(int a, int b) { return a - b; }

static void check_probe(void) {
  const DWORD args[2] = {5, 3};
  int result = 0;
  const int cdecl_removed = measured_call((FARPROC)(void (*)(void))probe_cdecl, args, 2, &result);
  if (cdecl_removed != 0 || result != 8) fail("probe on a __cdecl function");
  const int stdcall_removed =
      measured_call((FARPROC)(void (*)(void))probe_stdcall, args, 2, &result);
  if (stdcall_removed != 8 || result != 2) fail("probe on a __stdcall function");
}

/* Each export with arguments that make it return at once, in an order that
 * leaves the library closed: -100 before the open, -1005 for bad texts. */
static void check_stack_cleanup(FARPROC found[7]) {
  char buffer[100];
  int32_t size = (int32_t)sizeof buffer;
  const DWORD version_args[2] = {(DWORD)(UINT_PTR)buffer, (DWORD)(UINT_PTR)&size};
  const DWORD find_args[3] = {0, (DWORD)(UINT_PTR)buffer, (DWORD)(UINT_PTR)&size};
  const DWORD ask_args[6] = {0, 0, 1, (DWORD)(UINT_PTR)buffer, (DWORD)(UINT_PTR)&size, '\r'};
  const DWORD send_args[3] = {0, 0, 1};
  const DWORD set_args[3] = {0, 0, 99};
  static const int kOrder[7] = {6, 1, 2, 4, 5, 3, 0}; /* set first, open, then close */
  const DWORD* args[7] = {NULL, version_args, find_args, NULL, ask_args, send_args, set_args};
  const int expected_result[7] = {0,
                                  0,
                                  ERR_ILLEGAL_INPUT_PARAMETER,
                                  0,
                                  ERR_ILLEGAL_INPUT_PARAMETER,
                                  ERR_ILLEGAL_INPUT_PARAMETER,
                                  ERR_ILLEGALSTATE_ONCONNECTION};
  for (int k = 0; k < 7; ++k) {
    const int i = kOrder[k];
    int result = 0;
    const int removed = measured_call(found[i], args[i], kExports[i].removed / 4, &result);
    printf("stack %s: removes %d bytes, returns %d\n", kExports[i].name, removed, result);
    if (removed != kExports[i].removed || result != expected_result[i]) {
      char what[96];
      snprintf(what, sizeof what, "stack %s", kExports[i].name);
      fail(what);
    }
  }
}
#endif

/* The folder of a path, without its last separator. */
static void folder_of(char* path) {
  char* last = strrchr(path, '\\');
  if (last != NULL) *last = '\0';
}

static int file_holds(const char* path, const char* text) {
  char content[512] = {0};
  FILE* f = fopen(path, "rb");
  if (f == NULL) return 0;
  fread(content, 1, sizeof content - 1, f);
  fclose(f);
  return strstr(content, text) != NULL;
}

/* A program called arp in the program's folder and in the current folder,
 * where a search by name looks first, must not be what an assignment starts:
 * the library starts the system's own arp by its full path. Whether the
 * planted one ran is known once a later start of it by its full path, the
 * sentinel, has left its mark: starts are taken in order. */
static void check_arp_by_full_path(const VornenApi* api) {
  char program_dir[MAX_PATH];
  char planted[MAX_PATH];
  char work[MAX_PATH];
  char in_program_dir[MAX_PATH];
  char in_work[MAX_PATH];
  char marker[MAX_PATH];
  GetModuleFileNameA(NULL, program_dir, MAX_PATH);
  folder_of(program_dir);
  snprintf(planted, sizeof planted, "%s\\vornen_planted_arp.exe", program_dir);
  snprintf(in_program_dir, sizeof in_program_dir, "%s\\arp.exe", program_dir);
  GetTempPathA(MAX_PATH, work);
  snprintf(work + strlen(work), sizeof work - strlen(work), "vornen-arp-%lu",
           (unsigned long)GetCurrentProcessId());
  snprintf(in_work, sizeof in_work, "%s\\arp.exe", work);
  snprintf(marker, sizeof marker, "%s\\arp-ran.txt", work);
  CreateDirectoryA(work, NULL);
  DeleteFileA(marker);
  if (!CopyFileA(planted, in_program_dir, FALSE) || !CopyFileA(planted, in_work, FALSE) ||
      !SetCurrentDirectoryA(work)) {
    fail("arp.plant");
  } else {
    api->open();
    /* B has this address already; only the arp start matters here. */
    const int32_t r = api->set_ip_address(VORNEN_CASE_MAC_B, VORNEN_CASE_ADDRESS_B, 8);
    api->close();
    printf("arp.set_b: %d\n", (int)r);
    ShellExecuteA(NULL, NULL, in_work, "sentinel", NULL, SW_HIDE);
    const DWORD start = GetTickCount();
    while (!file_holds(marker, "sentinel") && GetTickCount() - start < 20000) Sleep(50);
    if (!file_holds(marker, "sentinel")) fail("arp.sentinel_never_ran");
    if (file_holds(marker, "-s ")) fail("arp.planted_program_ran");
    printf("arp.by_full_path: %s\n", file_holds(marker, "-s ") ? "no" : "yes");
  }
  DeleteFileA(in_program_dir);
  DeleteFileA(in_work);
  DeleteFileA(marker);
  SetCurrentDirectoryA(program_dir);
  RemoveDirectoryA(work);
}

int main(void) {
  setvbuf(stdout, NULL, _IONBF, 0);
  if (!in_test_bed()) {
    printf("not in the test bed: the only adapter must be %s\n", VORNEN_CASE_PC);
    return 2;
  }
  HMODULE library = LoadLibraryA("VornEN.dll");
  if (library == NULL) {
    printf("FAIL LoadLibraryA(\"VornEN.dll\"): error %lu\n", GetLastError());
    return 1;
  }
  FARPROC found[7];
  check_exports(library, found);
  check_version_resource(library);
  if (g_failures != 0) return 1;
#if defined(__i386__)
  check_probe();
  check_stack_cleanup(found);
#endif

  /* Through void (*)(void), the type that converts to any function type. */
#define EXPORT_AS(type, function) ((type)(void (*)(void))(function))
  VornenApi api;
  api.close = EXPORT_AS(int32_t(WINAPI*)(void), found[0]);
  api.get_dll_version = EXPORT_AS(int32_t(WINAPI*)(char*, int32_t*), found[1]);
  api.get_ip_address = EXPORT_AS(int32_t(WINAPI*)(const char*, char*, int32_t*), found[2]);
  api.open = EXPORT_AS(int32_t(WINAPI*)(void), found[3]);
  api.send_recv_str = EXPORT_AS(
      int32_t(WINAPI*)(const char*, const char*, int32_t, char*, int32_t*, int32_t), found[4]);
  api.send_str = EXPORT_AS(int32_t(WINAPI*)(const char*, const char*, int32_t), found[5]);
  api.set_ip_address = EXPORT_AS(int32_t(WINAPI*)(const char*, const char*, int32_t), found[6]);
  g_failures += vornen_run_cases(&api, stdout);
  check_arp_by_full_path(&api);

  FreeLibrary(library);
  if (g_failures != 0) {
    printf("%d FAILED\n", g_failures);
    return 1;
  }
  printf("ALL OK\n");
  return 0;
}
