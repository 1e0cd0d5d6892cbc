#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

// A HID report descriptor parser: main, global and local items, push and pop, nested collections; long items are
// skipped. It sums report size x count per report id and report type inside each top-level collection.
namespace hidgate {

struct ReportBits {
    std::uint64_t input = 0;
    std::uint64_t output = 0;
    std::uint64_t feature = 0;
};

struct TopCollection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::map<int, ReportBits> reports; // by report id; 0 when the descriptor uses no report ids

    // Lengths in bytes of the longest report of each type, report id byte included (the byte is counted even
    // when the descriptor uses no ids, as the caller's buffer always starts with it); 0 when there is none.
    int inputLength() const;
    int outputLength() const;
    int featureLength() const;
    // True when a feature report with this id (0 when no ids are used) belongs to the collection.
    bool hasFeatureReport(int reportId) const;
    // The length in bytes of the feature report with this id, report id byte included; 0 when there is none.
    int featureReportLength(int reportId) const;
};

struct ReportDescriptor {
    std::vector<TopCollection> collections;
    bool valid = false;
    std::string error; // why the descriptor was refused, empty when valid
};

// The longest report the kernel's hidraw accepts, in bytes.
inline constexpr std::uint64_t MaxReportBytes = 16384;

// Never fails on any input: a malformed descriptor comes back with valid == false and the collections closed
// before the fault.
ReportDescriptor parseReportDescriptor(std::span<const std::uint8_t> bytes);

} // namespace hidgate
