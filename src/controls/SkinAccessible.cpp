#include "controls/SkinAccessible.h"

#include "controls/CComboBtn.h"
#include "controls/CPngBtn.h"
#include "controls/CPngSliderBar.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace kavrel {
namespace {

QAccessible::Role roleOf(CPngBtn::AccessibleKind kind)
{
    switch (kind) {
    case CPngBtn::AccessibleKind::CheckBox:
        return QAccessible::CheckBox;
    case CPngBtn::AccessibleKind::RadioButton:
        return QAccessible::RadioButton;
    case CPngBtn::AccessibleKind::ComboBox:
        return QAccessible::ComboBox;
    case CPngBtn::AccessibleKind::Label:
        return QAccessible::StaticText;
    case CPngBtn::AccessibleKind::Button:
        break;
    }
    return QAccessible::Button;
}

class ButtonAccessible : public QAccessibleWidget {
public:
    explicit ButtonAccessible(CPngBtn* button)
        : QAccessibleWidget(button, roleOf(button->accessibleKind()))
    {
    }

    CPngBtn* button() const { return static_cast<CPngBtn*>(widget()); }

    // The kind as it is now: an owner may set it after the interface was first made.
    QAccessible::Role role() const override { return roleOf(button()->accessibleKind()); }

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name)
            return QAccessibleWidget::text(kind);
        if (!button()->accessibleName().isEmpty())
            return button()->accessibleName();
        if (!button()->buttonText().isEmpty())
            return button()->buttonText();
        return button()->toolTip();
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const QAccessible::Role role = this->role();
        if (role == QAccessible::CheckBox || role == QAccessible::RadioButton) {
            state.checkable = true;
            state.checked = button()->isChecked();
        }
        state.pressed = button()->isDown();
        return state;
    }

    QStringList actionNames() const override
    {
        return button()->isEnabled() ? QStringList{pressAction()} : QStringList{};
    }

    void doAction(const QString& action) override
    {
        if (action == pressAction() && button()->isEnabled())
            button()->click();
    }
};

class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(CPngSliderBar* track)
        : QAccessibleWidget(track, QAccessible::Slider)
    {
    }

    CPngSliderBar* track() const { return static_cast<CPngSliderBar*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return QString::number(track()->thumb().index());
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return track()->thumb().index(); }
    void setCurrentValue(const QVariant& value) override { track()->stepTo(value.toInt()); }
    QVariant maximumValue() const override { return track()->thumb().maximum(); }
    QVariant minimumValue() const override { return track()->thumb().minimum(); }
    QVariant minimumStepSize() const override { return 1; }
};

QAccessibleInterface* skinControlFactory(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("kavrel::CPngBtn") || className == QLatin1String("kavrel::CComboBtn"))
        return new ButtonAccessible(static_cast<CPngBtn*>(object));
    if (className == QLatin1String("kavrel::CPngSliderBar"))
        return new SliderAccessible(static_cast<CPngSliderBar*>(object));
    return nullptr;
}

} // namespace

void installSkinAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(skinControlFactory);
        return true;
    }();
    (void)installed;
}

} // namespace kavrel
