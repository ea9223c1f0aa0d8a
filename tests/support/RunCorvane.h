// Runs the built program on a script, stdin not a terminal, and captures its output bytes.
#pragma once

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

struct CorvaneRun {
  std::string out;  // standard output bytes, exactly as written
  std::string err;  // standard error bytes
  int status = -1;  // exit code, or 128 + signal number when killed
};

// Runs program with args in the folder cwd (empty: the current one). Standard input is
// /dev/null. A run that lasts more than timeout seconds is killed (status 128 + SIGALRM).
inline CorvaneRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                             const std::string& cwd = "", unsigned timeout = 60) {
  CorvaneRun r;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0) return r;
  if (pipe(errPipe) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return r;
  }
  pid_t pid = fork();
  if (pid == 0) {  // child: only async-signal-safe calls until exec
    int in = open("/dev/null", O_RDONLY);
    if (in < 0 || dup2(in, 0) < 0 || dup2(outPipe[1], 1) < 0 || dup2(errPipe[1], 2) < 0) _exit(126);
    close(outPipe[0]);
    close(errPipe[0]);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    alarm(timeout);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  if (pid < 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    return r;
  }
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&r.out, &r.err};
  int live = 2;
  while (live > 0) {
    if (poll(fds, 2, -1) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char chunk[4096];
      ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
      if (n > 0) {
        sinks[i]->append(chunk, static_cast<size_t>(n));
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --live;
      }
    }
  }
  int ws = 0;
  waitpid(pid, &ws, 0);
  r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + (WIFSIGNALED(ws) ? WTERMSIG(ws) : 0);
  return r;
}

// Runs the built corvane on the given arguments (usually one script path).
inline CorvaneRun RunCorvane(const std::vector<std::string>& args, const std::string& cwd = "") {
  return RunProgram(CORVANE_BIN, args, cwd);
}
