#ifndef SETVORNIP_CORE_COMMANDS_H
#define SETVORNIP_CORE_COMMANDS_H

#include <cstdint>
#include <string>
#include <string_view>

#include "command_runner.h"
#include "result_log.h"

namespace setvornip {

// The single-line text boxes the commands read and write.
enum class Field { kText1, kText2, kText4 };

// What the commands need of the window; each window implements it over its
// own controls.
class Form {
 public:
  virtual std::u16string FieldText(Field field) const = 0;
  virtual void SetFieldText(Field field, std::u16string_view text) = 0;
  virtual bool Option1Selected() const = 0;
  virtual bool Option2Selected() const = 0;
  virtual void SelectOption1() = 0;
  virtual LogBox& Log() = 0;

 protected:
  ~Form() = default;
};

// The host-bit count for the chosen net mask: Option1 is tested first, then
// Option2; anything else, Option3 or none, gives 24.
int32_t HostBits(bool option1, bool option2);

// The window's event handlers, as sequences of library calls and log lines.
// The commands return once their first call has started; their steps then
// run as the runner delivers the results, and the command has ended when
// Deliver() says so. The form must outlive the command.
//
// `missing_right`: the notice line (MissingRightNotice()) when this process
// cannot write the neighbour table, else empty; logged at load and before
// every set.
void FormLoad(Form& form, std::u16string_view missing_right);
// Opens the library and logs its version; also the first step of the set and
// find commands.
void OpenCommand(Form& form, CommandRunner& runner);
// Assigns the address in Text2 with the chosen net mask to the device whose
// MAC address is in Text4.
void SetCommand(Form& form, CommandRunner& runner, std::u16string_view missing_right);
// Finds the address of the device whose MAC address is in Text4 and shows it
// in Text1.
void FindCommand(Form& form, CommandRunner& runner);

}  // namespace setvornip

#endif  // SETVORNIP_CORE_COMMANDS_H
