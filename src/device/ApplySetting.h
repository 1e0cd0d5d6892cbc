#pragma once

#include "device/HardwareEncoding.h"
#include "platform/MessageBox.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace kavrel {

class CUSBDriver;
struct PROFILE;

// Apply flags: which tables an apply writes.
inline constexpr std::uint32_t ApplyMatrixAndMacros = 0x1;
inline constexpr std::uint32_t ApplyLighting = 0x2;
inline constexpr std::uint32_t ApplyKeyColors = 0x4;
inline constexpr std::uint32_t ApplyAll = 0x7;
inline constexpr std::uint32_t ApplyWithProgress = 0x8000;

// Where an apply reports its progress (percent 20, 70, 100) and, through the
// worker, that it is over. The window program posts message 1067 from it.
//
// Calls come on the worker thread and must return without waiting for the
// interface thread (post and return): that thread may be joining the worker.
// The worker calls close() exactly once for every target handed to
// ApplyWorker::request, also when requests were merged into one apply, when
// the apply was dropped (no keyboard) and when the worker stops before
// serving it. After close() the worker never touches the target again.
class ApplyProgress {
public:
    virtual ~ApplyProgress() = default;
    virtual void progress(int percent) = 0;
    // Whether the keyboard took the apply: called once, just before close(), with false also for an apply
    // that was dropped or never served.
    virtual void finished(bool applied) { (void)applied; }
    virtual void close() = 0;
};

// Pauses of an apply (the keyboard needs them between reports, and between
// failed attempts). Tests may replace them to run without waiting.
using ApplySleep = std::function<void(int milliseconds)>;
void setApplySleep(ApplySleep sleep);
void applySleep(int milliseconds);

// Writes one report (id, then data) on a collection: three attempts, 200 ms
// apart. False after the third failure; error then holds the errno.
bool SendCommand(
    CUSBDriver& link, std::uintptr_t handle, std::uint8_t reportId, std::span<const std::uint8_t> data, int& error);

// Writes a profile to the keyboard: lighting, colours, macros, matrix, as the
// flags ask. True when every requested report was written (or its failure
// tolerated with GoWithNoDev). It encodes copies of the macros the profile
// uses (from MacroList), so the records in MacroList are never changed and
// their Macro_Buffer_ID stays 0.
//
// What the user must be told goes to messages, never to a box shown here:
// "Info" "<table>, err=0x<errno>" for a failed report, one "Error" naming
// every assigned key without device code (tc_keys_unencodable), "Warning" "Matrix
// inx warning" for a macro key outside the matrix. The default sink shows
// them at once (command line, interface thread); the worker passes its own.
bool ApplySetting(CUSBDriver* link, ApplyProgress* progress, const PROFILE* profile, std::uint32_t flags,
    platform::MessageSink& messages = platform::directMessageSink());

// Copies of the MacroList entries the profile's keys use, each once.
std::vector<StMacro> MacrosUsedBy(const PROFILE& profile);

// ApplySetting on macros the caller owns (a snapshot taken under a lock);
// their Macro_Buffer_ID is 0 again when it returns.
bool ApplySettingWith(CUSBDriver* link, ApplyProgress* progress, const PROFILE* profile, std::vector<StMacro>& macros,
    std::uint32_t flags, platform::MessageSink& messages = platform::directMessageSink());

} // namespace kavrel
