#include "ControlAccessibility.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <utility>
#include <vector>

#include "Chk1.h"
#include "Cmd1.h"
#include "McToolBar.h"
#include "PPB.h"
#include "Txt.h"

namespace {

// The name a screen reader speaks: the one the window gave, else the control's own text, else
// its tooltip (a button that shows only a picture).
QString NameOr(const QWidget* widget, const QString& ownText, const QString& toolTip = {}) {
    if (!widget->accessibleName().isEmpty()) return widget->accessibleName();
    return ownText.isEmpty() ? toolTip : ownText;
}

class Cmd1Accessible : public QAccessibleWidget {
  public:
    explicit Cmd1Accessible(Cmd1* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return NameOr(widget(), Button()->Caption(), Button()->ToolTipText());
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction() && Button()->isEnabled()) Button()->Press();
    }

  private:
    Cmd1* Button() const { return static_cast<Cmd1*>(widget()); }
};

class Chk1Accessible : public QAccessibleWidget {
  public:
    explicit Chk1Accessible(Chk1* box) : QAccessibleWidget(box, QAccessible::CheckBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return NameOr(widget(), Box()->Caption());
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = Box()->Checked();
        return s;
    }
    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName == toggleAction() && Box()->isEnabled())
            Box()->setChecked(!Box()->Checked());
    }

  private:
    Chk1* Box() const { return static_cast<Chk1*>(widget()); }
};

// The box and the one editor it shows; the hidden editor holds the same text and is no place a
// user can reach.
class TxtAccessible : public QAccessibleWidget {
  public:
    explicit TxtAccessible(Txt* box) : QAccessibleWidget(box, QAccessible::EditableText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            const QString text = Box()->Text();
            // A password is spoken as the box shows it.
            if (Box()->PasswordChar().isEmpty()) return text;
            return QString(text.size(), Box()->PasswordChar().front());
        }
        if (t == QAccessible::Name) return Box()->AccessibleName();
        return QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text t, const QString& text) override {
        if (t == QAccessible::Value && !Box()->Locked()) Box()->setText(text);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !Box()->Locked();
        s.readOnly = Box()->Locked();
        s.multiLine = Box()->Style() == Txt::FieldStyle::MultiLine;
        s.passwordEdit = !Box()->PasswordChar().isEmpty();
        return s;
    }
    // Text and editing go through the editor that is shown, whose interfaces Qt provides.
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface || t == QAccessible::EditableTextInterface) {
            if (QAccessibleInterface* editor = Editor()) return editor->interface_cast(t);
        }
        return QAccessibleWidget::interface_cast(t);
    }
    int childCount() const override { return Editor() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? Editor() : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child == Editor() ? 0 : -1;
    }

  private:
    Txt* Box() const { return static_cast<Txt*>(widget()); }
    QAccessibleInterface* Editor() const {
        return QAccessible::queryAccessibleInterface(Box()->ShownField());
    }
};

class PPBAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit PPBAccessible(PPB* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return Bar()->LabelText();
        if (t == QAccessible::Name)
            return NameOr(widget(), QAccessibleWidget::text(t), Bar()->ToolTipText());
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return Bar()->ShownPercent(); }
    // The bar is shown by the program, never set by its user.
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

  private:
    PPB* Bar() const { return static_cast<PPB*>(widget()); }
};

// One drawn button of a toolbar.
class ToolBarButtonAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    ToolBarButtonAccessible(McToolBar* bar, int index) : bar_(bar), index_(index) {}

    bool isValid() const override { return bar_ && index_ < bar_->Button_Count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return Parent() ? Parent()->window() : nullptr; }
    QAccessibleInterface* parent() const override { return Parent(); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::Button; }

    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name) return bar_->CaptionOf(index_);
        if (t == QAccessible::Description) return bar_->ToolTipOf(index_);
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid()) return {};
        const QRect local(bar_->GetButtonLeft(index_), bar_->GetButtonTop(index_),
                          bar_->GetButtonWidth(index_), bar_->GetButtonHeight(index_));
        return local.translated(bar_->mapToGlobal(QPoint(0, 0)));
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const bool enabled = bar_->isEnabled() && bar_->IsButtonEnabled(index_);
        const bool current = bar_->Button_Index() == index_;
        s.disabled = !enabled;
        s.focusable = enabled;
        s.hotTracked = current;
        s.focused = current && bar_->hasFocus();
        s.pressed = bar_->IsButtonPressed(index_);
        s.invisible = !bar_->isVisible();
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction() && isValid()) bar_->ClickButton(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QAccessibleInterface* Parent() const {
        return bar_ ? QAccessible::queryAccessibleInterface(bar_.data()) : nullptr;
    }

    QPointer<McToolBar> bar_;
    int index_;
};

class McToolBarAccessible : public QAccessibleWidget {
  public:
    explicit McToolBarAccessible(McToolBar* bar) : QAccessibleWidget(bar, QAccessible::ToolBar) {}
    ~McToolBarAccessible() override {
        for (QAccessible::Id id : buttonIds_) QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return Bar()->Button_Count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        while (buttonIds_.size() <= static_cast<size_t>(index)) {
            const int next = static_cast<int>(buttonIds_.size());
            buttonIds_.push_back(
                QAccessible::registerAccessibleInterface(new ToolBarButtonAccessible(Bar(), next)));
        }
        return QAccessible::accessibleInterface(buttonIds_[static_cast<size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (size_t i = 0; i < buttonIds_.size(); ++i)
            if (QAccessible::accessibleInterface(buttonIds_[i]) == child &&
                static_cast<int>(i) < childCount())
                return static_cast<int>(i);
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i)
            if (child(i)->rect().contains(x, y)) return child(i);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        if (!Bar()->hasFocus() || Bar()->Button_Index() < 0) return nullptr;
        return child(Bar()->Button_Index());
    }

  private:
    McToolBar* Bar() const { return static_cast<McToolBar*>(widget()); }

    // Registered with the accessibility cache, which owns them until this interface goes.
    mutable std::vector<QAccessible::Id> buttonIds_;
};

QAccessibleInterface* ControlAccessibleFactory(const QString&, QObject* object) {
    // Asked once per class of the object's chain; answered for the most derived one only.
    if (auto* button = qobject_cast<Cmd1*>(object)) return new Cmd1Accessible(button);
    if (auto* box = qobject_cast<Chk1*>(object)) return new Chk1Accessible(box);
    if (auto* text = qobject_cast<Txt*>(object)) return new TxtAccessible(text);
    if (auto* bar = qobject_cast<PPB*>(object)) return new PPBAccessible(bar);
    if (auto* toolBar = qobject_cast<McToolBar*>(object)) return new McToolBarAccessible(toolBar);
    return nullptr;
}

}  // namespace

void InstallControlAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&ControlAccessibleFactory);
        return true;
    }();
    (void)installed;
}

namespace {

// Hands the event to the assistive tools, when any listens.
template <class Event, class... Args>
void Announce(Args&&... args) {
    if (!QAccessible::isActive()) return;
    Event event(std::forward<Args>(args)...);
    QAccessible::updateAccessibility(&event);
}

QAccessibleInterface* AccessibleToolBarButton(McToolBar* bar, int index) {
    if (!QAccessible::isActive() || index < 0) return nullptr;
    QAccessibleInterface* tools = QAccessible::queryAccessibleInterface(bar);
    return tools ? tools->child(index) : nullptr;
}

}  // namespace

void NotifyAccessibleName(QWidget* control) {
    Announce<QAccessibleEvent>(control, QAccessible::NameChanged);
}

void NotifyAccessibleValue(QWidget* control, const QVariant& value) {
    Announce<QAccessibleValueChangeEvent>(control, value);
}

void NotifyAccessibleChecked(QWidget* control) {
    QAccessible::State changed;
    changed.checked = true;
    Announce<QAccessibleStateChangeEvent>(control, changed);
}

void NotifyToolBarButtonFocus(McToolBar* bar, int index) {
    if (QAccessibleInterface* button = AccessibleToolBarButton(bar, index))
        Announce<QAccessibleEvent>(button, QAccessible::Focus);
}

void NotifyToolBarButtonName(McToolBar* bar, int index) {
    if (QAccessibleInterface* button = AccessibleToolBarButton(bar, index))
        Announce<QAccessibleEvent>(button, QAccessible::NameChanged);
}

void NotifyToolBarButtonEnabled(McToolBar* bar, int index) {
    QAccessible::State changed;
    changed.disabled = true;
    if (QAccessibleInterface* button = AccessibleToolBarButton(bar, index))
        Announce<QAccessibleStateChangeEvent>(button, changed);
}

void NotifyToolBarButtonCount(McToolBar* bar, int before, int after) {
    if (!QAccessible::isActive() || before == after) return;
    QAccessibleInterface* tools = QAccessible::queryAccessibleInterface(bar);
    if (!tools) return;
    // New buttons are announced one by one; removed ones leave as a change of the children.
    for (int i = before; i < after; ++i)
        Announce<QAccessibleEvent>(tools->child(i), QAccessible::ObjectCreated);
    if (after < before) Announce<QAccessibleEvent>(tools, QAccessible::ObjectReorder);
}
