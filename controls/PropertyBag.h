// The stored settings of a control: an ordered list of key/value pairs with a readable text
// form, one "Key = value" line per entry. The main window keeps its controls' design-time
// settings in that text form, so the form is stable: entries keep their order and every value
// kind has exactly one spelling.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

#include "OleColor.h"

class PropertyBag {
  public:
    // Any: whatever kind the value was stored with (a setting that holds a number or nothing).
    enum class Kind { Boolean, Integer, Number, Colour, Text, Font, Picture, Any };

    // Writers leave the bag untouched when the value equals the default, and a number that
    // cannot be read back (infinite, not a number) is never written.
    void WriteBool(const QString& key, bool value, bool defaultValue);
    void WriteInt(const QString& key, qint64 value, qint64 defaultValue);
    void WriteNumber(const QString& key, double value, double defaultValue);
    void WriteColor(const QString& key, OleColor value, OleColor defaultValue);
    void WriteString(const QString& key, const QString& value, const QString& defaultValue);
    void WriteFont(const QString& key, const QFont& value, const QFont& defaultValue);
    // A picture is written when there is one.
    void WritePicture(const QString& key, const QImage& value);
    // The writer of `kind`; integers and colours travel as qint64.
    void Write(const QString& key, Kind kind, const QVariant& value, const QVariant& byDefault);

    // Readers return the default when the key is absent or its value is not of the kind asked
    // for (a number must be finite). Keys match without regard to case.
    bool ReadBool(const QString& key, bool defaultValue) const;
    qint64 ReadInt(const QString& key, qint64 defaultValue) const;
    double ReadNumber(const QString& key, double defaultValue) const;
    OleColor ReadColor(const QString& key, OleColor defaultValue) const;
    QString ReadString(const QString& key, const QString& defaultValue) const;
    QFont ReadFont(const QString& key, const QFont& defaultValue) const;
    QImage ReadPicture(const QString& key) const;
    // The reader of `kind`, with integers and colours as qint64.
    QVariant Read(const QString& key, Kind kind, const QVariant& byDefault) const;
    // The raw value, or an invalid QVariant when the key is absent.
    QVariant ReadValue(const QString& key) const;

    bool Contains(const QString& key) const;
    QStringList Keys() const;
    bool IsEmpty() const { return entries_.empty(); }
    // Every key asked for by a reader, in the order of asking.
    QStringList ReadLog() const { return readLog_; }

    QString ToText() const;
    // Nullopt when a line is not of the form "Key = value". A value that cannot be read leaves
    // its key out (see SkippedKeys) and the other keys are kept: one bad value must not lose a
    // whole stored layout.
    static std::optional<PropertyBag> FromText(const QString& text);
    // The keys FromText left out because their values could not be read.
    QStringList SkippedKeys() const { return skippedKeys_; }

  private:
    struct Entry {
        QString key;
        Kind kind;
        QVariant value;
    };

    // The entry under `key`, matched without regard to case; the end when there is none.
    std::vector<Entry>::const_iterator EntryOf(const QString& key) const;
    void Put(const QString& key, Kind kind, const QVariant& value);
    static QString ValueText(const Entry& entry);
    static std::optional<Entry> ParseValue(const QString& key, const QString& value);

    std::vector<Entry> entries_;
    QStringList skippedKeys_;
    mutable QStringList readLog_;
};
