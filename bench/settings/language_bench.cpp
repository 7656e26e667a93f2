// GetLangText over a table of 500 enciphered values: every lookup searches the table and
// deciphers the value anew.

#include <benchmark/benchmark.h>

#include <fstream>

#include "settings/cipher.h"
#include "settings/language.h"
#include "support/temp_folder.h"

namespace {

constexpr int kLines = 500;

void BM_GetLangTextEnciphered(benchmark::State& state) {
    TempFolder folder{"tarnwick-bench", SystemTempRoot()};
    ProgramFolderScope scope{folder.Path()};
    {
        std::ofstream file(LanguageFilePath(), std::ios::binary);
        for (int i = 0; i < kLines; ++i) {
            file << "text_key_" << i << "=?"
                 << EncipherText("Some visible text number " + std::to_string(i)) << "\r\n";
        }
    }
    LoadLanguageTable();
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetLangText("text_key_" + std::to_string(i)));
        i = (i + 1) % kLines;  // on average half the table is searched
    }
    state.SetItemsProcessed(state.iterations());
    ResetLanguageTable();
}
BENCHMARK(BM_GetLangTextEnciphered)->Unit(benchmark::kMicrosecond);

void BM_DecipherText(benchmark::State& state) {
    const std::string stored = EncipherText("Some visible text number 250");
    for (auto _ : state) benchmark::DoNotOptimize(DecipherText(stored));
}
BENCHMARK(BM_DecipherText)->Unit(benchmark::kMicrosecond);

}  // namespace
