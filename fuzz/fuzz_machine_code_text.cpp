// The machine-code text readers and writers, and the commands built on them, on any bytes.
// Checks the rules that must hold whatever the text: sizes, round trips, untouched boxes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_context.h"
#include "app/disassemble_command.h"
#include "app/machine_code_commands.h"
#include "app/machine_code_text.h"
#include "app/names.h"
#include "platform/memory/memory_platform.h"

using namespace kovrel::app;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void readersAndWriters(std::string_view text) {
    const Bytes strict = parseByteSetLiteral(text, [] {});
    const Bytes lenient = readByteList(text);
    const Bytes hex = parseHexByteText(text);
    check(strict.size() == countByteSetLiteral(text));
    check(hex.size() == countHexByteText(text));
    check(hex.size() == removeSpaces(text).size() / 2);
    check(lenient.size() <= text.size());

    const std::string literal = hexTextToByteSetLiteral(text);
    check(literal.front() == '{' && literal.back() == '}');
    readByteList(literal);

    for (const Bytes* bytes : {&strict, &lenient, &hex}) {
        const std::string asLiteral = formatByteSetLiteral(*bytes);
        check(parseByteSetLiteral(asLiteral) == (bytes->empty() ? Bytes{0} : *bytes));
        check(readByteList(asLiteral) == (bytes->empty() ? Bytes{0} : *bytes));
        check(parseHexByteText(formatHexByteText(*bytes)) == *bytes);
        check(bytesAsText(*bytes).size() <= bytes->size());
    }

    check(toUpperCase(text).size() == text.size());
    check(toLowerCase(toUpperCase(text)) == toLowerCase(text));
    check(trimBothEnds(text).size() <= trimStart(text).size());
    textToByte(text);
    hexPairValue(text.substr(0, 2));
    for (std::string_view separator : {",", "\r\n", "  ", "|"}) {
        size_t total = 0;
        const std::vector<std::string_view> segments = split(text, separator);
        for (std::string_view segment : segments) total += segment.size();
        check(total <= text.size());
        check(countSegments(text, separator) == segments.size());
    }
    find(text, "{");
    findLast(text, "  ");
}

void commands(std::string_view text) {
    kovrel::platform::MemoryPlatform memory;
    AppContext context(memory.platform());
    memory.ui.setText(kMachineCodeBox, text);
    memory.ui.setText(kAssemblyBox, "unchanged");
    updateByteCountLabel(context);
    switchToDecimal(context);
    memory.ui.setText(kMachineCodeBox, text);
    switchToHex(context);
    showBytesAsText(context);
    readToolListing(context, text);
    check(memory.ui.text(kAssemblyBox) == "unchanged");
    check(memory.dialogs.messages().size() == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    readersAndWriters(text);
    commands(text);
    return 0;
}
