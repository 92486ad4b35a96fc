#include "commands.h"

#include <functional>
#include <vector>

#include "platform.h"
#include "result_message.h"

namespace setvornip {

namespace {

constexpr char16_t kCrLf[] = u"\r\n";
constexpr char16_t kSuccess[] = u"成功";
constexpr char16_t kFailure[] = u"失敗";

void Log(Form& form, const std::u16string& text) { AppendLog(form.Log(), text); }

// The error line: the code and its text, or what could not be bound.
void LogErrorLine(Form& form, const CallResult& result) {
  const std::u16string reason =
      result.bind_failure.empty() ? ResultMessage(result.code) : result.bind_failure;
  Log(form, u"　エラー：" + reason + std::u16string(kCrLf));
}

void LogFailure(Form& form, const CallResult& result) {
  Log(form, std::u16string(kFailure) + kCrLf);
  LogErrorLine(form, result);
}

void LogSuccess(Form& form) { Log(form, std::u16string(kSuccess) + kCrLf); }

// The PC has more than one usable adapter: which ones, and how the operator
// starts the window for one of them.
void LogAdapterChoice(Form& form) {
  const std::vector<Adapter> adapters = UsableAdapters();
  if (adapters.empty()) return;
  std::u16string line = u"　使えるアダプタ：";
  for (std::size_t i = 0; i < adapters.size(); ++i) {
    if (i > 0) line += u"、";
    line += u"「" + adapters[i].name + u"」" + adapters[i].address;
  }
  line += u"　一つを選ぶには、ショートカットのリンク先の末尾に --interface \"" + adapters[0].name +
          u"\" のように名前を付けて起動する";
  Log(form, line + kCrLf);
}

}  // namespace

int32_t HostBits(bool option1, bool option2) {
  if (option1) return 8;
  if (option2) return 16;
  return 24;
}

void FormLoad(Form& form, std::u16string_view missing_right) {
  form.SelectOption1();
  if (!missing_right.empty()) Log(form, std::u16string(missing_right) + kCrLf);
}

namespace {

// The steps after the open: the version read and its lines, then `next`.
void OpenSteps(Form& form, CommandRunner& runner, std::function<void()> next) {
  runner.Call<CallResult>(
      [](LibraryBinding& binding) { return binding.Open(); },
      [&form, &runner, next = std::move(next)](CallResult opened) {
        Log(form, std::u16string(kCrLf) + u"ＤＬＬのバージョンを読み出す・・・");
        runner.Call<TextResult>(
            [](LibraryBinding& binding) { return binding.GetDllVersion(); },
            [&form, opened, next](TextResult version) {
              if (version.call.Failed()) {
                LogFailure(form, version.call);
              } else {
                LogSuccess(form);
                Log(form, u"　ＤＬＬのバージョン = " + version.text + std::u16string(kCrLf));
              }
              // The lines above report the version read; an open that failed
              // gets lines of its own, since the set and find commands then
              // fail for that reason.
              if (opened.Failed()) {
                Log(form, u"　ＤＬＬのオープンに失敗" + std::u16string(kCrLf));
                LogErrorLine(form, opened);
                if (opened.bind_failure.empty() && opened.code == ERR_TOOMANYNONETWORKINTERFACE) {
                  LogAdapterChoice(form);
                }
              }
              if (next) next();
            });
      });
}

}  // namespace

void OpenCommand(Form& form, CommandRunner& runner) { OpenSteps(form, runner, nullptr); }

void SetCommand(Form& form, CommandRunner& runner, std::u16string_view missing_right) {
  OpenSteps(form, runner, [&form, &runner, notice = std::u16string(missing_right)] {
    const int32_t host_bits = HostBits(form.Option1Selected(), form.Option2Selected());
    if (!notice.empty()) Log(form, notice + kCrLf);
    Log(form, u"ＩＰアドレスを設定する・・・");
    runner.Call<CallResult>(
        [mac = form.FieldText(Field::kText4), address = form.FieldText(Field::kText2), host_bits](
            LibraryBinding& binding) { return binding.SetIpAddress(mac, address, host_bits); },
        [&form](CallResult result) {
          if (result.Failed()) {
            LogFailure(form, result);
          } else {
            LogSuccess(form);
          }
        });
  });
}

void FindCommand(Form& form, CommandRunner& runner) {
  OpenSteps(form, runner, [&form, &runner] {
    Log(form, u"ＭＡＣアドレスからＩＰアドレスを検索・・・");
    runner.Call<TextResult>(
        [mac = form.FieldText(Field::kText4)](LibraryBinding& binding) {
          return binding.GetIpAddress(mac);
        },
        [&form](TextResult found) {
          if (found.call.Failed()) {
            LogFailure(form, found.call);
            form.SetFieldText(Field::kText1, u"");
            return;
          }
          LogSuccess(form);
          form.SetFieldText(Field::kText1, found.text);
          Log(form, u"　ＩＰアドレス = " + form.FieldText(Field::kText1) + std::u16string(kCrLf));
        });
  });
}

}  // namespace setvornip
