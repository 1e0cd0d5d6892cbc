#pragma once

#include "macro/MacroEditing.h"
#include "macro/StMacro.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The macro being edited on the macro page: its steps and settings as the
// user left them, beside what its file holds. Nothing reaches MacroList or
// the file before save(); leaving a macro asks first when isModified() says
// there is something to lose. Each step edit is its own function, so that
// each can become one undoable command.
namespace kavrel {

struct MacroSaveResult {
    bool ok = true;
    int error = 0; // errno of a failed write
    std::string path; // the file written, or that could not be written
};

class MacroEditSession {
public:
    // Starts editing the macro read from (or last written to) the file at path.
    void open(const StMacro& macro, std::string path);
    // Edits nothing; what was not saved is dropped.
    void close();
    bool isOpen() const { return m_open; }

    std::uint32_t id() const { return m_saved.dwId; }
    const std::string& path() const { return m_path; }
    void setPath(std::string path) { m_path = std::move(path); }
    std::string name() const;

    // The steps as the page lists them.
    const KeyRows& rows() const { return m_rows; }

    // Settings. The count is held within 1 ... MacroLoopMax.
    bool autoDelay() const { return m_autoDelay; }
    void setAutoDelay(bool on) { m_autoDelay = on; }
    std::uint32_t loopMode() const { return m_loopMode; }
    void setLoopMode(std::uint32_t mode) { m_loopMode = mode; }
    int loopCount() const { return m_loopCount; }
    void setLoopCount(int count);

    // Step edits. An index past the end appends (insert) or does nothing.
    void insertRows(std::size_t before, const KeyRows& rows);
    void deleteRow(std::size_t index);
    void editRow(std::size_t index, int value);
    // A recording replaces every step.
    void replaceRows(const KeyRows& recorded);

    // True when a save would change the macro: steps or settings differ
    // from what was opened or last saved.
    bool isModified() const;
    bool stepsModified() const { return m_rows != m_savedRows; }

    // Keys the steps press and never release afterwards, in the order pressed.
    std::vector<int> unreleasedKeys() const;
    // Appends a release step for each of them (a step edit of its own).
    void addReleases();

    // The record a save writes: the opened macro with the settings, and the
    // steps as its events when they were changed (otherwise its own events).
    StMacro toMacro() const;

    // Writes toMacro() to the file, replacing it whole. On success the
    // MacroList entry with this id takes the record and the session counts
    // as saved; on failure nothing changes and it stays modified. The caller
    // holds ApplyDataMutex().
    MacroSaveResult save();

private:
    bool m_open = false;
    std::string m_path;
    StMacro m_saved{};
    KeyRows m_savedRows;
    KeyRows m_rows;
    bool m_autoDelay = true;
    std::uint32_t m_loopMode = MacroLoopCount;
    int m_loopCount = 1;
};

} // namespace kavrel
