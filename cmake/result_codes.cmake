# Reads the result codes from the public header, where each
#   #define ERR_NAME (-N)
# follows a line /** description */, and writes the tables that other code
# needs from that one list: the C++ rows of vornen::result_name and
# vornen::result_description (CXX_OUT), the Python enum (PY_OUT) and the C#
# enum with its names and descriptions (CS_OUT).
#
#   cmake -DHEADER=VornEN.h [-DCXX_OUT=file] [-DPY_OUT=file] [-DCS_OUT=file] -P result_codes.cmake
cmake_minimum_required(VERSION 3.25)

file(READ "${HEADER}" text)
string(REGEX MATCHALL "\n#define ERR_[A-Z0-9_]+" defines "${text}")
string(REGEX MATCHALL "\n/\\*\\* [^\n]* \\*/\n#define ERR_[A-Z0-9_]+ \\(-[0-9]+\\)" rows "${text}")
list(LENGTH defines define_count)
list(LENGTH rows row_count)
if(NOT define_count EQUAL row_count OR row_count EQUAL 0)
  message(FATAL_ERROR "${HEADER}: every #define ERR_NAME (-N) needs a line /** description */ "
                      "right above it, without a semicolon in it "
                      "(${row_count} rows for ${define_count} codes)")
endif()

set(cxx "// Generated from VornEN.h by cmake/result_codes.cmake; edit the header.\n")
set(py_members "")
set(py_descriptions "")
set(cs_members "")
set(cs_rows "")
foreach(row IN LISTS rows)
  string(REGEX MATCH "/\\*\\* ([^\n]*) \\*/\n#define (ERR_[A-Z0-9_]+) \\((-[0-9]+)\\)" _ "${row}")
  set(description "${CMAKE_MATCH_1}")
  set(name "${CMAKE_MATCH_2}")
  set(value "${CMAKE_MATCH_3}")
  if(description MATCHES "[\"\\\\]")
    message(FATAL_ERROR "${HEADER}: the description of ${name} may hold neither \" nor \\")
  endif()
  if(description MATCHES "[<>&]")
    message(FATAL_ERROR "${HEADER}: the description of ${name} may hold none of < > & (XML comments)")
  endif()
  string(APPEND cxx "{${name}, \"${name}\", \"${description}\"},\n")
  string(APPEND py_members "    ${name} = ${value}\n")
  string(APPEND py_descriptions "    ${value}: \"${description}\",\n")
  string(APPEND cs_members "        /// <summary>${description}</summary>\n        ${name} = ${value},\n")
  string(APPEND cs_rows "                case ${value}: return new[] { \"${name}\", \"${description}\" };\n")
endforeach()

# Written only when changed, so that nothing rebuilds without need.
function(write_if_changed path content)
  if(EXISTS "${path}")
    file(READ "${path}" old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE "${path}" "${content}")
endfunction()

if(CXX_OUT)
  write_if_changed("${CXX_OUT}" "${cxx}")
endif()
if(PY_OUT)
  write_if_changed("${PY_OUT}" "\
\"\"\"The library's result codes, generated from VornEN.h at build time.\"\"\"

import enum


class ResultCode(enum.IntEnum):
    \"\"\"A negative result code of the library, named as in VornEN.h.\"\"\"

${py_members}
    @property
    def description(self) -> str:
        \"\"\"A short English description of the code.\"\"\"
        return _DESCRIPTIONS[self.value]


_DESCRIPTIONS = {
${py_descriptions}}
")
endif()
if(CS_OUT)
  write_if_changed("${CS_OUT}" "\
// Generated from VornEN.h by cmake/result_codes.cmake; edit the header.
namespace VornEN.Net
{
    /// <summary>A negative result code of the library, named as in VornEN.h.</summary>
    public enum ResultCode
    {
${cs_members}    }

    /// <summary>The names and one-line descriptions of the result codes.</summary>
    public static class ResultCodes
    {
        /// <summary>The name of <paramref name=\"code\"/> as in VornEN.h, or \"unknown result\".</summary>
        public static string Name(int code) { return Row(code)[0]; }

        /// <summary>The one-line English description of <paramref name=\"code\"/>.</summary>
        public static string Description(int code) { return Row(code)[1]; }

        private static string[] Row(int code)
        {
            switch (code)
            {
${cs_rows}                default: return new[] { \"unknown result\", \"a result the library does not name\" };
            }
        }
    }
}
")
endif()
