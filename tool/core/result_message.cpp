#include "result_message.h"

#include <VornEN.h>

#include <iterator>
#include <string>
#include <string_view>

namespace setvornip {

namespace {

constexpr std::size_t kNameColumns = 32;

constexpr char16_t kNetwork[] = u"ネットワーク異常";
constexpr char16_t kState[] = u"ステートが異常";
constexpr char16_t kIoFailed[] = u"IO操作に失敗";
constexpr char16_t kBadIp[] = u"入力変数のIPが不正";

struct Entry {
  int32_t code;
  const char* name;  // empty for a code shown by its description alone
  const char16_t* description;
};

// Codes the library never returns are listed too: they share its numbering.
constexpr Entry kEntries[] = {
    {ERR_WSASTARTUPFAIL, "ERR_WSASTARTUPFAIL", kNetwork},
    {ERR_WINSOCKVERSIONFAIL, "ERR_WINSOCKVERSIONFAIL", kNetwork},
    {ERR_SOCKETONINFO, "ERR_SOCKETONINFO", kNetwork},
    {ERR_WSAIOCTLONINFO, "ERR_WSAIOCTLONINFO", kNetwork},
    {ERR_NONETWORKINTERFACEONINFO, "ERR_NONETWORKINTERFACEONINFO", u"ネットワークアダプタがない"},
    {ERR_TOOMANYNONETWORKINTERFACE, "ERR_TOOMANYNONETWORKINTERFACE",
     u"複数のネットワークアダプタが検出"},
    {ERR_ILLEGALSTATE_ONCONNECTION, "ERR_ILLEGALSTATE_ONCONNECTION", kState},
    {ERR_TIMEOUT_ONCONNECTION, "ERR_TIMEOUT_ONCONNECTION", u"接続タイムアウト"},
    {ERR_SOCKET, "ERR_SOCKET", kNetwork},
    {ERR_WSACREATEEVENT, "ERR_WSACREATEEVENT", kNetwork},
    {ERR_EVENTSELECT, "ERR_EVENTSELECT", kNetwork},
    {ERR_GETHOSTBYNAME, "ERR_GETHOSTBYNAME", kNetwork},
    {ERR_CONNECT, "ERR_CONNECT", kNetwork},
    {ERR_NETWORKEVENT_ONCONNECTION, "ERR_NETWORKEVENT_ONCONNECTION", kNetwork},
    {ERR_UNEXPECTEDEVENT_ONCONNECTION, "ERR_UNEXPECTEDEVENT_ONCONNECTION", kNetwork},
    {ERR_ILLEGALSTATE_ONWRITE, "ERR_ILLEGALSTATE_ONWRITE", kState},
    {ERR_SENDERR, "ERR_SENDERR", kNetwork},
    {ERR_ILLEGALSTATE_ONREAD, "ERR_ILLEGALSTATE_ONREAD", kState},
    {ERR_TIMEOUT_ONREAD, "ERR_TIMEOUT_ONREAD", kNetwork},
    {ERR_NETWORKEVENT_ONREAD, "ERR_NETWORKEVENT_ONREAD", kNetwork},
    {ERR_RECVFAIL, "ERR_RECVFAIL", kNetwork},
    {ERR_UNEXPECTEDEVENT_ONREAD, "ERR_UNEXPECTEDEVENT_ONREAD", kNetwork},
    {ERR_UNEXPECTEDREADLENGTH, "ERR_UNEXPECTEDREADLENGTH", kNetwork},
    {ERR_ILLEGALSTATE_ONRELSEASE, "ERR_ILLEGALSTATE_ONRELSEASE", kState},
    {ERR_UDP_ILLEGALSTATE_ONSEND, "ERR_UDP_ILLEGALSTATE_ONSEND", kState},
    {ERR_UDP_SOCKET, "ERR_UDP_SOCKET", kNetwork},
    {ERR_UDP_WSACREATEEVENT, "ERR_UDP_WSACREATEEVENT", kNetwork},
    {ERR_UDP_EVENTSELECT, "ERR_UDP_EVENTSELECT", kNetwork},
    {ERR_UDP_TIMEOUT_ONREAD, "ERR_UDP_TIMEOUT_ONREAD", kNetwork},
    {ERR_UDP_NETWORKEVENT_ONREAD, "ERR_UDP_NETWORKEVENT_ONREAD", kNetwork},
    {ERR_UDP_GETHOSTBYNAME, "ERR_UDP_GETHOSTBYNAME", kNetwork},
    {ERR_UDP_SENDTO, "ERR_UDP_SENDTO", kNetwork},
    {ERR_UDP_CANNOTSENDFULLDATA, "ERR_UDP_CANNOTSENDFULLDATA", kNetwork},
    {ERR_UDP_RECV, "ERR_UDP_RECV", kNetwork},
    {ERR_UDP_ILLEGAL_RECV_DATA_BYTE, "ERR_UDP_ILLEGAL_RECV_DATA_BYTE", kNetwork},
    {ERR_UDP_ILLEGALSTATE_ONRECEIVE, "ERR_UDP_ILLEGALSTATE_ONRECEIVE", kState},
    {ERR_UDP_UNEXPECTEDEVENT_ONREAD, "ERR_UDP_UNEXPECTEDEVENT_ONREAD", kNetwork},
    {ERR_UDP_ILLEGALSTATE_ONEND, "ERR_UDP_ILLEGALSTATE_ONEND", kState},
    {ERR_MIDDLE_SETIOSTATE, "ERR_MIDDLE_SETIOSTATE", kIoFailed},
    {ERR_MIDDLE_GETIOSTATE, "ERR_MIDDLE_GETIOSTATE", kIoFailed},
    {ERR_MIDDLE_ILLEGALMAC, "ERR_MIDDLE_ILLEGALMAC", u"入力変数のMACが不正"},
    {ERR_MIDDLE_ILLEGALIP, "ERR_MIDDLE_ILLEGALIP", kBadIp},
    {ERR_ILLEGAL_INPUT_PARAMETER, "ERR_ILLEGAL_INPUT_PARAMETER", u"入力変数が異常"},
    {ERR_ILLEGALSTATE_ONIPSETGET, "ERR_ILLEGALSTATE_ONIPSETGET", kState},
    {ERR_INPUTED_IP_MAY_UNREACHABLE, "ERR_INPUTED_IP_MAY_UNREACHABLE", kBadIp},
    {ERR_NODEVICE_FORMAC, "", u"指定ＭＡＣアドレスのデバイスが存在しない。"},
};

static_assert(std::size(kEntries) == 46);

}  // namespace

std::u16string ResultMessage(int32_t code) {
  std::u16string text;
  for (const char c : std::to_string(code)) text += static_cast<char16_t>(c);
  text += u'：';
  for (const Entry& entry : kEntries) {
    if (entry.code != code) continue;
    const std::string_view name = entry.name;
    if (!name.empty()) {
      text.append(name.begin(), name.end());
      // The one 32-character name runs straight into its description.
      if (name.size() < kNameColumns) text.append(kNameColumns - name.size(), u' ');
    }
    return text + entry.description;
  }
  return text + u"未定義エラー";
}

}  // namespace setvornip
