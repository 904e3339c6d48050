#include "rehearse/spawn.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace talvex::rehearse {
namespace {

// posix_spawn's file actions, freed on every path.
class FileActions {
 public:
  FileActions() { posix_spawn_file_actions_init(&actions_); }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  void Into(int descriptor, const std::filesystem::path& file) {
    if (!file.empty())
      posix_spawn_file_actions_addopen(&actions_, descriptor, file.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

}  // namespace

int Spawn(const SpawnRequest& request) {
  std::vector<std::string> environment;
  for (char** at = environ; *at != nullptr; ++at) {
    const std::string entry = *at;
    bool replaced = false;
    for (const auto& [name, value] : request.environment)
      replaced = replaced || entry.rfind(name + "=", 0) == 0;
    if (!replaced)
      environment.push_back(entry);
  }
  for (const auto& [name, value] : request.environment)
    environment.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& entry : environment)
    envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> args{request.program.string()};
  args.insert(args.end(), request.arguments.begin(), request.arguments.end());
  std::vector<char*> argv;
  for (std::string& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);

  FileActions actions;
  actions.Into(1, request.out);
  actions.Into(2, request.err);
  pid_t pid = 0;
  if (posix_spawn(&pid, request.program.c_str(), actions.get(), nullptr, argv.data(),
                  envp.data()) != 0)
    return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace talvex::rehearse
