// peakrss COMMAND [ARGS...]: runs the command and then prints, as the last
// line of standard output, its wall time in seconds, its peak resident memory
// in KiB and its processor time (user and system) in seconds:
// "<seconds> <KiB> <seconds>". Exits with the command's exit status.

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
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("%.3f %ld %.3f\n", wall.count(), usage.ru_maxrss, cpu);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
