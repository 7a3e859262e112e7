// The main window under test: a fresh language table and settings store per case, a window that
// is loaded and shown, and clicks that reach the controls as a user's would.
#pragma once

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "Chk1.h"
#include "Cmd1.h"
#include "DriveBox.h"
#include "McToolBar.h"
#include "PPB.h"
#include "Txt.h"
#include "event_wait.h"
#include "frmMain.h"
#include "modLang.h"

// Back to the state before any language file was loaded: every lookup gives its built-in text.
inline void UseBuiltInTexts() {
    LoadLanguage(QStringLiteral("/nonexistent/no-language.lng"));
}

// The store the program writes: Quarnell/Quarnell.conf, group [Dravelo].
inline QVariant Stored(const QString& key) {
    QSettings store(QStringLiteral("Quarnell"), QStringLiteral("Quarnell"));
    store.beginGroup(QStringLiteral("Dravelo"));
    return store.value(key);
}

inline void SetStored(const std::map<QString, QString>& values) {
    QSettings store(QStringLiteral("Quarnell"), QStringLiteral("Quarnell"));
    store.clear();
    store.beginGroup(QStringLiteral("Dravelo"));
    for (const auto& [key, value] : values) store.setValue(key, value);
    store.sync();
}

inline void ClearStore() {
    SetStored({});
}

template <typename T>
T* Control(const frmMain& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

// A window after its load, shown. `commandLine` "lang= x.l" names no usable file, so the texts
// stay as the table holds them.
inline std::unique_ptr<frmMain> OpenWindow(
    const QString& commandLine = QStringLiteral("lang= x.l")) {
    auto window = std::make_unique<frmMain>();
    window->Load(commandLine);
    window->show();
    (void)QTest::qWaitForWindowExposed(window.get());
    return window;
}

inline void Click(QWidget* widget) {
    QTest::mouseMove(widget);
    QTest::mouseClick(widget, Qt::LeftButton);
}

// Clicks a toolbar button as the mouse does: it has to be over the button first.
inline void ClickToolBarButton(McToolBar* bar, int index) {
    const QPoint at(bar->GetButtonLeft(index) + bar->GetButtonWidth(index) / 2, bar->height() / 2);
    QTest::mouseMove(bar, at);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, at);
}

// The test files a run leaves in a folder.
inline QStringList TestFilesIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.tst")}, QDir::Files);
}

// Hands the next modal dialog to `act` once it is open; `act` closes it.
inline void WhenModalOpens(QObject* context, std::function<void(QWidget*)> act) {
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, act] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start(5);
}
