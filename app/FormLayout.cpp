#include "FormLayout.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <map>
#include <vector>

#include "Chk1.h"
#include "Cmd1.h"
#include "DriveBox.h"
#include "FormWidgets.h"
#include "McToolBar.h"
#include "PPB.h"
#include "PropertyBag.h"
#include "Txt.h"

namespace {

// Pictures of the custom controls are rendered from the art at twice its size, so that they
// stay sharp when the screen scales them up.
constexpr int kControlPictureScale = 2;

QString ReadLayoutText(const QString& name) {
    RegisterWindowResources();
    QFile file(QStringLiteral(":/layout/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw LayoutError("the layout " + name.toStdString() + " is missing");
    return QString::fromUtf8(file.readAll());
}

std::vector<PropertyBag> ReadBlocks(const QString& text) {
    static const QRegularExpression emptyLine(QStringLiteral("\\n[ \\t\\r]*\\n"));
    std::vector<PropertyBag> blocks;
    for (const QString& block : text.split(emptyLine, Qt::SkipEmptyParts)) {
        auto bag = PropertyBag::FromText(block);
        if (!bag)
            throw LayoutError("a layout line is not of the form Key = value: " +
                              block.trimmed().left(80).toStdString());
        if (!bag->IsEmpty()) blocks.push_back(std::move(*bag));
    }
    return blocks;
}

int Pixels(const PropertyBag& bag, const QString& key, const QWidget* widget) {
    return Twips::ToWholePixels(bag.ReadNumber(key, 0), widget);
}

void Place(QWidget* widget, const PropertyBag& bag) {
    const double width = bag.ReadNumber(QStringLiteral("Width"), 0);
    const double height = bag.ReadNumber(QStringLiteral("Height"), 0);
    if (auto* control = qobject_cast<ControlBase*>(widget))
        control->setSizeTwips(width, height);
    else
        widget->resize(Twips::ToWholePixels(width, widget), Twips::ToWholePixels(height, widget));
    widget->move(Pixels(bag, QStringLiteral("Left"), widget),
                 Pixels(bag, QStringLiteral("Top"), widget));
}

QColor Colour(const PropertyBag& bag, const QString& key, OleColor defaultValue) {
    return ToQColor(TranslateColor(bag.ReadColor(key, defaultValue)));
}

void SetForeColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QWidget* CreateLabel(QWidget* parent, const PropertyBag& bag) {
    auto* label = new QLabel(bag.ReadString(QStringLiteral("Caption"), QString()), parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(bag.ReadBool(QStringLiteral("WordWrap"), false));
    label->setFont(bag.ReadFont(QStringLiteral("Font"), parent->font()));
    SetForeColour(label, Colour(bag, QStringLiteral("ForeColor"), SysColor::kButtonText));
    return label;
}

QWidget* CreateShape(QWidget* parent, const PropertyBag& bag) {
    auto* shape = new ShapeBox(parent);
    shape->setBorderColor(Colour(bag, QStringLiteral("BorderColor"), SysColor::kWindowText));
    if (bag.Contains(QStringLiteral("BackColor")))
        shape->setFillColor(Colour(bag, QStringLiteral("BackColor"), SysColor::kWindowBackground));
    return shape;
}

QWidget* CreateLine(QWidget* parent, const PropertyBag& bag) {
    auto* line = new LinePiece(parent);
    line->setColor(Colour(bag, QStringLiteral("BorderColor"), SysColor::kWindowText));
    return line;
}

QWidget* CreateDriveBox(QWidget* parent, const PropertyBag& bag) {
    auto* box = new DriveBox(parent);
    box->setFont(bag.ReadFont(QStringLiteral("Font"), parent->font()));
    return box;
}

QWidget* CreateButton(QWidget* parent, const PropertyBag& bag) {
    auto* button = new QPushButton(bag.ReadString(QStringLiteral("Caption"), QString()), parent);
    button->setFont(bag.ReadFont(QStringLiteral("Font"), parent->font()));
    button->setAutoDefault(true);
    return button;
}

ControlBase* CreateCustomControl(const QString& kind, QWidget* parent) {
    if (kind == u"McToolBar") return new McToolBar(parent);
    if (kind == u"Txt") return new Txt(parent);
    if (kind == u"Cmd1") return new Cmd1(parent);
    if (kind == u"Chk1") return new Chk1(parent);
    if (kind == u"PPB") return new PPB(parent);
    return nullptr;
}

// A custom control is placed first, because it lays its parts out from its size when it reads
// its settings. A picture named by "PictureSource" comes from the art. Docking belongs to the
// container, so the toolbar is told its "Align" before it sizes itself.
QWidget* CreateControl(const QString& kind, QWidget* parent, PropertyBag bag) {
    if (ControlBase* control = CreateCustomControl(kind, parent)) {
        Place(control, bag);
        const QString source = bag.ReadString(QStringLiteral("PictureSource"), QString());
        if (!source.isEmpty())
            bag.WritePicture(QStringLiteral("Picture"),
                             Art::Render(source, Art::DefaultSize(source) * kControlPictureScale));
        if (auto* toolBar = qobject_cast<McToolBar*>(control))
            toolBar->setAlign(static_cast<int>(bag.ReadInt(QStringLiteral("Align"), 0)));
        control->ReadProperties(bag);
        return control;
    }
    QWidget* widget = nullptr;
    if (kind == u"Label")
        widget = CreateLabel(parent, bag);
    else if (kind == u"Frame" || kind == u"Shape")
        widget = CreateShape(parent, bag);
    else if (kind == u"Line")
        widget = CreateLine(parent, bag);
    else if (kind == u"Picture")
        widget = new SvgPicture(bag.ReadString(QStringLiteral("Source"), QString()), parent);
    else if (kind == u"DriveBox")
        widget = CreateDriveBox(parent, bag);
    else if (kind == u"Button")
        widget = CreateButton(parent, bag);
    else
        throw LayoutError("the layout names an unknown kind of control: " + kind.toStdString());
    Place(widget, bag);
    return widget;
}

void ApplyFormSettings(QWidget* form, const PropertyBag& bag) {
    form->setFont(bag.ReadFont(QStringLiteral("Font"), form->font()));
    QPalette palette = form->palette();
    palette.setColor(QPalette::Window,
                     Colour(bag, QStringLiteral("BackColor"), SysColor::kButtonFace));
    form->setPalette(palette);
    form->setAutoFillBackground(true);
    form->setFixedSize(Pixels(bag, QStringLiteral("Width"), form),
                       Pixels(bag, QStringLiteral("Height"), form));
    const QString icon = bag.ReadString(QStringLiteral("Icon"), QString());
    if (!icon.isEmpty()) form->setWindowIcon(Art::Icon(icon));
}

}  // namespace

namespace FormLayout {

void Build(QWidget* form, const QString& name) {
    std::map<QString, QWidget*> containers;
    std::map<qint64, QWidget*> tabOrder;
    for (const PropertyBag& bag : ReadBlocks(ReadLayoutText(name))) {
        const QString controlName = bag.ReadString(QStringLiteral("Name"), QString());
        const QString kind = bag.ReadString(QStringLiteral("Kind"), QString());
        if (kind == u"Form") {
            ApplyFormSettings(form, bag);
            continue;
        }
        const QString containerName = bag.ReadString(QStringLiteral("Container"), QString());
        QWidget* parent = form;
        if (!containerName.isEmpty()) {
            const auto found = containers.find(containerName);
            if (found == containers.end())
                throw LayoutError("the container " + containerName.toStdString() +
                                  " comes after its controls");
            parent = found->second;
        }
        QWidget* control = CreateControl(kind, parent, bag);
        control->setObjectName(controlName);
        control->setVisible(bag.ReadBool(QStringLiteral("Visible"), true));
        containers[controlName] = control;
        const qint64 tabIndex = bag.ReadInt(QStringLiteral("TabIndex"), -1);
        if (tabIndex >= 0) tabOrder[tabIndex] = control;
    }
    QWidget* previous = nullptr;
    for (const auto& [index, control] : tabOrder) {
        if (previous) QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

}  // namespace FormLayout
