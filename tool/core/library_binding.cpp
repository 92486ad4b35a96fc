#include "library_binding.h"

#include <algorithm>
#include <array>

namespace setvornip {

namespace {

using Buffer = std::array<char, kTextBufferSize>;

std::u16string Latin(std::string_view text) { return {text.begin(), text.end()}; }

// The buffer goes out zeroed and comes back as 8-bit text in the system's
// code page; the tool keeps as many characters as the library reported,
// without looking for a terminator.
std::u16string TextFromBuffer(const Buffer& buffer, int32_t length) {
  const std::u16string whole = FromLibraryText(buffer.data(), buffer.size());
  return whole.substr(0, static_cast<std::size_t>(std::clamp(length, 0, kTextBufferSize)));
}

}  // namespace

// Resolves one export on its first use; the slot then keeps it for the run.
// Returns the log text for a failure, or an empty text.
template <typename Fn>
std::u16string LibraryBinding::Bind(Fn& slot, const char* name) {
  if (slot != nullptr) return {};
  for (const std::string& path : file_.tried) {
    if (library_.Loaded()) break;
    library_ = SharedLibrary::Load(path);
  }
  if (!library_.Loaded()) return u"ＤＬＬ「" + file_.shown + u"」を読み込めない";
  slot = reinterpret_cast<Fn>(library_.Find(name));
  if (slot == nullptr) return u"ＤＬＬ「" + file_.shown + u"」に関数「" + Latin(name) + u"」がない";
  return {};
}

CallResult LibraryBinding::Open() {
  CallResult result;
  result.bind_failure = Bind(open_, "En_Open");
  if (result.bind_failure.empty()) result.code = open_();
  return result;
}

TextResult LibraryBinding::GetDllVersion() {
  TextResult result;
  result.call.bind_failure = Bind(get_dll_version_, "En_Get_Dll_Version");
  if (!result.call.bind_failure.empty()) return result;
  Buffer buffer{};
  int32_t length = kTextBufferSize;
  result.call.code = get_dll_version_(buffer.data(), &length);
  if (result.call.code >= 0) result.text = TextFromBuffer(buffer, length);
  return result;
}

CallResult LibraryBinding::SetIpAddress(std::u16string_view mac, std::u16string_view address,
                                        int32_t host_bits) {
  CallResult result;
  result.bind_failure = Bind(set_ip_address_, "En_Set_IPAddress");
  if (!result.bind_failure.empty()) return result;
  // 8-bit copies made just before the call; they outlive it.
  const std::string mac_text = ToLibraryText(mac);
  const std::string address_text = ToLibraryText(address);
  result.code = set_ip_address_(mac_text.c_str(), address_text.c_str(), host_bits);
  return result;
}

TextResult LibraryBinding::GetIpAddress(std::u16string_view mac) {
  TextResult result;
  result.call.bind_failure = Bind(get_ip_address_, "En_Get_IPAddress");
  if (!result.call.bind_failure.empty()) return result;
  const std::string mac_text = ToLibraryText(mac);
  Buffer buffer{};
  int32_t length = kTextBufferSize;
  result.call.code = get_ip_address_(mac_text.c_str(), buffer.data(), &length);
  if (result.call.code >= 0) result.text = TextFromBuffer(buffer, length);
  return result;
}

}  // namespace setvornip
