// Shared by the fuzz targets: a fatal report would end the process, which
// libFuzzer counts as a crash, so every statement declares both branches and
// a report that still arrives is a fault.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "recio/io_error.h"

namespace zirel::fuzz {

inline void forbid_fatal_reports() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  set_fatal_handler([](const FatalReport& r) {
    std::fprintf(stderr, "unexpected fatal report: %s\n", r.message.c_str());
    std::abort();
  });
}

// A status is one of: done, end of file, or one of the layer's error numbers.
inline void check_status(IoStatus st) {
  if (st != IO_OK && st != IO_END && io_message_pattern(st).empty()) std::abort();
}

}  // namespace zirel::fuzz
