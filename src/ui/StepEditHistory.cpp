#include "ui/StepEditHistory.h"

#include <QUndoCommand>

namespace kavrel {
namespace {

class StepEditCommand : public QUndoCommand {
public:
    StepEditCommand(const StepEditHistory::Restore& restore, std::uint32_t macroId, KeyRows before, KeyRows after)
        : m_restore(restore)
        , m_macroId(macroId)
        , m_before(std::move(before))
        , m_after(std::move(after))
    {
    }

    void undo() override { m_restore(m_macroId, m_before); }
    void redo() override
    {
        // The first redo is the push: the edit is already on the page.
        if (m_pushed)
            m_restore(m_macroId, m_after);
        m_pushed = true;
    }

private:
    const StepEditHistory::Restore& m_restore;
    std::uint32_t m_macroId;
    KeyRows m_before;
    KeyRows m_after;
    bool m_pushed = false;
};

} // namespace

StepEditHistory::StepEditHistory(Restore restore)
    : m_restore(std::move(restore))
{
}

bool StepEditHistory::record(std::uint32_t macroId, const KeyRows& before, const KeyRows& after)
{
    if (before == after)
        return false;
    m_stack.push(new StepEditCommand(m_restore, macroId, before, after));
    return true;
}

} // namespace kavrel
