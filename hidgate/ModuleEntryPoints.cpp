// The entry points that are the same in every module, compiled into each of them.

#include "ModuleCommon.h"
#include "hidgate.h"

extern "C" {

HIDGATE_EXPORT void CloseHidDevice(HidgateHandle handle)
{
    hidgate::closeModuleHandle(handle);
}

HIDGATE_EXPORT size_t HidgateLastMessage(char* buffer, size_t size)
{
    return hidgate::copyLastMessage(buffer, size);
}

} // extern "C"
