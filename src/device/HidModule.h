#pragma once

#include "hidgate.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kavrel {

// The HID access module loaded at run time: the dlopen handle and its entry points. Entry points that the
// module lacks stay null; the handle is closed when the object goes.
class HidModule {
public:
    using OpenHidDeviceFn = decltype(&::OpenHidDevice);
    using SetFeatureFn = decltype(&::SetFeature);
    using GetFeatureFn = decltype(&::GetFeature);
    using GetInputReportFn = decltype(&::GetInputReport);
    using GetProductStringFn = decltype(&::GetProductString);
    using CloseHidDeviceFn = decltype(&::CloseHidDevice);
    using LastMessageFn = decltype(&::HidgateLastMessage);

    HidModule() = default;
    ~HidModule();
    HidModule(const HidModule&) = delete;
    HidModule& operator=(const HidModule&) = delete;

    // Loads the module named by $KAVREL_HIDGATE (a file name or a path), else libhidgate.so. A bare file name is
    // looked for beside the executable first, then in the installed module folder (<libdir>/kavrel), then on the
    // loader's search path. False when it cannot be loaded; error() says why.
    bool load();
    void unload();

    bool loaded() const { return m_library != nullptr; }
    // True when every entry point the program calls is present.
    bool complete() const { return OpenHidDevice && SetFeature && GetProductString && CloseHidDevice; }
    const std::string& name() const { return m_name; }
    const std::string& error() const { return m_error; }

    // The module's reason for its last failure on this thread, empty when it offers none.
    std::string lastMessage() const;

    OpenHidDeviceFn OpenHidDevice = nullptr;
    SetFeatureFn SetFeature = nullptr;
    GetFeatureFn GetFeature = nullptr;
    GetInputReportFn GetInputReport = nullptr;
    GetProductStringFn GetProductString = nullptr;
    CloseHidDeviceFn CloseHidDevice = nullptr;
    LastMessageFn LastMessage = nullptr;

private:
    void* m_library = nullptr;
    std::string m_name;
    std::string m_error;
};

// The module file the program loads: $KAVREL_HIDGATE, else libhidgate.so.
std::string hidModuleName();

} // namespace kavrel
