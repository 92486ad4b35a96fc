#include "result_names.h"

#include "VornEN.h"

namespace vornen {

namespace {

struct Entry {
  int code;
  const char* name;
  const char* description;
};

// One row per code, generated from the header at build time, so that the
// names and descriptions are written down once, beside the codes.
constexpr Entry kEntries[] = {
#include "result_table.inc"
};

const Entry* find(int code) {
  for (const Entry& e : kEntries)
    if (e.code == code) return &e;
  return nullptr;
}

}  // namespace

const char* result_name(int code) {
  const Entry* e = find(code);
  return e != nullptr ? e->name : nullptr;
}

const char* result_description(int code) {
  const Entry* e = find(code);
  return e != nullptr ? e->description : "unknown result code";
}

}  // namespace vornen
