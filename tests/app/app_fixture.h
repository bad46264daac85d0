// A converter on the in-memory platform: every control of the window design declared, the
// radio buttons grouped, the window's start state from its design, and the real engine (engine_core's entry
// points) behind the loader.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

#include "app/app_context.h"
#include "app/companion_files.h"
#include "app/main_window_design.h"
#include "app/names.h"
#include "engine/engine_api.h"
#include "platform/encoding.h"
#include "platform/memory/memory_platform.h"

namespace kovrel::app::testing {

using platform::gbk;

inline platform::MemoryLibraries::Symbols engineSymbols() {
    return {
        // clang-format off
        {"VB_SetOptions", reinterpret_cast<void*>(&VB_SetOptions)},
        {"Disasm", reinterpret_cast<void*>(&Disasm)},
        {"Assemble", reinterpret_cast<void*>(&Assemble)},
        // clang-format on
    };
}

class AppFixture : public ::testing::Test {
protected:
    AppFixture() {
        for (const ControlDesign& control : mainWindowControls()) {
            memory.ui.declare(control.name);
            // The window's start state comes from its design.
            if (control.flags & kFlagChecked) memory.ui.setChecked(control.name, true);
        }
        for (const MenuItemDesign& item : menuItems()) memory.ui.declare(item.caption);
        memory.ui.declare(kAssemblyMenuName);
        memory.ui.declare(kListMenuName);
        memory.ui.setRadioGroup({std::string(kDecimalRadio), std::string(kHexRadio)});
        memory.libraries.provide(std::string(kEngineLibraryName), engineSymbols());
        context.disassemblerInputPath = "/tmp/3e8.tmp";
    }
    void TearDown() override {
        EXPECT_TRUE(memory.ui.unknownNames().empty()) << "unknown control: " << memory.ui.unknownNames()[0];
    }

    std::string text(std::string_view control) const { return memory.ui.text(control); }

    // Every text the user can see: control texts, the caption, the list's rows.
    using Snapshot = std::map<std::string, std::string>;
    Snapshot snapshot() const {
        Snapshot shot;
        for (const ControlDesign& control : mainWindowControls()) shot[std::string(control.name)] = text(control.name);
        shot["caption"] = text(platform::kMainWindowName);
        std::string rows;
        for (const auto& row : memory.ui.rows(kListView)) {
            for (const std::string& cell : row) rows += cell + "|";
            rows += "\n";
        }
        shot[std::string(kListView)] = rows;
        return shot;
    }
    // Fails for every visible text that changed, except those named.
    void expectOnlyChanged(const Snapshot& before, std::initializer_list<std::string_view> changed,
                           const std::string& what) {
        const Snapshot after = snapshot();
        for (const auto& [name, value] : before) {
            bool allowed = false;
            for (std::string_view c : changed) allowed = allowed || name == c;
            if (!allowed) {
                EXPECT_EQ(after.at(name), value) << what << ": " << name << " changed";
            }
        }
    }
    void setHexMode() {
        memory.ui.setChecked(kDecimalRadio, false);
        memory.ui.setChecked(kHexRadio, true);
    }

    platform::MemoryPlatform memory;
    AppContext context{memory.platform(), "engine image", "disassembler image", "updater image"};
};

}  // namespace kovrel::app::testing
