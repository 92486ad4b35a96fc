/*
 * Starts a program as an administrator's programs start without "Run as
 * administrator": with the limited token that is linked to this process's
 * elevated one. Its arguments are the program and the program's arguments,
 * passed on exactly as they were written on its own command line; the child
 * shares its standard handles, and it exits with the child's exit code once
 * the child has ended. It refuses (exit 125, a line on standard error) when
 * its own token has no linked token, or when the linked one is the elevated
 * one (this process itself runs limited), so that a child it starts never
 * has more rights than asked for.
 */
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <stdio.h>
#include <windows.h>

enum { kRefused = 125 };

static int refuse(const char* what) {
  const DWORD error = GetLastError();
  if (error != 0) {
    fprintf(stderr, "run_limited: %s (error %lu)\n", what, (unsigned long)error);
  } else {
    fprintf(stderr, "run_limited: %s\n", what);
  }
  return kRefused;
}

/* The command line after this program's own name, as it was written. */
static wchar_t* arguments_of(wchar_t* line) {
  if (*line == L'"') {
    ++line;
    while (*line != L'\0' && *line != L'"') ++line;
    if (*line == L'"') ++line;
  } else {
    while (*line != L'\0' && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

/* The standard handles, made inheritable so that the child writes where
 * this process writes. */
static void share_standard_handles(STARTUPINFOW* startup) {
  const DWORD which[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  HANDLE handles[3];
  for (int i = 0; i < 3; ++i) {
    handles[i] = GetStdHandle(which[i]);
    if (handles[i] != NULL && handles[i] != INVALID_HANDLE_VALUE) {
      SetHandleInformation(handles[i], HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
  }
  startup->dwFlags |= STARTF_USESTDHANDLES;
  startup->hStdInput = handles[0];
  startup->hStdOutput = handles[1];
  startup->hStdError = handles[2];
}

/* Starts `command` with `token`, waits for it and returns its exit code. */
static int run_with(HANDLE token, wchar_t* command) {
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  share_standard_handles(&startup);
  PROCESS_INFORMATION child;
  if (!CreateProcessAsUserW(token, NULL, command, NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                            &child)) {
    return refuse("CreateProcessAsUserW failed");
  }
  CloseHandle(child.hThread);
  DWORD code = kRefused;
  if (WaitForSingleObject(child.hProcess, INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(child.hProcess, &code)) {
    code = (DWORD)refuse("cannot wait for the program");
  }
  CloseHandle(child.hProcess);
  return (int)code;
}

/* With this process's token open: the limited token as a primary token, or
 * NULL after saying why not. */
static HANDLE limited_token(HANDLE own) {
  TOKEN_LINKED_TOKEN linked;
  DWORD size = 0;
  if (!GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size)) {
    refuse("this process's token has no linked token");
    return NULL;
  }
  TOKEN_ELEVATION elevation;
  HANDLE primary = NULL;
  if (!GetTokenInformation(linked.LinkedToken, TokenElevation, &elevation, sizeof elevation,
                           &size)) {
    refuse("cannot read the linked token's elevation");
  } else if (elevation.TokenIsElevated) {
    SetLastError(0);
    refuse("the linked token is the elevated one: this process already runs limited");
  } else if (!DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, NULL, SecurityImpersonation,
                               TokenPrimary, &primary)) {
    refuse("cannot make a primary token of the linked token");
    primary = NULL;
  }
  CloseHandle(linked.LinkedToken);
  return primary;
}

int main(void) {
  wchar_t* command = arguments_of(GetCommandLineW());
  if (*command == L'\0') {
    fputs("usage: run_limited PROGRAM [ARGUMENT...]\n", stderr);
    return kRefused;
  }
  HANDLE own = NULL;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) {
    return refuse("cannot open this process's token");
  }
  HANDLE token = limited_token(own);
  CloseHandle(own);
  if (token == NULL) return kRefused;
  const int code = run_with(token, command);
  CloseHandle(token);
  return code;
}
