#include "ui/CKavrelDlg.h"

#include "app/Config.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/ButtonFactory.h"
#include "controls/CPngBtn.h"
#include "controls/SkinImage.h"
#include "controls/SkinMenu.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"
#include "controls/WindowShape.h"
#include "device/ApplyWorker.h"
#include "device/DeviceNoticeHandler.h"
#include "macro/KeyLabel.h"
#include "macro/MacroCatalog.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"
#include "model/Lists.h"
#include "model/ProfileStore.h"
#include "platform/HotplugMonitor.h"
#include "platform/MessageBox.h"
#include "platform/ProcessSnapshot.h"
#include "ui/CKBColorDlg.h"
#include "ui/CKeyFunPickDlg.h"
#include "ui/CLedDlg.h"
#include "ui/CMacroDlg.h"
#include "ui/CMsgDlg.h"
#include "ui/CProgressDlg.h"
#include "ui/KeyColorSets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QWindow>

#include <cerrno>
#include <cstring>

namespace kavrel {
namespace {

constexpr std::uint32_t PerKeyLedMode = 3;

std::optional<bool>& trayOverride()
{
    static std::optional<bool> available;
    return available;
}

bool systemTrayAvailable()
{
    return trayOverride().value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

QString text(std::string_view key)
{
    return QString::fromStdString(Text(key));
}

QRect rectOf(const Rect& r)
{
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

QPoint pointOf(const Point& p)
{
    return {p.x, p.y};
}

// The icon built into the program, for a missing appico.ico: a key cap with a K.
QIcon builtInIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x2B, 0x30, 0x36));
    painter.setPen(QPen(QColor(0xE0, 0x3C, 0x31), 2));
    painter.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
    painter.setPen(Qt::white);
    painter.setFont(shellDlgFont(20, 700));
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, "K");
    painter.end();
    return QIcon(pixmap);
}

// Keys a skinned window swallows so that they neither close it nor press a button.
bool isSwallowedKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape || key == Qt::Key_Space
        || key == Qt::Key_F1;
}

PROFILE* findProfile(std::uint32_t id)
{
    for (PROFILE& profile : ProfileList)
        if (profile.id == id)
            return &profile;
    return nullptr;
}

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
    trayOverride() = available;
}

CKavrelDlg::CKavrelDlg(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName("mainWindow");
    setAttribute(Qt::WA_TranslucentBackground);
    prepareSkinnedWidget(this, false);
    const bool trayMode = Cfg.TrayIcon == 1 || Cfg.TrayIcon == 3;
    m_trayMode = trayMode && systemTrayAvailable() ? Cfg.TrayIcon : 2;
    if (trayMode && m_trayMode == 2)
        WriteLog(
            "No system tray: TrayIcon=%d acts as 2, the window shows and Exit ends the program", int(Cfg.TrayIcon));
    m_shown = m_trayMode != 1;
    if (const auto& font = applicationSkinFont())
        m_font = *font;
    else
        m_font = shellDlgFont(14);
    m_processes = std::make_unique<platform::ProcessWalker>();
    m_switchTimer.setInterval(SwitchPeriodMs);
    connect(&m_switchTimer, &QTimer::timeout, this, &CKavrelDlg::autoSwitchTick);
}

CKavrelDlg::~CKavrelDlg()
{
    // The worker reads the lists and the device link: it is stopped and joined before either goes.
    m_switchTimer.stop();
    StopApplyWorker();
    {
        std::lock_guard lock(ApplyDataMutex());
        CurrentProfile = nullptr;
        ProfileList.clear();
        MacroList.clear();
    }
    if (m_tray) {
        m_tray->hide();
        delete m_tray;
        m_tray = nullptr;
    }
    delete m_trayMenu;
    delete m_hotplugNotifier;
    m_hotplugNotifier = nullptr;
    m_hotplug.reset();
}

bool CKavrelDlg::initialise()
{
    if (m_initialised)
        return !m_ended;
    m_initialised = true;
    loadIcon();
    if (!loadSkin()) {
        endWindow();
        return false;
    }
    setWindowTitle(text("tc_title"));
    startHotplug();
    m_switchTimer.start();
    m_link.Init();
    const bool found = m_link.FindDev();
    if (!found && Cfg.Suwnd == 0) {
        show_message(this, "tc_msg15");
        endWindow();
        return false;
    }
    if (m_link.CountDevices() > 1)
        show_message(this, "tc_msg11");
    // A failed apply reports through plain boxes; the window program's box handler queues them to this
    // thread, so the worker never waits for the user.
    StartApplyWorker(m_link, platform::directMessageSink());
    m_workerStarted = true;
    {
        std::lock_guard lock(ApplyDataMutex());
        ReloadMacroLibrary();
    }
    if (m_trayMode == 1 || m_trayMode == 3)
        createTray();
    if (m_shown)
        openWindow();
    return !m_ended;
}

int CKavrelDlg::exec()
{
    if (!initialise() || m_ended)
        return 0;
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
    return 0;
}

void CKavrelDlg::endWindow()
{
    m_ended = true;
    m_switchTimer.stop();
    QWidget::setVisible(false);
    if (m_loop)
        m_loop->exit(0);
    emit windowEnded();
}

void CKavrelDlg::loadIcon()
{
    const QString path = QString::fromStdString(ProgramFolder()) + "appico.ico";
    m_icon = QIcon(path);
    if (m_icon.isNull() || m_icon.availableSizes().isEmpty()) {
        WriteLog("Load Icon err=%x", unsigned(ENOENT));
        m_icon = builtInIcon();
    }
    setWindowIcon(m_icon);
}

bool CKavrelDlg::loadSkin()
{
    m_background = load_skin_image("main_nr.png");
    if (image_width(m_background) == 0) {
        platform::showMessageBox("Error", "Load skins failed.", platform::BoxIcon::Error);
        return false;
    }
    const QRegion outline = region_from_mask(load_skin_image("main_mask.png"));
    setFixedSize(image_size(m_background));
    shapeSkinnedWindow(this, m_buffer, outline);
    placeWindow();
    createButtons();
    createKeyboardView();
    createLightingPage();
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

void CKavrelDlg::createButtons()
{
    const ButtonFiles corner[]
        = {{"min_nr.png", "min_ov.png", "min_ov.png"}, {"exit_nr.png", "exit_ov.png", "exit_ov.png"}};
    const ButtonFiles page{"button_nr.png", "button_nr.png", "button_dn.png"};
    const ButtonFiles command{"btn_nr.png", "btn_ov.png", "btn_nr.png"};
    const QPoint profile = pointOf(Cfg.ptProfile);
    const QPoint applyRow = pointOf(Cfg.ptApplyBtn);
    struct Place {
        Button which;
        QPoint at;
        const ButtonFiles& files;
        int latching;
        QString caption;
        const char* name;
    };
    const QString profileTitle = text("tc_protitle");
    const Place places[] = {
        {Minimise, pointOf(Cfg.ptMin), corner[0], 0, {}, "minimiseButton"},
        {Exit, pointOf(Cfg.ptExit), corner[1], 0, {}, "exitButton"},
        {Profile1, profile, page, 1, QString("%1 1").arg(profileTitle), "profile1Button"},
        {Profile2, profile + QPoint(0, ProfileButtonStep), page, 1, QString("%1 2").arg(profileTitle),
            "profile2Button"},
        {Profile3, profile + QPoint(0, 2 * ProfileButtonStep), page, 1, QString("%1 3").arg(profileTitle),
            "profile3Button"},
        {Macro, pointOf(Cfg.ptMacro), page, 1, text("tc_page2"), "macroButton"},
        {Restore, RestorePosition, page, 1, text("tc_restore"), "restoreButton"},
        {Ok, applyRow, command, 0, text("tc_ok"), "okButton"},
        {Cancel, applyRow + QPoint(ApplyRowStep, 0), command, 0, text("tc_cancel"), "cancelButton"},
        {Apply, applyRow + QPoint(2 * ApplyRowStep, 0), command, 0, text("tc_apply"), "applyButton"},
    };
    for (const Place& place : places) {
        CPngBtn* button = create_skin_button(
            this, QRect(place.at, QSize()), place.files, &m_background, place.latching, place.caption, Cfg.BtnTips);
        if (!button)
            continue;
        button->setObjectName(place.name);
        if (place.which >= Profile1 && place.which <= Profile3)
            button->setAccessibleKind(CPngBtn::AccessibleKind::RadioButton);
        else if (place.which == Minimise)
            button->setAccessibleName(text("tc_minimise"));
        else if (place.which == Exit)
            button->setAccessibleName(text("tc_exit"));
        connect(button, &CPngBtn::command, this, &CKavrelDlg::onButton);
        m_buttons[place.which] = button;
    }
}

void CKavrelDlg::createKeyboardView()
{
    m_view = new CKBColorDlg(this);
    m_view->loadKeyImage();
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

void CKavrelDlg::startHotplug()
{
    m_hotplug = std::make_unique<platform::HotplugMonitor>();
    if (!m_hotplug->start()) {
        WriteLog("Device notices unavailable: no hot-plug");
        return;
    }
    m_hotplugNotifier = new QSocketNotifier(m_hotplug->fd(), QSocketNotifier::Read, this);
    connect(m_hotplugNotifier, &QSocketNotifier::activated, this, [this] {
        while (auto notice = m_hotplug->read())
            deviceNotice(notice->event, notice->path);
    });
}

void CKavrelDlg::createTray()
{
    m_tray = new QSystemTrayIcon(m_icon);
    m_tray->setToolTip(text("tc_title").left(127));
    m_trayMenu = new QMenu;
    m_trayMenu->addAction(
        text("tc_config"), this, [this] { sendWindowMessage(this, MsgTrayIcon, 0, MouseLeftDoubleClick); });
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(text("tc_exit"), this, &CKavrelDlg::endWindow);
    m_tray->setContextMenu(m_trayMenu);
    // Many trays never send a double click: a single activation opens the window too.
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
            postWindowMessage(this, MsgTrayIcon, 0, MouseLeftDoubleClick);
    });
    m_tray->show();
}

void CKavrelDlg::handleTrayMessage(std::intptr_t mouseMessage)
{
    if (mouseMessage == MouseLeftDoubleClick)
        openWindow();
    else if (mouseMessage == MouseRightUp && m_trayMenu)
        m_trayMenu->popup(QCursor::pos());
}

void CKavrelDlg::showBalloon(const QString& message)
{
    if (!m_tray)
        return;
    m_lastBalloon = message;
    m_tray->showMessage("Info", message, QSystemTrayIcon::Information);
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
    std::uint32_t current = 0;
    {
        std::lock_guard lock(ApplyDataMutex());
        OpenStore();
        for (std::size_t i = 0; i < m_profileIds.size(); ++i)
            m_profileIds[i] = 0;
        int index = 0;
        for (const PROFILE& profile : ProfileList) {
            if (index >= 3)
                break;
            m_profileIds[std::size_t(index++)] = profile.id;
        }
        current = CurrentProfile ? CurrentProfile->id : 0;
    }
    switchToProfile(current);
}

void CKavrelDlg::switchToProfile(std::uint32_t id)
{
    {
        std::lock_guard lock(ApplyDataMutex());
        PROFILE* profile = findProfile(id);
        if (!profile)
            return;
        CurrentProfile = profile;
    }
    for (int i = 0; i < 3; ++i) {
        CPngBtn* button = m_buttons[Profile1 + i];
        if (!button)
            continue;
        button->set_checked(m_profileIds[std::size_t(i)] == id ? 1 : 0);
    }
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
    const PROFILE& profile = *CurrentProfile;
    KEYINFO info = profile.keys[index];
    CKeyFunPickDlg picker(this, info, QString::fromStdString(keyinfo_to_text(info)));
    picker.setKeyIndex(index);
    picker.setColourMode(int(profile.ledMode) == Cfg.GaoshouIndex && (profile.colorSet == 8 || profile.colorSet == 9));
    if (picker.exec() != QDialog::Accepted)
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
    emit keyColourStored();
    if (Cfg.ApplyNow)
        RequestApply(ApplyKeyColors);
}

bool CKavrelDlg::storeKeyAssignment(int key, const KEYINFO& info)
{
    if (!m_view || key < 0 || key >= KeyTableSize)
        return false;
    {
        std::lock_guard lock(ApplyDataMutex());
        if (!CurrentProfile || CurrentProfile->id == 0 || m_view->selectedKey() < 0)
            return false;
        KEYINFO& stored = CurrentProfile->keys[key];
        if (stored.kind == KindKey && info.kind == KindKey && stored.modifiers == info.modifiers
            && stored.key1 == info.key1 && stored.key2 == info.key2)
            return false;
        KEYINFO updated = info;
        updated.rect = KeyTable[key].rect;
        updated.matrixIndex = KeyTable[key].matrixIndex;
        stored = updated;
        m_view->setHasFunction(key, keyDiffersFromDefault(stored, KeyTable[key]));
    }
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
            switchToProfile(m_profileIds[std::size_t(i)]);
}

// The macro page runs modally over the main window; keys whose macro it
// deleted got their defaults back, so the view is redrawn from the profile.
void CKavrelDlg::runMacroPage()
{
    emit macroPageRequested();
    CMacroDlg page(this, [this](const std::vector<int>&) { refreshKeyboardView(); });
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
    if (m_trayMode == 1 || m_trayMode == 3) {
        hide();
        emit windowEnded();
        return;
    }
    endWindow();
}

void CKavrelDlg::applyAndSave(bool ok)
{
    if (!devicePresent() && Cfg.GoWithNoDev == 0) {
        show_message(this, "tc_msg15");
        return;
    }
    if (m_link.CountDevices() > 1) {
        show_message(this, "tc_msg11");
        return;
    }
    runApplyProgress();
    {
        std::lock_guard lock(ApplyDataMutex());
        SaveProfiles();
        SaveCurrentId();
    }
    if (ok)
        exitOrHide();
}

void CKavrelDlg::runApplyProgress()
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
}

void CKavrelDlg::restoreDefaults()
{
    if (ask_question(this, "tc_msg5") != QDialog::Accepted)
        return;
    {
        std::lock_guard lock(ApplyDataMutex());
        if (!CurrentProfile)
            return;
        ResetProfile(*CurrentProfile);
    }
    refreshPages();
    if (Cfg.ApplyNow)
        RequestApply(ApplyAll);
}

void CKavrelDlg::deviceNotice(unsigned event, const std::string& path)
{
    if (!DevicePathMatches(path, DevicePathPattern()))
        return;
    if (event == platform::DeviceArrival) {
        WriteLog("Device IN");
        tryFindDevAfterArrival(ArrivalAttempts);
        return;
    }
    if (HandleDeviceNotice(m_link, event, path) != NoticeOutcome::Removed)
        return;
    if (m_trayMode == 1)
        hide();
    else
        showBalloon(text("tc_msg15"));
}

void CKavrelDlg::tryFindDevAfterArrival(int attemptsLeft)
{
    // The keyboard's collections appear a moment after the USB device: three tries 100 ms apart, each on a
    // timer so the window keeps answering meanwhile.
    if (attemptsLeft <= 0)
        return;
    QTimer::singleShot(ArrivalRetryDelay, this, [this, attemptsLeft] {
        if (!m_link.FindDev())
            tryFindDevAfterArrival(attemptsLeft - 1);
    });
}

void CKavrelDlg::autoSwitchTick()
{
    if (!devicePresent() || m_autoSwitchPending)
        return;
    std::optional<platform::ProcessSnapshot> snapshot;
    const PROFILE* match = nullptr;
    for (const PROFILE& profile : ProfileList) {
        const std::string program = profileProgramName(profile);
        if (program.empty())
            continue;
        if (!snapshot)
            snapshot = m_processes->walk();
        if (snapshot->anyNameContains(program)) {
            match = &profile;
            break;
        }
    }
    if (!match || match == CurrentProfile)
        return;
    // The switch is written by the apply worker, so it never interleaves with another apply; the profile
    // becomes current only once the keyboard has it.
    m_autoSwitchPending = true;
    const std::uint32_t id = match->id;
    QPointer<CKavrelDlg> self(this);
    RequestProfileApply(*match, ApplyAll, [self, id](bool applied) {
        QMetaObject::invokeMethod(
            qApp,
            [self, id, applied] {
                if (self)
                    self->finishAutoSwitch(id, applied);
            },
            Qt::QueuedConnection);
    });
}

void CKavrelDlg::finishAutoSwitch(std::uint32_t id, bool applied)
{
    m_autoSwitchPending = false;
    if (!applied)
        return; // the next tick tries again: the profile is still not current
    if (isVisible()) {
        switchToProfile(id);
    } else {
        std::lock_guard lock(ApplyDataMutex());
        if (PROFILE* profile = findProfile(id))
            CurrentProfile = profile;
        else
            return;
    }
    std::lock_guard lock(ApplyDataMutex());
    if (CurrentProfile && CurrentProfile->id == id)
        SaveCurrentId();
}

bool CKavrelDlg::event(QEvent* event)
{
    if (const WindowMessageEvent* message = asWindowMessage(event)) {
        switch (message->message()) {
        case MsgTrayIcon:
            handleTrayMessage(message->lParam());
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
        if (isSwallowedKey(key->key())) {
            key->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void CKavrelDlg::paintEvent(QPaintEvent*)
{
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
