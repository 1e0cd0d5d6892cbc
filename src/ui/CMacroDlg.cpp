#include "ui/CMacroDlg.h"

#include "app/Config.h"
#include "app/Limits.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/ButtonFactory.h"
#include "controls/CPngBtn.h"
#include "controls/SkinImage.h"
#include "controls/SkinMenu.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"
#include "device/ApplyWorker.h"
#include "macro/Macro.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"
#include "ui/CMsgDlg.h"
#include "ui/KeyCapture.h"

#include <QCursor>
#include <QDateTime>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>

#include <array>
#include <mutex>

namespace kavrel {

namespace {

// Positions of the page, as (left, top, right, bottom) in client pixels; a is cfg.ini Macro_Opt_X.
QRect ltrb(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

QRect rectOf(const Rect& r)
{
    return ltrb(r.left, r.top, r.right, r.bottom);
}

QString text(std::string_view key)
{
    return QString::fromStdString(Text(key));
}

constexpr int ExitInsetRight = 36;
constexpr int RecordCaptionOpen = 30; // the caption's offset when the page opens
constexpr int RecordCaptionOffset = 40; // and after a recording started or stopped
constexpr int TextGap = 7; // between a check box or radio and its label
constexpr int ContextMenuWidth = 150;
constexpr int InsertMenuWidth = 124;
constexpr int ListAlpha = 200;
constexpr std::uint32_t CountBoxText = 0xC8C8C8; // COLORREF 200, 200, 200
constexpr std::uint32_t CountBoxFill = 0x141414; // COLORREF 20, 20, 20

const std::array<std::string_view, 7> MouseTexts
    = {"tc_click", "tc_menu", "tc_middle", "tc_forward", "tc_back", "tc_scrollup", "tc_scrolldown"};

QString menuText(std::uint32_t command)
{
    switch (command) {
    case CMacroDlg::CmdNewMacro:
        return text("tc_macro_msg5");
    case CMacroDlg::CmdNewGroup:
        return text("tc_macro_msg6");
    case CMacroDlg::CmdExport:
        return text("tc_macro_msg4");
    case CMacroDlg::CmdRename:
        return text("tc_macro_msg20");
    case CMacroDlg::CmdEditRow:
        return text("tc_macro_msg7");
    case CMacroDlg::CmdDelete:
    case CMacroDlg::CmdDeleteRow:
        return text("tc_macro_msg10");
    case CMacroDlg::CmdImport:
        return text("tc_macro_msg3");
    case CMacroDlg::CmdImportFolder:
        return text("tc_macro_msg21");
    case CMacroDlg::CmdCopyFolder:
        return text("tc_macro_msg22");
    }
    const int code = int((command >> 16) & 0xFF);
    if (code == CMacroDlg::InsertPress)
        return text("tc_macro_msg14");
    if (code == CMacroDlg::InsertRelease)
        return text("tc_macro_msg15");
    if (code == CMacroDlg::InsertPause)
        return text("tc_macro_msg16");
    if (code >= MouseKeyFirst && code <= MouseKeyLast)
        return text(MouseTexts[std::size_t(code - MouseKeyFirst)]);
    return {};
}

std::uint32_t insertCommand(int code)
{
    return (std::uint32_t(code) << 16) | CMacroDlg::CmdInsert;
}

} // namespace

CMacroDlg::CMacroDlg(QWidget* owner, KeyboardViewLink link)
    : SkinDialog(owner)
    , m_link(std::move(link))
    , m_pageFont(shellDlgFont(14))
    , m_subFolders(Cfg.MacroDir)
    , m_mouseMask(Cfg.MacroHasMsKey)
{
    setObjectName("macroPage");
    m_background = load_skin_image("macro_nr.png");
    setSkinSize(m_background.isNull() ? QSize(1, 1) : image_size(m_background));
    createControls();
    createLists();
    m_releaseIcon = load_skin_image("UP_N.png");
    m_pressIcon = load_skin_image("DN_N.png");
    m_pauseIcon = load_skin_image("TM_N.png");
    loadLibrary();

    // The filter installed last sees a key first: the recorder, then the keys every skinned window swallows.
    m_swallow = new SwallowKeysFilter(this, SwallowKeysFilter::Keys{});
    m_capture = new KeyCaptureFilter(this, [this](const KeyStroke& stroke) { onKeyStroke(stroke); });
    m_capture->setEnabled(false);
}

CMacroDlg::~CMacroDlg()
{
    close_menu();
    // A page that goes without its exit button still writes what was changed
    // (without asking anything: no box is shown from a window being destroyed).
    m_silent = true;
    if (!m_closed)
        m_library->WalkChildren(
            m_library->RootItem(),
            [this](TreeItem item, TreeItemRec* record, const QString& name, void*) {
                return flushDirtyMacro(item, record, name);
            },
            nullptr, true);
}

void CMacroDlg::createControls()
{
    const int a = Cfg.Macro_Opt_X;
    const int w = width();
    const int tips = Cfg.BtnTips;
    const QImage* bg = &m_background;
    auto make = [&](const QRect& rect, ButtonFiles files, int latching, const char* name) {
        CPngBtn* button = create_skin_button(this, rect, files, bg, latching);
        if (!button) {
            button = new CPngBtn(this); // a missing picture leaves an empty, still working button
            button->setGeometry(rect);
            button->setLatchingStyle(latching);
            button->show();
        }
        button->setObjectName(name);
        connect(button, &CPngBtn::command, this, &CMacroDlg::onButton);
        return button;
    };
    m_exit = make(
        ltrb(w - ExitInsetRight, 10, w - 16, 25), {"exit_nr.png", "exit_ov.png", "exit_ov.png"}, 0, "exitButton");
    m_record = make(ltrb(a, 74, a + 148, 103), {"recbtn_nr.png", "recbtn_nr.png", "recbtn_dn.png"}, 1, "recordButton");
    m_record->set_text(text("tc_macro_start"), RecordCaptionOpen);
    if (tips)
        m_record->setToolTip(text("tc_macro_start"));
    m_delay = make(ltrb(a, 129, a + 20, 147), {"check_nr.png", "check_ov.png", "check_dn.png"}, 1, "delayBox");
    m_delay->set_checked(1);
    m_loopMode2
        = make(ltrb(a, 156, a + 18, 174), {"radio_nr.png", "radio_ov.png", "radio_dn.png"}, 1, "loopMode2Radio");
    m_countRadio = make(ltrb(a, 184, a + 18, 202), {"radio_nr.png", "radio_ov.png", "radio_dn.png"}, 1, "countRadio");
    m_insert = make(ltrb(a, 269, a + 193, 296), {"combo_nr.png", "combo_ov.png", "combo_nr.png"}, 1, "insertButton");
    m_save = make(ltrb(a + 80, 309, a + 148, 338), {"btn_ov.png", "btn_nr.png", "btn_nr.png"}, 0, "saveButton");
    m_save->set_text(text("tc_macro_msg19"));
    m_save->setTextColors(Cfg.LstBox_item_clr, Cfg.LstBox_item_clr, Cfg.LstBox_item_clr);
    m_save->hide();

    const QRect radio = m_countRadio->geometry();
    m_countBox = new QLineEdit(this);
    m_countBox->setObjectName("countBox");
    m_countBox->setProperty("controlId", CountBoxId);
    m_countBox->setGeometry(
        ltrb(radio.right() + 1 + 8, radio.bottom() + 1 + 5, radio.right() + 1 + 88, radio.bottom() + 1 + 27));
    m_countBox->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), m_countBox));
    m_countBox->setAlignment(Qt::AlignCenter);
    m_countBox->setFont(m_pageFont);
    m_countBox->setStyleSheet(QString("QLineEdit { color: %1; background: %2; border: 1px solid %1; }")
                                  .arg(colorOfColorRef(CountBoxText).name(), colorOfColorRef(CountBoxFill).name()));
    connect(m_countBox, &QLineEdit::textChanged, this, &CMacroDlg::onCountTextChanged);
    m_countBox->show();
}

CTreeCtrlEx* CMacroDlg::createList(int id, const Rect& rect, const QString& name, bool groupImages)
{
    auto* list = new CTreeCtrlEx();
    list->setObjectName(name);
    const QString skins = QString::fromStdString(SkinsFolder());
    list->Create(this, id, rectOf(rect), Cfg.ListTrans ? &m_background : nullptr,
        groupImages ? skins + "open.png" : QString(), groupImages ? skins + "close.png" : QString());
    list->setTextColors(Cfg.LstBox_txt_clr_nr, Cfg.LstBox_txt_clr_dn);
    list->setSelectedColor(argbOfColorRef(Cfg.LstBox_item_clr, ListAlpha));
    list->setBackgroundColor(argbOfColorRef(Cfg.LstBox_bkg_clr, ListAlpha));
    list->setFocusPolicy(Qt::ClickFocus);
    list->installEventFilter(this);
    return list;
}

void CMacroDlg::createLists()
{
    m_library = createList(LibraryViewId, Cfg.rcMacroList, "libraryView", true);
    m_keys = createList(KeyListId, Cfg.rcKeyList, "keyList", false);
    // While recording the lists ignore the mouse; a right-click on them is
    // answered by the page instead.
    m_library->viewport()->installEventFilter(this);
    m_keys->viewport()->installEventFilter(this);
}

bool CMacroDlg::eventFilter(QObject* watched, QEvent* event)
{
    // A list view that gets the focus other than by a click (the page opening,
    // a menu closing) would make its first item current by itself, and the
    // page would take it for the selection.
    if ((watched == m_library || watched == m_keys) && event->type() == QEvent::FocusIn
        && static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason)
        return true;
    const bool onList = watched == m_library->viewport() || watched == m_keys->viewport();
    if (onList && m_recording && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        refuseWhileRecording();
        return true;
    }
    return SkinDialog::eventFilter(watched, event);
}

bool CMacroDlg::event(QEvent* event)
{
    const WindowMessageEvent* message = asWindowMessage(event);
    if (!message)
        return SkinDialog::event(event);
    switch (message->message()) {
    case MsgTreeLeftClick:
    case MsgTreeRightClick: {
        close_menu();
        const int listId = int(message->wParam());
        const CTreeCtrlEx* list = listId == KeyListId ? m_keys : m_library;
        const TreeItem item = list->itemFromId(message->lParam());
        if (message->lParam() != 0 && !item)
            return true; // the item went away before the message arrived
        if (message->message() == MsgTreeLeftClick)
            onListItemClick(listId, item);
        else
            onContextMenu(listId, item);
        return true;
    }
    case MsgMenuCommand:
        close_menu();
        onMenuCommand(std::uint32_t(message->wParam()), int(message->lParam()));
        return true;
    case MsgKeyEvent:
        if (m_recording)
            takeKey(
                int(message->wParam()), message->lParam() == 0x80, std::uint64_t(QDateTime::currentMSecsSinceEpoch()));
        return true;
    }
    return SkinDialog::event(event);
}

void CMacroDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    draw_image(painter, m_background, 0, 0, width(), height());
    painter.setFont(applicationSkinFont().value_or(m_pageFont));
    painter.setPen(colorOfColorRef(Cfg.Txt_clr));
    constexpr unsigned Format = TextWordBreak | TextEndEllipsis | TextVCenter;
    const QRect l = rectOf(Cfg.rcMacroList);
    const QRect k = rectOf(Cfg.rcKeyList);
    const QRect ins = m_insert->geometry();
    auto labelBeside = [&](const CPngBtn* control) {
        const QRect g = control->geometry();
        return ltrb(g.right() + 1 + TextGap, g.top(), width() - 3, g.bottom() + 1);
    };
    drawSkinText(painter, ltrb(l.left() + 2, l.top() - 20, l.left() + 140, l.top()), text("tc_macro_list"), Format);
    drawSkinText(painter, ltrb(k.left() + 2, k.top() - 20, k.left() + 140, k.top()), text("tc_macro_key_list"), Format);
    drawSkinText(painter, ltrb(l.left(), l.bottom() + 1 + 10, l.left() + 400, l.bottom() + 1 + 30),
        text("tc_macro_msg9"), Format);
    drawSkinText(painter, ltrb(ins.left(), ins.top() - 20, ins.left() + 200, ins.top()), text("tc_macro_loop"), Format);
    drawSkinText(painter, labelBeside(m_delay), text("tc_macro_auto"), Format);
    drawSkinText(painter, labelBeside(m_loopMode2), text("tc_macro_loop2"), Format);
    drawSkinText(painter, labelBeside(m_countRadio), text("tc_macro_loop1"), Format);
}

void CMacroDlg::mousePressEvent(QMouseEvent* event)
{
    close_menu();
    SkinDialog::mousePressEvent(event);
}

void CMacroDlg::reject()
{
    // Esc, the window manager's close and the like do not close the page: only its exit button does.
}

void CMacroDlg::closePage()
{
    if (m_recording)
        stopRecording();
    m_library->WalkChildren(
        m_library->RootItem(),
        [this](TreeItem item, TreeItemRec* record, const QString& name, void*) {
            return flushDirtyMacro(item, record, name);
        },
        nullptr, true);
    m_closed = true;
    done(QDialog::Accepted);
}

// ---- dispatch ----

bool CMacroDlg::refuseWhileRecording()
{
    if (!m_recording)
        return false;
    show_message(this, "tc_macro_msg17");
    return true;
}

void CMacroDlg::onButton(CPngBtn* button)
{
    close_menu();
    if (button != m_record && refuseWhileRecording())
        return;
    if (button == m_record) {
        m_recording ? stopRecording() : startRecording();
    } else if (button == m_delay) {
        m_delay->set_checked(m_delay->checkedState() ? 0 : 1);
    } else if (button == m_countRadio) {
        selectLoopMode(MacroLoopCount);
        setCountText("1");
        markCurrent(MacroSettingsChanged);
    } else if (button == m_loopMode2) {
        selectLoopMode(MacroLoopMode2);
        markCurrent(MacroSettingsChanged);
    } else if (button == m_insert) {
        if (!isMacroItem(selectedLibraryItem())) {
            show_message(this, "tc_macro_msg1");
            return;
        }
        openInsertMenu();
    } else if (button == m_save) {
        storeMacroSettings();
        const TreeItem item = selectedLibraryItem();
        if (isMacroItem(item)) {
            flushDirtyMacro(item, m_library->FindItemRec(item), m_library->itemText(item));
            setSaveVisible(false);
        }
    } else if (button == m_exit) {
        closePage();
    }
}

void CMacroDlg::onCountTextChanged(const QString& value)
{
    if (value.isEmpty())
        return;
    bool ok = false;
    const int count = value.toInt(&ok);
    if (ok && count >= 1 && count <= MacroLoopMax) {
        markCurrent(MacroSettingsChanged);
        return;
    }
    show_message_text(this, QString("Loop Count = 1 ~ %1").arg(MacroLoopMax));
    setCountText("1");
}

void CMacroDlg::onListItemClick(int listId, TreeItem item)
{
    if (m_recording || listId != LibraryViewId)
        return;
    if (!item) {
        m_keys->DeleteAllItems();
        return;
    }
    const TreeItemRec* record = m_library->FindItemRec(item);
    if (!record) {
        show_message_text(this, "OnListItemClick: pItem=0");
        return;
    }
    if (record->nKind == TreeGroup) {
        m_keys->DeleteAllItems();
    } else if (const StMacro* macro = currentMacro()) {
        showMacro(*macro, true);
    }
    setSaveVisible(false);
}

void CMacroDlg::onContextMenu(int listId, TreeItem item)
{
    if (refuseWhileRecording())
        return;
    CTreeCtrlEx* list = listId == KeyListId ? m_keys : m_library;
    list->setFocus(Qt::MouseFocusReason);
    const QPoint at = QCursor::pos() + QPoint(2, 0);
    std::vector<std::uint32_t> commands;
    if (list == m_keys) {
        if (!item)
            return;
        commands = {CmdEditRow, CmdDeleteRow};
    } else if (item) {
        onListItemClick(LibraryViewId, item);
        if (isGroupItem(item))
            commands = {CmdNewMacro, CmdNewGroup, CmdRename, CmdDelete, CmdImport, CmdImportFolder, CmdCopyFolder};
        else
            commands = {CmdExport, CmdRename, CmdDelete};
    } else {
        m_keys->DeleteAllItems();
        if (m_subFolders)
            commands = {CmdNewMacro, CmdNewGroup, CmdImport, CmdImportFolder, CmdCopyFolder};
        else
            commands = {CmdNewMacro, CmdImport};
    }
    openPageMenu(commands, at, ContextMenuWidth, 0);
}

void CMacroDlg::openPageMenu(const std::vector<std::uint32_t>& commands, QPoint at, int width, int tag)
{
    m_lastMenu = commands;
    MenuItems items{};
    for (std::size_t i = 0; i < commands.size() && i < items.size(); ++i)
        add_menu_item(items, int(i), MenuTopLevel, commands[i], menuText(commands[i]));
    open_menu(this, width, at, Cfg.Menu_txt_clr_nr, Cfg.Menu_txt_clr_ov, Cfg.Menu_txt_clr_dn, tag,
        std::span(items).first(std::min(commands.size(), items.size())));
}

void CMacroDlg::openInsertMenu()
{
    std::vector<std::uint32_t> commands
        = {insertCommand(InsertPress), insertCommand(InsertRelease), insertCommand(InsertPause)};
    for (int bit = 0; bit <= MouseKeyLast - MouseKeyFirst; ++bit) {
        if (m_mouseMask & (1 << bit))
            commands.push_back(insertCommand(MouseKeyFirst + bit));
    }
    openPageMenu(commands, m_insert->mapToGlobal(QPoint(0, m_insert->height())), InsertMenuWidth, InsertMenuTag);
}

void CMacroDlg::onMenuCommand(std::uint32_t command, int tag)
{
    if (refuseWhileRecording())
        return;
    if (tag == InsertMenuTag || (command & 0xFFFF) == CmdInsert) {
        insertEntry(int((command >> 16) & 0xFF));
        return;
    }
    switch (command & 0xFFFF) {
    case CmdNewMacro:
        return newMacro();
    case CmdNewGroup:
        return newGroup();
    case CmdExport:
        return exportMacro();
    case CmdRename:
        return renameItem();
    case CmdEditRow:
        return editRow();
    case CmdDelete:
        return deleteItem();
    case CmdDeleteRow:
        return deleteRow();
    case CmdImport:
        return importMacro();
    case CmdImportFolder:
        return importFolder();
    case CmdCopyFolder:
        return copyFolder();
    }
}

// ---- page state ----

StMacro* CMacroDlg::currentMacro() const
{
    const TreeItem item = selectedLibraryItem();
    const TreeItemRec* record = item ? m_library->FindItemRec(item) : nullptr;
    if (!record || record->nKind != TreeLeaf)
        return nullptr;
    return FindMacroById(std::uint32_t(record->nValue) & 0xFFFFFF);
}

void CMacroDlg::markCurrent(std::uint32_t bits)
{
    if (StMacro* macro = currentMacro()) {
        std::lock_guard lock(ApplyDataMutex());
        macro->dwFlags |= bits;
        setSaveVisible(true);
    }
}

void CMacroDlg::setSaveVisible(bool visible)
{
    m_save->setVisible(visible);
}

void CMacroDlg::setCountText(const QString& value)
{
    m_countBox->setText(value);
    m_countBox->show();
}

void CMacroDlg::selectLoopMode(std::uint32_t mode)
{
    m_countRadio->set_checked(mode == MacroLoopCount);
    m_loopMode2->set_checked(mode == MacroLoopMode2);
    m_modeOne = mode == MacroLoopMode1;
    if (mode != MacroLoopCount) {
        m_countBox->clear();
        m_countBox->hide();
    }
}

void CMacroDlg::showMacro(const StMacro& shown, bool reloadKeys)
{
    const StMacro macro = shown; // the count box's change handler may mark the entry
    m_delay->set_checked(macro.dwAutoDelay != 0);
    m_countBox->clear();
    if (macro.dwLoopMode == MacroLoopCount) {
        selectLoopMode(MacroLoopCount);
        setCountText(QString::number(macro.wLoopCount));
    } else if (macro.dwLoopMode == MacroLoopMode2 || macro.dwLoopMode == MacroLoopMode1) {
        selectLoopMode(macro.dwLoopMode);
    }
    if (reloadKeys)
        fillKeyList(EventsToKeyList(macro));
}

void CMacroDlg::storeMacroSettings()
{
    StMacro* macro = currentMacro();
    if (!macro)
        return;
    KeyRows rows = keyRows();
    std::lock_guard lock(ApplyDataMutex());
    if (macro->dwFlags & MacroSettingsChanged) {
        macro->dwAutoDelay = m_delay->checkedState() ? 1 : 0;
        if (m_loopMode2->checkedState()) {
            macro->dwLoopMode = MacroLoopMode2;
        } else if (m_modeOne) {
            macro->dwLoopMode = MacroLoopMode1;
        } else {
            macro->dwLoopMode = MacroLoopCount;
            const int count = std::clamp(m_countBox->text().toInt(), 0, MacroLoopMax);
            macro->wLoopCount = std::uint16_t(count == 0 ? 1 : count);
        }
    }
    if (macro->dwFlags & MacroEventsChanged) {
        KeyListToEvents(rows, *macro);
        fillKeyList(rows); // the list shows what was saved
    }
}

// ---- key list and recording ----

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

void CMacroDlg::insertRows(const KeyRows& rows)
{
    const TreeItem before = m_keys->selectedItem();
    for (const KeyRow& row : rows) {
        if (before)
            m_keys->InsertItemAfter(before, true, rowIcon(row.kind), QString::fromStdString(keyRowText(row)), row.value,
                std::int32_t(row.kind));
        else
            appendRow(row);
    }
}

void CMacroDlg::startRecording()
{
    if (!isMacroItem(selectedLibraryItem())) {
        show_message(this, "tc_macro_msg1");
        return;
    }
    m_recording = true;
    m_recorder.start();
    m_record->set_checked(1);
    m_record->set_text(text("tc_macro_stop"), RecordCaptionOffset);
    if (Cfg.BtnTips)
        m_record->setToolTip(text("tc_macro_stop"));
    m_keys->DeleteAllItems();
    m_library->setControlEnabled(false);
    m_keys->setControlEnabled(false);
    if (m_countRadio->checkedState())
        m_countBox->hide();
    setFocus(Qt::OtherFocusReason); // keys go to the page, never into the count box
    m_capture->setEnabled(true);
}

void CMacroDlg::stopRecording()
{
    m_capture->setEnabled(false);
    m_recording = false;
    m_record->set_checked(0);
    m_record->set_text(text("tc_macro_start"), RecordCaptionOffset);
    if (Cfg.BtnTips)
        m_record->setToolTip(text("tc_macro_start"));
    m_library->setControlEnabled(true);
    m_keys->setControlEnabled(true);
    if (m_countRadio->checkedState())
        m_countBox->show();
    markCurrent(MacroDirtyBits);
}

void CMacroDlg::onKeyStroke(const KeyStroke& stroke)
{
    if (m_recording)
        takeKey(recordedKeyCode(stroke.virtualKey, stroke.keyFlags), !stroke.down, stroke.timestampMs);
}

void CMacroDlg::takeKey(int code, bool release, std::uint64_t timestampMs)
{
    const KeyRows rows
        = m_recorder.take(code, release, timestampMs, m_delay->checkedState() != 0, m_keys->itemCount() > 0);
    TreeItem last = nullptr;
    for (const KeyRow& row : rows)
        last = appendRow(row);
    if (last)
        m_keys->scrollTo(m_keys->model()->index(m_keys->itemCount() - 1, 0));
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
    if (!record) {
        show_message(this, "tc_macro_msg1");
        return;
    }
    const KeyRowKind kind = KeyRowKind(record->nSubKind);
    const std::optional<int> value = kind == KeyRowKind::Pause ? askPause() : askKeyCode();
    if (!value)
        return;
    m_keys->SetItemValue(item, QString::fromStdString(keyRowText({kind, *value})), *value);
    markCurrent(MacroEventsChanged);
}

void CMacroDlg::deleteRow()
{
    const TreeItem item = m_keys->selectedItem();
    if (!item)
        return;
    m_keys->DeleteItem(item);
    markCurrent(MacroEventsChanged);
}

void CMacroDlg::insertEntry(int code)
{
    const StMacro* macro = currentMacro();
    if (!macro)
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
        rows = mouseActionRows(code, currentMacro()->dwAutoDelay != 0);
    } else {
        return;
    }
    insertRows(rows);
    markCurrent(MacroEventsChanged);
}

} // namespace kavrel
