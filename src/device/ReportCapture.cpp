#include "device/ReportCapture.h"

namespace kavrel {

ReportCapture::ReportCapture()
{
    m_hMatrix = 1;
    m_hLed = 2;
    m_hColor = 3;
    m_hMacro = 4;
}

bool ReportCapture::SetFeature(HidHandle handle, std::span<const std::uint8_t> report, int& error)
{
    error = 0;
    reports.push_back({handle, {report.begin(), report.end()}});
    return true;
}

} // namespace kavrel
