/*
 * VornEN.dll as a Windows application meets it: loaded by file name, every
 * export found by name and by ordinal, the version resource read back, on
 * 32-bit the bytes each export removes from the stack measured, and then the
 * shared cases run against the simulated devices of the test bed, followed by
 * the start of arp. Started with "two-adapters" it checks instead how
 * VORNEN_INTERFACE picks one of the PC's two adapters.
 *
 * It refuses to open the library unless the adapters besides loop-back are
 * exactly the test bed's, so that it never broadcasts on a real network.
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

/* B's MAC in the colon form, which the library takes as well. */
static const char kMacBColons[] = "00:20:4A:8D:72:44";

/* The second adapter of the two-adapter run, extra0 with 10.1.2.3/8. */
#define EXTRA_ADDRESS "10.1.2.3"

static void fail(const char* what) {
  printf("FAIL %s\n", what);
  ++g_failures;
}

/* The usable adapters' addresses must be exactly `expected` (the test bed's
 * PC with one or two adapters); anything else means this is not the test bed. */
static int adapters_are(const char* const* expected, int count) {
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
      for (int k = 0; k < count; ++k) {
        if (list[i].iiAddress.AddressIn.sin_addr.s_addr == inet_addr(expected[k])) ++ours;
      }
    }
  }
  if (s != INVALID_SOCKET) closesocket(s);
  WSACleanup();
  return usable == count && ours == count;
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

/* The text of a file, or an empty text. */
static void read_text(const char* path, char* content, size_t room) {
  content[0] = '\0';
  FILE* f = fopen(path, "rb");
  if (f == NULL) return;
  const size_t n = fread(content, 1, room - 1, f);
  content[n] = '\0';
  fclose(f);
}

static int count_lines(const char* text) {
  int n = 0;
  for (const char* p = strchr(text, '\n'); p != NULL; p = strchr(p + 1, '\n')) ++n;
  return n;
}

/* arp as an assignment starts it, seen through the stand-in planted in the
 * system folder (the system's own kept aside and put back) and in the
 * program's folder and the current folder, where a search by name would look
 * first. For the MAC in either form the system folder's arp must run, by its
 * full path, without a console window, with the MAC in the hyphen form that
 * Windows' arp takes. */
static void check_arp_start(const VornenApi* api) {
  char loaded_from[MAX_PATH];
  char program_dir[MAX_PATH];
  char planted[MAX_PATH];
  char system_arp[MAX_PATH];
  char kept[MAX_PATH + 16];
  char work[MAX_PATH];
  char in_program_dir[MAX_PATH];
  char in_work[MAX_PATH];
  char marker[MAX_PATH];
  GetModuleFileNameA(NULL, program_dir, MAX_PATH);
  folder_of(program_dir);
  snprintf(planted, sizeof planted, "%s\\vornen_planted_arp.exe", program_dir);
  snprintf(in_program_dir, sizeof in_program_dir, "%s\\arp.exe", program_dir);
  const UINT system_length = GetSystemDirectoryA(system_arp, MAX_PATH - 8);
  snprintf(system_arp + system_length, MAX_PATH - system_length, "\\arp.exe");
  snprintf(kept, sizeof kept, "%s.vornen-kept", system_arp);
  /* A 32-bit program on 64-bit Windows gets the 32-bit arp through the
   * system folder's redirection. */
  BOOL wow64 = FALSE;
  const UINT loaded_length = IsWow64Process(GetCurrentProcess(), &wow64) && wow64
                                 ? GetSystemWow64DirectoryA(loaded_from, MAX_PATH - 8)
                                 : GetSystemDirectoryA(loaded_from, MAX_PATH - 8);
  snprintf(loaded_from + loaded_length, MAX_PATH - loaded_length, "\\arp.exe");
  GetTempPathA(MAX_PATH, work);
  snprintf(work + strlen(work), sizeof work - strlen(work), "vornen-arp-%lu",
           (unsigned long)GetCurrentProcessId());
  snprintf(in_work, sizeof in_work, "%s\\arp.exe", work);
  snprintf(marker, sizeof marker, "%s\\arp-ran.txt", work);
  CreateDirectoryA(work, NULL);
  DeleteFileA(marker);
  /* A run that ended early left the system's arp aside. */
  if (GetFileAttributesA(kept) != INVALID_FILE_ATTRIBUTES)
    MoveFileExA(kept, system_arp, MOVEFILE_REPLACE_EXISTING);
  /* Wine starts its own arp from the system folder unless told to prefer
   * the file there; Windows reads nothing of this key. */
  HKEY overrides = NULL;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, NULL, 0, KEY_SET_VALUE,
                      NULL, &overrides, NULL) != ERROR_SUCCESS ||
      RegSetValueExA(overrides, "arp.exe", 0, REG_SZ, (const BYTE*)"native", 7) != ERROR_SUCCESS ||
      !MoveFileExA(system_arp, kept, 0) || !CopyFileA(planted, system_arp, FALSE) ||
      !CopyFileA(planted, in_program_dir, FALSE) || !CopyFileA(planted, in_work, FALSE) ||
      !SetCurrentDirectoryA(work)) {
    fail("arp.plant");
  } else {
    api->open();
    /* B has this address already; only the arp start matters here. */
    const int32_t colon = api->set_ip_address(kMacBColons, VORNEN_CASE_ADDRESS_B, 8);
    const int32_t hyphen = api->set_ip_address(VORNEN_CASE_MAC_B, VORNEN_CASE_ADDRESS_B, 8);
    api->close();
    printf("arp.set_b: %d %d\n", (int)colon, (int)hyphen);
    /* arp is not waited for: its lines come when they come. */
    char ran[1024];
    const DWORD start = GetTickCount();
    do {
      Sleep(50);
      read_text(marker, ran, sizeof ran);
    } while (count_lines(ran) < 2 && GetTickCount() - start < 20000);
    char line[512];
    snprintf(line, sizeof line, "%s|no console window|\"%s\" -s %s %s \n", loaded_from, system_arp,
             VORNEN_CASE_ADDRESS_B, VORNEN_CASE_MAC_B);
    char expected[1024];
    snprintf(expected, sizeof expected, "%s%s", line, line);
    printf("arp.ran:\n%s", ran);
    if (strcmp(ran, expected) != 0) {
      printf("arp.expected:\n%s", expected);
      fail("arp.start");
    }
  }
  DeleteFileA(in_program_dir);
  DeleteFileA(in_work);
  DeleteFileA(marker);
  if (GetFileAttributesA(kept) != INVALID_FILE_ATTRIBUTES &&
      !MoveFileExA(kept, system_arp, MOVEFILE_REPLACE_EXISTING))
    fail("arp.put_back");
  if (overrides != NULL) {
    RegDeleteValueA(overrides, "arp.exe");
    RegCloseKey(overrides);
  }
  SetCurrentDirectoryA(program_dir);
  RemoveDirectoryA(work);
}

/* The test bed's PC with a second adapter: VORNEN_INTERFACE picks one by
 * its friendly name (under Wine the Linux interface name) or by its address.
 * Which one was picked shows in the subnet test of an assignment, made before
 * anything is sent, and in a discovery that only pc0's network answers. */
typedef struct Pick {
  const char* value; /* NULL: the variable is removed */
  int32_t opened;
  const char* finds_a; /* A's address when discovery must find A */
  const char* refused; /* an address the subnet test must refuse */
} Pick;

static void check_adapter_picks(const VornenApi* api) {
  static const Pick kPicks[] = {
      {NULL, ERR_TOOMANYNONETWORKINTERFACE, NULL, NULL},
      {"pc0", 0, VORNEN_CASE_ADDRESS_A, "10.1.2.100"},
      {"extra0", 0, NULL, VORNEN_CASE_ADDRESS_B},
      {"PC0", 0, NULL, "10.1.2.100"},
      {VORNEN_CASE_PC, 0, VORNEN_CASE_ADDRESS_A, "10.1.2.100"},
      {EXTRA_ADDRESS, 0, NULL, VORNEN_CASE_ADDRESS_B},
      {"nosuch0", ERR_NONETWORKINTERFACEONINFO, NULL, NULL},
      {"", ERR_TOOMANYNONETWORKINTERFACE, NULL, NULL},
  };
  for (size_t i = 0; i < sizeof kPicks / sizeof kPicks[0]; ++i) {
    const Pick* pick = &kPicks[i];
    char what[96];
    snprintf(what, sizeof what, "interface %s", pick->value == NULL ? "unset" : pick->value);
    SetEnvironmentVariableA("VORNEN_INTERFACE", pick->value);
    const int32_t opened = api->open();
    printf("%s: open %d\n", what, (int)opened);
    if (opened != pick->opened) fail(what);
    if (pick->finds_a != NULL) {
      char found[32] = {0};
      int32_t capacity = (int32_t)sizeof found;
      const int32_t r = api->get_ip_address(VORNEN_CASE_MAC_A, found, &capacity);
      printf("%s: finds A %d %s\n", what, (int)r, found);
      if (r != 0 || strcmp(found, pick->finds_a) != 0) fail(what);
    }
    if (pick->refused != NULL) {
      const int32_t r = api->set_ip_address(VORNEN_CASE_MAC_B, pick->refused, 8);
      printf("%s: set %s %d\n", what, pick->refused, (int)r);
      if (r != ERR_INPUTED_IP_MAY_UNREACHABLE) fail(what);
    }
  }
  api->close();
  SetEnvironmentVariableA("VORNEN_INTERFACE", NULL);
}

int main(int argc, char** argv) {
  setvbuf(stdout, NULL, _IONBF, 0);
  /* With "two-adapters" the PC has a second adapter and only the choice
   * between them is checked. */
  const int two = argc > 1 && strcmp(argv[1], "two-adapters") == 0;
  static const char* const kAdapters[2] = {VORNEN_CASE_PC, EXTRA_ADDRESS};
  if (!adapters_are(kAdapters, two ? 2 : 1)) {
    printf("not in the test bed: the adapters must be %s%s\n", VORNEN_CASE_PC,
           two ? " and " EXTRA_ADDRESS : " alone");
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
  /* The measured calls expect the one adapter of the cases. */
  if (!two) {
    check_probe();
    check_stack_cleanup(found);
  }
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
  if (two) {
    check_adapter_picks(&api);
  } else {
    g_failures += vornen_run_cases(&api, stdout);
    check_arp_start(&api);
  }

  FreeLibrary(library);
  if (g_failures != 0) {
    printf("%d FAILED\n", g_failures);
    return 1;
  }
  printf("ALL OK\n");
  return 0;
}
