#include "cli/output_files.h"

#include <filesystem>
#include <fstream>
#include "recio/platform.h"

namespace zirel::cli {

namespace fs = std::filesystem;

namespace {

// Where a name leads: a link is followed, so that the link stays and its file is
// replaced; a name still to be created is made absolute, its folders' links followed.
fs::path where(const std::string& name) {
  std::error_code ec;
  const fs::path path = platform::utf8_path(name);
  fs::path resolved = fs::weakly_canonical(fs::absolute(path, ec), ec);
  return ec ? path : resolved;
}

// One file under two names: the same identity when both exist, else the same place.
bool one_file(const std::string& a, const std::string& b) {
  return platform::same_file(a, b) || where(a) == where(b);
}

}  // namespace

bool outputs_are_safe(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs,
                      Refusal& refusal) {
  for (size_t i = 0; i < outputs.size(); ++i) {
    const NamedFile& out = outputs[i];
    if (out.name.empty())
      continue;
    // Opening a FIFO waits for its other end; a device cannot be replaced by a file.
    if (platform::is_device_or_fifo(out.name)) {
      refusal = {EXIT_USAGE, out.option + ": " + out.name + " is a device or a FIFO, not a file"};
      return false;
    }
    for (const NamedFile& in : inputs)
      if (!in.name.empty() && platform::same_file(in.name, out.name)) {
        refusal = {EXIT_USAGE, out.option + ": " + out.name + " is the " + in.option + " file"};
        return false;
      }
    for (size_t j = 0; j < i; ++j)
      if (!outputs[j].name.empty() && one_file(outputs[j].name, out.name)) {
        refusal = {EXIT_USAGE, out.option + ": " + out.name + " is the " + outputs[j].option + " file too"};
        return false;
      }
  }
  return true;
}

StagedOutputs::~StagedOutputs() {
  for (const Staged& s : staged_) {
    std::error_code ec;
    fs::remove(platform::utf8_path(s.temporary), ec);
  }
}

bool StagedOutputs::stage(const std::string& name, const std::string& bytes, Refusal& refusal) {
  const fs::path target = where(name);
  const fs::path folder = target.parent_path();
  const std::string base = platform::utf8_name(target.filename());
  // A name nobody uses: a hidden file beside the output, numbered until it is free.
  fs::path temporary;
  for (int n = 0;; ++n) {
    temporary = folder / platform::utf8_path("." + base + ".zirel-" + std::to_string(n) + ".tmp");
    std::error_code ec;
    if (!fs::exists(temporary, ec) || n > 1000)
      break;
  }
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (out) {
      staged_.push_back({platform::utf8_name(temporary), platform::utf8_name(target), name});
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      out.close();
    }
    if (!out) {
      refusal = {EXIT_WRITE_FAILURE, "cannot write " + name};
      return false;
    }
  }
  return true;
}

bool StagedOutputs::commit(Refusal& refusal) {
  while (!staged_.empty()) {
    const Staged s = staged_.front();
    std::error_code ec;
    fs::rename(platform::utf8_path(s.temporary), platform::utf8_path(s.target), ec);
    if (ec) {
      refusal = {EXIT_WRITE_FAILURE, "cannot write " + s.name + " (" + ec.message() + ")"};
      return false;
    }
    staged_.erase(staged_.begin());
  }
  return true;
}

}  // namespace zirel::cli
