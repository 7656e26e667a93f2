// Costs of the header listing: the spam verdict, header decoding, building entries from
// headers, and the memory a listed entry holds.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>
#include <vector>

#include "list/list_row.h"
#include "message/header_decode.h"
#include "spam/spam_filter.h"

namespace {

// The rule list and criteria the benchmarks judge by.
SpamRules spamRules;
SpamCriteria spamCriteria;

constexpr int kEntries = 10000;

// A header as real mailboxes hold them: trace lines, encoded names and subjects, a few
// recipients, message id and MIME lines; about 1.5 kB.
std::vector<std::string> RealLookingHeader(int i) {
    const std::string n = std::to_string(i);
    return {
        "Return-Path: <bounce-" + n + "@lists.example.com>",
        "Received: from mx" + std::to_string(i % 7) + ".example.com (mx.example.com [192.0.2." +
            std::to_string(i % 250) + "])",
        "\tby mail.test.example (Postfix) with ESMTPS id 4F1" + n,
        "\tfor <me@test.example>; Tue, 03 Mar 2026 10:15:00 +0100 (CET)",
        "Received: by mail-lj1.example.com with SMTP id a" + n +
            "; Tue, 03 Mar 2026 01:14:59 -0800",
        "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.com; s=s1;",
        "\th=from:to:subject:date:message-id; bh=47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=;",
        "\tb=dGhpcyBpcyBub3QgYSByZWFsIHNpZ25hdHVyZSBidXQgaXQgaGFzIHRoZSBzYW1lIGxlbmd0aA==",
        "From: =?UTF-8?Q?Jana_Nov=C3=A1kov=C3=A1?= <jana" + n + "@example.cz>",
        "To: me@test.example, \"Petr Svoboda\" <petr@example.cz>",
        "Cc: =?ISO-8859-2?Q?Ji=F8=ED?= <jiri@example.cz>",
        "Subject: =?UTF-8?B?UmU6IFDFmcOtbG9oYSBrIHpwcsOhdsSb?= " + n,
        "Date: Tue, 03 Mar 2026 " + std::to_string(i % 24) + ":14:59 +0100",
        "Message-ID: <CAF" + n + "xyz@mail.example.com>",
        "MIME-Version: 1.0",
        "Content-Type: multipart/alternative; boundary=\"000000000000b" + n + "\"",
    };
}

std::unique_ptr<MailMessage> EntryFromHeader(const std::vector<std::string>& lines, int n) {
    auto entry = std::make_unique<MailMessage>();
    for (const auto& line : lines) entry->AddHeaderLine(line);
    entry->HeaderComplete();
    entry->id = IdOfNumber(n);
    entry->size = 20000 + n;
    return entry;
}

void InstallRules(int count) {
    spamRules.clear();
    for (int i = 0; i < count; ++i) {
        auto rule = std::make_unique<SpamRuleEntry>();
        rule->filter = {static_cast<RuleKind>(i % 2), i % 3 != 0, "spam word " + std::to_string(i)};
        spamRules.push_back(std::move(rule));
    }
    spamCriteria = {10240, 50, true, true, true};
}

void BM_SpamVerdict(benchmark::State& state) {
    InstallRules(200);
    std::vector<MessageRow> rows;
    for (int i = 0; i < kEntries; ++i)
        rows.push_back(MakeListRow(EntryFromHeader(RealLookingHeader(i), i + 1), "me@test.example",
                                   spamRules, spamCriteria));
    std::vector<SpamFacts> messages;
    for (const auto& row : rows)
        messages.push_back(SpamFactsOf(*row.entry, row.subjectText, row.senderText));
    for (auto _ : state) {
        int marked = 0;
        for (const auto& message : messages)
            marked += SpamVerdict(message, "me@test.example", spamRules, spamCriteria);
        benchmark::DoNotOptimize(marked);
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
    spamRules.clear();
    spamCriteria = {};
}
BENCHMARK(BM_SpamVerdict)->Unit(benchmark::kMillisecond);

void BM_DecodeHeaderText(benchmark::State& state) {
    const std::vector<std::string> texts = {
        "Plain subject without any encoded word at all",
        "Re: =?ISO-8859-2?Q?P=F8=EDloha_k_zpr=E1v=EC?=",
        "=?UTF-8?B?UmU6IFDFmcOtbG9oYSBrIHpwcsOhdsSb?= =?UTF-8?B?IGEgamXFoXTEmyBuxJtjbw==?=",
        "=?windows-1250?Q?=8Akoda?= Auto <info@skoda.example>",
    };
    for (auto _ : state) {
        for (const auto& text : texts) benchmark::DoNotOptimize(DecodeHeaderText(text));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}
BENCHMARK(BM_DecodeHeaderText);

// The parser alone: header lines into a parsed entry.
void BM_ParseHeader(benchmark::State& state) {
    std::vector<std::vector<std::string>> headers;
    for (int i = 0; i < kEntries; ++i) headers.push_back(RealLookingHeader(i));
    for (auto _ : state) {
        for (int i = 0; i < kEntries; ++i) {
            benchmark::DoNotOptimize(EntryFromHeader(headers[static_cast<std::size_t>(i)], i + 1));
        }
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_ParseHeader)->Unit(benchmark::kMillisecond);

// Parser and row texts for one header each (TOP n 0 already received), then the sort by date.
void BM_BuildEntries(benchmark::State& state) {
    InstallRules(20);
    std::vector<std::vector<std::string>> headers;
    for (int i = 0; i < kEntries; ++i) headers.push_back(RealLookingHeader(i));
    for (auto _ : state) {
        std::vector<MessageRow> rows;
        rows.reserve(kEntries);
        for (int i = 0; i < kEntries; ++i) {
            rows.push_back(MakeListRow(EntryFromHeader(headers[static_cast<std::size_t>(i)], i + 1),
                                       "me@test.example", spamRules, spamCriteria));
        }
        SortRows(rows, kDateColumn);
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
    spamRules.clear();
    spamCriteria = {};
}
BENCHMARK(BM_BuildEntries)->Unit(benchmark::kMillisecond);

// Heap bytes held per listed row (entry, raw header lines, parsed fields, row texts).
void BM_MemoryPerEntry(benchmark::State& state) {
    std::vector<std::vector<std::string>> headers;
    std::size_t headerBytes = 0;
    for (int i = 0; i < kEntries; ++i) {
        headers.push_back(RealLookingHeader(i));
        for (const auto& line : headers.back()) headerBytes += line.size() + 2;
    }
    double perEntry = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const std::size_t before = mallinfo2().uordblks;
        std::vector<MessageRow> rows;
        rows.reserve(kEntries);
        for (int i = 0; i < kEntries; ++i) {
            rows.push_back(MakeListRow(EntryFromHeader(headers[static_cast<std::size_t>(i)], i + 1),
                                       "me@test.example", spamRules, spamCriteria));
        }
        const std::size_t after = mallinfo2().uordblks;
        perEntry = static_cast<double>(after - before) / kEntries;
    }
    state.counters["bytes_per_entry"] = perEntry;
    state.counters["header_bytes_per_entry"] = static_cast<double>(headerBytes) / kEntries;
}
BENCHMARK(BM_MemoryPerEntry)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
