#include "result_message.h"

#include <gtest/gtest.h>

#include <string>

namespace setvornip {
namespace {

struct Message {
  int32_t code;
  std::u16string expected;
};

// The operator reads these texts in the log; they are compared whole, blanks
// and full-width characters included.
TEST(ResultMessage, NamedCodeGivesNumberThenItsText) {
  const Message messages[] = {
      {-10, u"-10：ERR_WSASTARTUPFAIL              ネットワーク異常"},
      {-11, u"-11：ERR_WINSOCKVERSIONFAIL          ネットワーク異常"},
      {-12, u"-12：ERR_SOCKETONINFO                ネットワーク異常"},
      {-13, u"-13：ERR_WSAIOCTLONINFO              ネットワーク異常"},
      {-14, u"-14：ERR_NONETWORKINTERFACEONINFO    ネットワークアダプタがない"},
      {-15, u"-15：ERR_TOOMANYNONETWORKINTERFACE   複数のネットワークアダプタが検出"},
      {-100, u"-100：ERR_ILLEGALSTATE_ONCONNECTION   ステートが異常"},
      {-101, u"-101：ERR_TIMEOUT_ONCONNECTION        接続タイムアウト"},
      {-102, u"-102：ERR_SOCKET                      ネットワーク異常"},
      {-103, u"-103：ERR_WSACREATEEVENT              ネットワーク異常"},
      {-104, u"-104：ERR_EVENTSELECT                 ネットワーク異常"},
      {-105, u"-105：ERR_GETHOSTBYNAME               ネットワーク異常"},
      {-106, u"-106：ERR_CONNECT                     ネットワーク異常"},
      {-107, u"-107：ERR_NETWORKEVENT_ONCONNECTION   ネットワーク異常"},
      {-108, u"-108：ERR_UNEXPECTEDEVENT_ONCONNECTIONネットワーク異常"},
      {-200, u"-200：ERR_ILLEGALSTATE_ONWRITE        ステートが異常"},
      {-201, u"-201：ERR_SENDERR                     ネットワーク異常"},
      {-300, u"-300：ERR_ILLEGALSTATE_ONREAD         ステートが異常"},
      {-301, u"-301：ERR_TIMEOUT_ONREAD              ネットワーク異常"},
      {-302, u"-302：ERR_NETWORKEVENT_ONREAD         ネットワーク異常"},
      {-303, u"-303：ERR_RECVFAIL                    ネットワーク異常"},
      {-304, u"-304：ERR_UNEXPECTEDEVENT_ONREAD      ネットワーク異常"},
      {-310, u"-310：ERR_UNEXPECTEDREADLENGTH        ネットワーク異常"},
      {-400, u"-400：ERR_ILLEGALSTATE_ONRELSEASE     ステートが異常"},
      {-500, u"-500：ERR_UDP_ILLEGALSTATE_ONSEND     ステートが異常"},
      {-501, u"-501：ERR_UDP_SOCKET                  ネットワーク異常"},
      {-502, u"-502：ERR_UDP_WSACREATEEVENT          ネットワーク異常"},
      {-503, u"-503：ERR_UDP_EVENTSELECT             ネットワーク異常"},
      {-504, u"-504：ERR_UDP_TIMEOUT_ONREAD          ネットワーク異常"},
      {-505, u"-505：ERR_UDP_NETWORKEVENT_ONREAD     ネットワーク異常"},
      {-506, u"-506：ERR_UDP_GETHOSTBYNAME           ネットワーク異常"},
      {-507, u"-507：ERR_UDP_SENDTO                  ネットワーク異常"},
      {-508, u"-508：ERR_UDP_CANNOTSENDFULLDATA      ネットワーク異常"},
      {-509, u"-509：ERR_UDP_RECV                    ネットワーク異常"},
      {-510, u"-510：ERR_UDP_ILLEGAL_RECV_DATA_BYTE  ネットワーク異常"},
      {-511, u"-511：ERR_UDP_ILLEGALSTATE_ONRECEIVE  ステートが異常"},
      {-512, u"-512：ERR_UDP_UNEXPECTEDEVENT_ONREAD  ネットワーク異常"},
      {-513, u"-513：ERR_UDP_ILLEGALSTATE_ONEND      ステートが異常"},
      {-1001, u"-1001：ERR_MIDDLE_SETIOSTATE           IO操作に失敗"},
      {-1002, u"-1002：ERR_MIDDLE_GETIOSTATE           IO操作に失敗"},
      {-1003, u"-1003：ERR_MIDDLE_ILLEGALMAC           入力変数のMACが不正"},
      {-1004, u"-1004：ERR_MIDDLE_ILLEGALIP            入力変数のIPが不正"},
      {-1005, u"-1005：ERR_ILLEGAL_INPUT_PARAMETER     入力変数が異常"},
      {-1006, u"-1006：ERR_ILLEGALSTATE_ONIPSETGET     ステートが異常"},
      {-1007, u"-1007：ERR_INPUTED_IP_MAY_UNREACHABLE  入力変数のIPが不正"},
      {-1008, u"-1008：指定ＭＡＣアドレスのデバイスが存在しない。"},
  };
  static_assert(std::size(messages) == 46);
  for (const Message& message : messages) {
    EXPECT_EQ(ResultMessage(message.code), message.expected) << message.code;
  }
}

TEST(ResultMessage, OtherCodeGivesNumberThenUndefinedText) {
  // Neighbours of table entries, zero, positive codes and the extremes.
  const std::pair<int32_t, std::u16string> others[] = {
      {-16, u"-16"},
      {-99, u"-99"},
      {-109, u"-109"},
      {-202, u"-202"},
      {-305, u"-305"},
      {-311, u"-311"},
      {-401, u"-401"},
      {-514, u"-514"},
      {-1000, u"-1000"},
      {-1009, u"-1009"},
      {-9, u"-9"},
      {-1, u"-1"},
      {0, u"0"},
      {5, u"5"},
      {1005, u"1005"},
      {2147483647, u"2147483647"},
      {-2147483647 - 1, u"-2147483648"},
  };
  for (const auto& [code, number] : others) {
    EXPECT_EQ(ResultMessage(code), number + u"：未定義エラー") << code;
  }
}

}  // namespace
}  // namespace setvornip
