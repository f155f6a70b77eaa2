#include "support/ChildProcess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace testsupport {

bool ReplaceFileInChild(const std::string& path, const std::string& text) {
  // Made before the fork: the child only writes and renames.
  const std::string tmp = path + ".child";
  pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    bool ok = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (fd >= 0) ::close(fd);
    _exit(ok && std::rename(tmp.c_str(), path.c_str()) == 0 ? 0 : 1);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace testsupport
