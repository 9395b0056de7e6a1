// Start-up time as a user sees it: from exec to the first top-level window
// mapped on the X display, for each program given, each started N times in
// turn (so that a change in the machine's load falls on all alike). Prints
// the median and the quartiles in milliseconds.
//
// Usage: startup_bench [-n N] PROGRAM [ARGS...] [-- PROGRAM [ARGS...]]...
// Run it inside an X server (xvfb-run -a startup_bench ...); each program is
// killed once its window is mapped.

#include <X11/Xlib.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds from exec to the first map of a window that is not a menu
// or tool tip (override-redirect), or a negative number when the program
// ended or took longer than ten seconds.
double TimeOneStart(Display* display, const std::vector<std::string>& command) {
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True); // drop what an earlier run left
    std::vector<char*> argv;
    for (const std::string& arg : command)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    double elapsed = -1;
    const int fd = ConnectionNumber(display);
    while (Clock::now() - start < std::chrono::seconds(10)) {
        if (XPending(display) == 0) {
            if (waitpid(child, nullptr, WNOHANG) == child)
                return -1;
            fd_set fds;
            FD_ZERO(&fds);
            FD_SET(fd, &fds);
            timeval wait{0, 10'000};
            select(fd + 1, &fds, nullptr, nullptr, &wait);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && !event.xmap.override_redirect) {
            elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            break;
        }
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return elapsed;
}

double Quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1) + 0.5)];
}

} // namespace

int main(int argc, char** argv) {
    int runs = 11;
    std::vector<std::vector<std::string>> commands(1);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-n" && i + 1 < argc && commands.front().empty())
            runs = std::atoi(argv[++i]);
        else if (arg == "--")
            commands.emplace_back();
        else
            commands.back().push_back(arg);
    }
    if (runs < 1 || std::any_of(commands.begin(), commands.end(),
                                [](const auto& command) { return command.empty(); })) {
        std::fprintf(stderr, "usage: startup_bench [-n N] PROGRAM [ARGS...] [-- PROGRAM...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "startup_bench: no X display (run it under xvfb-run)\n");
        return 1;
    }
    std::vector<std::vector<double>> times(commands.size());
    for (int run = 0; run < runs; ++run)
        for (std::size_t c = 0; c < commands.size(); ++c) {
            const double ms = TimeOneStart(display, commands[c]);
            if (ms < 0) {
                std::fprintf(stderr, "startup_bench: %s mapped no window\n",
                             commands[c].front().c_str());
                return 1;
            }
            times[c].push_back(ms);
        }
    for (std::size_t c = 0; c < commands.size(); ++c)
        std::printf("%-40s median %6.1f ms  (quartiles %.1f to %.1f, %d runs)\n",
                    commands[c].front().c_str(), Quantile(times[c], 0.5), Quantile(times[c], 0.25),
                    Quantile(times[c], 0.75), runs);
    XCloseDisplay(display);
    return 0;
}
