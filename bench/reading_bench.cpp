// Readings proposed and checked for a few hundred names, as the editor, the
// import and the book check ask for them: names per second, the dictionary
// loaded before the timing starts.

#include "core/reading/ReadingGuess.h"

#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> Names() {
    constexpr std::array<std::string_view, 20> families{
        "佐藤", "鈴木", "高橋",   "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤",
        "吉田", "山田", "佐々木", "山口", "松本", "井上", "木村", "林",   "斎藤", "清水"};
    constexpr std::array<std::string_view, 15> givens{"太郎", "花子", "一郎", "健太", "陽子",
                                                      "大輔", "美咲", "翔太", "直樹", "恵子",
                                                      "浩二", "由美", "誠",   "拓也", "明美"};
    constexpr std::array<std::string_view, 10> companies{
        "株式会社ソニー", "㈱日立製作所", "有限会社山田工務店", "トヨタ自動車", "東京ガス",
        "NTTドコモ",      "(株)田中商店", "佐藤歯科医院",       "みずほ銀行",   "中央病院"};
    std::vector<std::string> names;
    std::size_t i = 0;
    for (std::string_view family : families)
        for (std::string_view given : givens) {
            // Every other name written with a space between its parts.
            names.push_back(std::string(family) + (i++ % 2 ? " " : "") + std::string(given));
        }
    for (std::string_view company : companies)
        names.emplace_back(company);
    return names;
}

// Each name through one of the guesser's calls: all proposals (the
// editor's drop-down), the first one (the import), or a check of the
// name's own first reading (the book check, with a reading that agrees).
enum class Call { Propose, FirstProposal, Check };

void BM_Names(benchmark::State& state, Call call) {
    const std::vector<std::string> names = Names();
    ruvo::reading::ReadingGuesser guesser;
    if (!guesser.Available()) {
        state.SkipWithError("the MeCab dictionary is not installed");
        return;
    }
    std::vector<std::string> readings;
    for (const std::string& name : names)
        readings.push_back(guesser.FirstProposal(name).value_or(""));
    for (auto _ : state)
        for (std::size_t i = 0; i < names.size(); ++i)
            switch (call) {
            case Call::Propose:
                benchmark::DoNotOptimize(guesser.Propose(names[i]));
                break;
            case Call::FirstProposal:
                benchmark::DoNotOptimize(guesser.FirstProposal(names[i]));
                break;
            case Call::Check:
                benchmark::DoNotOptimize(guesser.Check(names[i], readings[i]));
                break;
            }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(names.size()));
}

// The first use: MeCab and its dictionary loaded, one name read.
void BM_LoadAndFirstName(benchmark::State& state) {
    for (auto _ : state) {
        ruvo::reading::ReadingGuesser guesser;
        benchmark::DoNotOptimize(guesser.Propose("山田太郎"));
    }
}

BENCHMARK_CAPTURE(BM_Names, Propose, Call::Propose)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Names, FirstProposal, Call::FirstProposal)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Names, Check, Call::Check)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAndFirstName)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
