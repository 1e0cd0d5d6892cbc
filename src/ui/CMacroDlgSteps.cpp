// The macro page's step editor and recorder: the macro being edited
// (MacroEditSession), leaving it and saving it; the key list shows its steps,
// the edit commands change them there, and a recording replaces them when it
// stops.

#include "ui/CMacroDlg.h"

#include "app/Config.h"
#include "app/Limits.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "controls/CPngBtn.h"
#include "device/ApplyWorker.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "ui/CMacroDlgParts.h"
#include "ui/CMsgDlg.h"
#include "ui/KeyCapture.h"
#include "ui/LibraryTree.h"

#include <QLineEdit>
#include <QStandardItem>
#include <QTimer>

#include <algorithm>

#include <mutex>

namespace kavrel {

namespace {

constexpr int RecordCaptionOffset = 40; // the record button's caption after a recording started or stopped

} // namespace

// ---- the macro being edited ----

StMacro* CMacroDlg::currentMacro() const
{
    const TreeItem item = selectedLibraryItem();
    const TreeItemRec* record = item ? m_library->FindItemRec(item) : nullptr;
    if (!record || record->nKind != TreeLeaf || m_library->itemDisabled(item))
        return nullptr;
    return FindMacroById(macroIdOfValue(record->nValue));
}

void CMacroDlg::openSession(TreeItem item)
{
    m_steps.clear();
    m_session.close();
    m_sessionItem = nullptr;
    const StMacro* macro = isMacroItem(item) ? currentMacro() : nullptr;
    const std::optional<std::string> path = macro ? itemPath(item) : std::nullopt;
    if (macro && path) {
        StMacro copy;
        {
            std::lock_guard lock(ApplyDataMutex());
            copy = *macro;
        }
        m_session.open(copy, *path);
        m_sessionItem = item;
        showSettings();
    }
    showSteps();
    updateSaveButton();
}

bool CMacroDlg::leaveMacro()
{
    onCountEdited();
    if (!m_session.isModified())
        return true;
    const QString question = text("tc_macro_unsaved").arg(m_library->itemText(m_sessionItem));
    if (ask_yes_no(this, question) != QDialog::Accepted)
        return true; // No: the changes are dropped, the file stays as it was
    return saveSession();
}

bool CMacroDlg::saveSession()
{
    if (!m_session.isOpen())
        return true;
    const std::vector<int> held = m_session.unreleasedKeys();
    if (!held.empty() && m_session.stepsModified() && !m_silent) {
        QStringList names;
        for (const int code : held)
            names << QString::fromStdString(macroKeyName(code));
        if (ask_yes_no(this, text("tc_macro_unreleased").arg(names.join(", "))) == QDialog::Accepted)
            m_session.addReleases();
    }
    MacroSaveResult result;
    {
        std::lock_guard lock(ApplyDataMutex());
        result = m_session.save();
    }
    if (!result.ok) {
        tellWriteFailed(result.path, result.error);
        updateSaveButton();
        return false;
    }
    showSteps(); // the list shows what was saved
    updateSaveButton();
    emit libraryChanged();
    return true;
}

void CMacroDlg::tellWriteFailed(const std::string& path, int error)
{
    WriteLog("Macro not saved: %s, err=%d", path.c_str(), error);
    if (!m_silent)
        show_message_text(this,
            text("tc_macro_write_failed")
                .arg(QString::fromStdString(path), QString::fromStdString(writeErrorText(error))));
}

void CMacroDlg::updateSaveButton()
{
    m_save->setVisible(m_session.isModified());
}

void CMacroDlg::setCountText(const QString& value)
{
    m_countBeforeEdit = std::max(1, value.toInt());
    m_countBox->setText(value);
    m_countBox->show();
}

void CMacroDlg::selectLoopMode(std::uint32_t mode)
{
    m_countRadio->set_checked(mode == MacroLoopCount);
    m_loopMode2->set_checked(mode == MacroLoopMode2);
    if (mode != MacroLoopCount) {
        m_countBox->clear();
        m_countBox->hide();
    }
}

void CMacroDlg::showSettings()
{
    m_delay->set_checked(m_session.autoDelay());
    m_countBox->clear();
    const std::uint32_t mode = m_session.loopMode();
    if (mode == MacroLoopCount) {
        selectLoopMode(MacroLoopCount);
        setCountText(QString::number(m_session.loopCount()));
    } else if (mode == MacroLoopMode2 || mode == MacroLoopMode1) {
        selectLoopMode(mode);
    }
}

// ---- steps ----

const QImage& CMacroDlg::rowIcon(KeyRowKind kind) const
{
    switch (kind) {
    case KeyRowKind::Press:
        return m_pressIcon;
    case KeyRowKind::Release:
        return m_releaseIcon;
    case KeyRowKind::Pause:
        break;
    }
    return m_pauseIcon;
}

KeyRows CMacroDlg::keyRows() const
{
    KeyRows rows;
    m_keys->WalkChildren(
        m_keys->RootItem(),
        [&rows](TreeItem, TreeItemRec* record, const QString&, void*) {
            if (record)
                rows.push_back({KeyRowKind(record->nSubKind), record->nValue});
            return 0;
        },
        nullptr, false);
    return rows;
}

TreeItem CMacroDlg::appendRow(const KeyRow& row)
{
    return m_keys->AppendItem(
        QString::fromStdString(keyRowText(row)), rowIcon(row.kind), row.value, std::int32_t(row.kind));
}

void CMacroDlg::fillKeyList(const KeyRows& rows)
{
    m_keys->DeleteAllItems();
    for (const KeyRow& row : rows)
        appendRow(row);
}

void CMacroDlg::showSteps()
{
    fillKeyList(m_session.isOpen() ? m_session.rows() : KeyRows{});
}

std::size_t CMacroDlg::selectedRowIndex() const
{
    const TreeItem item = m_keys->selectedItem();
    return item && m_keys->FindItemRec(item) ? std::size_t(item->row()) : m_session.rows().size();
}

void CMacroDlg::startRecording()
{
    if (!m_session.isOpen()) {
        show_message(this, "tc_macro_msg1");
        return;
    }
    m_recording = true;
    m_recorder.start();
    m_recorded.clear();
    m_record->set_checked(1);
    m_record->set_text(text("tc_macro_stop"), RecordCaptionOffset);
    if (Cfg.BtnTips)
        m_record->setToolTip(text("tc_macro_stop"));
    m_keys->DeleteAllItems();
    m_library->setControlEnabled(false);
    m_keys->setControlEnabled(false);
    if (m_countRadio->checkedState())
        m_countBox->hide();
    m_recordingByKeyboard = m_record->pressedByKey();
    m_recordingHeld.clear();
    setFocus(Qt::OtherFocusReason); // keys go to the page, never into the count box
    m_capture->setEnabled(true);
}

void CMacroDlg::stopRecording()
{
    m_capture->setEnabled(false);
    m_recordingIdle->stop();
    m_recording = false;
    m_record->set_checked(0);
    m_record->set_text(text("tc_macro_start"), RecordCaptionOffset);
    if (Cfg.BtnTips)
        m_record->setToolTip(text("tc_macro_start"));
    m_library->setControlEnabled(true);
    m_keys->setControlEnabled(true);
    if (m_countRadio->checkedState())
        m_countBox->show();
    // The whole recording is one step edit.
    const KeyRows before = m_session.rows();
    m_session.replaceRows(m_recorded);
    m_steps.record(m_session.id(), before, m_session.rows());
    showSteps();
    updateSaveButton();
    if (m_recordingByKeyboard)
        m_record->setFocus(Qt::OtherFocusReason);
}

void CMacroDlg::onKeyStroke(const KeyStroke& stroke)
{
    if (!m_recording)
        return;
    const int code = recordedKeyCode(stroke.virtualKey, stroke.keyFlags);
    const auto held = std::find(m_recordingHeld.begin(), m_recordingHeld.end(), code);
    if (stroke.down) {
        m_recordingIdle->stop();
        if (held == m_recordingHeld.end())
            m_recordingHeld.push_back(code);
    } else {
        // The release of a key that was down before the recording began (the Enter that pressed the record
        // button) is no part of the macro.
        if (held == m_recordingHeld.end())
            return;
        m_recordingHeld.erase(held);
        if (m_recordingHeld.empty() && m_recordingByKeyboard)
            m_recordingIdle->start();
    }
    takeKey(code, !stroke.down, stroke.timestampMs);
}

void CMacroDlg::takeKey(int code, bool release, std::uint64_t timestampMs)
{
    const KeyRows rows = m_recorder.take(code, release, timestampMs, m_delay->checkedState() != 0, !m_recorded.empty());
    for (const KeyRow& row : rows) {
        m_recorded.push_back(row);
        appendRow(row);
    }
    if (!rows.empty())
        m_keys->scrollTo(m_keys->model()->index(m_keys->itemCount() - 1, 0));
    if (!m_recorder.full())
        return;
    // No key is dropped without a word: the recording ends at its limit.
    stopRecording();
    show_message_text(this, text("tc_macro_full").arg(MacroEventMax));
}

std::optional<int> CMacroDlg::askKeyCode()
{
    CMsgDlg box(CMsgDlg::KeyCapture, this);
    box.setResetModifiers(true);
    box.setMessage(text("tc_msg7"));
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return capturedRowCode(box.firstKey(), box.capturedModifiers());
}

std::optional<int> CMacroDlg::askPause()
{
    CMsgDlg box(CMsgDlg::NumberInput, this);
    box.setMessage(text("tc_macro_msg12"));
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return limitTypedPause(box.numberResult());
}

void CMacroDlg::editRow()
{
    const TreeItem item = m_keys->selectedItem();
    const TreeItemRec* record = item ? m_keys->FindItemRec(item) : nullptr;
    if (!record || !m_session.isOpen()) {
        show_message(this, "tc_macro_msg1");
        return;
    }
    const std::size_t index = selectedRowIndex();
    const KeyRowKind kind = KeyRowKind(record->nSubKind);
    const std::optional<int> value = kind == KeyRowKind::Pause ? askPause() : askKeyCode();
    if (!value)
        return;
    const KeyRows before = m_session.rows();
    m_session.editRow(index, *value);
    m_steps.record(m_session.id(), before, m_session.rows());
    showSteps();
    m_keys->selectItem(m_keys->RootItem()->child(int(index)));
    updateSaveButton();
}

void CMacroDlg::deleteRow()
{
    if (!m_keys->selectedItem() || !m_session.isOpen())
        return;
    const KeyRows before = m_session.rows();
    m_session.deleteRow(selectedRowIndex());
    m_steps.record(m_session.id(), before, m_session.rows());
    showSteps();
    updateSaveButton();
}

void CMacroDlg::insertEntry(int code)
{
    if (!m_session.isOpen())
        return;
    KeyRows rows;
    if (code == InsertPress || code == InsertRelease) {
        const std::optional<int> key = askKeyCode();
        if (!key)
            return;
        rows.push_back({code == InsertPress ? KeyRowKind::Press : KeyRowKind::Release, *key});
    } else if (code == InsertPause) {
        const std::optional<int> pause = askPause();
        if (!pause)
            return;
        rows.push_back(pauseRow(*pause));
    } else if (code >= MouseKeyFirst && code <= MouseKeyLast && (m_mouseMask & (1 << (code - MouseKeyFirst)))) {
        rows = mouseActionRows(code, m_session.autoDelay());
    } else {
        return;
    }
    const std::size_t before = selectedRowIndex();
    const KeyRows rowsBefore = m_session.rows();
    m_session.insertRows(before, rows);
    m_steps.record(m_session.id(), rowsBefore, m_session.rows());
    showSteps();
    if (before + rows.size() < m_session.rows().size())
        m_keys->selectItem(m_keys->RootItem()->child(int(before + rows.size())));
    updateSaveButton();
}

} // namespace kavrel
