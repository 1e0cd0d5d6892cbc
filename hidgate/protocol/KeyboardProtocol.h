#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The keyboard's device protocol: its four feature reports and the tables
// they carry. Every part of the program that builds, checks or reads a
// report (the device link, both HID modules, kavrel-cli) takes these numbers
// from here. Lengths count the report id byte; data lengths do not.
namespace kavrel {

// Key positions of the keyboard's matrix; also the length of a profile's key table.
inline constexpr int MatrixPositions = 144;

// Macro slots in the keyboard and the bytes of one slot (15 three-byte events and padding).
inline constexpr int MacroSlotCount = 20;
inline constexpr int MacroSlotBytes = 48;

// Report ids.
inline constexpr std::uint8_t ReportMatrix = 9;
inline constexpr std::uint8_t ReportLighting = 10;
inline constexpr std::uint8_t ReportColors = 11;
inline constexpr std::uint8_t ReportMacros = 12;

// Data bytes after the report id: a 32-bit word per position; mode, colour set,
// speed, brightness and reserved bytes; the colour set and a colour index per
// position; every macro slot.
inline constexpr std::size_t MatrixDataBytes = 4 * MatrixPositions;
inline constexpr std::size_t LightingDataBytes = 41;
inline constexpr std::size_t ColorDataBytes = 1 + MatrixPositions;
inline constexpr std::size_t MacroDataBytes = std::size_t(MacroSlotCount) * MacroSlotBytes;

// Feature report lengths, report id included: what each vendor collection declares.
inline constexpr int MatrixReportLength = int(MatrixDataBytes) + 1;
inline constexpr int LedReportLength = int(LightingDataBytes) + 1;
inline constexpr int ColorReportLength = int(ColorDataBytes) + 1;
inline constexpr int MacroReportLength = int(MacroDataBytes) + 1;

static_assert(
    MatrixReportLength == 577 && LedReportLength == 42 && ColorReportLength == 146 && MacroReportLength == 961);

// The keyboard's vendor collections (usage page 0xFF00, usage 1), each declaring one feature report. Both HID
// modules and the emulated kernel of the tests describe the keyboard from this table; the names are also the
// simulated keyboard's option words.
struct VendorCollection {
    const char* name;
    std::uint8_t reportId;
    int featureLength; // report id byte included
};

inline constexpr std::array<VendorCollection, 4> VendorCollections{{
    {"matrix", ReportMatrix, MatrixReportLength},
    {"led", ReportLighting, LedReportLength},
    {"color", ReportColors, ColorReportLength},
    {"macro", ReportMacros, MacroReportLength},
}};

// The length the keyboard takes for a feature report id, 0 for an id it does not know.
constexpr int FeatureReportLength(std::uint8_t reportId)
{
    for (const VendorCollection& collection : VendorCollections)
        if (collection.reportId == reportId)
            return collection.featureLength;
    return 0;
}

} // namespace kavrel
