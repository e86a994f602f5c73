// Drives the real program in a test, on either back end: a scratch working
// directory per test, the form started through the program's own start-up,
// a script run while it is on screen, and small readers for what the form
// and the files show. The form is worked as a user works it: clicks, typed
// text and what the controls show, never the record behind them.
#pragma once

#include "dialog/dialog.h"
#include "dialog/file_chooser.h"
#include "app/shell_state.h"
#include "app/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zirel::test {

// A fresh working directory and shell for each test; the old directory comes
// back afterwards and the scratch one is removed.
class Scratch {
public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  // The file or folder `name` inside, in the platform's spelling.
  std::string path(const std::string& name) const;
  std::string folder() const;  // without a closing separator

private:
  std::filesystem::path dir_;
  std::filesystem::path previous_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);
// Copies a file of the shell's test data into the scratch folder.
void copy_in(const Scratch& scratch, const std::string& name);
extern const std::string TEST_DATA;  // with a closing separator

// The form on screen (harness_qt.cpp, harness_win32.cpp).
void click(const DialogRecord& dlg, int id);  // a mouse click: nothing when disabled
std::string label(const DialogRecord& dlg, int id);
std::string field(const DialogRecord& dlg, int id);
void set_field(const DialogRecord& dlg, int id, const std::string& text);  // as if typed
bool checked(const DialogRecord& dlg, int id);
bool run_enabled(const DialogRecord& dlg);

// Selects a file through the chooser seam; an empty name cancels.
inline void select(const DialogRecord& dlg, int button, const std::string& name) {
  if (name.empty()) set_next_cancel(); else set_next_file_name(name);
  click(dlg, button);
}

// Starts the program, runs `script` on the form on screen, then presses Exit.
// False when the script did not run (the form never came up).
bool with_program(const std::function<void(DialogRecord&)>& script);

// Every text the status line showed on screen, in order: tells a message
// shown at once from one that only reached the record.
class StatusWatch {
public:
  explicit StatusWatch(const DialogRecord& dlg);
  ~StatusWatch();
  StatusWatch(const StatusWatch&) = delete;
  StatusWatch& operator=(const StatusWatch&) = delete;
  const std::vector<std::string>& texts() const;
  bool saw(const std::string& text) const;

private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zirel::test
