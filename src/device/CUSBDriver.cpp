#include "device/CUSBDriver.h"

#include "app/Config.h"
#include "app/Log.h"

#include <array>
#include <cerrno>
#include <cstdio>

namespace kavrel {
namespace {

constexpr unsigned VendorUsagePage = 0xFF00;
constexpr unsigned VendorUsage = 1;
constexpr unsigned WriteAccess = 0x40000000;
constexpr const char* DefaultProductString = "Gaming Mouse";

// The module offers each collection to a filter; these accept one feature report length each.
template <int Length> int acceptLength(const char*, int, int, int featureLength)
{
    return featureLength == Length;
}

HidgateFilter filterFor(int featureLength)
{
    switch (featureLength) {
    case MatrixReportLength:
        return &acceptLength<MatrixReportLength>;
    case LedReportLength:
        return &acceptLength<LedReportLength>;
    case ColorReportLength:
        return &acceptLength<ColorReportLength>;
    case MacroReportLength:
        return &acceptLength<MacroReportLength>;
    default:
        return nullptr;
    }
}

const char* collectionName(int featureLength)
{
    switch (featureLength) {
    case MatrixReportLength:
        return "matrix";
    case LedReportLength:
        return "lighting";
    case ColorReportLength:
        return "per-key colour";
    default:
        return "macro";
    }
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

} // namespace

std::string DeviceIdText()
{
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "VID_%04X&PID_%04X", unsigned(Cfg.VID), unsigned(Cfg.PID));
    return text.data();
}

CUSBDriver::CUSBDriver() = default;

CUSBDriver::~CUSBDriver()
{
    ClearHandle();
    m_module.unload();
}

bool CUSBDriver::Init()
{
    if (!m_module.load() || !m_module.complete()) {
        WriteLog("load dll failed.");
        WriteLog("%s: %s", m_module.name().c_str(), m_module.error().c_str());
        m_module.unload();
        return false;
    }
    return true;
}

HidHandle CUSBDriver::OpenCollection(int featureLength, int logLevel)
{
    const HidgateFilter filter = filterFor(featureLength);
    if (!Loaded() || !filter)
        return 0;
    const std::string idText = DeviceIdText();
    return m_module.OpenHidDevice(
        VendorUsagePage, VendorUsage, idText.c_str(), filter, nullptr, 0, logLevel, 0, WriteAccess, nullptr);
}

void CUSBDriver::CloseHandle(HidHandle handle)
{
    if (handle != 0 && m_module.CloseHidDevice)
        m_module.CloseHidDevice(handle);
}

bool CUSBDriver::FindDev()
{
    ClearHandle();
    const std::string idText = DeviceIdText();
    WriteLog("FindDev: looking for %s", idText.c_str());
    m_absenceReason.clear();
    const std::array<std::pair<std::atomic<HidHandle>*, int>, 4> collections{{
        {&m_hMatrix, MatrixReportLength},
        {&m_hLed, LedReportLength},
        {&m_hColor, ColorReportLength},
        {&m_hMacro, MacroReportLength},
    }};
    for (const auto& [handle, length] : collections) {
        handle->store(OpenCollection(length, Cfg.Debug));
        if (handle->load() == 0 && m_absenceReason.empty()) {
            const std::string why = m_module.lastMessage();
            m_absenceReason = std::string("no ") + collectionName(length) + " collection (feature report length "
                + std::to_string(length) + ")" + (why.empty() ? "" : ": " + why);
        }
    }
    WriteLog("m_hMatrix=0x%x, m_hLed=0x%x, m_hColor=0x%x, m_hMacro=0x%x", unsigned(m_hMatrix.load()),
        unsigned(m_hLed.load()), unsigned(m_hColor.load()), unsigned(m_hMacro.load()));
    if (!Loaded())
        m_absenceReason = "the HID module " + hidModuleName() + " is not loaded";
    else if (m_absenceReason.empty() && (Cfg.MatchStr == 0 || productStringMatches()))
        return true;
    if (!m_absenceReason.empty())
        WriteLog("FindDev: %s", m_absenceReason.c_str());
    ClearHandle();
    return false;
}

std::string CUSBDriver::ProductString(HidHandle handle)
{
    if (handle == 0 || !m_module.GetProductString)
        return {};
    std::array<char, ProductStringSize> text{};
    if (m_module.GetProductString(handle, text.data(), text.size()) == 0)
        return {};
    return text.data();
}

bool CUSBDriver::productStringMatches()
{
    const std::string usb = ProductString(m_hMatrix.load());
    const std::string ours = Cfg.USBString.empty() ? DefaultProductString : Cfg.USBString;
    WriteLog("Usb String=%s, Our Str=%s", usb.c_str(), ours.c_str());
    if (equalIgnoringCase(usb, ours))
        return true;
    m_absenceReason = "product string \"" + usb + "\" is not \"" + ours + "\"";
    return false;
}

int CUSBDriver::CountDevices()
{
    if (!Loaded())
        return 0;
    const std::string idText = DeviceIdText();
    int count = 0;
    const HidHandle handle = m_module.OpenHidDevice(VendorUsagePage, VendorUsage, idText.c_str(),
        filterFor(LedReportLength), nullptr, 0, 0, 0, WriteAccess, &count);
    CloseHandle(handle); // a module may open one while counting
    return count;
}

void CUSBDriver::ClearHandle()
{
    WriteLog("ClearHandle");
    for (auto* handle : {&m_hMatrix, &m_hLed, &m_hColor, &m_hMacro})
        CloseHandle(handle->exchange(0));
}

bool CUSBDriver::SetFeature(HidHandle handle, std::span<const std::uint8_t> report, int& error)
{
    if (handle == 0 || report.empty()) {
        error = EBADF;
        return false;
    }
    if (!m_module.SetFeature) {
        error = ENODEV;
        return false;
    }
    errno = 0;
    if (m_module.SetFeature(handle, report.data(), report.size()) != 0)
        return true;
    error = errno != 0 ? errno : EIO;
    return false;
}

} // namespace kavrel
