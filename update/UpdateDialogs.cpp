#include "UpdateDialogs.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QWidget>

#include "modDl.h"
#include "modShell.h"

namespace {

constexpr int32_t kVerbOpen = 1;
constexpr int32_t kShowNormally = 5;

// The window's transfer component, named as on the window, made when first needed.
QNetworkAccessManager& TransferOf(QObject* owner) {
    const QString name = QStringLiteral("Inet1");
    auto* transfer = owner->findChild<QNetworkAccessManager*>(name, Qt::FindDirectChildrenOnly);
    if (!transfer) {
        transfer = new QNetworkAccessManager(owner);
        transfer->setObjectName(name);
    }
    return *transfer;
}

}  // namespace

BoxAnswer MessageBoxPrompter::Show(const QString& title, const QString& text, BoxIcon icon,
                                   BoxButtons buttons, const QString& detail) {
    QMessageBox box(
        icon == BoxIcon::Critical ? QMessageBox::Critical : QMessageBox::Information, title,
        QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
        buttons == BoxButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
        owner_);
    box.setTextFormat(Qt::PlainText);
    if (!detail.isEmpty()) box.setDetailedText(detail);
    const int answer = box.exec();
    if (buttons == BoxButtons::Ok) return BoxAnswer::Ok;
    return answer == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
}

void OpenDownloadWithShell(const QString& address) {
    ShellExec(address, kVerbOpen, QString(), QString(), kShowNormally);
}

void CheckForUpdate(QWidget* owner) {
    QObject* holder = owner ? static_cast<QObject*>(owner) : QCoreApplication::instance();
    if (!holder) return;
    MessageBoxPrompter prompter(owner);
    try {
        CheckForUpdate(TransferOf(holder), prompter, OpenDownloadWithShell);
    } catch (...) {
        // A failure ends the check quietly, as a failed step would; the window goes on.
    }
}
