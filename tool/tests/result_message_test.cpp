#include "result_message.h"

#include <QTest>

// The operator reads these texts in the log; they are compared whole, blanks
// and full-width characters included.
class ResultMessageTest : public QObject {
  Q_OBJECT

 private slots:
  void NamedCodeGivesNumberThenItsText_data();
  void NamedCodeGivesNumberThenItsText();
  void OtherCodeGivesNumberThenUndefinedText_data();
  void OtherCodeGivesNumberThenUndefinedText();
};

void ResultMessageTest::NamedCodeGivesNumberThenItsText_data() {
  QTest::addColumn<int>("code");
  QTest::addColumn<QString>("expected");
  QTest::newRow("-10") << -10
                       << QStringLiteral("-10：ERR_WSASTARTUPFAIL              ネットワーク異常");
  QTest::newRow("-11") << -11
                       << QStringLiteral("-11：ERR_WINSOCKVERSIONFAIL          ネットワーク異常");
  QTest::newRow("-12") << -12
                       << QStringLiteral("-12：ERR_SOCKETONINFO                ネットワーク異常");
  QTest::newRow("-13") << -13
                       << QStringLiteral("-13：ERR_WSAIOCTLONINFO              ネットワーク異常");
  QTest::newRow("-14") << -14
                       << QStringLiteral(
                              "-14：ERR_NONETWORKINTERFACEONINFO    ネットワークアダプタがない");
  QTest::newRow("-15")
      << -15
      << QStringLiteral("-15：ERR_TOOMANYNONETWORKINTERFACE   複数のネットワークアダプタが検出");
  QTest::newRow("-100") << -100
                        << QStringLiteral("-100：ERR_ILLEGALSTATE_ONCONNECTION   ステートが異常");
  QTest::newRow("-101") << -101
                        << QStringLiteral("-101：ERR_TIMEOUT_ONCONNECTION        接続タイムアウト");
  QTest::newRow("-102") << -102
                        << QStringLiteral("-102：ERR_SOCKET                      ネットワーク異常");
  QTest::newRow("-103") << -103
                        << QStringLiteral("-103：ERR_WSACREATEEVENT              ネットワーク異常");
  QTest::newRow("-104") << -104
                        << QStringLiteral("-104：ERR_EVENTSELECT                 ネットワーク異常");
  QTest::newRow("-105") << -105
                        << QStringLiteral("-105：ERR_GETHOSTBYNAME               ネットワーク異常");
  QTest::newRow("-106") << -106
                        << QStringLiteral("-106：ERR_CONNECT                     ネットワーク異常");
  QTest::newRow("-107") << -107
                        << QStringLiteral("-107：ERR_NETWORKEVENT_ONCONNECTION   ネットワーク異常");
  QTest::newRow("-108") << -108
                        << QStringLiteral("-108：ERR_UNEXPECTEDEVENT_ONCONNECTIONネットワーク異常");
  QTest::newRow("-200") << -200
                        << QStringLiteral("-200：ERR_ILLEGALSTATE_ONWRITE        ステートが異常");
  QTest::newRow("-201") << -201
                        << QStringLiteral("-201：ERR_SENDERR                     ネットワーク異常");
  QTest::newRow("-300") << -300
                        << QStringLiteral("-300：ERR_ILLEGALSTATE_ONREAD         ステートが異常");
  QTest::newRow("-301") << -301
                        << QStringLiteral("-301：ERR_TIMEOUT_ONREAD              ネットワーク異常");
  QTest::newRow("-302") << -302
                        << QStringLiteral("-302：ERR_NETWORKEVENT_ONREAD         ネットワーク異常");
  QTest::newRow("-303") << -303
                        << QStringLiteral("-303：ERR_RECVFAIL                    ネットワーク異常");
  QTest::newRow("-304") << -304
                        << QStringLiteral("-304：ERR_UNEXPECTEDEVENT_ONREAD      ネットワーク異常");
  QTest::newRow("-310") << -310
                        << QStringLiteral("-310：ERR_UNEXPECTEDREADLENGTH        ネットワーク異常");
  QTest::newRow("-400") << -400
                        << QStringLiteral("-400：ERR_ILLEGALSTATE_ONRELSEASE     ステートが異常");
  QTest::newRow("-500") << -500
                        << QStringLiteral("-500：ERR_UDP_ILLEGALSTATE_ONSEND     ステートが異常");
  QTest::newRow("-501") << -501
                        << QStringLiteral("-501：ERR_UDP_SOCKET                  ネットワーク異常");
  QTest::newRow("-502") << -502
                        << QStringLiteral("-502：ERR_UDP_WSACREATEEVENT          ネットワーク異常");
  QTest::newRow("-503") << -503
                        << QStringLiteral("-503：ERR_UDP_EVENTSELECT             ネットワーク異常");
  QTest::newRow("-504") << -504
                        << QStringLiteral("-504：ERR_UDP_TIMEOUT_ONREAD          ネットワーク異常");
  QTest::newRow("-505") << -505
                        << QStringLiteral("-505：ERR_UDP_NETWORKEVENT_ONREAD     ネットワーク異常");
  QTest::newRow("-506") << -506
                        << QStringLiteral("-506：ERR_UDP_GETHOSTBYNAME           ネットワーク異常");
  QTest::newRow("-507") << -507
                        << QStringLiteral("-507：ERR_UDP_SENDTO                  ネットワーク異常");
  QTest::newRow("-508") << -508
                        << QStringLiteral("-508：ERR_UDP_CANNOTSENDFULLDATA      ネットワーク異常");
  QTest::newRow("-509") << -509
                        << QStringLiteral("-509：ERR_UDP_RECV                    ネットワーク異常");
  QTest::newRow("-510") << -510
                        << QStringLiteral("-510：ERR_UDP_ILLEGAL_RECV_DATA_BYTE  ネットワーク異常");
  QTest::newRow("-511") << -511
                        << QStringLiteral("-511：ERR_UDP_ILLEGALSTATE_ONRECEIVE  ステートが異常");
  QTest::newRow("-512") << -512
                        << QStringLiteral("-512：ERR_UDP_UNEXPECTEDEVENT_ONREAD  ネットワーク異常");
  QTest::newRow("-513") << -513
                        << QStringLiteral("-513：ERR_UDP_ILLEGALSTATE_ONEND      ステートが異常");
  QTest::newRow("-1001") << -1001
                         << QStringLiteral("-1001：ERR_MIDDLE_SETIOSTATE           IO操作に失敗");
  QTest::newRow("-1002") << -1002
                         << QStringLiteral("-1002：ERR_MIDDLE_GETIOSTATE           IO操作に失敗");
  QTest::newRow("-1003") << -1003
                         << QStringLiteral(
                                "-1003：ERR_MIDDLE_ILLEGALMAC           入力変数のMACが不正");
  QTest::newRow("-1004") << -1004
                         << QStringLiteral(
                                "-1004：ERR_MIDDLE_ILLEGALIP            入力変数のIPが不正");
  QTest::newRow("-1005") << -1005
                         << QStringLiteral("-1005：ERR_ILLEGAL_INPUT_PARAMETER     入力変数が異常");
  QTest::newRow("-1006") << -1006
                         << QStringLiteral("-1006：ERR_ILLEGALSTATE_ONIPSETGET     ステートが異常");
  QTest::newRow("-1007") << -1007
                         << QStringLiteral(
                                "-1007：ERR_INPUTED_IP_MAY_UNREACHABLE  入力変数のIPが不正");
  QTest::newRow("-1008") << -1008
                         << QStringLiteral("-1008：指定ＭＡＣアドレスのデバイスが存在しない。");
}

void ResultMessageTest::NamedCodeGivesNumberThenItsText() {
  QFETCH(int, code);
  QFETCH(QString, expected);
  QCOMPARE(ResultMessage(code), expected);
}

void ResultMessageTest::OtherCodeGivesNumberThenUndefinedText_data() {
  QTest::addColumn<int>("code");
  QTest::addColumn<QString>("expected");
  // Neighbours of table entries, zero, positive codes and the extremes.
  for (const int code : {-16, -99, -109, -202, -305, -311, -401, -514, -1000, -1009, -9, -1, 0, 5,
                         1005, 2147483647, -2147483647 - 1}) {
    QTest::newRow(qPrintable(QString::number(code)))
        << code << QString::number(code) + QStringLiteral("：未定義エラー");
  }
}

void ResultMessageTest::OtherCodeGivesNumberThenUndefinedText() {
  QFETCH(int, code);
  QFETCH(QString, expected);
  QCOMPARE(ResultMessage(code), expected);
}

QTEST_APPLESS_MAIN(ResultMessageTest)
#include "result_message_test.moc"
