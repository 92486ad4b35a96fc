#ifndef SETVORNIP_TESTS_FAKE_FAKE_VORNEN_H
#define SETVORNIP_TESTS_FAKE_FAKE_VORNEN_H

#include <stdint.h>

// Control functions of the fake library. Tests resolve them by name from the
// fake's file, just as the tool resolves the seven exports, so that the fake
// is loaded only when the test or the tool asks for it.
// Forgets the script and the calls: every export answers 0, the version text
// is the real library's, and the found address is "192.168.16.100".
using FakeResetFn = void (*)();
// Scripts the result code of an export by its name.
using FakeSetResultFn = void (*)(const char* export_name, int32_t result);
// Scripts the text that En_Get_Dll_Version or En_Get_IPAddress writes.
using FakeSetTextFn = void (*)(const char* export_name, const char* text);
// Scripts the length an export reports instead of its text's length (-1 for
// the text's own length).
using FakeSetLengthFn = void (*)(const char* export_name, int32_t length);
// How often an export was called since the last reset.
using FakeCallsFn = int32_t (*)(const char* export_name);
// Arguments of the last En_Set_IPAddress or En_Get_IPAddress.
using FakeLastHostBitsFn = int32_t (*)();
using FakeLastTextFn = const char* (*)();
// Calls `hook` with the export's name at the start of every export, so that a
// test sees the window as it is while the library blocks it (nullptr: none).
using FakeHookFn = void (*)(const char* export_name);
using FakeSetHookFn = void (*)(FakeHookFn hook);

#endif  // SETVORNIP_TESTS_FAKE_FAKE_VORNEN_H
