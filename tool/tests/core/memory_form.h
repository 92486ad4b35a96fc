#ifndef SETVORNIP_TESTS_CORE_MEMORY_FORM_H
#define SETVORNIP_TESTS_CORE_MEMORY_FORM_H

#include <algorithm>
#include <string>

#include "commands.h"
#include "result_log.h"

namespace setvornip {

// An edit control in memory: its text, and a selection from `anchor` to
// `caret` that the operator may have left anywhere.
class MemoryLogBox final : public LogBox {
 public:
  std::size_t Length() const override { return text.size(); }
  std::u16string Text() const override { return text; }
  void SetText(std::u16string_view value) override {
    text = value;
    anchor = caret = 0;
  }
  void SetSelStart(std::size_t position) override {
    anchor = caret = std::min(position, text.size());
  }
  void ReplaceSelection(std::u16string_view value) override {
    const std::size_t from = std::min(anchor, caret);
    text.replace(from, std::max(anchor, caret) - from, value);
    anchor = caret = from + value.size();
  }

  std::u16string text;
  std::size_t anchor = 0;
  std::size_t caret = 0;
};

// The window's state as the commands see it, starting as the window does.
class MemoryForm final : public Form {
 public:
  std::u16string FieldText(Field field) const override {
    return field == Field::kText1 ? text1 : field == Field::kText2 ? text2 : text4;
  }
  void SetFieldText(Field field, std::u16string_view text) override {
    (field == Field::kText1 ? text1 : field == Field::kText2 ? text2 : text4) = text;
  }
  bool Option1Selected() const override { return option == 1; }
  bool Option2Selected() const override { return option == 2; }
  void SelectOption1() override { option = 1; }
  LogBox& Log() override { return log; }

  std::u16string text1 = u"192.168.16.100";
  std::u16string text2 = u"192.168.16.100";
  std::u16string text4 = u"00-20-4A-8D-72-33";
  int option = 0;  // 0: none selected
  MemoryLogBox log;
};

}  // namespace setvornip

#endif  // SETVORNIP_TESTS_CORE_MEMORY_FORM_H
