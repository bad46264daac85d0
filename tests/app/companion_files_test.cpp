#include "app/companion_files.h"

#include "app/assemble_command.h"
#include "app/disassemble_command.h"
#include "app/main_window.h"
#include "tests/app/app_fixture.h"

namespace kovrel::app::testing {
namespace {

using std::string;

constexpr const char* kSystemDirectory = "/home/user/.local/lib/kovrel";
const string kWrittenEngine = string(kSystemDirectory) + "/zandrel_od.so";

// Loading is about finding the three entry points; these stand-ins are never called.
void standInOptions(int, int, int, int) {}
int standInDisasm(const unsigned char*, unsigned, unsigned, DisasmRecord*, int) { return 0; }
int standInAssemble(const char*, unsigned, AsmModel*, int, int, char*) { return 0; }

class CompanionFiles : public AppFixture {
protected:
    CompanionFiles() {
        memory.libraries.provide("zandrel_od.so", {{"VB_SetOptions", reinterpret_cast<void*>(&standInOptions)},
                                                   {"Disasm", reinterpret_cast<void*>(&standInDisasm)},
                                                   {"Assemble", reinterpret_cast<void*>(&standInAssemble)}});
    }
    std::vector<platform::TimedMessageRecord> loadFailures(size_t n) {
        return std::vector<platform::TimedMessageRecord>(n, {gbk("Kovrel：加载汇编库失败！"), gbk("提示信息"), 3000});
    }
    // The engine loads only from where a file of its name has been written.
    void engineOnlyOnceWritten() {
        memory.libraries.setPresence([this](const string&) { return memory.files.exists(kWrittenEngine); });
    }
};

TEST_F(CompanionFiles, EngineLoadedOnceAndKept) {
    EXPECT_TRUE(ensureEngineLoaded(context));
    EXPECT_TRUE(ensureEngineLoaded(context));
    EXPECT_EQ(memory.libraries.loadLog(), std::vector<string>{"zandrel_od.so"});
    EXPECT_TRUE(memory.dialogs.timedMessages().empty());
    EXPECT_TRUE(memory.files.writeLog().empty());
}

TEST_F(CompanionFiles, MissingEngineIsWrittenToTheSystemDirectoryThenLoads) {
    engineOnlyOnceWritten();
    EXPECT_TRUE(ensureEngineLoaded(context));
    EXPECT_EQ(memory.libraries.loadLog(), (std::vector<string>{"zandrel_od.so", "zandrel_od.so"}));
    EXPECT_EQ(memory.files.read(kWrittenEngine), "engine image");
    EXPECT_TRUE(memory.dialogs.timedMessages().empty());
    EXPECT_TRUE(memory.dialogs.messages().empty());
}

TEST_F(CompanionFiles, UnavailableEngineShowsTheTimedMessageAtEveryAttempt) {
    engineOnlyOnceWritten();
    memory.files.makeReadOnly(kSystemDirectory);
    for (size_t attempt = 1; attempt <= 3; ++attempt) {
        EXPECT_FALSE(ensureEngineLoaded(context)) << attempt;
        EXPECT_EQ(memory.dialogs.timedMessages(), loadFailures(attempt)) << attempt;
        EXPECT_EQ(memory.files.writeLog().size(), attempt) << "the image is written again on every failed load";
    }
    EXPECT_EQ(memory.libraries.loadAttempts(), 6);
}

TEST_F(CompanionFiles, EngineWithoutItsEntryPointsCountsAsNotLoaded) {
    memory.libraries.provide("zandrel_od.so", {{"VB_SetOptions", reinterpret_cast<void*>(&VB_SetOptions)}});
    EXPECT_FALSE(ensureEngineLoaded(context));
    EXPECT_EQ(memory.dialogs.timedMessages(), loadFailures(1));
}

TEST_F(CompanionFiles, AssembleWithoutEngine) {
    engineOnlyOnceWritten();
    memory.files.makeReadOnly(kSystemDirectory);
    memory.ui.setText(kAssemblyBox, "mov eax,1|ret");
    memory.ui.click(kAssembleButton);  // unbound here: run the command itself
    assembleCommand(context);
    // Once for the options, once for Assemble, then the rejected first command.
    EXPECT_EQ(memory.dialogs.timedMessages(), loadFailures(2));
    const std::vector<platform::MessageRecord> expected{
        {gbk("错误的汇编指令：") + "mov eax,1", 0, gbk("Kovrel提示：")}};
    EXPECT_EQ(memory.dialogs.messages(), expected);
    EXPECT_EQ(text(kMachineCodeBox), "{ }");
}

TEST_F(CompanionFiles, DisassembleWithoutEngine) {
    engineOnlyOnceWritten();
    memory.files.makeReadOnly(kSystemDirectory);
    memory.ui.setText(kAssemblyBox, "old");
    memory.ui.setText(kMachineCodeBox, "B8 01 00 00 00");
    disassembleCommand(context);
    // Once for the options, once for the first command, whose length 0 ends the walk.
    EXPECT_EQ(memory.dialogs.timedMessages(), loadFailures(2));
    EXPECT_EQ(text(kAssemblyBox), "");
}

TEST_F(CompanionFiles, DisassemblerWrittenAtStartUpOnlyWhenNothingHasItsName) {
    enum Present { kNothing, kFile, kFolder };
    struct Case {
        Present present;
        bool written;
    } cases[] = {
        // clang-format off
        // beside the executable   written
        {kNothing,                 true},
        {kFile,                    false},
        {kFolder,                  false},
        // clang-format on
    };
    for (const Case& c : cases) {
        platform::MemoryPlatform fresh;
        AppContext app(fresh.platform(), "engine", "disassembler image", "updater");
        const string path = "/opt/kovrel/vev_uvi";
        if (c.present == kFile) fresh.files.put(path, "not a program");
        if (c.present == kFolder) fresh.files.createDirectory(path);
        writeDisassemblerAtStartup(app);
        EXPECT_EQ(fresh.files.writeLog().size(), c.written ? 1u : 0u) << c.present;
        if (c.written) {
            EXPECT_EQ(fresh.files.read(path), "disassembler image");
            EXPECT_TRUE(fresh.files.isExecutable(path));
        }
    }
}

TEST_F(CompanionFiles, TemporaryNameCountsUpPastExistingFiles) {
    struct Case {
        uint32_t ticks;
        std::vector<string> existing;
        string expected;
    } cases[] = {
        // clang-format off
        // tick count   files already there                 chosen path (counter: 0, 1, 2, 3)
        {0x3e8,         {},                                 "/tmp/3e8.tmp"},
        {0x3e8,         {},                                 "/tmp/3e9.tmp"},
        {0xABCDEF,      {"/tmp/abcdf1.tmp", "/tmp/abcdf2.tmp"}, "/tmp/abcdf3.tmp"},
        {0xFFFFFFFE,    {"/tmp/1.tmp"},                     "/tmp/2.tmp"},
        // clang-format on
    };
    for (const Case& c : cases) {
        memory.system.setTicks(c.ticks);
        for (const string& f : c.existing) memory.files.put(f, "");
        EXPECT_EQ(chooseDisassemblerInputPath(context), c.expected) << c.expected;
        EXPECT_FALSE(memory.files.exists(c.expected)) << "choosing creates nothing";
    }
    memory.system.setTemporaryDirectory("/var/tmp/");
    memory.system.setTicks(0);
    EXPECT_EQ(chooseDisassemblerInputPath(context), "/var/tmp/4.tmp");
}

TEST_F(CompanionFiles, DisassemblerRunWritesRunsAndDeletes) {
    string seen;
    memory.processes.onRun([&](const string&, bool) {
        seen = memory.files.read(context.disassemblerInputPath).value_or("<missing>");
        return platform::ToolRun{true, "00000000  90                nop\n"};
    });
    for (const string& bytes : {string("\x90\x00\xC3", 3), string()}) {
        EXPECT_EQ(runDisassembler(context, Bytes(bytes.begin(), bytes.end())), "00000000  90                nop\n");
        EXPECT_EQ(seen, bytes);
        EXPECT_FALSE(memory.files.exists(context.disassemblerInputPath));
    }
    const std::vector<platform::ProcessRecord>& runs = memory.processes.runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].commandLine, "vev_uvi  -b 32 /tmp/3e8.tmp");
    EXPECT_TRUE(runs[0].capture);
    EXPECT_EQ(runs[1].commandLine, runs[0].commandLine) << "the same path serves every run";
}

TEST_F(CompanionFiles, DisassemblerThatDoesNotStartGivesNoListing) {
    EXPECT_EQ(runDisassembler(context, Bytes{0x90}), "");
    EXPECT_FALSE(memory.files.exists(context.disassemblerInputPath));
}

}  // namespace
}  // namespace kovrel::app::testing
