#include "ui/MissingPictures.h"

#include "app/Log.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "platform/MessageBox.h"

#include <set>
#include <string>

namespace kavrel {
namespace {

std::set<std::string, std::less<>>& told()
{
    static std::set<std::string, std::less<>> files;
    return files;
}

} // namespace

bool tellMissingSkinPicture(std::string_view fileName)
{
    if (!told().emplace(fileName).second)
        return false;
    const std::string path = SkinsFolder() + std::string(fileName);
    WriteLog("Skin picture missing: %s", path.c_str());
    platform::showMessageBox("Error", TextWith("tc_skin_missing", {path}), platform::BoxIcon::Error);
    return true;
}

void forgetMissingSkinPictures()
{
    told().clear();
}

} // namespace kavrel
