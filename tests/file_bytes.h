// The bytes of a file, "" when it is missing: what the tests compare with
// what they expect, byte for byte (opened in binary mode, so CR LF stays).
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace zirel::test {

inline std::string file_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

}  // namespace zirel::test
