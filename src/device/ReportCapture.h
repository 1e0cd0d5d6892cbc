#pragma once

#include "device/CUSBDriver.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kavrel {

// A device link that keeps every report instead of sending it: what an apply
// would write, in send order. Its four collections are open (handles 1 to 4),
// so applies run as with a keyboard present.
class ReportCapture : public CUSBDriver {
public:
    struct Report {
        HidHandle handle;
        std::vector<std::uint8_t> bytes; // report id first
    };

    ReportCapture();
    bool SetFeature(HidHandle handle, std::span<const std::uint8_t> report, int& error) override;

    std::vector<Report> reports;
};

} // namespace kavrel
