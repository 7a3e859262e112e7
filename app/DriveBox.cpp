#include "DriveBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>

#include "LikePattern.h"
#include "modLang.h"
#include "modMain.h"

namespace {

QString SystemFolderDialog(QWidget* owner, const QString& title) {
    return QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
}

bool IsLeaveKey(int key) {
    return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return ||
           key == Qt::Key_Enter;
}

}  // namespace

DriveBox::DriveBox(QWidget* parent)
    : QComboBox(parent),
      browseEntryText_(LangText(53, false, false, QString())),
      folderDialog_(SystemFolderDialog) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // Leaving the box must neither change its selection nor count as a pick: the list's own
    // editing-finished handling would select an entry equal to the text and report it activated.
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    setEditText(DesignTimeText());
    connect(lineEdit(), &QLineEdit::textEdited, this, &DriveBox::CompleteTypedText);
    connect(this, &QComboBox::activated, this, &DriveBox::OnEntryChosen);
}

QString DriveBox::DesignTimeText() {
    return ::TargetFolder(QDir::homePath());
}

void DriveBox::setBrowseEntryText(const QString& text) {
    browseEntryText_ = text;
}

void DriveBox::setFolderDialog(FolderDialog dialog) {
    folderDialog_ = std::move(dialog);
}

void DriveBox::AppendEntry(const QString& text) {
    const QScopedValueRollback busy(autoCompleteBusy_, true);
    // The first entry would otherwise become selected and replace the shown text.
    const QString shown = currentText();
    const int selected = currentIndex();
    addItem(text);
    if (currentIndex() != selected) {
        setCurrentIndex(selected);
        setEditText(shown);
    }
}

void DriveBox::AppendBrowseEntry() {
    AppendEntry(browseEntryText_);
}

void DriveBox::SelectPosition(int position) {
    {
        const QScopedValueRollback busy(autoCompleteBusy_, true);
        const bool inList = position >= 0 && position < count();
        setCurrentIndex(inList ? position : -1);
        setEditText(inList ? itemText(position) : DesignTimeText());
        if (!inList) return;
    }
    OnEntryChosen();
}

int DriveBox::PrevPathSelected() const {
    const int selected = currentIndex();
    return selected >= 0 && currentText() == itemText(selected) ? selected : -1;
}

QStringList DriveBox::Entries() const {
    QStringList all;
    for (int i = 0; i < count(); ++i) all << itemText(i);
    return all;
}

QStringList DriveBox::FolderEntries() const {
    QStringList all = Entries();
    if (!all.isEmpty()) all.removeLast();
    return all;
}

QString DriveBox::TargetFolder() const {
    return ::TargetFolder(currentText());
}

bool DriveBox::event(QEvent* event) {
    // Tab and Return leave the text as it will be tested; Tab never reaches keyPressEvent.
    if (event->type() == QEvent::KeyPress && IsLeaveKey(static_cast<QKeyEvent*>(event)->key())) {
        RespellAsListed();
        lineEdit()->end(false);
    }
    return QComboBox::event(event);
}

void DriveBox::keyPressEvent(QKeyEvent* event) {
    const bool deleting = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
    if (!deleting) {
        QComboBox::keyPressEvent(event);
        return;
    }
    // What Backspace or Delete removes must stay removed: its text change completes nothing.
    const QScopedValueRollback busy(autoCompleteBusy_, true);
    QComboBox::keyPressEvent(event);
}

void DriveBox::focusOutEvent(QFocusEvent* event) {
    // Opening the box's own list, or another window taking the focus, is no leaving.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) RespellAsListed();
    QComboBox::focusOutEvent(event);
}

void DriveBox::CompleteTypedText(const QString& text) {
    if (text.isEmpty() || autoCompleteBusy_) return;
    QLineEdit* edit = lineEdit();
    const int typedLength = edit->cursorPosition();
    const QString pattern = text.left(typedLength).toUpper() + u'*';
    const QString shownUpper = text.toUpper();
    for (int i = 0; i < count(); ++i) {
        const QString entry = itemText(i);
        const QString entryUpper = entry.toUpper();
        if (entryUpper == shownUpper || !LikeMatch(entryUpper, pattern)) continue;
        const QScopedValueRollback busy(autoCompleteBusy_, true);
        QString completed = text;
        const int replaceFrom = edit->hasSelectedText() ? edit->selectionStart() : typedLength;
        completed.replace(replaceFrom, edit->selectedText().size(), entry.mid(typedLength));
        edit->setText(completed);
        // The caret stays after the typed part; the completed rest is selected, so typing on
        // overwrites it.
        edit->setSelection(completed.size(), typedLength - completed.size());
        return;
    }
}

void DriveBox::RespellAsListed() {
    const QString text = currentText();
    // A folder that exists as typed is the one meant, even when a listed one differs only in
    // case.
    if (text.isEmpty() || FolderExists(::TargetFolder(text))) return;
    const QString textUpper = text.toUpper();
    for (int i = 0; i < count(); ++i) {
        if (itemText(i).toUpper() != textUpper) continue;
        const QScopedValueRollback busy(autoCompleteBusy_, true);
        setEditText(itemText(i));
        return;
    }
}

void DriveBox::OnEntryChosen() {
    if (currentText() != browseEntryText_) return;
    const QString title =
        LangText(52, false, false, QStringLiteral("Laufwerk oder Pfad wählen..."));
    const QString folder = folderDialog_ ? folderDialog_(window(), title) : QString();
    // A cancelled dialog leaves the list as it was; the box keeps showing the browse entry.
    if (folder.isEmpty() || folder == browseEntryText_) return;
    AddChosenFolder(folder);
}

void DriveBox::AddChosenFolder(const QString& folder) {
    {
        const QScopedValueRollback busy(autoCompleteBusy_, true);
        for (int i = count() - 1; i >= 0; --i) {
            if (itemText(i) == browseEntryText_ || itemText(i) == folder) removeItem(i);
        }
        while (count() >= kMaxFolders) removeItem(0);
        addItem(folder);
        addItem(browseEntryText_);
    }
    QCoreApplication::processEvents();
    SelectPosition(count() - 2);
}
