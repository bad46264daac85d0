// Disasm throughput over the MinGW runtime corpus, side by side with Capstone and Zydis in
// the same run: lengths only (mode 0 against Zydis's minimal decoding) and listing text
// (mode 3 against Zydis decode + Intel formatting and Capstone with and without detail).
// Each decoder walks the whole corpus with its own lengths; a failed decode skips a byte.
#include <Zydis/Zydis.h>
#include <benchmark/benchmark.h>
#include <capstone/capstone.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "tests/support/corpus.h"

namespace {

const std::vector<kovrel::testing::CorpusChunk>& corpus() {
    static const auto chunks = kovrel::testing::loadDefaultCorpus();
    return chunks;
}

void report(benchmark::State& state, long commands) {
    state.counters["commands/s"] = benchmark::Counter(double(commands), benchmark::Counter::kIsRate);
}

template <int Mode>
void BM_Disasm(benchmark::State& state) {
    VB_SetOptions(0, 0, 0, 1);
    DisasmRecord record;
    long commands = 0;
    for (auto _ : state) {
        for (const auto& chunk : corpus()) {
            size_t at = 0;
            while (at < chunk.size()) {
                at += size_t(Disasm(chunk.data() + at, unsigned(chunk.size() - at), unsigned(at), &record, Mode));
                ++commands;
            }
        }
        benchmark::DoNotOptimize(record);
    }
    report(state, commands);
}

void capstoneWalk(benchmark::State& state, bool detail) {
    csh handle;
    if (cs_open(CS_ARCH_X86, CS_MODE_32, &handle) != CS_ERR_OK) {
        state.SkipWithError("cs_open failed");
        return;
    }
    cs_option(handle, CS_OPT_DETAIL, detail ? CS_OPT_ON : CS_OPT_OFF);
    cs_insn* insn = cs_malloc(handle);
    long commands = 0;
    for (auto _ : state) {
        for (const auto& chunk : corpus()) {
            const uint8_t* code = chunk.data();
            size_t left = chunk.size();
            uint64_t address = 0;
            while (left) {
                if (!cs_disasm_iter(handle, &code, &left, &address, insn)) {
                    ++code;
                    --left;
                    ++address;
                }
                ++commands;
            }
        }
        benchmark::DoNotOptimize(insn->size);
    }
    cs_free(insn, 1);
    cs_close(&handle);
    report(state, commands);
}
void BM_CapstoneNoDetail(benchmark::State& state) { capstoneWalk(state, false); }
void BM_CapstoneDetail(benchmark::State& state) { capstoneWalk(state, true); }

void BM_ZydisMinimal(benchmark::State& state) {
    ZydisDecoder decoder;
    ZydisDecoderInit(&decoder, ZYDIS_MACHINE_MODE_LEGACY_32, ZYDIS_STACK_WIDTH_32);
    ZydisDecoderEnableMode(&decoder, ZYDIS_DECODER_MODE_MINIMAL, ZYAN_TRUE);
    ZydisDecoderContext context;
    ZydisDecodedInstruction instruction;
    long commands = 0;
    for (auto _ : state) {
        for (const auto& chunk : corpus()) {
            size_t at = 0;
            while (at < chunk.size()) {
                const bool ok = ZYAN_SUCCESS(ZydisDecoderDecodeInstruction(&decoder, &context, chunk.data() + at,
                                                                           chunk.size() - at, &instruction));
                at += ok ? instruction.length : 1;
                ++commands;
            }
        }
        benchmark::DoNotOptimize(instruction.length);
    }
    report(state, commands);
}

void BM_ZydisFormatted(benchmark::State& state) {
    ZydisDecoder decoder;
    ZydisDecoderInit(&decoder, ZYDIS_MACHINE_MODE_LEGACY_32, ZYDIS_STACK_WIDTH_32);
    ZydisFormatter formatter;
    ZydisFormatterInit(&formatter, ZYDIS_FORMATTER_STYLE_INTEL);
    ZydisDecodedInstruction instruction;
    ZydisDecodedOperand operands[ZYDIS_MAX_OPERAND_COUNT];
    char text[256];
    long commands = 0;
    for (auto _ : state) {
        for (const auto& chunk : corpus()) {
            size_t at = 0;
            while (at < chunk.size()) {
                if (ZYAN_SUCCESS(ZydisDecoderDecodeFull(&decoder, chunk.data() + at, chunk.size() - at, &instruction,
                                                        operands))) {
                    ZydisFormatterFormatInstruction(&formatter, &instruction, operands,
                                                    instruction.operand_count_visible, text, sizeof text, at,
                                                    ZYAN_NULL);
                    at += instruction.length;
                } else {
                    ++at;
                }
                ++commands;
            }
        }
        benchmark::DoNotOptimize(text);
    }
    report(state, commands);
}

BENCHMARK(BM_Disasm<0>)->Name("Disasm mode 0 (lengths)")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZydisMinimal)->Name("Zydis minimal decode")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Disasm<3>)->Name("Disasm mode 3 (listing)")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZydisFormatted)->Name("Zydis decode + Intel format")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CapstoneNoDetail)->Name("Capstone, detail off")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CapstoneDetail)->Name("Capstone, detail on")->Unit(benchmark::kMillisecond);

// Console output plus the commands-per-second figure of every run, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("commands/s");
            if (it != run.counters.end()) rates[run.benchmark_name()] = it->second.value;
        }
    }
    std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (corpus().empty()) {
        std::fprintf(stderr, "corpus missing: %s\n", kovrel::testing::defaultCorpusPath().c_str());
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto rate = [&](const char* name) {
        for (const auto& [key, value] : reporter.rates)
            if (key.rfind(name, 0) == 0) return value;
        return 0.0;
    };
    const auto ratio = [&](const char* ours, const char* theirs) {
        const double a = rate(ours), b = rate(theirs);
        if (a > 0 && b > 0) std::printf("  %-26s / %-28s %6.2fx\n", ours, theirs, a / b);
    };
    std::printf("\nCommands per second:\n");
    for (const auto& [name, value] : reporter.rates) std::printf("  %-40s %12.0f\n", name.c_str(), value);
    std::printf("Ratios (above 1: Disasm is faster):\n");
    ratio("Disasm mode 0 (lengths)", "Zydis minimal decode");
    ratio("Disasm mode 3 (listing)", "Zydis decode + Intel format");
    ratio("Disasm mode 3 (listing)", "Capstone, detail off");
    ratio("Disasm mode 3 (listing)", "Capstone, detail on");
    ratio("Disasm mode 0 (lengths)", "Capstone, detail off");
    benchmark::Shutdown();
    return 0;
}
