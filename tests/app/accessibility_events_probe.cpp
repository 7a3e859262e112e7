// Runs inside a desktop session whose accessibility bus is up: changes the toolbar, the command
// button and the check box the way a program does, and checks that each change reaches the
// screen reader as the event it expects. Prints one line per case; exits 0 when every case got
// its events, 1 when one did not, 2 when the accessibility bridge never came up.
#include <QAccessible>
#include <QApplication>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "Chk1.h"
#include "Cmd1.h"
#include "McToolBar.h"

namespace {

std::vector<QString> heard;

// "<control>/<button>:<event>", the button -1 for an event on the control itself.
QString Describe(QAccessibleEvent* event) {
    QAccessibleInterface* target = event->accessibleInterface();
    if (!target) return QStringLiteral("?");
    int button = -1;
    QAccessibleInterface* owner = target;
    if (!target->object() || !target->object()->isWidgetType()) {
        owner = target->parent();
        button = owner ? owner->indexOfChild(target) : -2;
    }
    const QString control = owner && owner->object() ? owner->object()->objectName() : "?";
    return QStringLiteral("%1/%2:%3").arg(control).arg(button).arg(int(event->type()), 0, 16);
}

void Listen(QAccessibleEvent* event) {
    heard.push_back(Describe(event));
}

QString Expect(const char* control, int button, QAccessible::Event type) {
    return QStringLiteral("%1/%2:%3").arg(control).arg(button).arg(int(type), 0, 16);
}

struct Case {
    const char* what;
    std::function<void()> change;
    std::vector<QString> expected;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    auto* tools = new McToolBar(&window);
    tools->setObjectName("tools");
    tools->setButton_Count(2);
    auto* command = new Cmd1(&window);
    command->setObjectName("command");
    auto* check = new Chk1(&window);
    check->setObjectName("check");
    window.show();
    if (!QTest::qWaitFor([] { return QAccessible::isActive(); }, 10000)) {
        std::puts("the accessibility bridge did not come up");
        return 2;
    }
    QAccessible::installUpdateHandler(&Listen);

    using E = QAccessible::Event;
    const std::vector<Case> cases = {
        {"toolbar caption",
         [&] {
             tools->setButton_Index(1);
             tools->setButtonCaption("Save");
         },
         {Expect("tools", 1, E::NameChanged)}},
        {"toolbar caption unchanged", [&] { tools->setButtonCaption("Save"); }, {}},
        {"toolbar button disabled",
         [&] { tools->setButtonEnabled(false); },
         {Expect("tools", 1, E::StateChanged)}},
        {"toolbar disabled",
         [&] { tools->setEnabled(false); },
         {Expect("tools", 0, E::StateChanged), Expect("tools", 1, E::StateChanged)}},
        {"toolbar buttons added",
         [&] { tools->setButton_Count(4); },
         {Expect("tools", 2, E::ObjectCreated), Expect("tools", 3, E::ObjectCreated)}},
        {"toolbar button removed",
         [&] { tools->setButton_Count(3); },
         {Expect("tools", -1, E::ObjectReorder)}},
        {"command caption",
         [&] { command->setCaption("Start"); },
         {Expect("command", -1, E::NameChanged)}},
        {"check box caption",
         [&] { check->setCaption("Buffered"); },
         {Expect("check", -1, E::NameChanged)}},
    };

    int failures = 0;
    for (const Case& c : cases) {
        heard.clear();
        c.change();
        // Qt's own widgets may add events of their own (a repaint, a state of the window);
        // what matters is that every expected one is there.
        std::vector<QString> missing;
        for (const QString& event : c.expected)
            if (std::find(heard.begin(), heard.end(), event) == heard.end())
                missing.push_back(event);
        const bool quietAsExpected =
            !c.expected.empty() ||
            std::none_of(heard.begin(), heard.end(),
                         [](const QString& event) { return event.startsWith("tools/"); });
        const bool passed = missing.empty() && quietAsExpected;
        failures += passed ? 0 : 1;
        QStringList got(heard.begin(), heard.end());
        std::printf("%s %s: heard [%s]\n", passed ? "ok  " : "FAIL", c.what,
                    qPrintable(got.join(", ")));
    }
    return failures == 0 ? 0 : 1;
}
