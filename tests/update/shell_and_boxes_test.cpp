// The window's side of the update check: the shell's verbs as the desktop offers them, and the
// real message boxes the user answers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include "UpdateDialogs.h"
#include "modShell.h"

TEST(ShellExec, MapsEachVerbToWhatTheDesktopCanDo) {
    QTemporaryDir folder;
    const QString notes = folder.filePath("notes.txt");
    QFile(notes).open(QIODevice::WriteOnly);
    const QString web = "https://dravelo.example/get/Dravelo.zip";
    const QString folderUrl = QUrl::fromLocalFile(folder.path()).toString();
    struct Row {
        QString file;
        int32_t verb;
        QString parameters, directory;
        bool desktopSucceeds;
        bool expected;
        QString reached;  // the address the desktop was given; empty when it was not asked
    };
    const Row rows[] = {
        {web, 1, "", "", true, true, web},
        {web, 1, "", "", false, false, web},
        {web, 0, "", "", true, true, web},
        {web, 6, "", "", true, true, web},
        {web, -1, "", "", true, true, web},
        {"notes.txt", 1, "", folder.path(), true, true, QUrl::fromLocalFile(notes).toString()},
        {folder.path(), 2, "", "", true, true, folderUrl},
        {notes, 2, "", "", true, false, ""},
        {web, 2, "", "", true, false, ""},
        {notes, 3, "", "", true, false, ""},
        {notes, 4, "", "", true, false, ""},
        {notes, 5, "", "", true, false, ""},
        {notes, 1, "--verbose", "", true, false, ""},
        {"", 1, "", "", true, false, ""},
    };
    for (const Row& row : rows) {
        QStringList reached;
        SetDesktopOpener([&](const QUrl& url) {
            reached << url.toString();
            return row.desktopSucceeds;
        });
        EXPECT_EQ(ShellExec(row.file, row.verb, row.parameters, row.directory, 5), row.expected)
            << row.file.toStdString() << " verb " << row.verb;
        EXPECT_EQ(reached, row.reached.isEmpty() ? QStringList() : QStringList{row.reached})
            << row.file.toStdString() << " verb " << row.verb;
    }
    SetDesktopOpener({});
}

TEST(MessageBoxPrompter, ShowsPlainTextWithTitleIconAndButtonsAndReturnsTheAnswer) {
    struct Row {
        BoxIcon icon;
        BoxButtons buttons;
        QMessageBox::StandardButton click;
        QMessageBox::Icon shownIcon;
        QMessageBox::StandardButtons shownButtons;
        BoxAnswer expected;
    };
    const Row rows[] = {
        {BoxIcon::Information, BoxButtons::YesNo, QMessageBox::Yes, QMessageBox::Information,
         QMessageBox::Yes | QMessageBox::No, BoxAnswer::Yes},
        {BoxIcon::Information, BoxButtons::YesNo, QMessageBox::No, QMessageBox::Information,
         QMessageBox::Yes | QMessageBox::No, BoxAnswer::No},
        {BoxIcon::Critical, BoxButtons::Ok, QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok,
         BoxAnswer::Ok},
    };
    for (const Row& row : rows) {
        QString title, text, detail;
        Qt::TextFormat format = Qt::AutoText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QTimer answerer;
        QObject::connect(&answerer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            title = box->windowTitle();
            text = box->text();
            detail = box->detailedText();
            format = box->textFormat();
            icon = box->icon();
            buttons = box->standardButtons();
            box->button(row.click)->click();
        });
        answerer.start(10);
        MessageBoxPrompter prompter(nullptr);
        EXPECT_EQ(prompter.Show("<45>", "<b>1.0.15</b>\r\nnext", row.icon, row.buttons,
                                "HTTP 404: Not Found"),
                  row.expected);
        EXPECT_EQ(title, "<45>");
        EXPECT_EQ(detail, "HTTP 404: Not Found");
        EXPECT_EQ(text, "<b>1.0.15</b>\nnext");
        EXPECT_EQ(format, Qt::PlainText);
        EXPECT_EQ(icon, row.shownIcon);
        EXPECT_EQ(buttons, row.shownButtons);
    }
}
