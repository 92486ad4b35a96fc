#include "commands.h"

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

}  // namespace

int32_t HostBits(bool option1, bool option2) {
  if (option1) return 8;
  if (option2) return 16;
  return 24;
}

void FormLoad(Form& form) { form.SelectOption1(); }

void OpenCommand(Form& form, LibraryBinding& binding) {
  const CallResult opened = binding.Open();
  Log(form, std::u16string(kCrLf) + u"ＤＬＬのバージョンを読み出す・・・");
  const TextResult version = binding.GetDllVersion();
  if (version.call.Failed()) {
    LogFailure(form, version.call);
  } else {
    LogSuccess(form);
    Log(form, u"　ＤＬＬのバージョン = " + version.text + std::u16string(kCrLf));
  }
  // The lines above report the version read; an open that failed gets lines
  // of its own, since the set and find commands then fail for that reason.
  if (opened.Failed()) {
    Log(form, u"　ＤＬＬのオープンに失敗" + std::u16string(kCrLf));
    LogErrorLine(form, opened);
  }
}

void SetCommand(Form& form, LibraryBinding& binding, bool lacks_right) {
  OpenCommand(form, binding);
  const int32_t host_bits = HostBits(form.Option1Selected(), form.Option2Selected());
  if (lacks_right) {
    Log(form, u"　注意：ARP表を書き換える権限（CAP_NET_ADMIN）がないため、設定できない恐れがある" +
                  std::u16string(kCrLf));
  }
  Log(form, u"ＩＰアドレスを設定する・・・");
  form.ShowProgress();
  const CallResult result =
      binding.SetIpAddress(form.FieldText(Field::kText4), form.FieldText(Field::kText2), host_bits);
  if (result.Failed()) {
    LogFailure(form, result);
  } else {
    LogSuccess(form);
  }
}

void FindCommand(Form& form, LibraryBinding& binding) {
  OpenCommand(form, binding);
  Log(form, u"ＭＡＣアドレスからＩＰアドレスを検索・・・");
  form.ShowProgress();
  const TextResult found = binding.GetIpAddress(form.FieldText(Field::kText4));
  if (found.call.Failed()) {
    LogFailure(form, found.call);
    form.SetFieldText(Field::kText1, u"");
    return;
  }
  LogSuccess(form);
  form.SetFieldText(Field::kText1, found.text);
  Log(form, u"　ＩＰアドレス = " + form.FieldText(Field::kText1) + std::u16string(kCrLf));
}

}  // namespace setvornip
