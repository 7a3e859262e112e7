// The drive/path box: an editable list of recent folders that ends in the browse entry. Typing
// completes from the list, leaving the box gives a listed folder's spelling to a text that names
// no folder, and picking the browse entry asks for a folder and adds it to the list.
#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>
#include <functional>

class DriveBox : public QComboBox {
    Q_OBJECT

  public:
    // Shows a folder dialog owned by `owner` with `title`; the chosen folder, or the empty text
    // when the user cancels.
    using FolderDialog = std::function<QString(QWidget* owner, const QString& title)>;

    // The most folders the list keeps when the browse entry adds one.
    static constexpr int kMaxFolders = 10;

    explicit DriveBox(QWidget* parent = nullptr);

    // The text the box shows before it is filled, and the entry start-up adds to an empty list:
    // the user's home folder with a trailing "/".
    static QString DesignTimeText();

    // The browse entry's text; the window passes its language text. Set before
    // appendBrowseEntry.
    void setBrowseEntryText(const QString& text);
    // Replaces the folder dialog, which by default is the system's directory dialog.
    void setFolderDialog(FolderDialog dialog);

    void AppendEntry(const QString& text);
    void AppendBrowseEntry();
    // Selects the entry at `position` and runs the selection handling, as a pick by the user
    // does. A position outside the list selects nothing and shows the design-time text.
    void SelectPosition(int position);

    // The selected position, or -1 when nothing is selected or the text differs from the
    // selected entry.
    int PrevPathSelected() const;
    // Every entry, the browse entry last.
    QStringList Entries() const;
    // The entries that are stored: all but the last (the browse entry).
    QStringList FolderEntries() const;
    // The folder the runs test: the text trimmed, with "/" appended unless it ends in one.
    QString TargetFolder() const;

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void CompleteTypedText(const QString& text);
    void RespellAsListed();
    void OnEntryChosen();
    void AddChosenFolder(const QString& folder);

    QString browseEntryText_;
    FolderDialog folderDialog_;
    // True while the box changes its own text or selection, so that the change starts no
    // completion of its own.
    bool autoCompleteBusy_ = false;
};
