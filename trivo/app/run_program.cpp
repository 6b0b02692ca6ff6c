#include "app/run_program.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace trivo {

namespace {

bool executable_file(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

int run_host_program(const std::string& program, const std::string& argument) {
    if (program.empty()) return -1;
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()),
                    nullptr};
    pid_t pid = 0;
    int started;
    if (program.find('/') != std::string::npos) {
        started = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ);
    } else if (executable_file(program)) {
        // A bare name is looked for in the current folder first.
        const std::string here = "./" + program;
        started = ::posix_spawn(&pid, here.c_str(), nullptr, nullptr, argv, environ);
    } else {
        started = ::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ);
    }
    if (started != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace trivo
