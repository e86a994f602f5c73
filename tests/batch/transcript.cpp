#include "transcript.h"
#include "tests/file_bytes.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <cstdlib>
#include <sys/wait.h>
#endif

namespace zirel::test {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) { return file_bytes(p); }

namespace {

Transcript collect(const fs::path& dir, int exit_code) {
  return {exit_code, slurp(dir / "stdout.txt"), slurp(dir / "stderr.txt")};
}

}  // namespace

#ifdef _WIN32

namespace {

std::wstring wide(const std::string& text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring w(size_t(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), w.data(), n);
  return w;
}

HANDLE inheritable(const wchar_t* name, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

bool has_posix_shell() { return false; }

Transcript run_in_shell(const fs::path&, const std::string&, const std::string&, const std::string&,
                        const std::string&) {
  throw std::logic_error("run_in_shell: no POSIX shell on Windows");
}

Transcript run_program(const fs::path& dir, const std::string& program, const std::string& args) {
  HANDLE in = inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE out = inheritable((dir / "stdout.txt").c_str(), GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = inheritable((dir / "stderr.txt").c_str(), GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  std::wstring command = L"\"" + fs::absolute(program).make_preferred().wstring() + L"\" " + wide(args);
  PROCESS_INFORMATION process{};
  DWORD code = DWORD(-1);
  // Under Wine on a loaded machine, starting a process has been seen to fail now and
  // then before the program ran at all; that is the runner's trouble, not the
  // program's, so it is tried again a few times, and a failure to start says so.
  bool started = false;
  DWORD start_error = 0;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(200);
    started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(), &startup,
                             &process);
    if (!started) start_error = GetLastError();
  }
  bool waited = false;
  if (started) {
    waited = WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
             GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  for (HANDLE h : {in, out, err}) CloseHandle(h);
  Transcript t = collect(dir, int(code));
  if (!started)
    t.err += "[test runner: CreateProcessW failed five times, last error " + std::to_string(start_error) + "]";
  else if (!waited)
    t.err += "[test runner: no exit code, error " + std::to_string(GetLastError()) + "]";
  return t;
}

#else

bool has_posix_shell() { return true; }

Transcript run_in_shell(const fs::path& dir, const std::string& program, const std::string& args,
                        const std::string& shell_setup, const std::string& out_target) {
  const std::string cmd = "cd '" + dir.string() + "' && " + shell_setup + " && '" + program + "' " + args +
                          " >" + out_target + " 2>stderr.txt </dev/null";
  const int status = std::system(cmd.c_str());
  return collect(dir, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

Transcript run_program(const fs::path& dir, const std::string& program, const std::string& args) {
  return run_in_shell(dir, program, args, "true");
}

#endif

}  // namespace zirel::test
