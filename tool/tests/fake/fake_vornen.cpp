// A stand-in for the device access library: the seven exports answer what a
// test scripted and record how they were called. Built once whole and once
// without En_Get_IPAddress, to see the tool cope with a missing export.
#include "fake_vornen.h"

#include <VornEN.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

// The library's own build takes its exports from VornEN.def on Windows; a
// stand-in marks its own.
#if defined(_WIN32)
#define FAKE_EXPORT __declspec(dllexport)
#else
#define FAKE_EXPORT __attribute__((visibility("default")))
#endif
#define FAKE_API extern "C" FAKE_EXPORT

namespace {

struct Script {
  std::map<std::string, int32_t> results;
  std::map<std::string, std::string> texts{{"En_Get_Dll_Version", VORNEN_VERSION_TEXT},
                                           {"En_Get_IPAddress", "192.168.16.100"}};
  std::map<std::string, int32_t> lengths;
  std::map<std::string, int32_t> calls;
  int32_t last_host_bits = -1;
  std::string last_mac;
  std::string last_address;
  FakeHookFn hook = nullptr;
};

Script& State() {
  static Script script;
  return script;
}

// Counts the call and gives its scripted result.
int32_t Answer(const std::string& name) {
  ++State().calls[name];
  if (State().hook != nullptr) State().hook(name.c_str());
  const auto found = State().results.find(name);
  return found == State().results.end() ? 0 : found->second;
}

// Writes the scripted text as the real library does: as much as the
// capacity allows, the terminator included when it fits.
void WriteText(const std::string& name, char* buffer, int32_t* capacity) {
  const std::string& text = State().texts[name];
  const auto count = std::min<size_t>(text.size() + 1, static_cast<size_t>(*capacity));
  std::memcpy(buffer, text.c_str(), count);
  const auto length = State().lengths.find(name);
  if (length != State().lengths.end() && length->second >= 0) {
    *capacity = length->second;
  } else if (count > text.size()) {
    *capacity = static_cast<int32_t>(text.size());
  }
}

}  // namespace

FAKE_EXPORT int32_t VORNEN_CALL En_Open(void) { return Answer("En_Open"); }

FAKE_EXPORT int32_t VORNEN_CALL En_Close(void) { return Answer("En_Close"); }

FAKE_EXPORT int32_t VORNEN_CALL En_SendStr(const char*, const char*, int32_t) {
  return Answer("En_SendStr");
}

FAKE_EXPORT int32_t VORNEN_CALL En_SendRecvStr(const char*, const char*, int32_t, char*, int32_t*,
                                               int32_t) {
  return Answer("En_SendRecvStr");
}

#ifndef FAKE_VORNEN_WITHOUT_GET_IPADDRESS
FAKE_EXPORT int32_t VORNEN_CALL En_Get_IPAddress(const char* mac, char* buffer, int32_t* capacity) {
  const int32_t result = Answer("En_Get_IPAddress");
  State().last_mac = mac;
  if (result == 0) WriteText("En_Get_IPAddress", buffer, capacity);
  return result;
}
#endif

FAKE_EXPORT int32_t VORNEN_CALL En_Set_IPAddress(const char* mac, const char* address,
                                                 int32_t host_bits) {
  const int32_t result = Answer("En_Set_IPAddress");
  State().last_mac = mac;
  State().last_address = address;
  State().last_host_bits = host_bits;
  return result;
}

FAKE_EXPORT int32_t VORNEN_CALL En_Get_Dll_Version(char* buffer, int32_t* length) {
  const int32_t result = Answer("En_Get_Dll_Version");
  if (result == 0) WriteText("En_Get_Dll_Version", buffer, length);
  return result;
}

FAKE_API void fake_vornen_reset() { State() = Script{}; }

FAKE_API void fake_vornen_set_hook(FakeHookFn hook) { State().hook = hook; }

FAKE_API void fake_vornen_set_result(const char* export_name, int32_t result) {
  State().results[export_name] = result;
}

FAKE_API void fake_vornen_set_text(const char* export_name, const char* text) {
  State().texts[export_name] = text;
}

FAKE_API void fake_vornen_set_length(const char* export_name, int32_t length) {
  State().lengths[export_name] = length;
}

FAKE_API int32_t fake_vornen_calls(const char* export_name) {
  const auto found = State().calls.find(export_name);
  return found == State().calls.end() ? 0 : found->second;
}

FAKE_API int32_t fake_vornen_last_host_bits() { return State().last_host_bits; }

FAKE_API const char* fake_vornen_last_mac() { return State().last_mac.c_str(); }

FAKE_API const char* fake_vornen_last_address() { return State().last_address.c_str(); }
