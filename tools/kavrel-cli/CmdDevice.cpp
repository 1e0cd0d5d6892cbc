// kavrel-cli device: loads the HID module and looks for the keyboard exactly as the program does.

#include "Cli.h"
#include "Json.h"

#include "app/Config.h"
#include "device/CUSBDriver.h"

#include <array>
#include <cstdio>

namespace kavrel::cli {
namespace {

struct DeviceReport {
    std::string module;
    bool loaded = false;
    std::string idText;
    bool present = false;
    std::array<HidHandle, 4> handles{};
    std::string productString;
    int count = 0;
    std::string absentReason;
};

// The product string of whichever collection opens, so that an absent keyboard still shows what answered.
std::string probeProductString(CUSBDriver& driver)
{
    for (int length : {MatrixReportLength, LedReportLength, ColorReportLength, MacroReportLength}) {
        const HidHandle handle = driver.OpenCollection(length, 0);
        if (handle == 0)
            continue;
        std::string product = driver.ProductString(handle);
        driver.CloseHandle(handle);
        return product;
    }
    return {};
}

DeviceReport examine()
{
    DeviceReport report;
    CUSBDriver driver;
    report.module = hidModuleName();
    report.loaded = driver.Init();
    report.idText = DeviceIdText();
    report.present = driver.FindDev();
    report.handles = {driver.m_hMatrix, driver.m_hLed, driver.m_hColor, driver.m_hMacro};
    report.productString = report.present ? driver.ProductString(driver.m_hMatrix) : probeProductString(driver);
    report.count = driver.CountDevices();
    report.absentReason = driver.AbsenceReason();
    if (!report.loaded)
        report.absentReason = "cannot load " + report.module + ": " + driver.Module().error();
    return report;
}

void printJson(const DeviceReport& r)
{
    JsonWriter json;
    json.beginObject().key("module").value(r.module).key("loaded").boolean(r.loaded);
    json.key("idText").value(r.idText).key("present").boolean(r.present);
    json.key("handles").beginObject();
    const char* names[] = {"matrix", "led", "color", "macro"};
    for (std::size_t i = 0; i < r.handles.size(); ++i)
        json.key(names[i]).value(std::int64_t(r.handles[i]));
    json.endObject();
    json.key("productString").value(r.productString).key("count").value(r.count);
    if (!r.absentReason.empty())
        json.key("absentReason").value(r.absentReason);
    json.endObject();
    std::printf("%s\n", json.text().c_str());
}

void printText(const DeviceReport& r)
{
    std::printf("module: %s (%s)\n", r.module.c_str(), r.loaded ? "loaded" : "not loaded");
    std::printf("id text: %s\n", r.idText.c_str());
    std::printf("handles: matrix=0x%lx led=0x%lx color=0x%lx macro=0x%lx\n", (unsigned long)r.handles[0],
        (unsigned long)r.handles[1], (unsigned long)r.handles[2], (unsigned long)r.handles[3]);
    std::printf("product string: %s\n", r.productString.c_str());
    std::printf("count: %d\n", r.count);
    std::printf("present: %s\n", r.present ? "yes" : "no");
    if (!r.absentReason.empty())
        std::printf("absent because: %s\n", r.absentReason.c_str());
    if (r.count > 1)
        std::printf("note: more than one keyboard is plugged in; the program refuses to apply then\n");
}

int runDevice(std::span<const std::string> args)
{
    bool asJson = false;
    for (const std::string& arg : args) {
        if (arg != "--json")
            return usageError("device", "unknown argument '" + arg + "'");
        asJson = true;
    }
    LoadConfig();
    const DeviceReport report = examine();
    if (asJson)
        printJson(report);
    else
        printText(report);
    return report.present ? ExitOk : ExitFailure;
}

} // namespace
} // namespace kavrel::cli

KAVREL_CLI_COMMAND(
    "device", "[--json]", "load the HID module and look for the keyboard as the program does", kavrel::cli::runDevice);
