// Assemble throughput over the engine's own listing of the real-code corpus, measured in the
// same run as the decoder's listing speed and against NASM assembling the same commands.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "tests/support/listing_for_assembly.h"
#include "tests/support/corpus.h"

namespace {

constexpr unsigned kBaseAddress = 0x401000;
constexpr size_t kNasmLines = 50000;

using kovrel::testing::withLeadingZeros;

struct Listed {
    unsigned address;
    std::string text;   // converter options (0,0,0,1), with the leading 0 the assembler needs: Assemble's input
    std::string plain;  // all options off, the source of the NASM rewrite
};

struct Workload {
    std::vector<kovrel::testing::CorpusChunk> chunks;
    std::vector<Listed> commands;
    size_t corpusBytes = 0;
};

const Workload& workload() {
    static const Workload w = [] {
        Workload w;
        w.chunks = kovrel::testing::loadDefaultCorpus();
        DisasmRecord record;
        unsigned address = kBaseAddress;
        for (const auto& chunk : w.chunks) {
            w.corpusBytes += chunk.size();
            for (size_t at = 0; at < chunk.size();) {
                VB_SetOptions(0, 0, 0, 0);
                const int length = Disasm(chunk.data() + at, unsigned(chunk.size() - at), address, &record, 3);
                if (record.errorCode == 0) {
                    Listed item{address, {}, record.commandText};
                    VB_SetOptions(0, 0, 0, 1);
                    Disasm(chunk.data() + at, unsigned(chunk.size() - at), address, &record, 3);
                    item.text = withLeadingZeros(record.commandText);
                    w.commands.push_back(std::move(item));
                }
                at += size_t(length);
                address += unsigned(length);
            }
        }
        VB_SetOptions(0, 0, 0, 1);
        return w;
    }();
    return w;
}

// Lines per second of each measurement, for the ratios printed at the end.
double gAssembleRate = 0;
double gDisasmRate = 0;
double gNasmRate = 0;

void BM_Assemble(benchmark::State& state) {
    const Workload& w = workload();
    if (w.commands.empty()) {
        state.SkipWithError("corpus missing");
        return;
    }
    VB_SetOptions(0, 0, 0, 1);
    AsmModel model;
    char error[256];
    size_t lines = 0;
    long failures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (const Listed& c : w.commands) {
            const int result = Assemble(c.text.c_str(), c.address, &model, 0, 0, error);
            failures += result <= 0;
            benchmark::DoNotOptimize(model);
        }
        lines += w.commands.size();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    gAssembleRate = double(lines) / seconds;
    state.SetItemsProcessed(int64_t(lines));
    state.counters["lines"] = double(w.commands.size());
    state.counters["refused"] = double(failures) / double(state.iterations());
}
BENCHMARK(BM_Assemble)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_DisasmListing(benchmark::State& state) {
    const Workload& w = workload();
    if (w.chunks.empty()) {
        state.SkipWithError("corpus missing");
        return;
    }
    VB_SetOptions(0, 0, 0, 1);
    DisasmRecord record;
    size_t commands = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        unsigned address = kBaseAddress;
        for (const auto& chunk : w.chunks) {
            for (size_t at = 0; at < chunk.size();) {
                const int length = Disasm(chunk.data() + at, unsigned(chunk.size() - at), address, &record, 3);
                benchmark::DoNotOptimize(record);
                at += size_t(length);
                address += unsigned(length);
                ++commands;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    gDisasmRate = double(commands) / seconds;
    state.SetItemsProcessed(int64_t(commands));
    state.SetBytesProcessed(int64_t(w.corpusBytes * state.iterations()));
}
BENCHMARK(BM_DisasmListing)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// ---------------------------------------------------------------------------------------
// The listing rewritten for NASM: lower case, hexadecimal with 0x, segment inside the
// brackets, no PTR, string commands by their suffixed names.

bool isHexWord(const std::string& word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return std::isxdigit(uint8_t(c)); });
}

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(uint8_t(c)));
    return text;
}

std::string nasmOperand(std::string op, bool* far) {
    std::string out;
    std::string segment;
    size_t i = 0;
    while (i < op.size()) {
        const char c = op[i];
        if (std::isalnum(uint8_t(c)) || c == '_') {
            size_t j = i;
            while (j < op.size() && (std::isalnum(uint8_t(op[j])) || op[j] == '_')) ++j;
            std::string word = op.substr(i, j - i);
            i = j;
            if (word == "PTR") continue;
            if (word == "FWORD") {
                *far = true;
                continue;
            }
            if (word == "TBYTE") word = "TWORD";
            if ((word == "ES" || word == "CS" || word == "SS" || word == "DS" || word == "FS" || word == "GS") &&
                i < op.size() && op[i] == ':' && i + 1 < op.size() && op[i + 1] == '[') {
                segment = lower(word) + ":";
                ++i;  // the ":"
                continue;
            }
            if (word == "ST" && i < op.size() && op[i] == '(') {
                const size_t close = op.find(')', i);
                out += "st" + op.substr(i + 1, close - i - 1);
                i = close + 1;
                continue;
            }
            if (word == "ST") {
                out += "st0";
                continue;
            }
            out += isHexWord(word) ? "0x" + word : lower(word);
            if (word == "BYTE" || word == "WORD" || word == "DWORD" || word == "QWORD" || word == "TWORD") out += " ";
            continue;
        }
        if (c == '[') {
            out += "[" + segment;
            segment.clear();
            ++i;
            continue;
        }
        if (c != ' ') out += c;
        ++i;
    }
    return out;
}

std::string toNasm(const std::string& listing) {
    std::string mnemonic = listing;
    std::string rest;
    const size_t space = listing.find(' ');
    if (space != std::string::npos) {
        mnemonic = listing.substr(0, space);
        rest = listing.substr(space + 1);
        if (mnemonic == "REP" || mnemonic == "REPE" || mnemonic == "REPNE") {
            const size_t second = rest.find(' ');
            mnemonic.append(1, ' ').append(rest, 0, second);
            rest = second == std::string::npos ? "" : rest.substr(second + 1);
        }
    }
    static const char* const kStrings[] = {"MOVS", "CMPS", "LODS", "STOS", "SCAS", "INS", "OUTS"};
    const std::string last = mnemonic.substr(mnemonic.rfind(' ') == std::string::npos ? 0 : mnemonic.rfind(' ') + 1);
    for (const char* s : kStrings) {
        if (last == s) {
            const char suffix = rest.find("DWORD") != std::string::npos  ? 'd'
                                : rest.find("WORD") != std::string::npos ? 'w'
                                                                         : 'b';
            return lower(mnemonic) + suffix;
        }
    }
    if (mnemonic == "RETN") mnemonic = "RET";
    if (mnemonic == "XLAT") return "xlatb";
    if (mnemonic.rfind("LOOPD", 0) == 0) mnemonic = "LOOP" + mnemonic.substr(5);
    std::string out = lower(mnemonic);
    bool far = false;
    std::string operands;
    std::stringstream split(rest);
    std::string op;
    bool first = true;
    while (std::getline(split, op, ',')) {
        operands += (first ? " " : ", ") + nasmOperand(op, &far);
        first = false;
    }
    if (far) out += " far";
    return out + operands;
}

// Line numbers NASM reports errors for.
std::set<size_t> nasmErrorLines(const std::string& source, const std::string& log) {
    std::set<size_t> lines;
    std::ifstream in(log);
    std::string line;
    const std::string head = source + ":";
    while (std::getline(in, line)) {
        if (line.compare(0, head.size(), head) != 0 || line.find("error") == std::string::npos) continue;
        lines.insert(size_t(std::strtoul(line.c_str() + head.size(), nullptr, 10)));
    }
    return lines;
}

std::string gNasmSource;
// NASM deletes its output file when it reports errors: never let that be /dev/null.
std::string gNasmOutput;
size_t gNasmLineCount = 0;

// NASM's input: the first 50,000 listed commands that NASM takes, "bits 32" in front.
bool prepareNasm() {
    if (!gNasmSource.empty()) return gNasmLineCount > 0;
    if (std::system("nasm -v > /dev/null 2>&1") != 0) return false;
    char dir[] = "/tmp/kovrel_nasm_XXXXXX";
    if (mkdtemp(dir) == nullptr) return false;
    gNasmSource = std::string(dir) + "/listing.asm";
    gNasmOutput = std::string(dir) + "/listing.bin";
    const std::string log = std::string(dir) + "/errors.txt";
    std::vector<std::string> lines;
    for (const Listed& c : workload().commands) {
        if (lines.size() >= kNasmLines * 2) break;
        lines.push_back(toNasm(c.plain));
    }
    for (int round = 0; round < 4; ++round) {
        std::ofstream out(gNasmSource);
        out << "bits 32\n";
        size_t written = 0;
        for (const std::string& l : lines) {
            if (written == kNasmLines) break;
            out << l << '\n';
            ++written;
        }
        out.close();
        const std::string command = "nasm -w-all -f bin -o " + gNasmOutput + " " + gNasmSource + " 2> " + log;
        if (std::system(command.c_str()) == 0) {
            gNasmLineCount = written;
            return written > 0;
        }
        const std::set<size_t> bad = nasmErrorLines(gNasmSource, log);
        if (bad.empty()) return false;
        std::vector<std::string> kept;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (bad.count(i + 2) == 0) kept.push_back(lines[i]);  // line 1 is "bits 32"
        }
        lines.swap(kept);
    }
    return false;
}

void BM_NasmProcess(benchmark::State& state) {
    if (!prepareNasm()) {
        state.SkipWithError("nasm not available or the rewritten listing does not assemble");
        return;
    }
    const std::string command = "nasm -w-all -f bin -o " + gNasmOutput + " " + gNasmSource;
    double best = 1e9;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (status != 0) {
            state.SkipWithError("nasm failed");
            return;
        }
        state.SetIterationTime(seconds);
        best = std::min(best, seconds);
    }
    gNasmRate = double(gNasmLineCount) / best;
    state.SetItemsProcessed(int64_t(gNasmLineCount * state.iterations()));
    state.counters["lines"] = double(gNasmLineCount);
}
BENCHMARK(BM_NasmProcess)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!gNasmSource.empty()) std::filesystem::remove_all(std::filesystem::path(gNasmSource).parent_path());
    std::printf("\nAssemble:          %12.0f lines/s\n", gAssembleRate);
    std::printf("Disasm (listing):  %12.0f commands/s\n", gDisasmRate);
    std::printf("NASM (process):    %12.0f lines/s over %zu lines\n", gNasmRate, gNasmLineCount);
    if (gNasmRate > 0 && gAssembleRate > 0) std::printf("Assemble / NASM:   %12.1fx\n", gAssembleRate / gNasmRate);
    if (gDisasmRate > 0 && gAssembleRate > 0) std::printf("Assemble / Disasm: %12.2fx\n", gAssembleRate / gDisasmRate);
    return 0;
}
