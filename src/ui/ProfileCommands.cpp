#include "ui/ProfileCommands.h"

#include "app/Config.h"
#include "app/Texts.h"
#include "device/ApplySetting.h"
#include "device/ApplyWorker.h"
#include "macro/MacroLibrary.h"
#include "macro/ProfileFile.h"
#include "model/Lists.h"

#include <mutex>

namespace kavrel {
namespace {

PROFILE* findProfile(std::uint32_t id)
{
    for (PROFILE& profile : ProfileList)
        if (profile.id == id)
            return &profile;
    return nullptr;
}

std::string withDetail(std::string_view key, const std::string& detail)
{
    return Text(key) + (detail.empty() ? std::string() : "\n" + detail);
}

} // namespace

ProfileCommands::ProfileCommands(ProfileEditHistory& history, Changed changed)
    : m_history(history)
    , m_changed(std::move(changed))
{
}

bool ProfileCommands::copyOf(std::uint32_t id, PROFILE& out)
{
    std::lock_guard lock(ApplyDataMutex());
    const PROFILE* profile = findProfile(id);
    if (!profile)
        return false;
    out = *profile;
    return true;
}

bool ProfileCommands::edit(
    std::uint32_t id, ProfileEdit kind, std::uint32_t applyFlags, const std::function<void(PROFILE&)>& change)
{
    PROFILE before;
    PROFILE after;
    {
        std::lock_guard lock(ApplyDataMutex());
        PROFILE* profile = findProfile(id);
        if (!profile)
            return false;
        before = *profile;
        change(*profile);
        after = *profile;
    }
    if (!m_history.record(before, after, kind, applyFlags))
        return false;
    if (m_changed)
        m_changed(id, applyFlags);
    return true;
}

std::string ProfileCommands::rename(std::uint32_t id, std::string_view name)
{
    if (std::string problem = profileNameProblem(name); !problem.empty())
        return problem;
    edit(id, ProfileEdit::Settings, 0, [&](PROFILE& profile) { setProfileName(profile, name); });
    return {};
}

std::string ProfileCommands::setProgram(std::uint32_t id, std::string_view program)
{
    if (std::string problem = programNameProblem(program); !problem.empty())
        return problem;
    edit(id, ProfileEdit::Settings, 0, [&](PROFILE& profile) { setProfileProgramName(profile, program); });
    return {};
}

bool ProfileCommands::restoreDefaults(std::uint32_t id)
{
    return edit(id, ProfileEdit::RestoreDefaults, ApplyAll, [](PROFILE& profile) { ResetProfile(profile); });
}

std::string ProfileCommands::exportTo(
    std::uint32_t id, const std::filesystem::path& file, std::vector<int>* droppedKeys)
{
    PROFILE profile;
    ProfileExport exported;
    std::string message;
    bool written = false;
    {
        // The macros are read from MacroList, which the lock guards too.
        std::lock_guard lock(ApplyDataMutex());
        const PROFILE* found = findProfile(id);
        if (!found)
            return Text("tc_pf_export_failed");
        profile = *found;
        written = exportProfileFile(profile, file, &message, &exported);
    }
    if (droppedKeys)
        *droppedKeys = exported.droppedKeys;
    return written ? std::string() : withDetail("tc_pf_export_failed", message);
}

std::string ProfileCommands::importFrom(std::uint32_t id, const std::filesystem::path& file)
{
    const ProfileFileRead read = readProfileFile(file, Cfg.MacroHasMsKey);
    if (!read.ok())
        return withDetail("tc_pf_import_failed", read.message);
    ProfileImportPlan plan;
    {
        // Names and ids are chosen against the library as it is; nothing is written yet.
        std::lock_guard lock(ApplyDataMutex());
        if (!findProfile(id))
            return Text("tc_pf_import_failed");
        plan = planProfileImport(read.content, id, {.libraryRoot = MacroLibraryRoot(), .groups = Cfg.MacroDir != 0});
    }
    std::string message;
    if (!writeImportedMacros(plan, &message))
        return withDetail("tc_pf_import_failed", message);
    PROFILE before;
    {
        // An apply in progress works on its own copy: it writes the record as it was when it started, and
        // the imported one goes to the keyboard with the next apply.
        std::lock_guard lock(ApplyDataMutex());
        PROFILE* profile = findProfile(id);
        before = *profile;
        commitProfileImport(plan, *profile);
    }
    m_history.record(before, plan.profile, ProfileEdit::Import, ApplyAll);
    if (m_changed)
        m_changed(id, ApplyAll);
    return {};
}

} // namespace kavrel
