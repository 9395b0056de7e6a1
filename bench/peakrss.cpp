// peakrss COMMAND [ARGS...]: runs the command and then prints, as the last
// line of standard output, its wall time in seconds and its peak resident
// memory in KiB: "<seconds> <KiB>". Exits with the command's exit status.

#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("Usage: peakrss COMMAND [ARGS...]\n", stderr);
        return 2;
    }
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("peakrss: fork");
        return 1;
    }
    if (pid == 0) {
        execvp(argv[1], argv + 1);
        std::perror("peakrss: exec");
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) {
        std::perror("peakrss: wait");
        return 1;
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    std::printf("%.3f %ld\n", wall.count(), usage.ru_maxrss);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
