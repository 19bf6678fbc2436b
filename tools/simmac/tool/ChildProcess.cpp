#include "Tools.h"

#include <cerrno>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

int runAndWait(const std::string& program, const std::vector<std::string>& arguments, std::string* errorText)
{
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int errorPipe[2] = {-1, -1};
    if (errorText && pipe(errorPipe) != 0)
        return 127;
    const pid_t child = fork();
    if (child < 0)
        return 127;
    if (child == 0) {
        if (errorText) {
            dup2(errorPipe[1], STDERR_FILENO);
            close(errorPipe[0]);
            close(errorPipe[1]);
        }
        execv(program.c_str(), argv.data());
        const std::string message = program + ": " + std::strerror(errno) + "\n";
        (void)!write(STDERR_FILENO, message.data(), message.size());
        _exit(127);
    }
    if (errorText) {
        close(errorPipe[1]);
        // Read to the end while the child runs, so a long error text never
        // fills the pipe and stalls it.
        char buffer[4096];
        for (;;) {
            const ssize_t count = read(errorPipe[0], buffer, sizeof buffer);
            if (count > 0) {
                errorText->append(buffer, static_cast<std::size_t>(count));
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            break;
        }
        close(errorPipe[0]);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return 127;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return 127;
}
