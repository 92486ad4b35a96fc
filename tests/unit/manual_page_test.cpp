// The manual page VornEN(3) says what the public header declares: each export,
// and only result codes that exist, under their own names.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "result_names.h"

namespace vornen {
namespace {

std::string file_text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::set<std::string> matches(const std::string& text, const std::regex& pattern, int group) {
  std::set<std::string> found;
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
    found.insert((*it)[group]);
  return found;
}

const std::string kPage = file_text(VORNEN_SOURCE_DIR "/man/VornEN.3");
const std::string kHeader = file_text(VORNEN_SOURCE_DIR "/library/include/VornEN.h");

TEST(ManualPage, NamesAndDescribesEveryExportOfTheHeader) {
  const auto exports = matches(kHeader, std::regex(R"(VORNEN_API int32_t VORNEN_CALL (\w+)\()"), 1);
  ASSERT_FALSE(exports.empty());
  const std::string name = kPage.substr(0, kPage.find(".SH SYNOPSIS"));
  const std::string synopsis = kPage.substr(0, kPage.find(".SH DESCRIPTION"));
  for (const std::string& e : exports) {
    EXPECT_NE(name.find(e), std::string::npos) << e;
    EXPECT_NE(synopsis.find("int32_t " + e + "("), std::string::npos) << e;
    EXPECT_NE(kPage.find(".TP\n.BR " + e + " ()\n"), std::string::npos) << e;
  }
  EXPECT_EQ(matches(kPage, std::regex(R"(En_\w+)"), 0), exports);
}

TEST(ManualPage, CitesOnlyTheHeadersResultCodes) {
  // A code by name is followed by its value: ".B ERR_NAME" then "(\-N".
  const std::regex named(R"(\.BR? (ERR_\w+)\n\(\\-(\d+))");
  std::set<std::string> with_value;
  for (std::sregex_iterator it(kPage.begin(), kPage.end(), named), end; it != end; ++it) {
    const char* header_name = result_name(-std::stoi((*it)[2]));
    EXPECT_EQ(header_name == nullptr ? "" : header_name, (*it)[1].str()) << (*it)[0];
    with_value.insert((*it)[1]);
  }
  EXPECT_FALSE(with_value.empty());
  EXPECT_EQ(matches(kPage, std::regex(R"(ERR_\w+)"), 0), with_value);
  // A code by number is a negative number on its own ("\-1005"), unlike the
  // hyphens of a MAC address ("00\-20\-4A") or of an option ("\-lVornEN").
  const auto numbers = matches(kPage, std::regex(R"((^|[^0-9A-Za-z])\\-(\d+)(?![0-9A-Za-z]))"), 2);
  ASSERT_FALSE(numbers.empty());
  for (const std::string& n : numbers) EXPECT_NE(result_name(-std::stoi(n)), nullptr) << "-" << n;
}

}  // namespace
}  // namespace vornen
