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
#include "ui/CMacroDlgParts.h"
#include "ui/CMsgDlg.h"
#include "ui/KeyCapture.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QTimer>

#include <array>
#include <mutex>

namespace kavrel {

namespace {

int& recordingIdleStopMs()
{
    static int ms = CMacroDlg::RecordingIdleStopMs;
    return ms;
}

// Positions of the page, as (left, top, right, bottom) in client pixels; a is cfg.ini Macro_Opt_X.
QRect ltrb(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

constexpr int ExitInsetRight = 36;
constexpr int RecordCaptionOpen = 30; // the caption's offset when the page opens
constexpr int RecordCaptionOffset = 40; // and after a recording started or stopped
constexpr int TextGap = 7; // between a check box or radio and its label
constexpr int ContextMenuWidth = 150;
constexpr int InsertMenuWidth = 124;
// What a menu item's row adds to its text's width: the padding on both sides and a little air.
constexpr int MenuTextMargins = 30;
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

void CMacroDlg::setRecordingIdleStopMsForTests(int ms)
{
    recordingIdleStopMs() = ms;
}

CMacroDlg::CMacroDlg(QWidget* owner, KeyboardViewLink link)
    : SkinDialog(owner)
    , m_link(std::move(link))
    , m_pageFont(shellDlgFont(14))
    , m_subFolders(Cfg.MacroDir)
    , m_mouseMask(Cfg.MacroHasMsKey)
    , m_steps([this](std::uint32_t macroId, const KeyRows& rows) {
        if (m_recording || !m_session.isOpen() || m_session.id() != macroId)
            return;
        m_session.replaceRows(rows);
        showSteps();
        updateSaveButton();
    })
{
    setObjectName("macroPage");
    setWindowTitle(text("tc_page2"));
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
    setUpTabOrder();
    m_recordingIdle = new QTimer(this);
    m_recordingIdle->setObjectName("recordingRest");
    m_recordingIdle->setSingleShot(true);
    m_recordingIdle->setInterval(recordingIdleStopMs());
    connect(m_recordingIdle, &QTimer::timeout, this, [this] {
        if (m_recording)
            stopRecording();
    });
    auto* undo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    connect(undo, &QShortcut::activated, &m_steps.stack(), &QUndoStack::undo);
    for (const QKeySequence& keys :
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}) {
        auto* redo = new QShortcut(keys, this);
        connect(redo, &QShortcut::activated, &m_steps.stack(), &QUndoStack::redo);
    }
}

CMacroDlg::~CMacroDlg()
{
    close_menu();
    // A page that goes without its exit button (the program ending) cannot
    // ask: what was changed is written rather than lost.
    m_silent = true;
    if (!m_closed) {
        if (m_recording)
            stopRecording();
        if (m_session.isModified())
            saveSession();
        flushAll();
    }
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
    // The count is checked when the user leaves the field (or presses Enter in it), not at each keystroke.
    connect(m_countBox, &QLineEdit::editingFinished, this, &CMacroDlg::onCountEdited);
    connect(m_countBox, &QLineEdit::textEdited, this, [this](const QString& value) {
        const int count = value.toInt();
        if (m_session.isOpen() && count >= 1 && count <= MacroLoopMax) {
            m_session.setLoopCount(count);
            updateSaveButton();
        }
    });
    m_countBox->show();
    nameControls();
}

void CMacroDlg::nameControls()
{
    // The page draws its labels itself: screen readers get them as the controls' names and kinds.
    m_exit->setAccessibleName(text("tc_exit"));
    m_delay->setAccessibleKind(CPngBtn::AccessibleKind::CheckBox);
    m_delay->setAccessibleName(text("tc_macro_auto"));
    m_loopMode2->setAccessibleKind(CPngBtn::AccessibleKind::RadioButton);
    m_loopMode2->setAccessibleName(text("tc_macro_loop2"));
    m_countRadio->setAccessibleKind(CPngBtn::AccessibleKind::RadioButton);
    m_countRadio->setAccessibleName(text("tc_macro_loop1"));
    m_countBox->setAccessibleName(text("tc_macro_loop1"));
    m_insert->setAccessibleName(text("tc_macro_loop"));
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
    list->setFocusPolicy(Qt::StrongFocus);
    list->installEventFilter(this);
    connect(list, &CTreeCtrlEx::keyCommand, this,
        [this, id, list](int qtKey) { onListKey(id, qtKey, list->selectedItem()); });
    return list;
}

void CMacroDlg::setUpTabOrder()
{
    // The library first (it has the focus when the page opens), its steps, recording and saving them,
    // the macro's settings, and the exit button last (Shift+Tab from the library reaches it).
    std::vector<QWidget*> order{
        m_library, m_keys, m_record, m_save, m_insert, m_delay, m_loopMode2, m_countRadio, m_countBox};
    for (CPngBtn* button : findChildren<CPngBtn*>())
        if (button != m_exit && std::find(order.begin(), order.end(), button) == order.end()
            && button->focusPolicy() != Qt::NoFocus)
            order.push_back(button);
    order.push_back(m_exit);
    std::erase(order, nullptr);
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    m_library->setFocus(Qt::OtherFocusReason);
}

void CMacroDlg::createLists()
{
    m_library = createList(LibraryViewId, Cfg.rcMacroList, "libraryView", true);
    m_keys = createList(KeyListId, Cfg.rcKeyList, "keyList", false);
    m_library->setAccessibleName(text("tc_macro_list"));
    m_keys->setAccessibleName(text("tc_macro_key_list"));
    // While recording the lists ignore the mouse; a right-click on them is
    // answered by the page instead.
    m_library->viewport()->installEventFilter(this);
    m_keys->viewport()->installEventFilter(this);
}

bool CMacroDlg::eventFilter(QObject* watched, QEvent* event)
{
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
    // The hint stays inside the lists' frame: two lines under them where one is too short.
    drawSkinText(
        painter, ltrb(l.left(), l.bottom() + 1 + 4, k.right() + 1, l.bottom() + 1 + 38), text("tc_macro_msg9"), Format);
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
    // Esc and the like do not close the page: only its exit button does.
}

void CMacroDlg::closeEvent(QCloseEvent* event)
{
    // The window manager's close button: as the exit button, asking first.
    event->ignore();
    closePage();
}

void CMacroDlg::closePage()
{
    if (m_recording)
        stopRecording();
    if (!leaveMacro())
        return;
    flushAll();
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
        if (m_session.isOpen())
            m_session.setAutoDelay(m_delay->checkedState() != 0);
        updateSaveButton();
    } else if (button == m_countRadio) {
        selectLoopMode(MacroLoopCount);
        setCountText("1");
        if (m_session.isOpen()) {
            m_session.setLoopMode(MacroLoopCount);
            m_session.setLoopCount(1);
        }
        updateSaveButton();
    } else if (button == m_loopMode2) {
        selectLoopMode(MacroLoopMode2);
        if (m_session.isOpen())
            m_session.setLoopMode(MacroLoopMode2);
        updateSaveButton();
    } else if (button == m_insert) {
        if (!isMacroItem(selectedLibraryItem())) {
            show_message(this, "tc_macro_msg1");
            return;
        }
        openInsertMenu();
    } else if (button == m_save) {
        onCountEdited();
        saveSession();
    } else if (button == m_exit) {
        closePage();
    }
}

void CMacroDlg::onCountEdited()
{
    if (!m_session.isOpen() || m_countBox->isHidden())
        return;
    bool ok = false;
    const int count = m_countBox->text().toInt(&ok);
    if (ok && count >= 1 && count <= MacroLoopMax) {
        m_session.setLoopCount(count);
        m_countBeforeEdit = count;
        updateSaveButton();
        return;
    }
    // Back to the count the field held before this edit.
    m_session.setLoopCount(m_countBeforeEdit);
    setCountText(QString::number(m_countBeforeEdit));
    updateSaveButton();
    if (!m_silent)
        show_message_text(this, text("tc_macro_loop_range").arg(MacroLoopMax));
}

void CMacroDlg::onListItemClick(int listId, TreeItem item)
{
    if (m_recording || listId != LibraryViewId)
        return;
    if (item && item == m_sessionItem)
        return;
    if (item && !m_library->FindItemRec(item)) {
        show_message_text(this, "OnListItemClick: pItem=0");
        return;
    }
    if (!leaveMacro()) {
        m_library->selectItem(m_sessionItem); // the user stays on the macro whose save failed
        return;
    }
    openSession(item);
}

void CMacroDlg::onContextMenu(int listId, TreeItem item)
{
    if (refuseWhileRecording())
        return;
    CTreeCtrlEx* list = listId == KeyListId ? m_keys : m_library;
    list->setFocus(Qt::MouseFocusReason);
    // Beside the pointer, or below the selected row when asked for from the keyboard.
    const QPoint at = list->takeKeyMenuPoint().value_or(QCursor::pos() + QPoint(2, 0));
    std::vector<std::uint32_t> commands;
    if (list == m_keys) {
        if (!item)
            return;
        commands = {CmdEditRow, CmdDeleteRow};
    } else if (item) {
        onListItemClick(LibraryViewId, item);
        if (selectedLibraryItem() != item)
            return; // the user stayed on a macro whose changes could not be saved
        if (m_library->itemDisabled(item))
            commands = {CmdDelete}; // a file that cannot be read: it can only go
        else if (isGroupItem(item))
            commands = {CmdNewMacro, CmdNewGroup, CmdRename, CmdDelete, CmdImport, CmdImportFolder, CmdCopyFolder};
        else
            commands = {CmdExport, CmdRename, CmdDelete};
    } else {
        onListItemClick(LibraryViewId, nullptr);
        if (selectedLibraryItem())
            return;
        if (m_subFolders)
            commands = {CmdNewMacro, CmdNewGroup, CmdImport, CmdImportFolder, CmdCopyFolder};
        else
            commands = {CmdNewMacro, CmdImport};
    }
    openPageMenu(commands, at, ContextMenuWidth, 0);
}

void CMacroDlg::onListKey(int listId, int qtKey, TreeItem item)
{
    if (!item || refuseWhileRecording())
        return;
    const bool rename = qtKey == Qt::Key_F2;
    const bool remove = qtKey == Qt::Key_Delete;
    if (listId == KeyListId) {
        // Enter or F2 edit the step, Delete deletes it: the commands of its menu.
        if (remove)
            onMenuCommand(CmdDeleteRow, 0);
        else
            onMenuCommand(CmdEditRow, 0);
        return;
    }
    if (!remove && !rename) {
        // Enter opens or closes a group; a macro is open once selected.
        if (isGroupItem(item))
            m_library->ToggleExpand(item);
        return;
    }
    if (selectedLibraryItem() != item)
        return;
    if (m_library->itemDisabled(item) && rename)
        return; // a file that cannot be read can only go
    onMenuCommand(remove ? CmdDelete : CmdRename, 0);
}

void CMacroDlg::openPageMenu(const std::vector<std::uint32_t>& commands, QPoint at, int width, int tag)
{
    m_lastMenu = commands;
    MenuItems items{};
    // As wide as its longest item needs (another language's texts are longer), never narrower than asked.
    const QFontMetrics metrics(applicationSkinFont().value_or(shellDlgFont(14, 400)));
    for (std::size_t i = 0; i < commands.size() && i < items.size(); ++i) {
        add_menu_item(items, int(i), MenuTopLevel, commands[i], menuText(commands[i]));
        width = std::max(width, metrics.horizontalAdvance(menuText(commands[i])) + MenuTextMargins);
    }
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

} // namespace kavrel
