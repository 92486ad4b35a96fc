// Windows speaks UTF-16; vornctl's texts are UTF-8 throughout.
#pragma once

#include <string>

namespace vornctl {

std::wstring wide_text(const std::string& utf8);
std::string utf8_text(const std::wstring& wide);

}  // namespace vornctl
