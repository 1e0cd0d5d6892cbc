// kavrel-cli sim-state: what the simulated keyboard holds, in words a user understands.

#include "Cli.h"
#include "Json.h"
#include "ProgramFiles.h"

#include "KeyboardProtocol.h"
#include "SimState.h"
#include "app/Config.h"
#include "device/HardwareEncoding.h"
#include "device/ReportDecoding.h"
#include "macro/KeyLabel.h"
#include "model/KeyNames.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace kavrel::cli {
namespace {

const std::vector<std::uint8_t>* reportBytes(const hidgate::SimState& state, int id, std::size_t length)
{
    const auto found = state.find(id);
    if (found == state.end() || found->second.bytes.size() != length)
        return nullptr;
    return &found->second.bytes;
}

// The key of the loaded model that sits at a matrix position, by its factory function's label.
std::string keyAtPosition(int position)
{
    for (int i = 0; i < KeyCount; ++i)
        if (KeyTable[i].matrixIndex == position)
            return KeyTable[i].kind == KindKey ? combo_to_side_text(KeyTable[i].modifiers, KeyTable[i].key1, 0)
                                               : keyinfo_to_text(KeyTable[i]);
    return {};
}

std::uint32_t wordAt(const std::vector<std::uint8_t>& report, int position)
{
    const std::size_t at = 1 + 4 * std::size_t(position);
    return std::uint32_t(report[at]) | (std::uint32_t(report[at + 1]) << 8) | (std::uint32_t(report[at + 2]) << 16)
        | (std::uint32_t(report[at + 3]) << 24);
}

void writeLighting(JsonWriter& json, const std::vector<std::uint8_t>* lighting)
{
    json.newline().key("lighting");
    if (!lighting) {
        json.null();
        return;
    }
    json.beginObject()
        .key("mode")
        .value((*lighting)[1])
        .key("colorSet")
        .value(int((*lighting)[2]) - 1)
        .key("speed")
        .value((*lighting)[3])
        .key("brightness")
        .value((*lighting)[4])
        .endObject();
}

void writeColors(JsonWriter& json, const std::vector<std::uint8_t>* colors)
{
    json.newline().key("colors");
    if (!colors) {
        json.null();
        return;
    }
    json.beginObject().key("colorSet").value(int((*colors)[1]) - 1).key("indexes").beginArray();
    for (int p = 0; p < MatrixSize; ++p)
        json.value((*colors)[2 + p]);
    json.endArray().endObject();
}

void writeMacros(JsonWriter& json, const std::vector<std::uint8_t>* macros)
{
    json.newline().key("macroSlots").beginArray();
    for (int slot = 0; macros && slot < MacroSlotCount; ++slot) {
        const auto events = decodeHdMacro(std::span<const std::uint8_t, 48>(macros->data() + 1 + 48 * slot, 48));
        if (events.empty())
            continue;
        json.newline().beginObject().key("slot").value(slot + 1).key("events").beginArray();
        for (const DecodedMacroEvent& event : events)
            json.beginObject()
                .key("key")
                .value(event.key)
                .key("press")
                .boolean(event.press)
                .key("delay")
                .value(event.delayMs)
                .endObject();
        json.endArray().endObject();
    }
    json.endArray();
}

void writeMatrix(JsonWriter& json, const std::vector<std::uint8_t>* matrix)
{
    json.newline().key("matrix").beginArray();
    for (int p = 0; matrix && p < MatrixSize; ++p) {
        const std::uint32_t word = wordAt(*matrix, p);
        const std::string key = keyAtPosition(p);
        if (word == 0 && key.empty())
            continue;
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08x", word);
        json.newline()
            .beginObject()
            .key("position")
            .value(p)
            .key("word")
            .value(hex)
            .key("function")
            .value(describeMatrixWord(word))
            .key("key")
            .value(key)
            .endObject();
    }
    json.endArray();
}

void printText(const hidgate::SimState& state)
{
    if (const auto* lighting = reportBytes(state, ReportLighting, LightingDataBytes + 1))
        std::printf("lighting: mode %u, colour set %d, speed %u, brightness %u\n", (*lighting)[1],
            int((*lighting)[2]) - 1, (*lighting)[3], (*lighting)[4]);
    else
        std::printf("lighting: never written\n");
    if (const auto* colors = reportBytes(state, ReportColors, ColorDataBytes + 1)) {
        std::printf("colours: set %d\n", int((*colors)[1]) - 1);
        for (int p = 0; p < MatrixSize; ++p)
            if ((*colors)[2 + p] != 0)
                std::printf("  position %3d  index %u  %s\n", p, (*colors)[2 + p], keyAtPosition(p).c_str());
    }
    if (const auto* macros = reportBytes(state, ReportMacros, MacroDataBytes + 1)) {
        for (int slot = 0; slot < MacroSlotCount; ++slot) {
            const auto events = decodeHdMacro(std::span<const std::uint8_t, 48>(macros->data() + 1 + 48 * slot, 48));
            if (events.empty())
                continue;
            std::printf("macro slot %d:\n", slot + 1);
            for (const DecodedMacroEvent& event : events)
                std::printf(
                    "  %-10s %-7s %d ms\n", event.key.c_str(), event.press ? "press" : "release", event.delayMs);
        }
    }
    const auto* matrix = reportBytes(state, ReportMatrix, MatrixDataBytes + 1);
    if (!matrix) {
        std::printf("matrix: never written\n");
        return;
    }
    std::printf("matrix:\n");
    for (int p = 0; p < MatrixSize; ++p) {
        const std::uint32_t word = wordAt(*matrix, p);
        const std::string key = keyAtPosition(p);
        if (word != 0 || !key.empty())
            std::printf("  %3d  0x%08x  %-24s %s\n", p, word, describeMatrixWord(word).c_str(), key.c_str());
    }
}

int runSimState(std::span<const std::string> args)
{
    const auto opened = openCommand(args, {.command = "sim-state"});
    if (!opened)
        return ExitUsage;
    const bool json = opened->json;
    const std::string path = hidgate::simStatePath();
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "kavrel-cli sim-state: the simulated keyboard has no memory yet (%s)\n", path.c_str());
        return ExitFailure;
    }
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const hidgate::SimState state = hidgate::parseSimState(text);
    if (!json) {
        printText(state);
        return ExitOk;
    }
    JsonWriter out;
    out.beginObject();
    writeLighting(out, reportBytes(state, ReportLighting, LightingDataBytes + 1));
    writeColors(out, reportBytes(state, ReportColors, ColorDataBytes + 1));
    writeMacros(out, reportBytes(state, ReportMacros, MacroDataBytes + 1));
    writeMatrix(out, reportBytes(state, ReportMatrix, MatrixDataBytes + 1));
    out.newline().endObject();
    std::printf("%s\n", out.text().c_str());
    return ExitOk;
}

} // namespace

KAVREL_CLI_COMMAND("sim-state", "[--json]", "decode what the simulated keyboard holds", runSimState);

} // namespace kavrel::cli
