#include "ui/ProfileEditHistory.h"

#include <QUndoCommand>

#include <cstring>

namespace kavrel {

namespace {

bool sameRecord(const PROFILE& a, const PROFILE& b)
{
    return std::memcmp(&a, &b, ProfileSize) == 0;
}

// Edits that join the step before when it is of the same kind and profile.
bool joins(ProfileEdit kind)
{
    return kind == ProfileEdit::LightingSpeed || kind == ProfileEdit::LightingBrightness;
}

} // namespace

class ProfileEditCommand : public QUndoCommand {
public:
    ProfileEditCommand(ProfileEditHistory& history, const PROFILE& before, const PROFILE& after, ProfileEdit kind,
        std::uint32_t applyFlags)
        : m_history(history)
        , m_before(before)
        , m_after(after)
        , m_kind(kind)
        , m_applyFlags(applyFlags)
    {
    }

    int id() const override { return joins(m_kind) ? 1000 + int(m_kind) : -1; }

    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = static_cast<const ProfileEditCommand*>(other);
        if (next->m_kind != m_kind || next->m_after.id != m_after.id)
            return false;
        m_after = next->m_after;
        m_applyFlags |= next->m_applyFlags;
        return true;
    }

    void undo() override { m_history.restored(m_before, m_applyFlags); }

    void redo() override
    {
        // The first redo is the push: the edit is already made.
        if (m_pushed)
            m_history.restored(m_after, m_applyFlags);
        m_pushed = true;
    }

private:
    ProfileEditHistory& m_history;
    PROFILE m_before;
    PROFILE m_after;
    ProfileEdit m_kind;
    std::uint32_t m_applyFlags;
    bool m_pushed = false;
};

ProfileEditHistory::ProfileEditHistory(Restore restore, QObject* parent)
    : QObject(parent)
    , m_restore(std::move(restore))
{
}

void ProfileEditHistory::setBase(const PROFILE* current)
{
    if (current)
        m_base = *current;
    else
        m_base.reset();
}

bool ProfileEditHistory::recordEdit(const PROFILE& current, ProfileEdit kind, std::uint32_t applyFlags)
{
    if (!m_base || m_base->id != current.id) {
        // An edit of a profile the history was not told about: it becomes the base of the next one.
        m_base = current;
        return false;
    }
    return record(*m_base, current, kind, applyFlags);
}

bool ProfileEditHistory::record(const PROFILE& before, const PROFILE& after, ProfileEdit kind, std::uint32_t applyFlags)
{
    if (sameRecord(before, after))
        return false;
    m_stack.push(new ProfileEditCommand(*this, before, after, kind, applyFlags));
    if (m_base && m_base->id == after.id)
        m_base = after;
    return true;
}

void ProfileEditHistory::clear()
{
    m_stack.clear();
}

void ProfileEditHistory::restored(const PROFILE& record, std::uint32_t applyFlags)
{
    if (m_base && m_base->id == record.id)
        m_base = record;
    if (m_restore)
        m_restore(record, applyFlags);
}

} // namespace kavrel
