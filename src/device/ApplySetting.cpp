#include "device/ApplySetting.h"

#include "KeyboardProtocol.h"
#include "app/Config.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "device/CUSBDriver.h"
#include "macro/Macro.h"
#include "macro/StMacro.h"
#include "model/Profile.h"
#include "platform/MessageBox.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace kavrel {
namespace {

constexpr int SendAttempts = 3;
constexpr int RetryPauseMs = 200;
constexpr int PauseAfterLightingMs = 20;
constexpr int PauseAfterColorsMs = 30;
constexpr int PauseAfterMacrosMs = 30;
constexpr int PauseAfterMatrixMs = 20;
constexpr int PauseAfterProgressMs = 500;
constexpr std::uint32_t PerKeyMode = 3;

std::mutex sleepMutex;
ApplySleep sleepOverride;

// The macros an apply may use and their device slots.
class MacroSource {
public:
    virtual ~MacroSource() = default;
    MacroSource() = default;
    MacroSource(const MacroSource&) = delete;
    MacroSource& operator=(const MacroSource&) = delete;
    virtual StMacro* find(std::uint32_t id) = 0;
    // The smallest slot 1..MacroSlotCount no macro holds, or -1.
    virtual int freeSlot() = 0;
    virtual void resetSlots() = 0;
};

class SnapshotMacroSource final : public MacroSource {
public:
    explicit SnapshotMacroSource(std::vector<StMacro>& macros)
        : m_macros(macros)
    {
    }
    StMacro* find(std::uint32_t id) override
    {
        for (StMacro& macro : m_macros)
            if (macro.dwId == id)
                return &macro;
        return nullptr;
    }
    int freeSlot() override
    {
        for (int slot = 1; slot <= MacroSlotCount; ++slot) {
            bool taken = false;
            for (const StMacro& macro : m_macros)
                taken = taken || macro.Macro_Buffer_ID == slot;
            if (!taken)
                return slot;
        }
        return -1;
    }
    void resetSlots() override
    {
        for (StMacro& macro : m_macros)
            macro.Macro_Buffer_ID = 0;
    }

private:
    std::vector<StMacro>& m_macros;
};

// One run of ApplySetting: builds each table, sends it, and stops at the
// first failure unless GoWithNoDev tolerates it.
class ProfileApplier {
public:
    ProfileApplier(CUSBDriver& link, ApplyProgress* progress, const PROFILE& profile, MacroSource& macros,
        platform::MessageSink& messages)
        : m_link(link)
        , m_progress(progress)
        , m_messages(messages)
        , m_profile(profile)
        , m_macros(macros)
        , m_lookup([&macros](std::uint32_t id) { return macros.find(id); })
        , m_tolerant(Cfg.GoWithNoDev != 0)
    {
    }

    bool run(std::uint32_t flags)
    {
        if (!m_progress)
            WriteLog("ApplySetting: hWnd=0");
        report(20);
        if ((flags & ApplyLighting) && !sendLighting())
            return false;
        if ((flags & ApplyKeyColors) && !sendColors())
            return false;
        if ((flags & ApplyMatrixAndMacros) && !sendMatrixAndMacros())
            return false;
        if (m_progress) {
            report(100);
            applySleep(PauseAfterProgressMs);
        }
        return true;
    }

private:
    void report(int percent)
    {
        if (m_progress)
            m_progress->progress(percent);
    }

    // Sends a table; a failure is logged as "<what>, err=0x<errno>", and
    // reported to the user unless tolerated.
    bool send(std::uintptr_t handle, std::uint8_t reportId, std::span<const std::uint8_t> data, std::string_view what)
    {
        int error = 0;
        if (SendCommand(m_link, handle, reportId, data, error))
            return true;
        char code[16];
        std::snprintf(code, sizeof code, "%x", unsigned(error));
        const std::string text = std::string(what) + ", err=0x" + code;
        WriteLog("%s", text.c_str());
        if (m_tolerant)
            return true;
        m_messages.post({"Info", text, platform::BoxIcon::Information});
        return false;
    }

    bool sendLighting()
    {
        std::array<std::uint8_t, LightingDataBytes> data{};
        data[0] = std::uint8_t(m_profile.ledMode);
        data[1] = std::uint8_t(m_profile.colorSet + 1);
        // A stored mode outside 0..9 has no levels: send 0 rather than read past the table.
        if (m_profile.ledMode < LedModeCount) {
            data[2] = m_profile.ledLevels[m_profile.ledMode].speed;
            data[3] = m_profile.ledLevels[m_profile.ledMode].brightness;
        }
        LogHexDump(data.data(), data.size(), 32, "LED(Save): ");
        if (!send(m_link.m_hLed, ReportLighting, data, "Set led data"))
            return false;
        applySleep(PauseAfterLightingMs);
        return true;
    }

    bool sendColors()
    {
        const unsigned set = m_profile.colorSet;
        if (m_profile.ledMode != PerKeyMode || (set != 8 && set != 9))
            return true;
        std::array<std::uint8_t, ColorDataBytes> data{};
        data[0] = std::uint8_t(set + 1);
        for (int p = 0; p < MatrixSize; ++p) {
            const int index = ColorToIndex(m_profile.keyColors[set][p]);
            if (index != 0)
                WriteLog("Key[%03d]= Color(%d)", p, index);
            data[1 + p] = std::uint8_t(index);
        }
        makePairEqual(data[1 + PairedPositionA], data[1 + PairedPositionB]);
        if (!send(m_link.m_hColor, ReportColors, data, "Set color[" + std::to_string(set) + "] data"))
            return false;
        applySleep(PauseAfterColorsMs);
        return true;
    }

    void logChangedWords(const MatrixWords& matrix)
    {
        if (LogLevel() == 0)
            return;
        for (int k = 0; k < KeyCount; ++k) {
            const int p = KeyTable[k].matrixIndex;
            if (p < 0 || p >= MatrixSize || matrix[p] == 0)
                continue;
            if (std::int64_t(matrix[p]) != keyinfo_to_hardware_code(KeyTable[k], m_lookup))
                WriteLog("Matrix[%02d] = 0x%08x", k, unsigned(matrix[p]));
        }
    }

    // Gives every macro used by a key a slot, encodes it into the macro table
    // and points the key's word at the slot. Returns how many keys got one.
    int assignMacroSlots(MatrixWords& matrix, std::array<std::uint8_t, MacroDataBytes>& table)
    {
        int macroKeys = 0;
        for (int i = 0; i < KeyTableSize; ++i) {
            const KEYINFO& key = m_profile.keys[i];
            if (key.kind != KindMacro)
                continue;
            StMacro* macro = m_macros.find(key.macroId);
            if (!macro) {
                WriteLog("Key[%d][%d] Set To Macro NULL", 0, i);
                continue;
            }
            WriteLog("Key[%d][%d] Set To Macro 0x%08x, Macro_Buffer_ID=%d", 0, i, unsigned(macro->dwId),
                int(macro->Macro_Buffer_ID));
            const int p = key.matrixIndex;
            if (p < 0 || p >= MatrixSize) {
                WriteLog("Matrix inx warning: key %d at %d", i, p);
                m_messages.post(
                    {"Warning", TextWith("tc_keys_unencodable", {keyListText({i})}), platform::BoxIcon::Warning});
                continue;
            }
            if (macro->Macro_Buffer_ID < 1 || macro->Macro_Buffer_ID > MacroSlotCount) {
                const int slot = m_macros.freeSlot();
                if (slot < 0) {
                    // Slot byte 0 would play slot 1, another macro: leave the key without function.
                    WriteLog("Key[%d][%d] has no free macro slot, left without function", 0, i);
                    matrix[p] = 0;
                    continue;
                }
                macro->Macro_Buffer_ID = slot;
                WriteLog("New Assign Buffer_ID= %d", slot);
                HdMacro encoded;
                StMacro_To_HdMacro(*macro, encoded);
                std::copy(encoded.begin(), encoded.end(), table.begin() + (slot - 1) * MacroSlotBytes);
            }
            std::uint32_t word = matrix[p];
            word = (word & ~0x0000FF00u) | (std::uint32_t(macro->Macro_Buffer_ID - 1) << 8);
            if (macro->dwLoopMode == 0)
                word = (word & 0x00FFFFFFu) | (std::uint32_t(macro->wLoopCount & 0xFF) << 24);
            matrix[p] = word;
            ++macroKeys;
            WriteLog("Matrix[%d][%d] = 0x%08x", 0, p, unsigned(word));
        }
        return macroKeys;
    }

    bool sendMatrixAndMacros()
    {
        MatrixWords matrix;
        const std::vector<int> withoutCode = KEYINFO_2_Matrix(m_profile.keys, KeyTable, matrix, m_lookup);
        if (!withoutCode.empty()) {
            // One message naming every such key: a damaged or foreign profile must not bury the user in boxes.
            const std::string keys = keyListText(withoutCode);
            WriteLog("Keys without device code: %s", keys.c_str());
            m_messages.post({"Error", TextWith("tc_keys_unencodable", {keys}), platform::BoxIcon::Error});
        }
        logChangedWords(matrix);
        report(70);

        std::array<std::uint8_t, MacroDataBytes> table{};
        if (assignMacroSlots(matrix, table) > 0) {
            LogHexDump(table.data(), table.size(), 48, "Macro: ");
            if (!send(m_link.m_hMacro, ReportMacros, table, "Set macro buffer"))
                return false;
            applySleep(PauseAfterMacrosMs);
        }
        WriteLog("-------After convert over--------");
        logChangedWords(matrix);
        makePairEqual(matrix[PairedPositionA], matrix[PairedPositionB]);

        std::array<std::uint8_t, MatrixDataBytes> data{};
        for (int p = 0; p < MatrixSize; ++p)
            for (int b = 0; b < 4; ++b)
                data[4 * p + b] = std::uint8_t(matrix[p] >> (8 * b));
        if (!send(m_link.m_hMatrix, ReportMatrix, data, "Set matrix"))
            return false;
        applySleep(PauseAfterMatrixMs);
        return true;
    }

    CUSBDriver& m_link;
    ApplyProgress* m_progress;
    platform::MessageSink& m_messages;
    const PROFILE& m_profile;
    MacroSource& m_macros;
    MacroLookup m_lookup;
    bool m_tolerant;
};

bool applyWith(CUSBDriver* link, ApplyProgress* progress, const PROFILE* profile, MacroSource& macros,
    std::uint32_t flags, platform::MessageSink& messages)
{
    if (!link || !profile || profile->id == 0)
        return false;
    ProfileApplier applier(*link, progress, *profile, macros, messages);
    const bool result = applier.run(flags);
    macros.resetSlots();
    return result;
}

} // namespace

void setApplySleep(ApplySleep sleep)
{
    std::lock_guard lock(sleepMutex);
    sleepOverride = std::move(sleep);
}

void applySleep(int milliseconds)
{
    ApplySleep sleep;
    {
        std::lock_guard lock(sleepMutex);
        sleep = sleepOverride;
    }
    if (sleep)
        sleep(milliseconds);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool SendCommand(
    CUSBDriver& link, std::uintptr_t handle, std::uint8_t reportId, std::span<const std::uint8_t> data, int& error)
{
    std::vector<std::uint8_t> report(data.size() + 1);
    report[0] = reportId;
    std::copy(data.begin(), data.end(), report.begin() + 1);
    for (int attempt = 0; attempt < SendAttempts; ++attempt) {
        if (link.SetFeature(handle, report, error))
            return true;
        applySleep(RetryPauseMs);
    }
    WriteLog("SendCommand err=%d", error);
    return false;
}

std::vector<StMacro> MacrosUsedBy(const PROFILE& profile)
{
    std::vector<StMacro> used;
    for (const KEYINFO& key : profile.keys) {
        if (key.kind != KindMacro)
            continue;
        const bool taken
            = std::any_of(used.begin(), used.end(), [&](const StMacro& m) { return m.dwId == key.macroId; });
        if (taken)
            continue;
        if (const StMacro* macro = FindMacroById(key.macroId))
            used.push_back(*macro);
    }
    return used;
}

bool ApplySetting(CUSBDriver* link, ApplyProgress* progress, const PROFILE* profile, std::uint32_t flags,
    platform::MessageSink& messages)
{
    if (!profile)
        return false;
    std::vector<StMacro> macros = MacrosUsedBy(*profile);
    return ApplySettingWith(link, progress, profile, macros, flags, messages);
}

bool ApplySettingWith(CUSBDriver* link, ApplyProgress* progress, const PROFILE* profile, std::vector<StMacro>& macros,
    std::uint32_t flags, platform::MessageSink& messages)
{
    SnapshotMacroSource source(macros);
    return applyWith(link, progress, profile, source, flags, messages);
}

} // namespace kavrel
