// The stored settings: the number and size of the test files, the recent folders of the drive/path
// box and the update address. The one place that knows the keys, their defaults and how a stored
// text becomes a value; they live in the user's configuration folder under Quarnell/Quarnell.conf,
// group [Dravelo].
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <optional>

// A stored text read as a number and rounded down; nothing when it is no number or its whole
// part does not fit 64 bits.
std::optional<qint64> StoredWholeNumber(const QString& text);

class AppSettings {
  public:
    AppSettings();

    // "NrFiles" read as a number and rounded down, in plain digits however large (a run then
    // refuses a number it cannot use): "20" when missing, nothing when the stored text is not a
    // number (the box then keeps its empty text).
    std::optional<QString> NrFiles() const;
    // "NrMBytes", read the same way: "10" when missing.
    std::optional<QString> NrMBytes() const;
    // The stored folders "PrevPath1" to "PrevPathN" for N = "NrPrevPath" (rounded down), in key
    // order, empty ones left out. No folders when "NrPrevPath" is missing or not a number; keys
    // beyond N are never read.
    QStringList PrevPaths() const;
    // "PrevPathSelected" rounded down: 0 when missing, nothing when it is not a number.
    std::optional<qint64> PrevPathSelected() const;
    // "UpdateURL", the address of the version file; empty when missing.
    QString updateUrl() const;

    // Writes the inputs as the window holds them: the two number boxes' texts as typed, the
    // box's folders (without the browse entry) as "NrPrevPath" and "PrevPath1".."PrevPathN", and
    // the selected position. Keys beyond N stay as they are. False when the store could not be
    // written.
    bool Save(const QString& nrFilesText, const QString& nrMBytesText, const QStringList& folders,
              int selectedPosition);

  private:
    std::optional<qint64> WholeNumber(const QString& key, qint64 whenMissing) const;
    std::optional<QString> BoxNumber(const QString& key, int whenMissing) const;

    QSettings store_;
};
