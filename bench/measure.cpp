// Times a command against a reference command on this machine: runs them in turn RUNS times (after one
// warm-up run of each), and prints the reference's median wall time, the command's median wall time, the
// median of the per-turn ratios and the largest peak resident memory of the command's runs (getrusage of
// the child), so that a burst of load from elsewhere falls on both sides of a ratio. With PAUSE set (in
// seconds), every run comes after a pause of that long, as a user's single run would: the memory the system
// freed from the run before is no longer at hand.
//
//   [PAUSE=SECONDS] measure RUNS REFERENCE... -- COMMAND...
//   prints: REF_MS CMD_MS RATIO PEAK_KB

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Sample {
    double ms = 0;
    long peakKb = 0;
};

double pauseSeconds() {
    const char* const pause = std::getenv("PAUSE");
    return pause != nullptr ? std::atof(pause) : 0;
}

Sample runOnce(std::vector<char*>& argv) {
    if (const double pause = pauseSeconds(); pause > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(pause));
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execvp(argv[0], argv.data());
        std::perror(argv[0]);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "measure: %s failed\n", argv[0]);
        std::exit(1);
    }
    return {std::chrono::duration<double, std::milli>(end - start).count(), usage.ru_maxrss};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> reference;
    std::vector<char*> command;
    int i = 2;
    for (; i < argc && std::string(argv[i]) != "--"; ++i)
        reference.push_back(argv[i]);
    for (++i; i < argc; ++i)
        command.push_back(argv[i]);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 0;
    if (runs < 1 || reference.empty() || command.empty()) {
        std::fprintf(stderr, "usage: measure RUNS REFERENCE... -- COMMAND...\n");
        return 2;
    }
    reference.push_back(nullptr);
    command.push_back(nullptr);
    runOnce(reference);
    runOnce(command);
    std::vector<double> refMs, cmdMs, ratios;
    long peakKb = 0;
    for (int run = 0; run < runs; ++run) {
        const Sample ref = runOnce(reference);
        const Sample cmd = runOnce(command);
        refMs.push_back(ref.ms);
        cmdMs.push_back(cmd.ms);
        ratios.push_back(cmd.ms / ref.ms);
        peakKb = std::max(peakKb, cmd.peakKb);
    }
    std::printf("%.1f %.1f %.2f %ld\n", median(refMs), median(cmdMs), median(ratios), peakKb);
    return 0;
}
