#pragma once

#include "macro/MacroEditing.h"

#include <QUndoStack>

#include <cstdint>
#include <functional>

namespace kavrel {

// The macro page's undo history of step edits: inserting, deleting and
// editing a row, and a whole recording, each one step holding the macro's
// step list before and after. The page hands the rows back through its
// restore function. It belongs to the macro on show: choosing another macro
// ends it.
class StepEditHistory {
public:
    using Restore = std::function<void(std::uint32_t macroId, const KeyRows& rows)>;

    explicit StepEditHistory(Restore restore);

    QUndoStack& stack() { return m_stack; }

    // One step from `before` to `after`; nothing when they are the same.
    bool record(std::uint32_t macroId, const KeyRows& before, const KeyRows& after);
    void clear() { m_stack.clear(); }

private:
    QUndoStack m_stack;
    Restore m_restore;
};

} // namespace kavrel
