#include "app/disassemble_command.h"

#include <cstring>

#include "app/assemble_command.h"
#include "app/companion_files.h"
#include "app/edit_commands.h"
#include "app/machine_code_commands.h"
#include "app/names.h"
#include "editor/code_editor.h"

namespace kovrel::app {

std::vector<std::string_view> toolLines(std::string_view toolOutput) {
    std::vector<std::string_view> lines = split(toolOutput, "\n");
    for (std::string_view& line : lines) {
        if (line.ends_with('\r')) line.remove_suffix(1);
    }
    return lines;
}

void fillByteColumns(AppContext& context, int row, std::string_view hex) {
    std::string decimal, pairs;
    decimal.reserve(hex.size() * 2);
    pairs.reserve(hex.size() * 2);
    const size_t n = hex.size();
    for (size_t i = 1; i <= n; i += 2) {
        const std::string_view group = hex.substr(i - 1, 2);
        pairs.append(group);
        decimal += hexPairValue(group);
        if (i + 1 != n) {
            pairs.push_back(' ');
            decimal.push_back(' ');
        }
    }
    platform::Ui& ui = context.platform.ui;
    ui.setCell(kListView, row, kColumnDecimal, decimal);
    ui.setCell(kListView, row, kColumnHex, pairs);
}

void readToolListing(AppContext& context, std::string_view toolOutput) {
    platform::Ui& ui = context.platform.ui;
    ui.clearRows(kListView);
    editor::setEditorText(context.platform, "");
    int number = 0;
    for (std::string_view line : toolLines(toolOutput)) {
        const int row = ui.appendRow(kListView);
        ui.setCell(kListView, row, kColumnLine, std::to_string(++number));
        // The command text follows the last run of two spaces.
        const long long lastGap = findLast(line, "  ");
        const std::string_view command = lastGap == -1 ? line : line.substr(static_cast<size_t>(lastGap) + 1);
        const std::vector<std::string_view> columns = split(line, "  ");
        if (columns.empty()) continue;
        ui.setCell(kListView, row, kColumnAddress, columns[0]);
        ui.setCell(kListView, row, kColumnCommand, command);
        if (columns.size() < 2) continue;
        fillByteColumns(context, row, columns[1]);
        editor::appendEditorText(context.platform, std::string(command) + "\r\n");
    }
}

int disasmOne(AppContext& context, const uint8_t* command, size_t bytesLeft, unsigned address, DisasmRecord& record) {
    if (!ensureEngineLoaded(context)) return 0;
    const unsigned count = bytesLeft > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<unsigned>(bytesLeft);
    return context.engine.disasm(command, count, address, &record, kListingMode);
}

std::string engineListing(AppContext& context, const Bytes& bytes) {
    setEngineOptions(context);
    std::string listing;
    DisasmRecord record;
    size_t offset = 0;
    while (offset < bytes.size()) {
        const size_t left = bytes.size() - offset;
        const int length = disasmOne(context, bytes.data() + offset, left, static_cast<unsigned>(offset), record);
        if (length <= 0) break;
        if (!listing.empty()) listing += "\r\n";
        listing.append(record.commandText, strnlen(record.commandText, sizeof record.commandText));
        // A length past the end would only come from a faulty engine; never walk beyond.
        offset += static_cast<size_t>(length) < left ? static_cast<size_t>(length) : left;
    }
    return listing;
}

void disassembleCommand(AppContext& context) {
    platform::Ui& ui = context.platform.ui;
    const std::string text = boxText(context, kMachineCodeBox);
    const Bytes toolBytes = contains(text, ",") ? readByteList(text) : readByteList(hexTextToByteSetLiteral(text));
    readToolListing(context, runDisassembler(context, toolBytes));

    // The engine reads the box again, strictly first, then as hex text.
    const std::string code(trimStart(boxText(context, kMachineCodeBox)));
    Bytes engineBytes = parseByteSetLiteral(code, pendingEventsPump(context));
    if (engineBytes.empty()) engineBytes = parseHexByteText(code);
    ui.setText(kAssemblyBox, engineListing(context, engineBytes));
    lowerCaseAssembly(context);  // as "到小写" does
    ui.processPendingEvents();
}

}  // namespace kovrel::app
