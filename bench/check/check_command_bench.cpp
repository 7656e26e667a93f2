// The CPU time of one `tarnwick-check` run (one POP3 account, no TLS, the Dovecot fixture) with a
// small settings file and with one that holds 100 000 spam rules (about 5 MB). A check reads and
// replaces the settings file; its cost should not grow with the file by much more than that.
// Run through bench/check/run_pop3_bench.sh --benchmark_filter=CheckCommand.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <filesystem>
#include <fstream>

#include "settings/settings.h"
#include "support/mail_fixture.h"
#include "support/temp_folder.h"

namespace {

// The account's settings and `rules` filter rules, written beside a copy of the program (the
// program finds its settings beside itself).
void PrepareFolder(const std::string& folder, const AccountSettings& account, int rules) {
    {
        ProgramFolderScope scope(folder);
        SettingsValues values;
        values.accounts.push_back({true, account, 0});
        SaveSettings(values);
    }
    std::ofstream ini(folder + "/vellmoor.ini", std::ios::app | std::ios::binary);
    if (rules > 0) ini << "[FILTER]\r\n";
    for (int i = 0; i < rules; ++i)
        ini << 'F' << i << "=Subject: %an offer nobody asked for, number " << i << "\r\n";
    std::filesystem::copy_file(TARNWICK_CHECK_PATH, folder + "/tarnwick-check");
}

// User and system CPU time of one run of the program in `folder`, in seconds; -1 on failure.
double RunCpuSeconds(const std::string& folder) {
    const std::string program = folder + "/tarnwick-check";
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_CheckCommandCpu(benchmark::State& state) {
    if (!DovecotAvailable()) {
        state.SkipWithError("the Dovecot fixture is not running (use run_pop3_bench.sh)");
        return;
    }
    static const MailUser user = [] {
        MailUser u = AddMailUser("benchcommand");
        AddMessages(u, 10);
        return u;
    }();
    TempFolder folder("benchcommand", MemoryTempRoot());
    PrepareFolder(folder.Path(), AccountFor(user), static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const double cpu = RunCpuSeconds(folder.Path());
        if (cpu < 0) {
            state.SkipWithError("tarnwick-check failed");
            return;
        }
        state.SetIterationTime(cpu);
    }
    state.counters["ini_kB"] =
        static_cast<double>(std::filesystem::file_size(folder.File("vellmoor.ini"))) / 1024;
}

}  // namespace

// The time shown is CPU time (user and system) of the child, not wall time.
BENCHMARK(BM_CheckCommandCpu)
    ->ArgName("rules")
    ->Arg(0)
    ->Arg(100000)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
