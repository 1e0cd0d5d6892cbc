#pragma once

#include "model/Profile.h"

#include <QObject>
#include <QUndoStack>

#include <cstdint>
#include <functional>
#include <optional>

namespace kavrel {

// What an edit of a profile changed: the undo step's text, and which edits of
// one kind in a row join into one step (a slider dragged over its steps).
enum class ProfileEdit {
    KeyFunction,
    KeyColour,
    LightingMode,
    LightingSpeed,
    LightingBrightness,
    ColourSet,
    RestoreDefaults,
    Settings, // name and program of automatic switching
    Import,
};

// The window's undo history of profile edits until OK, Apply or Cancel. Each
// step holds the whole record before and after the edit (11596 bytes each),
// so every kind of edit is undone the same way, whatever window made it: the
// owner tells the history after each edit, and undo and redo hand a record
// back to the owner's restore function, which puts it into the profile with
// that id (and applies it when edits apply at once).
class ProfileEditHistory : public QObject {
    Q_OBJECT
public:
    // Puts a record into the profile with its id; applyFlags are the flags an
    // immediate apply of that edit uses.
    using Restore = std::function<void(const PROFILE& record, std::uint32_t applyFlags)>;

    explicit ProfileEditHistory(Restore restore, QObject* parent = nullptr);

    QUndoStack& stack() { return m_stack; }

    // The profile the next edit starts from: call after a switch, a reload
    // and anything else that changes the current profile without being an
    // edit. Null: no current profile.
    void setBase(const PROFILE* current);

    // After an edit of the current profile: one undo step from the base to
    // the profile as it is now. Nothing when the edit changed nothing. Returns
    // whether a step was added or joined to the last one.
    bool recordEdit(const PROFILE& current, ProfileEdit kind, std::uint32_t applyFlags);

    // The same for an edit of any profile whose record before it the caller kept.
    bool record(const PROFILE& before, const PROFILE& after, ProfileEdit kind, std::uint32_t applyFlags);

    // OK, Apply and Cancel end the history.
    void clear();

    // The record before the last step (tests).
    std::optional<PROFILE> base() const { return m_base; }

private:
    friend class ProfileEditCommand;
    void restored(const PROFILE& record, std::uint32_t applyFlags);

    QUndoStack m_stack;
    Restore m_restore;
    std::optional<PROFILE> m_base;
};

} // namespace kavrel
