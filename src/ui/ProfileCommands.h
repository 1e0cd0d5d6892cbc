#pragma once

#include "ui/ProfileEditHistory.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel {

// The commands of a profile button's menu, without a window: rename, the
// program of automatic switching, export, import and restore. Each acts on
// the profile with the given id in ProfileList (under ApplyDataMutex), is one
// undo step in the history, and is stored by the next Apply or OK like every
// other edit. A refused value or file changes nothing; the returned text
// says why (empty on success).
class ProfileCommands {
public:
    // changed(id, applyFlags) runs after every change of a profile (an edit, an undo or a redo): the window
    // shows it, and applies it when edits apply at once and it is the current profile.
    using Changed = std::function<void(std::uint32_t id, std::uint32_t applyFlags)>;

    ProfileCommands(ProfileEditHistory& history, Changed changed);

    std::string rename(std::uint32_t id, std::string_view name);
    // An empty name turns automatic switching off.
    std::string setProgram(std::uint32_t id, std::string_view program);
    // False when the profile is unknown or already in its factory state.
    bool restoreDefaults(std::uint32_t id);

    // Writes the profile as it is now (saved or not) and the macros its keys use. droppedKeys gets the keys
    // whose macro was gone (exported with their factory function).
    std::string exportTo(std::uint32_t id, const std::filesystem::path& file, std::vector<int>* droppedKeys = nullptr);

    // Reads a profile file into the profile (which keeps its id); its macros join the library at once (see
    // planProfileImport). Undo gives the profile its old record back; the macro files stay in the library.
    std::string importFrom(std::uint32_t id, const std::filesystem::path& file);

    // The record of a profile as it is now, under the lock (false for an unknown id).
    static bool copyOf(std::uint32_t id, PROFILE& out);

private:
    // Changes a profile under the lock and records the step; false for an unknown id or no change.
    bool edit(
        std::uint32_t id, ProfileEdit kind, std::uint32_t applyFlags, const std::function<void(PROFILE&)>& change);

    ProfileEditHistory& m_history;
    Changed m_changed;
};

} // namespace kavrel
