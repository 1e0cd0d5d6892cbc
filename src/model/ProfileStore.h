#pragma once

#include "model/Profile.h"
#include "platform/AtomicFile.h"

#include <cstdint>
#include <functional>
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

// Why a stored record cannot be used as it is, in a few words; empty when it
// can. The store's own check covers the record's magic, lighting mode, colour
// set, speed and brightness ranges and every key's kind and matrix position;
// a caller may add one (whether every key's codes can be encoded for the
// keyboard lives with the device code).
using SlotCheck = std::function<std::string(const PROFILE&)>;
std::string profileRecordProblem(const PROFILE& profile);

// A slot of pro.dct that held a profile (non-zero id) which failed the checks.
// A record with the right magic keeps its place, id and name and gets the
// factory settings; anything else is dropped. Either way nothing of it is
// sent to the keyboard.
struct DamagedSlot {
    int slot = 0;
    std::string problem;
    bool kept = false; // replaced by defaults in place (else dropped)
};

// What reading pro.dct found.
struct StoreLoadReport {
    std::vector<DamagedSlot> damaged;
    // Where the damaged file was copied (never overwriting an older copy);
    // empty when nothing was damaged or the copy failed (keepError then holds errno).
    std::string keptAs;
    int keepError = 0;
    // The same damaged content was already reported earlier in this run: tell the user only once.
    bool reportedBefore = false;
    bool damagedFile() const { return !damaged.empty(); }
    // One line for the user: the slots and their problems.
    std::string summary() const;
};

// Replaces ProfileList with the profiles of pro.dct. A missing or unreadable
// file logs "Open pro file err=%d" and counts as an empty store; a short file
// leaves the missing part zero; bytes past 463840 are not read. Clears
// CurrentProfile, which pointed into the old list.
//
// Each slot is read defensively (profileRecordProblem, then `check`); a slot
// that fails, or that the file ends inside of, is damaged (see DamagedSlot).
// A file with damaged slots is copied aside once per run and content as
// pro.dct.damaged-<date and time> beside it; the report says what was found.
StoreLoadReport LoadProfiles(const SlotCheck& check = {});

// The same from a store image already in memory (at most the first 463840
// bytes are used, a shorter image counts as zero-filled but a slot cut by its
// end is damaged). Copies nothing anywhere.
StoreLoadReport LoadProfilesFromBytes(std::span<const std::uint8_t> image, const SlotCheck& check = {});

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
// profile. A failure logs "Save curid err=%d" and returns false (the reason in error).
bool SaveCurrentId(platform::WriteError* error = nullptr);

// What the main window runs each time it is opened from its hidden state:
// LoadProfiles; three new profiles named tc_proname + "1", "2", "3" unless
// exactly three were loaded; the profile named by curid.dct becomes current,
// else the first one. Writes nothing but the copy of a damaged pro.dct.
StoreLoadReport OpenStore(const SlotCheck& check = {});

} // namespace kavrel
