#include "ui/CKavrelDlg.h"

#include "app/Config.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/CPngBtn.h"
#include "controls/SkinImage.h"
#include "controls/SkinMenu.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"
#include "controls/WindowShape.h"
#include "device/ApplyWorker.h"
#include "macro/KeyLabel.h"
#include "macro/MacroCatalog.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"
#include "platform/HotplugMonitor.h"
#include "platform/MessageBox.h"
#include "ui/CKBColorDlg.h"
#include "ui/CKeyFunPickDlg.h"
#include "ui/CLedDlg.h"
#include "ui/CMacroDlg.h"
#include "ui/CMsgDlg.h"
#include "ui/CProgressDlg.h"
#include "ui/EditCommands.h"
#include "ui/EditingSession.h"
#include "ui/KeyColorSets.h"
#include "ui/MainTray.h"
#include "ui/MissingPictures.h"
#include "ui/WindowBasics.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <cerrno>

namespace kavrel {
namespace {

constexpr std::uint32_t PerKeyLedMode = 3;

} // namespace

bool keyDiffersFromDefault(const KEYINFO& key, const KEYINFO& defaults)
{
    return key.firstWord() != defaults.firstWord() || key.modifiers != defaults.modifiers || key.key1 != defaults.key1
        || key.key2 != defaults.key2;
}

KeyDescription describeKeyOfCurrentProfile(int index)
{
    KeyDescription description;
    if (index < 0 || index >= std::min(KeyCount, KeyTableSize))
        return description;
    description.name = QString::fromStdString(keyinfo_to_text(KeyTable[index]));
    std::lock_guard lock(ApplyDataMutex());
    if (!CurrentProfile)
        return description;
    const KEYINFO& key = CurrentProfile->keys[index];
    description.function = QString::fromStdString(keyinfo_to_text(key));
    if (key.kind == KindMacro)
        description.function = text("tc_msg25") + ' ' + description.function;
    description.remapped = keyDiffersFromDefault(key, KeyTable[index]);
    return description;
}

void CKavrelDlg::setTrayAvailabilityOverride(std::optional<bool> available)
{
    MainTray::setAvailabilityOverride(available);
}

CKavrelDlg::CKavrelDlg(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName("mainWindow");
    setAttribute(Qt::WA_TranslucentBackground);
    prepareSkinnedWidget(this, false);
    // Asking for a tray and loading the icon (through an image plugin) take a while: a window that shows
    // at start does both once it has been painted; one that starts in the tray must know now whether
    // there is one.
    m_trayMode = Cfg.TrayIcon == 1 || Cfg.TrayIcon == 3 ? Cfg.TrayIcon : 2;
    if (m_trayMode == 1)
        settleTrayMode();
    m_shown = m_trayMode != 1;
    if (const auto& font = applicationSkinFont())
        m_font = *font;
    else
        m_font = shellDlgFont(14);
    m_session = new EditingSession(this);
    m_session->setSwitchGate([this] { return mayInterrupt(); });
    connect(m_session, &EditingSession::currentChanged, this, &CKavrelDlg::showCurrentProfile);
    connect(m_session, &EditingSession::keyboardRemoved, this, &CKavrelDlg::keyboardRemoved);
    connect(m_session, &EditingSession::saveFailed, this, [this](const QString& message) {
        if (isVisible())
            tell(message);
        else
            showBalloon(message);
    });
}

CKavrelDlg::~CKavrelDlg()
{
    // The session stops and joins the worker before the lists and the device link go.
    delete m_session;
    m_session = nullptr;
    delete m_tray;
    m_tray = nullptr;
}

bool CKavrelDlg::initialise()
{
    if (m_initialised)
        return !m_ended;
    m_initialised = true;
    if (!loadSkin()) {
        failStart();
        return false;
    }
    setWindowTitle(text("tc_title"));
    m_session->startHotplug();
    m_session->startSwitching();
    // A failed apply reports through plain boxes; the window program's box handler queues them to this
    // thread, so the worker never waits for the user.
    const bool found = m_session->connectKeyboard(platform::directMessageSink());
    if (!found && Cfg.Suwnd == 0) {
        show_message(this, "tc_msg15");
        failStart();
        return false;
    }
    if (m_session->deviceCount() > 1)
        show_message(this, "tc_msg11");
    {
        std::lock_guard lock(ApplyDataMutex());
        ReloadMacroLibrary();
    }
    if (m_shown)
        openWindow();
    else
        settleTray();
    return !m_ended;
}

void CKavrelDlg::settleTrayMode()
{
    if (!trayUnsettled() || MainTray::available())
        return;
    WriteLog("No system tray: TrayIcon=%d acts as 2, the window shows and Exit ends the program", m_trayMode);
    m_trayMode = 2;
}

const QIcon& CKavrelDlg::icon()
{
    if (m_icon.isNull()) { // programIcon() gives a drawn icon when the file cannot be read
        m_icon = programIcon();
        setWindowIcon(m_icon);
    }
    return m_icon;
}

void CKavrelDlg::afterFirstPaint()
{
    icon();
    settleTray();
}

void CKavrelDlg::settleTray()
{
    settleTrayMode();
    if (!trayUnsettled())
        return;
    m_tray = new MainTray(this, icon());
    connect(m_tray, &MainTray::exitRequested, this, &CKavrelDlg::endWindow);
}

int CKavrelDlg::exec()
{
    if (!initialise() || m_ended)
        return m_exitCode;
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
    return m_exitCode;
}

void CKavrelDlg::failStart()
{
    m_exitCode = 1;
    endWindow();
}

void CKavrelDlg::endWindow()
{
    m_ended = true;
    m_session->stopSwitching();
    QWidget::setVisible(false);
    if (m_loop)
        m_loop->exit(0);
    emit windowEnded();
}

bool CKavrelDlg::loadSkin()
{
    m_background = load_skin_image("main_nr.png");
    if (image_width(m_background) == 0) {
        tellMissingSkinPicture("main_nr.png");
        return false;
    }
    const QRegion outline = region_from_mask(load_skin_image("main_mask.png"));
    setFixedSize(image_size(m_background));
    shapeSkinnedWindow(this, m_buffer, outline);
    placeWindow();
    createButtons();
    createKeyboardView();
    createLightingPage();
    m_edits
        = new EditCommands(this, *m_session, {m_buttons[Profile1], m_buttons[Profile2], m_buttons[Profile3]}, m_led);
    setUpTabOrder();
    return true;
}

void CKavrelDlg::placeWindow()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    auto centred = [](int full, int size) {
        const int position = (full - size) / 2;
        return position <= 0 || position >= full ? 10 : position;
    };
    move(area.x() + centred(area.width(), width()), area.y() + centred(area.height(), height()));
}

void CKavrelDlg::createKeyboardView()
{
    m_view = new CKBColorDlg(this);
    if (!m_view->loadKeyImage())
        tellMissingSkinPicture("keyimg.png");
    m_view->setKeyColors(Cfg.ClrKeyOv, Cfg.ClrKeyDn, Cfg.ClrKeyHasFunc);
    std::array<Rect, KeyTableSize> rects{};
    const int count = std::clamp(KeyCount, 0, KeyTableSize);
    for (int i = 0; i < count; ++i)
        rects[i] = KeyTable[i].rect;
    m_view->setKeyRects(std::span<const Rect>(rects.data(), std::size_t(count)));
    const QRect area = rectOf(Cfg.rcKB);
    m_view->setBackground(m_background, area);
    m_view->setAccessibleName(text("tc_msg23"));
    m_view->setKeyDescriber([](int index) { return describeKeyOfCurrentProfile(index); });
    m_view->setGeometry(area);
    const UnRectOutline& shape = Cfg.UnRectKey;
    if (shape.present && shape.matrixIndex != 0) {
        for (int i = 0; i < count; ++i)
            if (KeyTable[i].matrixIndex == shape.matrixIndex)
                m_view->setShapedKey(i, shape.points);
    }
    m_view->show();
}

void CKavrelDlg::createLightingPage()
{
    m_led = new CLedDlg(this, m_view);
    m_led->setObjectName("lightingPage");
    m_led->setGeometry(rectOf(Cfg.rcLED));
    m_led->show();
}

void CKavrelDlg::showBalloon(const QString& message)
{
    settleTray();
    if (m_tray)
        m_tray->showBalloon(message);
}

void CKavrelDlg::openWindow()
{
    if (m_ended)
        return;
    if (!devicePresent()) {
        showBalloon(text("tc_msg15"));
        if (Cfg.Suwnd == 0)
            return;
    }
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    reloadProfiles();
    m_shown = true;
    show();
    prepareBackingStore(this);
    raise();
    activateWindow();
}

void CKavrelDlg::setVisible(bool visible)
{
    // Until it has been opened once, a window that starts in the tray stays hidden.
    if (visible && (!m_shown || m_ended))
        return;
    QWidget::setVisible(visible);
}

void CKavrelDlg::reloadProfiles()
{
    const QString damaged = m_session->load();
    if (!damaged.isEmpty())
        tell(damaged);
}

void CKavrelDlg::switchToProfile(std::uint32_t id)
{
    m_session->makeCurrent(id);
}

void CKavrelDlg::showCurrentProfile()
{
    const std::uint32_t id = m_session->currentId();
    for (int i = 0; i < 3; ++i)
        if (CPngBtn* button = m_buttons[Profile1 + i])
            button->set_checked(m_session->buttonProfiles()[std::size_t(i)] == id && id != 0 ? 1 : 0);
    refreshPages();
}

void CKavrelDlg::refreshPages()
{
    refreshKeyboardView();
    if (m_led && CurrentProfile)
        m_led->showProfile(*CurrentProfile);
    emit pagesRefreshed();
}

void CKavrelDlg::refreshKeyboardView()
{
    if (!m_view || !CurrentProfile)
        return;
    const PROFILE& profile = *CurrentProfile;
    const int count = std::clamp(KeyCount, 0, KeyTableSize);
    for (int i = 0; i < count; ++i)
        m_view->setHasFunction(i, keyDiffersFromDefault(profile.keys[i], KeyTable[i]));
    m_view->setAllColors(
        profile.ledMode == PerKeyLedMode ? keyColorsOfSet(profile, profile.colorSet) : KeyColorArray{});
}

void CKavrelDlg::handleKeyClick(int key)
{
    if (!CurrentProfile || key >= KeyTableSize)
        return;
    emit keyClicked(key);
    const int index = key < 0 ? m_view->selectedKey() : key;
    if (index < 0)
        return;
    // The picker's result lands in the profile it was opened for, whatever became current meanwhile.
    const std::uint32_t profileId = CurrentProfile->id;
    const PROFILE& profile = *CurrentProfile;
    KEYINFO info = profile.keys[index];
    CKeyFunPickDlg picker(this, info, QString::fromStdString(keyinfo_to_text(info)));
    picker.setKeyIndex(index);
    picker.setColourMode(int(profile.ledMode) == Cfg.GaoshouIndex && (profile.colorSet == 8 || profile.colorSet == 9));
    if (picker.exec() != QDialog::Accepted || m_session->currentId() != profileId)
        return;
    if (picker.resultKind() == CKeyFunPickDlg::ResultColour)
        storeKeyColour(key, picker.resultColour());
    else
        storeKeyAssignment(index, info);
}

void CKavrelDlg::storeKeyColour(int key, std::uint32_t colour)
{
    if (!m_view || key >= KeyTableSize)
        return;
    m_view->setKeyColor(key, colour);
    if (m_led)
        m_led->storeIntoProfile();
    m_session->recordEdit(ProfileEdit::KeyColour, ApplyKeyColors);
    emit keyColourStored();
    if (Cfg.ApplyNow)
        RequestApply(ApplyKeyColors);
}

bool CKavrelDlg::storeKeyAssignment(int key, const KEYINFO& info)
{
    if (!m_view || m_view->selectedKey() < 0 || !m_session->assignKey(m_session->currentId(), key, info))
        return false;
    m_view->setHasFunction(key, keyDiffersFromDefault(CurrentProfile->keys[key], KeyTable[std::size_t(key)]));
    if (Cfg.ApplyNow)
        RequestApply(ApplyMatrixAndMacros);
    return true;
}

void CKavrelDlg::onButton(CPngBtn* button)
{
    close_menu();
    if (button == m_buttons[Minimise])
        showMinimized();
    else if (button == m_buttons[Exit] || button == m_buttons[Cancel])
        exitOrHide();
    else if (button == m_buttons[Apply] || button == m_buttons[Ok])
        applyAndSave(button == m_buttons[Ok]);
    else if (button == m_buttons[Restore])
        restoreDefaults();
    else if (button == m_buttons[Macro])
        runMacroPage();
    for (int i = 0; i < 3; ++i)
        if (button == m_buttons[Profile1 + i])
            switchToProfile(m_session->buttonProfiles()[std::size_t(i)]);
}

// The macro page runs modally over the main window; keys whose macro it
// deleted got their defaults back, so the view is redrawn from the profile.
void CKavrelDlg::runMacroPage()
{
    emit macroPageRequested();
    CMacroDlg page(this, [this](const std::vector<int>& keys) {
        if (!keys.empty()) // keys whose macro was deleted: an older step would bring back a key that plays nothing
            m_session->endHistory();
        refreshKeyboardView();
    });
    page.exec();
    {
        // The picker offers what the page left in the library.
        std::lock_guard lock(ApplyDataMutex());
        ReloadMacroLibrary();
    }
    refreshKeyboardView();
}

void CKavrelDlg::exitOrHide()
{
    settleTray(); // hiding needs a tray to come back from
    if (m_trayMode == 1 || m_trayMode == 3) {
        // Edits not applied go now: automatic switching must not write them while the window is hidden.
        m_session->discardEdits();
        hide();
        emit windowEnded();
        return;
    }
    endWindow();
}

void CKavrelDlg::tell(const QString& message)
{
    show_message_text(this, message);
}

void CKavrelDlg::applyAndSave(bool ok)
{
    if (!devicePresent() && Cfg.GoWithNoDev == 0) {
        show_message(this, "tc_msg15");
        return;
    }
    if (m_session->deviceCount() > 1) {
        show_message(this, "tc_msg11");
        return;
    }
    const bool applied = runApplyProgress();
    const std::optional<QString> saveFailure = m_session->save();
    if (saveFailure)
        tell(*saveFailure);
    // OK ends only after both: otherwise the window stays, and with it the box that says what failed.
    if (ok && applied && !saveFailure)
        exitOrHide();
}

bool CKavrelDlg::runApplyProgress()
{
    CProgressDlg progress(this);
    const QString skins = QString::fromStdString(SkinsFolder());
    progress.setPictures(skins + "progress_nr.png", skins + "progress_ov.png");
    progress.setBarRect(ProgressBarRect);
    progress.setText(text("tc_msg12"), ProgressTextRect);
    progress.setRange(0, 100);
    progress.setPos(0);
    // The worker closes the dialog when the apply is over; until then the window waits here, answering paints.
    RequestApply(ApplyAll, QueuedApplyProgress::create(&progress));
    progress.exec();
    // A dialog closed by its own button leaves the apply running: wait for its outcome, still answering events.
    while (!progress.applyOutcome())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return *progress.applyOutcome();
}

void CKavrelDlg::restoreDefaults()
{
    if (ask_question_default_no(this, "tc_msg5") != QDialog::Accepted)
        return;
    m_session->restoreDefaults(); // applied at once, when edits are, as every session change is
}

void CKavrelDlg::keyboardRemoved()
{
    if (m_trayMode == 1)
        hide();
    else
        showBalloon(text("tc_msg15"));
}

bool CKavrelDlg::mayInterrupt() const
{
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return false;
    // Plain message boxes the worker queued have no owner: every open dialog counts.
    const auto windows = QApplication::topLevelWidgets();
    return std::none_of(windows.begin(), windows.end(),
        [](const QWidget* window) { return window->isVisible() && qobject_cast<const QDialog*>(window); });
}

bool CKavrelDlg::event(QEvent* event)
{
    if (const WindowMessageEvent* message = asWindowMessage(event)) {
        switch (message->message()) {
        case MsgTrayIcon:
            if (message->lParam() == MouseLeftDoubleClick)
                openWindow();
            else if (message->lParam() == MouseRightUp && m_tray)
                m_tray->popupMenu();
            return true;
        case MsgKeyClicked:
            handleKeyClick(int(message->wParam()));
            return true;
        default:
            break;
        }
    }
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Ctrl+Enter is the Apply shortcut; Enter alone stays swallowed.
        if (isSwallowedKey(key->key()) && !(key->modifiers() & Qt::ControlModifier)) {
            key->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void CKavrelDlg::paintEvent(QPaintEvent*)
{
    if (!m_firstPaintDone) {
        m_firstPaintDone = true;
        QMetaObject::invokeMethod(this, &CKavrelDlg::afterFirstPaint, Qt::QueuedConnection);
    }
    QPainter painter(&m_buffer.begin(size()));
    painter.fillRect(rect(), colorOfArgb(BackgroundArgb));
    painter.drawImage(rect(), m_background);
    painter.setFont(m_font);
    painter.setPen(colorOfColorRef(Cfg.Txt_clr));
    drawSkinText(painter, VersionTextRect, text("tc_version"), StandardTextFormat);
    if (m_view) {
        const QRect hint(m_view->geometry().left() + 4, m_view->geometry().bottom() + 1 + 5, HintTextSize.width(),
            HintTextSize.height());
        drawSkinText(painter, hint, text("tc_msg23"), StandardTextFormat);
    }
    painter.end();
    m_buffer.copyTo(this);
}

void CKavrelDlg::mousePressEvent(QMouseEvent* event)
{
    close_menu();
    if (event->button() == Qt::LeftButton && windowHandle())
        windowHandle()->startSystemMove();
    event->accept();
}

void CKavrelDlg::keyPressEvent(QKeyEvent* event)
{
    if (isSwallowedKey(event->key())) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CKavrelDlg::keyReleaseEvent(QKeyEvent* event)
{
    if (isSwallowedKey(event->key())) {
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void CKavrelDlg::closeEvent(QCloseEvent* event)
{
    // A close from the window manager is WM_CLOSE: the program ends.
    event->accept();
    if (!m_ended)
        endWindow();
}

} // namespace kavrel
