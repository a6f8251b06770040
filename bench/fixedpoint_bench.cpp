#include "orlclass.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr std::size_t EIGHT_DIGIT_COUNT = 1'000'000;

std::vector<std::string> everyFourDigitText() {
    std::vector<std::string> texts;
    char text[5];
    for (std::uint32_t pattern = 0; pattern <= 0xffff; ++pattern) {
        std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(pattern));
        texts.emplace_back(text);
    }
    return texts;
}

// A fixed linear congruential sequence, so that every run converts the same patterns.
std::vector<std::string> eightDigitTexts() {
    std::vector<std::string> texts;
    texts.reserve(EIGHT_DIGIT_COUNT);
    std::uint32_t pattern = 12345;
    char text[9];
    for (std::size_t i = 0; i < EIGHT_DIGIT_COUNT; ++i) {
        pattern = pattern * 1664525u + 1013904223u;
        std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(pattern));
        texts.emplace_back(text);
    }
    return texts;
}

std::vector<std::string> decimalsOf(const std::vector<std::string>& hexTexts, HexFormat format) {
    const BoxDocument document;
    std::vector<std::string> decimals;
    decimals.reserve(hexTexts.size());
    for (const std::string& hex : hexTexts) {
        decimals.push_back(document.hexToDecimal(hex, format));
    }
    return decimals;
}

void hexToDecimalFourDigits(benchmark::State& state) {
    const BoxDocument document;
    const std::vector<std::string> texts = everyFourDigitText();
    for (auto _ : state) {
        for (const std::string& text : texts) {
            benchmark::DoNotOptimize(document.hexToDecimal(text, HexFormat::FourDigits));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
}

void decimalToHex4(benchmark::State& state) {
    const BoxDocument document;
    const std::vector<std::string> texts = decimalsOf(everyFourDigitText(), HexFormat::FourDigits);
    for (auto _ : state) {
        for (const std::string& text : texts) {
            benchmark::DoNotOptimize(document.decimalToHex4(text));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
}

void hexToDecimalEightDigits(benchmark::State& state) {
    const BoxDocument document;
    const std::vector<std::string> texts = eightDigitTexts();
    for (auto _ : state) {
        for (const std::string& text : texts) {
            benchmark::DoNotOptimize(document.hexToDecimal(text, HexFormat::EightDigits));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
}

void decimalToHex8(benchmark::State& state) {
    const BoxDocument document;
    const std::vector<std::string> texts = decimalsOf(eightDigitTexts(), HexFormat::EightDigits);
    for (auto _ : state) {
        for (const std::string& text : texts) {
            benchmark::DoNotOptimize(document.decimalToHex8(text));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
}

} // namespace

BENCHMARK(hexToDecimalFourDigits)->Unit(benchmark::kMillisecond);
BENCHMARK(decimalToHex4)->Unit(benchmark::kMillisecond);
BENCHMARK(hexToDecimalEightDigits)->Unit(benchmark::kMillisecond);
BENCHMARK(decimalToHex8)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
