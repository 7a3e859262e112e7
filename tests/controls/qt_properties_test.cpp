// Every stored property of the controls is a Qt property of the same name and kind, so tools
// can list and set them without knowing the control.
#include <gtest/gtest.h>

#include <QMetaProperty>
#include <QSignalSpy>

#include "Chk1.h"
#include "Cmd1.h"
#include "McToolBar.h"
#include "PPB.h"
#include "Txt.h"

namespace {

constexpr int kBool = QMetaType::Bool;
constexpr int kInt = QMetaType::Int;
constexpr int kColour = QMetaType::UInt;
constexpr int kText = QMetaType::QString;
constexpr int kPicture = QMetaType::QImage;
constexpr int kFont = QMetaType::QFont;
constexpr int kNumber = QMetaType::Double;
const int kBackFill = QMetaType::fromType<ControlBase::BackFill>().id();

struct Listed {
    const char* name;
    int type;
};

void ExpectListed(const QMetaObject& meta, const std::vector<Listed>& properties) {
    for (const Listed& p : properties) {
        const int index = meta.indexOfProperty(p.name);
        ASSERT_GE(index, 0) << meta.className() << "." << p.name;
        const QMetaProperty property = meta.property(index);
        EXPECT_EQ(property.metaType().id(), p.type) << meta.className() << "." << p.name;
        EXPECT_TRUE(property.isReadable() && property.isWritable())
            << meta.className() << "." << p.name;
    }
}

const std::vector<Listed> kEveryControl = {{"Enabled", kBool}, {"Font", kFont}};

}  // namespace

TEST(QtProperties, EveryStoredPropertyIsListedWithItsKind) {
    for (const QMetaObject* meta :
         {&PPB::staticMetaObject, &McToolBar::staticMetaObject, &Cmd1::staticMetaObject,
          &Chk1::staticMetaObject, &Txt::staticMetaObject})
        ExpectListed(*meta, kEveryControl);
    ExpectListed(PPB::staticMetaObject, {{"IsPercent", kBool},
                                         {"MousePointer", kInt},
                                         {"MouseIcon", kPicture},
                                         {"Image", kPicture},
                                         {"Picture", kPicture},
                                         {"ToolTipText", kText},
                                         {"BackColor", kColour},
                                         {"BackStyle", kBackFill},
                                         {"BorderColor", kColour},
                                         {"ShowLabel", kBool},
                                         {"ShowBorder", kBool},
                                         {"UseCustomCaption", kBool}});
    const auto typeOf = [](auto value) { return QMetaType::fromType<decltype(value)>().id(); };
    ExpectListed(McToolBar::staticMetaObject,
                 {{"Appearance", typeOf(McToolBar::FrameLook())},
                  {"BackColor", kColour},
                  {"BorderStyle", typeOf(McToolBar::Border())},
                  {"ForeColor", kColour},
                  {"ButtonIcon", kPicture},
                  {"ButtonsHeight", kInt},
                  {"ButtonsPerRow", kInt},
                  {"ButtonsWidth", kInt},
                  {"AutoSize", kBool},
                  {"AutoSizeButtons", kBool},
                  {"ButtonCaption", kText},
                  {"BackGround", kPicture},
                  {"Button_Count", kInt},
                  {"Button_Index", kInt},
                  {"HoverColor", kColour},
                  {"WarpSize", kBool},
                  {"ButtonToolTip", kText},
                  {"ToolTipBackCol", kColour},
                  {"ToolTipForeCol", kColour},
                  {"TooTipStyle", kInt},
                  {"ButtonToolTipIcon", typeOf(ToolBarButton::TipIcon())},
                  {"BackGradient", typeOf(McToolBar::Gradient())},
                  {"BackGradientCol", kColour},
                  {"ButtonsStyle", typeOf(McToolBar::ButtonLook())},
                  {"ButtonEnabled", kBool},
                  {"BorderColor", kColour},
                  {"HoverIconShadow", kBool},
                  {"ButtonPressed", kBool},
                  {"ButtonIconAllignment", typeOf(ToolBarButton::PicturePlace())}});
    ExpectListed(Cmd1::staticMetaObject,
                 {{"BackColor", kColour},
                  {"ForeColor", kColour},
                  {"ToolTipText", kText},
                  {"WordWrap", kBool},
                  {"HighColor1", kColour},
                  {"HighColor2", kColour},
                  {"Color1", kColour},
                  {"Color2", kColour},
                  {"Picture", kPicture},
                  {"PicSize", kInt},
                  {"PicAlign", QMetaType::fromType<Cmd1::Placement>().id()},
                  {"PicHeight", kInt},
                  {"PicWidth", kInt},
                  {"Caption", kText},
                  {"TextAlign", QMetaType::fromType<Cmd1::Placement>().id()},
                  {"PicDistToEdge", kInt},
                  {"TextDistToEdge", kInt},
                  {"TextWidth", kInt},
                  {"TextSetWH", kBool}});
    ExpectListed(Chk1::staticMetaObject, {{"Caption", kText},
                                          {"ForeColor", kColour},
                                          {"ToolTipText", kText},
                                          {"HighColor", kColour},
                                          {"Size", QMetaType::QVariant},
                                          {"Style", QMetaType::fromType<Chk1::BoxMark>().id()},
                                          {"UnderlineOnMOver", kBool},
                                          {"MouseIcon", kPicture},
                                          {"MousePointer", kInt},
                                          {"BackStyle", kBackFill},
                                          {"BackColor", kColour},
                                          {"Checked", kBool},
                                          {"Animation", kBool},
                                          {"AnimColor1", kColour},
                                          {"AnimColor2", kColour},
                                          {"ClickColor", kColour},
                                          {"Anim_Speed", kNumber},
                                          {"Anim_Duration", kNumber},
                                          {"ColorSet", QMetaType::fromType<Chk1::Colours>().id()},
                                          {"IsOptionBtn", kBool},
                                          {"DoExternalChange", kBool}});
    ExpectListed(Txt::staticMetaObject,
                 {{"MouseIcon", kPicture},
                  {"Style", QMetaType::fromType<Txt::FieldStyle>().id()},
                  {"SelText", kText},
                  {"SelStart", kInt},
                  {"SelLength", kInt},
                  {"MousePointer", kInt},
                  {"PasswordChar", kText},
                  {"Text", kText},
                  {"ToolTipText", kText},
                  {"BackColor", kColour},
                  {"ForeColor", kColour},
                  {"FontItalic", kBool},
                  {"FontName", kText},
                  {"FontSize", kNumber},
                  {"FontStrikethru", kBool},
                  {"FontUnderline", kBool},
                  {"Locked", kBool},
                  {"MaxLength", kInt},
                  {"Alignment", QMetaType::fromType<Txt::TextAlignment>().id()}});
    // Write-only members stay methods.
    EXPECT_LT(McToolBar::staticMetaObject.indexOfProperty("ButtonRemove"), 0);
}

TEST(QtProperties, SetGenericallyTheyMarkTheirKeyAndNotifyWhereUsersListen) {
    PPB bar;
    McToolBar tools;
    Cmd1 button;
    Chk1 box;
    Txt text;
    struct Case {
        ControlBase* control;
        const char* name;
        QVariant value;
    };
    const std::vector<Case> cases = {
        {&bar, "ShowBorder", false},
        {&bar, "BackColor", 0x00FF8080u},
        {&tools, "ButtonsStyle", QVariant::fromValue(McToolBar::ButtonLook::Blended)},
        {&tools, "HoverColor", 0x00FFC080u},
        {&button, "Caption", "Start Single"},
        {&button, "TextSetWH", true},
        {&box, "Checked", true},
        {&box, "Anim_Speed", 0.25},
        {&text, "Text", "10"},
        {&text, "MaxLength", 10},
        {&text, "Enabled", false},
    };
    for (const Case& c : cases) {
        QSignalSpy marked(c.control, &ControlBase::PropertyChanged);
        EXPECT_TRUE(c.control->setProperty(c.name, c.value)) << c.name;
        EXPECT_EQ(c.control->property(c.name), c.value) << c.name;
        bool markedOwnKey = false;
        for (const auto& call : marked) markedOwnKey |= call.at(0).toString() == c.name;
        EXPECT_TRUE(markedOwnKey) << c.name;
    }
    for (const auto& [meta, name] : std::vector<std::pair<const QMetaObject*, const char*>>{
             {&Cmd1::staticMetaObject, "Caption"},
             {&Chk1::staticMetaObject, "Caption"},
             {&Chk1::staticMetaObject, "Checked"},
             {&Txt::staticMetaObject, "Text"}})
        EXPECT_TRUE(meta->property(meta->indexOfProperty(name)).hasNotifySignal()) << name;

    QSignalSpy checkedChanged(&box, &Chk1::CheckedChanged);
    box.setChecked(true);  // unchanged: no notification, yet Click as always
    box.setChecked(false);
    EXPECT_EQ(checkedChanged.count(), 1);
}

namespace {

// A value of the property's kind that no control starts with.
QVariant OtherValue(const QVariant& current) {
    if (current.metaType().flags() & QMetaType::IsEnumeration) {
        QVariant next(current.toInt() + 1);
        next.convert(current.metaType());
        return next;
    }
    switch (current.typeId()) {
        case QMetaType::Bool:
            return !current.toBool();
        case QMetaType::Int:
            return current.toInt() + 3;
        case QMetaType::UInt:
            return 0x00123456u;
        case QMetaType::Double:
            return current.toDouble() + 1.5;
        case QMetaType::QString:
            return current.toString() + QStringLiteral("x");
        case QMetaType::QFont:
            return QFont(QStringLiteral("Courier"), 17);
        case QMetaType::QImage: {
            QImage picture(3, 2, QImage::Format_RGB32);
            picture.fill(Qt::darkCyan);
            return picture;
        }
        default:
            return 17.5;  // the check box's Size
    }
}

// Every stored key that is a Qt property of the same name: set to another value, it notifies,
// and a layout saved as text and loaded into a new control brings the value back with one
// notification for the whole load.
template <typename Control>
void ExpectRoundTrips(const QStringList& skipped) {
    const QMetaObject& meta = Control::staticMetaObject;
    for (const auto& row : Control::Properties().Rows()) {
        const int index = meta.indexOfProperty(row.key);
        if (!row.written || index < 0 || skipped.contains(row.key)) continue;
        const QMetaProperty property = meta.property(index);
        Control control;
        control.setUserMode(false);
        const QVariant value = OtherValue(property.read(&control));
        QSignalSpy notified(&control, property.notifySignal());
        ASSERT_TRUE(property.write(&control, value)) << meta.className() << "." << row.key;
        EXPECT_GE(notified.count(), 1) << meta.className() << "." << row.key;

        PropertyBag saved;
        control.WriteProperties(saved);
        const auto text = PropertyBag::FromText(saved.ToText());
        ASSERT_TRUE(text.has_value());
        Control loaded;
        loaded.setUserMode(false);
        QSignalSpy loadNotified(&loaded, &ControlBase::SettingsChanged);
        loaded.ReadProperties(*text);
        EXPECT_EQ(loadNotified.count(), 1) << meta.className() << "." << row.key;
        EXPECT_EQ(property.read(&loaded), value) << meta.className() << "." << row.key;
    }
    for (int i = ControlBase::staticMetaObject.propertyOffset(); i < meta.propertyCount(); ++i) {
        const QMetaProperty property = meta.property(i);
        EXPECT_TRUE(!property.isWritable() || property.hasNotifySignal())
            << meta.className() << "." << property.name();
    }
}

}  // namespace

TEST(QtProperties, EveryStoredKeyRoundTripsThroughTheTextFormAndNotifies) {
    ExpectRoundTrips<PPB>({});
    // The index is held to the buttons; the row length follows the width while AutoSize is on.
    ExpectRoundTrips<McToolBar>({"Button_Index", "ButtonsPerRow"});
    ExpectRoundTrips<Cmd1>({});
    ExpectRoundTrips<Chk1>({});
    // The selection only exists within a text.
    ExpectRoundTrips<Txt>({"SelText", "SelStart", "SelLength"});

    // An enumerated setting keeps a stored number that has no name.
    Txt box;
    box.ReadProperties(*PropertyBag::FromText("Alignment = 7\n"));
    PropertyBag saved;
    box.WriteProperties(saved);
    EXPECT_EQ(saved.ReadInt("Alignment", 0), 7);
}
