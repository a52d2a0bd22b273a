#include "tests/cli_fixture.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;

ProgramResult run_program(const std::string& program, const std::vector<std::string>& args,
                          const std::string& directory, const std::string& standard_output) {
    char out_path[] = "/tmp/vemo-test-out-XXXXXX";
    char err_path[] = "/tmp/vemo-test-err-XXXXXX";
    int out_fd = mkstemp(out_path);
    int err_fd = mkstemp(err_path);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (standard_output.empty())
        posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
    else if (standard_output == kClosedOutput)
        posix_spawn_file_actions_addclose(&actions, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, standard_output.c_str(), O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err_fd, 2);
    if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    ProgramResult result;
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out_fd);
    close(err_fd);
    result.out = read_bytes(out_path);
    result.err = read_bytes(err_path);
    std::remove(out_path);
    std::remove(err_path);
    return result;
}
