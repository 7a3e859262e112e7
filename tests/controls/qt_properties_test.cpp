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
                                         {"BackStyle", kInt},
                                         {"BorderColor", kColour},
                                         {"ShowLabel", kBool},
                                         {"ShowBorder", kBool},
                                         {"UseCustomCaption", kBool}});
    ExpectListed(
        McToolBar::staticMetaObject,
        {{"Appearance", kInt},        {"BackColor", kColour},        {"BorderStyle", kInt},
         {"ForeColor", kColour},      {"ButtonIcon", kPicture},      {"ButtonsHeight", kInt},
         {"ButtonsPerRow", kInt},     {"ButtonsWidth", kInt},        {"AutoSize", kBool},
         {"AutoSizeButtons", kBool},  {"ButtonCaption", kText},      {"BackGround", kPicture},
         {"Button_Count", kInt},      {"Button_Index", kInt},        {"HoverColor", kColour},
         {"WarpSize", kBool},         {"ButtonToolTip", kText},      {"ToolTipBackCol", kColour},
         {"ToolTipForeCol", kColour}, {"TooTipStyle", kInt},         {"ButtonToolTipIcon", kInt},
         {"BackGradient", kInt},      {"BackGradientCol", kColour},  {"ButtonsStyle", kInt},
         {"ButtonEnabled", kBool},    {"BorderColor", kColour},      {"HoverIconShadow", kBool},
         {"ButtonPressed", kBool},    {"ButtonIconAllignment", kInt}});
    ExpectListed(Cmd1::staticMetaObject, {{"BackColor", kColour},
                                          {"ForeColor", kColour},
                                          {"ToolTipText", kText},
                                          {"WordWrap", kBool},
                                          {"HighColor1", kColour},
                                          {"HighColor2", kColour},
                                          {"Color1", kColour},
                                          {"Color2", kColour},
                                          {"Picture", kPicture},
                                          {"PicSize", kInt},
                                          {"PicAlign", kInt},
                                          {"PicHeight", kInt},
                                          {"PicWidth", kInt},
                                          {"Caption", kText},
                                          {"TextAlign", kInt},
                                          {"PicDistToEdge", kInt},
                                          {"TextDistToEdge", kInt},
                                          {"TextWidth", kInt},
                                          {"TextSetWH", kBool}});
    ExpectListed(
        Chk1::staticMetaObject,
        {{"Caption", kText},          {"ForeColor", kColour},        {"ToolTipText", kText},
         {"HighColor", kColour},      {"Size", QMetaType::QVariant}, {"Style", kInt},
         {"UnderlineOnMOver", kBool}, {"MouseIcon", kPicture},       {"MousePointer", kInt},
         {"BackStyle", kInt},         {"BackColor", kColour},        {"Checked", kBool},
         {"Animation", kBool},        {"AnimColor1", kColour},       {"AnimColor2", kColour},
         {"ClickColor", kColour},     {"Anim_Speed", kNumber},       {"Anim_Duration", kNumber},
         {"ColorSet", kInt},          {"IsOptionBtn", kBool},        {"DoExternalChange", kBool}});
    ExpectListed(Txt::staticMetaObject, {{"MouseIcon", kPicture},
                                         {"Style", kInt},
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
                                         {"Alignment", kInt}});
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
        {&tools, "ButtonsStyle", 2},
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
