#include "device/HidModule.h"

#include "platform/Folders.h"

#include <array>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>

namespace kavrel {
namespace {

constexpr const char* DefaultModule = "libhidgate.so";

template <typename Fn> void lookUp(void* library, const char* name, Fn& entry)
{
    entry = reinterpret_cast<Fn>(::dlsym(library, name));
}

void* openLibrary(const std::string& name, std::string& error)
{
    // NODELETE: a thread that called the module keeps its thread-local data (the last message) until the
    // thread ends; unmapping the module earlier left those records pointing into freed memory, which
    // LeakSanitizer read at exit. The next load finds the same mapping.
    const int flags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
    // A bare file name is looked for beside the program (build tree), then in the installed module folder;
    // neither is on the system's library path.
    if (name.find('/') == std::string::npos) {
        for (const auto& folder : {platform::executableFolder(), platform::installedModuleFolder()}) {
            const auto candidate = folder / name;
            std::error_code ignored;
            if (!std::filesystem::exists(candidate, ignored))
                continue;
            if (void* library = ::dlopen(candidate.c_str(), flags))
                return library;
            error = ::dlerror();
            return nullptr;
        }
    }
    void* library = ::dlopen(name.c_str(), flags);
    if (!library)
        error = ::dlerror();
    return library;
}

} // namespace

std::string hidModuleName()
{
    const char* name = std::getenv("KAVREL_HIDGATE");
    return name && *name ? name : DefaultModule;
}

HidModule::~HidModule()
{
    unload();
}

bool HidModule::load()
{
    unload();
    m_name = hidModuleName();
    m_library = openLibrary(m_name, m_error);
    if (!m_library)
        return false;
    lookUp(m_library, "OpenHidDevice", OpenHidDevice);
    lookUp(m_library, "SetFeature", SetFeature);
    lookUp(m_library, "GetFeature", GetFeature);
    lookUp(m_library, "GetInputReport", GetInputReport);
    lookUp(m_library, "GetProductString", GetProductString);
    lookUp(m_library, "CloseHidDevice", CloseHidDevice);
    lookUp(m_library, "HidgateLastMessage", LastMessage);
    if (!complete())
        m_error = "an entry point is missing";
    return true;
}

void HidModule::unload()
{
    OpenHidDevice = nullptr;
    SetFeature = nullptr;
    GetFeature = nullptr;
    GetInputReport = nullptr;
    GetProductString = nullptr;
    CloseHidDevice = nullptr;
    LastMessage = nullptr;
    if (m_library)
        ::dlclose(m_library);
    m_library = nullptr;
}

std::string HidModule::lastMessage() const
{
    if (!LastMessage)
        return {};
    std::array<char, 512> buffer{};
    LastMessage(buffer.data(), buffer.size());
    return buffer.data();
}

} // namespace kavrel
