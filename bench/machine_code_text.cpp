// Speed of the machine-code text forms on 10 MB texts (bytes of text per second), and of the
// two radio-button commands that convert a whole box.
#include <benchmark/benchmark.h>

#include <string>

#include "app/app_context.h"
#include "app/machine_code_commands.h"
#include "app/machine_code_text.h"
#include "app/names.h"
#include "platform/memory/memory_platform.h"

using namespace kovrel::app;

namespace {

constexpr size_t kTextSize = 10u << 20;

Bytes sampleBytes() {
    Bytes bytes(kTextSize / 3);
    uint32_t state = 1;
    for (uint8_t& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

const Bytes& bytes() {
    static const Bytes b = sampleBytes();
    return b;
}
const std::string& literalText() {
    static const std::string t = formatByteSetLiteral(bytes());
    return t;
}
const std::string& hexText() {
    static const std::string t = formatHexByteText(bytes());
    return t;
}

template <typename Run>
void textBenchmark(benchmark::State& state, const std::string& input, Run run) {
    for (auto _ : state) benchmark::DoNotOptimize(run(input));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input.size()));
}

void BM_parseByteSetLiteral(benchmark::State& s) {
    textBenchmark(s, literalText(), [](const std::string& t) { return parseByteSetLiteral(t, [] {}); });
}
void BM_readByteList(benchmark::State& s) {
    textBenchmark(s, literalText(), [](const std::string& t) { return readByteList(t); });
}
void BM_parseHexByteText(benchmark::State& s) {
    textBenchmark(s, hexText(), [](const std::string& t) { return parseHexByteText(t); });
}
void BM_hexTextToByteSetLiteral(benchmark::State& s) {
    textBenchmark(s, hexText(), [](const std::string& t) { return hexTextToByteSetLiteral(t); });
}
void BM_formatByteSetLiteral(benchmark::State& s) {
    for (auto _ : s) benchmark::DoNotOptimize(formatByteSetLiteral(bytes()));
    s.SetBytesProcessed(static_cast<int64_t>(s.iterations()) * static_cast<int64_t>(bytes().size()));
}
void BM_formatHexByteText(benchmark::State& s) {
    for (auto _ : s) benchmark::DoNotOptimize(formatHexByteText(bytes()));
    s.SetBytesProcessed(static_cast<int64_t>(s.iterations()) * static_cast<int64_t>(bytes().size()));
}

// A 10 MB literal in the box, switched to hex and back (each write updates the byte count).
void BM_switchBothWays(benchmark::State& s) {
    kovrel::platform::MemoryPlatform memory;
    AppContext context(memory.platform());
    memory.ui.bind(kMachineCodeBox, kovrel::platform::UiEvent::TextChanged, [&] { updateByteCountLabel(context); });
    for (auto _ : s) {
        memory.ui.setText(kMachineCodeBox, literalText());
        switchToHex(context);
        switchToDecimal(context);
    }
    s.SetBytesProcessed(static_cast<int64_t>(s.iterations()) * static_cast<int64_t>(literalText().size()));
}

}  // namespace

BENCHMARK(BM_parseByteSetLiteral)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_readByteList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_parseHexByteText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_hexTextToByteSetLiteral)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_formatByteSetLiteral)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_formatHexByteText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_switchBothWays)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
