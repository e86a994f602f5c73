// Runs a program the way a user's shell would, in a folder of its own, and
// keeps what it leaves: exit code, standard output, standard error.
#pragma once

#include <filesystem>
#include <string>

namespace zirel::test {

struct Transcript {
  int exit_code = -1;
  std::string out, err;
};

// Runs `program` with `args` (UTF-8; split at blanks, no quoting needed by
// the tests) in `dir`, with empty standard input and standard output and
// error in dir/stdout.txt and dir/stderr.txt, which the transcript then holds.
Transcript run_program(const std::filesystem::path& dir, const std::string& program,
                       const std::string& args);

// A POSIX shell can run commands before the program (ulimit, trap) and send
// standard output elsewhere (/dev/full); on Windows there is none.
bool has_posix_shell();
// As run_program, with `shell_setup` run first in the same shell and standard
// output sent to `out_target` (a file name or device); POSIX only.
Transcript run_in_shell(const std::filesystem::path& dir, const std::string& program,
                        const std::string& args, const std::string& shell_setup,
                        const std::string& out_target = "stdout.txt");

// The bytes of a file, "" when it is missing.
std::string slurp(const std::filesystem::path& p);

}  // namespace zirel::test
