// Loading and saving a settings file of 200 accounts, each with its run-state keys; and what a
// save of one key costs on a file of 5 MB, split into the writers' lock, the re-read of the file
// under it, and the whole save.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "settings/cipher.h"
#include "settings/file_lock.h"
#include "settings/program_path.h"
#include "settings/settings.h"
#include "support/temp_folder.h"

namespace {

constexpr int kAccounts = 200;

std::string AccountSectionText(int i) {
    const std::string n = std::to_string(i);
    std::string text;
    text += "[EML_POP_EXAMPLE_COM_USER";
    text += n;
    text += "]\r\nENABLED=1\r\nEMAIL=user";
    text += n;
    text += "@example.com\r\nHOST=pop.example.com\r\nUSERNAME=user";
    text += n;
    text += "\r\nPASSWORD=";
    text += EncipherText("password" + n);
    text += "\r\nPORT=110\r\nSECURE_LOGIN=0\r\nSSL=1\r\nCOUNT=12\r\n";
    text += "LAST_CHECK=12/07/26 08:15:00\r\nLAST_RESULT=1\r\nLAST_ERROR=\r\n";
    text += "LAST_INCOME=12/07/26 07:55:10\r\n";
    return text;
}

std::string SettingsWithAccounts(int count) {
    std::string text = "[GENERAL]\r\nAUTORUN=0\r\nPLAYWAVE=1\r\nSHOW_ADVERT=1\r\n";
    for (int i = 0; i < count; ++i) text += AccountSectionText(i);
    text += "[SERVERLIST]\r\nS1=pop.example.com\r\n[GENERAL_FILTER]\r\nSIZE=0\r\n[FILTER]\r\n";
    for (int i = 0; i < 50; ++i) {
        text += "F";
        text += std::to_string(i);
        text += "=Subject: %offer\r\n";
    }
    return text;
}

void WriteSettingsFile(int count) {
    std::ofstream(ProgramFilePath("vellmoor.ini"), std::ios::binary) << SettingsWithAccounts(count);
}

void BM_LoadSettings(benchmark::State& state) {
    TempFolder folder{"tarnwick-bench", SystemTempRoot()};
    ProgramFolderScope scope{folder.Path()};
    WriteSettingsFile(static_cast<int>(state.range(0)));
    SettingsValues values;
    for (auto _ : state) {
        LoadSettings(values);
        benchmark::DoNotOptimize(values.accounts.data());
    }
    state.counters["accounts"] = static_cast<double>(values.accounts.size());
}
BENCHMARK(BM_LoadSettings)->Arg(kAccounts)->Arg(20)->Unit(benchmark::kMillisecond);

void BM_SaveSettings(benchmark::State& state) {
    TempFolder folder{"tarnwick-bench", SystemTempRoot()};
    ProgramFolderScope scope{folder.Path()};
    WriteSettingsFile(static_cast<int>(state.range(0)));
    SettingsValues values;
    LoadSettings(values);
    for (auto _ : state) SaveSettings(values);
}
BENCHMARK(BM_SaveSettings)->Arg(kAccounts)->Arg(20)->Unit(benchmark::kMillisecond);

// One run-state write, as the check cycle makes after every check.
void BM_WriteOneKey(benchmark::State& state) {
    TempFolder folder{"tarnwick-bench", SystemTempRoot()};
    ProgramFolderScope scope{folder.Path()};
    WriteSettingsFile(kAccounts);
    int count = 0;
    for (auto _ : state)
        OpenSettings()->WriteInteger("EML_POP_EXAMPLE_COM_USER100", "COUNT", ++count);
}
BENCHMARK(BM_WriteOneKey)->Unit(benchmark::kMicrosecond);

// About 5 MB of accounts with their run state.
constexpr int kLargeAccounts = 5 * 1024 * 1024 / 287;

// Taking and releasing the writers' lock, which every save does once.
void BM_TakeTheLock(benchmark::State& state) {
    TempFolder folder{"tarnwick-bench", SystemTempRoot()};
    ProgramFolderScope scope{folder.Path()};
    WriteSettingsFile(kAccounts);
    const std::string path = OpenSettings()->Path();
    for (auto _ : state) FileLock lock(path);
}
BENCHMARK(BM_TakeTheLock)->Unit(benchmark::kMicrosecond);

// Reading and splitting the whole file, as a save does under the lock.
void BM_ReadTheFile(benchmark::State& state) {
    TempFolder folder{"tarnwick-bench", SystemTempRoot()};
    ProgramFolderScope scope{folder.Path()};
    WriteSettingsFile(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(OpenSettings()->SectionExists("GENERAL"));
}
BENCHMARK(BM_ReadTheFile)->Arg(kLargeAccounts)->Unit(benchmark::kMillisecond);

// The whole save of one run-state key: lock, read, change, write, rename, unlock.
void BM_SaveOneKey(benchmark::State& state) {
    TempFolder folder{"tarnwick-bench", SystemTempRoot()};
    ProgramFolderScope scope{folder.Path()};
    WriteSettingsFile(static_cast<int>(state.range(0)));
    int count = 0;
    for (auto _ : state)
        OpenSettings()->WriteInteger("EML_POP_EXAMPLE_COM_USER100", "COUNT", ++count);
    state.counters["bytes"] =
        static_cast<double>(std::filesystem::file_size(OpenSettings()->Path()));
}
BENCHMARK(BM_SaveOneKey)->Arg(kLargeAccounts)->Unit(benchmark::kMillisecond);

}  // namespace
