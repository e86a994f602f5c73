// The files a command-line program writes besides standard output: checked before
// anything is written, and put in place only when the whole run has succeeded, so a
// refused or failing run leaves every existing file as it was.
#pragma once

#include <string>
#include <vector>
#include "cli/parameter_options.h"

namespace zirel::cli {

// A file named on the command line, with the option that named it (for the refusal).
struct NamedFile {
  std::string option;  // "--svg"
  std::string name;    // UTF-8; empty when the option was not given
};

// Refuses an output that is a device or a FIFO, one of the inputs, or another output
// of the same run: told apart by file identity, so a link or another spelling of a
// name is the same file. Names left empty are skipped.
bool outputs_are_safe(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs,
                      Refusal& refusal);

// Each output is written to a temporary file in its own folder (a rename across file
// systems would copy) and renamed over its name by commit(). What is not committed is
// removed when the object goes, so a failed run leaves no temporary file behind.
class StagedOutputs {
public:
  StagedOutputs() = default;
  StagedOutputs(const StagedOutputs&) = delete;
  StagedOutputs& operator=(const StagedOutputs&) = delete;
  ~StagedOutputs();

  // Writes `bytes` beside `name`; refuses with "cannot write NAME" (exit 4) on failure.
  bool stage(const std::string& name, const std::string& bytes, Refusal& refusal);
  // Renames every staged file into place, in the order staged.
  bool commit(Refusal& refusal);

private:
  struct Staged {
    std::string temporary, target, name;
  };
  std::vector<Staged> staged_;
};

}  // namespace zirel::cli
