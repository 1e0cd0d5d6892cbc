#pragma once

#include "model/Profile.h"
#include "platform/AtomicFile.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The profile store: pro.dct, 40 PROFILE slots (occupied ones first, an id of
// 0 marks an empty slot), and curid.dct, the current profile's id (4 bytes,
// little-endian), both in the application-data folder. Files are read
// tolerantly (missing, short or long) and replaced whole when written.
namespace kavrel {

inline constexpr int StoreSlots = 40;
inline constexpr std::size_t StoreSize = StoreSlots * ProfileSize; // 463840

std::string StoreFilePath(); // application-data folder + "pro.dct"
std::string CurrentIdFilePath(); // application-data folder + "curid.dct"

// Replaces ProfileList with the profiles of pro.dct. A missing or unreadable
// file logs "Open pro file err=%d" and counts as an empty store; a short file
// leaves the missing part zero; bytes past 463840 are not read. Clears
// CurrentProfile, which pointed into the old list.
void LoadProfiles();

// The same from a store image already in memory (at most the first 463840
// bytes are used, a shorter image counts as zero-filled).
void LoadProfilesFromBytes(std::span<const std::uint8_t> image);

// The 463840-byte image of ProfileList: profiles with a non-zero id in list
// order, at most 40, the rest zero.
std::vector<std::uint8_t> StoreImage();

// Writes ProfileList to pro.dct. Failures log "Save pro: CreateFile err=%d"
// or "Save pro: WriteFile err=%d" and return false; the old file then stays.
// The failing step and its errno go to error when one is given.
bool SaveProfiles(platform::WriteError* error = nullptr);

// The id stored in curid.dct, 0 when the file is missing or shorter than 4 bytes.
std::uint32_t LoadCurrentId();

// Writes CurrentProfile's id to curid.dct; nothing (true) without a current
// profile. A failure is not logged and returns false (the reason in error).
bool SaveCurrentId(platform::WriteError* error = nullptr);

// What the main window runs each time it is opened from its hidden state:
// LoadProfiles; three new profiles named tc_proname + "1", "2", "3" unless
// exactly three were loaded; the profile named by curid.dct becomes current,
// else the first one. Writes nothing.
void OpenStore();

} // namespace kavrel
