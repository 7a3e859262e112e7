// A control's stored properties, each declared once: the key, the member (or the getter and
// setter) that holds it, the default and, from the value's type, the kind. ReadProperties walks
// the rows in load order, WriteProperties writes each key once, and the setters find their key
// and their follow-up here, so no key or default is spelled twice.
#pragma once

#include <QVariant>
#include <functional>
#include <type_traits>
#include <vector>

#include "PropertyBag.h"

namespace stored {

template <class T>
constexpr PropertyBag::Kind KindOf() {
    using Kind = PropertyBag::Kind;
    if constexpr (std::is_same_v<T, bool>) return Kind::Boolean;
    if constexpr (std::is_same_v<T, OleColor>) return Kind::Colour;
    if constexpr (std::is_enum_v<T> || std::is_integral_v<T>) return Kind::Integer;
    if constexpr (std::is_floating_point_v<T>) return Kind::Number;
    if constexpr (std::is_same_v<T, QString>) return Kind::Text;
    if constexpr (std::is_same_v<T, QFont>) return Kind::Font;
    if constexpr (std::is_same_v<T, QVariant>) return Kind::Any;
    return Kind::Picture;
}

// Integers, colours and enumerations travel as qint64, as the bag reads and writes them; an
// enumeration keeps whatever number it was given.
template <class T>
constexpr bool kTravelsAsInteger = std::is_enum_v<T> ||
                                   (std::is_integral_v<T> && !std::is_same_v<T, bool>);

template <class T>
QVariant ToVariant(const T& value) {
    if constexpr (kTravelsAsInteger<T>)
        return static_cast<qint64>(value);
    else
        return QVariant::fromValue(value);
}

template <class T>
T FromVariant(const QVariant& value) {
    if constexpr (std::is_enum_v<T>)
        return static_cast<T>(static_cast<std::underlying_type_t<T>>(value.toLongLong()));
    else if constexpr (kTravelsAsInteger<T>)
        return static_cast<T>(value.toLongLong());
    else
        return value.value<T>();
}

}  // namespace stored

template <class Control>
struct StoredProperty {
    using Kind = PropertyBag::Kind;
    using ValueOf = std::function<QVariant(const Control&)>;

    // A value kept in a member; loading stores it there without the setter's follow-up.
    template <class T, class Default = T>
    requires(!std::is_function_v<T>)
        StoredProperty(const char* key, T Control::*member, const Default& byDefault = T())
        : key(key),
          kind(stored::KindOf<T>()),
          get([member](const Control& c) { return stored::ToVariant(c.*member); }),
          set([member](Control& c, const QVariant& v) { c.*member = stored::FromVariant<T>(v); }),
          defaultOf(DefaultOf<T>(byDefault)),
          address([member](const Control& c) -> const void* { return &(c.*member); }) {}

    // A value reached through a getter and a setter; loading calls the setter.
    template <class Getter, class Setter, class Default>
    StoredProperty(const char* key, Getter getter, Setter setter, const Default& byDefault)
        : key(key),
          kind(stored::KindOf<Value<Getter>>()),
          get([getter](const Control& c) { return stored::ToVariant(std::invoke(getter, c)); }),
          set([setter](Control& c, const QVariant& v) {
              std::invoke(setter, c, stored::FromVariant<Value<Getter>>(v));
          }),
          defaultOf(DefaultOf<Value<Getter>>(byDefault)) {}

    // Read while loading but never written: an older key that a later row overrides.
    StoredProperty LoadOnly() const {
        StoredProperty row = *this;
        row.written = false;
        return row;
    }
    // An absent key leaves the value as it is; the default is only what writing compares with.
    StoredProperty KeepWhenAbsent() const {
        StoredProperty row = *this;
        row.keepWhenAbsent = true;
        return row;
    }
    // What storing the value sets going, loading included; the setter runs it instead of the
    // table's common follow-up, which a load runs once at its end.
    StoredProperty Then(void (Control::*followUp)()) const {
        StoredProperty row = *this;
        row.after = followUp;
        return row;
    }

    const char* key;
    Kind kind;
    ValueOf get;
    std::function<void(Control&, const QVariant&)> set;
    // A constant, or one the control derives (its container's font).
    ValueOf defaultOf;
    // The member's address in a control, for setters that look their key up; empty for
    // getter-and-setter rows.
    std::function<const void*(const Control&)> address;
    void (Control::*after)() = nullptr;
    bool written = true;
    bool keepWhenAbsent = false;

  private:
    template <class Getter>
    using Value = std::decay_t<std::invoke_result_t<Getter, const Control&>>;

    template <class T, class Default>
    static ValueOf DefaultOf(const Default& byDefault) {
        if constexpr (std::is_invocable_v<Default, const Control&>) {
            return [byDefault](const Control& c) { return stored::ToVariant(T(byDefault(c))); };
        } else {
            const QVariant value = stored::ToVariant(T(byDefault));
            return [value](const Control&) { return value; };
        }
    }
};

template <class Control>
class PropertyTable {
  public:
    using Row = StoredProperty<Control>;

    // `followUp` is what a setter runs after storing, for rows that name none of their own.
    PropertyTable(std::initializer_list<Row> rows, void (Control::*followUp)() = nullptr)
        : rows_(rows), followUp_(followUp) {}

    const std::vector<Row>& Rows() const { return rows_; }

    // Every row in order; `suffix` follows each key (a toolbar button's index).
    void Read(Control& control, const PropertyBag& bag, const QString& suffix = {}) const {
        for (const Row& row : rows_) {
            const QVariant byDefault =
                row.keepWhenAbsent ? row.get(control) : row.defaultOf(control);
            row.set(control, bag.Read(QLatin1String(row.key) + suffix, row.kind, byDefault));
            if (row.after) (control.*row.after)();
        }
    }

    // Each key once, where it is first read, with the value and default of its last read: that
    // read decides what an absent key loads as.
    void Write(const Control& control, PropertyBag& bag, const QString& suffix = {}) const {
        for (auto row = rows_.begin(); row != rows_.end(); ++row) {
            if (!row->written || ReadBefore(row)) continue;
            const Row& last = LastRead(row);
            bag.Write(QLatin1String(row->key) + suffix, last.kind, last.get(control),
                      last.defaultOf(control));
        }
    }

    // The member row that holds `field`.
    const Row& RowOf(const Control& control, const void* field) const {
        for (const Row& row : rows_)
            if (row.address && row.address(control) == field) return row;
        Q_ASSERT_X(false, "PropertyTable::RowOf", "a setter's member has no row");
        return rows_.front();
    }

    using FollowUp = void (Control::*)();
    FollowUp FollowUpOf(const Row& row) const { return row.after ? row.after : followUp_; }

  private:
    using Iterator = typename std::vector<Row>::const_iterator;

    static bool SameKey(const Row& a, const Row& b) { return qstricmp(a.key, b.key) == 0; }
    bool ReadBefore(Iterator row) const {
        return std::any_of(rows_.begin(), row, [&](const Row& r) { return SameKey(r, *row); });
    }
    const Row& LastRead(Iterator row) const {
        const Row* last = &*row;
        for (auto later = row; later != rows_.end(); ++later)
            if (SameKey(*later, *row) && later->written) last = &*later;
        return *last;
    }

    std::vector<Row> rows_;
    FollowUp followUp_;
};
