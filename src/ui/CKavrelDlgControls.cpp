// The main window's buttons, their keyboard shortcuts and its tab order.

#include "ui/CKavrelDlg.h"

#include "app/Config.h"
#include "app/Texts.h"
#include "controls/ButtonFactory.h"
#include "controls/CPngBtn.h"
#include "ui/CKBColorDlg.h"
#include "ui/CLedDlg.h"
#include "ui/WindowBasics.h"

#include <QKeySequence>
#include <QShortcut>

#include <utility>
#include <vector>

namespace kavrel {

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
    createShortcuts();
}

void CKavrelDlg::setUpTabOrder()
{
    // The keyboard picture first (it has the focus when the window opens), then the profiles and the
    // pages, the lighting controls, the OK/Cancel/Apply row and the window's own buttons.
    std::vector<QWidget*> order{m_view};
    for (const Button which : {Profile1, Profile2, Profile3, Macro, Restore})
        order.push_back(m_buttons[which]);
    if (m_led)
        for (const char* name : {"ledCheck", "ledMode", "ledColorSet", "ledSpeed", "ledBrightness"})
            order.push_back(m_led->findChild<QWidget*>(name));
    for (const Button which : {Ok, Cancel, Apply, Minimise, Exit})
        order.push_back(m_buttons[which]);
    std::erase(order, nullptr);
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    if (m_view)
        m_view->setFocus(Qt::OtherFocusReason);
}

void CKavrelDlg::createShortcuts()
{
    // Each presses its button, so it does exactly what a click does; the button's tooltip names it.
    const std::pair<Button, QKeySequence> shortcuts[] = {
        {Profile1, QKeySequence(Qt::ALT | Qt::Key_1)},
        {Profile2, QKeySequence(Qt::ALT | Qt::Key_2)},
        {Profile3, QKeySequence(Qt::ALT | Qt::Key_3)},
        {Macro, QKeySequence(Qt::CTRL | Qt::Key_M)},
        {Apply, QKeySequence(Qt::CTRL | Qt::Key_Return)},
        {Apply, QKeySequence(Qt::CTRL | Qt::Key_Enter)},
    };
    for (const auto& [which, keys] : shortcuts) {
        CPngBtn* button = m_buttons[which];
        if (!button)
            continue;
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isVisible() && button->isEnabled())
                button->click();
        });
        // Named by the one Enter key, not twice; the profile buttons' tooltips are their names' (EditCommands).
        if (keys[0].key() != Qt::Key_Return && (which < Profile1 || which > Profile3))
            button->setToolTip(button->buttonText() + " (" + keys.toString(QKeySequence::NativeText) + ")");
    }
}

} // namespace kavrel
