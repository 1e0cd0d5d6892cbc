// libFuzzer target: HID report descriptors as a hidraw node's sysfs file would give them.

#include "ReportDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const hidgate::ReportDescriptor parsed = hidgate::parseReportDescriptor({data, size});
    for (const hidgate::TopCollection& collection : parsed.collections) {
        // A returned collection is whole and within what the hidraw ioctls can carry.
        if (collection.featureLength() > int(hidgate::MaxReportBytes) + 1
            || collection.inputLength() > int(hidgate::MaxReportBytes) + 1)
            std::abort();
    }
    if (parsed.valid != parsed.error.empty())
        std::abort();
    return 0;
}
