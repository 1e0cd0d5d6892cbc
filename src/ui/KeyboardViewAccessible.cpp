#include "ui/KeyboardViewAccessible.h"

#include "ui/CKBColorDlg.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

#include <vector>

namespace kavrel {
namespace {

class KeyAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    KeyAccessible(CKBColorDlg* view, int index)
        : m_view(view)
        , m_index(index)
    {
    }

    bool isValid() const override { return m_view && m_index < m_view->keyCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_view.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override { }
    QAccessible::Role role() const override { return QAccessible::Button; }

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return {};
        if (kind == QAccessible::Name)
            return m_view->accessibleKeyName(m_index);
        return {};
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect key = m_view->keyRect(m_index);
        return QRect(m_view->mapToGlobal(key.topLeft()), key.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.focusable = true;
        state.focused = m_view->hasFocus() && m_view->focusKey() == m_index;
        state.selected = m_view->selectedKey() == m_index;
        state.invisible = !m_view->isVisible();
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
    void doAction(const QString& action) override
    {
        if (!isValid())
            return;
        if (action == pressAction())
            m_view->pressKey(m_index);
        else if (action == setFocusAction())
            m_view->setFocusKey(m_index);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<CKBColorDlg> m_view;
    int m_index;
};

class KeyboardViewAccessibleWidget : public QAccessibleWidget {
public:
    explicit KeyboardViewAccessibleWidget(CKBColorDlg* view)
        : QAccessibleWidget(view, QAccessible::List)
    {
    }
    ~KeyboardViewAccessibleWidget() override
    {
        for (QAccessible::Id id : m_children)
            if (id != 0)
                QAccessible::deleteAccessibleInterface(id);
    }

    CKBColorDlg* view() const { return static_cast<CKBColorDlg*>(widget()); }

    int childCount() const override { return view()->keyCount(); }

    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (std::size_t(index) >= m_children.size())
            m_children.resize(std::size_t(index) + 1, 0);
        QAccessible::Id& id = m_children[std::size_t(index)];
        if (id == 0)
            id = QAccessible::registerAccessibleInterface(new KeyAccessible(view(), index));
        return QAccessible::accessibleInterface(id);
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (std::size_t i = 0; i < m_children.size(); ++i)
            if (m_children[i] != 0 && QAccessible::accessibleInterface(m_children[i]) == child)
                return int(i);
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const int key = view()->hitTest(view()->mapFromGlobal(QPoint(x, y)));
        return key == CKBColorDlg::NoKey ? nullptr : child(key);
    }

    QAccessibleInterface* focusChild() const override
    {
        if (!view()->hasFocus() || view()->focusKey() == CKBColorDlg::NoKey)
            return nullptr;
        return child(view()->focusKey());
    }

private:
    mutable std::vector<QAccessible::Id> m_children;
};

QAccessibleInterface* keyboardViewFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("kavrel::CKBColorDlg") && object && object->isWidgetType())
        return new KeyboardViewAccessibleWidget(static_cast<CKBColorDlg*>(object));
    return nullptr;
}

} // namespace

void installKeyboardViewAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(keyboardViewFactory);
        return true;
    }();
    (void)installed;
}

} // namespace kavrel
