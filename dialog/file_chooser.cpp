#include "dialog/file_chooser.h"

#include "recio/platform.h"

#include <filesystem>
#include <utility>

namespace zirel {
namespace {

struct NextAnswer {
  bool pending = false;
  std::optional<std::string> name;  // nothing: cancel
};

NextAnswer g_next;
FileRequest g_last;

std::string answer_as_typed(const FileRequest& request, const std::string& typed) {
  std::filesystem::path path = platform::utf8_path(request.folder) / platform::utf8_path(typed);
  if (!path.has_extension()) path += "." + std::string(DEFAULT_SUFFIX);
  return platform::utf8_name(path.lexically_normal());
}

}  // namespace

std::optional<std::string> choose_file(const FileRequest& request) {
  g_last = request;
  if (!g_next.pending) return show_file_dialog(request);
  NextAnswer answer = std::exchange(g_next, NextAnswer{});
  if (!answer.name) return std::nullopt;
  return answer_as_typed(request, *answer.name);
}

void set_next_file_name(std::string name) { g_next = {true, std::move(name)}; }
void set_next_cancel() { g_next = {true, std::nullopt}; }
void clear_next_answer() { g_next = {}; }
const FileRequest& last_file_request() { return g_last; }

}  // namespace zirel
